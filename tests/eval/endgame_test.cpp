// Known endgame results through the whole evaluation, and the rules of the
// specialised endgame terms on positions that show them.
#include <gtest/gtest.h>

#include "eval/endgame.h"
#include "eval_fixture.h"

namespace {

using namespace eval_test;

// The score evaluate gives a drawn position: the material difference in
// pawns plus the draw score (0 in these tests).
int draw_result() {
    const Position& p = main_position;
    return (p.material[p.side] - p.material[p.side ^ 1]) >> 7;
}

uint32_t kind_of_root() { return root_flags() & PLY_KIND_MASK; }

class EndgameTest : public ::testing::Test {
protected:
    NoEvalCache no_cache_;

    int eval(const char* fen) {
        bool ok = false;
        const int score = evaluate_fen(fen, &ok);
        EXPECT_TRUE(ok) << fen;
        return score;
    }
    void load(const char* fen) {
        ASSERT_EQ(load_test_board(fen), 1) << fen;
        prepare_root();
    }
};

TEST_F(EndgameTest, DrawnMaterialScoresAsDraw) {
    struct Case {
        const char* fen;
        uint32_t kind;
    } cases[] = {
        {"8/8/8/3k4/8/8/8/KN6 w - - 0 1", KIND_DRAWN_MATERIAL},
        {"8/8/8/3k4/8/8/8/KN6 b - - 0 1", KIND_DRAWN_MATERIAL},
        {"8/8/8/3k4/8/8/2B5/K7 w - - 0 1", KIND_DRAWN_MATERIAL},
        {"8/8/8/3k4/8/8/8/KNN5 w - - 0 1", KIND_DRAWN_MATERIAL},
        {"8/8/8/8/8/8/8/k6K w - - 0 1", KIND_DRAWN_MATERIAL},
    };
    for (const Case& c : cases) {
        const int score = eval(c.fen);
        EXPECT_EQ(kind_of_root(), c.kind) << c.fen;
        EXPECT_EQ(score, draw_result()) << c.fen;
    }
    // Two knights with the lone king in the corner: the plain draw score.
    EXPECT_EQ(eval("k7/8/8/8/8/8/8/KNN5 w - - 0 1"), 0);
}

TEST_F(EndgameTest, WrongBishopWithRookPawnAgainstTheCorneredKingDraws) {
    // h8 is dark: a light bishop cannot drive the king out.
    const int wrong = eval("7k/8/6K1/7P/8/8/8/1B6 w - - 0 1");
    EXPECT_EQ(kind_of_root(), KIND_DRAWN);
    EXPECT_EQ(wrong, draw_result());
    const int wrong_a_file = eval("k7/8/1K6/P7/8/8/8/2B5 b - - 0 1");
    EXPECT_EQ(kind_of_root(), KIND_DRAWN);
    EXPECT_EQ(wrong_a_file, draw_result());

    // The right bishop, or the defender still far from the corner, wins.
    EXPECT_GT(eval("7k/8/6K1/7P/8/8/8/2B5 w - - 0 1"), 500);
    EXPECT_EQ(kind_of_root(), 0u);
    EXPECT_GT(eval("8/8/8/7P/8/k7/8/1B4K1 w - - 0 1"), 500);
    EXPECT_EQ(kind_of_root(), 0u);
}

TEST_F(EndgameTest, WrongBishopRuleNeedsTheBishopOnTheStrongerSide) {
    // Five a-pawns against bishop and pawn: the stronger side has no bishop,
    // so there is no wrong bishop to scale by.
    load("k7/b6p/P7/P7/P7/P7/P7/2K5 w - - 0 1");
    int scale = 8, kind = 0;
    EXPECT_EQ(eval_bishop_pawns_ending(&main_position, WHITE, WHITE, &scale, &kind), 0);
    EXPECT_EQ(scale, 8);
    EXPECT_EQ(kind, 0);
    // The defender's corner with the wrong bishop on the stronger side.
    load("k7/7p/P7/8/8/8/8/2B1K3 w - - 0 1");
    EXPECT_EQ(eval_bishop_pawns_ending(&main_position, WHITE, WHITE, &scale, &kind), 0);
    EXPECT_EQ(scale, 0);
    EXPECT_EQ(kind, 0) << "the defender still has a pawn";
}

TEST_F(EndgameTest, BishopAndKnightDriveTheKingToTheBishopsCorner) {
    // Light bishop: a8 and h1 are its corners; dark bishop: a1 and h8.
    const int light_right = eval("k7/8/2K5/8/3N4/8/8/1B6 w - - 0 1");
    const int light_wrong = eval("7k/8/5K2/8/4N3/8/8/1B6 w - - 0 1");
    EXPECT_GT(light_right, light_wrong);
    const int dark_right = eval("7k/8/5K2/8/4N3/8/8/2B5 w - - 0 1");
    const int dark_wrong = eval("k7/8/2K5/8/3N4/8/8/6B1 w - - 0 1");
    EXPECT_GT(dark_right, dark_wrong);
    // Whatever the corner, the side with the pieces is far ahead.
    EXPECT_GT(light_wrong, 1000);
}

TEST_F(EndgameTest, KingAndPawnAgainstKingFollowsTheBitbase) {
    // Drawn: the defender in front of the pawn with the opposition.
    eval("8/8/8/4k3/8/8/4P3/4K3 w - - 0 1");
    EXPECT_EQ(kind_of_root(), KIND_DRAWN);
    // Won with White to move, stalemate with Black to move.
    const int won = eval("4k3/4P3/4K3/8/8/8/8/8 w - - 0 1");
    EXPECT_EQ(kind_of_root(), KIND_WON);
    EXPECT_GT(won, 700);
    eval("4k3/4P3/4K3/8/8/8/8/8 b - - 0 1");
    EXPECT_EQ(kind_of_root(), KIND_STALEMATE);
    // Lost for the defender to move: the score is negative for it.
    const int lost = eval("8/8/8/4K3/4P3/8/8/k7 b - - 0 1");
    EXPECT_EQ(kind_of_root(), KIND_LOST);
    EXPECT_LT(lost, -700);
    // The value grows as the pawn advances, so the search pushes it.
    const int far_back = eval("8/8/8/8/4P3/8/k7/4K3 w - - 0 1");
    const int advanced = eval("8/8/4P3/8/8/8/k7/4K3 w - - 0 1");
    EXPECT_GT(advanced, far_back);
}

TEST_F(EndgameTest, PawnEndgames) {
    // Doubled rook pawns with the defender in the corner.
    eval("k7/8/8/8/P7/P7/8/4K3 w - - 0 1");
    EXPECT_EQ(kind_of_root(), KIND_DRAWN);
    // An outside passer the black king cannot catch wins the race; the same
    // pawn with the black king in its square is worth much less.
    const int runs = eval("7k/7p/8/8/P7/8/8/6K1 w - - 0 1");
    const int caught = eval("8/1k5p/8/8/P7/8/8/6K1 w - - 0 1");
    EXPECT_GT(runs, 600);
    EXPECT_GT(runs, caught + 400);
}

TEST_F(EndgameTest, PawnOnTheSeventhAgainstQueen) {
    // The queen already on the promotion square: the race value plus 96
    // (pawn king one file from the pawn and two ranks from a1, the queen's
    // king six files away).
    load("8/8/8/8/8/1k6/p7/Q5K1 w - - 0 1");
    int kind = 0;
    EXPECT_EQ(eval_pawn_promotion_race(&main_position, WHITE, WHITE, &kind), 2 * (1 + 2 - 0 - 6) + 96);
    EXPECT_EQ(kind, 0);
    // Rook pawn on the seventh with its king next to the corner and the
    // queen's king far away: the known draw.
    eval("8/7Q/8/8/8/8/pk6/6K1 w - - 0 1");
    EXPECT_EQ(kind_of_root(), KIND_DRAWN);
    // With the queen's king close it is won.
    eval("8/7Q/8/8/8/3K4/pk6/8 w - - 0 1");
    EXPECT_EQ(kind_of_root(), 0u);
}

TEST_F(EndgameTest, RookPawnAgainstRookDefences) {
    struct Case {
        const char* fen;
        int scale;
    } cases[] = {
        // Defender on the promotion square, its rook on the third rank in
        // front of the pawn, the attacking king behind it.
        {"4k3/8/r7/4P3/4K3/8/8/4R3 w - - 0 1", 4},
        {"4r3/8/8/4k3/4p3/R7/8/4K3 b - - 0 1", 4},  // the same for Black, mirrored
        // The defending rook elsewhere: no reduction.
        {"4k3/8/8/4P3/4K3/8/r7/4R3 w - - 0 1", 8},
        // A knight pawn halves by itself.
        {"1k6/8/8/1P6/1K6/8/r7/4R3 w - - 0 1", 4},
    };
    for (const Case& c : cases) {
        load(c.fen);
        int scale = 8;
        eval_rook_pawn_vs_rook(&main_position, main_position.side, &scale);
        EXPECT_EQ(scale, c.scale) << c.fen;
    }
}

TEST_F(EndgameTest, OppositeBishopsBlockade) {
    struct Case {
        const char* fen;
        int scale;
    } cases[] = {
        {"7k/8/8/8/8/3P4/2B5/2K1b3 w - - 0 1", 0},   // opposite bishops, pawn far back
        {"7k/8/8/8/8/3P4/2B5/2K2b2 w - - 0 1", 8},   // bishops of one colour
        {"8/8/8/3k4/8/3P4/2B5/2K2b2 w - - 0 1", 0},  // the king in front of the pawn
        {"7k/8/8/3P4/8/8/2B5/2K2b2 w - - 0 1", 8},   // same colours, pawn on the fifth
    };
    for (const Case& c : cases) {
        load(c.fen);
        int scale = 8;
        eval_blocked_pawns(&main_position, WHITE, &scale);
        EXPECT_EQ(scale, c.scale) << c.fen;
    }
}

}  // namespace
