#include "companion/human_book_file.h"

#include <algorithm>

namespace {

uint32_t get_u32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t get_u16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

void put_u32(uint8_t* p, uint32_t value) {
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
    p[2] = uint8_t(value >> 16);
    p[3] = uint8_t(value >> 24);
}
void put_u16(uint8_t* p, uint16_t value) {
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
}

// Records read per call of read_at.
constexpr uint32_t READ_CHUNK_RECORDS = 64;

}  // namespace

void encode_human_book_header(const HumanBookHeader& header, uint8_t bytes[HUMAN_BOOK_HEADER_SIZE]) {
    put_u32(bytes + 0, header.magic);
    put_u32(bytes + 4, header.positions);
    put_u32(bytes + 8, header.variations);
    put_u32(bytes + 12, header.reserved12);
    put_u32(bytes + 16, header.reserved16);
    put_u32(bytes + 20, header.games);
    put_u32(bytes + 24, header.reserved24);
    put_u32(bytes + 28, header.version);
}

HumanBookHeader decode_human_book_header(const uint8_t bytes[HUMAN_BOOK_HEADER_SIZE]) {
    HumanBookHeader header;
    header.magic = get_u32(bytes + 0);
    header.positions = get_u32(bytes + 4);
    header.variations = get_u32(bytes + 8);
    header.reserved12 = get_u32(bytes + 12);
    header.reserved16 = get_u32(bytes + 16);
    header.games = get_u32(bytes + 20);
    header.reserved24 = get_u32(bytes + 24);
    header.version = get_u32(bytes + 28);
    return header;
}

void encode_human_book_record(const HumanBookRecord& record, uint8_t bytes[HUMAN_BOOK_RECORD_SIZE]) {
    put_u32(bytes + 0, record.key_word1);
    put_u32(bytes + 4, record.key_word2);
    put_u16(bytes + 8, record.move);
    bytes[10] = record.learning;
    bytes[11] = record.spare;
    for (int i = 0; i < HUMAN_BOOK_STATISTICS_WORDS; ++i) put_u32(bytes + 12 + 4 * i, record.statistics[i]);
}

HumanBookRecord decode_human_book_record(const uint8_t bytes[HUMAN_BOOK_RECORD_SIZE]) {
    HumanBookRecord record;
    record.key_word1 = get_u32(bytes + 0);
    record.key_word2 = get_u32(bytes + 4);
    record.move = get_u16(bytes + 8);
    record.learning = bytes[10];
    record.spare = bytes[11];
    for (int i = 0; i < HUMAN_BOOK_STATISTICS_WORDS; ++i) record.statistics[i] = get_u32(bytes + 12 + 4 * i);
    return record;
}

bool read_human_book_header(PositionedFile file, HumanBookHeader* header) {
    uint8_t bytes[HUMAN_BOOK_HEADER_SIZE] = {};
    const bool whole = read_at(file, bytes, sizeof bytes, 0) == int64_t(sizeof bytes);
    *header = whole ? decode_human_book_header(bytes) : HumanBookHeader{};
    return whole && header->magic == HUMAN_BOOK_MAGIC;
}

uint32_t read_human_book_records(PositionedFile file, const HumanBookHeader& header, uint64_t first,
                                 uint32_t count, HumanBookRecord* records) {
    if (first >= header.positions) return 0;
    const uint32_t wanted = uint32_t(std::min<uint64_t>(count, header.positions - first));
    uint32_t done = 0;
    uint8_t bytes[READ_CHUNK_RECORDS * HUMAN_BOOK_RECORD_SIZE];
    while (done < wanted) {
        const uint32_t chunk = std::min(wanted - done, READ_CHUNK_RECORDS);
        const int64_t got = read_at(file, bytes, chunk * HUMAN_BOOK_RECORD_SIZE, human_book_record_offset(first + done));
        if (got <= 0) break;
        const uint32_t whole = uint32_t(uint64_t(got) / HUMAN_BOOK_RECORD_SIZE);
        for (uint32_t i = 0; i < whole; ++i) records[done + i] = decode_human_book_record(bytes + i * HUMAN_BOOK_RECORD_SIZE);
        done += whole;
        if (whole < chunk) break;  // the file ends before the header says
    }
    return done;
}

bool write_human_book_record(PositionedFile file, uint64_t index, const HumanBookRecord& record) {
    uint8_t bytes[HUMAN_BOOK_RECORD_SIZE];
    encode_human_book_record(record, bytes);
    return write_at(file, bytes, sizeof bytes, human_book_record_offset(index));
}
