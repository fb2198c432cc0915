// Move ordering: the pass that ends every generator and turns the raw scores
// of a move list into the order the search picks moves in (highest first,
// the first of equal scores).
//
// score_moves (main search) bands, highest first: winning or even captures
// and queen promotions (30003 + raw score), the two killers (2640, 2512),
// other quiet moves by history (-30000 + 128 x history ratio), losing
// captures and under-promotions (below -30000).
//
// flag_checks_and_see (quiescence search, and lists generated with a
// non-zero mode) keeps the raw scores, lowered by the exchange loss; with
// mode bit 2 it also flags checking moves (bit 15), rewards checks the king
// cannot escape and adds the position's check_bonus.
#pragma once

#include "position/types.h"

struct Position;

// Scores the list of `ply` from its start (move_list_start) to `end`.
void score_moves(int ply, Position* pos, int side, MoveEntry* end);

void flag_checks_and_see(int mode, Position* pos, int side, MoveEntry* start, MoveEntry* end);

// Material the side to move loses by playing the move into the static
// exchange on its to-square: 0 when the square is not attacked or the
// recaptures win back at least the mover's value. A promoting pawn is valued
// as a queen when promotion_as_queen is set. Not for castling moves.
int exchange_loss(const Position* pos, int side, Move move, bool promotion_as_queen);
