// The search instances. They live in static storage for the whole run; the
// single-threaded builds have exactly one.
#include "position/position.h"

#include <cstring>

Position search_instances[SEARCH_INSTANCE_COUNT];

namespace {

// The current tables of `src` into slot `index` of `dest`, which becomes
// dest's current slot with both tables its own. dest may be src.
void copy_current_tables(Position* dest, const Position* src, int index) {
    PlyTables* slot = &dest->ply_tables[index];
    for (int side = WHITE; side <= BLACK; ++side)
        if (src->attacks[side] != slot->attacks[side])
            std::memcpy(slot->attacks[side], src->attacks[side], sizeof slot->attacks[side]);
    if (src->hanging != slot->hanging.values) {
        std::memcpy(slot->hanging.values, src->hanging, sizeof slot->hanging.values);
        std::memcpy(slot->hanging.sum, src->hanging_sum, sizeof slot->hanging.sum);
        std::memcpy(slot->hanging.slots, src->hanging_slots, sizeof slot->hanging.slots);
    }
    point_tables(dest, index);
}

}  // namespace

void copy_position(Position* dest, const Position* src) {
    std::memcpy(reinterpret_cast<unsigned char*>(dest), src, POSITION_COPY_SIZE);
    copy_current_tables(dest, src, src->table_index);
}

void copy_search_instance(Position* dest, const Position* src, int ply, int thread_index) {
    // The node counters are left out of the copy: other threads may be
    // adding to the source's merged count while it is read.
    constexpr size_t counters_start = offsetof(Position, nodes);
    constexpr size_t counters_end = offsetof(Position, merged_nodes) + sizeof(uint64_t);
    static_assert(offsetof(Position, merged_nodes) == counters_start + sizeof(uint64_t));
    const auto* from = reinterpret_cast<const unsigned char*>(src);
    auto* to = reinterpret_cast<unsigned char*>(dest);
    std::memcpy(to, from, counters_start);
    std::memcpy(to + counters_end, from + counters_end, POSITION_COPY_SIZE - counters_end);
    dest->nodes = 0;
    dest->merged_nodes = 0;
    dest->thread_index = thread_index;
    copy_current_tables(dest, src, src->table_index);
    // Where the lists of the plies up to the node end: the copy's own lists
    // for the plies below start there.
    for (int p = 0; p <= ply + 1; ++p) dest->move_list[p] = src->move_list[p];
}

void reset_ply_stack(Position* pos) {
    pos->ply_index = PLY_STACK_BASE;
    copy_current_tables(pos, pos, PLY_STACK_BASE);
}
