#include "search/qsearch.h"

#include <algorithm>

#include "config/shared_word.h"
#include "eval/eval_tables.h"
#include "eval/evaluate.h"
#include "eval/material_table.h"
#include "eval/qs_threats.h"
#include "eval/root_state.h"
#include "game/repetition.h"
#include "position/make.h"
#include "position/material.h"
#include "position/movegen.h"
#include "position/setup.h"
#include "search/node_poll.h"
#include "search/search.h"
#include "search/search_constants.h"
#include "search/search_info.h"
#include "search/search_moves.h"
#include "search/search_tables.h"
#include "search/tt.h"

namespace {

// Generator mode of the evasions: exchange-ordered, without check analysis.
constexpr int QS_EVASION_MODE = 1;
// Generator modes when quiet checks are wanted: with pushes to the seventh
// rank (6), or quiet checks only on a full-width line (2).
constexpr int QS_QUIET_CHECK_MODE = 6;
constexpr int QS_QUIET_CHECK_ONLY_MODE = 2;
constexpr int QS_CAPTURE_MODE = 1;
// The transposition table is consulted down to this level.
constexpr int QS_DEEPEST_TABLE_LEVEL = -1;
// Quiet checks and the gain filter reach this deep.
constexpr int QS_DEEPEST_CHECK_LEVEL = -5;

// The side's men other than king and pawns.
inline int piece_count(const Position* pos, int side) {
    const uint32_t counts = pos->material_counts[side];
    return int((counts >> 8) & 0xFF) - signature_pawns(material_signature(counts));
}

inline bool pawn_on_seventh(const Position* pos, int side) {
    return (pos->pawn_rank_slots[side][side == WHITE ? 6 : 1] & pos->slots[side] & pos->pawn_slots[side]) != 0;
}

// Index into the per-level tables: level 0, -1, -2, ... read entries 0, 1, 2, ...
inline int level_index(int qdepth) { return std::min(-qdepth, 63); }

inline int table_value(int mover_index, int other_index) {
    const uint16_t entry = material_table[mover_index][other_index];
    return (entry & MT_SPECIAL) ? 0 : mt_value(entry);
}

// How much the material table's correction changes for the side to move
// when the capture takes `victim` from `victim_square` (and, with
// lose_capturer, when the capturing man is lost on `to` as well).
int material_table_change(const Position* pos, int side, int victim, int victim_square, int capturer, int to,
                          bool lose_capturer) {
    const int mover_index = pos->material_index[side];
    const int other_index = pos->material_index[side ^ 1];
    const int other_after = other_index - material_index_increment(victim, victim_square);
    const int mover_after = lose_capturer ? mover_index - material_index_increment(capturer, to) : mover_index;
    if (other_after < 0 || mover_after < 0) return 0;
    return table_value(mover_after, other_after) - table_value(mover_index, other_index);
}

}  // namespace

