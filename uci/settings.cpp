#include "uci/settings.h"

uint32_t engine_flags = DEFAULT_ENGINE_FLAGS;
uint32_t search_flags = DEFAULT_ENGINE_FLAGS;
uint32_t book_options = 0;
uint32_t search_book_options = 0;

int go_depth_limit = DEFAULT_MAX_DEPTH;
int iteration_depth_limit = DEFAULT_MAX_DEPTH;
uint32_t time_cap_ms = DEFAULT_TIME_CAP_MS;
