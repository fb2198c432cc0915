#include "search/root.h"

#include <algorithm>
#include <utility>

#include "config/settings.h"
#include "eval/eval_cache.h"
#include "eval/eval_tables.h"
#include "eval/evaluate.h"
#include "eval/positional.h"
#include "eval/root_state.h"
#include "eval/tablebase_probe.h"
#include "game/game_history.h"
#include "game/repetition.h"
#include "position/make.h"
#include "position/material.h"
#include "position/move_tests.h"
#include "position/movegen.h"
#include "position/setup.h"
#include "search/driver.h"
#include "search/extensions.h"
#include "search/history_update.h"
#include "search/output.h"
#include "search/polling.h"
#include "search/qsearch.h"
#include "search/root_tables.h"
#include "search/search.h"
#include "search/search_constants.h"
#include "search/search_info.h"
#include "search/search_moves.h"
#include "search/services.h"
#include "search/strength.h"
#include "search/threads.h"
#include "search/time_control.h"
#include "search/tt.h"

RootMove root_moves[MAX_ROOT_MOVES];
int root_move_count = 0;
int root_move_index = 0;

int root_search_state = ROOT_ITERATING;
int root_instability = 0;
int best_move_changes = 0;
int best_known_mate = -SCORE_INFINITE;
int root_evaluation = 0;
int root_alpha = -MATE_SCORE_BOUND;
int root_beta = MATE_SCORE_BOUND;
int root_margin = 96;
uint16_t root_signatures[2] = {0xFFFF, 0xFFFF};
uint16_t searchmoves[SEARCHMOVES_CAPACITY];
int searchmoves_count = 0;

int64_t time_extension_ms = 0;
int reference_score = 0;
int reference_score_change = 0;
int iterations_without_change = 0;

