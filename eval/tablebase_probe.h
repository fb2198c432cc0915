// The endgame tablebases as the evaluation and the root preparation ask
// them. The tablebases sit above the search: they install their probe here
// when they start and record the size of their largest table when they
// register it. Until then no table is known and nothing is probed.
#pragma once

struct Position;

// The largest number of men (kings included) among the registered tables: 0
// when none; callers probe only positions with at most that many men.
extern int tb_max_pieces;

// A probe result for "the side to move is mated now": a loss in 0 moves,
// kept apart from 0, which is a draw. Below every real loss distance.
constexpr int TB_MATED_NOW = -0x8000;

// Moves to the end of a lost game from a negative probe result.
constexpr int tb_loss_moves(int result) { return result == TB_MATED_NOW ? 0 : -result; }

// 1 when the tables know the position, with *result 0 for a draw, n > 0 when
// the side to move wins in n moves, -n when it is mated in n moves, and
// TB_MATED_NOW when it is mated already; 0 when they don't (*result is then
// left unchanged). Safe from any number of threads. The tablebases install
// their tb_probe_position when they start (init_tablebases).
using TablebaseProbe = int (*)(Position* pos, int* result);
extern TablebaseProbe tablebase_probe;
