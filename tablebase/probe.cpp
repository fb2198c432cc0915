#include "tablebase/probe.h"

#include <atomic>

#include "position/position.h"
#include "search/search_info.h"
#include "tablebase/availability.h"
#include "tablebase/cache.h"
#include "tablebase/descriptor.h"
#include "tablebase/registry.h"
#include "tablebase/table_sides.h"

namespace {

constexpr int KINDS = 5;  // pawn, knight, bishop, rook, queen
constexpr int FIRST_SLOT[KINDS] = {TB_SLOT_PAWNS, TB_SLOT_KNIGHTS, TB_SLOT_BISHOPS, TB_SLOT_ROOKS, TB_SLOT_QUEENS};
constexpr int MAX_OF_KIND = 3;

// kppkp with the single pawn's side to move: seven positions read as a loss
// in 127 moves whatever the table stores there.
constexpr int KPPKP_RECORD = 36;
constexpr uint64_t KPPKP_LOSS_IN_127[] = {56802428, 56811076, 56849992, 56858640, 59592489, 67775659, 71071628};
constexpr int KPPKP_LOSS_IN_127_VALUE = -32639;

// Entries per 8192-byte block.
constexpr int ONE_BYTE_BLOCK_SHIFT = 13;
constexpr int TWO_BYTE_BLOCK_SHIFT = 12;

void kind_masks(const Position* pos, int side, uint32_t masks[KINDS]) {
    const uint32_t live = pos->slots[side];
    masks[0] = pos->pawn_slots[side] & live;
    masks[1] = pos->knight_slots[side] & live;
    masks[2] = pos->bishop_slots[side] & live;
    masks[3] = pos->rook_slots[side] & live;
    masks[4] = pos->queen_slots[side] & live;
}

}  // namespace

int tb_probe_position(Position* pos, int* result) {
    uint32_t masks[2][KINDS];
    int counts[TB_COUNTS];
    for (int side = WHITE; side <= BLACK; ++side) {
        kind_masks(pos, side, masks[side]);
        for (int k = 0; k < KINDS; ++k) {
            counts[side * KINDS + k] = __builtin_popcount(masks[side][k]);
            if (counts[side * KINDS + k] > MAX_OF_KIND) return 0;
        }
    }
    int record = tb_trie_lookup(counts);
    if (record == 0) return 0;

    TbPieceList lists[2];
    int key = 2 + pos->side;
    for (int side = WHITE; side <= BLACK; ++side) {
        for (int k = 0; k < KINDS; ++k) {
            int slot = FIRST_SLOT[k];
            for (uint32_t mask = masks[side][k]; mask != 0;) {
                const int s = highest_slot(mask);
                mask ^= 1u << s;
                lists[side].square[slot++] = pos->piece_list[side][s];
                key = key * 10 + side * KINDS + k;
            }
        }
        lists[side].square[TB_SLOT_KING] = king_square(pos, side);
    }
    if (!tb_is_available(key)) return 0;

    // The first-named side of the material is white for a positive record,
    // black for a negative one.
    int invert = 0;
    int side = pos->side;
    const TbPieceList* first = &lists[WHITE];
    const TbPieceList* second = &lists[BLACK];
    if (record < 0) {
        record = -record;
        invert = 1;
        side ^= 1;
        first = &lists[BLACK];
        second = &lists[WHITE];
    }
    const TbDescriptor& d = tb_descriptors[size_t(record)];
    const int table_side = tb_table_side(d, side);
    if (!tb_side_has_part(record, table_side, tb_part_count(d, table_side))) return 0;
    const TbIndexFn index_of = d.index[side];
    if (index_of == nullptr) return 0;
    const uint64_t index = index_of(first, second, pos->ep_square != 0 ? pos->ep_square : TB_NO_EN_PASSANT, invert);
    if (index == TB_NO_INDEX) return 0;

    const int value = tb_probe_entry(record, side, index);
    if (value == TB_NO_VALUE) {
        tb_mark_unavailable(key);
        return 0;
    }
    tb_hit_count.fetch_add(1, std::memory_order_relaxed);
    *result = tb_entry_result(value);
    return 1;
}

int tb_probe_entry(int record, int side, uint64_t index) {
    const TbDescriptor& d = tb_descriptors[size_t(record)];
    side = tb_table_side(d, side);
    if (tb_cache_nodes == 0 || tb_table_sides[record][side].buckets == nullptr) return TB_NO_VALUE;
    if (d.length[side] != 0 && index >= d.length[side]) return TB_NO_VALUE;
    if (d.flags & TB_TWO_BYTE) {
        const uint64_t block = index >> TWO_BYTE_BLOCK_SHIFT;
        if (block > UINT32_MAX) return TB_NO_VALUE;
        const uint32_t offset = uint32_t(index & ((1u << TWO_BYTE_BLOCK_SHIFT) - 1)) * 2;
        const int low = tb_cache_read(record, side, uint32_t(block), offset);
        if (low == TB_CACHE_NO_VALUE) return TB_NO_VALUE;
        const int high = tb_cache_read(record, side, uint32_t(block), offset + 1);
        if (high == TB_CACHE_NO_VALUE) return TB_NO_VALUE;
        return high * 256 + (low & 0xFF);
    }
    if (record == KPPKP_RECORD && side == 1)
        for (uint64_t witness : KPPKP_LOSS_IN_127)
            if (index == witness) return KPPKP_LOSS_IN_127_VALUE;
    const uint64_t block = index >> ONE_BYTE_BLOCK_SHIFT;
    if (block > UINT32_MAX) return TB_NO_VALUE;
    const int c = tb_cache_read(record, side, uint32_t(block), uint32_t(index & ((1u << ONE_BYTE_BLOCK_SHIFT) - 1)));
    return c == TB_CACHE_NO_VALUE ? TB_NO_VALUE : tb_map_byte_entry(c);
}
