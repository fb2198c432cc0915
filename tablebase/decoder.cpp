#include "tablebase/decoder.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "tablebase/crc.h"

// The text this project's writer puts at the start of a compressed file. The
// reader takes any 64 bytes there: files written by other programs carry
// other texts, and the fixed fields and the header checksum (which covers
// the banner too) tell a table of this format from anything else.
const uint8_t TB_FILE_BANNER[TB_BANNER_SIZE] = "Compressed endgame table: LZ77 blocks, canonical codes. v1.0\n";

namespace {

constexpr int error(TbCheck check, int kind) { return tb_error(check, kind); }

uint32_t big_endian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

struct HeaderBuffer {
    uint8_t* bytes = nullptr;
    ~HeaderBuffer() { std::free(bytes); }
};

// The fixed fields of bytes 64-79, checked.
struct FixedFields {
    uint32_t header_size;
    int block_log;
    uint32_t block_count;
    uint64_t lengths_start;  // first byte of the code-length stream
};

int check_fixed_fields(const uint8_t* head, FixedFields* fields) {
    fields->header_size = big_endian32(head + 64);
    fields->block_log = head[70];
    if (fields->block_log > TB_MAX_BLOCK_LOG) return error(TB_CHECK_BLOCK_LOG, TB_CORRUPT_DATA);
    if (fields->header_size < TB_HEADER_FIXED_SIZE + 4) return error(TB_CHECK_HEADER_SIZE, TB_CORRUPT_DATA);
    if (head[71] != TB_MATCH_DISTANCES) return error(TB_CHECK_DISTANCE_COUNT, TB_CORRUPT_DATA);
    if (std::memcmp(head + 76, TB_FORMAT_SIGNATURE, 4) != 0) return error(TB_CHECK_SIGNATURE, TB_CORRUPT_DATA);
    fields->block_count = big_endian32(head + 72);
    if (fields->block_count == 0) return error(TB_CHECK_BLOCK_COUNT, TB_CORRUPT_DATA);
    const uint64_t n = fields->block_count;
    const uint64_t field_bits = uint64_t(fields->block_log) * (n + 1 + TB_MATCH_DISTANCES);
    fields->lengths_start = TB_HEADER_FIXED_SIZE + 8 * n + (field_bits + 7) / 8;
    // At least one byte of code lengths, then the checksum.
    if (uint64_t(fields->header_size) < fields->lengths_start + 1 + 4) return error(TB_CHECK_HEADER_SIZE, TB_CORRUPT_DATA);
    return 0;
}

// Reads the whole header into `header` and checks its checksum.
int read_header(PositionedFile file, const uint8_t* head, const FixedFields& fields, HeaderBuffer* header,
                uint64_t* file_size) {
    const int64_t size = positioned_file_size(file);
    if (size < 0) return error(TB_CHECK_FILE_SIZE, TB_READ_ERROR);
    *file_size = uint64_t(size);
    if (fields.header_size > *file_size) return error(TB_CHECK_HEADER_BEYOND_FILE, TB_CORRUPT_DATA);
    header->bytes = static_cast<uint8_t*>(std::malloc(fields.header_size));
    if (header->bytes == nullptr) return error(TB_CHECK_HEADER_READ, TB_OUT_OF_MEMORY);
    std::memcpy(header->bytes, head, TB_HEADER_FIXED_SIZE);
    const size_t rest = fields.header_size - TB_HEADER_FIXED_SIZE;
    if (read_at(file, header->bytes + TB_HEADER_FIXED_SIZE, rest, TB_HEADER_FIXED_SIZE) != int64_t(rest))
        return error(TB_CHECK_HEADER_READ, TB_READ_ERROR);
    const uint32_t stored = big_endian32(header->bytes + fields.header_size - 4);
    if (tb_crc32(header->bytes, fields.header_size - 4) != stored) return error(TB_CHECK_HEADER_CRC, TB_CORRUPT_DATA);
    return 0;
}

// Block sizes into offsets, and the distances.
int read_block_table(TbDecoder* d, const uint8_t* header, const FixedFields& fields, uint64_t file_size) {
    const uint64_t n = fields.block_count;
    TbBitReader reader;
    const size_t field_start = size_t(TB_HEADER_FIXED_SIZE + 8 * n);
    reader.start(header + field_start, fields.header_size - 4 - field_start);
    const int e = fields.block_log;
    uint64_t offset = fields.header_size;
    for (uint64_t i = 0; i <= n; ++i) {
        if ((i & ((uint64_t(1) << d->anchor_shift) - 1)) == 0) d->anchors[i >> d->anchor_shift] = offset;
        d->deltas[i] = uint16_t(offset - d->anchors[i >> d->anchor_shift]);
        if (i == n) break;
        const uint32_t size = reader.read(e);
        offset += size != 0 ? size : d->block_size;
    }
    const uint32_t last = reader.read(e);
    d->last_block_size = last != 0 ? last : d->block_size;
    for (uint32_t& distance : d->distances) distance = reader.read(e);
    if (reader.overrun) return error(TB_CHECK_SIZE_FIELD, TB_CORRUPT_DATA);
    if (offset > file_size) return error(TB_CHECK_DATA_BEYOND_FILE, TB_CORRUPT_DATA);
    return 0;
}

int read_code(TbDecoder* d, const uint8_t* header, const FixedFields& fields) {
    TbBitReader reader;
    reader.start(header + fields.lengths_start, fields.header_size - 4 - fields.lengths_start);
    uint8_t lengths[TB_DATA_SYMBOLS];
    if (int code = decomp_read_lengths(&reader, lengths, TB_DATA_SYMBOLS)) return code;
    d->code = TbHuffmanTable{d->lookup, d->tree, TB_DATA_LOOKUP_BITS, TB_DATA_TREE_ENTRIES};
    return decomp_build_table(&d->code, lengths, TB_DATA_SYMBOLS);
}

// Copies n bytes from `distance` back, byte after byte in effect: a distance
// shorter than n repeats the last bytes.
void copy_match(uint8_t* to, uint32_t distance, uint32_t n) {
    const uint8_t* from = to - distance;
    while (n != 0) {
        const uint32_t step = n < distance ? n : distance;
        std::memcpy(to, from, step);
        to += step;
        from += step;
        n -= step;
    }
}

// Match length codes: 0..14 are lengths 1..15; 15..30 take a - 14 extra bits
// over 2^(a - 14) + 14; 31 takes 16 + 1 extra bits over 2^17 + 14.
constexpr int SHORT_MATCH_CODES = 15;
constexpr int LONGEST_MATCH_CODE = 31;
constexpr uint32_t MATCH_LENGTH_BASE = 14;

int decode_symbols(const TbDecoder* d, TbDecodeState* s, uint32_t end) {
    uint8_t* out = s->output;
    uint32_t position = s->output_position;
    if (s->pending_length != 0) {
        const uint32_t n = s->pending_length < end - position ? s->pending_length : end - position;
        copy_match(out + position, s->pending_distance, n);
        position += n;
        s->pending_length -= n;
    }
    TbBitReader* reader = &s->reader;
    while (position < end) {
        const int symbol = decomp_decode_symbol(d->code, reader);
        if (symbol < 256) {
            if (reader->overrun) return error(TB_CHECK_INPUT_SHORT, TB_CORRUPT_DATA);
            out[position++] = uint8_t(symbol);
            continue;
        }
        const int match = symbol - 256;
        const int length_code = match & 31;
        uint32_t length;
        if (length_code < SHORT_MATCH_CODES) {
            length = uint32_t(length_code) + 1;
        } else if (length_code < LONGEST_MATCH_CODE) {
            const int extra_bits = length_code - 14;
            length = (1u << extra_bits) + reader->read(extra_bits) + MATCH_LENGTH_BASE;
        } else {
            const uint32_t high = reader->read(16);
            length = (1u << 17) + (high << 1 | reader->read(1)) + MATCH_LENGTH_BASE;
        }
        if (reader->overrun) return error(TB_CHECK_INPUT_SHORT, TB_CORRUPT_DATA);
        const uint32_t distance = d->distances[match >> 5];
        if (distance == 0 || distance > position) return error(TB_CHECK_DISTANCE, TB_CORRUPT_DATA);
        const uint32_t n = length < end - position ? length : end - position;
        copy_match(out + position, distance, n);
        position += n;
        if (length > n) {
            s->pending_distance = distance;
            s->pending_length = length - n;
        }
    }
    s->output_position = position;
    return 0;
}

bool valid_state(const TbDecodeState* state) { return state != nullptr && state->check_word == TB_STATE_CHECK_WORD; }

}  // namespace

