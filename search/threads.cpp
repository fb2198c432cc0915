#include "search/threads.h"

#include <algorithm>
#include <system_error>
#include <thread>

#include "config/build_config.h"
#include "config/settings.h"
#include "platform/event.h"
#include "platform/system.h"
#include "search/driver.h"
#include "search/split.h"

ThreadSlot thread_slots[THREAD_SLOT_COUNT];
int threads_created = 1;
std::mutex threads_lock;
std::atomic<int> helpers_go{0};
std::atomic<bool> helpers_quit{false};

namespace {

std::thread helper_threads[THREAD_SLOT_COUNT];
AutoResetEvent thread_events[THREAD_SLOT_COUNT];

void helper_thread_main(int index) { thread_wait_loop(index, nullptr); }

bool create_system_thread(int index) {
    try {
        helper_threads[index] = std::thread(helper_thread_main, index);
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

}  // namespace

bool (*create_helper_thread)(int index) = create_system_thread;

void start_threads(int n) {
    if (!MULTI_THREADED || n <= 1 || threads_created > 1) return;
    n = std::min(n, THREAD_SLOT_COUNT);
    init_split_points();
    helpers_quit.store(false);
    helpers_go.store(0);
    // The main thread searches whenever it is not waiting at its own split
    // point: never idle for a recruiter.
    thread_slots[0].stop.store(0);
    thread_slots[0].state.store(THREAD_BUSY);
    thread_slots[0].working_at = nullptr;
    int started = 1;
    for (int i = 1; i < n; ++i) {
        ThreadSlot& slot = thread_slots[i];
        slot.stop.store(0);
        slot.state.store(0);
        slot.split = nullptr;
        slot.working_at = nullptr;
        if (!create_helper_thread(i)) break;
        // The new thread has entered its wait loop once its state shows it.
        while (slot.state.load(std::memory_order_acquire) == 0) std::this_thread::yield();
        started = i + 1;
    }
    threads_created = started;
    if (started < n) {
        threads_max = started;
        set_active_threads(threads_max);
    }
}

void wake_helper_threads() {
    if (threads_created < 2) return;
    helpers_go.store(threads_in_use, std::memory_order_release);
    for (int i = 1; i < threads_created; ++i) signal_thread(i);
}

void park_helper_threads() { helpers_go.store(0, std::memory_order_release); }

void signal_thread(int t) { thread_events[t].signal(); }
void wait_on_thread_event(int t) { thread_events[t].wait(); }
bool wait_on_thread_event_ms(int t, uint32_t milliseconds) { return thread_events[t].wait_for_ms(milliseconds); }

void signal_stop(uint8_t reason) {
    if (MULTI_THREADED && threads_created > 1) {
        std::lock_guard<std::mutex> hold(threads_lock);
        stop_reason = reason;
        for (ThreadSlot& slot : thread_slots) slot.stop.store(1, std::memory_order_relaxed);
        return;
    }
    stop_reason = reason;
    thread_slots[0].stop.store(1, std::memory_order_relaxed);
}

void stop_running_search() {
    if (search_mode & 4) signal_stop(STOP_COMMAND);
}

void stop_threads() {
    if (threads_created < 2) return;
    helpers_quit.store(true);
    for (int i = 1; i < threads_created; ++i) {
        thread_slots[i].stop.store(1);
        thread_slots[i].state.fetch_or(THREAD_WORK);
    }
    wake_helper_threads();
    while (any_helper_busy()) sleep_ms(10);
    for (int i = 1; i < threads_created; ++i)
        if (helper_threads[i].joinable()) helper_threads[i].join();
    threads_created = 1;
    helpers_go.store(0);
    helpers_quit.store(false);
    thread_slots[0].state.store(0);
}

int any_helper_busy() {
    for (int i = 1; i < threads_created; ++i)
        if (thread_slots[i].state.load(std::memory_order_acquire) != 0) return 1;
    return 0;
}
