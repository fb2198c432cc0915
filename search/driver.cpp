#include "search/driver.h"

uint32_t search_mode = SEARCH_MODE_IDLE;
uint8_t stop_reason = 0;

int think(int, int, int, int, int) { return 0; }

int last_search_depth() { return 0; }
uint64_t last_search_nodes() { return 0; }
uint32_t last_search_ms() { return 0; }
