#include "search/driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "config/settings.h"
#include "eval/eval_cache.h"
#include "eval/eval_tables.h"
#include "game/game_history.h"
#include "output_capture.h"
#include "position/position.h"
#include "search/polling.h"
#include "search/root.h"
#include "search/services.h"
#include "search/threads.h"
#include "search/time_control.h"
#include "search/tt.h"
#include "uci/dispatch.h"
#include "uci/fen.h"
#include "uci/new_game.h"
#include "uci/options.h"

namespace {

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!tt_allocated()) set_hash_size(4096);
        clear_hash(1);
        start_new_game();
        std::memset(game_records + 2, 0, sizeof(GameRecord) * 8);
    }
    void TearDown() override {
        go_depth_limit = iteration_depth_limit = DEFAULT_MAX_DEPTH;
        set_search_mode(3, 0);
        start_new_game();
    }
    static int search_to_depth(int depth, int mode = SEARCH_MODE_NORMAL) {
        go_depth_limit = depth;
        set_search_mode(3, 0);
        return think(main_position.side, mode, 0, 0, 0);
    }
};

TEST_F(DriverTest, ASearchAnswersAndBooksItsMoveBeyondTheCurrentRecord) {
    OutputCapture output;
    search_to_depth(4);
    std::string text = output.text();
    EXPECT_NE(text.find("\nbestmove "), std::string::npos) << text;
    EXPECT_EQ(current_game_record, &game_records[1]);  // played, booked and taken back
    EXPECT_NE(game_records[2].move, 0);
    EXPECT_TRUE(game_records[2].result_flags & 0x10);
    EXPECT_EQ(game_records[2].san_depth >> 10, last_search_depth());
    EXPECT_EQ(last_search_depth(), 4);
    EXPECT_FALSE(search_running());
}

TEST_F(DriverTest, InternalSearchesNeitherPrintNorPlay) {
    uint32_t flags_before = engine_flags;
    int multi_pv_before = multi_pv;
    set_move_time(40);
    OutputCapture output;
    think(WHITE, SEARCH_MODE_CALIBRATION, 0, 0, 0);
    EXPECT_EQ(output.text(), "");
    EXPECT_EQ(current_game_record, &game_records[1]);
    EXPECT_EQ(game_records[2].move, 0);
    EXPECT_EQ(engine_flags, flags_before);
    EXPECT_EQ(multi_pv, multi_pv_before);
    set_move_time(DEFAULT_TIME_CAP_MS);
}

// A finished game still gets its answer: its score on a line without moves,
// then the null move; the result kind is kept in the game record.
TEST_F(DriverTest, AFinishedGameAnswersTheNullMoveAndKeepsItsResultKind) {
    struct Case {
        const char* fen;
        uint16_t result_flags;
        const char* score;
    };
    const Case cases[] = {
        {"rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3", 0x580, " score mate 0\n"},
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 0xC80, " score cp 0\n"},
        // Stalemate with a pinned knight: its moves are generated, none is legal.
        {"k7/1nK5/1P6/3B4/8/8/8/8 b - - 0 1", 0xC80, " score cp 0\n"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(parse_fen(c.fen), 1) << c.fen;
        OutputCapture output;
        search_to_depth(3);
        std::string text = output.text();
        size_t score = text.find(c.score);
        EXPECT_NE(score, std::string::npos) << text;
        EXPECT_LT(score, text.find("\ninfo time ")) << text;
        EXPECT_NE(text.find("\nbestmove 0000 \n"), std::string::npos) << text;
        EXPECT_EQ(current_game_record->ply_flags & c.result_flags, c.result_flags) << c.fen;
    }
}

// Searches started through the dispatcher, as "go" starts them, with input
// answered by the test: the first poll of each search (made before its first
// iteration) takes a snapshot of the values the search runs on, and a
// search that waits for "stop" gets it.
class DriverSearchesTest : public DriverTest {
protected:
    struct Snapshot {
        bool taken;
        DriverState driver;
        int64_t time_extension;
        int iterations_without_change;
        int reference_score, reference_score_change;
        int best_move_changes;
        uint32_t ponder_offset;
    };
    void SetUp() override {
        DriverTest::SetUp();
        saved_services_ = search_services;
        saved_input_mode_ = input_mode;
        saved_protocol_ = protocol_state;
        protocol_state = PROTOCOL_UCI;
        input_mode = '2';
        search_services.has_pending_input = [] {
            if (!snapshot.taken)
                snapshot = {true, driver_state, time_extension_ms, iterations_without_change, reference_score,
                            reference_score_change, best_move_changes, ponder_offset_ms};
            bool waits = search_mode == SEARCH_MODE_INFINITE || search_mode == SEARCH_MODE_PONDER;
            return int(waits && driver_state.iterations_done >= 1);
        };
        search_services.process_input = [] { stop_running_search(); };
    }
    void TearDown() override {
        search_services = saved_services_;
        input_mode = saved_input_mode_;
        protocol_state = saved_protocol_;
        set_move_time(int(DEFAULT_TIME_CAP_MS));
        DriverTest::TearDown();
    }
    static auto driver_values(const DriverState& d) {
        return std::make_tuple(d.iterations_done, d.root_score, d.lowest_score, d.highest_score, d.second_score,
                               d.easy_move, d.iteration_nodes, d.best_move_nodes, d.smoothed_share,
                               d.learned_result);
    }
    static inline Snapshot snapshot{};
    SearchServices saved_services_{};
    char saved_input_mode_ = 0;
    int saved_protocol_ = 0;
};

