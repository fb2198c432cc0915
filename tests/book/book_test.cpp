// The opening book: finding and opening the file, the lookup, the choice of
// a move at the root and the weights of the Book Modes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <set>

#include "book/book_weight.h"
#include "book_fixture.h"
#include "output_capture.h"
#include "platform/files.h"
#include "position/position.h"
#include "uci/options.h"
#include "search/random.h"

namespace {

using BookTest = BookFixture;

std::string book_status_line() {
    OutputCapture capture;
    print_options();
    std::string text = capture.text();
    size_t start = text.find("option name Book Status");
    return text.substr(start, text.find('\n', start) - start);
}

bool fail_to_open(const char*, PositionedFile*) { return false; }

TEST_F(BookTest, TheLastWritableLetterIsTheBookAndBookStatusNamesIt) {
    struct Case {
        const char* letters;  // books present
        bool read_only;       // opening for writing fails
        const char* status;
    } cases[] = {
        {"", false, "NO BOOK FOUND var NO BOOK FOUND"},
        {"a", false, "Morvax14aBook.vrk OK var Morvax14aBook.vrk OK"},
        {"ac", false, "Morvax14cBook.vrk OK var Morvax14cBook.vrk OK"},
        {"cz", false, "Morvax14zBook.vrk OK var Morvax14zBook.vrk OK"},
        {"a", true, "READ ONLY BOOK - NO LEARNING var READ ONLY BOOK - NO LEARNING"},
    };
    for (const Case& c : cases) {
        TempDir folder;
        data_paths.book = folder.path() + "/";
        for (const char* letter = c.letters; *letter; ++letter)
            write_book_file(folder.file(book_name(*letter)), sort_book(records_of({"startpos | | e2e4 | 7"})));
        book_open_read_write = c.read_only ? fail_to_open : open_positioned_file_for_update;
        book_options = BOOK_OPTIONS_INITIAL;
        const bool found = *c.letters != '\0';
        EXPECT_EQ(open_book(), found ? 1 : 0) << c.letters;
        EXPECT_EQ(book_options & BO_OWN_BOOK, found ? BO_OWN_BOOK : 0u) << c.letters;
        EXPECT_EQ(book_record_count, found ? 1 : 0) << c.letters;
        EXPECT_EQ(book_writable(), found && !c.read_only) << c.letters;
        EXPECT_EQ(book_status_line(), std::string("option name Book Status type combo default ") + c.status)
            << c.letters;
        close_open_files();
    }
}

TEST_F(BookTest, ABookThatCanOnlyBeReadUnderAnotherLetterIsNotFound) {
    if (geteuid() == 0) GTEST_SKIP() << "file rights do not hold for root";
    write_book(std::vector<std::string>{"startpos | | e2e4 | 7"}, 'a');
    std::string c = write_book(std::vector<std::string>{"startpos | | d2d4 | 7"}, 'c');
    ASSERT_EQ(chmod(c.c_str(), 0444), 0);
    ASSERT_EQ(open_book(), 1);
    EXPECT_STREQ(book_file_name, "Morvax14aBook.vrk");
}

// A book of many positions: the first two moves of the game.
std::vector<std::string> two_move_lines() {
    std::vector<std::string> lines;
    const char* firsts[] = {"e2e4", "d2d4", "c2c4", "g1f3", "b2b3", "f2f4"};
    const char* replies[] = {"e7e5", "d7d5", "c7c5", "g8f6", "e7e6"};
    for (const char* first : firsts) {
        lines.push_back(std::string("startpos | | ") + first + " | 5");
        for (const char* reply : replies) lines.push_back(std::string("startpos | ") + first + " | " + reply + " | 3");
    }
    return lines;
}

TEST_F(BookTest, LookupFindsTheFirstRecordOfEveryKeyAndTheInsertionPlaceOfOthers) {
    std::vector<BookRecord> sorted = sort_book(records_of(two_move_lines()));
    write_book(sorted);
    ASSERT_EQ(open_book(), 1);
    ASSERT_EQ(book_record_count, long(sorted.size()));
    auto lower = [&](uint32_t key) {
        return long(std::lower_bound(sorted.begin(), sorted.end(), key,
                                     [](const BookRecord& r, uint32_t k) { return r.key < k; }) -
                    sorted.begin());
    };
    for (const BookRecord& r : sorted) {
        long index = -1;
        ASSERT_EQ(find_book_record(r.key, &index), 1);
        EXPECT_EQ(index, lower(r.key));
        int run = book_run_length(r.key);
        EXPECT_EQ(run, std::count_if(sorted.begin(), sorted.end(), [&](const BookRecord& o) { return o.key == r.key; }));
        for (int i = 0; i < run; ++i) EXPECT_EQ(book_buffer[i].learn_word, sorted[size_t(index + i)].learn_word);
        for (uint32_t other : {r.key - 2, r.key + 2, 0u, 0xFFFFFFFFu}) {
            if (std::any_of(sorted.begin(), sorted.end(), [&](const BookRecord& o) { return o.key == other; })) continue;
            EXPECT_EQ(find_book_record(other, &index), 0);
            EXPECT_EQ(index, lower(other));
        }
    }
}

TEST_F(BookTest, ACountBeyondTheFileIsCutToTheRecordsThere) {
    std::vector<BookRecord> sorted = sort_book(records_of(two_move_lines()));
    std::string path = write_book(sorted);
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        const char big_count[4] = {char(0xE8), 0x03, 0, 0};  // 1000 records
        file.write(big_count, 4);
    }
    ASSERT_EQ(open_book(), 1);
    EXPECT_EQ(book_record_count, long(sorted.size()));
    long index = 0;
    EXPECT_EQ(find_book_record(sorted.back().key, &index), 1);
    EXPECT_EQ(read_book_records(long(sorted.size()) - 1, BOOK_BUFFER_RECORDS), 1);
}