int decomp_open(TbDecoder** decoder, PositionedFile file) {
    *decoder = nullptr;
    uint8_t head[TB_HEADER_FIXED_SIZE];
    const int64_t got = read_at(file, head, sizeof(head), 0);
    if (got != int64_t(sizeof(head))) return error(TB_CHECK_HEADER_SHORT, TB_READ_ERROR);
    FixedFields fields;
    if (int code = check_fixed_fields(head, &fields)) return code;
    HeaderBuffer header;
    uint64_t file_size = 0;
    if (int code = read_header(file, head, fields, &header, &file_size)) return code;

    auto* d = new (std::nothrow) TbDecoder;
    if (d == nullptr) return error(TB_CHECK_HEADER_READ, TB_OUT_OF_MEMORY);
    d->block_log = fields.block_log;
    d->block_size = 1u << fields.block_log;
    d->block_count = fields.block_count;
    d->anchor_shift = TB_MAX_BLOCK_LOG - fields.block_log;
    const uint64_t n = fields.block_count;
    d->anchors = static_cast<uint64_t*>(std::malloc(sizeof(uint64_t) * size_t((n >> d->anchor_shift) + 1)));
    d->deltas = static_cast<uint16_t*>(std::malloc(sizeof(uint16_t) * size_t(n + 1)));
    if (d->anchors == nullptr || d->deltas == nullptr) {
        decomp_free(d);
        return error(TB_CHECK_HEADER_READ, TB_OUT_OF_MEMORY);
    }
    int code = read_block_table(d, header.bytes, fields, file_size);
    if (code == 0) code = read_code(d, header.bytes, fields);
    if (code != 0) {
        decomp_free(d);
        return code;
    }
    *decoder = d;
    return 0;
}

