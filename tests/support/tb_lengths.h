// The length of a tablebase side's table: 1 + the largest index that a
// position a game can reach gives. Found among the positions of the highest
// king pair that has one (the king pair is the index's most significant
// part); with pawns on both sides, among the en-passant positions, which are
// stored after all others.
#pragma once

#include <cstdint>

// The index functions must be installed (tb_init_index_functions).
uint64_t tb_compute_length(int record, int side);
