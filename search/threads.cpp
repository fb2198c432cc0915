#include "search/threads.h"

#include "search/driver.h"

int threads_created = 1;

void start_threads(int) {}
void wake_helper_threads() {}

void signal_stop(uint8_t reason) { stop_reason = reason; }

void stop_running_search() {
    if (search_mode & 4) signal_stop(STOP_COMMAND);
}

int set_active_threads(int n) { return n < 1 ? 1 : n; }
void stop_threads() {}
