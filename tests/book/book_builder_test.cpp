// The book builder: book lines and PGN games to sorted records, the file
// written and read back.
#include "book_builder.h"

#include <gtest/gtest.h>

#include <sstream>

#include "temp_dir.h"

namespace {

std::vector<BookRecord> lines_to_records(const std::string& text, std::vector<BookBuildError>* errors = nullptr) {
    std::vector<BookRecord> records;
    std::istringstream in(text);
    std::vector<BookBuildError> found = add_book_lines(in, &records);
    if (errors) *errors = found;
    else EXPECT_TRUE(found.empty()) << found.front().line << ": " << found.front().message;
    return records;
}

bool same(const BookRecord& a, const BookRecord& b) {
    return a.key == b.key && a.move_word == b.move_word && a.learn_word == b.learn_word;
}

TEST(BookBuilder, LinesBecomeRecordsSortedByKeyInTheirOrderWithinAKey) {
    std::vector<BookRecord> records = lines_to_records(
        "# openings\n"
        "startpos | | e2e4 | 7 | 31\n"
        "\n"
        "startpos | e2e4 e7e5 | g1f3 | 6\n"
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 | | d2d4 | 3 | 20\n"
        "startpos | e4 e5 | Nc3 | 2\n"
        "startpos | | e2e4 | 1 | 1\n");  // the same position and move again: dropped
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0].key, records[2].key);      // a FEN of the start is the start
    EXPECT_EQ(records[1].key, records[3].key);      // algebraic moves reach the same position
    EXPECT_EQ(records[0].key & 1, 1u);              // White to move: odd
    EXPECT_EQ(records[1].key & 1, 1u);
    EXPECT_EQ(records[1].weight(), 24);             // 4 x class when left out
    EXPECT_EQ(records[0].play_class(), 7);

    std::vector<BookRecord> book = sort_book(records);
    ASSERT_EQ(book.size(), 4u);
    for (size_t i = 1; i < book.size(); ++i) EXPECT_LE(book[i - 1].key, book[i].key);
    auto at = [&](const BookRecord& r) {
        for (size_t i = 0; i < book.size(); ++i)
            if (same(book[i], r)) return int(i);
        return -1;
    };
    EXPECT_EQ(at(records[2]), at(records[0]) + 1);  // e2e4 before d2d4, as written
    EXPECT_EQ(at(records[3]), at(records[1]) + 1);
    EXPECT_EQ(at(records[4]), -1);
}

TEST(BookBuilder, BadLinesAreReportedWithTheirNumbers) {
    std::vector<BookBuildError> errors;
    std::vector<BookRecord> records = lines_to_records(
        "startpos | | e2e5 | 3\n"
        "startpos | | e2e4 | 8\n"
        "startpos | | e2e4 | 3 | 32\n"
        "startpos | e2e4 e2e4 | e7e5 | 3\n"
        "8/8/8 w - - 0 1 | | e2e4 | 3\n"
        "startpos | e2e4\n"
        "startpos | | e2e4 | 3\n",
        &errors);
    EXPECT_EQ(records.size(), 1u);
    std::vector<int> lines;
    for (const BookBuildError& e : errors) lines.push_back(e.line);
    EXPECT_EQ(lines, (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST(BookBuilder, PgnGamesGiveTheirFirstMovesAsBookMoves) {
    const char* pgn =
        "[Event \"one\"]\n[White \"a\"]\n\n"
        "1. e4 {best by test} e5 (1... c5 2. Nf3) 2. Nf3 $1 Nc6 3. Bb5 a6 1-0\n\n"
        "[Event \"two\"]\n[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/4P3/4K3 b - - 0 30\"]\n\n"
        "30... Kd7 31. e4 ; a comment to the end of the line\n Ke6 *\n"
        "[Event \"three\"]\n\n1. d4 d5 2. Kd3 Nf6 0-1\n";
    std::istringstream in(pgn);
    std::vector<BookRecord> records;
    std::vector<BookBuildError> errors = add_pgn_games(in, 4, 5, 18, &records);
    ASSERT_EQ(errors.size(), 1u);  // 2. Kd3 is no move of that position
    EXPECT_EQ(errors[0].line, 14);
    std::vector<BookRecord> expected = lines_to_records(
        "startpos | | e2e4 | 5 | 18\n"
        "startpos | e2e4 | e7e5 | 5 | 18\n"
        "startpos | e2e4 e7e5 | g1f3 | 5 | 18\n"
        "startpos | e2e4 e7e5 g1f3 | b8c6 | 5 | 18\n"
        "4k3/8/8/8/8/8/4P3/4K3 b - - 0 30 | | e8d7 | 5 | 18\n"
        "4k3/8/8/8/8/8/4P3/4K3 b - - 0 30 | e8d7 | e2e4 | 5 | 18\n"
        "4k3/8/8/8/8/8/4P3/4K3 b - - 0 30 | e8d7 e2e4 | d7e6 | 5 | 18\n"
        "startpos | | d2d4 | 5 | 18\n"
        "startpos | d2d4 | d7d5 | 5 | 18\n");
    ASSERT_EQ(records.size(), expected.size());
    for (size_t i = 0; i < records.size(); ++i) EXPECT_TRUE(same(records[i], expected[i])) << i;
}

TEST(BookBuilder, TheFileRoundTripsAndDumpsItsRecords) {
    TempDir folder;
    std::vector<BookRecord> book = sort_book(lines_to_records("startpos | | e2e4 | 7 | 31\nstartpos | | d2d4 | 3\n"));
    ASSERT_TRUE(write_book_file(folder.file("book.vrk"), book));
    std::string bytes = read_file(folder.file("book.vrk"));
    ASSERT_EQ(bytes.size(), 4u + 2 * 8u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x02\0\0\0", 4));
    std::vector<BookRecord> back;
    ASSERT_TRUE(read_book_file(folder.file("book.vrk"), &back));
    ASSERT_EQ(back.size(), 2u);
    for (size_t i = 0; i < 2; ++i) EXPECT_TRUE(same(back[i], book[i]));
    EXPECT_NE(book_record_text(back[0]).find("e2e4 class 7 weight 31 counter 0"), std::string::npos)
        << book_record_text(back[0]);
    write_file(folder.file("short.vrk"), std::string("\x03\0\0\0", 4));
    EXPECT_FALSE(read_book_file(folder.file("short.vrk"), &back));
}

}  // namespace
