// Search threads: their slots with the stop words the searches read, and
// the stop broadcast.
#pragma once

#include <atomic>
#include <cstdint>

inline constexpr int THREAD_SLOT_COUNT = 24;

struct SplitPoint;

// One search thread's slot. The searches read `stop` after every child.
struct ThreadSlot {
    std::atomic<int32_t> stop;   // non-zero: stop searching now
    std::atomic<int32_t> state;  // bit 0 waiting, bit 1 busy, bit 2 work assigned; below 2 idle
    uint64_t counter;            // zeroed for every used thread when a search starts
    SplitPoint* split;           // the split point to work on
};

extern ThreadSlot thread_slots[THREAD_SLOT_COUNT];
extern int threads_created;  // search threads started, the main thread included

// Starts the worker threads (nothing for n <= 1).
void start_threads(int n);
// Wakes every worker thread.
void wake_helper_threads();
// Sets the stop reason and tells every thread to stop.
void signal_stop(uint8_t reason);
// Stops the running search, if any, as a "stop" command does.
void stop_running_search();
// Tells the worker threads to leave and waits until they are idle.
void stop_threads();
