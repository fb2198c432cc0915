#include "search/search_info.h"

#include "position/position.h"
#include "search/time_control.h"

int seldepth = 0;
uint64_t total_nodes = 0;
uint32_t reported_nps = 0;
std::atomic<uint32_t> tb_hit_count{0};

uint32_t nodes_per_second(uint64_t nodes, uint32_t elapsed_ms) {
    return uint32_t(nodes * 1000 / (uint64_t(ponder_offset_ms) + elapsed_ms + 1));
}

void refresh_search_figures(uint32_t elapsed_ms) {
    total_nodes = position_node_total(&main_position);
    reported_nps = nodes_per_second(total_nodes, elapsed_ms);
}