namespace {

// The lines of the root moves; the entries point into it and only the
// pointers move when the list is reordered.
Move root_line_store[MAX_ROOT_MOVES][ROOT_LINE_SIZE];

// Moves excluded from the root of searches started while the pondering flag
// is still up (see prepare_root).
constexpr int MAX_ROOT_EXCLUSIONS = MAX_ROOT_MOVES;
Move root_exclusions[MAX_ROOT_EXCLUSIONS];
int root_exclusion_count = 0;


inline bool hash_in_use() { return hash_size_kb != 0 && !(search_switches & SEARCH_NO_TT); }

// Makes `move` on the main position when it is a legal move there; the
// caller unmakes it. validate_move completes its kind bits.
bool make_if_legal(Position* pos, Move* move) {
    Move candidate = *move & MOVE_IDENTITY_MASK;
    if (candidate == NO_MOVE || !validate_move(pos, &candidate)) return false;
    make_move(pos, candidate & MOVE_IDENTITY_MASK);
    if (mover_king_attacked(pos)) {
        unmake_move(pos);
        return false;
    }
    *move = Move((*move & MOVE_GIVES_CHECK) | (candidate & MOVE_IDENTITY_MASK));
    return true;
}

bool is_legal_root_move(Position* pos, Move move) {
    if (!make_if_legal(pos, &move)) return false;
    unmake_move(pos);
    return true;
}

void remove_root_move(int index) {
    std::swap(root_moves[index], root_moves[root_move_count - 1]);
    --root_move_count;
}

bool in_exclusions(Move move) {
    for (int i = 0; i < root_exclusion_count; ++i)
        if ((root_exclusions[i] & MOVE_IDENTITY_MASK) == (move & MOVE_IDENTITY_MASK)) return true;
    return false;
}

bool in_searchmoves(Move move) {
    for (int i = 0; i < searchmoves_count; ++i)
        if ((searchmoves[i] & 0xFFF) == (move & 0xFFF)) return true;
    return false;
}

// Restricts the root to the "searchmoves" of the "go" command. A list that
// names no legal move is ignored: the root then searches every move rather
// than report a mate or stalemate that is not there.
void apply_searchmoves(Position* pos) {
    bool any_legal = false;
    for (int i = 0; i < root_move_count && !any_legal; ++i)
        any_legal = in_searchmoves(root_moves[i].line[1]) && is_legal_root_move(pos, root_moves[i].line[1]);
    if (any_legal)
        for (int i = 0; i < root_move_count; ++i)
            if (!in_searchmoves(root_moves[i].line[1])) root_moves[i].line[1] = NO_MOVE;
    searchmoves_count = 0;
}

// Drops the excluded moves from the root, unless that would leave no legal
// move to search.
void apply_exclusions(Position* pos) {
    bool legal_left = false;
    for (int i = 0; i < root_move_count && !legal_left; ++i)
        legal_left = !in_exclusions(root_moves[i].line[1]) && is_legal_root_move(pos, root_moves[i].line[1]);
    if (!legal_left) return;
    for (int i = root_move_count - 1; i >= 0; --i)
        if (in_exclusions(root_moves[i].line[1])) remove_root_move(i);
}

void set_playing_style(int side) {
    hanging_shift[WHITE] = hanging_shift[BLACK] = HANGING_SHIFT_DEFAULT;
    threat_shift[WHITE] = threat_shift[BLACK] = THREAT_SHIFT_DEFAULT;
    playing_style_side = 0;
    root_side_to_move = side;
    const uint32_t style = (search_flags & EF_PLAYING_STYLE) >> EF_PLAYING_STYLE_SHIFT;
    if (style == 1 || style == 2) {
        const int favoured = style == 1 ? side : side ^ 1;  // Aggressive: the side to move; Solid: the opponent
        hanging_shift[favoured] = HANGING_SHIFT_DEFAULT + 1;
        threat_shift[favoured] = THREAT_SHIFT_DEFAULT + 1;
        playing_style_side = uint8_t(favoured + 1);
    }
}

// The result kind of the evaluation after a root move, turned to the
// root's view (lost and won swap).
uint32_t root_view_kind(uint32_t ply_flags) {
    uint32_t kind = ply_flags & PLY_KIND_MASK;
    if (kind == KIND_LOST)
        kind = KIND_WON;
    else if (kind == KIND_WON)
        kind = KIND_LOST;
    return kind;
}

// Scores one root move by the rules and a root-kind evaluation.
void score_root_move(Position* pos, RootMove* rm, int side, int* legal_count) {
    rm->flags &= RM_BOOK;
    rm->nodes = 0;
    Move move = rm->line[1];
    if ((move & MOVE_IDENTITY_MASK) == NO_MOVE || !make_if_legal(pos, &move)) {
        rm->flags |= RM_KNOWN;
        rm->score = -SCORE_INFINITE;
        return;
    }
    ++*legal_count;
    const PlyRecord* child = current_ply_record(pos);
    rm->line[1] = move & MOVE_IDENTITY_MASK;
    if (child->flags & PLY_IN_CHECK) {
        rm->line[1] |= MOVE_GIVES_CHECK;
        rm->flags |= RM_GIVES_CHECK;
    }
    const bool in_check = (child->flags & PLY_IN_CHECK) != 0;
    if (in_check && !has_legal_reply(pos, 2, true)) {
        rm->flags |= RM_KNOWN | RM_MATE;
        rm->score = SCORE_INFINITE - 1;
    } else if (!(rm->flags & RM_BOOK)) {
        if (!in_check && has_no_legal_move(side ^ 1)) {
            rm->flags |= RM_KNOWN | RM_STALEMATE;
            rm->score = draw_score[side];
        } else if (count_repetitions(pos) >= 2) {
            rm->flags |= RM_KNOWN | RM_REPETITION;
            rm->score = draw_score[side];
        } else if (pos->fifty > FIFTY_MOVE_LIMIT) {
            rm->flags |= RM_KNOWN | RM_FIFTY;
            rm->score = draw_score[side];
        } else {
            // A legal move never scores as low as an illegal one, so that the
            // sort keeps every legal move ahead of the cut.
            rm->score = std::max(-evaluate(pos, 2, ROOT_KIND_DEPTH, -2 * SCORE_INFINITE, 2 * SCORE_INFINITE),
                                 -SCORE_INFINITE + 1);
            const PlyRecord* scored = current_ply_record(pos);
            if (scored->flags & PLY_KIND_MASK)
                rm->flags |= RM_KNOWN | (scored->flags & RM_TABLEBASE) | root_view_kind(scored->flags);
        }
    }
    if ((rm->flags & RM_KNOWN) && std::abs(rm->score) > MATE_SCORE_BOUND && rm->score > best_known_mate)
        best_known_mate = rm->score;
    unmake_move(pos);
}

// Walks the root move's line from the position after the root move and
// extends it with the table's moves where it ends, up to the line's last
// entry. Stops at a repetition or the fifty-move limit; every move added is
// legal. The position is left as it was.
void complete_line_from_table(Position* pos, Move* line) {
    int made = 0;
    int index = 2;
    for (; index < ROOT_LINE_LAST; ++index) {
        if (pos->fifty > FIFTY_MOVE_LIMIT || (pos->fifty > 3 && is_repetition(pos))) break;
        if (line[index] == NO_MOVE) {
            if (!hash_in_use()) break;
            int score = 0, depth = 0;
            Move move = NO_MOVE;
            const int found = tt_probe(pos, &score, &depth, index, &move, 0);
            if (!(found & TT_LOWER) || move == NO_MOVE) break;
            if (!make_if_legal(pos, &move)) break;
            line[index] = Move((move & MOVE_IDENTITY_MASK) |
                               ((current_ply_record(pos)->flags & PLY_IN_CHECK) ? MOVE_GIVES_CHECK : 0));
            line[index + 1] = NO_MOVE;
        } else {
            Move move = line[index];
            if (!make_if_legal(pos, &move)) {
                line[index] = NO_MOVE;
                break;
            }
        }
        ++made;
    }
    if (index == ROOT_LINE_LAST) line[index] = NO_MOVE;
    while (made-- > 0) unmake_move(pos);
}

// Puts the moves of the root move's line into the table where it has no
// entry for them, so that the next iteration follows the line first.
void restore_line_to_table(Position* pos, const RootMove* rm, int depth) {
    if (!hash_in_use()) return;
    int made = 0;
    for (int index = 2; index < ROOT_LINE_LAST && rm->line[index] != NO_MOVE; ++index) {
        int score = 0, stored_depth = 0;
        Move stored = NO_MOVE;
        if (tt_probe(pos, &score, &stored_depth, index, &stored, 0) == 0)
            tt_insert(pos, tt_age, rm->score, std::max(depth - index, 0), index, rm->line[index] & MOVE_IDENTITY_MASK, 0);
        Move move = rm->line[index];
        if (!make_if_legal(pos, &move)) break;
        ++made;
    }
    while (made-- > 0) unmake_move(pos);
}

// The window step after the n-th fail (1, 2, then the mate bound).
int widened_bound(int score, int fails, int sign) {
    if (fails == 1) return score + sign * 128;
    if (fails == 2) return score + sign * 256;
    return sign * MATE_SCORE_BOUND;
}

void copy_child_line(Move* line, const Move* child) {
    int index = 2;
    for (; index < ROOT_LINE_LAST && child[index - 2] != NO_MOVE; ++index) line[index] = child[index - 2];
    line[index] = NO_MOVE;
}

// Known results are final: a known mate or draw by rule that scores above
// the first entry becomes the first entry, so that a stop at any time plays
// it (the sort by nodes sinks never-searched entries to the end).
void bring_best_known_result_first() {
    int known = -1;
    for (int i = 0; i < root_move_count; ++i)
        if ((root_moves[i].flags & RM_KNOWN) && (known < 0 || root_moves[i].score > root_moves[known].score)) known = i;
    if (known <= 0 || root_moves[known].score <= root_moves[0].score) return;
    const RootMove moved = root_moves[known];
    for (int p = known; p > 0; --p) root_moves[p] = root_moves[p - 1];
    root_moves[0] = moved;
}

// A book move was never searched: its line has no score to show.
int root_line_score(const RootMove& rm) { return (rm.flags & RM_BOOK) ? NO_SCORE_TO_PRINT : rm.score; }

}  // namespace

