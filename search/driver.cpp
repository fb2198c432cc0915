#include "search/driver.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "config/settings.h"
#include "eval/eval_tables.h"
#include "eval/material.h"
#include "eval/root_state.h"
#include "game/game_history.h"
#include "game/repetition.h"
#include "position/position.h"
#include "search/output.h"
#include "search/polling.h"
#include "search/root.h"
#include "search/saved_settings.h"
#include "search/search.h"
#include "search/search_info.h"
#include "search/services.h"
#include "search/strength.h"
#include "search/threads.h"
#include "search/time_control.h"
#include "search/tt.h"
#include "search/weak_move.h"

uint32_t search_mode = SEARCH_MODE_IDLE;
uint8_t stop_reason = 0;
DriverState driver_state{};

namespace {

constexpr int MAX_ITERATION = 62;
constexpr int LEARNED_EXTRA_BASE = 960;

// What a search leaves for the engine's later searches of the same game.
struct GameSearches {
    int previous_final_score = 0;  // root score at the end of the last normal search
    int first_search_ply = -1;     // game index of the engine's first search in this game
};
GameSearches game_searches{};
DriverState& driver = driver_state;

// Figures for "bench".
int completed_depth = 0;
uint64_t searched_nodes = 0;
uint32_t searched_ms = 0;

uint64_t node_total() { return position_node_total(&main_position); }

// Every value that one search sets and a later one would read starts
// afresh. The time extension above all: an easy move in a search without a
// clock takes a share of its no-clock target, tens of millions of ms, and
// carried into a clock search that would put the deadline below zero and
// end it before its first iteration. The count of iterations without a
// best-move change must count this search's iterations only, or the
// easy-move saving never finds it equal to the iteration.
void reset_search_state() {
    driver = DriverState{};
    time_extension_ms = 0;
    iterations_without_change = 0;
    reference_score = 0;
    reference_score_change = 0;
    best_move_changes = 0;
    ponder_offset_ms = 0;
    completed_depth = 0;
}

void prepare_new_search(int side) {
    Move book_move = prepare_root(side);
    if (book_move) {
        signal_stop(STOP_BOOK_MOVE);
        return;
    }
    // The tables follow the root's own game phase, not that of whatever
    // position was evaluated last.
    reset_material_term(&main_position);
    eval_material(&main_position, 1);
    prepare_evaluation(&main_position);
    root_alpha = -MATE_SCORE_BOUND;
    root_beta = MATE_SCORE_BOUND;
    prepare_root_moves(&main_position);
    if (search_state_flags & SEARCH_ROOT_DECIDED) signal_stop(STOP_ROOT_DECIDED);
}

void run_iterations() {
    bool cut = false;  // the last iteration was stopped before its end
    while (stop_reason == 0 && check_next_iteration() == 3) {
        // The check's poll may have stopped the search (time, "stop"): an
        // iteration that will not run is not announced either.
        if (stop_reason != 0) break;
        root_search_state = ROOT_ITERATING;
        // The limit caps how far each iteration looks.
        if ((search_flags & EF_LIMIT_STRENGTH) && search_mode != SEARCH_MODE_ADVICE)
            search_ply_limit = strength_ply_limit(iteration_depth);
        uint64_t nodes_at_start = node_total();
        root_instability = 0;
        if (input_mode != 0 && (output_state & OUTPUT_PRINTING)) print_depth(iteration_depth);
        int score = search_root(&main_position, iteration_depth);
        // An iteration cut short keeps the last complete one's order and scores.
        cut = stop_reason != 0;
        if (!cut) {
            driver.root_score = score;
            // The first iteration orders by subtree size; from then on by
            // score, which also keeps a known result (searched no more, so
            // without nodes) in its place.
            bool by_score = driver.iterations_done >= 1 ||
                            ((search_flags & EF_LIMIT_STRENGTH) && uci_elo < 1501);
            if (by_score)
                sort_root_moves_by_score();
            else
                sort_root_moves_by_nodes();
            ++driver.iterations_done;
            completed_depth = iteration_depth;
            set_next_window(score);
            stop_if_all_mated();
        }
        driver.best_move_nodes = root_moves[0].nodes;
        int best = root_moves[0].score;
        if (iteration_depth <= 2) {
            driver.lowest_score = driver.highest_score = best;
            if (iteration_depth == 1) {
                driver.second_score = root_move_count > 1 ? root_moves[1].score : -SCORE_INFINITE;
                driver.easy_move = best - driver.second_score > 96;
            }
        } else {
            driver.lowest_score = std::min(driver.lowest_score, best);
            driver.highest_score = std::max(driver.highest_score, best);
        }
        driver.iteration_nodes = node_total() - nodes_at_start;
        ++iterations_without_change;
    }
    // A search that ends between iterations has the last one's result, exact
    // whatever the root went through in it (a later move that failed low in
    // its re-search leaves the state at 2): it ends in the state of an
    // iteration's start, as its result line and learned entry show.
    if (!cut) root_search_state = ROOT_ITERATING;
}

// A result worth remembering for the next games: the root score moved far
// in this search.
void store_learned_result() {
    int score = driver.root_score;
    int q = std::abs(score) / 4;
    bool swung = (driver.highest_score - score > 47 && driver.highest_score - score > q) ||
                 (score - driver.lowest_score > 47 && score - driver.lowest_score > q);
    if (!swung || !(engine_flags & (EF_POSITION_LEARNING | EF_RETAIN_HASH))) return;
    uint32_t bound = root_search_state < ROOT_ITERATING ? TT_UPPER : root_search_state > 5 ? TT_LOWER : TT_EXACT;
    root_search_state = int(bound);
    const RootMove& best = root_moves[0];
    int extra = (best.depth - game_ply + LEARNED_EXTRA_BASE) * 16;
    tt_insert(&main_position, bound | TT_LEARNED, best.score, best.depth, 1, best.line[1] & MOVE_IDENTITY_MASK,
              extra);
    learned_entries_changed = 1;
}

// The depth of the root result: the last complete iteration, or the one cut
// short when the best move had already been searched in it; 0 when no
// iteration searched it.
int result_depth() { return std::max(driver.iterations_done, root_move_count > 0 ? root_moves[0].depth : 0); }

// The result line a search that printed none still owes: its best line at
// the depth searched. A search stopped before its first iteration searched
// the best move has no depth to show and shows nothing; a finished game
// (no move to search) shows its mate or stalemate score at depth 0, and a
// book move its line.
void print_final_line() {
    int depth = result_depth();
    bool unsearched = root_move_count == 0 || (root_moves[0].flags & RM_KNOWN);
    if (depth == 0 && !unsearched) return;
    print_root_lines(depth);
}

// The end of a search the interface started: the "bestmove" answer, and the
// move booked in the game history with its time and search data.
void play_best_move() {
    // A search that ended before its "info" output began (a quick mate, a
    // short move time, a finished game) still shows its result once.
    if (!pv_line_printed) print_final_line();
    // Analysis and pondering end only when the interface says so.
    while ((search_mode == SEARCH_MODE_INFINITE || search_mode == SEARCH_MODE_PONDER) &&
           stop_reason != STOP_COMMAND)
        search_services.process_input();
    // Without a root move (a finished game) the interface still gets its
    // answer: the null move.
    static const Move NO_LINE[3] = {NO_MOVE, NULL_MOVE, NO_MOVE};
    bool has_line = root_move_count > 0 && root_moves[0].line && root_moves[0].line[1];
    print_bestmove(has_line ? root_moves[0].line : NO_LINE);
    searched_nodes = total_nodes;
    searched_ms = last_bestmove_ms;
    Move best = root_move_count > 0 ? root_moves[0].line[1] : NO_MOVE;
    if (!best) return;
    int side = main_position.side;
    if (!play_game_move(best & MOVE_IDENTITY_MASK, side)) return;
    uint32_t flags = root_moves[0].flags;
    bool bookable = node_rate_limit == 0 || (flags & RM_BOOK) ||
                    uint64_t(node_rate_limit) >= uint64_t(node_rate_estimate) / 16;
    if (bookable) flags |= 0x10;
    record_move_time(node_total(), root_moves[0].depth, int(flags & 0xFFFF), root_moves[0].score, game_ply);
    take_back_game_move();
}

}  // namespace

