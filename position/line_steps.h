// Per square and origin on a common line: how a line from the origin goes on
// beyond the square, for the line upkeep. One load from the origin's square
// gives the step and the length, where the direction code would need a
// second load (its step and ray length) after the first.
#pragma once

#include <array>
#include <cstdint>

#include "position/geometry.h"
#include "position/ray_masks.h"

struct LineStep {
    int8_t step;       // board step from the origin toward the square, 0 off a common line
    uint8_t beyond;    // bits 0-2: squares beyond the square to the edge; bits 3-4: the line bit
};

// The line bit of a LineStep (orthogonal 0x10, diagonal 0x08, as
// DIRECTION_LINE_BITS of position/attack_units.h) and its length beyond.
constexpr int line_bit_of(LineStep line) { return line.beyond & 0x18; }
constexpr int length_beyond(LineStep line) { return line.beyond & 7; }

using LineSteps = std::array<std::array<LineStep, 64>, 64>;

// [square][origin], read off the ray masks: the square lies on the origin's
// ray in direction d, and the square's own ray in d is what lies beyond.
inline constexpr LineSteps LINE_STEPS = [] {
    LineSteps steps{};
    for (int dir = 0; dir < 8; ++dir) {
        const uint8_t line_bit = is_orthogonal_direction(dir) ? 0x10 : 0x08;
        for (int origin = 0; origin < 64; ++origin)
            for (int square = 0; square < 64; ++square)
                if ((RAY_MASKS[dir][origin] >> square) & 1)
                    steps[square][origin] = {int8_t(DIRECTION_STEPS[dir]),
                                             uint8_t(__builtin_popcountll(RAY_MASKS[dir][square]) | line_bit)};
    }
    return steps;
}();
