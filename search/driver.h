// The search driver: runs one search from "go" to "bestmove" on the main
// thread, iterating the root search depth by depth.
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
inline constexpr uint32_t SEARCH_MODE_INTERNAL = 8;  // modes that run with default settings
extern uint32_t search_mode;

inline bool search_running() { return search_mode >= SEARCH_MODE_NORMAL; }

// StopReason: why the running search ends; 0 while it goes on.
enum StopReasonCode : uint8_t {
    STOP_ALL_KNOWN = 4,        // every root move has a known result
    STOP_BOOK_MOVE = 5,
    STOP_ROOT_DECIDED = 6,     // no legal move, or no time at all
    STOP_NOTHING_LEFT = 7,     // a continued search has nothing to add
    STOP_ONLY_MOVE = 10,       // only the first root move avoids mate
    STOP_DEPTH_LIMIT = 11,
    STOP_TIME_POLLED = 13,
    STOP_TIME_ITERATION = 14,
    STOP_COMMAND = 64,         // "stop", or a command that needs an idle engine
};
extern uint8_t stop_reason;

// The driver's own values across the iterations of one search. Every search
// starts them afresh: none of them means anything to the next search.
struct DriverState {
    int iterations_done;
    int root_score;
    int lowest_score, highest_score;  // since iteration 2
    int second_score;                 // the second root move's score after iteration 1
    bool easy_move;
    uint64_t iteration_nodes;         // nodes of the last iteration
    uint64_t best_move_nodes;
    int smoothed_share;
    bool learned_result;
};
extern DriverState driver_state;

// Runs a search for `side` in run mode `mode` with the clock values of the
// side to move; the stop reason (0x40 outside the normal mode).
int think(int side, int mode, int moves_to_go, int time_ms, int increment_ms);

// A new game ("ucinewgame", or a "position" of another game): the engine's
// next search is its first of that game, and the last root score belongs
// to the old one.
void forget_game_searches();

// The next iteration's aspiration window around the score just found: a mate
// keeps its side of the window open.
void set_next_window(int score);
// 3 to run the next iteration, 5 to stop.
int check_next_iteration();
// Stops a clocked search whose every move but the first loses to mate.
void stop_if_all_mated();

// Figures of the last finished search, read by "bench".
int last_search_depth();
uint64_t last_search_nodes();
uint32_t last_search_ms();
