#include "search/search.h"

#include <algorithm>

#include "config/settings.h"
#include "config/shared_word.h"
#include "eval/eval_tables.h"
#include "eval/evaluate.h"
#include "eval/root_state.h"
#include "game/repetition.h"
#include "position/make.h"
#include "position/move_tests.h"
#include "position/movegen.h"
#include "position/setup.h"
#include "search/extensions.h"
#include "search/history_update.h"
#include "search/node_poll.h"
#include "search/qsearch.h"
#include "search/search_constants.h"
#include "search/search_moves.h"
#include "search/split.h"
#include "search/threat_moves.h"
#include "search/tt.h"

int history_threshold = 256;
uint32_t search_switches = 0;

namespace {

// Men on the board besides the kings.
inline int men_count(const Position* pos) {
    return int(((pos->material_counts[WHITE] >> 8) & 0xFF) + ((pos->material_counts[BLACK] >> 8) & 0xFF));
}

// The side has a man other than its king and pawns (piece weight byte).
inline bool has_piece(const Position* pos, int side) { return (pos->material_counts[side] & 0xFF) != 0; }

inline bool tt_in_use() { return hash_size_kb != 0 && !(search_switches & SEARCH_NO_TT); }

// The square of the man that made the move stored in `record`, when there
// is one (not after a null move).
inline uint32_t last_moved_slot_bit(const Position* pos, const PlyRecord* record) {
    Move last = record->move & MOVE_IDENTITY_MASK;
    if (last == NO_MOVE || last == NULL_MOVE) return 0;
    return pos->slot_bit[move_to(last)];
}

// A threat (slot in bits 12-15) of `threat_side` still stands: its man still
// attacks the target, and the other side's last-moved man does not cover it.
inline bool threat_still_on(const Position* pos, Move threat, int threat_side, uint32_t last_moved_bit) {
    const int target = move_to(threat);
    if (!(pos->attacks[threat_side][target].direct & (1u << threat_slot(threat)))) return false;
    return !(pos->attacks[threat_side ^ 1][target].direct & last_moved_bit);
}

// A pawn of the side stands on its seventh rank.
inline bool pawn_on_seventh(const Position* pos, int side) {
    return (pos->pawn_rank_slots[side][side == WHITE ? 6 : 1] & pos->slots[side] & pos->pawn_slots[side]) != 0;
}

// Queen promotions, captures and en passant (with or without the check bit)
// are never reduced.
inline bool is_forcing_kind(Move move) {
    const int kind = move_kind(move);
    return kind == MK_PROMOTE_QUEEN || kind == MK_CAPTURE || kind == MK_EN_PASSANT;
}

// A pawn push to the sixth or seventh rank that nothing stops is not pruned.
// Worked out without a branch: pawn moves and others mix without a pattern.
inline bool is_advanced_pawn_push(const Position* pos, int side, int piece, int to) {
    // The sixth and seventh ranks of White, then of Black.
    constexpr uint64_t ADVANCED_RANKS[2] = {0x00FFFF0000000000ull, 0x0000000000FFFF00ull};
    const bool advanced = (piece == PAWN) & bool((ADVANCED_RANKS[side] >> to) & 1);
    // The square ahead stays on the board for any move.
    const bool unstopped = pos->kind[(to + 8 - 16 * side) & 63] != PAWN;
    return advanced & unstopped;
}

// Searches the move just made (legal) from a node's frame: the repetition
// test, the child's flags, the extensions, then the child search with its
// reduction, zero-window and re-search steps. The child's score from the
// child's side is negated: the score of the move for the node. The node's
// own loop and the threads of a split point search their moves with it.
[[gnu::always_inline]] inline int search_made_move(Position* pos, const PlyRecord* rec, int side, bool in_check,
                                                   int ply, int depth, int half_ply, int alpha, int beta,
                                                   uint32_t flags, int node_kind, int tt_flags, Move null_threat,
                                                   int moves_searched, int move_count, int best, Move move,
                                                   int order, int ratio) {
    PlyRecord* const child = current_ply_record(pos);
    int score;
    if (pos->fifty >= 4 && is_repetition(pos)) {
        score = draw_score[side];
        pv_line(pos, ply + 1)[0] = NO_MOVE;
    } else {
        if ((rec->flags & PLY_NULL_MATE_THREAT) && null_threat) child->threat_move = null_threat;
        if (moves_searched == 0 && ((in_check && move_count == 1) || (tt_flags & TT_FORCED)))
            child->flags |= PLY_SINGLE_REPLY;
        if (order >= ORDER_TT_MOVE) {
            child->flags |= PLY_PV_CANDIDATE;
            // The table's move cut off with a threat before: the
            // other side faces it again.
            if (moves_searched == 0 && !in_check && (tt_flags & TT_FORCED))
                child->flags |= PLY_CONNECTED_THREAT | king_attack_bit(side ^ 1);
        }

        int acc = half_ply;
        int extension = classify_move_extensions(pos, alpha, &acc, node_kind);
        if (search_switches & SEARCH_NO_EXTENSIONS) {
            extension = 0;
            acc = half_ply;
        }
        const int child_depth = depth - 1 + extension;
        const uint32_t child_flags = child_node_flags(flags);

        if (child_depth < 1) {
            if (search_switches & SEARCH_STATIC_HORIZON) {
                score = -horizon_value(pos, ply + 1);
            } else if (moves_searched == 0) {
                score = -qsearch(pos, ply + 1, 0, -beta, -alpha, child_flags);
            } else {
                score = -qsearch(pos, ply + 1, 0, -alpha - 1, -alpha, child_flags);
                if (alpha < score && score < beta) score = -qsearch(pos, ply + 1, 0, -beta, -score, child_flags);
            }
        } else if (moves_searched == 0) {
            score = -search(pos, ply + 1, child_depth, acc, -beta, -alpha, child_flags, -node_kind);
        } else {
            bool full_depth = true;
            const bool forcing = is_forcing_kind(move);
            if (!(search_switches & SEARCH_NO_REDUCTIONS) && moves_searched >= 3 && best >= NO_MATE_BEST &&
                order <= ORDER_QUIET_LIMIT && ratio < history_threshold &&
                ((!in_check && !forcing && !(child->flags & (PLY_IN_CHECK | PLY_PASSED_NEAR))) ||
                 ((search_flags & EF_OPTIMISTIC_SEARCH) && child->move_class == 0 && pos->gain_value < 0))) {
                int reduced_depth = child_depth, reduced_acc = acc;
                if (!in_check && !forcing && pos->gain_value <= 0 && !(child->flags & PLY_NO_HALF_PLY_REDUCTION)) {
                    int r = floor_log2(uint32_t(moves_searched + 1));
                    if (rec->flags & PLY_PV_NODE) r >>= 1;
                    r = std::max(r, 2);
                    int half_plies = 2 * child_depth + acc;
                    if (r < half_plies) {
                        half_plies -= r;
                        reduced_depth = half_plies >> 1;
                        reduced_acc = half_plies & 1;
                    } else {
                        reduced_depth = 0;
                    }
                }
                child->flags |= PLY_REDUCED;
                if (reduced_depth < 2)
                    score = (search_switches & SEARCH_STATIC_HORIZON)
                                ? -horizon_value(pos, ply + 1)
                                : -qsearch(pos, ply + 1, 0, -alpha - 1, -alpha, child_flags);
                else
                    score = -search(pos, ply + 1, reduced_depth - 1, reduced_acc, -alpha - 1, -alpha, child_flags,
                                    -node_kind);
                child->flags &= ~PLY_REDUCED;
                if (score <= alpha)
                    full_depth = false;
                else
                    child->flags |= PLY_PV_CANDIDATE;
            }
            if (full_depth) {
                score = -search(pos, ply + 1, child_depth, acc, -alpha - 1, -alpha, child_flags, -node_kind);
                if (alpha < score && score < beta) {
                    child->flags |= PLY_PV_CANDIDATE;
                    score = -search(pos, ply + 1, child_depth, acc, -beta, -score, child_flags, 0);
                }
            }
        }
    }
    return score;
}

}  // namespace

