// The search's look at the clock and at standard input while it runs.
#pragma once

#include <cstdint>

// Starts polling for a new search: the first node polls, and the first poll
// is made now.
void begin_polling();
// Recomputes the deadline and polls; the elapsed ms.
uint32_t check_time_and_input(int first);
// Turns a ponder search into a normal one.
void handle_ponderhit();
