// The men of a side that the enemy attacks, as slot bits: the threats term
// visits only them. All fifteen slots but the king's are read, a fixed
// sequence without a branch (which men are attacked follows no pattern); an
// empty slot's square (NO_SQUARE) is kept on the board by a mask and its bit
// dropped by the live slots.
#pragma once

#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "position/position.h"

// One square at a time, on any processor.
inline uint32_t attacked_men_scalar(const Position* pos, int side) {
    const AttackRecord* enemy = pos->attacks[side ^ 1];
    uint32_t attacked = 0;
    for (int slot = 1; slot < 16; ++slot)
        attacked |= uint32_t(enemy[pos->piece_list[side][slot] & 63].direct != 0) << slot;
    return attacked & pos->slots[side];
}

#if defined(__SSE2__)
namespace attacked_men_detail {

// The top half of a direct attack word: not 0 exactly when the square is
// attacked, as every attacker counts there (in its class and the total).
inline int attack_word_top(const AttackRecord& record) {
    uint16_t top;
    std::memcpy(&top, reinterpret_cast<const char*>(&record.direct) + 2, sizeof top);
    return top;
}

// Eight slots' top halves in the sixteen-bit lanes of one register, one
// insertion each, where the scalar test needs four instructions more a slot.
template <int... LANE>
[[gnu::always_inline]] inline __m128i attack_tops(const AttackRecord* enemy, const uint8_t* squares,
                                                 std::integer_sequence<int, LANE...>) {
    __m128i tops = _mm_setzero_si128();
    ((tops = _mm_insert_epi16(tops, attack_word_top(enemy[squares[LANE] & 63]), LANE)), ...);
    return tops;
}

}  // namespace attacked_men_detail
#endif

inline uint32_t attacked_men(const Position* pos, int side) {
#if defined(__SSE2__)
    // SSE2 is part of every x86-64 processor. Slot 0 (the king) is read too
    // and its bit dropped.
    using namespace attacked_men_detail;
    const AttackRecord* enemy = pos->attacks[side ^ 1];
    const uint8_t* squares = pos->piece_list[side];
    const __m128i low = attack_tops(enemy, squares, std::make_integer_sequence<int, 8>());
    const __m128i high = attack_tops(enemy, squares + 8, std::make_integer_sequence<int, 8>());
    const __m128i zero = _mm_setzero_si128();
    const __m128i free = _mm_packs_epi16(_mm_cmpeq_epi16(low, zero), _mm_cmpeq_epi16(high, zero));
    return ~uint32_t(_mm_movemask_epi8(free)) & pos->slots[side] & ~1u;
#else
    return attacked_men_scalar(pos, side);
#endif
}
