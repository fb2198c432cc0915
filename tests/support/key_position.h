// A position that is nothing but a key and a side to move: enough for every
// transposition-table entry without a move. One shared holder, overwritten
// by each call.
#pragma once

#include <cstdint>

#include "position/types.h"

struct Position;

Position* key_position(uint32_t key_hi, uint32_t key_lo, int side = WHITE);
