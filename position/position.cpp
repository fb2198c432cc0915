// The search instances. They live in static storage for the whole run; the
// single-threaded builds have exactly one.
#include "position/position.h"

#include <cstring>

Position search_instances[SEARCH_INSTANCE_COUNT];

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
    // Where the lists of the plies up to the node end: the copy's own lists
    // for the plies below start there.
    for (int p = 0; p <= ply + 1; ++p) dest->move_list[p] = src->move_list[p];
}
