#include "eval/evaluate.h"

#include "config/settings.h"
#include "eval/endgame.h"
#include "eval/eval_cache.h"
#include "eval/eval_tables.h"
#include "eval/material.h"
#include "eval/material_table.h"
#include "eval/positional.h"
#include "eval/root_state.h"
#include "eval/square_rows.h"
#include "eval/tablebase_probe.h"
#include "position/attack_units.h"
#include "position/geometry.h"
#include "position/material.h"
#include "position/position.h"

namespace {

constexpr int TEMPO = 12;

int clamp_score(int score) {
    return score > EVAL_SCORE_LIMIT ? EVAL_SCORE_LIMIT : score < -EVAL_SCORE_LIMIT ? -EVAL_SCORE_LIMIT : score;
}

int men_besides_king(const Position* pos, int side) { return int((pos->material_counts[side] >> 8) & 0xFF); }

int draw_result(const Position* pos, int side) {
    return ((pos->material[side] - pos->material[side ^ 1]) >> 7) + draw_score[side];
}

// A side with nothing but pawns whose king has no unattacked square and
// whose pawns cannot move: the position is taken as a stalemate. Pins and own
// men on the king's squares are not looked at.
bool stalemate_like(const Position* pos, int side) {
    const AttackRecord* enemy = pos->attacks[side ^ 1];
    for (const uint8_t* t = ray_list(KING, king_square(pos, side)); *t != NO_SQUARE; ++t)
        if (enemy[*t].direct == 0) return false;
    const int step = side == WHITE ? 8 : -8;
    for (uint32_t pawns = pos->pawn_slots[side] & pos->slots[side]; pawns; pawns &= ~(1u << highest_slot(pawns))) {
        const int p = pos->piece_list[side][highest_slot(pawns)];
        const int ahead = p + step;
        if (pos->colour[ahead] == NO_COLOUR) return false;
        const int file = file_of(p);
        for (int capture : {file > 0 ? ahead - 1 : -1, file < 7 ? ahead + 1 : -1}) {
            if (capture < 0) continue;
            if (pos->colour[capture] == (side ^ 1) || (pos->ep_square != 0 && capture == pos->ep_square)) return false;
        }
    }
    return true;
}

// The side's material index when make had to put it out of the table's
// range: the pieces from MATERIAL_INDEX_BASE, the bishops by their squares,
// the pawns from the signature. Two bishops on one square colour index like
// one bishop of the other colour (the sum 27 + 27 gives that for light
// squares; the sum 54 + 54 would name a rook, so dark squares are mapped the
// same way explicitly).
int board_material_index(const Position* pos, int side) {
    const MaterialSignature sig = material_signature(pos->material_counts[side]);
    int index = MATERIAL_INDEX_BASE[sig >> 4];
    if (index >= MATERIAL_TABLE_SIZE) return index;
    int per_colour[2] = {0, 0};
    for (uint32_t bishops = pos->bishop_slots[side] & pos->slots[side]; bishops; bishops &= bishops - 1)
        ++per_colour[square_colour[pos->piece_list[side][slot_index(bishops & (0u - bishops))]]];
    if (per_colour[0] == 2 && per_colour[1] == 0)
        index += 54;
    else if (per_colour[1] == 2 && per_colour[0] == 0)
        index += 27;
    else
        index += 27 * per_colour[0] + 54 * per_colour[1];
    return index + signature_pawns(sig);
}

// While the full evaluation runs, a slider that checks the king also covers
// the square just behind the king on its line, so that the king is not seen
// stepping back along the checking line.
struct KingLineXrays {
    int count = 0;
    uint8_t squares[16];
    uint32_t units[16];
};

void add_xrays_behind_king(Position* pos, int side, KingLineXrays* xrays) {
    const int other = side ^ 1;
    const int king = king_square(pos, side);
    AttackRecord* table = pos->attacks[other];
    for (uint32_t sliders = table[king].direct & pos->line_pieces[other] & pos->slots[other]; sliders;) {
        const int slot = highest_slot(sliders);
        sliders &= ~(1u << slot);
        const int from = pos->piece_list[other][slot];
        const int d = direction_of[king][from];
        if (!is_line_direction(d)) continue;
        const int behind = next_square[d][king];
        if (behind == NO_SQUARE) continue;
        const uint32_t unit = ATTACK_UNITS[pos->kind[from]] | (1u << slot);
        table[behind].xray += unit;
        table[behind].direct += unit;
        xrays->squares[xrays->count] = uint8_t(behind);
        xrays->units[xrays->count] = unit;
        ++xrays->count;
    }
}

void remove_xrays_behind_king(Position* pos, int side, const KingLineXrays& xrays) {
    AttackRecord* table = pos->attacks[side ^ 1];
    for (int i = 0; i < xrays.count; ++i) {
        table[xrays.squares[i]].xray -= xrays.units[i];
        table[xrays.squares[i]].direct -= xrays.units[i];
    }
}

// Without pawns: the kings' standing on the drive table; the side with more
// material wants its king near the other one and that one on bad squares.
int pawnless_king_term(const Position* pos) {
    const int white_king = king_square(pos, WHITE);
    const int black_king = king_square(pos, BLACK);
    const int distance = king_distance[white_king][black_king];
    const int8_t* k = king_drive_table;
    if (pos->material[WHITE] == pos->material[BLACK]) return k[white_king] - k[black_king];
    if (pos->material[WHITE] > pos->material[BLACK] && pos->material[WHITE] > 416)
        return 100 - 16 * distance - k[black_king];
    if (pos->material[BLACK] > pos->material[WHITE] && pos->material[BLACK] > 416)
        return 16 * distance + k[white_king] - 100;
    return 0;
}

void update_move_gain(const Position* pos, const PlyRecord* record, const PlyRecord* previous, int ply, int score) {
    const Move move = record->move;
    if (ply < 2 || move == NO_MOVE || move_kind(move) != MK_QUIET) return;
    const int to = move_to(move);
    const int piece = pos->kind[to];
    if (piece == NO_KIND) return;
    const int row = piece - 1 + (pos->side == WHITE ? 6 : 0);  // the mover was the other side
    const int gain = -(previous->eval + score);
    // The thread's own table: no other thread reads or writes it.
    int32_t& entry = move_gain_table_of(pos)[row][to];
    entry = gain >= entry ? gain : entry - 1;
}

}  // namespace

