// The quiescence search at the horizon: stand pat, winning and losing
// captures and mate in check.
#include <gtest/gtest.h>

#include "eval/evaluate.h"
#include "game/game_history.h"
#include "game/repetition.h"
#include "position/make.h"
#include "position/position.h"
#include "search/driver.h"
#include "search/polling.h"
#include "search/qsearch.h"
#include "search/root.h"
#include "search/search.h"
#include "search/search_constants.h"
#include "search/threads.h"
#include "search_fixture.h"

namespace {

class Qsearch : public ::testing::Test {
protected:
    void SetUp() override {
        prepare_search_engine();
        search_mode = SEARCH_MODE_INFINITE;
        stop_reason = 0;
        thread_slots[0].stop.store(0);
        poll_countdown = 1 << 30;
    }
    void TearDown() override { search_mode = SEARCH_MODE_IDLE; }

    // The position, prepared as a search root would be; the qsearch runs at ply 1.
    Position* set(const char* fen) {
        EXPECT_TRUE(set_search_position(fen));
        search_fixed_depth(0);  // root preparation only: evaluation tables, root material
        search_mode = SEARCH_MODE_INFINITE;
        reset_ply_stack(&main_position);
        root_game_ply = game_ply;
        // The root's own evaluation left its final-value flags on the record.
        current_ply_record(&main_position)->flags &= PLY_IN_CHECK | PLY_DISCOVERED_CHECK;
        return &main_position;
    }
};

TEST_F(Qsearch, QuietPositionStandsPat) {
    Position* pos = set("4k3/4p3/4P3/8/8/8/8/4K3 w - - 0 1");
    const int stand_pat = evaluate(pos, 1, 0, -SCORE_INFINITE, SCORE_INFINITE);
    const uint64_t nodes = pos->nodes;
    EXPECT_EQ(qsearch(pos, 1, 0, -SCORE_INFINITE, SCORE_INFINITE, 0), stand_pat);
    EXPECT_EQ(pos->nodes, nodes) << "a quiet position makes no move";
    EXPECT_EQ(pv_line(pos, 1)[0], NO_MOVE);
}

TEST_F(Qsearch, StandPatAtOrAboveBetaReturnsAtOnce) {
    Position* pos = set("4k3/8/8/3q4/4P3/8/8/4K3 w - - 0 1");  // a capture is there, but the window is low
    const int stand_pat = evaluate(pos, 1, 0, -SCORE_INFINITE, -5000);
    const uint64_t nodes = pos->nodes;
    const int score = qsearch(pos, 1, 0, -5001, -5000, 0);
    EXPECT_GE(score, -5000);
    EXPECT_EQ(score, stand_pat);
    EXPECT_EQ(pos->nodes, nodes);
}

TEST_F(Qsearch, TakesTheHangingQueen) {
    Position* pos = set("4k3/8/8/3q4/4P3/8/8/4K3 w - - 0 1");
    const int stand_pat = evaluate(pos, 1, 0, -SCORE_INFINITE, SCORE_INFINITE);
    const int score = qsearch(pos, 1, 0, -SCORE_INFINITE, SCORE_INFINITE, 0);
    EXPECT_GT(score, 0);
    EXPECT_GT(score, stand_pat + 800);
    EXPECT_EQ(move_text(pv_line(pos, 1)[0]), "e4d5");
}

TEST_F(Qsearch, DoesNotTakeADefendedPawnWithTheQueen) {
    Position* pos = set("4k3/8/2p5/3p4/8/8/8/3QK3 w - - 0 1");
    const int score = qsearch(pos, 1, 0, -SCORE_INFINITE, SCORE_INFINITE, 0);
    EXPECT_GT(score, 600) << "the queen is not given for a pawn";
    EXPECT_NE(move_text(pv_line(pos, 1)[0]), "d1d5");
}

TEST_F(Qsearch, InCheckWithoutEvasionIsMated) {
    Position* pos = set("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1");
    EXPECT_EQ(qsearch(pos, 1, 0, -SCORE_INFINITE, SCORE_INFINITE, 0), mated_score(1));
    EXPECT_EQ(qsearch(pos, 1, -3, -SCORE_INFINITE, SCORE_INFINITE, 0), mated_score(1));
}

}  // namespace
