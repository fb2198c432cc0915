// Making and unmaking moves. Every field of the Position stays exact: board,
// piece lists and slot masks, both attack tables, material counters, key and
// hanging values. Each make pushes one PlyRecord and each unmake pops one.
// Moves are pseudo-legal: legality (the mover's king not attacked) is tested
// by the caller after the make.
#pragma once

#include "position/position.h"
#include "position/types.h"
#include "position/zobrist.h"

void make_move(Position* pos, Move move);
// Takes back the last move made on this Position: the tables are those of
// the ply before, which the make left as they were.
void unmake_move(Position* pos);
// Takes back the move of the current PlyRecord when its make is no longer
// the last one on this ply (the game history's take-back, after its record
// was reloaded): the tables are built afresh from the board.
void take_back_move(Position* pos);

// The high half of the key that make_move(pos, move) gives, found without
// making the move (castling, which moves two men, returns the key as it is):
// the searches start loading the child's table entries with it, so that the
// make hides the memory latency.
inline uint32_t key_hi_after(const Position* pos, Move move) {
    const int from = move_from(move), to = move_to(move), kind = move_kind(move);
    if (kind == MK_CASTLING) return pos->key_hi;
    const int side = pos->side;
    const int piece = pos->kind[from];
    const int arriving = is_promotion(move) ? PROMOTION_KIND_MAP[kind] : piece;
    uint32_t key = pos->key_hi ^ zobrist_hi(piece, side, from) ^ zobrist_hi(arriving, side, to);
    if (kind == MK_EN_PASSANT)
        key ^= zobrist_hi(PAWN, side ^ 1, side == WHITE ? to - 8 : to + 8);
    else if (pos->kind[to] != NO_KIND)
        key ^= zobrist_hi(pos->kind[to], side ^ 1, to);
    return key;
}

// Passes the turn. unmake_move must not be used for it (a null move has the
// castling kind): take it back with unmake_null_move.
void make_null_move(Position* pos);
void unmake_null_move(Position* pos);

// The castling part of make (make_flag 1) and of unmake (0: the board alone).
void make_castling(Position* pos, int side, int other, int king_from, int king_to, int make_flag);
void make_castling_chess960(Position* pos, int side, int other, int king_from, int rook_square,
                            int make_flag);
// Removes (make_flag 1) or restores (0: on the board alone) the pawn taken
// en passant.
void make_en_passant(int to, Position* pos, int from, int make_flag);
