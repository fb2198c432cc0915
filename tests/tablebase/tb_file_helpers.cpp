#include "tb_file_helpers.h"

#include <cstring>

namespace tb_test {

namespace {

uint32_t next_random(uint32_t* state) {
    *state = *state * 1664525u + 1013904223u;
    return *state >> 8;
}

int file_counter = 0;

}  // namespace

std::vector<uint8_t> sample_table(size_t size, uint32_t seed) {
    std::vector<uint8_t> data;
    data.reserve(size);
    uint32_t state = seed;
    while (data.size() < size) {
        const uint32_t pick = next_random(&state) % 10;
        const size_t run = 1 + next_random(&state) % 300;
        if (pick < 4) {  // a run of one value
            data.insert(data.end(), run, uint8_t(next_random(&state) % 7));
        } else if (pick < 8 && data.size() > 64) {  // a repeat from a little way back
            const size_t back = 1 + next_random(&state) % 64;
            for (size_t i = 0; i < run; ++i) data.push_back(data[data.size() - back]);
        } else {  // noise
            for (size_t i = 0; i < run / 4 + 1; ++i) data.push_back(uint8_t(next_random(&state)));
        }
    }
    data.resize(size);
    return data;
}

std::vector<uint8_t> random_bytes(size_t size, uint32_t seed) {
    std::vector<uint8_t> data(size);
    uint32_t state = seed;
    for (uint8_t& b : data) b = uint8_t(next_random(&state));
    return data;
}

std::vector<uint8_t> with_banner(std::vector<uint8_t> file, const char* text) {
    const size_t length = std::strlen(text);
    for (size_t i = 0; i < size_t(TB_BANNER_SIZE); ++i) file[i] = i < length ? uint8_t(text[i]) : 0;
    tb_encoder::refresh_header_crc(file);
    return file;
}

OpenFile::OpenFile(const std::string& path) { open_positioned_file(path.c_str(), &file_); }
OpenFile::~OpenFile() { close_positioned_file(&file_); }

void open_decoder(const TempDir& dir, const std::vector<uint8_t>& bytes, OpenedDecoder* out) {
    out->path = dir.file("table" + std::to_string(file_counter++) + ".emd");
    tb_encoder::write_bytes(out->path, bytes);
    OpenFile file(out->path);
    out->error = decomp_open(&out->decoder, file.file());
}

DecodeResult decode_file(const TempDir& dir, const std::vector<uint8_t>& bytes) {
    DecodeResult result;
    OpenedDecoder opened;
    open_decoder(dir, bytes, &opened);
    if ((result.error = opened.error) != 0) return result;
    OpenFile file(opened.path);
    TbDecodeState* state = nullptr;
    decomp_alloc_state(&state);
    std::vector<uint8_t> block(TB_BLOCK_SIZE);
    for (uint32_t i = 0; i < opened.decoder->block_count && result.error == 0; ++i) {
        decomp_init_state(state, block.data());
        result.error = decomp_read_block(opened.decoder, state, file.file(), i);
        if (result.error == 0) result.error = decomp_decode_block(opened.decoder, state, state->block_size);
        if (result.error == 0) result.data.insert(result.data.end(), block.begin(), block.begin() + state->block_size);
    }
    decomp_free_state(state);
    return result;
}

}  // namespace tb_test
