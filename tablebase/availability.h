// Which materials may be probed, by material key and side to move: one bit
// per key, cleared when an entry of that material and side could not be
// read, so that one bad file costs one failed read, not one per probe. Bits
// are read and cleared with relaxed atomic operations by all search threads.
//
// The material key starts at 2 (white to move) or 3 (black to move) and
// appends one decimal digit per man besides the kings: white pawn 0, knight
// 1, bishop 2, rook 3, queen 4, black pawn 5 .. queen 9, white's men first,
// each side's by kind pawn to queen. For n men on the board the keys stay
// below 4 x 10^(n-2).
#pragma once

#include <cstddef>

// Makes every key of up to `men` men (kings included) available; 0 when the
// memory could not be had (nothing is then available).
int tb_availability_allocate(int men);
void tb_availability_free();

// Keys beyond the bits (more men than they were made for) are unavailable.
bool tb_is_available(int key);
void tb_mark_unavailable(int key);
