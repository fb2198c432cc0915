#include "search/polling.h"

#include <algorithm>

#include "config/settings.h"
#include "platform/system.h"
#include "position/position.h"
#include "search/driver.h"
#include "search/output.h"
#include "search/root.h"
#include "search/search_info.h"
#include "search/services.h"
#include "search/threads.h"
#include "search/time_control.h"

int32_t poll_countdown = 0;
uint32_t deadline_ms = 0;
uint32_t node_rate_estimate = 100000;
uint32_t output_state = 0;
uint32_t last_info_ms = 0;
uint32_t last_throttle_ms = 0;

namespace {

constexpr uint32_t NO_DEADLINE = DEFAULT_TIME_CAP_MS;

uint64_t main_nodes() { return main_position.nodes; }

bool root_move_in_progress() { return root_move_index < root_move_count; }

// The line being searched now: the moves of the main position's stack above
// its root record.
void print_current_line() {
    const Position& pos = main_position;
    int count = 0;
    for (int i = PLY_STACK_BASE + 1; i < pos.ply_index && count < MAX_PLY; ++i)
        current_line[count++] = pos.ply_stack[i].move;
    current_line[count] = 0;
    print_currline();
}

void print_current_root_move() {
    print_currmove(root_moves[root_move_index].line[1], root_move_index + 1);
    output_state = OUTPUT_PRINTING;
}

// Reads a waiting line, if any; true when it stopped the search.
bool read_pending_input() {
    if (input_mode == 0 || stop_reason != 0 || !search_services.has_pending_input()) return false;
    search_services.process_input();
    return stop_reason != 0;
}

}  // namespace

void begin_polling() {
    poll_countdown = 0;
    check_time_and_input(1);
}

uint32_t check_time_and_input(int first) {
    if (search_mode == SEARCH_MODE_NORMAL) {
        if (iteration_depth > go_depth_limit) {
            signal_stop(STOP_DEPTH_LIMIT);
        } else {
            int64_t deadline = soft_limit_ms + time_extension_ms - int64_t(ponder_offset_ms);
            deadline = std::min({deadline, hard_limit_ms, move_time_ms});
            deadline_ms = uint32_t(std::clamp<int64_t>(deadline, 0, NO_DEADLINE));
        }
    } else if (search_mode & 8) {
        deadline_ms = uint32_t(std::clamp<int64_t>(move_time_ms, 0, NO_DEADLINE));
    } else {
        deadline_ms = NO_DEADLINE;
    }
    return poll_search(first);
}

uint32_t poll_search(int first) {
    uint32_t e = get_elapsed_ms();
    if (e >= deadline_ms) {
        signal_stop(STOP_TIME_POLLED);
        return e;
    }
    if (read_pending_input()) return e;

    uint64_t rate;
    if (first) {
        rate = node_rate_estimate;
        last_throttle_ms = 100;
        last_info_ms = e;
    } else {
        rate = nodes_per_second(main_nodes(), e);
        if (node_rate_limit == 0) rate = std::max<uint64_t>(rate, node_rate_estimate / 8);
        // "CPU Usage": sleep for the idle share of every period of about 100 ms.
        if (e >= last_throttle_ms + 100) {
            if (idle_percent != 0) sleep_ms((e - last_throttle_ms) * uint32_t(idle_percent) / 100);
            last_throttle_ms = e;
        }
    }

    if (node_rate_limit != 0) {
        // Ahead of the allowed node rate: wait, still answering input.
        int64_t ahead = int64_t(main_nodes() * 1000 / uint64_t(node_rate_limit)) - ponder_offset_ms - e - 1;
        if (ahead > 0 && iteration_depth >= 1) {
            uint32_t target = e + uint32_t(ahead);
            uint32_t step = uint32_t(ahead >> 3);
            uint32_t now = e;
            do {
                if (input_mode != 0 && search_services.has_pending_input()) search_services.process_input();
                sleep_ms(step);
                now = get_elapsed_ms();
                if (now >= deadline_ms) signal_stop(STOP_TIME_POLLED);
            } while (stop_reason == 0 && now < target);
            e = now;
        }
        poll_countdown = std::max(node_rate_limit / 8, 1);
        if (input_mode >= 32 && e >= 1000 && e >= last_info_ms + 1000 && root_move_in_progress()) {
            if (output_state == (OUTPUT_PRINTING | OUTPUT_NEW_ROOT_MOVE)) print_current_root_move();
            print_nodes_nps(main_position.nodes);
            last_info_ms = e;
        }
        return e;
    }

    if (deadline_ms - e < 2000) {
        // Close to the deadline: stop a little early rather than overrun it.
        if (e + (uint64_t(ponder_offset_ms) + e) / 64 >= deadline_ms) {
            signal_stop(STOP_TIME_POLLED);
            return e;
        }
        poll_countdown = int32_t(std::max<uint64_t>(rate / 32, 1));
        return e;
    }
    bool short_ponder = search_mode == SEARCH_MODE_PONDER && soft_limit_ms < 2000;
    poll_countdown = int32_t(std::max<uint64_t>(short_ponder ? rate / 32 : rate / 8, 1));

    if (e > 5000 && input_mode >= 32 && e >= last_info_ms + 1000) {
        bool line_shown = (book_options & BO_SHOW_CURR_LINE) && main_position.ply_index > PLY_STACK_BASE + 1;
        if (line_shown) print_current_line();
        if (output_state == (OUTPUT_PRINTING | OUTPUT_NEW_ROOT_MOVE) && root_move_in_progress())
            print_current_root_move();
        if (!line_shown) print_nodes_nps(position_node_total(&main_position));
        last_info_ms = e;
    }
    return e;
}

void handle_ponderhit() {
    search_mode = SEARCH_MODE_NORMAL;
    stop_if_all_mated();
    search_start_tick = tick_count_ms();
    report_root_result(0);
}
