// Exact knowledge of king and pawn against king: a bitbase of every such
// position, computed once at start-up by retrograde analysis.
#pragma once

// Builds the bitbase (about 24 KB, a few milliseconds). Call once at start-up
// before any search; calling it again does nothing.
void init_kpk_bitbase();

// Whether the bitbase has been built.
bool kpk_bitbase_ready();

// 1 when the side with the pawn wins, 0 when the position is drawn (or
// cannot arise: side not to move in check, men on one square, kings in
// contact). Squares are real board squares; `pawn_side` is the colour of the
// pawn and `pawn_side_to_move` 1 when that side is to move.
int kpk_probe(int pawn_side, int pawn_side_to_move, int strong_king, int pawn, int weak_king);

// King and pawn against king for the pawn side: 0 with kind KIND_DRAWN when
// drawn, else a won value with kind KIND_WON. The value grows as the pawn
// advances and as the own king comes to the square in front of it, so that
// the search makes progress.
int kpk_knowledge(int pawn_side, int pawn_side_to_move, int strong_king, int pawn, int weak_king, int* kind);
