// Time control: clocks of both sides and the time allowed for a move.
#pragma once

#include <cstdint>

// TimeMode: 3 no clock (fixed depth, fixed time or infinite), 4 tournament clock.
extern int time_mode;
extern int clock_mode;  // TimeMode & 15
extern uint32_t ponder_time_ms;  // time spent pondering on the current move

void set_time_control(int moves_to_go, int time_ms, int increment_ms);
void reset_clocks();
void set_move_time(int ms);
void restart_move_timer();
uint32_t get_elapsed_ms();
void record_move_time(int score, int game_ply);
void refresh_ply_clock(int game_ply);
