// The quiescence search at the horizon: stand pat, winning and losing
// captures, mate in check, and the threat tests it shares with the
// evaluation.
#include <gtest/gtest.h>

#include "eval/evaluate.h"
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
#include "game/game_history.h"

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

TEST_F(Qsearch, PromotionThreatOfTheOpponent) {
    // Black's pawn on a2 queens unopposed; with a white rook on a1 it cannot.
    Position* pos = set("4k3/8/8/8/8/8/p7/4K3 w - - 0 1");
    EXPECT_GT(qs_pawn_threats(pos, WHITE, 0, 0), 500);
    pos = set("4k3/8/8/8/8/8/p7/R3K3 w - - 0 1");
    EXPECT_EQ(qs_pawn_threats(pos, WHITE, 0, 0), 0);
}

TEST_F(Qsearch, TwoHangingMenCannotBothBeKept) {
    // The knight on d5 forks White's two rooks.
    Position* pos = set("7k/8/8/3n4/8/2R1R3/8/4K3 w - - 0 1");
    EXPECT_EQ(qs_threat_pair(pos, WHITE, 100), 1);
    // One attacked rook that can step to a safe square escapes.
    pos = set("7k/8/8/3n4/8/4R3/8/4K3 w - - 0 1");
    EXPECT_EQ(can_escape_threat(E3, pos, WHITE, pos->hanging[E3]), 0);
    EXPECT_EQ(qs_threat_pair(pos, WHITE, 100), 0);
}

TEST_F(Qsearch, MatingNetAroundTheKing) {
    // White's queen, backed by the bishop behind it, mates on g7 or h8:
    // Black's king is in a net.
    Position* pos = set("6k1/5p1p/6p1/8/3Q4/2B5/8/6K1 b - - 0 1");
    PlyRecord* rec = current_ply_record(pos);
    rec->flags &= ~PLY_THREAT_BITS;
    rec->threat_move = NO_MOVE;
    EXPECT_EQ(king_escape_squares(pos, BLACK), 1);
    EXPECT_TRUE(rec->flags & mate_threat_bit(BLACK));
    EXPECT_TRUE(rec->flags & king_attack_bit(BLACK));
    EXPECT_EQ(move_from(rec->threat_move), D4);
    EXPECT_TRUE(move_to(rec->threat_move) == G7 || move_to(rec->threat_move) == H8);
    // Without the bishop the queen on g7 is taken.
    pos = set("6k1/5p1p/6p1/8/3Q4/8/8/6K1 b - - 0 1");
    rec = current_ply_record(pos);
    rec->flags &= ~PLY_THREAT_BITS;
    EXPECT_EQ(king_escape_squares(pos, BLACK), 0);
    EXPECT_FALSE(rec->flags & mate_threat_bit(BLACK));
}

}  // namespace
