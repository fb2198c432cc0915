// The statistics lines of the human-games book moves of a position, printed
// in query mode ("mvinfo1").
#pragma once

#include <cstdint>

#include "position/types.h"

// Prints one line per book record of the main position that matches a move
// of [first, last) (query mode only) and sets the check bit of those moves;
// returns how many matched.
int print_book_moves(int side, uint32_t options, MoveEntry* first, MoveEntry* last);
