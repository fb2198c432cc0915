// Values the root preparation fixes for the whole of one search and that the
// evaluation and the transposition table read at every node. The search
// driver writes them before the worker threads are woken; during the search
// they are only read. They sit below the search so that the evaluation may
// read them.
#pragma once

#include <cstdint>

#include "position/types.h"

// The value of a draw for each side: the side to move at the root gets minus
// the engine's draw value setting, the opponent plus it.
extern int draw_score[2];

// Each side's material at the root.
extern int root_material[2];

// Largest number of men besides the kings for which the evaluation asks the
// tablebases in this search; 0: no probing.
extern int tb_men_limit;

// Set by the root scoring when the engine may play on for a win in a drawish
// ending; a tablebase draw is then not taken as the score.
extern int swindle_flag;

// The evaluation treats every ply at or beyond this one as a root-kind call
// (a final value). The strength limit lowers it per iteration.
extern int search_ply_limit;

// Depth of the iteration under way, 0 = no search.
extern int iteration_depth;

// Search-state flags of the search under way.
extern uint32_t search_state_flags;
constexpr uint32_t SEARCH_BEING_MATED = 0x1;
constexpr uint32_t SEARCH_MATE_FOUND = 0x2;     // a mate score was seen at the root in this search
constexpr uint32_t SEARCH_ROOT_DECIDED = 0x80;
