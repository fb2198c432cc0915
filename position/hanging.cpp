// Hanging values and their upkeep after a move.
#include "position/hanging.h"

#include "position/attack_units.h"
#include "position/exchange.h"

int hanging_value_at(const Position* pos, int side, int square) {
    const AttackRecord& enemy = pos->attacks[side ^ 1][square];
    if (enemy.direct == 0) return 0;
    int value = PIECE_VALUES[pos->kind[square]] - 8 * exchange_entry(pos->attacks[side][square].xray, enemy.xray);
    return value > 0 ? value : 0;
}

namespace {

// Recomputes the man's value and keeps the side's sum and mask; returns the
// new value.
inline int recompute_hanging_value(Position* pos, int side, int square) {
    clear_hanging_value(pos, side, square);
    int value = hanging_value_at(pos, side, square);
    if (value != 0) {
        pos->hanging[square] = value;
        pos->hanging_sum[side] += value;
        pos->hanging_slots[side] |= pos->slot_bit[square];
    }
    return value;
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
    int threat_gain = 0;
    int defence_gain = 0;
    for (int side = WHITE; side <= BLACK; ++side) {
        for (uint32_t men = pos->dirty_slots[side] & pos->slots[side] & 0xFFFE; men;) {
            int slot = highest_slot(men);
            men ^= 1u << slot;
            int square = pos->piece_list[side][slot];
            int before = pos->hanging[square];
            int after = recompute_hanging_value(pos, side, square);
            if (moved_man_hangs && (mover_table[square].direct & moved_bit)) {
                if (side == other && after > before) threat_gain += after - before;
                if (side == mover && after < before) defence_gain += before - after;
            }
        }
    }
    pos->threat_gain = threat_gain;
    pos->defence_gain = defence_gain;
}

void compute_hanging_values(Position* pos) {
    for (int side = WHITE; side <= BLACK; ++side) {
        for (uint32_t men = pos->slots[side] & pos->dirty_slots[side] & 0xFFFE; men;) {
            int slot = highest_slot(men);
            men ^= 1u << slot;
            recompute_hanging_value(pos, side, pos->piece_list[side][slot]);
        }
    }
}
