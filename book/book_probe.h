// The opening book as the root preparation asks it: a move to play without
// searching, or none.
#pragma once

#include <cstdint>

#include "position/types.h"

// The chosen book move for `side` on the main position (with its check
// bit), or 0 when the book has none or is out of reach. `options` is the
// search's copy of the book options.
Move choose_book_move(uint32_t options, int side);
