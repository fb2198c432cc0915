// The search driver: runs one search from the main position and reports it.
#pragma once

#include <cstdint>

// SearchMode: the run mode of the search under way. Values below
// SEARCH_MODE_NORMAL are idle states; the front end reads it as the engine state.
enum SearchMode : uint32_t {
    SEARCH_MODE_IDLE = 0,
    SEARCH_MODE_NORMAL = 4,
    SEARCH_MODE_INFINITE = 5,
    SEARCH_MODE_PONDER = 6,
    SEARCH_MODE_CALIBRATION = 9,
    SEARCH_MODE_ADVICE = 11,
};
extern uint32_t search_mode;

inline bool search_running() { return search_mode >= SEARCH_MODE_NORMAL; }

// StopReason: why the running search ends; 0 while it goes on.
inline constexpr uint8_t STOP_COMMAND = 64;
extern uint8_t stop_reason;

// Runs a search for `side` in run mode `mode` with the clock values of the
// side to move; returns the stop reason.
int think(int side, int mode, int moves_to_go, int time_ms, int increment_ms);

// Figures of the last finished search, read by "bench".
int last_search_depth();
uint64_t last_search_nodes();
uint32_t last_search_ms();