int think(int side, int mode, int moves_to_go, int time_ms, int increment_ms) {
    int selectivity = int((engine_flags & EF_SELECTIVITY) >> EF_SELECTIVITY_SHIFT);
    history_threshold = selectivity <= 1 ? 0 : (selectivity + 1) * 32;

    bool internal = mode & SEARCH_MODE_INTERNAL;
    SavedSettings saved{};
    if (internal) {
        saved = save_settings();
        go_depth_limit = iteration_depth_limit = DEFAULT_MAX_DEPTH;
        time_cap_ms = DEFAULT_TIME_CAP_MS;
        search_ply_limit = DEFAULT_MAX_DEPTH;
        reset_search_settings();
        // The calibration and move advice run for exactly their time,
        // whatever move time a "go" left; the restore below gives that back.
        if ((mode == SEARCH_MODE_CALIBRATION || mode == SEARCH_MODE_ADVICE) && time_ms > 0) move_time_ms = time_ms;
        time_mode = clock_mode = TIME_MODE_NO_CLOCK;
        input_mode = 0;
    }

    root_game_ply = game_ply;
    // The calibration leaves the game's bookkeeping as a fresh engine has it.
    bool calibrating = mode == SEARCH_MODE_CALIBRATION;
    if (!calibrating && (game_searches.first_search_ply < 0 || game_ply < game_searches.first_search_ply)) {
        game_searches.first_search_ply = game_ply;
        last_book_ply = game_ply - 2;
        book_exit_key_lo = main_position.key_lo;
        book_exit_key_hi = main_position.key_hi;
    }

    search_mode = uint32_t(mode);
    search_book_options = book_options;
    output_state = 0;
    pv_line_printed = false;
    stop_reason = 0;
    thread_slots[0].stop.store(0, std::memory_order_relaxed);
    search_flags = engine_flags;
    draw_score[side] = -draw_value;
    draw_score[side ^ 1] = draw_value;

    load_base_ply_record();
    restart_move_timer();

    if (iteration_depth == 0) {
        reset_search_state();
        prepare_new_search(side);
    } else if ((root_moves[0].flags & RM_KNOWN) ||
               (root_move_count > 1 && root_moves[1].score < -MATE_SCORE_BOUND) ||
               iteration_depth > MAX_ITERATION) {
        signal_stop(STOP_NOTHING_LEFT);
    }

    allocate_time(moves_to_go, time_ms, increment_ms);

    if (time_cap_ms != 0) {
        if (engine_flags & EF_BUSY_THREADS) wake_helper_threads();
        root_margin = strength_root_margin(uint32_t(mode));
        driver.learned_result = !((search_flags & EF_LIMIT_STRENGTH) && uci_elo < 2000);
        search_ply_limit = DEFAULT_MAX_DEPTH;
    }

    run_iterations();
    // Idle workers wait on their events again until the next search.
    park_helper_threads();
    // A weak move played in place of the best is no result worth learning.
    bool weak_move = play_weak_move(result_depth());

    bool decided = search_state_flags & SEARCH_ROOT_DECIDED;
    if (tt_share_kb >= 1024 && driver.learned_result && driver.iterations_done > 2 && !weak_move &&
        node_rate_limit == 0 && !internal && game_ply - game_searches.first_search_ply < 100 && !decided)
        store_learned_result();

    // A finished game keeps its result kind (mated or stalemate) in its record.
    if (decided && mode <= int(SEARCH_MODE_INFINITE))
        current_game_record->ply_flags = uint16_t(current_game_record->ply_flags | (search_state_flags & 0xFFFF));
    search_services.report_root_moves();
    // Calibration and move advice only measure: nothing is printed or played.
    if (!internal) play_best_move();
    if (internal) restore_settings(saved);

    // Only a search for the move (pondering that became one included) leaves
    // its score to compare with.
    if (search_mode == SEARCH_MODE_NORMAL) game_searches.previous_final_score = driver.root_score;
    int result = stop_reason;
    if (mode == SEARCH_MODE_NORMAL || search_mode == SEARCH_MODE_NORMAL) {
        search_mode = stop_reason >= 128 ? 1 : 3;
    } else {
        search_mode = stop_reason < 20 ? 2 : 1;
        result = 0x40;
    }
    iteration_depth = 0;
    return result;
}

