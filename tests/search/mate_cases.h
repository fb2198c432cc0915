// Positions with a known mate distance, shared by the search tests of both
// engine builds.
#pragma once

#include "position/types.h"

inline constexpr int mate_in(int moves) { return SCORE_INFINITE + 1 - 2 * moves; }  // for the side to move
inline constexpr int mated_in(int moves) { return -(SCORE_INFINITE - 2 * moves); }

struct MateCase {
    const char* fen;
    int depth;
    int score;                 // root move 0's score
    const char* first_moves;   // the moves that keep the shortest mate, blank-separated ("" = any)
};

// Mate distances checked by an exhaustive solver over all legal moves.
inline constexpr MateCase MATE_CASES[] = {
    {"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", 3, mate_in(1), "a1a8"},             // back rank
    {"r5k1/8/8/8/8/8/5PPP/6K1 b - - 0 1", 3, mate_in(1), "a8a1"},
    {"5r1k/6pp/7N/3Q4/8/8/8/6K1 w - - 0 1", 5, mate_in(2), "d5g8"},            // smothered mate
    {"k7/8/8/3K4/8/8/8/7R w - - 0 1", 8, mate_in(3), "d5c6"},
    {"7r/8/8/8/3k4/8/8/K7 b - - 0 1", 8, mate_in(3), "d4c3"},
    {"k7/8/8/8/8/4K3/8/1Q6 w - - 0 1", 10, mate_in(4), "e3d4 e3e4"},
    {"7k/5K2/8/8/8/8/8/6R1 b - - 0 1", 3, mated_in(1), ""},
    {"k7/8/2K5/8/8/8/8/6R1 b - - 0 1", 6, mated_in(2), ""},
    {"k7/8/8/8/2K5/8/8/1Q6 b - - 0 1", 8, mated_in(3), ""},
    // In check along d5-a2 and boxed in, Black's one reply is a4xb3 en
    // passant between queen and king: not mated at once.
    {"8/8/8/3Q4/pP6/7R/k1N5/2K5 b - b3 0 1", 3, mated_in(1), "a4b3"},
};