bool search_split_move(Position* pos, const NodeFrame& frame, Move move, int order, int alpha, int best,
                       int moves_searched, int* score) {
    const PlyRecord* const rec = current_ply_record(pos);
    const int side = pos->side;
    const int ratio = shared_load(
        history_ratio[history_band(frame.ply)][history_index(side, pos->kind[move_from(move)], move_to(move))]);
    prefetch_child_entries(pos, move, true);
    make_move(pos, move & MOVE_IDENTITY_MASK);
    if (mover_king_attacked(pos)) {
        unmake_move(pos);
        return false;
    }
    // After the first move a node's move count is read only for the single
    // reply of the first one: a split point always has a move searched.
    *score = search_made_move(pos, rec, side, (rec->flags & PLY_IN_CHECK) != 0, frame.ply, frame.depth,
                              frame.half_ply, alpha, frame.beta, frame.flags, frame.node_kind, frame.tt_flags,
                              frame.null_threat, moves_searched, 0, best, move, order, ratio);
    return true;
}

int horizon_value(Position* pos, int ply) {
    pv_line(pos, ply)[0] = NO_MOVE;
    if (current_ply_record(pos)->flags & PLY_IN_CHECK) {
        MoveEntry* list = move_list_start(pos, ply);
        const int count = gen_evasions(pos, nullptr, ply, 0, list);
        bool any_legal = false;
        for (int i = 0; i < count && !any_legal; ++i) {
            make_move(pos, list[i].move & MOVE_IDENTITY_MASK);
            any_legal = !mover_king_attacked(pos);
            unmake_move(pos);
        }
        if (!any_legal) return mated_score(ply);
    }
    if (pos->fifty > FIFTY_MOVE_LIMIT) return draw_score[pos->side];
    return evaluate(pos, ply, 1, -SCORE_INFINITE, SCORE_INFINITE);
}

