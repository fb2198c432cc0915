// The alpha-beta search of one node below the root: principal-variation
// search with fractional depth (whole plies and a carried half ply),
// mate-distance pruning, transposition-table cut-offs, null move with
// verification, razoring, internal iterative deepening, futility and
// move-count pruning, late-move reductions and extensions in half plies.
#pragma once

#include <cstdint>

#include "position/position.h"
#include "search/threads.h"

// node_kind: 0 at principal-variation nodes (full window), +-1 at zero-window
// nodes. Returns the node's score for the side to move; 0 when the search
// was stopped (the caller discards it).
int search(Position* pos, int ply, int depth, int half_ply, int alpha, int beta, uint32_t flags, int node_kind);

// One move of a split node, on the searching thread's own Position at the
// node: makes it; false (taken back) when it is illegal; else its score for
// the node in *score, searched as the node's own loop searches a move after
// the first (without the futility and move-count pruning), with the split
// point's alpha and best as they were when it was taken and the moves taken
// before it counted as searched. The move stays made.
struct NodeFrame;
bool search_split_move(Position* pos, const NodeFrame& frame, Move move, int order, int alpha, int best,
                       int moves_searched, int* score);

// Futility, move-count pruning and reductions need a history ratio at or
// below (reductions: below) this; set by the driver from "Search
// Selectivity" (0 when it is 1 or less, else (s + 1) x 32).
extern int history_threshold;

// The stop request the searches read after every child.
inline bool search_stop_requested(const Position* pos) {
    return thread_slots[pos->thread_index].stop.load(std::memory_order_relaxed) != 0;
}

// Switches that turn the selective parts of the search off, so that tests
// can compare it with a plain minimax of the same evaluation. 0 in play.
constexpr uint32_t SEARCH_NO_NULL_MOVE = 0x1;
constexpr uint32_t SEARCH_NO_RAZORING = 0x2;
constexpr uint32_t SEARCH_NO_FUTILITY = 0x4;      // futility and move-count pruning
constexpr uint32_t SEARCH_NO_REDUCTIONS = 0x8;    // late-move reductions, the "one ply shallower" request
constexpr uint32_t SEARCH_NO_EXTENSIONS = 0x10;
constexpr uint32_t SEARCH_NO_TT = 0x20;           // no probes and no stores
constexpr uint32_t SEARCH_STATIC_HORIZON = 0x40;  // the horizon takes horizon_value instead of qsearch
constexpr uint32_t SEARCH_PLAIN = 0x7F;
extern uint32_t search_switches;

// The horizon's value with SEARCH_STATIC_HORIZON: mated or drawn by the
// fifty-move rule as a node would find, else the full static evaluation.
int horizon_value(Position* pos, int ply);
