// The generators on telling positions: emission order (selection takes the
// first of equal scores, so it matters), promotion limits, the recapture
// bonus, king captures, evasions and the quiescence generator's pushes.
// Move sets everywhere are checked against filters in the walk tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "move_list_helpers.h"
#include "position/make.h"
#include "position/movegen.h"
#include "position/position.h"
#include "test_board.h"

namespace {

constexpr int PLY = PERFT_ROOT_PLY;

// The list in emission order, with the kind marks of moves_text.
std::string ordered_text(const std::vector<Move>& moves) {
    std::string text;
    for (Move move : moves) {
        if (!text.empty()) text += ' ';
        text += moves_text({move});
    }
    return text;
}

const MoveEntry* find_entry(Position* pos, int count, const std::string& text) {
    const MoveEntry* list = move_list_start(pos, PLY);
    for (int i = 0; i < count; ++i)
        if (move_text(list[i].move) == text) return &list[i];
    return nullptr;
}

int score_of(Position* pos, int count, const std::string& text) {
    const MoveEntry* entry = find_entry(pos, count, text);
    return entry == nullptr ? -99999 : entry->score;
}

// Captures by victim (queen first), each victim's attackers highest slot
// first (the pawn before the knight); then the quiet moves of the men,
// highest slot first (pawns, knights, ..., the king last), each man's
// targets in its list order.
TEST(GenMovesTest, EmitsInTheSpecifiedOrder) {
    ASSERT_EQ(load_test_board("4k3/8/8/2q1n3/3P4/1N6/8/4K3 w - - 0 1"), 1);
    EXPECT_EQ(ordered_text(generate_all(&main_position, PLY)),
              "d4c5x b3c5x d4e5x d4d5 b3a1 b3a5 b3d2 b3c1 e1f1 e1e2 e1d1 e1d2 e1f2");
}

TEST(GenMovesTest, RecaptureOfTheManThatJustMovedScoresHigher) {
    ASSERT_EQ(load_test_board("4k3/8/1n6/5n2/2P1P3/8/8/4K3 b - - 0 1"), 1);
    Move move = encode_move(square_at(1, 5), square_at(3, 4), MK_QUIET);  // b6d5
    make_move(&main_position, move);
    const int count = gen_moves(&main_position, PLY + 1, 0, move_list_start(&main_position, PLY + 1));
    const MoveEntry* list = move_list_start(&main_position, PLY + 1);
    auto score = [&](const char* text) {
        for (int i = 0; i < count; ++i)
            if (move_text(list[i].move) == text) return int(list[i].score);
        return -99999;
    };
    EXPECT_EQ(score("c4d5"), 416 + 100 + 30003);
    EXPECT_EQ(score("e4d5"), 416 + 100 + 30003);
    EXPECT_EQ(score("e4f5"), 416 + 30003);
    unmake_move(&main_position);
}

TEST(GenEvasionsTest, RecaptureOfTheCheckerThatJustMovedScoresHigher) {
    ASSERT_EQ(load_test_board("4k3/8/8/4n3/8/8/4P3/4K3 b - - 0 1"), 1);
    make_move(&main_position, encode_move(square_at(4, 4), square_at(3, 2), MK_QUIET));  // e5d3+
    MoveEntry* list = move_list_start(&main_position, PLY + 1);
    int count = gen_evasions(&main_position, nullptr, PLY + 1, 0, list);
    int just_moved = -99999;
    for (int i = 0; i < count; ++i)
        if (move_text(list[i].move) == "e2d3") just_moved = list[i].score;
    unmake_move(&main_position);

    ASSERT_EQ(load_test_board("4k3/8/8/8/8/3n4/4P3/4K3 w - - 0 1"), 1);
    count = gen_evasions(&main_position, nullptr, PLY, 0, move_list_start(&main_position, PLY));
    EXPECT_EQ(just_moved, 416 + 100 + 30003);
    EXPECT_EQ(score_of(&main_position, count, "e2d3"), 416 + 30003);
}

TEST(GenMovesTest, KingTakesOnlyUndefendedMen) {
    ASSERT_EQ(load_test_board("4k3/8/8/8/8/1n6/3r4/4K3 w - - 0 1"), 1);  // the knight guards d2
    EXPECT_EQ(moves_text(generate_all(&main_position, PLY)), "e1f1");
    EXPECT_EQ(gen_quiet_checks(&main_position, PLY, 6, move_list_start(&main_position, PLY)), 0);

    ASSERT_EQ(load_test_board("4k3/8/8/8/8/8/3r4/4K3 w - - 0 1"), 1);
    EXPECT_EQ(moves_text(generate_all(&main_position, PLY)), "e1d2x e1f1");
    const int count = gen_quiet_checks(&main_position, PLY, 6, move_list_start(&main_position, PLY));
    EXPECT_EQ(moves_text(list_moves(move_list_start(&main_position, PLY), count)), "e1d2x");
}

struct PromotionCase {
    const char* name;
    const char* fen;
    int mode;
    const char* expected;  // in emission order
};

const PromotionCase PROMOTION_CASES[] = {
    {"AllKinds", "8/P7/8/8/8/8/8/k3K3 w - - 0 1", 0, "a7a8q a7a8n a7a8r a7a8b"},
    {"NoFourthKnight", "8/P7/8/8/8/8/8/k2NKNN1 w - - 0 1", 0, "a7a8q a7a8r a7a8b"},
    {"NoFourthRookOrBishop", "8/P7/8/8/8/8/8/k1BRKRRB w - - 0 1", 0, "a7a8q a7a8n a7a8b"},
    {"QuiescenceModeQueenAndKnight", "8/P7/8/8/8/8/8/k3K3 w - - 0 1", 1, "a7a8q a7a8n"},
    {"CapturingPromotions", "1n6/P7/8/8/8/8/8/k3K3 w - - 0 1", 0,
     "a7b8q a7b8n a7b8r a7b8b a7a8q a7a8n a7a8r a7a8b"},
    {"BlackPromotes", "4k3/8/8/8/8/8/p7/4K3 b - - 0 1", 0, "a2a1q a2a1n a2a1r a2a1b"},
};

class PromotionTest : public testing::TestWithParam<PromotionCase> {};

TEST_P(PromotionTest, GeneratesTheAllowedKinds) {
    const PromotionCase& c = GetParam();
    ASSERT_EQ(load_test_board(c.fen), 1) << c.fen;
    std::vector<Move> promotions;
    for (Move move : generate_all(&main_position, PLY, c.mode))
        if (is_promotion(move)) promotions.push_back(move);
    EXPECT_EQ(ordered_text(promotions), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, PromotionTest, testing::ValuesIn(PROMOTION_CASES),
                         [](const testing::TestParamInfo<PromotionCase>& info) { return info.param.name; });

TEST(GenMovesTest, PromotionScores) {
    ASSERT_EQ(load_test_board("8/P7/8/8/8/8/8/k3K3 w - - 0 1"), 1);
    const int count = gen_moves(&main_position, PLY, 0, move_list_start(&main_position, PLY));
    EXPECT_EQ(score_of(&main_position, count, "a7a8q"), 1056 + 30003);
    EXPECT_EQ(score_of(&main_position, count, "a7a8n"), -480 - 30000);
    EXPECT_EQ(score_of(&main_position, count, "a7a8r"), -608 - 30000);
    EXPECT_EQ(score_of(&main_position, count, "a7a8b"), -832 - 30000);
}

TEST(GenMovesTest, CastlingEncodings) {
    ASSERT_EQ(load_test_board("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1"), 1);
    std::vector<Move> castling;
    for (Move move : generate_all(&main_position, PLY))
        if (move_kind(move) == MK_CASTLING) castling.push_back(move);
    EXPECT_EQ(ordered_text(castling), "e1g1c e1c1c");  // the king's destination

    ASSERT_EQ(load_test_board("r3k2r/8/8/8/8/8/8/R3K2R w HAha - 0 1"), 1);
    castling.clear();
    for (Move move : generate_all(&main_position, PLY))
        if (move_kind(move) == MK_CASTLING) castling.push_back(move);
    EXPECT_EQ(ordered_text(castling), "e1h1c e1a1c");  // the castling rook's square
}

struct EvasionCase {
    const char* name;
    const char* fen;
    const char* last_move;  // played first, "" for none
    const char* expected;
    uint32_t info;
};

const EvasionCase EVASION_CASES[] = {
    // Knight and rook: only king moves, and not back along the rook's rank.
    {"DoubleCheckKingMovesOnly", "4k3/8/8/8/8/5n1R/8/1r2K3 w - - 0 1", "", "e1e2 e1f2",
     CHECK_DISCOVERED | CHECK_DOUBLE | 2},
    // The knight could step between but is pinned by the bishop.
    {"PinnedDefenderStaysPut", "4k3/8/8/8/1b6/8/3N4/1r2K3 w - - 0 1", "", "e1e2 e1f2", CHECK_DISCOVERED | 2},
    // The checking pawn just stepped past d6: it can be taken en passant.
    {"EnPassantTakesTheChecker", "4k3/3p4/8/4P3/4K3/8/8/8 b - - 0 1", "d7d5",
     "e4d3 e4d4 e4d5x e4e3 e4f3 e4f4 e4f5 e5d6e", 7},
    // The double step uncovered the bishop: taking the pawn does not help.
    {"EnPassantDoesNotAnswerADiscoveredCheck", "2b1k3/3p4/8/4PK2/8/8/8/8 b - - 0 1", "d7d5",
     "e5e6 f5f4 f5f6 f5g5 f5g6", CHECK_DISCOVERED | 4},
    // Pawns step in between, by one or two squares.
    {"PawnPushesInterpose", "4k3/8/8/b7/8/8/1PP5/4K3 w - - 0 1", "",
     "b2b4 c2c3 e1d1 e1e2 e1f1 e1f2", CHECK_DISCOVERED | 4},
    {"BlackPawnPushesInterpose", "4k3/1pp5/8/8/B7/8/8/4K3 b - - 0 1", "",
     "b7b5 c7c6 e8d8 e8e7 e8f7 e8f8", CHECK_DISCOVERED | 4},
};

class EvasionTest : public testing::TestWithParam<EvasionCase> {};

TEST_P(EvasionTest, GivesTheRepliesAndTheCheckDescription) {
    const EvasionCase& c = GetParam();
    ASSERT_EQ(load_test_board(c.fen), 1) << c.fen;
    int ply = PLY;
    if (*c.last_move != '\0') {
        make_move(&main_position, parse_test_move(&main_position, c.last_move));
        ++ply;
    }
    uint32_t info = 0;
    EXPECT_EQ(moves_text(generate_evasions(&main_position, ply, &info)), c.expected);
    EXPECT_EQ(info, c.info);
    if (*c.last_move != '\0') unmake_move(&main_position);
}

INSTANTIATE_TEST_SUITE_P(Cases, EvasionTest, testing::ValuesIn(EVASION_CASES),
                         [](const testing::TestParamInfo<EvasionCase>& info) { return info.param.name; });

struct SeventhRankCase {
    const char* name;
    const char* fen;
    int mode;
    bool pushed;  // c6c7 in the list
    int score;    // its order score, when pushed
};

// With mode 6 a pawn steps to the seventh rank when it can't be blocked at
// once or it attacks a man, and it does not give check (checking pushes come
// with the quiet checks, flagged).
const SeventhRankCase SEVENTH_RANK_CASES[] = {
    {"FreeSquareBeyond", "4k3/8/2P5/8/8/8/8/4K3 w - - 0 1", 6, true, 1056},
    {"OnlyWithMode6", "4k3/8/2P5/8/8/8/8/4K3 w - - 0 1", 2, false, 0},
    {"BlockedBeyond", "2n1k3/8/2P5/8/8/8/8/4K3 w - - 0 1", 6, false, 0},
    // The pawn hangs to the b8 knight: + 128 >> 6 for moving it.
    {"BlockedButAttacksAMan", "1nn1k3/8/2P5/8/8/8/8/4K3 w - - 0 1", 6, true, 1056 + 2},
};

class SeventhRankPushTest : public testing::TestWithParam<SeventhRankCase> {};

TEST_P(SeventhRankPushTest, FollowsTheConditions) {
    const SeventhRankCase& c = GetParam();
    ASSERT_EQ(load_test_board(c.fen), 1) << c.fen;
    const int count = gen_quiet_checks(&main_position, PLY, c.mode, move_list_start(&main_position, PLY));
    const MoveEntry* entry = find_entry(&main_position, count, "c6c7");
    ASSERT_EQ(entry != nullptr, c.pushed);
    if (entry != nullptr) {
        EXPECT_EQ(entry->score, c.score);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SeventhRankPushTest, testing::ValuesIn(SEVENTH_RANK_CASES),
                         [](const testing::TestParamInfo<SeventhRankCase>& info) { return info.param.name; });

TEST(GenQuietChecksTest, CheckingSeventhRankPushComesOnceFlagged) {
    ASSERT_EQ(load_test_board("2nk4/8/2P5/8/8/8/8/4K3 w - - 0 1"), 1);
    const int count = gen_quiet_checks(&main_position, PLY, 6, move_list_start(&main_position, PLY));
    int seen = 0;
    const MoveEntry* list = move_list_start(&main_position, PLY);
    for (int i = 0; i < count; ++i) {
        if (move_text(list[i].move) != "c6c7") continue;
        ++seen;
        EXPECT_NE(list[i].move & MOVE_GIVES_CHECK, 0);
    }
    EXPECT_EQ(seen, 1);
}

}  // namespace
