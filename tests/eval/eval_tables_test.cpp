// The tables prepare_evaluation builds from the root: piece-square tables by
// phase with the development corrections, the king-to-pawns proximity, the
// king drive table and the king wings.
#include "eval/eval_tables.h"

#include <gtest/gtest.h>

#include "eval/material.h"
#include "eval/square_rows.h"
#include "position/position.h"
#include "test_board.h"

namespace {

Position* prepared(const char* fen) {
    EXPECT_EQ(load_test_board(fen), 1) << fen;
    Position* pos = &main_position;
    reset_material_term(pos);
    eval_material(pos, 1);
    prepare_evaluation(pos);
    return pos;
}

class EvalTablesTest : public ::testing::Test {
protected:
    void SetUp() override { developed_minors[WHITE] = developed_minors[BLACK] = 0; }
};

TEST_F(EvalTablesTest, StartPositionGetsTheDevelopmentCorrectionsOnBothSides) {
    Position* pos = prepared("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    ASSERT_EQ(pos->phase, 16);
    struct Case {
        int kind, square, value;
    } cases[] = {
        {KNIGHT, B1, -20 - 14}, {KNIGHT, G1, -20 - 17}, {BISHOP, C1, -4 - 8}, {BISHOP, F1, -4 - 8},
        {KNIGHT, C3, 10},       {ROOK, A1, -1},         {QUEEN, D1, 0},
        {PAWN, E4, 22 - 8},     // (22 x 16) / 16 - 8
        {KING, E1, -12},        // (-12 x 16 + 10 x 1) >> 4
    };
    for (const Case& c : cases) {
        EXPECT_EQ(square_table(c.kind, WHITE)[c.square], c.value) << c.kind << " " << c.square;
        EXPECT_EQ(square_table(c.kind, BLACK)[c.square ^ 56], c.value) << c.kind << " " << (c.square ^ 56);
    }
    EXPECT_EQ(developed_minors[WHITE], 0);
    EXPECT_EQ(developed_minors[BLACK], 0);
}

TEST_F(EvalTablesTest, DevelopedSidesLoseTheCorrectionOnceTheOpeningIsOver) {
    // All four white minors have left home; Black's are still there.
    const char* fen = "rnbqkbnr/pppppppp/8/8/2BN1BN1/8/PPPPPPPP/R2QK2R w KQkq - 0 1";
    Position* pos = prepared(fen);
    EXPECT_EQ(developed_minors[WHITE], 4);
    EXPECT_EQ(developed_minors[BLACK], 0);
    EXPECT_EQ(square_table(KNIGHT, WHITE)[B1], -34);  // still the opening: ply below 17

    pos->ply = 30;
    prepare_evaluation(pos);
    EXPECT_EQ(square_table(KNIGHT, WHITE)[B1], -20);
    EXPECT_EQ(square_table(BISHOP, WHITE)[C1], -4);
    EXPECT_EQ(square_table(KNIGHT, BLACK)[B8], -34);  // Black has not developed
}

TEST_F(EvalTablesTest, EndingPawnTableAndTheKingToPawnProximity) {
    // King and pawn on e4 against king: phase 1, so the king tables get the
    // proximity value h = 6f - f x sum / pawns with f = 5.
    prepared("4k3/8/8/8/4P3/8/8/4K3 w - - 0 1");
    EXPECT_EQ(square_table(PAWN, WHITE)[E4], 11);  // (22 x 8) / 16 - 8 + 8
    // On e6, two squares in front of the pawn, the sum is 6 and h = 0; on a1
    // the sum is 44 and h = -190. The blended rows give 24 and -2 there.
    EXPECT_EQ(square_table(KING, WHITE)[E6], 24);
    EXPECT_EQ(square_table(KING, BLACK)[E6], 24);
    EXPECT_EQ(square_table(KING, WHITE)[A1], -2 - 190);
    EXPECT_EQ(square_table(KING, BLACK)[A1], -2 - 190);
}

TEST_F(EvalTablesTest, NoProximityInTheMiddleGameOrWithoutPawns) {
    for (const char* fen : {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "4k3/8/8/8/8/8/8/R3K3 w - - 0 1"}) {
        Position* pos = prepared(fen);
        int16_t blended[64];
        blend_square_rows(blended, KING_MIDDLE_ROW.data(), KING_END_ROW.data(), pos);
        for (int sq = 0; sq < 64; ++sq) {
            ASSERT_EQ(square_table(KING, WHITE)[sq], blended[sq]) << fen << " " << sq;
            ASSERT_EQ(square_table(KING, BLACK)[sq], blended[sq ^ 56]) << fen << " " << sq;
        }
    }
}

TEST_F(EvalTablesTest, KingDriveTableFollowsTheBishopOfBishopAndKnightAgainstKing) {
    struct Case {
        const char* fen;
        const int8_t* table;
    } cases[] = {
        {"4k3/8/8/8/8/8/8/2B1KN2 w - - 0 1", KING_DRIVE_DARK_CORNERS.data()},   // c1 is dark
        {"4k3/8/8/8/8/8/8/3BKN2 w - - 0 1", KING_DRIVE_LIGHT_CORNERS.data()},   // d1 is light
        {"2b1kn2/8/8/8/8/8/8/4K3 w - - 0 1", KING_DRIVE_LIGHT_CORNERS.data()},  // c8 is light
        {"4k3/8/8/8/8/8/4P3/2B1KN2 w - - 0 1", KING_DRIVE_CENTRE.data()},       // a pawn as well
        {"4k3/8/8/8/8/8/8/2R1K3 w - - 0 1", KING_DRIVE_CENTRE.data()},
    };
    for (const Case& c : cases) {
        prepared(c.fen);
        EXPECT_EQ(king_drive_table, c.table) << c.fen;
    }
    EXPECT_EQ(KING_DRIVE_DARK_CORNERS[A1], 1);
    EXPECT_EQ(KING_DRIVE_DARK_CORNERS[H8], 1);
    EXPECT_EQ(KING_DRIVE_LIGHT_CORNERS[H1], 1);
}

TEST_F(EvalTablesTest, KingWingsWithEnoughMaterial) {
    struct Case {
        const char* fen;
        uint8_t wing_white, wing_black, files_white, files_black;
    } cases[] = {
        {"2kqrn2/8/8/8/8/8/8/3QRNK1 w - - 0 1", KING_WING_OPPOSITE, KING_WING_OPPOSITE, 0x07, 0xE0},
        {"3qrnk1/8/8/8/8/8/8/3QRNK1 w - - 0 1", KING_WING_SAME, KING_WING_SAME, 0x07, 0x07},
        {"3qrnk1/8/8/8/8/8/8/3QKN2 w - - 0 1", KING_WING_NONE, KING_WING_SAME, 0x55, 0x07},  // e-file king
        {"2k5/8/8/8/8/8/8/5RK1 w - - 0 1", KING_WING_NONE, KING_WING_NONE, 0x55, 0x55},      // phase too low
    };
    for (const Case& c : cases) {
        far_wing_files[WHITE] = far_wing_files[BLACK] = 0x55;
        prepared(c.fen);
        EXPECT_EQ(king_wing[WHITE], c.wing_white) << c.fen;
        EXPECT_EQ(king_wing[BLACK], c.wing_black) << c.fen;
        EXPECT_EQ(far_wing_files[WHITE], c.files_white) << c.fen;
        EXPECT_EQ(far_wing_files[BLACK], c.files_black) << c.fen;
    }
}

}  // namespace
