// Hanging values: for every man but the kings, how much material its side
// loses on its square by the static exchange when the enemy attacks it
// (PIECE_VALUES[kind] - 8 x the exchange entry, when positive; else 0). Kept
// per square (`hanging`), summed per side (`hanging_sum`) with the set of
// slots that hang (`hanging_slots`); only the slots marked in `dirty_slots`
// are recomputed after a move.
#pragma once

#include "position/position.h"

// The hanging value the man on `square` (of colour `side`) has on the current
// tables.
int hanging_value_at(const Position* pos, int side, int square);

// After a make: recompute the dirty slots, set the discovered-check flag of
// the record and the moved man's threat_gain / defence_gain.
void update_hanging_values(Position* pos, int to, int mover, PlyRecord* record);

// Recompute the dirty slots of both sides (kings never). The dirty masks are
// left as they are.
void compute_hanging_values(Position* pos);

// The hanging values as the current ply may change them: the first change at
// this ply copies them into the ply's slot, away from the plies before.
inline void own_hanging_values(Position* pos) {
    HangingTable* own_copy = &pos->ply_tables[pos->table_index].hanging;
    if (pos->hanging_table != own_copy) {
        *own_copy = *pos->hanging_table;
        point_hanging(pos, own_copy);
    }
}

// Takes a man's hanging value out of its side's sum and mask.
inline void clear_hanging_value(Position* pos, int side, int square) {
    int value = pos->hanging[square];
    if (value != 0) {
        own_hanging_values(pos);
        pos->hanging_sum[side] -= value;
        pos->hanging_slots[side] &= ~pos->slot_bit[square];
        pos->hanging[square] = 0;
    }
}
