// The opening book as the root preparation asks it: a move to play without
// searching, or none.
#pragma once

#include <cstdint>

#include "position/types.h"

// The chosen book move for `side` on the main position: the root move's
// full move, with its check bit, or 0 when the book has none or is out of
// reach. `options` is the search's copy of the book options. Reads the root
// move list.
Move choose_book_move(uint32_t options, int side);

// Where the choice takes its random seed from: the calendar time in seconds;
// tests fix it.
using BookSeedSource = uint32_t (*)();
extern BookSeedSource book_seed_source;
