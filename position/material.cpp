// The material index and its out-of-table excess.
#include "position/material.h"

#include "position/geometry.h"
#include "position/position.h"

int material_index_excess(const Position* pos, int side) {
    uint32_t live = pos->slots[side];
    if (bit_count(pos->knight_slots[side] & live) > 2) return MATERIAL_TABLE_LIMIT;
    if (bit_count(pos->rook_slots[side] & live) > 2) return MATERIAL_TABLE_LIMIT;
    if (bit_count(pos->pawn_slots[side] & live) > 8) return MATERIAL_TABLE_LIMIT;
    uint32_t bishops = pos->bishop_slots[side] & live;
    if (bishops & (bishops - 1)) {
        // Two or more bishops: the table has room for one of each square colour.
        int per_colour[2] = {0, 0};
        for (; bishops; bishops &= bishops - 1)
            ++per_colour[square_colour[pos->piece_list[side][slot_index(bishops & -bishops)]]];
        if (per_colour[0] > 1 || per_colour[1] > 1) return MATERIAL_TABLE_LIMIT;
    }
    return 0;
}

int compute_material_index(const Position* pos, int side) {
    int index = 0;
    for (uint32_t men = pos->slots[side] & 0xFFFE; men; men &= men - 1) {
        int square = pos->piece_list[side][slot_index(men & -men)];
        index += material_index_increment(pos->kind[square], square);
    }
    return index + material_index_excess(pos, side);
}
