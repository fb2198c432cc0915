// validate_move, gives_check, is_pinned and is_line_clear on telling
// positions. The walk tests check them against the generators everywhere;
// these name the cases that matter on their own.
#include <gtest/gtest.h>

#include <string>

#include "config/settings.h"
#include "move_list_helpers.h"
#include "position/geometry.h"
#include "position/move_tests.h"
#include "position/position.h"
#include "test_board.h"

namespace {

int square_of(const char* text) { return square_at(text[0] - 'a', text[1] - '1'); }

// A move word as a hash entry or a GUI could hand it in: from/to of the text
// plus whatever kind bits are given.
Move word(const char* text, int kind = MK_QUIET) {
    return encode_move(square_of(text), square_of(text + 2), kind);
}

struct ValidateCase {
    const char* name;
    const char* fen;
    Move input;
    int expected_kind;  // -1: rejected
};

const ValidateCase VALIDATE_CASES[] = {
    // Completion of plain from/to words.
    {"QuietPush", "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", word("e2e4"), MK_QUIET},
    {"CaptureCompleted", "4k3/8/8/3p4/8/8/8/3QK3 w - - 0 1", word("d1d5"), MK_CAPTURE},
    {"PromotionBecomesQueen", "8/4P3/8/8/8/8/k7/4K3 w - - 0 1", word("e7e8"), MK_PROMOTE_QUEEN},
    {"CapturingPromotionBecomesQueen", "3r4/4P3/8/8/8/8/k7/4K3 w - - 0 1", word("e7d8"), MK_PROMOTE_QUEEN},
    {"UnderPromotionKept", "3r4/4P3/8/8/8/8/k7/4K3 w - - 0 1", word("e7d8", MK_PROMOTE_KNIGHT),
     MK_PROMOTE_KNIGHT},
    {"EnPassantCompleted", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", word("e5d6"), MK_EN_PASSANT},
    {"KingStepToCastling", "4k3/8/8/8/8/8/8/4K2R w K - 0 1", word("e1g1"), MK_CASTLING},
    {"KingStepToLongCastling", "4k3/8/8/8/8/8/8/R3K3 w Q - 0 1", word("e1c1"), MK_CASTLING},
    {"BlackCastling", "r3k3/8/8/8/8/8/8/4K3 b q - 0 1", word("e8c8"), MK_CASTLING},
    // Moves the board does not allow.
    {"CastlingThroughAttack", "4k3/8/8/8/8/8/5r2/4K2R w K - 0 1", word("e1g1"), -1},
    {"CastlingOutOfCheck", "4k3/8/8/8/8/8/4r3/4K2R w K - 0 1", word("e1g1"), -1},
    {"CastlingWithoutRight", "4k3/8/8/8/8/8/8/4K2R w - - 0 1", word("e1g1"), -1},
    {"CastlingOverAMan", "4k3/8/8/8/8/8/8/R2QK3 w Q - 0 1", word("e1c1"), -1},
    {"KingTwoSquaresNotCastling", "4k3/8/8/8/8/8/8/4K3 w - - 0 1", word("e1e3"), -1},
    {"KingIntoAttack", "4k3/8/8/8/8/8/3r4/4K3 w - - 0 1", word("e1e2"), -1},
    {"KingTakesDefendedMan", "4k3/8/8/8/8/3r4/3r4/4K3 w - - 0 1", word("e1d2"), -1},
    {"PieceCannotReach", "4k3/8/8/8/8/8/2P5/1B2K3 w - - 0 1", word("b1d3"), -1},
    {"EmptyFromSquare", "4k3/8/8/8/8/8/8/4K3 w - - 0 1", word("d1d5"), -1},
    {"EnemyMan", "4k3/8/8/8/8/8/8/3qK3 w - - 0 1", word("d1d5"), -1},
    {"OwnManOnTarget", "4k3/8/8/8/8/8/3P4/3QK3 w - - 0 1", word("d1d2"), -1},
    {"BlockedDoublePush", "4k3/8/8/8/8/4n3/4P3/4K3 w - - 0 1", word("e2e4"), -1},
    {"PawnCaptureOnEmptySquare", "4k3/8/8/4P3/8/8/8/4K3 w - - 0 1", word("e5d6"), -1},
    {"PawnAcrossTheBoardEdge", "4k3/8/8/8/8/8/P7/4K3 w - - 0 1", word("a2h2"), -1},
    {"NullMove", "4k3/8/8/8/8/8/8/4K3 w - - 0 1", Move(NULL_MOVE), -1},
    {"NoMove", "4k3/8/8/8/8/8/8/4K3 w - - 0 1", Move(NO_MOVE), -1},
    // Kind bits that contradict the board: kept, they would corrupt the
    // board on make or unmake.
    {"PromotionKindOnQueenMove", "4k3/8/8/8/8/8/8/3QK3 w - - 0 1", word("d1d5", MK_PROMOTE_ROOK), -1},
    {"PromotionKindOffLastRank", "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", word("e2e3", MK_PROMOTE_QUEEN), -1},
    {"CaptureKindOnEmptySquare", "4k3/8/8/8/8/8/8/3QK3 w - - 0 1", word("d1d5", MK_CAPTURE), -1},
    {"CaptureKindOnPromotion", "3r4/4P3/8/8/8/8/k7/4K3 w - - 0 1", word("e7d8", MK_CAPTURE), -1},
    {"CastlingKindOnKingStep", "4k3/8/8/8/8/8/8/4K2R w K - 0 1", word("e1f1", MK_CASTLING), -1},
    {"EnPassantKindOnCapture", "4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", word("e4d5", MK_EN_PASSANT), -1},
    // Chess960: the king moves onto its own castling rook.
    {"Chess960Castling", "4k3/8/8/8/8/8/8/1K3R2 w F - 0 1", word("b1f1"), MK_CASTLING},
    {"Chess960QueenSide", "4k3/8/8/8/8/8/8/RK6 w A - 0 1", word("b1a1"), MK_CASTLING},
    {"Chess960OntoOtherRook", "4k3/8/8/8/8/8/8/1KR2R2 w F - 0 1", word("b1c1"), -1},
    // The castling rook's path is clear, but the move names the other rook.
    {"Chess960OntoRookBeyondTheCastlingRook", "4k3/8/8/8/8/8/8/1K3R1R w F - 0 1", word("b1h1"), -1},
    {"Chess960OutOfCheck", "4k3/8/8/8/8/8/1r6/1K3R2 w F - 0 1", word("b1f1"), -1},
    {"Chess960KingStepNotCastling", "4k3/8/8/8/8/8/8/1K3R2 w F - 0 1", word("b1d1"), -1},
};

class ValidateMoveTest : public testing::TestWithParam<ValidateCase> {};

TEST_P(ValidateMoveTest, DerivesTheKindFromTheBoard) {
    const ValidateCase& c = GetParam();
    ASSERT_EQ(load_test_board(c.fen), 1) << c.fen;
    Move move = c.input;
    const int accepted = validate_move(&main_position, &move);
    if (c.expected_kind < 0) {
        EXPECT_EQ(accepted, 0);
        EXPECT_EQ(move, c.input) << "a rejected move is left as it was";
    } else {
        ASSERT_EQ(accepted, 1);
        EXPECT_EQ(move, Move((c.input & 0xFFF) | c.expected_kind << 12));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ValidateMoveTest, testing::ValuesIn(VALIDATE_CASES),
                         [](const testing::TestParamInfo<ValidateCase>& info) { return info.param.name; });

TEST(ValidateMoveTest, KeepsTheCheckFlag) {
    ASSERT_EQ(load_test_board("4k3/8/8/8/8/8/8/3QK3 w - - 0 1"), 1);
    Move move = Move(word("d1d8") | MOVE_GIVES_CHECK);
    ASSERT_EQ(validate_move(&main_position, &move), 1);
    EXPECT_EQ(move, Move(word("d1d8") | MOVE_GIVES_CHECK));
}

// A Chess960 board read while the settings say standard chess (or a hash
// move of the other mode): an unmoved king off the e-file must not make a
// two-square step into "castling".
TEST(ValidateMoveTest, NoStandardCastlingFromAChess960KingSquare) {
    // The unmoved rook stands three squares from the king, as in standard
    // castling seen from e1.
    ASSERT_EQ(load_test_board("4k3/4p3/8/8/8/8/8/1K2R3 w E - 0 1"), 1);
    const uint32_t saved = search_flags;
    search_flags &= ~EF_CHESS960;
    Move move = word("b1d1");
    EXPECT_EQ(validate_move(&main_position, &move), 0);
    move = word("b1e1");
    EXPECT_EQ(validate_move(&main_position, &move), 0);
    search_flags = saved;
}

struct CheckCase {
    const char* name;
    const char* fen;
    const char* move;
    int kind;       // of the move word (promotions)
    int expected;   // kind of the checking man | direction toward the king << 3
};

const CheckCase CHECK_CASES[] = {
    {"RookOnRank", "4k3/8/8/8/8/8/8/R3K3 w - - 0 1", "a1a8", MK_QUIET, ROOK | DIR_EAST << 3},
    {"BishopDiagonal", "4k3/8/8/8/8/8/8/3BK3 w - - 0 1", "d1a4", MK_QUIET, BISHOP | DIR_NORTH_EAST << 3},
    {"KnightStep", "4k3/8/8/8/2N5/8/8/4K3 w - - 0 1", "c4d6", MK_QUIET, KNIGHT | 12 << 3},  // d6 -> e8: +17
    {"PawnCheck", "4k3/8/3P4/8/8/8/8/4K3 w - - 0 1", "d6d7", MK_QUIET, 1},
    {"BlockedLine", "4k3/4p3/8/8/8/8/8/R5K1 w - - 0 1", "a1e1", MK_QUIET, 0},
    {"SlidingTowardTheKing", "4k3/4p3/8/8/8/8/4R3/6K1 w - - 0 1", "e2e5", MK_QUIET, 0},
    {"CaptureAlongTheLine", "4k3/8/4p3/8/8/8/8/4RK2 w - - 0 1", "e1e6", MK_QUIET, ROOK | DIR_NORTH << 3},
    {"DiscoveredByKnight", "4k3/8/8/8/4N3/8/8/4RK2 w - - 0 1", "e4c5", MK_QUIET, ROOK | DIR_NORTH << 3},
    {"DiscoveredByPawnPush", "7k/8/8/8/8/8/1P6/B3K3 w - - 0 1", "b2b3", MK_QUIET,
     BISHOP | DIR_NORTH_EAST << 3},
    {"KingStaysOnTheLine", "4k3/8/8/8/4K3/8/8/4R3 w - - 0 1", "e4e5", MK_QUIET, 0},
    // The promoted piece checks through the square its pawn left.
    {"PromotionAlongTheFile", "8/1P6/8/8/8/8/8/1k2K3 w - - 0 1", "b7b8", MK_PROMOTE_QUEEN,
     QUEEN | DIR_SOUTH << 3},
    {"PromotionCaptureThroughFrom", "7n/6P1/8/8/8/8/8/k3K3 w - - 0 1", "g7h8", MK_PROMOTE_BISHOP,
     BISHOP | DIR_SOUTH_WEST << 3},
    {"KnightPromotion", "8/4P3/8/3k4/8/8/8/4K3 w - - 0 1", "e7e8", MK_PROMOTE_KNIGHT, 0},
    {"KnightPromotionChecks", "8/4P3/3k4/8/8/8/8/4K3 w - - 0 1", "e7e8", MK_PROMOTE_KNIGHT, KNIGHT | 8 << 3},
};

class GivesCheckTest : public testing::TestWithParam<CheckCase> {};

TEST_P(GivesCheckTest, NamesTheCheckingMan) {
    const CheckCase& c = GetParam();
    ASSERT_EQ(load_test_board(c.fen), 1) << c.fen;
    Move move = word(c.move, c.kind);
    ASSERT_EQ(validate_move(&main_position, &move), 1) << c.move;
    EXPECT_EQ(gives_check(&main_position, move), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, GivesCheckTest, testing::ValuesIn(CHECK_CASES),
                         [](const testing::TestParamInfo<CheckCase>& info) { return info.param.name; });

struct PinCase {
    const char* name;
    const char* fen;
    const char* square;
    int slider_side;
    int expected;
};

const PinCase PIN_CASES[] = {
    {"RookPinsKnight", "4r1k1/8/8/8/8/8/4N3/4K3 w - - 0 1", "e2", BLACK, 1},
    {"BishopPinsPawn", "6k1/8/8/1b6/8/3P4/8/5K2 w - - 0 1", "d3", BLACK, 1},
    {"QueenPinsOnDiagonal", "6k1/8/8/1q6/8/3P4/8/5K2 w - - 0 1", "d3", BLACK, 1},
    {"KnightDoesNotPin", "6k1/8/8/8/8/4n3/4N3/4K3 w - - 0 1", "e2", BLACK, 0},
    {"TwoMenBetween", "4r1k1/8/8/8/4B3/8/4N3/4K3 w - - 0 1", "e2", BLACK, 0},
    {"RookOnDiagonalDoesNotPin", "6k1/8/8/1r6/8/3P4/8/5K2 w - - 0 1", "d3", BLACK, 0},
    {"SliderBehindTheKing", "6k1/8/8/8/8/4N3/4K3/4r3 w - - 0 1", "e3", BLACK, 0},
    {"GapToTheKing", "4r1k1/8/8/8/4N3/8/8/4K3 w - - 0 1", "e4", BLACK, 1},
    {"OwnSliderDoesNotPin", "4R3/7k/8/8/8/8/4N3/4K3 w - - 0 1", "e2", BLACK, 0},
    {"BlackManPinned", "4k3/4b3/8/8/8/8/8/4RK2 w - - 0 1", "e7", WHITE, 1},
};

class PinTest : public testing::TestWithParam<PinCase> {};

TEST_P(PinTest, FindsPinsAgainstTheKing) {
    const PinCase& c = GetParam();
    ASSERT_EQ(load_test_board(c.fen), 1) << c.fen;
    EXPECT_EQ(is_pinned(&main_position, square_of(c.square), c.slider_side), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, PinTest, testing::ValuesIn(PIN_CASES),
                         [](const testing::TestParamInfo<PinCase>& info) { return info.param.name; });

TEST(LineClearTest, SeesAlongOpenLinesOnly) {
    ASSERT_EQ(load_test_board("4k3/8/8/3p4/8/8/8/R3K3 w - - 0 1"), 1);
    const Position* pos = &main_position;
    EXPECT_EQ(is_line_clear(square_of("a1"), pos, square_of("a8")), 1);   // open file
    EXPECT_EQ(is_line_clear(square_of("a1"), pos, square_of("e1")), 1);   // the far square may be occupied
    EXPECT_EQ(is_line_clear(square_of("a1"), pos, square_of("f1")), 0);   // the king stands between
    EXPECT_EQ(is_line_clear(square_of("a2"), pos, square_of("e6")), 0);   // d5 blocks
    EXPECT_EQ(is_line_clear(square_of("a2"), pos, square_of("d5")), 1);
    EXPECT_EQ(is_line_clear(square_of("b1"), pos, square_of("c3")), 0);   // a knight step is no line
    EXPECT_EQ(is_line_clear(square_of("c3"), pos, square_of("d4")), 1);   // neighbours
    EXPECT_EQ(is_line_clear(square_of("c3"), pos, square_of("c3")), 1);   // a square sees itself
}

// The Chess960 castling tests at the edges of their cases: the king on its
// destination already, or the rook standing on it.
struct CastleCase {
    const char* name;
    const char* fen;
    bool kingside;
    int expected;
};

const CastleCase CASTLE_CASES[] = {
    {"KingAlreadyOnG", "4k3/8/8/8/8/8/8/6KR w H - 0 1", true, 1},
    {"KingOnGRookBlocked", "4k3/8/8/8/8/8/8/5NKR w H - 0 1", true, 0},
    {"RookOnTheKingsDestination", "4k3/8/8/8/8/8/8/4K1R1 w G - 0 1", true, 1},
    {"KingPathAttacked", "4k3/6r1/8/8/8/8/8/4K2R w H - 0 1", true, 0},
    {"KingOnBPassesC", "4k3/8/8/8/8/8/8/RK6 w A - 0 1", false, 1},
    {"KingOnBCAttacked", "4k3/2r5/8/8/8/8/8/RK6 w A - 0 1", false, 0},
    {"KingOnBDOccupied", "4k3/8/8/8/8/8/8/RK1N4 w A - 0 1", false, 0},
    {"KingOnCRookOnA", "4k3/8/8/8/8/8/8/R1K5 w A - 0 1", false, 1},
    {"KingOnCBOccupied", "4k3/8/8/8/8/8/8/RNK5 w A - 0 1", false, 0},
    {"RookOnBSquareFree", "4k3/8/8/8/8/8/8/1RK5 w B - 0 1", false, 1},
    {"KingOnFRookOnA", "4k3/8/8/8/8/8/8/R4K2 w A - 0 1", false, 1},
    {"KingOnFBOccupied", "4k3/8/8/8/8/8/8/RN3K2 w A - 0 1", false, 0},
};

class Chess960CastleTest : public testing::TestWithParam<CastleCase> {};

TEST_P(Chess960CastleTest, FollowsTheCases) {
    const CastleCase& c = GetParam();
    ASSERT_EQ(load_test_board(c.fen), 1) << c.fen;
    const Position* pos = &main_position;
    const int king = king_square(pos, WHITE);
    EXPECT_EQ(c.kingside ? castle_is_legal_chess960_kingside(pos, WHITE, king)
                         : castle_is_legal_chess960_queenside(pos, WHITE, king),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Chess960CastleTest, testing::ValuesIn(CASTLE_CASES),
                         [](const testing::TestParamInfo<CastleCase>& info) { return info.param.name; });

}  // namespace
