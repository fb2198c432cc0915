// The positional evaluation: king safety, threats against pieces, pawn
// structure and piece placement, for every material without a specialised
// endgame term, with the two-threat penalty and two material corrections.
#pragma once

#include <cstdint>

struct Position;

// m: the material score for the side to move; strong: the side with more
// material. Returns m plus the positional sum from the side to move's view,
// and widens the side to move's lazy-evaluation margins.
int eval_positional(Position* pos, int side_to_move, int m, int strong);

// The two corrections by the material sums, White's view: two pawns more
// against a rook's worth (896 against 640), and the mop-up of a side a queen
// or more ahead against a defender without pawns.
int eval_material_corrections(const Position* pos, int strong);

// Per-search values the root preparation writes and the terms read:
// - threat_shift: per side, the right shift of the passed-pawn threat values
//   (5; 6 for the side the playing style favours);
// - playing_style_side: 0 with the Active style, else the favoured side + 1
//   (that side's king safety is not sharpened);
// - root_side_to_move: the side to move at the root.
constexpr uint8_t THREAT_SHIFT_DEFAULT = 5;
extern uint8_t threat_shift[2];
extern uint8_t playing_style_side;
extern int root_side_to_move;
