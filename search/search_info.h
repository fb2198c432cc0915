// The running search's figures that its output prints.
#pragma once

#include <atomic>
#include <cstdint>

#include "eval/root_state.h"  // iteration_depth, which the evaluation reads too

extern int seldepth;             // deepest ply reached
extern uint64_t total_nodes;     // nodes of all threads, as last counted for output
extern uint32_t reported_nps;    // nodes per second, as last measured for output
extern std::atomic<uint32_t> tb_hit_count;  // tablebase probes that found a value (all threads)

// Nodes per second over the search so far, the time spent pondering before
// a "ponderhit" included.
uint32_t nodes_per_second(uint64_t nodes, uint32_t elapsed_ms);
// Counts `total_nodes` and `reported_nps` afresh, at `elapsed_ms` into the
// search, for a line about to print them.
void refresh_search_figures(uint32_t elapsed_ms);
