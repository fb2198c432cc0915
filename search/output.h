// What the search tells the interface: "info" lines and "bestmove". Each line
// is built whole and written in one piece; every move is followed by one blank.
#pragma once

#include <cstdint>

#include "position/types.h"

// Bound kinds of a score (the root's search state doubles as one).
inline constexpr int BOUND_KIND_UPPER = 2;  // the root failed low
inline constexpr int BOUND_KIND_EXACT = 3;
inline constexpr int BOUND_KIND_LOWER = 6;  // the root failed high

// The bound kind 0..7 of a search state or of a transposition-table bound
// byte (0x40 upper, 0x80 lower, 0xC0 exact).
int bound_kind_of(int state_or_bound);

extern uint32_t last_bestmove_ms;  // time printed with the last "bestmove"
extern bool pv_line_printed;       // a principal-variation line was printed; the driver clears it
extern Move current_line[];        // current search line, 0-terminated

inline constexpr int NO_SCORE_TO_PRINT = 9999;

// Coordinate text of a move with its trailing blank ("e7e8q ", "0000 ");
// a static buffer, overwritten by the next call.
const char* move_to_text(Move move);
// "cp 35", "cp 35 upperbound ", "mate 3"; a static buffer.
const char* format_score(int score, int bound_kind);

// line[1..] up to a 0 is the principal variation (none for a finished game);
// multipv 0 = none. Every line that shows the node count and rate counts
// them when it prints.
void print_pv_info(const Move* line, int multipv, int bound_kind, int score, int depth);
void print_depth(int depth);
void print_currmove(Move move, int move_number);
void print_nodes_nps(uint64_t nodes);
void print_currline();
// line[1] the best move, line[2] the ponder move (0 = none).
void print_bestmove(const Move* line);