Move prepare_root(int side) {
    Position* pos = &main_position;
    root_game_ply = pos->ply;

    const uint16_t signatures[2] = {material_signature(pos->material_counts[WHITE]),
                                    material_signature(pos->material_counts[BLACK])};
    if (signatures[WHITE] != root_signatures[WHITE] || signatures[BLACK] != root_signatures[BLACK]) {
        root_signatures[WHITE] = signatures[WHITE];
        root_signatures[BLACK] = signatures[BLACK];
        advance_eval_cache_age();
    }

    tb_men_limit = 0;
    if ((search_flags & EF_USE_TABLEBASES) && tb_max_pieces > 2) tb_men_limit = tb_max_pieces - 2;
    root_material[WHITE] = pos->material[WHITE];
    root_material[BLACK] = pos->material[BLACK];
    set_playing_style(side);
    advance_hash_generation();

    if (search_flags & EF_RETAIN_HASH)
        history_rescale();
    else
        history_reset();
    for (int ply = 0; ply < MAX_PLY; ++ply) pos->killer1[ply] = pos->killer2[ply] = 0;

    // The first move of the last search: in analysis the exclusion list
    // grows by the move found best before.
    const Move previous_first = root_move_count > 0 ? root_moves[0].line[1] : NO_MOVE;

    pos->move_list[1] = 0;
    MoveEntry* list = move_list_start(pos, 1);
    const bool in_check = (current_ply_record(pos)->flags & PLY_IN_CHECK) != 0;
    const int generated = in_check ? gen_evasions(pos, nullptr, 1, 0, list) : gen_moves(pos, 1, 0, list);
    root_move_count = std::min(generated, MAX_ROOT_MOVES);
    for (int i = 0; i < root_move_count; ++i) {
        RootMove& rm = root_moves[i];
        rm.line = root_line_store[i];
        rm.line[0] = NO_MOVE;
        rm.line[1] = list[i].move & MOVE_IDENTITY_MASK;
        rm.line[2] = NO_MOVE;
        rm.nodes = 0;
        rm.flags = 0;
        rm.depth = 0;
        rm.score = -2000;
        rm.second = 0;
    }

    if (searchmoves_count > 0) {
        apply_searchmoves(pos);
        root_exclusion_count = 0;
    } else if ((search_mode == SEARCH_MODE_NORMAL || search_mode == SEARCH_MODE_INFINITE) &&
               (search_flags & EF_PONDERING)) {
        const bool has_next = current_game_record + 1 < game_records + GAME_RECORD_COUNT;
        const Move excluded = search_mode == SEARCH_MODE_INFINITE ? previous_first
                              : has_next                           ? (current_game_record + 1)->move
                                                                   : NO_MOVE;
        if (excluded != NO_MOVE && root_exclusion_count < MAX_ROOT_EXCLUSIONS)
            root_exclusions[root_exclusion_count++] = excluded;
        apply_exclusions(pos);
    } else {
        root_exclusion_count = 0;
    }

    pos->nodes = uint64_t(root_move_count);
    pos->merged_nodes = 0;
    tb_hit_count = 0;
    for (ThreadSlot& slot : thread_slots) slot.counter = 0;
    seldepth = 0;
    search_state_flags = 0;
    root_search_state = ROOT_ITERATING;
    root_instability = 0;
    best_move_changes = 0;
    best_known_mate = -SCORE_INFINITE;
    root_move_index = 0;

    Move book_move = NO_MOVE;
    // A limited engine leaves the book the earlier, the lower its rating.
    if (search_mode <= SEARCH_MODE_NORMAL &&
        !((search_flags & EF_LIMIT_STRENGTH) && strength_skips_book(pos->ply)))
        book_move = search_services.choose_book_move(search_book_options, side);
    if (search_mode == SEARCH_MODE_ADVICE) {
        // Move advice grades every root move: all are searched and shown,
        // the book's moves are marked instead of played.
        multi_pv = root_move_count;
        search_services.flag_book_moves(search_book_options, side);
    }
    if (book_move != NO_MOVE) {
        for (int i = 0; i < root_move_count; ++i)
            if ((root_moves[i].line[1] & 0xFFF) == (book_move & 0xFFF)) {
                std::swap(root_moves[0], root_moves[i]);
                break;
            }
        if (root_move_count == 0) {
            root_moves[0].line = root_line_store[0];
            root_move_count = 1;
        }
        root_moves[0].line[1] = book_move;
        root_moves[0].line[2] = NO_MOVE;
        root_moves[0].flags = RM_BOOK | RM_KNOWN;
        root_moves[0].score = 2;
        root_moves[0].depth = 0;
    }
    return book_move;
}

