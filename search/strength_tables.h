// The rating scale of the strength limit and the thread speed-up it assumes.
#pragma once

#include <cstdint>

// The rating reached at a node rate of 2^k nodes per second, k = 0..27.
inline constexpr int16_t ELO_RATE_TABLE[28] = {650,  820,  990,  1160, 1330, 1500, 1670, 1840, 2000, 2150,
                                               2290, 2420, 2540, 2650, 2750, 2840, 2920, 2990, 3050, 3100,
                                               3150, 3200, 3250, 3300, 3350, 3400, 3450, 3500};
inline constexpr int ELO_RATE_TOP_INDEX = 27;

// The speed of 1..8 and more threads, in sixteenths of one thread.
inline constexpr int THREAD_SPEEDUP_TABLE[8] = {16, 28, 39, 49, 58, 66, 73, 79};

// The ply limit of the first iterations, by iteration 0..4.
inline constexpr int EARLY_PLY_TABLE[5] = {1, 4, 6, 8, 10};
