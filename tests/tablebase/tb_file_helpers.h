// Helpers of the tablebase tests: files written into a temporary folder and
// decoded back through the engine's decompressor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tablebase/decoder.h"
#include "tb_encoder.h"
#include "temp_dir.h"

namespace tb_test {

// Bytes that compress well but not trivially: runs, repeats at several
// distances and some noise, from a fixed seed.
std::vector<uint8_t> sample_table(size_t size, uint32_t seed);
std::vector<uint8_t> random_bytes(size_t size, uint32_t seed);

// A compressed file's bytes with another text in its 64 banner bytes and the
// header checksum made right again, as another program would write it.
constexpr const char* OTHER_BANNER = "Endgame table written by some other program, 2 Mar 1999 (c) xyz";
std::vector<uint8_t> with_banner(std::vector<uint8_t> file, const char* text = OTHER_BANNER);

// An open file; closed when the object goes.
class OpenFile {
public:
    explicit OpenFile(const std::string& path);
    ~OpenFile();
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    PositionedFile file() const { return file_; }

private:
    PositionedFile file_;
};

// decomp_open on the bytes written to a file; the decoder (null on an error)
// is freed with the object.
struct OpenedDecoder {
    int error = 0;
    TbDecoder* decoder = nullptr;
    std::string path;
    ~OpenedDecoder() { decomp_free(decoder); }
};
void open_decoder(const TempDir& dir, const std::vector<uint8_t>& bytes, OpenedDecoder* out);

// Decodes every block of a file; the first error stops it.
struct DecodeResult {
    int error = 0;
    std::vector<uint8_t> data;
};
DecodeResult decode_file(const TempDir& dir, const std::vector<uint8_t>& bytes);

}  // namespace tb_test