TEST_F(BookTest, AnEmptyFileIsNoBook) {
    std::ofstream(folder_.file(book_name('a')));
    EXPECT_EQ(open_book(), 0);
    EXPECT_EQ(book_options & BO_OWN_BOOK, 0u);
    EXPECT_EQ(book_status, BOOK_NOT_FOUND);
}

// ---- The choice at the root -------------------------------------------------

struct ChoiceCase {
    const char* name;
    std::vector<std::string> book;
    const char* fen;
    const char* moves;
    const char* expected;  // coordinate text of the move played, "" for none
};

TEST_F(BookTest, TheRootPlaysABookMoveOnlyWhenItIsLegalHereAndTheBookMayBeUsed) {
    const char* promotion_fen = "8/4P3/8/8/8/8/k7/7K w - - 0 1";
    const ChoiceCase cases[] = {
        {"the heaviest move", {"startpos | | d2d4 | 3", "startpos | | e2e4 | 7 | 31"}, BOOK_START_FEN, "", "e2e4"},
        {"after moves", {"startpos | e2e4 e7e5 | g1f3 | 6"}, BOOK_START_FEN, "e2e4 e7e5", "g1f3"},
        {"not in the book", {"startpos | | e2e4 | 7"}, BOOK_START_FEN, "d2d4", ""},
        {"a promotion is the queen's", {std::string(promotion_fen) + " | | e7e8q | 7"}, promotion_fen, "", "e7e8q"},
        {"a move back into a repeated position is skipped",
         {"startpos | | g1f3 | 7"}, BOOK_START_FEN, "g1f3 g8f6 f3g1 f6g8", ""},
        {"class 2 is never played in Tournament mode without learning weights", {"startpos | | e2e4 | 2 | 8"},
         BOOK_START_FEN, "", ""},
    };
    for (const ChoiceCase& c : cases) {
        TempDir folder;
        data_paths.book = folder.path() + "/";
        write_book_file(folder.file(book_name('a')), sort_book(records_of(c.book)));
        ASSERT_EQ(open_book(), 1) << c.name;
        Move move = root_book_move(c.fen, c.moves);
        if (*c.expected == '\0') {
            EXPECT_EQ(move, NO_MOVE) << c.name;
        } else {
            EXPECT_EQ(move & MOVE_IDENTITY_MASK, position_move(c.expected) & MOVE_IDENTITY_MASK) << c.name;
            EXPECT_EQ(root_moves[0].line[1], move) << c.name;
            EXPECT_EQ(root_moves[0].flags, RM_BOOK | RM_KNOWN) << c.name;
        }
        close_open_files();
    }
}

