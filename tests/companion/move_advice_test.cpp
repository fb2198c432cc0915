// Move advice: the order of the advice lines, the merit grades, the lines
// themselves, the advice search through the driver, and the human-games
// book's learning at the end of a game.
#include "companion/move_advice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "book/book_learning.h"
#include "companion/human_book.h"
#include "config/settings.h"
#include "game/game_history.h"
#include "human_book_writer.h"
#include "output_capture.h"
#include "position/position.h"
#include "search/driver.h"
#include "search/root.h"
#include "search/saved_settings.h"
#include "search/search_fixture.h"
#include "search/search_info.h"
#include "search/services.h"
#include "search/time_control.h"
#include "search/tt.h"
#include "temp_dir.h"
#include "uci/dispatch.h"
#include "uci/new_game.h"
#include "uci/options.h"

namespace {

constexpr const char* START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
constexpr uint32_t TOURNAMENT = 4u << BO_BOOK_MODE_SHIFT;

class MoveAdvice : public ::testing::Test {
protected:
    void SetUp() override {
        prepare_search_engine();
        // The settings words, MultiPV and the input mode among them.
        saved_settings_ = save_settings();
        saved_search_book_options_ = search_book_options;
        saved_services_ = search_services;
        saved_learner_ = book_learner;
        saved_advice_search_ = companion_advice_search;
        ASSERT_EQ(alloc_human_book_buffer(), 1);
    }
    void TearDown() override {
        close_human_book();
        restore_settings(saved_settings_);
        search_book_options = saved_search_book_options_;
        search_services = saved_services_;
        book_learner = saved_learner_;
        companion_advice_search = saved_advice_search_;
        tb_hit_count = 0;
        root_move_count = 0;
        start_new_game();
    }
    // Writes the book made from `source` and loads it.
    std::string load_book(const std::string& source) {
        HumanBookSource book;
        std::string error;
        EXPECT_TRUE(compile_human_book(source, &book, &error)) << error;
        const std::string path = folder_.file("advice.vrh");
        write_file(path, human_book_bytes(book));
        EXPECT_EQ(load_human_book(path.c_str()), 1);
        book_options = (book_options & ~BO_BOOK_MODE) | TOURNAMENT;
        search_book_options = book_options;
        return path;
    }

