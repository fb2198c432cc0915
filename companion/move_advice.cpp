#include "companion/move_advice.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "companion/human_book.h"
#include "config/settings.h"
#include "platform/print.h"
#include "position/position.h"
#include "search/driver.h"
#include "search/output.h"
#include "search/root.h"
#include "search/search_info.h"
#include "search/services.h"
#include "search/time_control.h"
#include "uci/dispatch.h"

namespace {

constexpr int CLASS_KEY = 16384;  // a book move's second value (class + 1) outweighs any score
constexpr int DECIDED = 8000;     // beyond it a score is a mate
constexpr int SHORT_OF_PIECES = 7;  // piece weight (knight 1, bishop 1, rook 2, queen 4)
constexpr int CLEAR_LEAD = 640;     // a second best this far ahead leaves no move standing out

int advice_key(const RootMove& rm) { return rm.score + CLASS_KEY * rm.second; }
// Above any searched score, below any book move's key.
constexpr int LEADER_KEY = SCORE_INFINITE;

// " pv " and the line's moves, each with its trailing blank.
void append_line(std::string* text, const Move* line) {
    *text += " pv ";
    for (const Move* move = line + 1; *move != NO_MOVE; ++move) *text += move_to_text(*move);
}

std::string line_start(int k, int depth, unsigned long time_ms, unsigned long nps) {
    char start[96];
    std::snprintf(start, sizeof(start), "info multipv %d depth %d time %lu nps %lu", k, depth, time_ms, nps);
    return start;
}

// The report after a search: always in move-advice mode; otherwise only a
// search that showed no principal variation reports its moves this way.
void report_root_moves() {
    const bool advice = search_mode == SEARCH_MODE_ADVICE;
    if (!advice && (input_mode == 0 || pv_line_printed)) return;
    // A book move was played without a search; a finished game has no move.
    if (stop_reason == STOP_BOOK_MOVE || root_move_count <= 0) return;
    print_move_advice();
    pv_line_printed = true;
}

void flag_book_moves(uint32_t options, int side) { flag_human_book_moves(side, options); }

RootMove advice_list[MAX_ROOT_MOVES];

}  // namespace

void install_move_advice() {
    companion_advice_search = think_tx;
    search_services.flag_book_moves = flag_book_moves;
    search_services.report_root_moves = report_root_moves;
}

int think_tx(int time_ms, int side) {
    restart_move_timer();
    // A search of no time would have no end: it reads no input to be stopped.
    return think(side, SEARCH_MODE_ADVICE, 0, std::max(time_ms, 1), 0);
}

void sort_advice_moves(RootMove* list, int count, int leader) {
    // Entries are told apart by their lines (each has its own), as the
    // swaps move them.
    const Move* const leading_line = leader >= 0 && leader < count ? list[leader].line : nullptr;
    auto key = [&](const RootMove& rm) {
        return leading_line && rm.line == leading_line ? LEADER_KEY : advice_key(rm);
    };
    for (int i = 0; i + 1 < count; ++i) {
        int best = i;
        for (int j = i + 1; j < count; ++j)
            if (key(list[j]) > key(list[best])) best = j;
        std::swap(list[i], list[best]);
    }
}

AdviceReference advice_reference(const RootMove* list, int count, int best_score, int evaluation,
                                 bool opponent_short) {
    AdviceReference r{};
    r.best = best_score;
    r.second = -SCORE_INFINITE;
    r.margin = 0;
    r.first_depth = count > 0 ? list[0].depth : 0;
    r.opponent_short = opponent_short;
    r.evaluation = evaluation;
    if (best_score > DECIDED) {
        for (int i = 0; i < count; ++i)
            if (list[i].score <= DECIDED) r.second = std::max(r.second, list[i].score);
        r.margin = std::clamp(std::abs(r.second) / 3, 192, 384);
    } else if (best_score >= -DECIDED) {
        for (int i = 0; i < count; ++i)
            if (list[i].score < best_score) r.second = std::max(r.second, list[i].score);
        r.margin = std::clamp(std::abs(best_score) / 3, 160, 384);
    }
    return r;
}

