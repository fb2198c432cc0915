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
// The longest single sleep of the node-rate throttle: input ("stop", "quit",
// "ponderhit", "isready") is read between two sleeps, so this bounds how
// late it is answered.
constexpr int64_t THROTTLE_SLICE_MS = 20;

// The main position's nodes when the search began to poll: those of the
// root preparation, which are no search.
uint64_t throttle_base_nodes = 0;

uint64_t main_nodes() { return main_position.nodes; }

// A poll count that brings the next poll within a quarter of the time left
// to the deadline, so that a deadline of a few ms is kept to about a ms. The
// machine's speed is the lower of the rate measured and the calibrated one:
// a rate measured in the first ms of a search overstates it.
int32_t poll_count_within_deadline(uint64_t nodes, uint32_t e, uint64_t rate) {
    uint64_t speed = std::min<uint64_t>(rate, node_rate_estimate);
    uint64_t left_ms = deadline_ms > e ? deadline_ms - e : 0;
    nodes = std::min(nodes, speed * left_ms / 4000);
    return int32_t(std::clamp<uint64_t>(nodes, 1, INT32_MAX));
}

// How many ms the search is ahead of the node rate the strength limit
// allows, at `e` ms into it; the time spent pondering counts as spent. The
// root preparation's nodes do not count: at 14 nodes a second the few dozen
// of them would be seconds of lead at the first poll.
int64_t lead_over_node_rate(uint32_t e) {
    uint64_t nodes = main_nodes() > throttle_base_nodes ? main_nodes() - throttle_base_nodes : 0;
    return int64_t(nodes * 1000 / uint64_t(node_rate_limit)) - int64_t(ponder_offset_ms) - int64_t(e) - 1;
}

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

// Sleeps while the search is ahead of the allowed node rate: in short
// slices, reading input between them, never past the deadline, and no
// longer once a stop is set. The lead is measured afresh after every slice,
// so that a "ponderhit" read meanwhile, which restarts the search's clock
// and counts the time spent pondering as spent, leaves the rate as it was.
uint32_t wait_for_node_rate(uint32_t e) {
    for (int64_t ahead = lead_over_node_rate(e); ahead > 0; ahead = lead_over_node_rate(e)) {
        sleep_ms(uint32_t(std::min({ahead, int64_t(deadline_ms) - int64_t(e), THROTTLE_SLICE_MS})));
        bool stopped = read_pending_input() || stop_reason != 0;
        e = get_elapsed_ms();
        if (stopped) break;
        if (e >= deadline_ms) {
            signal_stop(STOP_TIME_POLLED);
            break;
        }
    }
    return e;
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
        throttle_base_nodes = main_nodes();
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
        if (iteration_depth >= 1) e = wait_for_node_rate(e);
        poll_countdown = poll_count_within_deadline(uint64_t(std::max(node_rate_limit / 8, 1)), e, rate);
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
        poll_countdown = poll_count_within_deadline(rate / 32, e, rate);
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
