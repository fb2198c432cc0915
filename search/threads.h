// Worker threads and the stop broadcast.
#pragma once

#include <cstdint>

extern int threads_created;  // search threads started, the main thread included

// Starts the worker threads (nothing for n <= 1).
void start_threads(int n);
// Wakes every worker thread.
void wake_helper_threads();
// Stops every thread of the running search with `reason`.
void signal_stop(uint8_t reason);
// Stops the running search, if any, as a "stop" command does.
void stop_running_search();
// Tells the worker threads to leave and waits until they are idle.
void stop_threads();
