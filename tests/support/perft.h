// Perft: the number of leaf nodes of the legal move tree below a position,
// counted with the engine's own generators (gen_evasions in check, else
// gen_moves mode 0) and make/unmake, a move being legal when the mover's king
// is not attacked after it. Shared by the perft tool and the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "position/types.h"

struct Position;

// The ply whose move list the root of a perft run uses.
constexpr int PERFT_ROOT_PLY = 1;

// Leaf nodes `depth` plies below the position, whose move list is that of `ply`.
uint64_t perft(Position* pos, int ply, int depth);

struct PerftDivideEntry {
    Move move;
    uint64_t nodes;
};

// Each legal root move with the leaf count of its subtree (depth >= 1), in
// generation order.
std::vector<PerftDivideEntry> perft_divide(Position* pos, int depth);

// Coordinate notation: e2e4, e7e8q; castling as the king's from and the
// move's to-square (e1g1, or e1h1 for Chess960 castling onto the rook).
std::string move_text(Move move);

// One "<move>: <count>" line per entry.
std::string divide_text(const std::vector<PerftDivideEntry>& divide);
