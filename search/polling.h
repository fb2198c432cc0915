// The search's look at the clock and at standard input while it runs: there
// is no timer thread and no input thread, so the main thread's search stops
// every so many nodes to poll.
#pragma once

#include <cstdint>

extern int32_t poll_countdown;      // nodes (or wait rounds) of thread 0 left until the next poll
extern uint32_t deadline_ms;        // elapsed time at which the search stops
extern uint32_t node_rate_estimate; // nodes per second assumed before anything is measured
extern uint32_t output_state;       // bit 1: "info" printing has started; bit 0: a new root move has begun
extern uint32_t last_info_ms;
extern uint32_t last_throttle_ms;

inline constexpr uint32_t OUTPUT_PRINTING = 2;
inline constexpr uint32_t OUTPUT_NEW_ROOT_MOVE = 1;

// Starts polling for a new search: the first node polls, and the first poll
// is made now.
void begin_polling();
// Recomputes the deadline from the search mode and polls; the elapsed ms.
uint32_t check_time_and_input(int first);
// One poll; `first` only for the one made when the time is allocated.
uint32_t poll_search(int first);
// Turns a ponder search into a normal one.
void handle_ponderhit();
