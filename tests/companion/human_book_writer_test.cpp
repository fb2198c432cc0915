// The book-writing tool's source format, checked through the engine's own
// reader: what the writer puts in is what the companion reads back.
#include "human_book_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "position/position.h"
#include "temp_dir.h"
#include "uci/fen.h"
#include "uci/new_game.h"

namespace {

struct Key {
    uint32_t word1, word2;
    bool operator==(const Key&) const = default;
};

Key fen_key(const char* fen) {
    EXPECT_EQ(parse_fen(fen), 1) << fen;
    return {human_book_key_word1(main_position.key_lo, main_position.side), main_position.key_hi};
}

Key key_of(const HumanBookRecord& r) { return {r.key_word1, r.key_word2}; }

class HumanBookWriter : public testing::Test {
protected:
    void TearDown() override { start_new_game(); }

    HumanBookSource compile(const std::string& text) {
        HumanBookSource book;
        std::string error;
        EXPECT_TRUE(compile_human_book(text, &book, &error)) << error;
        return book;
    }
};

const char* const AFTER_E4_E5_NF3 = "rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2";

TEST_F(HumanBookWriter, WritesABookTheEngineReadsBack) {
    const std::string source =
        "# a small book\n"
        "version 7\n"
        "position startpos\n"
        "move e2e4 class 5 result 7/2/1 elo 2400/2300 year 1999\n"
        "move d2d4 class 3\n"
        "\n"
        "position startpos moves e2e4 e7e5 g1f3\n"
        "move b8c6 class 7 learn 159 result 0/0/3 elo 1599/3646 year 2100\n";
    HumanBookSource book = compile(source);
    const Key start = fen_key("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    const Key after = fen_key(AFTER_E4_E5_NF3);
    EXPECT_EQ(start.word1 & 1, 1u);  // White to move
    EXPECT_EQ(after.word1 & 1, 0u);

    ASSERT_EQ(book.records.size(), 3u);
    EXPECT_EQ(book.header.magic, HUMAN_BOOK_MAGIC);
    EXPECT_EQ(book.header.positions, 3u);
    EXPECT_EQ(book.header.variations, 3u);
    EXPECT_EQ(book.header.games, 13u);
    EXPECT_EQ(book.header.version, 7u);

    TempDir dir;
    write_file(dir.file(HUMAN_BOOK_FILE_NAME), human_book_bytes(book));
    PositionedFile file;
    ASSERT_TRUE(open_positioned_file(dir.file(HUMAN_BOOK_FILE_NAME).c_str(), &file));
    HumanBookHeader header;
    ASSERT_TRUE(read_human_book_header(file, &header));
    std::vector<HumanBookRecord> records(3);
    ASSERT_EQ(read_human_book_records(file, header, 0, 60, records.data()), 3u);
    close_positioned_file(&file);

    // Sorted by key word 1; the start position's two moves in source order.
    const bool start_first = start.word1 < after.word1;
    const HumanBookRecord& e4 = records[start_first ? 0 : 1];
    const HumanBookRecord& d4 = records[start_first ? 1 : 2];
    const HumanBookRecord& nc6 = records[start_first ? 2 : 0];
    EXPECT_EQ(key_of(e4), start);
    EXPECT_EQ(key_of(d4), start);
    EXPECT_EQ(key_of(nc6), after);
    EXPECT_EQ(e4.move, encode_move(12, 28, 5));
    EXPECT_EQ(d4.move, encode_move(11, 27, 3));
    EXPECT_EQ(nc6.move, encode_move(57, 42, 7));
    EXPECT_EQ(e4.learning, 20);  // class x 4
    EXPECT_EQ(d4.learning, 12);
    EXPECT_EQ(nc6.learning, 0x9F);

    HumanBookRecord plain = e4;
    decipher_book_record(&plain);
    HumanBookStatistics s = unpack_book_statistics(plain.statistics);
    EXPECT_EQ(std::vector<uint32_t>({s.wins, s.draws, s.losses, s.white_rating, s.black_rating, s.year}),
              std::vector<uint32_t>({7, 2, 1, 2400, 2300, 1999}));
    plain = d4;
    decipher_book_record(&plain);
    EXPECT_EQ(book_games(unpack_book_statistics(plain.statistics)), 0u);  // a novelty
    plain = nc6;
    decipher_book_record(&plain);
    s = unpack_book_statistics(plain.statistics);
    EXPECT_EQ(std::vector<uint32_t>({s.wins, s.draws, s.losses, s.white_rating, s.black_rating, s.year}),
              std::vector<uint32_t>({0, 0, 3, 1599, 3646, 2100}));
}

TEST_F(HumanBookWriter, PositionKeyIsTheEnginesWhateverTheRoute) {
    const HumanBookSource book = compile(
        "position startpos moves g1f3 e7e5 e2e4\n"
        "move b8c6 class 4\n"
        "position fen " + std::string(AFTER_E4_E5_NF3) + "\n"
        "move g8f6 class 4\n"
        "position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 moves e2e4 e7e5 g1f3\n"
        "move f8c5 class 4\n");
    ASSERT_EQ(book.records.size(), 3u);
    const Key expected = fen_key(AFTER_E4_E5_NF3);
    for (const HumanBookRecord& r : book.records) EXPECT_EQ(key_of(r), expected);
    // Equal keys keep their source order.
    EXPECT_EQ(book.records[0].move & HUMAN_BOOK_MOVE_MASK, encode_move(57, 42, 0));
    EXPECT_EQ(book.records[2].move & HUMAN_BOOK_MOVE_MASK, encode_move(61, 34, 0));
}

TEST_F(HumanBookWriter, RawKeysSortByBothWordsAndKeepOrderWithinAKey) {
    const HumanBookSource book = compile(
        "games 99\n"
        "variations 5\n"
        "key 20 b\n"
        "move a2a3 class 1\n"
        "key 20 a\n"
        "move b2b3 class 2\n"
        "key ffffffff 0\n"
        "move c2c3 class 3\n"
        "key 20 a\n"
        "move d2d3 class 4\n"
        "key 0 ffffffff\n"
        "move e7e8q class 6\n");
    const std::vector<std::pair<Key, int>> expected = {
        {{0, 0xFFFFFFFF}, 6}, {{0x20, 0xA}, 2}, {{0x20, 0xA}, 4}, {{0x20, 0xB}, 1}, {{0xFFFFFFFF, 0}, 3}};
    ASSERT_EQ(book.records.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(key_of(book.records[i]), expected[i].first) << i;
        EXPECT_EQ(human_book_play_class(book.records[i]), expected[i].second) << i;
    }
    EXPECT_EQ(human_book_move_squares(book.records[0]), encode_move(52, 60, 0));  // promotion: squares only
    EXPECT_EQ(book.records[0].learning, 24);
    EXPECT_EQ(book.header.games, 99u);
    EXPECT_EQ(book.header.variations, 5u);
    EXPECT_EQ(book.header.version, 1u);
}

TEST_F(HumanBookWriter, FaultsNameTheirLine) {
    struct Case {
        const char* source;
        const char* error;
    };
    const std::vector<Case> cases = {
        {"move e2e4 class 3\n", "line 1: move before any position or key"},
        {"position startpos\nmove e2e5 class 3\n", "line 2: illegal move <e2e5>"},
        {"position startpos moves e2e4 e2e4\n", "line 1: illegal move <e2e4>"},
        {"position startpos\nmove e2e4 class 8\n", "line 2: bad class <8>"},
        {"position startpos\nmove e2e4\n", "line 2: missing class"},
        {"position startpos\nmove e2e4 class 3 result 1/2 elo 2000/2000 year 2000\n", "line 2: bad results <1/2>"},
        {"position startpos\nmove e2e4 class 3 result 1/2/3 elo 1500/2000 year 2000\n",
         "line 2: ratings must lie in 1599..3646 and the year in 1845..2100"},
        {"position startpos\nmove e2e4 class 3 result 1/2/3 elo 2000/2000 year 1800\n",
         "line 2: ratings must lie in 1599..3646 and the year in 1845..2100"},
        {"position startpos\nmove e2e4 class 3 learn 256\n", "line 2: bad learning byte <256>"},
        {"position startpos\nmove e2e4 class 3 bonus\n", "line 2: unknown word <bonus>"},
        {"position fen xyz w - - 0 1\n", "line 1: FEN refused: "},
        {"key 1\n", "line 1: missing key word 2"},
        {"key 1 2\nmove e2 class 1\n", "line 2: unreadable move <e2>"},
        {"version -1\n", "line 1: bad number <-1>"},
        {"version 1 2\n", "line 1: unexpected <2>"},
        {"\n# fine\nbook 3\n", "line 3: unknown directive <book>"},
    };
    for (const Case& c : cases) {
        HumanBookSource book;
        std::string error;
        EXPECT_FALSE(compile_human_book(c.source, &book, &error)) << c.source;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.source << " gave: " << error;
    }
}

}  // namespace
