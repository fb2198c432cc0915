#include "search/threads.h"

#include "search/driver.h"

ThreadSlot thread_slots[THREAD_SLOT_COUNT];
int threads_created = 1;

void start_threads(int) {}
void wake_helper_threads() {}

void signal_stop(uint8_t reason) {
    stop_reason = reason;
    int slots = threads_created > 1 ? THREAD_SLOT_COUNT : 1;
    for (int i = 0; i < slots; ++i) thread_slots[i].stop.store(1, std::memory_order_relaxed);
}

void stop_running_search() {
    if (search_mode & 4) signal_stop(STOP_COMMAND);
}

void stop_threads() {}
