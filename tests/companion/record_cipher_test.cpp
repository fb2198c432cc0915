#include "companion/record_cipher.h"

#include <gtest/gtest.h>

#include <vector>

#include "human_book_writer.h"

namespace {

using Words = std::vector<uint32_t>;

// 7 White wins, 2 draws, 1 loss; White 2400, Black 2300; 1999.
const Words EXAMPLE_PLAIN = {0x26990ABD, 0x1C00, 0x400001, 0, 0};
const Words EXAMPLE_CIPHER = {0xFBCE19F3, 0x48CC0F0B, 0x5B474542, 0x3DEBE400, 0xAA5D6025};

Words words_of(const uint32_t* w) { return Words(w, w + HUMAN_BOOK_STATISTICS_WORDS); }

TEST(RecordCipher, ExampleRecordDeciphersToItsGames) {
    HumanBookRecord record;
    record.key_word1 = 0x11111111;
    record.move = 0x371C;
    record.learning = 12;
    std::copy(EXAMPLE_CIPHER.begin(), EXAMPLE_CIPHER.end(), record.statistics);
    decipher_book_record(&record);
    EXPECT_EQ(words_of(record.statistics), EXAMPLE_PLAIN);
    EXPECT_EQ(record.key_word1, 0x11111111u);  // nothing else touched
    EXPECT_EQ(record.move, 0x371C);
    EXPECT_EQ(record.learning, 12);

    const HumanBookStatistics s = unpack_book_statistics(record.statistics);
    EXPECT_EQ(s.wins, 7u);
    EXPECT_EQ(s.draws, 2u);
    EXPECT_EQ(s.losses, 1u);
    EXPECT_EQ(book_games(s), 10u);
    EXPECT_EQ(s.white_rating, 2400u);
    EXPECT_EQ(s.black_rating, 2300u);
    EXPECT_EQ(s.year, 1999u);
}

TEST(RecordCipher, WriterEnciphersWhatTheEngineDeciphers) {
    uint32_t cipher[HUMAN_BOOK_STATISTICS_WORDS];
    encipher_book_statistics(EXAMPLE_PLAIN.data(), cipher);
    EXPECT_EQ(words_of(cipher), EXAMPLE_CIPHER);
}

TEST(RecordCipher, ZeroStatisticsAreANovelty) {
    HumanBookRecord record;
    decipher_book_record(&record);
    EXPECT_EQ(words_of(record.statistics), Words(5, 0));
    EXPECT_EQ(book_games(unpack_book_statistics(record.statistics)), 0u);
}

// Every field at both ends of its range, and draws whose ten high bits and
// eleven low bits lie in different words, survive packing, the cipher and
// unpacking.
TEST(RecordCipher, FieldsKeepTheirValuesAtTheEdgesOfTheirBits) {
    const uint32_t MAX = BOOK_RESULT_COUNT_LIMIT;
    const std::vector<HumanBookStatistics> cases = {
        {0, 0, 0, 1599, 1599, 1845},
        {MAX, MAX, MAX, 3646, 3646, 2100},
        {1, 0x7FF, 0, 1600, 3646, 1846},      // draws only in the low 11 bits
        {0, 0x800, 1, 3646, 1599, 2099},      // draws only in the high 10 bits
        {MAX, 0x1FF800, MAX, 2000, 2001, 1900},
        {0x155555, 0x0AAAAA, 0x155555, 2700, 2650, 2024},
    };
    for (const HumanBookStatistics& in : cases) {
        uint32_t plain[HUMAN_BOOK_STATISTICS_WORDS];
        ASSERT_TRUE(pack_book_statistics(in, plain));
        EXPECT_EQ(plain[3] | plain[4] | plain[0] >> 30, 0u);
        HumanBookRecord record;
        encipher_book_statistics(plain, record.statistics);
        decipher_book_record(&record);
        const HumanBookStatistics out = unpack_book_statistics(record.statistics);
        EXPECT_EQ(out.wins, in.wins);
        EXPECT_EQ(out.draws, in.draws) << std::hex << in.draws;
        EXPECT_EQ(out.losses, in.losses);
        EXPECT_EQ(out.white_rating, in.white_rating);
        EXPECT_EQ(out.black_rating, in.black_rating);
        EXPECT_EQ(out.year, in.year);
    }
}

TEST(RecordCipher, UnusedBitsAreIgnored) {
    Words plain = EXAMPLE_PLAIN;
    plain[0] |= 0xC0000000;
    plain[3] = 0xFFFFFFFF;
    plain[4] = 0x12345678;
    const HumanBookStatistics s = unpack_book_statistics(plain.data());
    EXPECT_EQ(s.year, 1999u);
    EXPECT_EQ(s.losses, 1u);
}

TEST(RecordCipher, FieldsOutsideTheirBitsAreRefused) {
    const HumanBookStatistics good = {7, 2, 1, 2400, 2300, 1999};
    std::vector<HumanBookStatistics> bad(7, good);
    bad[0].wins = BOOK_RESULT_COUNT_LIMIT + 1;
    bad[1].draws = BOOK_RESULT_COUNT_LIMIT + 1;
    bad[2].losses = BOOK_RESULT_COUNT_LIMIT + 1;
    bad[3].white_rating = 1598;
    bad[4].black_rating = 3647;
    bad[5].year = 1844;
    bad[6].year = 2101;
    for (const HumanBookStatistics& s : bad) {
        uint32_t plain[HUMAN_BOOK_STATISTICS_WORDS] = {9, 9, 9, 9, 9};
        EXPECT_FALSE(pack_book_statistics(s, plain));
        EXPECT_EQ(words_of(plain), Words(5, 0));
    }
}

}  // namespace
