// Time control: the game clocks of both sides, kept in the game history, and
// the time limits of one search derived from them.
#pragma once

#include <cstdint>
#include <ctime>

// TimeMode: 3 no clock (depth, "movetime", "infinite"), 4 tournament clock.
inline constexpr int TIME_MODE_NO_CLOCK = 3;
inline constexpr int TIME_MODE_TOURNAMENT = 4;
extern int time_mode;
extern int clock_mode;  // low 4 bits of TimeMode; the driver may override it for one search

// One period of a time control.
struct TimeControlPeriod {
    int32_t period_ms;     // time granted for one run of the period
    int32_t increment_ms;  // added per move made in the period
    uint16_t moves;        // moves per run
    int16_t repeat;        // n >= 1 runs, 0 sudden death, -1 to the end, -2 slot not used
};
inline constexpr int16_t PERIOD_REPEATS = -1;
inline constexpr int16_t PERIOD_UNUSED = -2;
inline constexpr int TIME_CONTROL_PERIODS = 4;
extern TimeControlPeriod time_control[TIME_CONTROL_PERIODS];

// Per-side clock state handed to the search.
extern int32_t time_left_ms[2];
extern int32_t moves_to_go[2];
extern int32_t clock_increment_ms;

// Limits of the running search, ms since search_start_tick.
extern int64_t soft_limit_ms;
extern int64_t hard_limit_ms;
extern int64_t panic_limit_ms;
extern int64_t move_time_ms;
extern uint32_t search_start_tick;
extern uint32_t ponder_offset_ms;  // time spent pondering before a "ponderhit"
extern std::clock_t search_start_clock;

// The clock data of one ply, as get_ply_clock returns it.
struct PlyClock {
    int32_t move_ms;         // time the move of that ply took
    int32_t clock_ms;        // the mover's total
    int32_t other_clock_ms;  // the other side's total
    uint16_t move;
    int16_t score;
    uint16_t result_flags;
    uint16_t san_depth;
    uint8_t mover;
};

inline constexpr int NO_SCORE = -32768;

void set_time_control(int moves_to_go, int time_ms, int increment_ms);
void set_clocks_from_record();
void store_side_clock(int side, int32_t ms);
void reset_clocks();
void update_side_clock(int side);
void record_move_time(uint64_t nodes, int depth, int flags, int score, int ply);
void record_ply_stats(int ply, int depth, int score, uint32_t elapsed_ms, int flags);
// The clock view of a game ply; one static record, overwritten by each call.
const PlyClock* get_ply_clock(int ply);
void set_move_time(int ms);
void allocate_time(int moves_to_go, int time_left_ms, int increment_ms);
// True when the running search plans its time from a clock (not analysis,
// not a depth or "movetime" search).
bool search_has_clock();
// Restarts the timing of the move and the processor clock.
void restart_move_timer();
uint32_t get_elapsed_ms();
