// Search threads: one slot per thread with the stop word the searches read,
// the stop broadcast, and in the multi-threaded build the worker threads:
// created once at start-up, each waiting on its own event (or spinning
// while a search runs with "Busy Threads" on) until a split point recruits
// it (search/split.h), ended at shutdown. The single-threaded builds keep
// slot 0 and the broadcast; everything else does nothing there.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

inline constexpr int THREAD_SLOT_COUNT = 24;

struct SplitPoint;

// ThreadSlot::state bits. A state below THREAD_BUSY is idle: the thread
// waits in its loop and may be recruited.
inline constexpr int32_t THREAD_WAITING = 1;  // in its wait loop
inline constexpr int32_t THREAD_BUSY = 2;     // searching
inline constexpr int32_t THREAD_WORK = 4;     // work assigned, not yet taken

// One search thread's slot. `state` changes only by atomic bit operations:
// the recruiter, the owner of a split point, the thread itself and the
// shutdown all change it.
struct alignas(64) ThreadSlot {
    std::atomic<int32_t> stop;   // non-zero: stop searching now (read after every child)
    std::atomic<int32_t> state;  // THREAD_WAITING, THREAD_BUSY, THREAD_WORK
    uint64_t counter;            // zeroed for every thread when a search starts
    // The split point to work on: written by the recruiter before it sets
    // THREAD_WORK (release), read by the thread after it sees the bit.
    SplitPoint* split;
    // The split point the thread searches under now, none at the top of its
    // work; read and written by the thread itself only.
    SplitPoint* working_at;
    // Figures for tests and measurements, each counted by the slot's own
    // thread since start-up.
    std::atomic<uint64_t> splits;         // split points it set up
    std::atomic<uint64_t> split_cutoffs;  // cut-offs it found at split points
    std::atomic<uint64_t> helper_nodes;   // nodes it searched on instances handed to it
};

extern ThreadSlot thread_slots[THREAD_SLOT_COUNT];
extern int threads_created;  // search threads started, the main thread included

// Guards recruiting (thread states, the split-point stacks and their set-up
// and take-back, the instance pool) and the stop broadcast. Never held
// together with a split point's own lock.
extern std::mutex threads_lock;

// While a search runs with "Busy Threads" on, the number of threads in use
// (0 otherwise): idle workers below it spin instead of waiting on their
// events. Workers read it rather than the setting, which changes between
// searches while they may still be looking.
extern std::atomic<int> helpers_go;
// Set at shutdown: workers leave their loops.
extern std::atomic<bool> helpers_quit;

// Starts the worker threads 1..n-1 (nothing for n <= 1 and in the
// single-threaded builds), each entering its wait loop before the next is
// started. A thread that cannot be created ends the start: the thread
// maximum and the threads in use become the number started.
void start_threads(int n);
// Creates worker thread `index` running its wait loop; false when the
// system refuses. Tests replace it to make a creation fail.
extern bool (*create_helper_thread)(int index);

// A search starts with "Busy Threads" on: idle workers spin until recruited.
void wake_helper_threads();
// The search has ended: idle workers go back to waiting on their events.
void park_helper_threads();
// Wakes thread t when it waits on its event.
void signal_thread(int t);
// Waits on thread t's own event; with a limit, false when it passed.
void wait_on_thread_event(int t);
bool wait_on_thread_event_ms(int t, uint32_t milliseconds);

// Sets the stop reason and tells every thread to stop.
void signal_stop(uint8_t reason);
// Stops the running search, if any, as a "stop" command does.
void stop_running_search();

// Ends the worker threads: each is told to stop and leave, woken, waited
// for until none is busy, and joined. Runs before the tables they read are
// freed.
void stop_threads();
// 1 while a worker thread's state is non-zero (it has not left its loop).
int any_helper_busy();