int qsearch(Position* pos, int ply, int qdepth, int alpha, int beta, uint32_t flags) {
    Move* line = pv_line(pos, ply);
    line[0] = NO_MOVE;
    if (ply >= SEARCH_PLY_GUARD) return evaluate(pos, ply, qdepth, alpha, beta);
    count_node_for_polling(pos);
    if (search_stop_requested(pos)) return 0;

    PlyRecord* const rec = current_ply_record(pos);
    const PlyRecord* const prev = rec - 1;
    const int side = pos->side, other = side ^ 1;
    const bool in_check = (rec->flags & PLY_IN_CHECK) != 0;
    MoveEntry* const list = move_list_start(pos, ply);

    uint32_t check_info = 0;
    int evasion_count = 0;
    if (in_check) {
        evasion_count = gen_evasions(pos, &check_info, ply, QS_EVASION_MODE, list);
        if (evasion_count == 0) return mated_score(ply);
        check_info &= CHECK_DISCOVERED | CHECK_DOUBLE;
    }

    if (pos->fifty > FIFTY_MOVE_LIMIT) return draw_score[side];
    if (int cutoff; mate_distance_cutoff(ply, &alpha, &beta, &cutoff)) return cutoff;
    if (ply > shared_load(seldepth)) shared_store(seldepth, ply);

    // The table is consulted on the first two levels only; its bounds narrow
    // the window, its depth does not matter here.
    int tt_flags = 0;
    const bool use_tt = qdepth >= QS_DEEPEST_TABLE_LEVEL && hash_size_kb != 0 && !(search_switches & SEARCH_NO_TT);
    if (use_tt) {
        int tt_score = 0, tt_depth = 0;
        Move tt_move = NO_MOVE;
        tt_flags = tt_probe(pos, &tt_score, &tt_depth, ply, &tt_move, 1);
        const uint32_t bound = uint32_t(tt_flags) & TT_BOUND_MASK;
        if (bound) {
            line[0] = tt_move;
            line[1] = NO_MOVE;
            if (bound == TT_EXACT) return tt_score;
            if (bound == TT_LOWER) {
                if (tt_score >= beta) return tt_score;
                alpha = std::max(alpha, tt_score);
            } else {
                if (tt_score <= alpha) return tt_score;
                beta = std::min(beta, tt_score);
            }
        }
    }

    int stand_pat;
    if ((tt_flags & TT_EVAL_COPIED) && ply < search_ply_limit) {
        stand_pat = rec->eval;
    } else {
        stand_pat = evaluate(pos, ply, qdepth, alpha, beta);
        if (rec->flags & PLY_TERMINAL_MASK) return stand_pat;
    }

    uint32_t child_flags = child_node_flags(flags);

    // Threats against the side to move lower its stand pat; a side met by
    // them for the first time on this line searches every move instead.
    if (stand_pat > alpha && !in_check) {
        int threat = rec->threat * 32;
        if (!(rec->flags & PLY_EVAL_PRESENT)) {
            if (stand_pat - 1120 < beta && pawn_on_seventh(pos, other))
                threat = std::max(threat, qs_pawn_threats(pos, side, qdepth, stand_pat - beta));
            if ((pos->hanging_slots[side] & pos->slots[side]) && stand_pat - pos->hanging_sum[side] < beta)
                threat = std::max(threat, qs_threat_pair(pos, side, stand_pat - beta));
            if (piece_count(pos, other) > 4) king_escape_squares(pos, side);
        }
        const bool new_mate_threat = (rec->flags & mate_threat_bit(side)) && !(prev->flags & mate_threat_bit(side));
        if (new_mate_threat || (threat != 0 && stand_pat - threat < beta)) {
            if (flags & (qs_stood_pat_bit(side) | QS_FULL_WIDTH_COUNT)) {
                int lowered = stand_pat - (threat >> 2);
                if (rec->flags & mate_threat_bit(side)) lowered -= 416;
                stand_pat = std::max(lowered, alpha);
            } else {
                flags |= QS_FULL_WIDTH;
            }
        }
    }

    // evasion_state: how many moves are still searched without the filter
    // (the evasions of a threatened side, or a full-width level).
    int evasion_state = 0;
    int prune_base;
    int best = -SCORE_INFINITE;
    int count;
    if (in_check) {
        count = evasion_count;
        if (stand_pat > alpha) {
            evasion_state = 1;
            prune_base = QS_PRUNE_FLOOR;
        } else if (!(flags & (qs_stood_pat_bit(other) | QS_FULL_WIDTH_COUNT)) &&
                   ((prev->flags & mate_threat_bit(other)) || (rec->flags & mate_threat_bit(other)) ||
                    (pawn_on_seventh(pos, side) && qs_pawn_threats(pos, other, qdepth, alpha - stand_pat + 1)) ||
                    ((pos->hanging_slots[other] & pos->slots[other]) && alpha < stand_pat + pos->hanging_sum[other] &&
                     qs_threat_pair(pos, other, alpha - stand_pat + 1) == 1) ||
                    (piece_count(pos, side) > 4 && king_escape_squares(pos, other) == 1))) {
            evasion_state = 2;
            prune_base = QS_PRUNE_FLOOR;
        } else {
            prune_base = stand_pat - pos->hanging_sum[side] - 1;
            best = prune_base;
        }
        if (!(flags & qs_stood_pat_bit(side)) && evasion_count > qs_move_count_limits[level_index(qdepth)] &&
            check_info == 0 && !(rec->flags & mate_threat_bit(side)) &&
            !(piece_count(pos, other) > 4 && !(rec->flags & PLY_EVAL_PRESENT) && king_escape_squares(pos, side) == 1))
            child_flags |= qs_stood_pat_bit(side);
    } else {
        int mode = QS_CAPTURE_MODE;
        if (!(flags & qs_stood_pat_bit(other)) && root_material[side] >= pos->material[side] &&
            (qdepth >= -1 || ((qdepth == -2 || qdepth == -3) && (rec->flags & king_attack_bit(other))) ||
             (qdepth >= QS_DEEPEST_CHECK_LEVEL && (rec->flags & mate_threat_bit(other))) ||
             (qdepth >= QS_DEEPEST_CHECK_LEVEL && !(rec->flags & PLY_EVAL_PRESENT) && piece_count(pos, side) > 4 &&
              king_escape_squares(pos, other) == 1))) {
            mode = (flags & QS_FULL_WIDTH_COUNT) ? QS_QUIET_CHECK_ONLY_MODE : QS_QUIET_CHECK_MODE;
            pos->check_bonus = qs_margins[level_index(qdepth)];
        }
        if (flags & QS_FULL_WIDTH) {
            count = gen_moves(pos, ply, mode, list);
            if (count == 0) return draw_score[side];
            evasion_state = 1;
            prune_base = QS_PRUNE_FLOOR;
            child_flags += QS_FULL_WIDTH_STEP;
        } else {
            if (stand_pat >= beta) return stand_pat;
            count = gen_quiet_checks(pos, ply, mode, list);
            if (count == 0) return stand_pat;
            if (stand_pat > alpha) {
                alpha = stand_pat;
                child_flags |= qs_stood_pat_bit(side);
            }
            best = stand_pat;
            prune_base = stand_pat;
        }
    }

    // Recapture mode: the other side just escaped a mating net.
    const bool recapture_mode = !(child_flags & qs_stood_pat_bit(other)) && !(rec->flags & mate_threat_bit(other)) &&
                                (prev->flags & mate_threat_bit(other));
    const int last_to = pos->last_to;
    const Move threat_move = rec->threat_move & 0xFFF;
    const int loop_alpha = alpha;
    int moves_searched = 0;
    MoveEntry* const end = list + count;

    for (MoveEntry* cur = list; cur < end; ++cur) {
        pick_best_move_in_own_list(cur, end);
        const Move move = cur->move;
        int order = cur->score;
        const int from = move_from(move), to = move_to(move);
        const bool checks = (move & MOVE_GIVES_CHECK) != 0;

        // 1: search it; 2: search it only when it repeats a position.
        // The cheap tests joined without branches into one: each alone
        // follows no pattern a branch could learn.
        int wanted = 0;
        if ((evasion_state != 0) | (recapture_mode & (to == last_to)) |
            ((threat_move != 0) & ((move & 0xFFF) == threat_move)) |
            (((order >= 0) | in_check) & ((alpha < order + stand_pat) | checks))) {
            wanted = 1;
        } else if (qdepth >= QS_DEEPEST_CHECK_LEVEL) {
            // Gain filter: what the move can win, estimated from the recent
            // evaluation gains, the victim and the material table.
            const int piece = pos->kind[from];
            const int kind = move_kind(move);
            const int victim = kind != MK_CASTLING && pos->colour[to] == other ? int(pos->kind[to]) : int(NO_KIND);
            int gain = move_gain_table_of(pos)[history_row(piece, side)][to];
            bool capture = false;
            int victim_kind = victim, victim_square = to;
            if (is_promotion(move)) {
                gain += (kind == MK_PROMOTE_QUEEN ? 1120 : 0) + PIECE_VALUES[victim] - 64;
                capture = victim != NO_KIND;
            } else if (kind == MK_CAPTURE) {
                const bool about_to_promote = (victim == PAWN) & (rank_of(to) == (other == WHITE ? 6 : 1));
                gain += about_to_promote ? 256 : PIECE_VALUES[victim];
                capture = true;
            } else if (kind == MK_EN_PASSANT) {
                gain += 128;
                capture = true;
                victim_kind = PAWN;
                victim_square = to + (side == WHITE ? -8 : 8);
            }
            if (capture && pos->material_index[side] < MATERIAL_TABLE_SIZE &&
                pos->material_index[other] < MATERIAL_TABLE_SIZE) {
                const bool lose_capturer = !is_promotion(move) && order < gain - PIECE_VALUES[piece] + 37;
                const int change =
                    material_table_change(pos, side, victim_kind, victim_square, piece, to, lose_capturer);
                gain += change;
                order += change;
            }
            if (capture && order >= 0 && alpha < order + stand_pat) {
                wanted = 1;
            } else if (alpha < gain + stand_pat || checks) {
                gain = std::min(gain, pos->hanging[from] + pos->hanging_sum[other] + order - pos->hanging[to] -
                                          pos->hanging_sum[side]);
                gain = std::max(gain, order);
                if (gain >= 0 && (alpha < gain + stand_pat || checks)) wanted = 1;
            }
        }
        // A side below its draw value may claim a repetition with any quiet
        // move, at every level.
        if (!wanted && move_kind(move) == MK_QUIET && pos->fifty >= 3 && best < draw_score[side]) wanted = 2;

        if (wanted) {
            prefetch_child_entries(pos, move, qdepth - 1 >= QS_DEEPEST_TABLE_LEVEL);
            make_move(pos, move & MOVE_IDENTITY_MASK);
            if (mover_king_attacked(pos)) {
                unmake_move(pos);
                continue;
            }
            const bool repeats = pos->fifty > 3 && is_repetition(pos);
            if (wanted == 2 && !repeats) {
                unmake_move(pos);
                wanted = 0;
            } else {
                int score;
                if (repeats) {
                    score = draw_score[side];
                    pv_line(pos, ply + 1)[0] = NO_MOVE;
                } else if (moves_searched == 0) {
                    score = -qsearch(pos, ply + 1, qdepth - 1, -beta, -alpha, child_flags);
                } else {
                    score = -qsearch(pos, ply + 1, qdepth - 1, -alpha - 1, -alpha, child_flags);
                    if (alpha < score && score < beta) score = -qsearch(pos, ply + 1, qdepth - 1, -beta, -score, child_flags);
                }
                evasion_count -= (score < -MATE_SCORE_BOUND) & in_check;
                const bool raises = score > alpha;
                if (score > best && !search_stop_requested(pos)) {
                    best = score;
                    if (raises) {
                        if (score >= QS_NO_MATE) {
                            evasion_state = 0;
                            child_flags |= qs_stood_pat_bit(side);
                        }
                        const Move shown =
                            (move & MOVE_IDENTITY_MASK) |
                            ((current_ply_record(pos)->flags & PLY_IN_CHECK) ? MOVE_GIVES_CHECK : 0);
                        copy_line(line, shown, pv_line(pos, ply + 1));
                        alpha = score;
                    }
                }
                if (!raises && in_check && evasion_state != 0 && score >= QS_NO_MATE) --evasion_state;
                ++moves_searched;
                unmake_move(pos);
            }
        }
        if (!wanted && prune_base >= QS_NO_MATE && order + prune_base > best) best = std::min(order + prune_base, alpha);

        if (search_stop_requested(pos)) return 0;
        if (best >= beta) break;
    }

    // Nothing legal was searched: mated in check, else no move is left.
    if (best == -SCORE_INFINITE) return in_check ? mated_score(ply) : draw_score[side];
    if (qdepth != 0) return best;
    if (line[0] && use_tt) {
        uint32_t bound = best >= beta ? TT_LOWER : best > loop_alpha ? TT_EXACT : TT_UPPER;
        uint32_t store_flags = (uint32_t(tt_flags) & (TT_LEARNED | TT_FORCED)) | bound;
        if (in_check && evasion_count == 1) store_flags |= TT_FORCED;
        tt_store(pos, tt_age | store_flags, best, 0, ply, line[0]);
    }
    return best;
}