TEST_F(BookTest, AMoveThatGivesCheckCarriesTheCheckBit) {
    write_book(std::vector<std::string>{"startpos | e2e4 f7f6 | d1h5 | 7"});
    ASSERT_EQ(open_book(), 1);
    Move move = root_book_move(BOOK_START_FEN, "e2e4 f7f6");
    EXPECT_EQ(move & MOVE_IDENTITY_MASK, position_move("d1h5"));
    EXPECT_TRUE(move & MOVE_GIVES_CHECK);
}

TEST_F(BookTest, ARecordOfAnotherCheckByteIsIgnored) {
    std::vector<BookRecord> records = records_of({"startpos | | e2e4 | 7"});
    records[0].learn_word ^= 0x100;
    write_book(records);
    ASSERT_EQ(open_book(), 1);
    EXPECT_EQ(root_book_move(BOOK_START_FEN), NO_MOVE);
}

TEST_F(BookTest, SettingsThatKeepTheBookClosed) {
    const std::string moves = "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4 g8f6 e1g1 f8e7";
    write_book(std::vector<std::string>{"startpos | " + moves + " | f1e1 | 7"});
    ASSERT_EQ(open_book(), 1);
    const uint32_t with_book = book_options;
    struct Case {
        const char* name;
        uint32_t options;
        int multi_pv;
        int plies_since_book;  // -1: no book move in this game yet
        bool plays;
    } cases[] = {
        {"defaults", with_book, 1, -1, true},
        {"MultiPV 2", with_book, 2, -1, false},
        {"Book Mode 0", with_book & ~BO_BOOK_MODE, 1, -1, false},
        {"OwnBook off", with_book & ~BO_OWN_BOOK, 1, -1, false},
        {"8 plies after the last book move", with_book, 1, 8, true},
        {"9 plies after the last book move", with_book, 1, 9, false},
    };
    for (const Case& c : cases) {
        book_options = c.options;
        multi_pv = c.multi_pv;
        ASSERT_TRUE(set_search_position(BOOK_START_FEN, moves.c_str()));
        search_mode = SEARCH_MODE_NORMAL;
        search_book_options = book_options;
        if (c.plies_since_book >= 0) last_book_ply = game_ply - c.plies_since_book;
        Move move = prepare_root(main_position.side);
        search_mode = SEARCH_MODE_IDLE;
        EXPECT_EQ(move != NO_MOVE, c.plays) << c.name;
        if (c.plays) {
            EXPECT_EQ(last_book_ply, game_ply) << c.name;
        }
    }
}

TEST_F(BookTest, EveryBookModeDrawsAmongTheMovesOfItsClasses) {
    // Over many seeds each mode plays only moves it may weigh above 0.
    write_book(std::vector<std::string>{"startpos | | e2e4 | 0 | 0", "startpos | | d2d4 | 1 | 4",
                                        "startpos | | c2c4 | 2 | 8", "startpos | | g1f3 | 5 | 20"});
    ASSERT_EQ(open_book(), 1);
    struct Case {
        int mode;
        std::vector<const char*> allowed;
        std::vector<const char*> seen_at_least;
    } cases[] = {
        {BOOK_MODE_TOURNAMENT, {"g1f3"}, {"g1f3"}},
        {BOOK_MODE_DYNAMIC, {"c2c4", "g1f3"}, {"c2c4", "g1f3"}},
        {BOOK_MODE_SURPRISE, {"d2d4", "c2c4", "g1f3"}, {"d2d4", "c2c4", "g1f3"}},
        {BOOK_MODE_WILD, {"e2e4", "d2d4", "c2c4", "g1f3"}, {"e2e4", "g1f3"}},
    };
    static uint32_t seed;
    book_seed_source = [] { return seed; };
    for (const Case& c : cases) {
        book_options = (book_options & ~BO_BOOK_MODE) | uint32_t(c.mode) << BO_BOOK_MODE_SHIFT;
        std::set<Move> seen;
        for (seed = 1; seed <= 300; ++seed) seen.insert(root_book_move(BOOK_START_FEN) & MOVE_IDENTITY_MASK);
        for (Move m : seen)
            EXPECT_TRUE(std::any_of(c.allowed.begin(), c.allowed.end(), [&](const char* t) { return position_move(t) == m; }))
                << "mode " << c.mode << " played " << move_text(m);
        for (const char* t : c.seen_at_least) EXPECT_TRUE(seen.count(position_move(t))) << "mode " << c.mode << " " << t;
    }
}

