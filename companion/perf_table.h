// Rating difference against percentage score (the standard rating table),
// indexed by the score in whole percent 0..100; entry 100 - p is -entry p.
#pragma once

#include <array>
#include <cstdint>

namespace perf_table_detail {
// Differences for 50..100 percent.
inline constexpr int16_t UPPER_HALF[51] = {0,   7,   14,  21,  29,  36,  43,  50,  57,  65,  72,  80,  87,
                                            95,  102, 110, 117, 125, 133, 141, 149, 158, 166, 175, 184, 193,
                                            202, 211, 220, 230, 240, 251, 262, 273, 284, 296, 309, 322, 336,
                                            351, 366, 383, 401, 422, 444, 470, 501, 538, 589, 677, 800};
constexpr std::array<int16_t, 101> build() {
    std::array<int16_t, 101> table{};
    for (int p = 0; p <= 50; ++p) {
        table[50 + p] = UPPER_HALF[p];
        table[50 - p] = int16_t(-UPPER_HALF[p]);
    }
    return table;
}
}  // namespace perf_table_detail

inline constexpr std::array<int16_t, 101> perf_table = perf_table_detail::build();
