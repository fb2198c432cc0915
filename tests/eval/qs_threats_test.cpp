// The threat tests that the quiescence search and the evaluation share:
// promotion threats, men that cannot all be kept, and mating nets.
#include "eval/qs_threats.h"

#include <gtest/gtest.h>

#include "eval/evaluate.h"
#include "eval_fixture.h"
#include "position/position.h"

namespace {

using namespace eval_test;

class QsThreats : public ::testing::Test {
protected:
    // The position, prepared as a search root would be.
    Position* set(const char* fen) {
        EXPECT_EQ(load_test_board(fen), 1) << fen;
        prepare_root();
        return &main_position;
    }
};

TEST_F(QsThreats, PromotionThreatOfTheOpponent) {
    // Black's pawn on a2 queens unopposed; with a white rook on a1 it cannot.
    Position* pos = set("4k3/8/8/8/8/8/p7/4K3 w - - 0 1");
    EXPECT_GT(qs_pawn_threats(pos, WHITE, 0, 0), 500);
    pos = set("4k3/8/8/8/8/8/p7/R3K3 w - - 0 1");
    EXPECT_EQ(qs_pawn_threats(pos, WHITE, 0, 0), 0);
}

TEST_F(QsThreats, TwoHangingMenCannotBothBeKept) {
    // The knight on d5 forks White's two rooks.
    Position* pos = set("7k/8/8/3n4/8/2R1R3/8/4K3 w - - 0 1");
    EXPECT_EQ(qs_threat_pair(pos, WHITE, 100), 1);
    // One attacked rook that can step to a safe square escapes.
    pos = set("7k/8/8/3n4/8/4R3/8/4K3 w - - 0 1");
    EXPECT_EQ(can_escape_threat(E3, pos, WHITE, pos->hanging[E3]), 0);
    EXPECT_EQ(qs_threat_pair(pos, WHITE, 100), 0);
}

TEST_F(QsThreats, MatingNetAroundTheKing) {
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