void prepare_root_moves(Position* pos) {
    const int side = pos->side;
    for (int pass = 0; pass < 2; ++pass) {
        swindle_flag = 0;
        best_known_mate = -SCORE_INFINITE;
        root_evaluation = evaluate(pos, 1, ROOT_KIND_DEPTH, -2 * SCORE_INFINITE, 2 * SCORE_INFINITE);
        PlyRecord* root = current_ply_record(pos);
        root->flags |= PLY_PV_NODE;
        if (search_mode != SEARCH_MODE_INFINITE && pos->material[side] - pos->material[side ^ 1] >= PAWN_VALUE &&
            (search_flags & EF_SWINDLE) && (root->flags & PLY_KIND_DRAW_BIT) && hard_limit_ms > 30)
            swindle_flag = 1;

        int legal = 0;
        for (int i = 0; i < root_move_count; ++i) score_root_move(pos, &root_moves[i], side, &legal);

        if (legal == 0) {
            const bool in_check = (root->flags & PLY_IN_CHECK) != 0;
            search_state_flags |= in_check ? (RM_MATE | RM_KNOWN) : (RM_STALEMATE | RM_KNOWN);
            root_moves[0].score = in_check ? -SCORE_INFINITE : draw_score[side];
            // The generated moves were all illegal: none may be answered.
            root_move_count = 0;
            return;
        }
        sort_root_moves_by_score();

        // A won root the tablebases spoil: score again without them.
        if (pass == 0 && tb_men_limit != 0 && root_evaluation >= 7701 && root_moves[0].score < root_evaluation) {
            tb_men_limit = 0;
            clear_hash(0);
            continue;
        }
        root_move_count = legal;
        return;
    }
}

