// Known facts the search must find: mate distances for both sides, decided
// roots (mate and stalemate), draws by repetition and by the fifty-move rule
// at the root, and a perpetual check inside the tree.
#include <gtest/gtest.h>

#include <string>

#include "eval/root_state.h"
#include "game/game_history.h"
#include "game/repetition.h"
#include "position/make.h"
#include "position/position.h"
#include "search/root.h"
#include "search/search.h"
#include "mate_cases.h"
#include "search_fixture.h"

namespace {

class SearchReference : public ::testing::Test {
protected:
    void SetUp() override { prepare_search_engine(); }
};

TEST_F(SearchReference, FindsKnownMateDistances) {
    for (const MateCase& c : MATE_CASES) {
        SCOPED_TRACE(c.fen);
        ASSERT_TRUE(set_search_position(c.fen));
        FixedDepthResult result = search_fixed_depth(c.depth);
        EXPECT_FALSE(result.decided);
        EXPECT_EQ(result.root_score, c.score);
        if (*c.first_moves) {
            EXPECT_NE(std::string(c.first_moves).find(move_text(result.best)), std::string::npos)
                << "played " << move_text(result.best);
        }
    }
}

TEST_F(SearchReference, MateInOneIsKnownAtTheRootAndStaysFirst) {
    ASSERT_TRUE(set_search_position("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1"));
    for (int depth = 1; depth <= 4; ++depth) {
        FixedDepthResult result = search_fixed_depth(depth);
        EXPECT_EQ(move_text(result.best), "a1a8") << depth;
        EXPECT_EQ(result.root_score, mate_in(1));
        EXPECT_TRUE(root_moves[0].flags & RM_KNOWN);
        EXPECT_EQ(root_moves[0].flags & RM_KIND_MASK, RM_MATE);
    }
}

TEST_F(SearchReference, DecidedRootsAreNotSearched) {
    struct {
        const char* fen;
        int score;
        uint32_t state;
    } cases[] = {
        {"R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1", -SCORE_INFINITE, RM_MATE | RM_KNOWN},  // mated
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 0, RM_STALEMATE | RM_KNOWN},           // stalemate
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fen);
        ASSERT_TRUE(set_search_position(c.fen));
        FixedDepthResult result = search_fixed_depth(3);
        EXPECT_TRUE(result.decided);
        EXPECT_EQ(result.root_score, c.score);
        EXPECT_EQ(search_state_flags & 0xFFF, c.state);
    }
}

TEST_F(SearchReference, DrawsByRuleAtTheRootAreKnown) {
    // The knights went out and back twice: going out once more repeats a
    // position for the third time.
    ASSERT_TRUE(set_search_position("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
                                    "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8"));
    search_fixed_depth(2);
    const Move repeat = position_move("g1f3");
    bool found = false;
    for (int i = 0; i < root_move_count; ++i) {
        if ((root_moves[i].line[1] & 0xFFF) != (repeat & 0xFFF)) continue;
        found = true;
        EXPECT_EQ(root_moves[i].flags & (RM_KNOWN | RM_KIND_MASK), RM_KNOWN | RM_REPETITION);
        EXPECT_EQ(root_moves[i].score, 0);
    }
    EXPECT_TRUE(found);

    // With 99 reversible plies behind, every quiet piece move draws; a pawn
    // move or a capture does not.
    ASSERT_TRUE(set_search_position("4k3/8/8/8/8/8/4P3/4K2R w - - 0 1"));
    main_position.fifty = 99;
    search_fixed_depth(1);
    for (int i = 0; i < root_move_count; ++i) {
        const Move move = root_moves[i].line[1];
        const bool pawn_move = main_position.kind[move_from(move)] == PAWN;
        SCOPED_TRACE(move_text(move));
        EXPECT_EQ((root_moves[i].flags & RM_KIND_MASK) == RM_FIFTY, !pawn_move);
    }
}

TEST_F(SearchReference, LosingSideFindsPerpetualCheck) {
    // Two rooks and pawns down, White checks forever: Qh5+ Kg8 Qe8+ Kh7.
    ASSERT_TRUE(set_search_position("8/6pk/8/8/8/ppp4K/rr6/3Q4 w - - 0 1"));
    FixedDepthResult result = search_fixed_depth(6);
    EXPECT_EQ(result.root_score, 0);
    EXPECT_EQ(move_text(result.best), "d1h5");
}

}  // namespace
