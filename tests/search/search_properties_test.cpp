// Properties of the search on positions from random play: with the
// selective parts switched off it computes the plain minimax value; every
// principal variation it reports is a legal line; the single-threaded
// search is deterministic.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "config/settings.h"
#include "eval/root_state.h"
#include "game/game_history.h"
#include "game/repetition.h"
#include "position/make.h"
#include "position/position.h"
#include "search/driver.h"
#include "search/polling.h"
#include "search/search.h"
#include "search/search_constants.h"
#include "search/search_info.h"
#include "search/threads.h"
#include "search_fixture.h"

namespace {

// Plays the line on the main position, each move checked against the
// legal moves there; takes it back. Empty when legal, else the reason.
std::string replay_line(const std::vector<Move>& line) {
    Position* pos = &main_position;
    int made = 0;
    std::string problem;
    for (Move move : line) {
        const Move plain = move & MOVE_IDENTITY_MASK;
        std::vector<Move> legal = legal_search_moves(pos);
        if (std::find(legal.begin(), legal.end(), plain) == legal.end()) {
            problem = "illegal move " + move_text(plain) + " at line index " + std::to_string(made);
            break;
        }
        make_move(pos, plain);
        ++made;
        const bool gives_check = king_in_check(pos, pos->side);
        if (((move & MOVE_GIVES_CHECK) != 0) && !gives_check) {
            problem = "check flag on a quiet move " + move_text(plain);
            break;
        }
    }
    while (made-- > 0) unmake_move(pos);
    return problem;
}

class SearchProperties : public ::testing::Test {
protected:
    void SetUp() override { prepare_search_engine(); }
    void TearDown() override { search_switches = 0; }
};

TEST_F(SearchProperties, PlainSearchEqualsMinimax) {
    // The swindle rule reads whether the previous node is the root's, which
    // differs between the two walks; it is not what this test is about.
    search_flags &= ~EF_SWINDLE;
    search_switches = SEARCH_PLAIN;
    std::mt19937 random(20240611);
    int compared = 0;
    while (compared < 24) {
        const int plies = 4 + int(random() % 40);
        if (!set_random_search_position(random, plies)) continue;
        Position* pos = &main_position;
        reset_ply_stack(pos);
        search_mode = SEARCH_MODE_INFINITE;
        stop_reason = 0;
        thread_slots[0].stop.store(0);
        poll_countdown = 1 << 30;
        root_game_ply = game_ply;
        for (int depth = 1; depth <= 3; ++depth) {
            SCOPED_TRACE("plies " + std::to_string(plies) + " depth " + std::to_string(depth));
            const int expected = plain_minimax(pos, 1, depth);
            const int found = search(pos, 1, depth, 0, -SCORE_INFINITE, SCORE_INFINITE, 0, 0);
            ASSERT_EQ(found, expected);
        }
        search_mode = SEARCH_MODE_IDLE;
        ++compared;
    }
}

TEST_F(SearchProperties, EveryPrincipalVariationIsLegal) {
    std::mt19937 random(77);
    int positions = 0;
    while (positions < 200) {
        const int plies = int(random() % 80);
        if (!set_random_search_position(random, plies)) continue;
        ++positions;
        FixedDepthResult result = search_fixed_depth(6);
        for (size_t depth = 0; depth < result.lines.size(); ++depth) {
            const std::string problem = replay_line(result.lines[depth]);
            ASSERT_TRUE(problem.empty()) << problem << " (position " << positions << ", iteration " << depth + 1
                                         << ")";
        }
    }
}

TEST_F(SearchProperties, SameSearchTwiceGivesSameTree) {
    const char* fen = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
    FixedDepthResult first, second;
    for (FixedDepthResult* result : {&first, &second}) {
        prepare_search_engine();
        ASSERT_TRUE(set_search_position(fen));
        *result = search_fixed_depth(7);
    }
    EXPECT_EQ(first.nodes, second.nodes);
    EXPECT_EQ(first.best, second.best);
    EXPECT_EQ(first.score, second.score);
}

}  // namespace