void sort_root_moves_by_score() {
    for (int i = 0; i < root_move_count; ++i) {
        int best = i;
        for (int j = i + 1; j < root_move_count; ++j)
            if (root_moves[j].score > root_moves[best].score) best = j;
        if (best != i) std::swap(root_moves[i], root_moves[best]);
        root_moves[i].flags &= ~RM_BEST_CANDIDATE;
    }
}

void sort_root_moves_by_nodes() {
    for (int i = 0; i < root_move_count; ++i) {
        if (root_moves[i].flags & RM_BEST_CANDIDATE) continue;
        int best = i;
        for (int j = i + 1; j < root_move_count; ++j)
            if (root_moves[j].nodes > root_moves[best].nodes) best = j;
        if (best != i) std::swap(root_moves[i], root_moves[best]);
    }
}

int report_root_result(int index) {
    if (index > 0) {
        ++best_move_changes;
        iterations_without_change = 0;
        const int limit = std::min(index, std::max(multi_pv, 1) - 1);
        int target = limit;
        for (int p = 0; p < limit; ++p)
            if (root_moves[p].score < root_moves[index].score) {
                target = p;
                break;
            }
        // A known result (a mate or a draw by rule) that beats the new one
        // stays ahead of it: the first entry is the move played when the
        // search stops.
        while (target < index && (root_moves[target].flags & RM_KNOWN) &&
               root_moves[target].score > root_moves[index].score)
            ++target;
        const RootMove moved = root_moves[index];
        for (int p = index; p > target; --p) root_moves[p] = root_moves[p - 1];
        root_moves[target] = moved;
        index = target;
    }

    // Time for an unsettled root (the clock's deadline reads it).
    // A first mate score against the root takes all the time there is; once
    // being mated is known the ordinary rules apply again.
    const int score = root_moves[index].score;
    if (score > -MATE_SCORE_BOUND || (search_state_flags & SEARCH_BEING_MATED)) {
        const int64_t target = soft_limit_ms;
        if (root_search_state < ROOT_ITERATING) {
            time_extension_ms = 8 * target;
        } else if (root_search_state > 5) {
            time_extension_ms = 4 * target;
        } else if (root_search_state != ROOT_ITERATING) {
            int drop = score - reference_score;
            if (reference_score_change < 0) drop += reference_score_change;
            if (drop < -3) {
                const int k = std::min((8 * best_move_changes - drop + 32 * root_instability) >> 3, 63);
                time_extension_ms = int64_t(TIME_EXTENSION_STEPS[k]) * (target / 16);
            } else if (time_extension_ms > 0 || best_move_changes > 0) {
                time_extension_ms = 0;
            }
        }
    } else {
        time_extension_ms = hard_limit_ms;
    }

    check_time_and_input(0);

    if ((output_state & OUTPUT_PRINTING) && int(search_book_options & 3) >= int(search_mode) - 3)
        print_root_lines(iteration_depth);

    if (search_flags & EF_LIMIT_STRENGTH) time_extension_ms /= 2;
    return index;
}

