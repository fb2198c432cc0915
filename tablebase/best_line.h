// The tablebase best line: when a root move leads to a tablebase win or
// loss, the line the tables give after it, so that the principal variation
// runs to the end of the game.
#pragma once

#include "position/types.h"

// Walks the tables from the main position (`side` to move, at `ply`),
// writing the best move of each ply into line[ply], line[ply + 1], ... up to
// ply 63 and ending the line with a 0. Returns 1, or 0 when the side to move
// is in check and has no legal move.
int tb_build_line(int side, int ply, Move* line);
