#include "companion/human_book_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "human_book_writer.h"
#include "temp_dir.h"

namespace {

HumanBookRecord sample_record(uint32_t n) {
    HumanBookRecord r;
    r.key_word1 = 0x10000000u + 2 * n;
    r.key_word2 = 0xC0FFEE00u + n;
    r.move = uint16_t(0x3000 | n);
    r.learning = uint8_t(n);
    r.spare = 0xA5;
    for (int i = 0; i < HUMAN_BOOK_STATISTICS_WORDS; ++i) r.statistics[i] = n * 0x01010101u + uint32_t(i);
    return r;
}

bool same(const HumanBookRecord& a, const HumanBookRecord& b) {
    uint8_t x[HUMAN_BOOK_RECORD_SIZE], y[HUMAN_BOOK_RECORD_SIZE];
    encode_human_book_record(a, x);
    encode_human_book_record(b, y);
    return std::string(x, x + sizeof x) == std::string(y, y + sizeof y);
}

// A book of `count` sample records whose header claims `positions`.
std::string book_bytes(uint32_t count, uint32_t positions) {
    HumanBookSource book;
    book.header.magic = HUMAN_BOOK_MAGIC;
    book.header.positions = positions;
    for (uint32_t i = 0; i < count; ++i) book.records.push_back(sample_record(i));
    return human_book_bytes(book);
}

TEST(HumanBookFile, FieldsAreLittleEndianAtTheirOffsets) {
    HumanBookHeader header;
    header.magic = HUMAN_BOOK_MAGIC;
    header.positions = 0x04030201;
    header.variations = 0x08070605;
    header.reserved12 = 0x0C0B0A09;
    header.reserved16 = 0x100F0E0D;
    header.games = 0x14131211;
    header.reserved24 = 0x18171615;
    header.version = 0x1C1B1A19;
    uint8_t bytes[HUMAN_BOOK_HEADER_SIZE];
    encode_human_book_header(header, bytes);
    const std::vector<uint8_t> expected_header = {0x03, 0xB0, 0xC5, 0xA9, 1,  2,  3,  4,  5,  6,  7,
                                                  8,    9,    10,   11,   12, 13, 14, 15, 16, 17, 18,
                                                  19,   20,   21,   22,   23, 24, 25, 26, 27, 28};
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + sizeof bytes), expected_header);
    const HumanBookHeader back = decode_human_book_header(bytes);
    EXPECT_EQ(back.positions, header.positions);
    EXPECT_EQ(back.version, header.version);

    HumanBookRecord record;
    record.key_word1 = 0x44332211;
    record.key_word2 = 0x88776655;
    record.move = 0xB71C;  // class 3, from e2 (12) to e4 (28), bit 15 set
    record.learning = 0xEC;
    record.spare = 0x5A;
    for (int i = 0; i < HUMAN_BOOK_STATISTICS_WORDS; ++i) record.statistics[i] = 0xA0B0C0D0u + uint32_t(i);
    uint8_t rb[HUMAN_BOOK_RECORD_SIZE];
    encode_human_book_record(record, rb);
    const std::vector<uint8_t> expected_record = {
        0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x1C, 0xB7, 0xEC, 0x5A, 0xD0, 0xC0, 0xB0, 0xA0,
        0xD1, 0xC0, 0xB0, 0xA0, 0xD2, 0xC0, 0xB0, 0xA0, 0xD3, 0xC0, 0xB0, 0xA0, 0xD4, 0xC0, 0xB0, 0xA0};
    EXPECT_EQ(std::vector<uint8_t>(rb, rb + sizeof rb), expected_record);
    EXPECT_TRUE(same(decode_human_book_record(rb), record));

    EXPECT_EQ(human_book_move_squares(record), 0x071C);
    EXPECT_EQ(human_book_play_class(record), 3);
    EXPECT_EQ(learned_weight(record), 12);
    EXPECT_EQ(learning_counter(record), 3);
    EXPECT_TRUE(learning_flagged(record));
}

TEST(HumanBookFile, KeyWordOneCarriesTheSideToMoveInBitZero) {
    EXPECT_EQ(human_book_key_word1(0x12345678, 0), 0x12345679u);  // White to move: 1
    EXPECT_EQ(human_book_key_word1(0x12345679, 1), 0x12345678u);
    EXPECT_EQ(human_book_key_word1(0xFFFFFFFF, 0), 0xFFFFFFFFu);
}

