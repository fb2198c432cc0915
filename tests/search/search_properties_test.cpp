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
#include "eval/evaluate.h"
#include "eval/root_state.h"
#include "game/game_history.h"
#include "game/repetition.h"
#include "naive_moves.h"
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

const char* const START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

bool king_attacked(const Position* pos, int side) {
    return naive_square_attacked(pos, side ^ 1, king_square(pos, side));
}

std::vector<Move> legal_moves(Position* pos) {
    std::vector<Move> legal;
    for (Move move : naive_pseudo_legal_moves(pos)) {
        make_move(pos, move);
        if (!king_attacked(pos, pos->side ^ 1)) legal.push_back(move);
        unmake_move(pos);
    }
    return legal;
}

// Sets up the position reached by `plies` random legal moves from the start
// (played into the game history). false when the game ended on the way.
bool set_random_position(std::mt19937& random, int plies) {
    if (!set_search_position(START_FEN)) return false;
    for (int i = 0; i < plies; ++i) {
        std::vector<Move> moves = legal_moves(&main_position);
        if (moves.empty()) return false;
        Move move = moves[random() % moves.size()];
        if (!play_game_move(move, main_position.side)) return false;
    }
    return !legal_moves(&main_position).empty();
}

// The plain minimax value of the search's own rules: mates, the fifty-move
// rule, final evaluations, stalemate and repetitions, with the same
// horizon value.
int negamax(Position* pos, int ply, int depth) {
    if (depth <= 0) return horizon_value(pos, ply);
    const PlyRecord* rec = current_ply_record(pos);
    const int side = pos->side;
    std::vector<Move> moves = legal_moves(pos);
    if ((rec->flags & PLY_IN_CHECK) && moves.empty()) return mated_score(ply);
    if (pos->fifty > 99) return draw_score[side];
    const int eval = evaluate(pos, ply, depth, -SCORE_INFINITE, SCORE_INFINITE);
    if (current_ply_record(pos)->flags & PLY_TERMINAL_MASK) return eval;
    if (moves.empty()) return draw_score[side];
    int best = -SCORE_INFINITE;
    for (Move move : moves) {
        make_move(pos, move);
        const int score = (pos->fifty >= 4 && is_repetition(pos)) ? draw_score[side] : -negamax(pos, ply + 1, depth - 1);
        unmake_move(pos);
        best = std::max(best, score);
    }
    return best;
}

// Plays the line on the main position, each move checked against the
// legal moves there; takes it back. Empty when legal, else the reason.
std::string replay_line(const std::vector<Move>& line) {
    Position* pos = &main_position;
    int made = 0;
    std::string problem;
    for (Move move : line) {
        const Move plain = move & MOVE_IDENTITY_MASK;
        std::vector<Move> legal = legal_moves(pos);
        if (std::find(legal.begin(), legal.end(), plain) == legal.end()) {
            problem = "illegal move " + move_text(plain) + " at line index " + std::to_string(made);
            break;
        }
        make_move(pos, plain);
        ++made;
        const bool gives_check = king_attacked(pos, pos->side);
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
        if (!set_random_position(random, plies)) continue;
        Position* pos = &main_position;
        reset_ply_stack(pos);
        search_mode = SEARCH_MODE_INFINITE;
        stop_reason = 0;
        thread_slots[0].stop.store(0);
        poll_countdown = 1 << 30;
        root_game_ply = game_ply;
        for (int depth = 1; depth <= 3; ++depth) {
            SCOPED_TRACE("plies " + std::to_string(plies) + " depth " + std::to_string(depth));
            const int expected = negamax(pos, 1, depth);
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
        if (!set_random_position(random, plies)) continue;
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
