// The tablebase best line: when a root move leads to a tablebase win or
// loss, the line the tables give after it, so that the principal variation
// runs to the end of the game.
#pragma once

#include "position/types.h"

// The last ply the line holds a move at; line[TB_LINE_LAST_PLY + 1] is 0 at
// the latest.
constexpr int TB_LINE_LAST_PLY = 62;

// Walks the tables from the main position (`side` to move, at `ply`),
// writing the best move of each ply into line[ply], line[ply + 1], ... as
// long as the best move keeps a decided result (a mating move is the last),
// and ends the line with a 0 (at the latest at TB_LINE_LAST_PLY + 1). Moves
// that give check carry MOVE_GIVES_CHECK. Returns 1, or 0 when the side to
// move is in check and has no legal move. Leaves the position as it was and
// overwrites the move lists of plies `ply` and above.
int tb_build_line(int side, int ply, Move* line);

// Sorts the ply's move list by score, highest first; of equal scores the
// one listed first stays first.
void sort_moves_by_score(int ply);