TEST(HumanBookFile, RecordOffsetsAreSixtyFourBit) {
    EXPECT_EQ(human_book_record_offset(0), 32u);
    EXPECT_EQ(human_book_record_offset(0xFFFFFFFFu), 0x2000000000ull);
}

TEST(HumanBookFile, HeaderIsRefusedWhenShortOrForeign) {
    TempDir dir;
    struct Case {
        const char* name;
        std::string bytes;
        bool accepted;
    };
    std::string foreign = book_bytes(1, 1);
    foreign[0] ^= 1;
    const std::vector<Case> cases = {
        {"book", book_bytes(2, 2), true},
        {"empty header", book_bytes(0, 0), true},
        {"foreign magic", foreign, false},
        {"short header", book_bytes(0, 0).substr(0, HUMAN_BOOK_HEADER_SIZE - 1), false},
        {"empty file", "", false},
    };
    for (const Case& c : cases) {
        write_file(dir.file("book.vrh"), c.bytes);
        PositionedFile file;
        ASSERT_TRUE(open_positioned_file(dir.file("book.vrh").c_str(), &file));
        HumanBookHeader header;
        EXPECT_EQ(read_human_book_header(file, &header), c.accepted) << c.name;
        close_positioned_file(&file);
    }
    PositionedFile closed;
    HumanBookHeader header;
    EXPECT_FALSE(read_human_book_header(closed, &header));
}

// Reads stop at the header's count and at the end of the file, whichever
// comes first, and deliver whole records only.
TEST(HumanBookFile, RecordReadsStayInsideHeaderAndFile) {
    TempDir dir;
    struct Case {
        const char* name;
        uint32_t records_in_file;
        uint32_t positions;
        uint64_t first;
        uint32_t count;
        uint32_t expected;
        int trim = 0;  // bytes cut off the file's end
    };
    const std::vector<Case> cases = {
        {"inside", 10, 10, 2, 5, 5},
        {"up to the header's count", 10, 10, 7, 60, 3},
        {"header counts fewer than the file holds", 10, 4, 0, 60, 4},
        {"header counts more than the file holds", 3, 1000, 0, 60, 3},
        {"start beyond the file", 3, 1000, 5, 60, 0},
        {"start at the count", 10, 10, 10, 60, 0},
        {"start far beyond", 10, 10, 0xFFFFFFFFFull, 60, 0},
        {"no records", 0, 0, 0, 60, 0},
        {"a cut last record", 5, 5, 0, 60, 4, 1},
        {"more than one chunk", 200, 200, 3, 150, 150},
    };
    std::vector<HumanBookRecord> buffer(200);
    for (const Case& c : cases) {
        std::string bytes = book_bytes(c.records_in_file, c.positions);
        bytes.resize(bytes.size() - size_t(c.trim));
        write_file(dir.file("book.vrh"), bytes);
        PositionedFile file;
        ASSERT_TRUE(open_positioned_file(dir.file("book.vrh").c_str(), &file));
        HumanBookHeader header;
        ASSERT_TRUE(read_human_book_header(file, &header));
        const uint32_t got = read_human_book_records(file, header, c.first, c.count, buffer.data());
        EXPECT_EQ(got, c.expected) << c.name;
        for (uint32_t i = 0; i < got && i < c.expected; ++i)
            EXPECT_TRUE(same(buffer[i], sample_record(uint32_t(c.first) + i))) << c.name << " record " << i;
        close_positioned_file(&file);
    }
}

TEST(HumanBookFile, RecordIsRewrittenInPlaceOnlyWhenWritable) {
    TempDir dir;
    const std::string path = dir.file("book.vrh");
    const std::string original = book_bytes(3, 3);
    write_file(path, original);
    HumanBookRecord changed = sample_record(1);
    changed.learning = 0x9F;

    PositionedFile reading;
    ASSERT_TRUE(open_positioned_file(path.c_str(), &reading));
    EXPECT_FALSE(write_human_book_record(reading, 1, changed));
    close_positioned_file(&reading);
    EXPECT_EQ(read_file(path), original);

    PositionedFile updating;
    ASSERT_TRUE(open_positioned_file_for_update(path.c_str(), &updating));
    EXPECT_TRUE(write_human_book_record(updating, 1, changed));
    close_positioned_file(&updating);
    std::string expected = original;
    expected[human_book_record_offset(1) + 10] = char(0x9F);
    EXPECT_EQ(read_file(path), expected);

    PositionedFile missing;
    EXPECT_FALSE(open_positioned_file_for_update(dir.file("none.vrh").c_str(), &missing));
}

}  // namespace
