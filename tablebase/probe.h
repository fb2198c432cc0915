// The one way into the endgame tablebases from the evaluation and the
// search, which call it through tablebase_probe (eval/tablebase_probe.h,
// with tb_max_pieces): the exact result of a position whose material has a
// registered table.
#pragma once

#include <cstdint>

#include "eval/tablebase_probe.h"
#include "tablebase/entry_value.h"

struct Position;

// 1 when the tables know the position, with *result 0 for a draw, n > 0 when
// the side to move wins in n moves, -n when it is mated in n moves, and
// TB_MATED_NOW when it is mated already; 0 when they don't (*result is then
// left unchanged). Allocates nothing; safe from any number of threads.
int tb_probe_position(Position* pos, int* result);

// The entry at `index` of a side's table (side 0: the first-named side to
// move) of a record, on the 16-bit scale of entry_value.h, or TB_NO_VALUE.
int tb_probe_entry(int record, int side, uint64_t index);
