#include "search/time_control.h"

#include <algorithm>

#include "config/settings.h"
#include "game/game_history.h"
#include "platform/system.h"
#include "search/driver.h"
#include "search/polling.h"
#include "search/strength.h"

int time_mode = TIME_MODE_NO_CLOCK;
int clock_mode = TIME_MODE_NO_CLOCK;
TimeControlPeriod time_control[TIME_CONTROL_PERIODS] = {
    {0, 0, 0, PERIOD_UNUSED}, {0, 0, 0, PERIOD_UNUSED}, {0, 0, 0, PERIOD_UNUSED}, {0, 0, 0, PERIOD_UNUSED}};

int32_t time_left_ms[2];
int32_t moves_to_go[2];
int32_t clock_increment_ms;

int64_t soft_limit_ms;
int64_t hard_limit_ms;
int64_t panic_limit_ms;
int64_t move_time_ms = DEFAULT_TIME_CAP_MS;
uint32_t search_start_tick;
uint32_t ponder_offset_ms;
std::clock_t search_start_clock;

namespace {

// Times are kept in 32 bits, but every sum and product is made in 64 bits and
// brought back into range only when stored.
int32_t to_ms32(int64_t ms) {
    return int32_t(std::clamp<int64_t>(ms, INT32_MIN, INT32_MAX));
}

GameRecord& record(int ply) { return game_records[std::clamp(ply, 0, GAME_RECORD_COUNT - 1)]; }

// Moves a side has made: plies counted from the game's first position.
int64_t moves_made(int side) { return (int64_t(ply_base) + game_ply - side) / 2; }

// The most of the time left that a search may plan to use. The rest is
// kept back for what the clock counts after the engine's deadline: the poll
// that finds it, the answer on its way through the pipe, a busy machine's
// scheduler, and the interface's own lag in reading the answer and stopping
// the clock. Half the time left, up to CLOCK_SAFETY_MARGIN_MS, so that a clock
// of a few tens of ms still leaves a search something; the reserve of a
// longer clock is far larger anyway.
constexpr int64_t CLOCK_SAFETY_MARGIN_MS = 50;
int64_t clock_cap_ms(int64_t time_left) {
    int64_t left = std::max<int64_t>(time_left, 0);
    return std::max<int64_t>(left - std::min(left / 2, CLOCK_SAFETY_MARGIN_MS), 1);
}

}  // namespace

void set_time_control(int mtg, int time_ms, int increment_ms) {
    TimeControlPeriod& period = time_control[1];
    period.period_ms = time_ms;
    period.increment_ms = std::max(increment_ms, 0);  // a negative increment counts as none
    set_clocks_from_record();
    if (mtg != 0) {
        // A period of 0 moves would divide by zero: keep the count within 16 bits.
        period.moves = uint16_t(std::clamp(mtg, 1, 65535));
        period.repeat = PERIOD_REPEATS;
    } else {
        period.moves = 30;
        period.repeat = 0;
    }
    time_control[2].repeat = PERIOD_UNUSED;
}

void set_clocks_from_record() {
    const PlyClock* view = get_ply_clock(game_ply);
    int32_t used = std::max(view->clock_ms, view->other_clock_ms);
    store_side_clock(0, used);
    store_side_clock(1, used);
    time_control[0] = TimeControlPeriod{used, 0, uint16_t(std::max<int64_t>(0, moves_made(clock_side))), 1};
}

void store_side_clock(int side, int32_t ms) {
    if (current_game_record->mover == side)
        current_game_record->clock_ms = ms;
    else if (current_game_record > game_records)
        current_game_record[-1].clock_ms = ms;
}

void update_side_clock(int side) {
    const PlyClock* view = get_ply_clock(game_ply);
    int64_t made = moves_made(side);
    int64_t used = view->mover == side ? view->clock_ms : view->other_clock_ms;
    if (time_mode != TIME_MODE_TOURNAMENT) return;

    int k = 0;
    for (; k < TIME_CONTROL_PERIODS; ++k) {
        const TimeControlPeriod& period = time_control[k];
        if (period.repeat == PERIOD_UNUSED) continue;
        if (period.repeat == 0) {
            time_left_ms[side] = to_ms32(period.period_ms + int64_t(period.increment_ms) * made - used);
            moves_to_go[side] = 30;
            clock_increment_ms = period.increment_ms;
            return;
        }
        if (period.repeat == PERIOD_REPEATS) break;
        int64_t period_moves = int64_t(period.moves) * period.repeat;
        if (made < period_moves) break;
        made -= period_moves;
        used -= (period.period_ms + int64_t(period.increment_ms) * period.moves) * period.repeat;
    }
    if (k == TIME_CONTROL_PERIODS) return;
    if (k == 0) k = 1;  // period 0 stands for the moves before the "go"; it never times a move
    const TimeControlPeriod& period = time_control[k];
    if (period.moves == 0) {
        // Not a period that counts moves: time it as sudden death.
        time_left_ms[side] = to_ms32(period.period_ms + int64_t(period.increment_ms) * made - used);
        moves_to_go[side] = 30;
        clock_increment_ms = period.increment_ms;
        return;
    }
    int64_t runs = made / period.moves;
    int64_t into_run = made % period.moves;
    moves_to_go[side] = int32_t(period.moves - into_run);
    time_left_ms[side] = to_ms32((runs + 1) * period.period_ms + int64_t(period.increment_ms) * made - used);
    clock_increment_ms = period.increment_ms;
}

