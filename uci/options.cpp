#include "uci/options.h"

#include "search/threads.h"
#include "search/time_control.h"
#include "uci/paths.h"
#include "uci/settings.h"

int time_mode = 3;

void print_options() {}
void set_option(const char*) {}

void reset_settings() {
    engine_flags = (engine_flags & ~0x300u) | DEFAULT_ENGINE_FLAGS;
    time_cap_ms = DEFAULT_TIME_CAP_MS;
    go_depth_limit = iteration_depth_limit = DEFAULT_MAX_DEPTH;
    reset_search_settings();
}

void reset_search_settings() {
    search_flags = (search_flags & 0xFFEFFCFFu) | DEFAULT_ENGINE_FLAGS;
    set_active_threads(threads_max);
}

void set_search_mode(int mode, int reset) {
    if (reset) reset_settings();
    time_mode = mode;
    reset_clocks();
}

void init_square_tables() {}
