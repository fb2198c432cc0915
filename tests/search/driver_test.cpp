#include "search/driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/settings.h"
#include "game/game_history.h"
#include "output_capture.h"
#include "position/position.h"
#include "search/time_control.h"
#include "search/tt.h"
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

}  // namespace
