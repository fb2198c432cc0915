// Writes compressed tablebase files: the format the engine's decompressor
// reads, for tests and tools. Blocks are compressed with greedy LZ77 matches
// over the file's 24 distances and a canonical prefix code (built from the
// symbol counts, flat, or given), or stored when that saves nothing. Raw
// token lists can replace the compression to build blocks no compressor
// would write.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tb_encoder {

enum class Code {
    STORED,   // every block stored; the code has no symbols
    FLAT,     // all 1024 symbols 10 bits long: the code of a symbol is its number
    HUFFMAN,  // lengths from the symbol counts of the whole file
    GIVEN,    // Options::lengths; symbols without a length are not used
};

// One step of a block: a literal byte, or a match of `length` bytes copied
// from the distance of class `distance_class` (0..23).
struct Token {
    bool match = false;
    uint8_t literal = 0;
    int distance_class = 0;
    uint32_t length = 0;
};
inline Token literal(uint8_t byte) { return Token{false, byte, 0, 0}; }
inline Token match(int distance_class, uint32_t length) { return Token{true, 0, distance_class, length}; }

std::array<uint32_t, 24> default_distances();

struct Options {
    int block_log = 13;
    Code code = Code::HUFFMAN;
    std::vector<uint8_t> lengths;  // GIVEN: 1024 code lengths
    std::array<uint32_t, 24> distances = default_distances();
    bool matches = true;
    uint32_t min_match = 3;
    // Code the two code-length alphabets with all 64 lengths 6 instead of
    // lengths from their counts.
    bool flat_length_alphabets = false;
    // Raw blocks: when not empty, block i is written from raw_blocks[i]
    // (coded as given, never stored; an empty list stores the block) and
    // the data only sets the block sizes and the stored blocks' bytes.
    std::vector<std::vector<Token>> raw_blocks;
};

struct File {
    std::vector<uint8_t> bytes;
    uint32_t header_size = 0;
    std::vector<uint64_t> block_offsets;  // N + 1: where each block starts, then the end
    std::vector<bool> stored;             // per block
};

File encode(const std::vector<uint8_t>& data, const Options& options = {});

// Header fields, for building broken files from good ones.
void put_be32(std::vector<uint8_t>& bytes, size_t at, uint32_t value);
uint32_t get_be32(const std::vector<uint8_t>& bytes, size_t at);
// Recomputes the header checksum after a change to the header.
void refresh_header_crc(std::vector<uint8_t>& file);

void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace tb_encoder