int evaluate(Position* pos, int ply, int depth, int alpha, int beta) {
    const int H = pos->side;
    const int I = H ^ 1;
    PlyRecord* record = current_ply_record(pos);
    const PlyRecord* previous = pos->ply_index > 0 ? record - 1 : record;

    pos->threat_second[H] = 0;
    int scale = 8;
    int kind = 0;
    int code = EG_NONE;
    uint32_t* cache_slot = nullptr;
    bool full = false;          // a full evaluation: the only kind that is cached
    bool stored = false;        // the evaluation is already in the record (skip steps 10 and 11)
    bool tablebase = false;     // an exact result: no limit on the score
    if (ply >= search_ply_limit) depth = ROOT_KIND_DEPTH;
    int m = pos->material[H] - pos->material[I] + TEMPO;
    const bool in_check = pos->attacks[I][king_square(pos, H)].direct != 0;
    int score = 0;

    if (!in_check && material_signature(pos->material_counts[H]) <= 5 && stalemate_like(pos, H)) {
        record->flags |= KIND_STALEMATE;
        record->eval = int16_t(draw_score[H]);
        return draw_score[H];
    }

    if (tb_men_limit != 0) {
        const int men = men_besides_king(pos, WHITE) + men_besides_king(pos, BLACK);
        const bool tactical_move = ((record->move >> 12) & 6) != 0;  // capture, en passant, promotion
        int result;
        if (men >= 1 && men <= tb_men_limit &&
            ((depth >= tablebase_level && tactical_move) || (ply <= 2 && depth == ROOT_KIND_DEPTH)) &&
            tablebase_probe(pos, &result) && !(result == 0 && swindle_flag)) {
            uint32_t tb_kind;
            if (result == 0) {
                score = draw_result(pos, H);
                tb_kind = KIND_TB_DRAW;
            } else if (result > 0) {
                score = 8194 - 2 * result - ply;
                tb_kind = KIND_TB_WIN;
            } else {
                score = ply + 2 * tb_loss_moves(result) - 8193;
                tb_kind = KIND_TB_LOSS;
            }
            record->eval = int16_t(score);
            record->flags |= tb_kind | PLY_FINAL | PLY_EVAL_PRESENT;
            stored = tablebase = true;
        }
    }

    if (!stored) {
        cache_slot = eval_cache_slot(H, pos->key_hi);
        uint32_t word1;
        if (cache_slot != nullptr && eval_cache_read(cache_slot, pos->key_lo, &word1)) {
            record->flags |= eval_cache_ply_flags(word1) | PLY_EVAL_PRESENT;
            record->threat = uint8_t(eval_cache_threat(word1));
            score = eval_cache_score(word1);
            record->eval = int16_t(score);
            stored = true;
        }
    }

    if (!stored) {
        // ---- Material stage ----
        const int s = pos->material[WHITE] >= pos->material[BLACK] ? WHITE : BLACK;
        const int w = s ^ 1;
        const int pawn_total = signature_pawns(material_signature(pos->material_counts[WHITE])) +
                               signature_pawns(material_signature(pos->material_counts[BLACK]));
        int index[2] = {pos->material_index[WHITE], pos->material_index[BLACK]};
        for (int side = WHITE; side <= BLACK; ++side)
            if (index[side] >= MATERIAL_TABLE_SIZE && material_signature(pos->material_counts[side]) < 0x800)
                index[side] = board_material_index(pos, side);

        bool drawn = false;    // step 7a
        bool to_terms = false; // on to the hanging sums and the terms
        bool to_scale = false; // straight to the kind and scale step
        if (index[H] >= MATERIAL_TABLE_SIZE || index[I] >= MATERIAL_TABLE_SIZE) {
            eval_material(pos, 1);
            m += H == WHITE ? pos->material_term : -pos->material_term;
            to_terms = true;
        } else {
            const uint16_t entry = material_table[index[H]][index[I]];
            if (mt_scale(entry) != 0) scale = mt_scale(entry);
            bool to_material_end = false;
            if (entry & MT_SPECIAL) {
                const int c = mt_code(entry);
                if (c == EG_MINOR_DRAW && CORNER_DISTANCE[king_square(pos, I)] == 0) {
                    score = draw_score[H];
                    record->eval = int16_t(score);
                    record->threat = 0;
                    stored = true;
                } else if (c == EG_MINOR_DRAW || c == EG_DRAWN_MATERIAL) {
                    kind = int(KIND_DRAWN_MATERIAL);
                    to_scale = true;
                } else {
                    code = c;
                    int term = 0;
                    switch (c) {
                    case EG_BISHOP_PAWNS:
                    case EG_BARE_KING_BISHOP:
                        term = eval_bishop_pawns_ending(pos, s, H, &scale, &kind);
                        if (c == EG_BISHOP_PAWNS && pos->material[w] == 0) code = EG_BARE_KING;
                        break;
                    case EG_PAWN_VS_QUEEN: term = eval_pawn_promotion_race(pos, H, s, &kind); break;
                    case EG_ROOK_PAWN_VS_ROOK: term = eval_rook_pawn_vs_rook(pos, H, &scale); break;
                    case EG_BLOCKED_PAWN: term = eval_blocked_pawns(pos, s, &scale); break;
                    default: break;
                    }
                    if (kind & PLY_KIND_DRAW_BIT) {
                        to_scale = true;
                    } else {
                        m += H == s ? term : -term;
                        to_material_end = true;
                    }
                }
            } else {
                m += mt_value(entry);
                to_material_end = true;
                if ((entry & MT_DRAWN_WITHOUT_PAWNS) && pawn_total == 0 && pos->hanging_sum[I] == 0) {
                    // Swindle Opponent plays on in a drawish ending it chose
                    // at the root.
                    const bool at_root_material = pos->material[WHITE] == root_material[WHITE] &&
                                                  pos->material[BLACK] == root_material[BLACK];
                    const bool swindle = (search_flags & EF_SWINDLE) &&
                                         (at_root_material || (previous->flags & PLY_PV_NODE));
                    if (!swindle) {
                        drawn = true;
                        to_material_end = false;
                    }
                }
            }
            if (to_material_end) {
                if (scale == 0) {
                    drawn = true;
                } else {
                    if (pawn_total == 0) {
                        const int d = pawnless_king_term(pos);
                        m += H == WHITE ? d : -d;
                    }
                    eval_material(pos, 0);
                    to_terms = true;
                }
            }
        }

        if (drawn) {
            score = draw_result(pos, H);
            record->eval = int16_t(score);
            record->threat = 0;
            stored = true;
            if (depth > 0 && depth != ROOT_KIND_DEPTH) record->flags |= PLY_DRAWN_BY_MATERIAL;
        }

        if (to_terms) {
            m += (pos->hanging_sum[I] >> hanging_shift[I]) - (pos->hanging_sum[H] >> hanging_shift[H]);
            bool run_full = depth > 0;
            if (!run_full && !in_check)
                run_full = code >= 16 ||
                           (m + pos->positional_max[H] > alpha && m + pos->positional_min[H] < beta);
            if (!run_full) {
                score = 16 - previous->eval - pos->move_gain;
            } else {
                record->flags |= PLY_EVAL_PRESENT;
                full = true;
                KingLineXrays xrays;
                if (in_check) add_xrays_behind_king(pos, H, &xrays);
                if (code < 16) {
                    score = eval_positional(pos, H, m, s);
                } else if (code == EG_BARE_KING || code == EG_BARE_KING_BISHOP) {
                    score = m + eval_bare_king_ending(pos, s, H);
                    // An advantage that arose in the search rather than at the
                    // root is taken as won or lost outright.
                    if (ply > 5 && ply >= iteration_depth && s == H &&
                        pos->material[s] - pos->hanging_sum[s] >= pos->material[w] + 640 &&
                        root_material[s] < root_material[w] + 640) {
                        if (score > 1000) kind = int(KIND_WON);
                        else if (score < -1000) kind = int(KIND_LOST);
                    }
                } else if (code == EG_PAWN_ENDGAME) {
                    score = eval_pawn_endgame(pos, H, m, s, w, &kind);
                } else {
                    score = eval_king_pawn_vs_king(pos, s, &kind, pos->attacks[s]);
                }
                if (in_check) remove_xrays_behind_king(pos, H, xrays);
            }
            to_scale = true;
        }

        if (to_scale) {
            if (kind & PLY_KIND_DRAW_BIT)
                score = draw_result(pos, H);
            else if (kind == 0 && scale != 8)
                score = (score * scale) >> 3;
            // Several queens against a bare king must not read as a mate, nor
            // overflow the cache's score field.
            score = clamp_score(score);
            const int threat = pos->threat_second[H] >> 5;
            record->eval = int16_t(score);
            record->threat = uint8_t(threat > 63 ? 63 : threat < 0 ? 0 : threat);
            record->flags |= uint32_t(kind);
            if (cache_slot != nullptr && full)
                eval_cache_write(cache_slot, pos->key_lo,
                                 eval_cache_word(eval_cache_age, record->flags, record->threat, score));
        }
    }

    if (depth == ROOT_KIND_DEPTH) {
        record->flags |= PLY_FINAL;
        if (!(record->flags & PLY_KIND_MASK) && code != EG_BISHOP_PAWNS) {
            int h = pos->hanging_sum[I];
            if (ply > 2 && in_check) h /= 2;
            if (h > 0) score += h;
        }
        if (!tablebase) score = clamp_score(score);
    }

    update_move_gain(pos, record, previous, ply, score);
    return score;
}