    TempDir folder_;
    SavedSettings saved_settings_{};
    uint32_t saved_search_book_options_ = 0;
    SearchServices saved_services_;
    BookLearner saved_learner_;
    int (*saved_advice_search_)(int, int) = nullptr;
};

// The output lines with the measured figures (time, rate) blanked.
std::vector<std::string> advice_lines(const std::string& text) {
    static const std::regex figures("time [0-9]+ nps [0-9]+");
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(std::regex_replace(line, figures, "time T nps N"));
    return lines;
}

TEST(MoveAdviceOrder, TheSortSwapsTheHighestKeyIntoPlace) {
    struct Entry {
        int score, second;
        char name;
    };
    struct Case {
        const char* name;
        std::vector<Entry> entries;
        std::string order;
    };
    const Case cases[] = {
        {"book moves first, higher play class first",
         {{50, 0, 'a'}, {0, 2, 'b'}, {300, 0, 'c'}, {0, 6, 'd'}},
         "dbca"},
        {"the class outweighs any score", {{8191, 0, 'a'}, {-8191, 1, 'b'}}, "ba"},
        // The swap that brings c up sends a behind b: equal keys change places.
        {"an earlier swap reorders equal keys", {{5, 0, 'a'}, {5, 0, 'b'}, {9, 0, 'c'}}, "cba"},
        {"equal keys left in place keep their order", {{9, 0, 'a'}, {5, 0, 'b'}, {5, 0, 'c'}}, "abc"},
    };
    for (const Case& c : cases) {
        std::vector<RootMove> list;
        std::vector<Move> names;
        for (const Entry& e : c.entries) {
            RootMove rm{};
            rm.score = e.score;
            rm.second = e.second;
            rm.nodes = uint64_t(e.name);
            list.push_back(rm);
        }
        sort_advice_moves(list.data(), int(list.size()));
        std::string order;
        for (const RootMove& rm : list) order += char(rm.nodes);
        EXPECT_EQ(order, c.order) << c.name;
    }
}

TEST(MoveAdviceGrades, ReferenceValuesFollowTheBestScore) {
    struct Case {
        const char* name;
        int best;
        std::vector<int> scores;
        int second, margin;
    };
    const Case cases[] = {
        {"highest score below the best", 100, {100, 40, 100, -20}, 40, 160},
        {"a third of the best score", 900, {900, 600}, 600, 300},
        {"at most 384", -1500, {-1500, -1600}, -1600, 384},
        {"nothing below the best", 50, {50, 50}, -8192, 160},
        {"a mate: the best score that is no mate", 8150, {8150, 8001, 8000, 50}, 8000, 384},
        {"a mate: at least 192", 8150, {8150, 300}, 300, 192},
        {"being mated", -8100, {-8100, -8150}, -8192, 0},
    };
    for (const Case& c : cases) {
        std::vector<RootMove> list(c.scores.size());
        for (size_t i = 0; i < list.size(); ++i) {
            list[i].score = c.scores[i];
            list[i].depth = int(i) + 7;
        }
        const AdviceReference r = advice_reference(list.data(), int(list.size()), c.best, 0, false);
        EXPECT_EQ(r.second, c.second) << c.name;
        EXPECT_EQ(r.margin, c.margin) << c.name;
        EXPECT_EQ(r.first_depth, 7) << c.name;
    }
}

TEST(MoveAdviceGrades, MeritsOfSearchedAndBookMoves) {
    struct Case {
        const char* name;
        AdviceReference reference;  // best, second, margin, first depth, opponent short, evaluation
        int score, depth, merit;
    };
    const AdviceReference even{100, 40, 160, 9, false, 0};
    const AdviceReference clear{100, -100, 160, 9, false, 0};
    const AdviceReference ahead{1500, 700, 384, 9, false, 0};
    const AdviceReference ahead_short{1500, 700, 384, 9, true, 0};
    const AdviceReference losing{-400, -8192, 160, 9, false, 0};
    const AdviceReference losing_less{-300, -8192, 160, 9, false, 0};
    const AdviceReference mated{-8100, -8192, 0, 9, false, 0};
    const AdviceReference mating{8150, 200, 192, 9, false, 0};
    const AdviceReference mating_short{8150, 700, 233, 9, true, 0};
    const Case cases[] = {
        {"best, not clear of the second", even, 100, 9, 4},
        {"best and clear of the second", clear, 100, 9, 5},
        {"clear, the opponent still has pieces", ahead, 1500, 9, 5},
        {"clear, the opponent short of pieces", ahead_short, 1500, 9, 4},
        {"best at -384 or below", losing, -400, 9, 4},
        {"best above -384", losing_less, -300, 9, 5},
        {"near the best, shallower", even, 95, 8, 3},
        {"within 32", even, 69, 9, 3},
        {"32 below", even, 68, 9, 2},
        {"within 96", even, 5, 9, 2},
        {"within the margin", even, -59, 9, 1},
        {"below the margin", even, -60, 9, 0},
        {"below the margin, above the evaluation", {100, 40, 160, 9, false, -100}, -60, 9, 1},
        {"mated: as long as the best", mated, -8100, 9, 4},
        {"mated: 6 plies sooner", mated, -8106, 9, 3},
        {"mated: 7 plies sooner", mated, -8107, 9, 2},
        {"mated: 14 plies sooner", mated, -8114, 9, 2},
        {"mated: 15 plies sooner", mated, -8115, 9, 1},
        {"mating as fast as the best", mating, 8150, 3, 5},
        {"mating, the opponent short of pieces", mating_short, 8150, 3, 4},
        {"mating slower, within 192", mating, 7959, 3, 3},
        {"above the second less the margin", mating, 7958, 3, 2},
        {"above the evaluation", mating, 8, 3, 1},
        {"no better than the evaluation", mating, 0, 3, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(searched_move_merit(c.reference, c.score, c.depth), c.merit) << c.name;

    const int book_merits[8] = {6, 6, 7, 7, 7, 8, 8, 8};
    for (int play_class = 0; play_class < 8; ++play_class)
        EXPECT_EQ(book_move_merit(play_class), book_merits[play_class]) << play_class;
}

// Root lines of hand-made root lists.
Move test_lines[8][ROOT_LINE_SIZE];

// Appends a root move with a line of its own (the move alone) to the list.
RootMove& add_root_move(const char* move, int score, int depth) {
    RootMove& rm = root_moves[root_move_count];
    rm = RootMove{};
    rm.line = test_lines[root_move_count];
    rm.line[1] = position_move(move);
    rm.line[2] = NO_MOVE;
    rm.score = score;
    rm.depth = depth;
    ++root_move_count;
    return rm;
}

TEST_F(MoveAdvice, LinesBookFirstOnePromotionPerFileWithinMultiPv) {
    ASSERT_TRUE(set_search_position("r1r4k/1P6/8/8/8/8/8/7K w - - 0 1"));
    struct Entry {
        const char* move;
        const char* reply;
        int score, depth, book_class;
    };
    const Entry entries[] = {
        {"b7b8q", "h8g7", 900, 5, -1}, {"b7b8n", "", 100, 5, -1}, {"b7a8q", "c8a8", 800, 5, -1},
        {"h1g1", "", 0, 4, 5},         {"h1h2", "", -50, 5, -1},
    };
    root_move_count = 0;
    for (const Entry& e : entries) {
        RootMove& rm = add_root_move(e.move, e.score, e.depth);
        ASSERT_NE(rm.line[1], NO_MOVE) << e.move;
        if (*e.reply) {
            rm.line[2] = encode_move(63, 54, 0);  // h8g7
            if (std::string(e.reply) == "c8a8") rm.line[2] = encode_move(58, 56, 4);
            rm.line[3] = NO_MOVE;
        }
        if (e.book_class >= 0) {
            rm.flags = RM_BOOK;
            rm.second = e.book_class + 1;
        }
    }
    root_evaluation = 0;
    tb_hit_count = 3;
    const std::vector<RootMove> before(root_moves, root_moves + root_move_count);

    // Four lines at most: the book move, b8=Q and a8=Q; b8=N shares b8=Q's
    // file and is skipped but counts, so h1h2 is beyond the four. The first
    // entry (the book move) has depth 4: the searched moves are graded by
    // their distance from the best score alone.
    multi_pv = 4;
    std::string text;
    {
        OutputCapture output;
        print_move_advice();
        text = output.text();
    }
    EXPECT_EQ(advice_lines(text),
              (std::vector<std::string>{
                  "info multipv 1 depth 4 time T nps N score book merit 8 pv h1g1 ",
                  "info multipv 2 depth 5 time T nps N score cp 703 merit 3 tbhits 3 pv b7b8q h8g7 ",
                  "info multipv 3 depth 5 time T nps N score cp 625 merit 1 tbhits 3 pv b7a8q c8a8 ",
              }));
    // The search's own list is untouched.
    for (int i = 0; i < root_move_count; ++i) {
        EXPECT_EQ(root_moves[i].line, before[size_t(i)].line) << i;
        EXPECT_EQ(root_moves[i].score, before[size_t(i)].score) << i;
    }
}

TEST_F(MoveAdvice, TheMoveTheSearchChoseLeadsAfterAnIterationCutShort) {
    // The search ended in iteration 10 after its first move: d2d4 fell to
    // 20 there, while the moves not searched again keep their scores of
    // iteration 9, one above it. d2d4 is still the move played.
    ASSERT_TRUE(set_search_position(START_FEN));
    struct Entry {
        const char* move;
        int score, depth;
    };
    const Entry entries[] = {{"d2d4", 20, 10}, {"g2g3", 50, 9}, {"e2e4", 35, 9}, {"a2a3", -40, 10}};
    root_move_count = 0;
    for (const Entry& e : entries) ASSERT_NE(add_root_move(e.move, e.score, e.depth).line[1], NO_MOVE) << e.move;
    root_evaluation = 0;
    struct Case {
        int multi_pv;
        std::vector<std::string> first_moves;
        const char* best_line;  // graded against the chosen move's score
    } cases[] = {{1, {"d2d4"}, "score cp 15 merit 5 pv d2d4"},
                 {4, {"d2d4", "g2g3", "e2e4", "a2a3"}, "score cp 15 merit 4 pv d2d4"}};
    for (const Case& c : cases) {
        multi_pv = c.multi_pv;
        std::string text;
        {
            OutputCapture output;
            print_move_advice();
            text = output.text();
        }
        std::vector<std::string> first_moves;
        for (const std::string& line : advice_lines(text)) first_moves.push_back(line.substr(line.find(" pv ") + 4, 4));
        EXPECT_EQ(first_moves, c.first_moves) << text;
        EXPECT_NE(text.find(c.best_line), std::string::npos) << text;
    }
}

TEST_F(MoveAdvice, TheAdviceSearchPrintsOnlyItsLinesAndRestoresTheSettings) {
    ASSERT_TRUE(set_search_position(START_FEN));
    load_book("position startpos\nmove d2d4 class 6\nmove e2e4 class 3\nmove g1f3 class 1\n");
    install_move_advice();
    multi_pv = 2;
    const uint32_t flags = engine_flags;
    const int64_t move_time = move_time_ms;
    GameRecord* const record = current_game_record;
    std::memset(game_records + 2, 0, sizeof(GameRecord) * 8);

    EXPECT_NE(companion_advice_search, nullptr);
    std::string text;
    {
        OutputCapture output;
        think_tx(150, WHITE);
        text = output.text();
    }
    const std::vector<std::string> lines = advice_lines(text);

    // One line per legal move, the book's first by play class.
    ASSERT_EQ(lines.size(), 20u) << text;
    const std::regex book_line("info multipv ([0-9]+) depth [0-9]+ time T nps N score book merit ([678]) pv (\\S+) .*");
    const std::regex searched_line("info multipv ([0-9]+) depth [0-9]+ time T nps N score (cp|mate) -?[0-9]+ merit [0-5] pv .*");
    const char* const book_moves[3][2] = {{"d2d4", "8"}, {"e2e4", "7"}, {"g1f3", "6"}};
    for (size_t i = 0; i < lines.size(); ++i) {
        std::smatch m;
        if (i < 3) {
            ASSERT_TRUE(std::regex_match(lines[i], m, book_line)) << lines[i];
            EXPECT_EQ(m[3], book_moves[i][0]);
            EXPECT_EQ(m[2], book_moves[i][1]);
        } else {
            ASSERT_TRUE(std::regex_match(lines[i], m, searched_line)) << lines[i];
        }
        EXPECT_EQ(m[1], std::to_string(i + 1));
    }
    // Nothing played, every setting back.
    EXPECT_EQ(current_game_record, record);
    EXPECT_EQ(game_records[2].move, NO_MOVE);
    EXPECT_EQ(multi_pv, 2);
    EXPECT_EQ(engine_flags, flags);
    EXPECT_EQ(move_time_ms, move_time);
    EXPECT_EQ(input_mode, 0);
    EXPECT_FALSE(search_running());
}

TEST_F(MoveAdvice, ASearchThatShowedNoLineReportsItsMovesWithMerits) {
    ASSERT_TRUE(set_search_position(START_FEN));
    install_move_advice();
    input_mode = '2';  // a search the interface started: it prints
    go_depth_limit = 2;
    set_search_mode(3, 0);
    std::string text;
    {
        OutputCapture output;
        think(WHITE, SEARCH_MODE_NORMAL, 0, 0, 0);
        text = output.text();
    }
    go_depth_limit = iteration_depth_limit = DEFAULT_MAX_DEPTH;
    const std::regex advice("info multipv 1 depth 2 time [0-9]+ nps [0-9]+ score cp -?[0-9]+ merit [0-5] pv .*\n");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(text, m, advice)) << text;
    // Shown once, before the answer; no principal variation besides it.
    EXPECT_EQ(text.find(" seldepth "), std::string::npos) << text;
    EXPECT_NE(text.find("bestmove ", size_t(m.position(0))), std::string::npos) << text;
}

TEST_F(MoveAdvice, AFinishedGameTeachesTheHumanBook) {
    const std::string path = load_book(
        "position startpos\nmove e2e4 class 4 learn 16\nmove d2d4 class 3 learn 14\n"
        "position startpos moves e2e4 e7e5\nmove g1f3 class 5 learn 20\nmove f1c4 class 4 learn 13\n");
    install_human_book_learning();
    engine_flags = search_flags = ENGINE_FLAGS_DEFAULT;
    const std::string before = read_file(path);

    // The engine as White: two book moves, then two searched ones.
    auto play_game = [] {
        ASSERT_TRUE(set_search_position(START_FEN, "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4 g8f6"));
        for (int ply : {2, 4}) game_records[ply].result_flags = 0x1010;
        for (int ply : {6, 8}) {
            game_records[ply].result_flags = 0x10;
            game_records[ply].score = 60;
        }
    };

    // A book that failed to load is never written.
    play_game();
    search_book_options = book_options & ~BO_HUMAN_BOOK;
    const uint32_t saved = book_options;
    book_options &= ~BO_HUMAN_BOOK;
    learn_book_game(WHITE, RESULT_WHITE_WON);
    EXPECT_EQ(read_file(path), before);
    book_options = search_book_options = saved;

    // A win raises both book moves and marks them won: byte 10 of their
    // records, nothing else.
    play_game();
    EXPECT_EQ(learn_book_game(WHITE, RESULT_WHITE_WON), 64u | LEARN_WORD_WIN);
    const std::string after = read_file(path);
    ASSERT_EQ(after.size(), before.size());
    std::vector<int> changed;
    for (size_t i = 0; i < after.size(); ++i)
        if (after[i] != before[i]) {
            EXPECT_EQ(i % 32, 10u) << "byte " << i;
            changed.push_back(uint8_t(after[i]));
        }
    std::sort(changed.begin(), changed.end());
    EXPECT_EQ(changed, (std::vector<int>{17 | 0x80, 22 | 0x80}));
}

}  // namespace