int search(Position* pos, int ply, int depth, int half_ply, int alpha, int beta, uint32_t flags, int node_kind) {
    Move* line = pv_line(pos, ply);
    line[0] = NO_MOVE;
    if (ply >= SEARCH_PLY_GUARD) return evaluate(pos, ply, depth, alpha, beta);

    count_node_for_polling(pos);
    if (search_stop_requested(pos)) return 0;

    PlyRecord* const rec = current_ply_record(pos);
    const int side = pos->side;
    const bool in_check = (rec->flags & PLY_IN_CHECK) != 0;
    const bool pv_node = node_kind == 0;
    MoveEntry* const list = move_list_start(pos, ply);

    // In check the evasions come first: none is mate. Otherwise the list
    // stays empty until the move loop, so that the null-move and razoring
    // searches below build theirs after it.
    int move_count = 0;
    if (in_check) {
        move_count = gen_evasions(pos, nullptr, ply, 0, list);
        if (move_count == 0) return mated_score(ply);
    } else {
        set_move_list_end(pos, ply, list);
    }

    if (pos->fifty > FIFTY_MOVE_LIMIT) return draw_score[side];

    // Mate-distance pruning.
    if (int cutoff; mate_distance_cutoff(ply, &alpha, &beta, &cutoff)) return cutoff;
    const int entry_alpha = alpha;

    // Transposition table.
    int tt_flags = 0, tt_score = 0, tt_depth = 0;
    Move tt_move = NO_MOVE;
    if (tt_in_use()) tt_flags = tt_probe(pos, &tt_score, &tt_depth, ply, &tt_move, 1);
    const uint32_t tt_bound = uint32_t(tt_flags) & TT_BOUND_MASK;
    if (!pv_node && tt_bound && tt_depth >= depth) {
        line[0] = tt_move;
        line[1] = NO_MOVE;
        if (tt_bound == TT_EXACT || (tt_bound == TT_LOWER && tt_score >= beta) ||
            (tt_bound == TT_UPPER && tt_score <= alpha))
            return tt_score;
    }

    // Static evaluation: the table's copy when it can stand for a probe of
    // the tablebases, else a fresh one, which may end the node.
    int raw_eval;
    const int men = men_count(pos);
    if ((tt_flags & TT_EVAL_COPIED) && ply < search_ply_limit &&
        (tt_depth >= tablebase_level || depth < tablebase_level || men == 0 || men > tb_men_limit)) {
        raw_eval = rec->eval;
    } else {
        raw_eval = evaluate(pos, ply, depth, alpha, beta);
        if (rec->flags & PLY_TERMINAL_MASK) return raw_eval;
    }
    int corrected_eval = raw_eval;
    if (tt_bound & TT_LOWER) corrected_eval = std::max(corrected_eval, tt_score);
    if (tt_bound & TT_UPPER) corrected_eval = std::min(corrected_eval, tt_score);
    if (!tt_bound && rec->opp_hanging_delta > 0) corrected_eval = raw_eval - rec->opp_hanging_delta;

    // A mate threat against the side to move appeared with the last move; a
    // reduced move that makes one is searched again at full depth.
    if ((rec->flags & mate_threat_bit(side)) && !((rec - 1)->flags & mate_threat_bit(side))) {
        rec->flags |= PLY_NEW_THREAT;
        if ((rec->flags & PLY_REDUCED) && rec->move_class) return alpha;
    }

    Move null_threat = NO_MOVE;  // the other side's threat that this node's null move found
    if (pv_node) {
        rec->flags |= PLY_PV_NODE;
    } else {
        if ((rec->flags & PLY_SEARCH_SHALLOWER) && !(search_switches & SEARCH_NO_REDUCTIONS)) depth -= 1;

        const bool null_allowed =
            !(search_switches & SEARCH_NO_NULL_MOVE) &&
            !(rec->flags & (PLY_IN_CHECK | PLY_PASSED_LAST | PLY_NEW_THREAT | PLY_CONNECTED_THREAT)) &&
            corrected_eval >= beta && !(flags & NODE_FROM_NULL_MOVE) && (search_flags & EF_SELECTIVITY) &&
            has_piece(pos, side) && !((tt_bound & TT_UPPER) && tt_score < beta && tt_depth >= depth - 4);

        if (null_allowed) {
            int reduction = depth < 5 ? 3 : depth / 4 + 3;
            // The mate threat found two plies up still stands: be careful.
            if (ply > 2) {
                const PlyRecord* prev = rec - 1;
                if (((rec - 2)->flags & PLY_NULL_MATE_THREAT) && prev->threat_move &&
                    threat_still_on(pos, prev->threat_move, side ^ 1, last_moved_slot_bit(pos, prev)))
                    reduction -= 2;
            }
            if (corrected_eval - PAWN_VALUE >= beta) reduction += 1;
            if (depth < reduction &&
                !(rec->flags & (PLY_PASSED_LAST | PLY_NEW_THREAT | PLY_CONNECTED_THREAT | king_attack_bit(side)))) {
                const int margin_score = corrected_eval - (8 << depth);
                if (margin_score >= beta) return margin_score;
            }

            // Passing leaves key_hi as it is.
            prefetch_entries(side ^ 1, pos->key_hi, true);
            make_null_move(pos);
            current_ply_record(pos)->flags |= rec->flags & PLY_THREAT_BITS;
            const uint32_t null_flags = child_node_flags(flags) | NODE_FROM_NULL_MOVE;
            int score;
            if (reduction < depth) {
                score = -search(pos, ply + 1, depth - reduction, half_ply, -beta, 1 - beta, null_flags, -node_kind);
            } else if (raw_eval - 24 < beta) {
                score = raw_eval - 24;
                pv_line(pos, ply + 1)[0] = NO_MOVE;
            } else {
                score = -qsearch(pos, ply + 1, 0, -beta, 1 - beta, null_flags);
            }
            unmake_null_move(pos);
            if (search_stop_requested(pos)) return 0;

            if (score < beta) {
                // The reply that refuted the pass is the threat; a mate threat
                // tied to the last move sends a reduced move back to full depth.
                const Move threat = pv_line(pos, ply + 1)[0];
                const uint32_t threat_bit = threat ? pos->slot_bit[move_from(threat)] : 0;
                if (threat_bit) null_threat = threat_with_slot(threat, slot_index(threat_bit));
                if (score < -MATE_SCORE_BOUND) {
                    rec->flags |= PLY_NULL_MATE_THREAT | king_attack_bit(side);
                    if (rec->move_class && null_threat && moves_related(rec, null_threat, pos)) {
                        rec->flags |= PLY_CONNECTED_THREAT;
                        if (rec->flags & PLY_REDUCED) return alpha;
                    }
                } else if ((rec->flags & PLY_REDUCED) && depth < 5 && null_threat && rec->move_class &&
                           moves_related(rec, null_threat, pos)) {
                    return alpha;
                }
            } else {
                if (depth < NULL_MOVE_VERIFY_DEPTH) return beta;
                const int verified = search(pos, ply, depth - NULL_MOVE_VERIFY_REDUCTION, half_ply, alpha, beta,
                                            child_node_flags(flags) | NODE_FROM_NULL_MOVE, node_kind);
                if (search_stop_requested(pos)) return 0;
                if (verified >= beta) return beta;
            }
        } else if (!(search_switches & SEARCH_NO_RAZORING) && depth <= 3 && !in_check && !tt_move) {
            const int margin = 8 << depth;
            const bool own_threat_on =
                rec->threat_move && threat_still_on(pos, rec->threat_move, side, last_moved_slot_bit(pos, rec));
            const bool skip = own_threat_on || raw_eval + margin + pos->hanging_sum[side ^ 1] + 256 >= alpha ||
                              (tt_bound && tt_score + 256 >= alpha) || (rec->flags & king_attack_bit(side)) ||
                              pawn_on_seventh(pos, side);
            if (!skip) {
                const int score = qsearch(pos, ply, 0, alpha - margin - 257, alpha - margin - 256, flags);
                if (score < alpha - margin - 256) return score;
            }
        }
    }

    // Move list.
    if (!in_check) {
        if (!tt_move && rec->threat_move) {
            Move threat = rec->threat_move & 0xFFF;
            if (validate_move(pos, &threat)) tt_move = threat;
        }
        move_count = gen_moves(pos, ply, 0, list);
        if (move_count == 0) return draw_score[side];
    }
    MoveEntry* const end = list + move_count;

    // Internal iterative deepening at principal-variation nodes without a
    // move to start with: shallow passes find one.
    bool iid_active = false, iid_research = false;
    int iid_target = 0;
    const int generated_count = move_count;
    if (pv_node && !tt_move && depth > 2) {
        iid_active = true;
        iid_target = depth;
        depth = 2 - (depth & 1);
    }

    if (tt_move) {
        for (MoveEntry* e = list; e < end; ++e)
            if ((e->move & MOVE_IDENTITY_MASK) == (tt_move & MOVE_IDENTITY_MASK)) {
                e->score = int16_t(ORDER_TT_MOVE);
                if (tt_move & MOVE_GIVES_CHECK) e->move |= MOVE_GIVES_CHECK;
                break;
            }
    }

    const int band = history_band(ply);
    const uint8_t* const ratios = history_ratio[band];
    const Move own_threat = rec->threat_move & 0xFFF;
    int best = -SCORE_INFINITE;
    Move best_move = NO_MOVE;
    int moves_searched = 0;
    MoveEntry* cut_entry = nullptr;
    bool cut_threat = false;

    for (;;) {
        const uint64_t loop_start_nodes = pos->nodes;
        // The node's part of the pruning test (depth changes between the
        // passes of internal iterative deepening).
        const bool futility_node = !(search_switches & SEARCH_NO_FUTILITY) && depth < FUTILITY_DEPTH_LIMIT &&
                                   !in_check && !(rec->flags & PLY_PV_NODE);
        for (MoveEntry* cur = list; cur < end; ++cur) {
            pick_best_move_in_own_list(cur, end);
            if constexpr (MULTI_THREADED) {
                // Idle threads may take the rest of this pass's moves, the
                // one just picked first.
                if (split_worth_offering(pos, depth, moves_searched, move_count, int(end - cur), loop_start_nodes)) {
                    const NodeFrame frame{ply, depth, half_ply, flags, node_kind, tt_flags, null_threat, beta};
                    NodeProgress progress{best_move, moves_searched, move_count, cur, end, nullptr, false};
                    if (try_split(pos, frame, &alpha, &best, &progress)) {
                        // Stopped from above or by a global stop: the results
                        // are incomplete, nothing of them may be kept.
                        if (search_stop_requested(pos)) return 0;
                        best_move = progress.best_move;
                        moves_searched = progress.moves_searched;
                        move_count = progress.move_count;
                        cut_entry = progress.cut_entry;
                        cut_threat = progress.cut_threat;
                        break;
                    }
                }
            }

            const Move move = cur->move;
            const int order = cur->score;
            const int from = move_from(move), to = move_to(move);
            const int piece = pos->kind[from];
            const int hist_index = history_index(side, piece, to);

            // Futility and move-count pruning of late quiet moves. The cheap
            // tests joined without branches into one: each alone follows no
            // pattern a branch could learn.
            if (futility_node && ((best >= NO_MATE_BEST) & (moves_searched >= 3) & !(move & MOVE_GIVES_CHECK) &
                                  (order <= ORDER_QUIET_LIMIT)) &&
                shared_load(ratios[hist_index]) <= history_threshold &&
                !((move & 0xFFF) == own_threat && own_threat &&
                  !(pos->attacks[side ^ 1][move_to(own_threat)].direct & last_moved_slot_bit(pos, rec))) &&
                !is_advanced_pawn_push(pos, side, piece, to) && !gives_check(pos, move)) {
                const int index = pruning_table_index(depth);
                const int victim =
                    move_kind(move) != MK_CASTLING && pos->colour[to] == (side ^ 1) ? int(pos->kind[to]) : int(NO_KIND);
                const int value = PIECE_VALUES[victim] + move_gain_table_of(pos)[history_row(piece, side)][to] +
                                  MOVE_KIND_BONUS[move_kind(move)] + raw_eval + FUTILITY_MARGINS[index] -
                                  4 * moves_searched;
                if (value <= alpha) {
                    best = std::max(best, value);
                    continue;
                }
                if (moves_searched >= MOVE_COUNT_LIMITS[index] &&
                    (order <= ORDER_LOSING || !null_threat || !move_answers_threat(pos, move, null_threat)))
                    continue;
            }

            prefetch_child_entries(pos, move, true);
            make_move(pos, move & MOVE_IDENTITY_MASK);
            if (mover_king_attacked(pos)) {
                --move_count;
                cur->score = int16_t(ORDER_ILLEGAL);
                unmake_move(pos);
                continue;
            }
            PlyRecord* const child = current_ply_record(pos);
            const int score = search_made_move(pos, rec, side, in_check, ply, depth, half_ply, alpha, beta, flags,
                                               node_kind, tt_flags, null_threat, moves_searched, move_count, best,
                                               move, order, shared_load(ratios[hist_index]));
            move_count -= (score < -MATE_SCORE_BOUND) & in_check;
            if (score > best && !search_stop_requested(pos)) {
                best = score;
                best_move = move & MOVE_IDENTITY_MASK;
                if (score > alpha) {
                    const Move shown = (move & MOVE_IDENTITY_MASK) | ((child->flags & PLY_IN_CHECK) ? MOVE_GIVES_CHECK : 0);
                    copy_line(line, shown, pv_line(pos, ply + 1));
                    alpha = score;
                    if (score >= beta) {
                        cut_threat = (child->flags & (PLY_NEW_THREAT | PLY_CONNECTED_THREAT)) != 0;
                        cur->score = cut_move_order(depth);
                    }
                }
            }
            ++moves_searched;
            unmake_move(pos);
            node_kind |= 1;
            if (search_stop_requested(pos)) return 0;
            if (best >= beta) {
                cut_entry = cur;
                break;
            }
        }

        if (!iid_active || best == -SCORE_INFINITE) break;

        // Internal iterative deepening: the pass's best move goes first; a
        // pass that failed low is repeated with an open window to find one.
        if (line[0]) {
            for (MoveEntry* e = list; e < end; ++e)
                if ((e->move & MOVE_IDENTITY_MASK) == (line[0] & MOVE_IDENTITY_MASK)) {
                    e->score = cut_move_order(depth);
                    break;
                }
        }
        if (best > entry_alpha || iid_research) {
            depth += 2;
            alpha = entry_alpha;
            iid_research = false;
        } else {
            iid_research = true;
            alpha = -SCORE_INFINITE;
        }
        // Each pass is a move loop of its own: the first move is searched
        // with the open window again and the first moves are never pruned.
        best = -SCORE_INFINITE;
        best_move = NO_MOVE;
        moves_searched = 0;
        cut_entry = nullptr;
        cut_threat = false;
        move_count = generated_count;
        line[0] = NO_MOVE;
        if (depth + 1 >= iid_target) {
            depth = iid_target;
            iid_active = false;
        }
        node_kind = 0;
    }

    // Every move was illegal: mated in check, else stalemate.
    if (best == -SCORE_INFINITE) return in_check ? mated_score(ply) : draw_score[side];

    uint32_t bound;
    if (best < beta) {
        bound = best > entry_alpha ? TT_EXACT : TT_UPPER;
    } else {
        bound = TT_LOWER;
        if (cut_threat) {
            bound |= TT_FORCED;
            // The side that passed to reach this node faces the threat.
            if ((rec->move & MOVE_IDENTITY_MASK) == NULL_MOVE) (rec - 1)->flags |= king_attack_bit(side ^ 1);
        }
    }
    if (tt_in_use()) {
        uint32_t store_flags = bound | (uint32_t(tt_flags) & (TT_LEARNED | TT_FORCED));
        if (in_check && move_count == 1) store_flags |= TT_FORCED;
        tt_store(pos, tt_age | store_flags, best, depth, ply, best_move);
    }

    if (best >= beta && best_move && !(best_move & MOVE_TACTICAL_MASK)) {
        const int mover_kind = pos->kind[move_from(best_move)];
        const uint16_t killer = uint16_t(history_piece_index(mover_kind, move_to(best_move)));
        if (killer != pos->killer1[ply]) {
            pos->killer2[ply] = pos->killer1[ply];
            pos->killer1[ply] = killer;
        }
        if (moves_searched > 1 && cut_entry) {
            history_record_success(band, history_index(side, mover_kind, move_to(best_move)), depth);
            for (const MoveEntry* e = list; e < cut_entry; ++e) {
                if (e->score == ORDER_ILLEGAL || e->score >= ORDER_TT_MOVE + depth || (e->move & MOVE_TACTICAL_MASK))
                    continue;
                history_record_trial(band, history_index(side, pos->kind[move_from(e->move)], move_to(e->move)), depth);
            }
        }
    }
    return best;
}