int book_move_merit(int play_class) { return play_class <= 1 ? 6 : play_class <= 4 ? 7 : 8; }

int searched_move_merit(const AdviceReference& r, int f, int depth) {
    const int b = r.best;
    const bool lead_too_clear = r.second >= CLEAR_LEAD && r.opponent_short;
    if (b > DECIDED) {
        if (f >= b) return lead_too_clear ? 4 : 5;
        if (f > b - 192) return 3;
        if (f > r.second - r.margin) return 2;
        return f > r.evaluation ? 1 : 0;
    }
    if (b < -DECIDED) {
        if (f >= b) return 4;
        if (f > b - 7) return 3;
        return f > b - 15 ? 2 : 1;
    }
    if (f > b - 8 && depth == r.first_depth)
        return f > r.second + r.margin && f > -384 && !lead_too_clear ? 5 : 4;
    if (f > b - 32) return 3;
    if (f > b - 96) return 2;
    return f > b - r.margin || f > r.evaluation ? 1 : 0;
}

void print_move_advice() {
    const int count = std::clamp(root_move_count, 0, MAX_ROOT_MOVES);
    const int n = std::min(count, multi_pv);
    const uint32_t elapsed = get_elapsed_ms();
    refresh_search_figures(elapsed);
    const unsigned long time_ms = elapsed;
    const unsigned long nps = reported_nps;
    std::copy(root_moves, root_moves + count, advice_list);
    // The search's own order puts its best move first. A search cut short
    // leaves the moves it had not searched again with scores of the
    // iteration before, which may stand above the best move's new score:
    // ranked by score alone, such a move would head the advice although
    // the search chose another. The search's best score and its best move
    // that is no book move lead instead.
    const int best_score = count > 0 ? advice_list[0].score : -SCORE_INFINITE;
    int leader = 0;
    while (leader < count && (advice_list[leader].flags & RM_BOOK)) ++leader;
    sort_advice_moves(advice_list, count, leader < count ? leader : -1);

    int k = 1;
    for (int i = 0; i < n; ++i) {
        const RootMove& rm = advice_list[i];
        if (!(rm.flags & RM_BOOK)) continue;
        std::string text = line_start(k, rm.depth, time_ms, nps);
        text += " score book merit " + std::to_string(book_move_merit(rm.second - 1));
        append_line(&text, rm.line);
        uci_print("%s\n", text.c_str());
        ++k;
    }

    const Position& pos = main_position;
    const bool opponent_short = int(pos.material_counts[pos.side ^ 1] & 0xFF) < SHORT_OF_PIECES;
    const AdviceReference reference = advice_reference(advice_list, n, best_score, root_evaluation, opponent_short);
    bool promoted_on_file[8] = {};
    for (int i = 0; i < n; ++i) {
        const RootMove& rm = advice_list[i];
        if (rm.flags & RM_BOOK) continue;
        const Move move = rm.line[1];
        // One promotion per file: the first in advice order stands for the
        // under-promotions beside it.
        if (is_promotion(move)) {
            bool& taken = promoted_on_file[file_of(move_to(move))];
            if (taken) continue;
            taken = true;
        }
        std::string text = line_start(k, rm.depth, time_ms, nps);
        text += " score ";
        text += format_score(rm.score, BOUND_KIND_EXACT);
        text += " merit " + std::to_string(searched_move_merit(reference, rm.score, rm.depth));
        if (const uint32_t hits = tb_hit_count.load(std::memory_order_relaxed); hits != 0)
            text += " tbhits " + std::to_string(hits);
        append_line(&text, rm.line);
        uci_print("%s\n", text.c_str());
        ++k;
    }
}