void print_root_pv(int depth) {
    if (root_move_count == 0) {
        // A finished game: no move, but the mate or stalemate score.
        static const Move NO_LINE[2] = {NO_MOVE, NO_MOVE};
        if (search_state_flags & SEARCH_ROOT_DECIDED)
            print_pv_info(NO_LINE, 0, BOUND_KIND_EXACT, root_moves[0].score, depth);
        return;
    }
    print_pv_info(root_moves[0].line, 0, bound_kind_of(root_search_state), root_line_score(root_moves[0]), depth);
}

void print_root_lines(int depth) {
    if (multi_pv <= 1 || root_move_count == 0) {
        print_root_pv(depth);
        return;
    }
    const int lines = std::min(root_move_count, multi_pv);
    for (int i = 0; i < lines; ++i)
        print_pv_info(root_moves[i].line, i + 1, ROOT_NEW_BEST, root_line_score(root_moves[i]), depth);
}

int search_root(Position* pos, int depth) {
    const int pv_count = std::max(multi_pv, 1);
    int alpha = pv_count > 1 ? -SCORE_INFINITE : root_alpha;
    int beta = root_beta;
    int best = -SCORE_INFINITE;
    bool threshold_active = false;
    int threshold = -SCORE_INFINITE;
    current_ply_record(pos)->flags |= PLY_PV_NODE;
    set_move_list_end(pos, 1, move_list_start(pos, 1));

    if (depth == 7) {
        if (pv_count > 1) output_state |= OUTPUT_PRINTING;
        for (int i = 0; i < std::min(pv_count, root_move_count); ++i) {
            RootMove& rm = root_moves[i];
            const uint32_t kind = rm.flags & (RM_KIND_MASK | RM_TABLEBASE);
            if (kind != KIND_TB_LOSS && kind != KIND_TB_WIN) continue;
            Move move = rm.line[1];
            if (!make_if_legal(pos, &move)) continue;
            search_services.tb_build_line(pos->side, 2, rm.line);
            unmake_move(pos);
        }
    }

    bring_best_known_result_first();

    int fail_highs = 0, fail_lows = 0;
    bool searched_any = false;
    for (int i = 0; i < root_move_count && !search_stop_requested(pos); ++i) {
        RootMove* rm = &root_moves[i];
        if ((rm->flags & RM_KNOWN) || rm->depth == depth) continue;
        root_move_index = i;
        output_state |= OUTPUT_NEW_ROOT_MOVE;

        Move move = rm->line[1];
        if (!make_if_legal(pos, &move)) {  // cannot happen for a scored root move
            rm->flags |= RM_KNOWN;
            rm->score = -SCORE_INFINITE;
            continue;
        }
        PlyRecord* child = current_ply_record(pos);
        if (rm->flags & RM_BEST_CANDIDATE) child->flags |= PLY_PV_CANDIDATE;
        int half_ply = 0;
        classify_root_move_extensions(pos, &half_ply, searched_any);
        restore_line_to_table(pos, rm, depth);

        // The window: the driver's, or a zero window at the MultiPV threshold.
        int window_alpha = alpha, window_beta = beta;
        bool threshold_window = false;
        if (searched_any && threshold_active) {
            threshold_window = true;
            if (alpha > threshold) {
                window_alpha = alpha;
                window_beta = alpha + 1;
            } else {
                window_alpha = threshold;
                window_beta = threshold + 1;
                if (depth < 2 || strength_limited_below(1501)) window_alpha = alpha - root_margin;
            }
        }
        int node_kind = searched_any ? -1 : 0;
        bool failed_high = false, failed_low = false;
        int known_swap = -1;
        int score = 0;
        for (;;) {
            const uint64_t nodes_before = position_node_total(pos);
            if (depth < 2)
                score = -qsearch(pos, 2, 0, -window_beta, -window_alpha, 0);
            else
                score = -search(pos, 2, depth - 1, half_ply, -window_beta, -window_alpha, 0, node_kind);
            if (search_stop_requested(pos)) break;
            const uint64_t spent = position_node_total(pos) - nodes_before;
            rm->nodes = root_search_state == ROOT_FAILED_HIGH ? rm->nodes + spent : spent;
            rm->score = score;

            // The first move fails below a known mate: take the known one and
            // leave this move as searched (its re-search could not beat it).
            if (!searched_any && pv_count == 1 && score <= alpha && score <= best_known_mate) {
                for (int j = i + 1; j < root_move_count; ++j)
                    if ((root_moves[j].flags & RM_KNOWN) && root_moves[j].score == best_known_mate) {
                        known_swap = j;
                        break;
                    }
                if (known_swap >= 0) {
                    alpha = best_known_mate - 1;
                    root_instability = 1;
                    break;
                }
            }

            if (threshold_window) {
                if (score < window_beta) {
                    rm->line[2] = pv_line(pos, 2)[0];
                    rm->line[3] = NO_MOVE;
                    break;
                }
                rm->flags |= RM_BEST_CANDIDATE;
                rm->line[2] = NO_MOVE;
                root_instability = failed_low ? 4 : 1;
                i = report_root_result(i);
                rm = &root_moves[i];
                threshold_window = false;
                window_alpha = score;
                window_beta = beta;
                node_kind = 0;
                continue;
            }
            if (score >= beta) {
                rm->flags |= RM_BEST_CANDIDATE;
                root_search_state = ROOT_FAILED_HIGH;
                rm->line[2] = NO_MOVE;
                root_instability = failed_low ? 4 : 1;
                if (score >= MATE_SCORE_BOUND) {
                    beta = SCORE_INFINITE;
                    search_state_flags |= SEARCH_MATE_FOUND;
                } else {
                    beta = widened_bound(score, ++fail_highs, 1);
                }
                failed_high = true;
                i = report_root_result(i);
                rm = &root_moves[i];
                window_alpha = alpha;
                window_beta = beta;
                node_kind = 0;
                continue;
            }
            if (score <= alpha) {
                rm->line[2] = pv_line(pos, 2)[0];
                rm->line[3] = NO_MOVE;
                root_search_state = ROOT_FAILED_LOW;
                root_instability = failed_high ? 4 : 1;
                if (score <= -MATE_SCORE_BOUND) {
                    alpha = -SCORE_INFINITE;
                    search_state_flags |= SEARCH_MATE_FOUND;
                } else {
                    alpha = widened_bound(score, ++fail_lows, -1);
                }
                failed_low = true;
                i = report_root_result(i);
                rm = &root_moves[i];
                window_alpha = alpha;
                window_beta = failed_high ? beta : score;
                node_kind = 0;
                continue;
            }
            // Inside the window.
            if (node_kind == 0 && (score <= window_alpha || score >= window_beta)) root_instability += 4;
            copy_child_line(rm->line, pv_line(pos, 2));
            complete_line_from_table(pos, rm->line);
            break;
        }
        unmake_move(pos);
        if (search_stop_requested(pos)) break;
        searched_any = true;

        if (known_swap >= 0) {
            root_moves[i].depth = depth;  // the searched move is done for this iteration wherever it goes
            std::swap(root_moves[i], root_moves[known_swap]);
            rm = &root_moves[i];
            score = rm->score;
        }
        if (score > alpha) {
            rm->flags |= RM_BEST_CANDIDATE;
            if (std::abs(score) > MATE_SCORE_BOUND && score > best_known_mate) best_known_mate = score;
        }
        rm->depth = depth;

        if (!threshold_active || score > threshold) {
            if (score > best) {
                // Low ratings blur the root scores; the move's entry shows
                // the same score to the sort, the output and the weak-move choice.
                if (search_flags & EF_LIMIT_STRENGTH) rm->score = score = strength_noisy_score(score);
                if ((rm->flags & RM_REPETITION) == RM_REPETITION) root_instability = 4;
                best = score;
                if (best > alpha) {
                    if (best < beta) {
                        root_search_state = ROOT_NEW_BEST;
                    } else if (best >= MATE_SCORE_BOUND) {
                        search_state_flags |= SEARCH_MATE_FOUND;
                        beta = SCORE_INFINITE;
                    }
                }
            }
            i = report_root_result(i);
        }
        // The entry at the last MultiPV place, once searched, sets the threshold.
        const int last_place = std::min(pv_count, root_move_count) - 1;
        if (last_place >= 0 && root_moves[last_place].depth == depth) {
            threshold = root_moves[last_place].score;
            threshold_active = true;
            alpha = std::max(alpha, threshold);
        }
    }

    if (!search_stop_requested(pos)) root_move_index = root_move_count;  // no root move under way
    if (!search_stop_requested(pos) && root_move_count > 0 && (root_moves[0].flags & RM_KNOWN) && depth > 6) {
        bool all_known = true;
        for (int i = 1; i < root_move_count && all_known; ++i) all_known = (root_moves[i].flags & RM_KNOWN) != 0;
        if (all_known) signal_stop(4);
    }
    return best;
}