// Every "go" starts the values that one search sets and the next would read
// afresh: the kinds of search in a row (analysis, then play, as an interface
// gives a hint and then plays), each after the values were spoilt beyond
// anything a search leaves.
TEST_F(DriverSearchesTest, EveryGoStartsThePerSearchValuesAfresh) {
    const char* const searches[] = {"go depth 4",  "go movetime 30", "go infinite",
                                    "go ponder wtime 1000 btime 1000", "go wtime 10000 btime 10000", "go depth 3"};
    OutputCapture output;
    for (const char* go : searches) {
        dispatch_command("position fen rnb1k1nr/ppp1pp2/6pp/1P1p2B1/2Pb4/5P1N/P3P1Pq/RN1QKB1R b KQkq - 0 10");
        driver_state = DriverState{9, 500, -700, 700, -900, true, 12345, 6789, 88, true};
        time_extension_ms = -119000000;
        iterations_without_change = 6;
        reference_score = 333;
        reference_score_change = -44;
        best_move_changes = 5;
        ponder_offset_ms = 2500;
        snapshot.taken = false;
        dispatch_command(go);
        ASSERT_TRUE(snapshot.taken) << go;
        EXPECT_EQ(driver_values(snapshot.driver), driver_values(DriverState{})) << go;
        EXPECT_EQ(snapshot.time_extension, 0) << go;
        EXPECT_EQ(snapshot.iterations_without_change, 0) << go;
        EXPECT_EQ(snapshot.reference_score, 0) << go;
        EXPECT_EQ(snapshot.reference_score_change, 0) << go;
        EXPECT_EQ(snapshot.best_move_changes, 0) << go;
        EXPECT_EQ(snapshot.ponder_offset, 0u) << go;
        EXPECT_GE(last_search_depth(), 1) << go;
    }
    EXPECT_EQ(last_search_depth(), 3);
}

// The opening's time bonus counts from the engine's first search of a game:
// a new game, announced by "ucinewgame" or found by "position", starts that
// count again; the same game keeps it.
TEST_F(DriverSearchesTest, TheFirstSearchOfEveryGameIsKnownAsSuch) {
    struct Case {
        const char* between;  // a command before the second game's position, or none
        const char* position;
        int book_exit_ply;
    };
    const Case cases[] = {
        {nullptr, "position startpos moves e2e4 e7e5 g1f3 b8c6", 1},  // the first game goes on
        {"ucinewgame", "position startpos moves e2e4 e7e5 g1f3 b8c6", 3},
        {nullptr, "position startpos moves d2d4 d7d5 c2c4 e7e6", 3},  // another game's moves
    };
    OutputCapture output;
    for (const Case& c : cases) {
        dispatch_command("ucinewgame");
        dispatch_command("position startpos moves e2e4 e7e5");
        dispatch_command("go depth 1");
        EXPECT_EQ(last_book_ply, 1);
        if (c.between) dispatch_command(c.between);
        dispatch_command(c.position);
        dispatch_command("go depth 1");
        EXPECT_EQ(last_book_ply, c.book_exit_ply) << (c.between ? c.between : "") << " " << c.position;
    }
}

// The search's tables come from its own root, whatever the engine evaluated
// before: the White pawn table at e4 (row value 22) is (22 x 16) / 16 - 8 =
// 14 with full material (phase 16) and (22 x 8) / 16 - 8 + 8 = 11 in a rook
// ending (phase 1). Each search is preceded by one of the other phase.
TEST_F(DriverTest, TheTablesFollowTheRootsOwnPhase) {
    constexpr int E4 = 28;
    const char* full = "rnbqkbnr/1ppppp1p/p5p1/8/8/P6P/1PPPPPP1/RNBQKBNR w KQkq - 0 3";
    const char* rooks = "8/5k2/8/3P4/8/2K5/6r1/3R4 w - - 0 1";
    OutputCapture output;
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(parse_fen(rooks), 1);
        search_to_depth(3);
        EXPECT_EQ(square_table(PAWN, WHITE)[E4], 11) << "round " << round;
        ASSERT_EQ(parse_fen(full), 1);
        search_to_depth(3);
        EXPECT_EQ(square_table(PAWN, WHITE)[E4], 14) << "round " << round;
    }
}

// A cached evaluation is only as good as the tables it was made with: the
// age moves when the tables change (here with the same material on both
// sides, only a pawn moved, which changes the king-to-pawns tables of an
// ending) and stays when the same root is searched again.
TEST_F(DriverTest, TheEvaluationCacheAgesWhenTheTablesChange) {
    OutputCapture output;
    ASSERT_EQ(parse_fen("8/5k2/8/3P4/8/2K5/6r1/3R4 w - - 0 1"), 1);
    search_to_depth(2);
    const uint8_t first = eval_cache_age;
    ASSERT_EQ(parse_fen("8/5k2/8/3P4/8/2K5/6r1/3R4 w - - 0 1"), 1);
    search_to_depth(2);
    EXPECT_EQ(eval_cache_age, first);
    ASSERT_EQ(parse_fen("8/5k2/8/8/3P4/2K5/6r1/3R4 w - - 0 1"), 1);
    search_to_depth(2);
    EXPECT_NE(eval_cache_age, first);
}

}  // namespace
