#include "search/time_control.h"

#include <ctime>

#include "platform/system.h"

int time_mode = 3;
int clock_mode = 3;
uint32_t ponder_time_ms = 0;

static uint32_t search_start_tick = 0;
static std::clock_t search_start_clock = 0;

void set_time_control(int, int, int) {}
void reset_clocks() { search_start_tick = tick_count_ms(); }
void set_move_time(int) {}

void restart_move_timer() {
    search_start_tick = tick_count_ms();
    search_start_clock = std::clock();
}

uint32_t get_elapsed_ms() { return tick_count_ms() - search_start_tick; }

void record_move_time(int, int) {}
void refresh_ply_clock(int) {}
