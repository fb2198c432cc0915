// What the search tests share: a position set up from a FEN (and a few moves
// played into the game history), the per-search preparation the driver
// makes, and iterative deepening through search_root to a fixed depth.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "perft.h"  // move_text
#include "position/types.h"
#include "search/root.h"

// The engine's tables, a small hash and quiet search settings; once per test.
void prepare_search_engine(int hash_kb = 4096);

// Sets up the main position; `moves` (coordinate text, blank-separated) are
// played into the game history first. false when the FEN or a move fails.
bool set_search_position(const char* fen, const char* moves = "");

struct FixedDepthResult {
    int score = 0;           // the last iteration's best score
    int root_score = 0;      // root move 0's score (known results included)
    Move best = NO_MOVE;     // root move 0 after the last iteration
    std::vector<Move> line;  // its principal variation
    uint64_t nodes = 0;
    bool decided = false;    // the root was decided without search
    std::vector<std::vector<Move>> lines;  // root move 0's line after each iteration
};

// The driver's preparation of a new search, then iterations 1..depth with
// its aspiration windows and sorts.
FixedDepthResult search_fixed_depth(int depth);

// The move of the main position named by coordinate text.
Move position_move(const char* text);

// The side's king is attacked (by the independent test of naive_moves).
bool king_in_check(const Position* pos, int side);
// The legal moves of the position, found without the engine's generator.
std::vector<Move> legal_search_moves(Position* pos);
// Sets up the position reached by `plies` random legal moves from the start
// (played into the game history). false when the game ended on the way.
bool set_random_search_position(std::mt19937& random, int plies);
// The plain minimax value of the search's own rules to `depth`: mates, the
// fifty-move rule, final evaluations, stalemate and repetitions, with the
// search's horizon value. What the search must find with SEARCH_PLAIN.
int plain_minimax(Position* pos, int ply, int depth);
