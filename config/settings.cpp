#include "config/settings.h"

uint32_t engine_flags = ENGINE_FLAGS_DEFAULT;
uint32_t search_flags = ENGINE_FLAGS_DEFAULT;
uint32_t book_options = BOOK_OPTIONS_INITIAL;
uint32_t search_book_options = BOOK_OPTIONS_INITIAL;

int go_depth_limit = DEFAULT_MAX_DEPTH;
int iteration_depth_limit = DEFAULT_MAX_DEPTH;
uint32_t time_cap_ms = DEFAULT_TIME_CAP_MS;

int threads_max = 1;
int threads_in_use = 1;
int idle_percent = 0;
int draw_value = 0;
int node_rate_limit = 0;
int tablebase_level = 4;
int selectivity_scale = 256;
int multi_pv = 1;

int nalimov_cache_bytes = 0x2000000;
char nalimov_path[NALIMOV_PATH_CAPACITY] = "";

void reset_search_settings() {
    search_flags = (search_flags & 0xFFEFFCFFu) | ENGINE_FLAGS_DEFAULT;
    idle_percent = 0;
    draw_value = 0;
    node_rate_limit = 0;
    selectivity_scale = 256;
    tablebase_level = 4;
    set_active_threads(threads_max);
}

int set_active_threads(int n) {
    // The thread maximum is already at most MAX_THREADS.
    threads_in_use = n < 1 ? 1 : n > threads_max ? threads_max : n;
    return threads_in_use;
}
