// The board's men as 64-bit square sets (bit = square), read off the kind
// bytes when the evaluation or the move generator needs them. With a set the
// first man on a ray is one bit scan, where a walk along the ray would branch
// on every square and mispredict where the ray ends.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "position/ray_masks.h"
#include "position/geometry.h"
#include "position/position.h"

namespace board_sets_detail {

constexpr uint64_t LOW_SEVEN_BITS = 0x7F7F7F7F7F7F7F7Full;
constexpr uint64_t EACH_BYTE_ONE = 0x0101010101010101ull;

// 0x80 in each byte of w that is not zero, 0 in the others.
constexpr uint64_t nonzero_bytes(uint64_t w) { return (((w & LOW_SEVEN_BITS) + LOW_SEVEN_BITS) | w) & ~LOW_SEVEN_BITS; }

// The low bits of w's eight bytes as one byte, byte i to bit i: the
// multiplication moves each into the top byte without carries.
constexpr uint64_t gather_low_bits(uint64_t low_bits) { return (low_bits * 0x0102040810204080ull) >> 56; }

// The top bits of w's eight bytes (from nonzero_bytes) as one byte, byte i
// to bit i.
constexpr uint64_t byte_flags(uint64_t high_bits) { return gather_low_bits(high_bits >> 7); }

}  // namespace board_sets_detail

// The file's squares of `set` as one byte, rank i to bit i.
constexpr int file_byte(uint64_t set, int file) {
    using namespace board_sets_detail;
    return int(gather_low_bits((set >> file) & EACH_BYTE_ONE));
}

struct BoardSets {
    uint64_t occupied;     // every man
    uint64_t rook_stops;   // every man but the rooks and queens of either colour
};

// The sets read eight squares at a time as one word, on any processor.
inline BoardSets board_sets_bytewise(const Position* pos) {
    using namespace board_sets_detail;
    BoardSets sets{0, 0};
    for (int row = 0; row < 8; ++row) {
        uint64_t kinds;
        std::memcpy(&kinds, pos->kind + 8 * row, sizeof kinds);
        const uint64_t men = nonzero_bytes(kinds);
        // Rooks (4) and queens (5) are the kinds whose bits 1-2 read 2.
        const uint64_t not_rook_or_queen = nonzero_bytes((kinds & 6 * EACH_BYTE_ONE) ^ 4 * EACH_BYTE_ONE);
        sets.occupied |= byte_flags(men) << (8 * row);
        sets.rook_stops |= byte_flags(men & not_rook_or_queen) << (8 * row);
    }
    return sets;
}

// The occupied squares and the men that end a rook's mobility line.
inline BoardSets board_sets(const Position* pos) {
#if defined(__SSE2__)
    // Sixteen squares per step: SSE2 is part of every x86-64 processor.
    BoardSets sets{0, 0};
    const __m128i no_kind = _mm_setzero_si128();
    const __m128i bits_1_2 = _mm_set1_epi8(6);
    const __m128i rook_or_queen = _mm_set1_epi8(4);  // rooks (4) and queens (5) read 2 in bits 1-2
    for (int part = 0; part < 4; ++part) {
        const __m128i kinds = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pos->kind + 16 * part));
        const uint64_t empty = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(kinds, no_kind)));
        const uint64_t line_on =
            uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(kinds, bits_1_2), rook_or_queen)));
        sets.occupied |= (~empty & 0xFFFF) << (16 * part);
        sets.rook_stops |= (~(empty | line_on) & 0xFFFF) << (16 * part);
    }
    return sets;
#else
    return board_sets_bytewise(pos);
#endif
}

// The first man of `men` on the ray from `square` in line direction `dir`
// (any square when the ray has none) and how many squares lie before it (the
// ray's length when it has none). Worked out without a branch: whether a ray
// is free follows no pattern.
struct RayStop {
    bool found;
    int square;
    int before;
};

inline RayStop ray_stop(uint64_t men, int dir, int square) {
    const uint64_t on_ray = men & RAY_MASKS[dir][square];
    // Rays of a positive step meet the lowest square first. The extra bit
    // keeps each scan defined on an empty ray.
    const int lowest = __builtin_ctzll(on_ray | (uint64_t(1) << 63));
    const int highest = 63 - __builtin_clzll(on_ray | 1);
    const int ascending = -int(DIRECTION_STEPS[dir] > 0);
    const int first = (lowest & ascending) | (highest & ~ascending);  // a mask: the compiler would branch
    const int before = king_distance[first][square] - 1;
    const int length = ray_length[dir][square];
    return {on_ray != 0, first, on_ray != 0 ? before : length};
}
