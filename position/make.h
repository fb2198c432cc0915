// Making and unmaking moves. Every field of the Position stays exact: board,
// piece lists and slot masks, both attack tables, material counters, key and
// hanging values. Each make pushes one PlyRecord and each unmake pops one.
// Moves are pseudo-legal: legality (the mover's king not attacked) is tested
// by the caller after the make.
#pragma once

#include "position/types.h"

struct PlyRecord;
struct Position;

void make_move(Position* pos, Move move);
void unmake_move(Position* pos);

// Passes the turn. unmake_move must not be used for it (a null move has the
// castling kind): take it back with unmake_null_move.
void make_null_move(Position* pos);
void unmake_null_move(Position* pos);

// The castling part of make (make_flag 1) and unmake (0).
void make_castling(Position* pos, int side, int other, int king_from, int king_to, int make_flag);
void make_castling_chess960(Position* pos, int side, int other, int king_from, int rook_square,
                            int make_flag);
// Removes (make_flag 1) or restores (0) the pawn taken en passant.
void make_en_passant(int to, Position* pos, int from, int make_flag);
