// The compressed tablebase file and its block decompressor.
//
// A compressed file is a header followed by blocks of 2^e bytes each (the
// last one shorter), each block compressed on its own: LZ77 matches over 24
// distances fixed per file and a canonical prefix code of 1024 symbols (256
// literals, 768 matches), or stored as is when compression would not save.
//
// Header (numbers big-endian):
//   0-63    banner: any text (this project writes TB_FILE_BANNER)
//   64-67   header size H, checksum included
//   70      e, log2 of the block size (at most 16)
//   71      number of match distances, 24
//   72-75   block count N
//   76-79   signature 00 40 01 F5
//   80..    8N bytes of block checksums (not read)
//   then    MSB-first e-bit fields: N compressed block sizes, the size of the
//           last block, 24 distances (a size field of 0 means 2^e)
//   then    the code-length stream, from the next whole byte
//   H-4..   tb_crc32 of bytes 0..H-5
// Block data starts at H; a block whose compressed size equals its size is
// stored.
#pragma once

#include <cstdint>

#include "platform/positioned_file.h"
#include "tablebase/bit_reader.h"
#include "tablebase/decoder_error.h"
#include "tablebase/huffman.h"

constexpr int TB_BANNER_SIZE = 64;
extern const uint8_t TB_FILE_BANNER[TB_BANNER_SIZE];

constexpr int TB_HEADER_FIXED_SIZE = 80;
constexpr int TB_MATCH_DISTANCES = 24;
constexpr int TB_MAX_BLOCK_LOG = 16;
constexpr uint8_t TB_FORMAT_SIGNATURE[4] = {0x00, 0x40, 0x01, 0xF5};

// The block size the engine reads: the decode buffers and the cache hold
// blocks of this size.
constexpr int TB_BLOCK_LOG = 13;
constexpr uint32_t TB_BLOCK_SIZE = 1u << TB_BLOCK_LOG;

struct TbDecoder {
    int16_t lookup[1 << TB_DATA_LOOKUP_BITS];
    int16_t tree[TB_DATA_TREE_ENTRIES];
    TbHuffmanTable code;                 // over lookup and tree
    uint32_t distances[TB_MATCH_DISTANCES];
    // Block offsets: offset(i) = anchors[i >> anchor_shift] + deltas[i], for
    // i = 0..N (N: the end of the data). One anchor per 2^(16 - e) blocks
    // keeps every delta below 2^16.
    uint64_t* anchors;
    uint16_t* deltas;
    int anchor_shift;
    int block_log;
    uint32_t block_size;       // 2^e
    uint32_t last_block_size;  // 1..2^e
    uint32_t block_count;      // N
};

// The decoding of one block, bound to an output buffer of TB_BLOCK_SIZE
// bytes. Used by one thread at a time.
struct TbDecodeState {
    uint32_t check_word;       // TB_STATE_CHECK_WORD once initialised
    uint8_t* output;
    uint32_t block;
    uint32_t block_size;       // bytes the block decodes to
    uint32_t compressed_size;
    uint32_t output_position;  // bytes decoded so far
    TbBitReader reader;
    uint32_t pending_distance;  // a match cut at the requested end, continued first
    uint32_t pending_length;
    uint8_t input[TB_BLOCK_SIZE + 8];
};
constexpr uint32_t TB_STATE_CHECK_WORD = 0x79A3F29Du;

// Reads and checks the header of a compressed file and builds its decoder.
// Returns 0 and the decoder, or an error code (nothing left allocated).
int decomp_open(TbDecoder** decoder, PositionedFile file);
void decomp_free(TbDecoder* decoder);

// Byte offset of block i (0..N; N gives the end of the data).
uint64_t decomp_block_offset(const TbDecoder* decoder, uint32_t block);
// Bytes block i decodes to.
uint32_t decomp_block_size(const TbDecoder* decoder, uint32_t block);

int decomp_alloc_state(TbDecodeState** state);
void decomp_free_state(TbDecodeState* state);
int decomp_init_state(TbDecodeState* state, uint8_t* output);

// Reads block i's bytes; a stored block is then complete in the output.
int decomp_read_block(const TbDecoder* decoder, TbDecodeState* state, PositionedFile file, uint32_t block);
// Decodes until the output holds `wanted` bytes (1..block size); a later call
// with a larger count goes on from there.
int decomp_decode_block(const TbDecoder* decoder, TbDecodeState* state, uint32_t wanted);

// True when the file starts with a valid compressed header (signature and
// header checksum), whatever its name.
bool tb_has_compressed_header(PositionedFile file);
