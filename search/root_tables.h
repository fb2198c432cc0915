// Constant tables of the root bookkeeping.
#pragma once

#include <cstdint>

// Time extension for a falling root score, in sixteenths of the target time,
// by the size of the fall and the unrest of the iteration (index 0..63).
inline constexpr uint8_t TIME_EXTENSION_STEPS[64] = {
    2,   5,   8,   11,  15,  20,  26,  32,  37,  42,  47,  52,  56,  60,  64,  68,
    72,  75,  78,  81,  84,  87,  90,  93,  96,  99,  101, 103, 105, 107, 108, 109,
    110, 111, 112, 113, 114, 115, 115, 116, 116, 117, 117, 118, 118, 119, 119, 120,
    120, 121, 121, 122, 122, 123, 123, 124, 124, 125, 125, 126, 126, 127, 127, 128,
};