void reset_clocks() {
    update_side_clock(0);
    update_side_clock(1);
    search_start_tick = tick_count_ms();
}

const PlyClock* get_ply_clock(int ply) {
    static PlyClock view;
    const GameRecord& r = record(ply);
    view.clock_ms = r.clock_ms;
    view.other_clock_ms = ply > 0 ? record(ply - 1).clock_ms : r.clock_ms;
    view.move_ms = ply > 1 ? to_ms32(int64_t(r.clock_ms) - record(ply - 2).clock_ms) : r.clock_ms;
    view.move = r.move;
    view.score = r.score;
    view.result_flags = r.result_flags;
    view.san_depth = r.san_depth;
    view.mover = r.mover;
    return &view;
}

void record_ply_stats(int ply, int depth, int score, uint32_t elapsed_ms, int flags) {
    GameRecord& r = record(ply);
    int64_t before = ply >= 2 ? record(ply - 2).clock_ms : 0;
    r.clock_ms = to_ms32(before + elapsed_ms);
    r.result_flags = uint16_t(flags);
    if (score == NO_SCORE && ply > 1) {
        r.score = int16_t(-record(ply - 1).score);
        if (depth == 0) depth = 1;
    } else {
        r.score = int16_t(score);
    }
    r.san_depth = uint16_t(r.san_depth | (depth << 10));
}

void record_move_time(uint64_t, int depth, int flags, int score, int ply) {
    record_ply_stats(ply, depth, score, get_elapsed_ms(), flags);
    update_side_clock(clock_side);
    clock_side ^= 1;
    booked_ply = ply;
    search_start_tick = tick_count_ms();
}

void set_move_time(int ms) { move_time_ms = ms; }

void allocate_time(int mtg, int time_left, int increment) {
    panic_limit_ms = DEFAULT_TIME_CAP_MS;
    if (!search_has_clock()) {
        soft_limit_ms = 238000000;
        hard_limit_ms = 1524000000;
    } else {
        int64_t a = std::max(mtg, 1);  // moves to go below 1 cannot divide the time
        int64_t b = time_left;
        b -= b >> 4;
        // What stays in reserve for the interface's own delays.
        int64_t reserve = (increment == 0 && (search_flags & EF_GUI_TIME_LAG)) ? 8000 : 1500;
        // The floor of 60 ms never plans more than the clock allows.
        int64_t f = std::min(std::max<int64_t>(b - reserve, 60), clock_cap_ms(time_left));
        int64_t c = std::max(increment, 0);
        c -= c >> 4;
        int64_t g = f + c * (a - 1);
        int64_t n = std::min<int64_t>(a, 30);
        int64_t h = g / n;
        bool limited = search_flags & EF_LIMIT_STRENGTH;
        if (limited && uci_elo <= 2000) {
            h -= h >> 1;
        } else if (limited && uci_elo <= 2400) {
            h -= h >> 2;
        } else {
            int64_t after_book = int64_t(game_ply) - last_book_ply;
            if (after_book >= 0 && after_book <= 7) h += ((8 - after_book) * h) >> 4;
        }
        if (search_flags & EF_PONDER) h += h >> 2;
        h = std::min(h, f);
        panic_limit_ms = h * 6 / 10;
        soft_limit_ms = h;
        hard_limit_ms = std::min(f, std::max(g / 2, h));
    }
    begin_polling();
}

bool search_has_clock() { return search_mode != SEARCH_MODE_INFINITE && time_mode != TIME_MODE_NO_CLOCK; }

void restart_move_timer() {
    search_start_tick = tick_count_ms();
    search_start_clock = std::clock();
}

uint32_t get_elapsed_ms() { return tick_count_ms() - search_start_tick; }
