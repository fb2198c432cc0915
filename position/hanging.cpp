// Hanging values and their upkeep after a move.
#include "position/hanging.h"

#include <cstdint>

#include "position/attack_units.h"
#include "position/exchange.h"

// Hanging values are kept in 16 bits: none exceeds the value of the man.
static_assert(PIECE_VALUES[QUEEN] <= INT16_MAX && PIECE_VALUES[KING] <= INT16_MAX);

int hanging_value_at(const Position* pos, int side, int square) {
    const AttackRecord& enemy = pos->attacks[side ^ 1][square];
    const int value = PIECE_VALUES[pos->kind[square]] - 8 * exchange_entry(pos->attacks[side][square].xray, enemy.xray);
    // The exchange worked out and masked rather than skipped for an
    // unattacked man: whether a man is attacked follows no pattern, and the
    // two table reads hit the cache.
    return (value > 0 ? value : 0) & -int(enemy.direct != 0);
}

namespace {

// Recomputes one man's value and keeps the side's sum and mask; returns the
// new value.
inline int recompute_hanging_value(Position* pos, int side, int square) {
    clear_hanging_value(pos, side, square);
    int value = hanging_value_at(pos, side, square);
    if (value != 0) {
        own_hanging_values(pos);
        pos->hanging[square] = int16_t(value);
        pos->hanging_sum[side] += value;
        pos->hanging_slots[side] |= pos->slot_bit[square];
    }
    return value;
}

// Recomputes the given men of `side`, keeping the side's sum and mask in
// registers until the end (the men are independent, so any order gives the
// same result). With Gains, adds to `gain` how much the men the moved man
// attacks changed: for the mover what their values dropped (defence), for
// the other side what they grew (threat).
template <bool Gains>
[[gnu::always_inline]] inline
void recompute_men(Position* pos, int side, uint32_t men, bool side_is_mover, const AttackRecord* mover_table,
                   uint32_t moved_bit, int& gain) {
    int sum = pos->hanging_sum[side];
    uint32_t hanging_slots = pos->hanging_slots[side];
    for (; men; men &= men - 1) {
        const uint32_t bit = men & (0u - men);
        const int square = pos->piece_list[side][slot_index(bit)];
        const int before = pos->hanging[square];
        const int after = hanging_value_at(pos, side, square);
        pos->hanging[square] = int16_t(after);
        sum += after - before;
        // A mask, not a branch: whether a man hangs follows no pattern.
        hanging_slots = (hanging_slots & ~bit) | (bit & (0u - uint32_t(after != 0)));
        if constexpr (Gains) {
            if (mover_table[square].direct & moved_bit) {
                const int change = side_is_mover ? before - after : after - before;
                if (change > 0) gain += change;
            }
        }
    }
    pos->hanging_sum[side] = sum;
    pos->hanging_slots[side] = hanging_slots;
}

}  // namespace

void update_hanging_values(Position* pos, int to, int mover, PlyRecord* record) {
    const int other = mover ^ 1;
    const AttackRecord* mover_table = pos->attacks[mover];
    const uint32_t moved_bit = pos->slot_bit[to];

    if ((record->flags & PLY_IN_CHECK) &&
        (mover_table[king_square(pos, other)].direct & ATTACK_SLOT_MASK & ~moved_bit))
        record->flags |= PLY_DISCOVERED_CHECK;

    // The moved man first (never the king, whose slot bit is 1).
    bool moved_man_hangs = false;
    if (pos->dirty_slots[mover] & moved_bit & ~1u) {
        pos->dirty_slots[mover] &= ~moved_bit;
        moved_man_hangs = recompute_hanging_value(pos, mover, to) != 0 && !(record->flags & PLY_DISCOVERED_CHECK);
    }

    // Only live men: a captured man may have been marked before it left.
    const uint32_t other_men = pos->dirty_slots[other] & pos->slots[other] & 0xFFFE;
    const uint32_t mover_men = pos->dirty_slots[mover] & pos->slots[mover] & 0xFFFE;
    int threat_gain = 0;
    int defence_gain = 0;
    if (other_men | mover_men) own_hanging_values(pos);
    if (moved_man_hangs) {
        recompute_men<true>(pos, other, other_men, false, mover_table, moved_bit, threat_gain);
        recompute_men<true>(pos, mover, mover_men, true, mover_table, moved_bit, defence_gain);
    } else {
        recompute_men<false>(pos, other, other_men, false, mover_table, moved_bit, threat_gain);
        recompute_men<false>(pos, mover, mover_men, true, mover_table, moved_bit, defence_gain);
    }
    pos->threat_gain = threat_gain;
    pos->defence_gain = defence_gain;
}

void compute_hanging_values(Position* pos) {
    int unused = 0;
    for (int side = WHITE; side <= BLACK; ++side)
        recompute_men<false>(pos, side, pos->slots[side] & pos->dirty_slots[side] & 0xFFFE, false, nullptr, 0, unused);
}
