// Book learning at the end of a game: the weights of the engine's book moves
// rise after a win and fall after a loss, written back in place.
#include <gtest/gtest.h>

#include "book/book_learning.h"
#include "book_fixture.h"
#include "search/strength.h"
#include "book/pgn.h"
#include "temp_dir.h"

#include <functional>
#include <map>

namespace {

constexpr const char* GAME = "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4 g8f6";
const std::vector<std::string> BOOK = {
    "startpos | | e2e4 | 5 | 20",       "startpos | | d2d4 | 4 | 16",
    "startpos | | c2c4 | 3 | 12",       "startpos | e2e4 e7e5 | g1f3 | 5 | 20",
    "startpos | e2e4 e7e5 | f1c4 | 4 | 14",
};

class BookLearningTest : public BookFixture {
protected:
    void SetUp() override {
        BookFixture::SetUp();
        path_ = write_book(BOOK);
        ASSERT_EQ(open_book(), 1);
        search_book_options = book_options;
    }

    // The game with the engine as White: its first two moves from the book,
    // then two searched moves with these scores.
    void play_game(int score_after_book, int last_score) {
        ASSERT_TRUE(set_search_position(BOOK_START_FEN, GAME));
        for (int ply : {2, 4}) game_records[ply].result_flags = 0x1010;
        game_records[6].result_flags = 0x10;
        game_records[6].score = int16_t(score_after_book);
        game_records[8].result_flags = 0x10;
        game_records[8].score = int16_t(last_score);
    }

    // Byte 6 of each record whose bytes changed, by index.
    std::map<int, int> changed_bytes(const std::string& before) {
        std::string after = read_file(path_);
        EXPECT_EQ(after.size(), before.size());
        std::map<int, int> changed;
        for (size_t i = 4; i < after.size() && i < before.size(); ++i)
            if (after[i] != before[i]) {
                EXPECT_EQ((i - 4) % 8, 6u) << "byte " << i << " is not a learned byte";
                changed[int(i - 4) / 8] = uint8_t(after[i]);
            }
        return changed;
    }

    // Index of the book record of `move` after `moves` from the start.
    int index_of(const char* moves, const char* move) {
        std::vector<BookRecord> sorted = sort_book(records_of(BOOK));
        BookRecord wanted = records_of({std::string("startpos | ") + moves + " | " + move + " | 0"})[0];
        for (size_t i = 0; i < sorted.size(); ++i)
            if (sorted[i].key == wanted.key && sorted[i].move() == wanted.move()) return int(i);
        return -1;
    }

    std::string path_;
};

TEST_F(BookLearningTest, AWinRaisesAndMarksTheBookMovesLessAtEachStepBack) {
    play_game(50, 60);
    const std::string before = read_file(path_);
    EXPECT_EQ(learn_book_game(0, RESULT_WHITE_WON), 64u | LEARN_WORD_WIN);
    std::map<int, int> expected = {{index_of("", "e2e4"), 21 | BOOK_WON}, {index_of("e2e4 e7e5", "g1f3"), 22 | BOOK_WON}};
    EXPECT_EQ(changed_bytes(before), expected);
}

TEST_F(BookLearningTest, ALossLowersTheWeightsAndCountsTheLossWhereItStarted) {
    play_game(-100, 0);  // the first move out of the book scored below -64: one step more
    const std::string before = read_file(path_);
    EXPECT_EQ(learn_book_game(0, RESULT_BLACK_WON), 61u);
    std::map<int, int> expected = {{index_of("", "e2e4"), 16},
                                   {index_of("e2e4 e7e5", "g1f3"), 15 | 1 << BOOK_COUNTER_SHIFT}};
    EXPECT_EQ(changed_bytes(before), expected);
}

TEST_F(BookLearningTest, EndGameTakesTheResultFromTheEngineScoreAndLearnsOnce) {
    play_game(50, 300);
    book_options |= BO_STARTUP_DONE;
    const std::string before = read_file(path_);
    end_game();
    std::map<int, int> won = changed_bytes(before);
    EXPECT_EQ(won.size(), 2u);
    const std::string after_once = read_file(path_);
    end_game();  // "ucinewgame" then "quit": the same game
    EXPECT_EQ(read_file(path_), after_once);
}

TEST_F(BookLearningTest, NothingIsLearnedFromGamesThatCannotTeach) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
    } cases[] = {
        {"Book Learning off", [] { engine_flags &= ~EF_BOOK_LEARNING; }},
        {"a book that can only be read",
         [] { book_status |= BOOK_READ_ONLY; }},
        {"the engine played both sides", [] { game_records[3].result_flags = 0x10; }},
        {"Book Mode below Tournament",
         [] { search_book_options = (search_book_options & ~BO_BOOK_MODE) | 3u << BO_BOOK_MODE_SHIFT; }},
        {"a node-rate limit", [] { node_rate_limit = 1000; }},
        {"no book move of the engine",
         [] { game_records[2].result_flags = game_records[4].result_flags = 0x10; }},
    };
    const std::string before = read_file(path_);
    for (const Case& c : cases) {
        play_game(50, 60);
        c.arrange();
        learn_book_game(0, RESULT_WHITE_WON);
        EXPECT_EQ(read_file(path_), before) << c.name;
        engine_flags = ENGINE_FLAGS_DEFAULT;
        book_status &= ~BOOK_READ_ONLY;
        search_book_options = book_options;
        node_rate_limit = 0;
    }
}

}  // namespace
