// The passed-pawn term of the pawn structure.
#pragma once

struct Position;

// The value for `side` of its passed pawn on `square` (path control, king
// distances, support, the race against a king without pieces) and, on the
// seventh rank, the promotion threat recorded against the other side.
// `defender_to_move` is 1 when the other side is to move.
int passed_pawn_value(Position* pos, int side, int square, int defender_to_move);
