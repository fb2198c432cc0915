#include "search/threads.h"

#include "search/driver.h"

int threads_created = 1;

void start_threads(int) {}
void wake_helper_threads() {}

void signal_stop(uint8_t reason) { stop_reason = reason; }

void stop_running_search() {
    if (search_mode & 4) signal_stop(STOP_COMMAND);
}

void stop_threads() {}