void decomp_free(TbDecoder* decoder) {
    if (decoder == nullptr) return;
    std::free(decoder->anchors);
    std::free(decoder->deltas);
    delete decoder;
}

uint64_t decomp_block_offset(const TbDecoder* d, uint32_t block) {
    return d->anchors[block >> d->anchor_shift] + d->deltas[block];
}

uint32_t decomp_block_size(const TbDecoder* d, uint32_t block) {
    return block + 1 == d->block_count ? d->last_block_size : d->block_size;
}

int decomp_alloc_state(TbDecodeState** state) {
    if (state == nullptr) return error(TB_CHECK_STATE, TB_BAD_ARGUMENT);
    *state = new (std::nothrow) TbDecodeState{};
    if (*state == nullptr) return error(TB_CHECK_STATE, TB_OUT_OF_MEMORY);
    return decomp_init_state(*state, nullptr);
}

void decomp_free_state(TbDecodeState* state) { delete state; }

int decomp_init_state(TbDecodeState* state, uint8_t* output) {
    if (state == nullptr) return error(TB_CHECK_STATE, TB_BAD_ARGUMENT);
    state->check_word = TB_STATE_CHECK_WORD;
    state->output = output;
    state->block = UINT32_MAX;
    state->block_size = state->compressed_size = state->output_position = 0;
    state->pending_distance = state->pending_length = 0;
    state->reader = TbBitReader{};
    return 0;
}

int decomp_read_block(const TbDecoder* d, TbDecodeState* s, PositionedFile file, uint32_t block) {
    if (!valid_state(s)) return error(TB_CHECK_STATE, TB_BAD_ARGUMENT);
    if (s->output == nullptr) return error(TB_CHECK_NO_OUTPUT, TB_BAD_ARGUMENT);
    if (d == nullptr || block >= d->block_count) return error(TB_CHECK_BLOCK_NUMBER, TB_BAD_ARGUMENT);
    if (d->block_size > TB_BLOCK_SIZE) return error(TB_CHECK_BLOCK_SIZE, TB_BAD_ARGUMENT);
    const uint64_t start = decomp_block_offset(d, block);
    const uint64_t compressed = decomp_block_offset(d, block + 1) - start;
    if (compressed > TB_BLOCK_SIZE) return error(TB_CHECK_BLOCK_SIZE, TB_CORRUPT_DATA);
    s->block = block;
    s->block_size = decomp_block_size(d, block);
    s->compressed_size = uint32_t(compressed);
    s->output_position = 0;
    s->pending_distance = s->pending_length = 0;
    if (read_at(file, s->input, size_t(compressed), start) != int64_t(compressed))
        return error(TB_CHECK_BLOCK_READ, TB_READ_ERROR);
    if (compressed == s->block_size) {
        std::memcpy(s->output, s->input, s->block_size);
        s->output_position = s->block_size;
    } else {
        s->reader.start(s->input, size_t(compressed));
    }
    return 0;
}

int decomp_decode_block(const TbDecoder* d, TbDecodeState* s, uint32_t wanted) {
    if (!valid_state(s)) return error(TB_CHECK_STATE, TB_BAD_ARGUMENT);
    if (d == nullptr || s->output == nullptr || wanted < 1 || wanted > s->block_size)
        return error(TB_CHECK_WANTED, TB_BAD_ARGUMENT);
    if (s->output_position >= wanted) return 0;
    return decode_symbols(d, s, wanted);
}

bool tb_has_compressed_header(PositionedFile file) {
    uint8_t head[TB_HEADER_FIXED_SIZE];
    if (read_at(file, head, sizeof(head), 0) != int64_t(sizeof(head))) return false;
    FixedFields fields;
    if (check_fixed_fields(head, &fields) != 0) return false;
    HeaderBuffer header;
    uint64_t file_size = 0;
    return read_header(file, head, fields, &header, &file_size) == 0;
}
