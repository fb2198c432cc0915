// The tablebase queries of morvax-tx: the result of a position and of each
// of its moves, and the best line, as text. They read the tables through the
// evaluation's probe entry, so they answer once tables are registered.
#pragma once

#include <string>

// Both sides to move ("tbsall"); 1, or 0 after an "Unknown" message. Leaves
// White to move with null moves on the ply stack.
int tb_query_all(std::string* text);
// The side to move only ("tbsmoves"); 0 after "Unknown" or when the side not
// to move is in check (an empty answer).
int tb_query_moves(std::string* text);
// The best line from `ply` (1 first) with `side` to move ("tbsline").
int tb_query_line(int side, int ply, std::string* text);
