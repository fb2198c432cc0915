#include "search/search_info.h"

int iteration_depth = 0;
int seldepth = 0;
uint64_t total_nodes = 0;
uint32_t reported_nps = 0;
uint32_t tb_hit_count = 0;
