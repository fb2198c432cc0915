// The one way into the endgame tablebases from the evaluation and the
// search. Until tablebase files can be read it answers "no value" for every
// position.
#pragma once

struct Position;

// The stored entry value that means "no value".
constexpr int TB_NO_VALUE = 0x7FFF;

// The largest number of men (kings included) among the registered tables: 0
// when none; callers probe only positions with at most that many men.
extern int tb_max_pieces;

// 1 when the tables know the position, with *result 0 for a draw, n > 0 when
// the side to move wins in n moves, -n when it is mated in n moves; 0 when
// they don't (*result is then left unchanged).
int tb_probe_position(Position* pos, int* result);