// ---- Weights -------------------------------------------------------------------

BookRecord record_of(int play_class, int weight, int counter = 0, bool won = false) {
    BookRecord r = make_book_record(0, 0, 0, play_class, weight);
    r.learn_word = uint16_t(r.learn_word | counter << BOOK_COUNTER_SHIFT | (won ? BOOK_WON : 0));
    return r;
}

TEST(BookWeight, TheWeightsOfTheBookModes) {
    constexpr uint32_t SEED = 0x1234567u;
    random_state = SEED;
    const uint32_t r1 = next_random(), r2 = next_random();
    struct Case {
        const char* name;
        BookRecord record;
        BookWeighing weighing;
        int64_t expected;
    } cases[] = {
        {"tournament, class 3", record_of(3, 0), {BOOK_MODE_TOURNAMENT, false, false, 0}, (1 << 13) * int64_t((r1 & 63) + 1)},
        {"tournament, class 2", record_of(2, 31), {BOOK_MODE_TOURNAMENT, false, false, 0}, 0},
        {"learning, weight 11", record_of(7, 11), {BOOK_MODE_TOURNAMENT, true, false, 0}, 0},
        {"learning, weight 12", record_of(0, 12), {BOOK_MODE_TOURNAMENT, true, false, 0}, 32 * 256 * int64_t((r1 & 63) + 1)},
        {"learning, weight 13", record_of(0, 13), {BOOK_MODE_TOURNAMENT, true, false, 0}, 40 * 256 * int64_t((r1 & 63) + 1)},
        {"learning, won", record_of(0, 12, 0, true), {BOOK_MODE_TOURNAMENT, true, false, 0}, 64 * 256 * int64_t((r1 & 63) + 1)},
        {"learning, counter 2", record_of(0, 12, 2), {BOOK_MODE_TOURNAMENT, true, false, 0}, 32 * 256 / 16 * int64_t((r1 & 63) + 1)},
        {"learning, the largest", record_of(0, 31, 0, true), {BOOK_MODE_TOURNAMENT, true, false, 0}, 458752 * int64_t((r1 & 63) + 1)},
        {"dynamic, class 1", record_of(1, 31), {BOOK_MODE_DYNAMIC, true, false, 0}, 0},
        {"dynamic, class 4", record_of(4, 0), {BOOK_MODE_DYNAMIC, true, false, 0}, 16 * int64_t((r1 & 63) + 1)},
        {"surprise, class 0", record_of(0, 31), {BOOK_MODE_SURPRISE, true, false, 0}, 0},
        {"surprise, class 1", record_of(1, 0), {BOOK_MODE_SURPRISE, true, false, 0}, 26 * int64_t((r1 & 255) + 1)},
        {"surprise, class 2", record_of(2, 0), {BOOK_MODE_SURPRISE, true, false, 0}, 28 * int64_t((r1 & 255) + 1)},
        {"wild, class 0", record_of(0, 0), {BOOK_MODE_WILD, true, false, 0}, int64_t(r1 & 15) * ((r2 & 127) + 1)},
        {"limited to 2000 Elo", record_of(2, 0), {BOOK_MODE_TOURNAMENT, true, true, 2000}, (8 + 11) * int64_t(r1 & 0xFF)},
        {"limited to 2500 Elo: the mode's weight", record_of(2, 0), {BOOK_MODE_TOURNAMENT, false, true, 2500}, 0},
    };
    for (const Case& c : cases) {
        random_state = SEED;
        EXPECT_EQ(book_move_weight(c.record, c.weighing), c.expected) << c.name;
    }
}

}  // namespace
