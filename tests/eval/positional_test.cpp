// The positional terms on positions that show one rule each: mating
// threats against the king, promotion threats of passed pawns, threats
// against men, the shut-in bishop, and the limits of the tables.
#include <gtest/gtest.h>

#include "eval/endgame.h"
#include "eval/eval_constants.h"
#include "eval/king_safety.h"
#include "eval/pawn_facts.h"
#include "eval/pawns.h"
#include "eval/pieces.h"
#include "eval/threats.h"
#include "eval_fixture.h"

namespace {

using namespace eval_test;

class PositionalTest : public ::testing::Test {
protected:
    NoEvalCache no_cache_;

    void load(const char* fen) {
        ASSERT_EQ(load_test_board(fen), 1) << fen;
        prepare_root();
    }
};

TEST(EvalConstantsTest, KingDangerRisesThenStaysAtItsLimit) {
    EXPECT_EQ(KING_DANGER[0], 0);
    EXPECT_EQ(KING_DANGER[14], 225);
    EXPECT_EQ(KING_DANGER[15], 256);
    EXPECT_EQ(KING_DANGER[16], 288);
    EXPECT_EQ(KING_DANGER[26], 608);
    EXPECT_EQ(KING_DANGER[27], 640);
    EXPECT_EQ(KING_DANGER[63], 640);
    for (int i = 1; i < 64; ++i) EXPECT_GE(KING_DANGER[i], KING_DANGER[i - 1]) << i;
}

TEST_F(PositionalTest, BackRankMateThreatMarksTheKing) {
    // Black's king is shut in by its own pawns; Ra1-a8 would mate.
    const char* fen = "6k1/5ppp/8/8/7q/8/2Q2PPP/R5K1 b - - 0 1";
    bool ok = false;
    evaluate_fen(fen, &ok);
    ASSERT_TRUE(ok);
    EXPECT_TRUE(root_flags() & 0x2) << "mate-threat bit of Black";
    EXPECT_TRUE(root_flags() & 0x8) << "king-attack bit of Black";
    EXPECT_FALSE(root_flags() & 0x5) << "nothing against White";
    EXPECT_EQ(main_position.threat_first[BLACK], 1248);
    // Black is to move: a mating move (Ra8 or Qc8) is kept for the search.
    const int threat = current_ply_record(&main_position)->threat_move & 0xFFF;
    EXPECT_TRUE(threat == encode_move(A1, A8, MK_QUIET) || threat == encode_move(C2, C8, MK_QUIET)) << threat;

    // With White to move the bit is set but no threat move is stored.
    evaluate_fen("6k1/5ppp/8/8/7q/8/2Q2PPP/R5K1 w - - 0 1", &ok);
    ASSERT_TRUE(ok);
    EXPECT_TRUE(root_flags() & 0x2);
    EXPECT_EQ(current_ply_record(&main_position)->threat_move, NO_MOVE);

    // With luft on g7 there is no mate threat.
    evaluate_fen("6k1/5p1p/6p1/8/7q/8/2Q2PPP/R5K1 b - - 0 1", &ok);
    ASSERT_TRUE(ok);
    EXPECT_FALSE(root_flags() & 0x2);
}

TEST_F(PositionalTest, PasserOnTheSeventhThreatensToPromote) {
    bool ok = false;
    // Nothing of Black's holds a8.
    evaluate_fen("6k1/P4ppp/8/8/3r4/7K/5PPP/8 w - - 0 1", &ok);
    ASSERT_TRUE(ok);
    EXPECT_GT(main_position.threat_first[BLACK], 0);
    // The black rook behind the pawn on the a-file controls the promotion
    // square through it.
    evaluate_fen("6k1/P4ppp/8/8/8/7K/5PPP/r7 w - - 0 1", &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(main_position.threat_first[BLACK], 0);
}

TEST_F(PositionalTest, ThreatsAgainstMen) {
    bool ok = false;
    // A pawn fork: both knights hang; the smaller of the two threats is
    // the one a side cannot parry.
    evaluate_fen("4k3/8/8/4p3/3N1N2/8/8/4K3 w - - 0 1", &ok);
    ASSERT_TRUE(ok);
    EXPECT_GT(main_position.threat_first[WHITE], 0);
    EXPECT_GT(main_position.threat_second[WHITE], 0);
    // One knight attacked and able to move away: a single threat.
    evaluate_fen("4k3/8/8/4p3/3N4/8/8/4K3 w - - 0 1", &ok);
    ASSERT_TRUE(ok);
    EXPECT_GT(main_position.threat_first[WHITE], 0);
    EXPECT_EQ(main_position.threat_second[WHITE], 0);
    // A knight attacked by a rook whose every move takes a defended pawn:
    // it hangs whole, and its best escape still loses the knight for a pawn.
    evaluate_fen("4k2N/5p2/6p1/8/8/8/3K4/7r w - - 0 1", &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(main_position.threat_first[WHITE], 416);
    EXPECT_EQ(main_position.threat_second[WHITE], 416 - 128);
}

TEST_F(PositionalTest, ShutInBishopCostsLessWhenTheOtherSideStartedTheSearch) {
    // The white bishop on a7 has no free forward square (b8 holds its own
    // knight): the penalty of its rank, halved when Black is the root side.
    load("1N2k3/B7/8/8/8/8/8/4K3 w - - 0 1");
    root_side_to_move = WHITE;
    const int own_root = eval_bishop_rays(&main_position, A7, WHITE);
    root_side_to_move = BLACK;
    const int other_root = eval_bishop_rays(&main_position, A7, WHITE);
    EXPECT_EQ(other_root - own_root, BISHOP_FORWARD_BLOCKED[6] - (BISHOP_FORWARD_BLOCKED[6] >> 1));
}

TEST_F(PositionalTest, PawnStructureWithoutPawnsIsZero) {
    load("4k3/pppppppp/8/8/8/8/PPPPPPPP/4K3 w - - 0 1");
    eval_pawn_structure(&main_position, 1, 0);
    EXPECT_GT(main_position.pawn_colour_weights[WHITE][0] + main_position.pawn_colour_weights[WHITE][1], 0);
    load("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
    main_position.pawn_colour_weights[WHITE][0] = 7;  // left over from an earlier position
    EXPECT_EQ(eval_pawn_structure(&main_position, 1, 0), 0);
    for (int side = 0; side < 2; ++side)
        for (int colour = 0; colour < 2; ++colour) EXPECT_EQ(main_position.pawn_colour_weights[side][colour], 0);
}

TEST_F(PositionalTest, KingAttackWithManyQueensStaysWithinTheTable) {
    // Enough attackers to push the attack weight far past the end of the
    // danger table: the last entry is used.
    load("7K/4Q3/2Q5/1Q3Q2/3k4/5Q2/2Q1Q2Q/r4Q2 b - - 0 1");
    const int d = eval_king_attack(&main_position, BLACK);
    EXPECT_LT(d, -KING_DANGER[63]);
    EXPECT_GT(d, -4000);
}

TEST_F(PositionalTest, LineChecksWeighDefenceBetweenKingAndCheckSquare) {
    // White's king on g1 against Black's line men; what a check square is
    // worth depends on what stands and who defends between it and the king.
    struct Case {
        const char* fen;
        int attack;          // eval_king_attack for White
        uint32_t flags;      // mate-threat (0x1) and king-attack (0x4) bits of White
    };
    const Case cases[] = {
        // A distant check square on the long diagonal (Qc5+), the squares
        // before it defended twice by White: the check counts less.
        {"6k1/2q5/8/8/8/8/3Q2PP/4R1K1 w - - 0 1", -25, 0},
        // The same check square with no White defender between.
        {"6k1/2q5/8/8/8/8/6PP/6K1 w - - 0 1", -97, 0},
        // A contact check on f2 that only the king could take, and may not.
        {"6k1/8/5q2/8/7b/8/6PP/6K1 w - - 0 1", -275, 0x5},
        // The same by taking the knight on f2.
        {"6k1/8/5q2/2b5/8/8/5NPP/6K1 w - - 0 1", -165, 0x5},
        // A black man the queen backs up stands on the king's file, the
        // square before it defended twice.
        {"6k1/6q1/8/8/8/6n1/R6P/6K1 w - - 0 1", -37, 0},
    };
    for (const Case& c : cases) {
        load(c.fen);
        current_ply_record(&main_position)->flags = 0;
        current_ply_record(&main_position)->threat_move = NO_MOVE;
        const int attack = eval_king_attack(&main_position, WHITE);
        EXPECT_EQ(attack, c.attack) << c.fen;
        EXPECT_EQ(current_ply_record(&main_position)->flags & 0xF, c.flags) << c.fen;
    }
}

TEST_F(PositionalTest, TiedDefendersPayForTheMenTheyGuard) {
    // White's knight on d4, attacked by Black's rooks and safe only while
    // its defenders stay: the threats term for White and the two largest
    // threats against White, pinned to the evaluation's values.
    struct Case {
        const char* fen;
        int threats;  // eval_piece_threats, White's view
        int first;    // threat_first[WHITE]
        int second;   // threat_second[WHITE]
    };
    const Case cases[] = {
        // One tied pawn defender.
        {"3r3k/8/8/8/3N4/2P5/8/7K w - - 0 1", -7, 0, 0},
        // The tied pawn hangs itself to the bishop.
        {"3r3k/8/8/b7/3N4/2P5/8/7K w - - 0 1", -23, 128, 128},
        // Defenders of two kinds against two rooks.
        {"3r3k/3r4/8/8/3N4/2P5/8/3R3K w - - 0 1", -21, 0, 0},
        // A rook defender with a second rook behind it (an x-ray defender)
        // against two rooks.
        {"3r3k/3r4/8/8/3N4/8/3R4/3R3K w - - 0 1", -23, 0, 0},
        // The x-ray defender is tied as well when a third attacker comes.
        {"3r3k/3r4/8/8/q2N4/8/3R4/3R3K w - - 0 1", -27, 416, 0},
    };
    for (const Case& c : cases) {
        load(c.fen);
        for (int side : {WHITE, BLACK}) main_position.threat_first[side] = main_position.threat_second[side] = 0;
        EXPECT_EQ(eval_piece_threats(&main_position), c.threats) << c.fen;
        EXPECT_EQ(main_position.threat_first[WHITE], c.first) << c.fen;
        EXPECT_EQ(main_position.threat_second[WHITE], c.second) << c.fen;
    }
}

TEST_F(PositionalTest, MoreMaterialGivesTheMopUpToTheStrongerSide) {
    // Queen and rook against a knight: the defending king is better in the
    // centre than in the corner.
    bool ok = false;
    const int corner = evaluate_fen("n6k/8/5K2/8/8/8/Q7/1R6 w - - 0 1", &ok);
    ASSERT_TRUE(ok);
    const int centre = evaluate_fen("n7/8/8/4k3/8/5K2/Q7/1R6 w - - 0 1", &ok);
    ASSERT_TRUE(ok);
    EXPECT_GT(corner, centre);
}

// Rules whose conditions are easy to get subtly wrong, each on positions
// with the term it must give (White's side unless said):
// - the bare-king ending visits the stronger side's pawns from the highest
//   slot down, and its unstoppable-pawn test reads the running sum, so the
//   order decides the result;
// - a passer counts as passed whether supported or weak;
// - the castling shelter files of an unmoved king hang on the a-side rook;
// - two pawns more against a rook's worth (896 against 640) costs 64
//   whatever the men, and a rook and one pawn against a rook costs nothing.
TEST_F(PositionalTest, RulesGiveTheirTerms) {
    enum Term { BARE_KING_ENDING, PASSED_PAWNS, CASTLING_FILES, MATERIAL_CORRECTION };
    struct Case {
        const char* fen;
        Term term;
        int expected;
    };
    const Case cases[] = {
        {"4K3/6P1/2P5/8/8/8/8/4Bk2 b - - 0 1", BARE_KING_ENDING, -1813},
        // d5 supported by c4, c4 weak (unsupported, its front unguarded):
        // both pass; an isolated passer too; a pawn with an enemy pawn in
        // front on the next file does not.
        {"4k3/8/8/3P4/2P5/8/8/4K3 w - - 0 1", PASSED_PAWNS, 2},
        {"4k3/8/8/3P4/8/8/8/4K3 w - - 0 1", PASSED_PAWNS, 1},
        {"4k3/4p3/8/3P4/8/8/8/4K3 w - - 0 1", PASSED_PAWNS, 0},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", CASTLING_FILES, 0xE3},
        {"r3k2r/8/8/8/8/8/8/R3K2R w Qkq - 0 1", CASTLING_FILES, 0x3B},
        {"r3k2r/8/8/8/8/8/8/R3K2R w Kkq - 0 1", CASTLING_FILES, 0},
        {"4k2r/8/8/8/8/8/PP6/R3K3 w - - 0 1", MATERIAL_CORRECTION, -64},   // rook and two pawns against a rook
        {"4k2r/8/8/8/8/8/PPPPPPP1/4K3 w - - 0 1", MATERIAL_CORRECTION, -64},  // seven pawns against a rook
        {"4k3/ppppp3/8/8/8/8/PP6/R3K3 w - - 0 1", MATERIAL_CORRECTION, -64},  // against five pawns
        {"r3k3/pp6/8/8/8/8/8/4K2R w - - 0 1", MATERIAL_CORRECTION, 64},       // Black the stronger
        {"4k2r/8/8/8/8/8/P7/R3K3 w - - 0 1", MATERIAL_CORRECTION, 0},
    };
    for (const Case& c : cases) {
        load(c.fen);
        if (HasFatalFailure()) return;
        Position* pos = &main_position;
        const int strong = pos->material[WHITE] >= pos->material[BLACK] ? WHITE : BLACK;
        int got = 0;
        switch (c.term) {
        case BARE_KING_ENDING:
            got = eval_bare_king_ending(pos, strong, pos->side);
            break;
        case PASSED_PAWNS: {
            const PawnSideFacts& facts = pawn_facts(pos)[WHITE];
            const int pawns = bit_count(pos->pawn_slots[WHITE] & pos->slots[WHITE]);
            for (int i = 0; i < pawns; ++i) got += (facts.flags[i] & PAWN_PASSED) != 0;
            break;
        }
        case CASTLING_FILES:
            got = castling_files(pos, WHITE);
            break;
        case MATERIAL_CORRECTION:
            got = eval_material_corrections(pos, strong);
            break;
        }
        EXPECT_EQ(got, c.expected) << c.fen;
    }
}

}  // namespace
