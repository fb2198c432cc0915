// The search instances. They live in static storage for the whole run; the
// single-threaded builds have exactly one.
#include "position/position.h"

#include <cstring>

Position search_instances[SEARCH_INSTANCE_COUNT];

namespace {

// dest takes over src's current tables into its own slot of the same index.
void copy_current_tables(Position* dest, const Position* src) {
    const int index = src->table_index;
    std::memcpy(&dest->ply_tables[index], &src->ply_tables[index], sizeof(PlyTables));
    point_tables(dest, index);
}

}  // namespace

void copy_position(Position* dest, const Position* src) {
    std::memcpy(reinterpret_cast<unsigned char*>(dest), src, POSITION_COPY_SIZE);
    copy_current_tables(dest, src);
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
    copy_current_tables(dest, src);
    // Where the lists of the plies up to the node end: the copy's own lists
    // for the plies below start there.
    for (int p = 0; p <= ply + 1; ++p) dest->move_list[p] = src->move_list[p];
}

void reset_ply_stack(Position* pos) {
    pos->ply_index = PLY_STACK_BASE;
    if (pos->table_index != PLY_STACK_BASE) {
        std::memcpy(&pos->ply_tables[PLY_STACK_BASE], &pos->ply_tables[pos->table_index], sizeof(PlyTables));
        point_tables(pos, PLY_STACK_BASE);
    }
}
