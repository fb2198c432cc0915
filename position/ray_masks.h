// Per line direction (0-7, the codes of position/geometry.h) and square: the
// squares of the ray from that square to the edge, the square itself
// excluded, as a 64-bit set (bit = square).
#pragma once

#include <array>
#include <cstdint>

using RayMasks = std::array<std::array<uint64_t, 64>, 8>;

inline constexpr RayMasks RAY_MASKS = [] {
    constexpr int FILE_STEP[8] = {1, 0, -1, 0, -1, 1, -1, 1};
    constexpr int RANK_STEP[8] = {0, 1, 0, -1, 1, 1, -1, -1};
    RayMasks masks{};
    for (int dir = 0; dir < 8; ++dir) {
        for (int square = 0; square < 64; ++square) {
            uint64_t mask = 0;
            int f = square % 8 + FILE_STEP[dir];
            int r = square / 8 + RANK_STEP[dir];
            for (; f >= 0 && f < 8 && r >= 0 && r < 8; f += FILE_STEP[dir], r += RANK_STEP[dir])
                mask |= uint64_t(1) << (8 * r + f);
            masks[dir][square] = mask;
        }
    }
    return masks;
}();

// Per line direction and square: the ray's last square as a bit, or the
// square's own bit when the ray is empty. Added to a ray's men it gives a
// scan a stop on every ray, so the free length needs no test for a free ray.
inline constexpr RayMasks RAY_END_BITS = [] {
    RayMasks ends{};
    for (int dir = 0; dir < 8; ++dir) {
        for (int square = 0; square < 64; ++square) {
            const uint64_t mask = RAY_MASKS[dir][square];
            const bool ascending = dir == 0 || dir == 1 || dir == 4 || dir == 5;
            uint64_t end = uint64_t(1) << square;
            if (mask != 0) end = ascending ? uint64_t(1) << (63 - __builtin_clzll(mask)) : mask & -mask;
            ends[dir][square] = end;
        }
    }
    return ends;
}();
