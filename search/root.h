// The root of the search: the list of root moves with their results, its
// preparation before the first iteration, the root search of one iteration
// with aspiration windows and MultiPV, and the bookkeeping when a root move
// gets a new result (reordering, time extension, "info" output).
#pragma once

#include <cstdint>

#include "position/types.h"

struct Position;

// The largest legal move count of any position fits (218 are known).
constexpr int MAX_ROOT_MOVES = 256;
// A root move's line: [1] the move, [2..] its principal variation, ended by
// a 0; the tablebase line may run to ply 63 and end at [64].
constexpr int ROOT_LINE_LAST = 62;  // the search's lines end here
constexpr int ROOT_LINE_SIZE = 66;

// RootMove flags.
constexpr uint32_t RM_BEST_CANDIDATE = 0x20;  // best or raised alpha in this iteration
constexpr uint32_t RM_TABLEBASE = 0x40;
constexpr uint32_t RM_KNOWN = 0x80;           // final result: excluded from the search
constexpr uint32_t RM_KIND_MASK = 0xF00;
constexpr uint32_t RM_MATE = 0x500;
constexpr uint32_t RM_REPETITION = 0xA00;
constexpr uint32_t RM_FIFTY = 0xB00;
constexpr uint32_t RM_STALEMATE = 0xC00;
constexpr uint32_t RM_BOOK = 0x1000;          // a book move: no score to print
constexpr uint32_t RM_GIVES_CHECK = 0x8000;

struct RootMove {
    uint64_t nodes;  // nodes of the move's subtree in its last search (summed over fail-high re-searches)
    Move* line;      // ROOT_LINE_SIZE entries in the root line store
    uint32_t flags;
    int32_t depth;   // iteration in which the move was last searched
    int32_t score;
    int32_t second;
};

extern RootMove root_moves[MAX_ROOT_MOVES];
extern int root_move_count;
extern int root_move_index;  // the entry being searched

// Root state of the search under way.
extern int root_search_state;  // 2 failed low, 3 iterating, 4 new best, 6 failed high
extern int root_instability;   // 0; 1 after a fail; 4 after fails of both kinds or a drawn best
extern int best_move_changes;  // of this iteration
extern int best_known_mate;    // best score of a known root move beyond the mate bound, -8192 when none
extern int root_evaluation;
extern int root_alpha, root_beta;  // the window the driver hands to search_root
extern int root_margin;            // lowers the MultiPV threshold window at shallow depths
extern uint16_t root_signatures[2];  // root material signatures of the last search

// Root search states.
constexpr int ROOT_FAILED_LOW = 2;
constexpr int ROOT_ITERATING = 3;
constexpr int ROOT_NEW_BEST = 4;
constexpr int ROOT_FAILED_HIGH = 6;

// Values of the driver that the root bookkeeping reads and writes.
extern int64_t time_extension_ms;     // extra time granted while the root is unsettled
extern int reference_score;           // the root score the time extension compares with
extern int reference_score_change;    // its change in the last iteration
extern int iterations_without_change; // cleared by a new best move

// The "searchmoves" of a "go" command: the root preparation keeps only these
// moves (when one of them is legal) and empties the list.
constexpr int SEARCHMOVES_CAPACITY = 256;
extern uint16_t searchmoves[SEARCHMOVES_CAPACITY];
extern int searchmoves_count;

// First iteration only. Book move to play without search, or 0.
Move prepare_root(int side);
// First iteration only: scores and classifies every root move.
void prepare_root_moves(Position* pos);
// One iteration; the best score.
int search_root(Position* pos, int depth);
// A root move got a new result: moves it up, grants time, prints; its new index.
int report_root_result(int index);
void sort_root_moves_by_score();
void sort_root_moves_by_nodes();

// The best root move's principal variation as an "info" line at `depth`; a
// finished game's line is empty and carries its mate or stalemate score.
void print_root_pv(int depth);
// The root's principal variations: the MultiPV lines, else the best one.
void print_root_lines(int depth);