void forget_game_searches() { game_searches = GameSearches{}; }

void set_next_window(int score) {
    if (score >= MATE_SCORE_BOUND + 1) {
        search_state_flags |= SEARCH_MATE_FOUND;
        root_alpha = score - 1;
        root_beta = SCORE_INFINITE;
    } else if (score <= -MATE_SCORE_BOUND - 1) {
        search_state_flags |= SEARCH_MATE_FOUND | SEARCH_BEING_MATED;
        root_alpha = -SCORE_INFINITE;
        root_beta = score + 1;
    } else {
        root_alpha = score - 32;
        root_beta = score + 32;
    }
}

int check_next_iteration() {
    uint64_t share = driver.best_move_nodes * 100 / (driver.iteration_nodes + 1);
    int next = iteration_depth + 1;
    bool allowed = next <= iteration_depth_limit || (search_mode != SEARCH_MODE_NORMAL && next <= MAX_ITERATION);
    if (!allowed) return 5;
    // The "depth" of "go" ends the search before an iteration beyond it is
    // started or announced.
    if (search_mode == SEARCH_MODE_NORMAL && next > go_depth_limit) {
        signal_stop(STOP_DEPTH_LIMIT);
        return 5;
    }
    if (iteration_depth == 0) {
        reference_score = root_evaluation;
        reference_score_change = 0;
        iteration_depth = next;
        return 3;
    }
    int64_t target = soft_limit_ms;
    // The saving is a share of the time planned from a clock. A search without
    // one has no planned time, only a target beyond any search; a share of
    // that would either save nothing or end a "go depth" or "movetime" search
    // at once.
    if (search_has_clock() && iterations_without_change == iteration_depth && root_instability == 0 &&
        driver.easy_move &&
        root_moves[0].score >= driver.second_score + 128) {
        time_extension_ms = -target / 2;
        // A recapture of what the last move took is all the more obvious.
        const GameRecord& last = *current_game_record;
        Move best = root_moves[0].line[1];
        if (last.captured && move_to(best) == move_to(last.move) &&
            PIECE_VALUES[main_position.kind[move_to(best)]] >= PIECE_VALUES[last.captured])
            time_extension_ms = -target * 3 / 4;
        if (int64_t(share) >= main_position.easy_move_share + 68) time_extension_ms -= target / 4;
        if (driver.root_score > game_searches.previous_final_score + 64) time_extension_ms /= 2;
    }
    int64_t elapsed = int64_t(get_elapsed_ms()) + ponder_offset_ms;
    driver.smoothed_share = (std::max<int>(int(share), 16) + driver.smoothed_share) / 2;
    reference_score_change = driver.root_score - reference_score;
    reference_score = driver.root_score;
    bool out_of_time = search_mode == SEARCH_MODE_NORMAL && target + time_extension_ms < elapsed;
    bool not_worth_it = search_mode == SEARCH_MODE_NORMAL && panic_limit_ms < elapsed && root_instability == 0 &&
                        best_move_changes == 0 &&
                        target + time_extension_ms < elapsed + elapsed * 2 * driver.smoothed_share / 100;
    if (quit_word || out_of_time || not_worth_it) {
        signal_stop(STOP_TIME_ITERATION);
        return 5;
    }
    iteration_depth = next;
    check_time_and_input(0);
    best_move_changes = 0;
    return 3;
}

void stop_if_all_mated() {
    if (search_mode != SEARCH_MODE_NORMAL || time_mode == TIME_MODE_NO_CLOCK) return;
    bool only_first_survives = root_move_count == 1;
    if (!only_first_survives) {
        only_first_survives = true;
        for (int i = 1; i < root_move_count; ++i)
            if (root_moves[i].score >= -7799) only_first_survives = false;
    }
    if (only_first_survives && driver.iterations_done >= 3 && get_elapsed_ms() + ponder_offset_ms > 250)
        signal_stop(STOP_ONLY_MOVE);
}

int last_search_depth() { return completed_depth; }
uint64_t last_search_nodes() { return searched_nodes; }
uint32_t last_search_ms() { return searched_ms; }
