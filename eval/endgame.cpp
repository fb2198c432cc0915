#include "eval/endgame.h"

#include <cstdlib>

#include "eval/eval_constants.h"
#include "eval/eval_tables.h"
#include "eval/evaluate.h"
#include "eval/kpk.h"
#include "eval/square_rows.h"
#include "game/repetition.h"
#include "position/attack_units.h"
#include "position/geometry.h"
#include "position/material.h"
#include "position/position.h"

namespace {

int live_men(const Position* pos, int side) { return int((pos->material_counts[side] >> 8) & 0xFF); }
int piece_weight(const Position* pos, int side) { return int(pos->material_counts[side] & 0xFF); }

// The man of `side` in the highest slot of `mask` (the mask intersected with
// the live men), or NO_SQUARE.
int highest_man(const Position* pos, int side, uint32_t mask) {
    const uint32_t live = mask & pos->slots[side];
    return live ? pos->piece_list[side][highest_slot(live)] : NO_SQUARE;
}

bool attacked_by(const Position* pos, int side, int square) { return pos->attacks[side][square].direct != 0; }

}  // namespace

// ---- Bishop and rook pawns ------------------------------------------------------

int eval_bishop_pawns_ending(Position* pos, int s, int side_to_move, int* scale, int* kind) {
    const int d = s ^ 1;
    // The stronger side may be the one with the pawns only (many pawns
    // against bishop and pawn): the rule is about the bishop's side.
    if ((pos->bishop_slots[s] & pos->slots[s]) == 0) return 0;
    const uint8_t* files = pawn_files(pos, s);
    bool a_file_only = files[0] != 0, h_file_only = files[7] != 0;
    for (int f = 1; f < 8; ++f) a_file_only = a_file_only && files[f] == 0;
    for (int f = 0; f < 7; ++f) h_file_only = h_file_only && files[f] == 0;
    int corner;
    if (a_file_only)
        corner = PROMOTION_SQUARE_A_FILE[s];
    else if (h_file_only)
        corner = PROMOTION_SQUARE_A_FILE[s] + 7;
    else
        return 0;

    // A bishop of the corner's colour wins; the other colour may not.
    for (uint32_t b = pos->bishop_slots[s] & pos->slots[s]; b; b &= b - 1)
        if (square_colour[pos->piece_list[s][slot_index(b & (0u - b))]] == square_colour[corner]) return 0;

    const int dk = king_square(pos, d);
    int a = king_distance[corner][dk];
    if (a < 2) {
        *scale = 0;
        if (live_men(pos, d) == 0) *kind = int(KIND_DRAWN);
        return 0;
    }
    const int pawn = highest_man(pos, s, pos->pawn_slots[s]);
    const int ranks_to_go = 7 - RELATIVE_RANK[s][rank_of(pawn)];
    if (side_to_move == d) --a;
    if (ranks_to_go >= a) {
        // The defending king gets to the corner in time; the nearer the
        // attacking king is, the less it helps.
        a -= king_distance[corner][king_square(pos, s)];
        if (a <= 0) *scale = a <= -4 ? 1 : a + 6;
    }
    return 0;
}

// ---- Bare king -------------------------------------------------------------------

int eval_bare_king_ending(Position* pos, int s, int side_to_move) {
    const int d = s ^ 1;
    const int sk = king_square(pos, s);
    const int dk = king_square(pos, d);
    const bool s_to_move = side_to_move == s;
    const bool s_in_check = attacked_by(pos, d, sk);
    const int margin = pos->material[d] + 640;
    int e;
    if (piece_weight(pos, s) < 2 ||
        ((!s_to_move || s_in_check || pos->material[s] < margin) && pos->material[s] - pos->hanging_sum[s] < margin)) {
        e = square_table(KING, s)[sk] - square_table(KING, d)[dk];
    } else {
        // Mop-up: the defending king to the edge (to the right corner with
        // bishop and knight), the own king close to it.
        int c, f;
        if (pos->material[d] > 0) {
            c = king_drive_table[dk];
            f = 256;
        } else {
            c = -128;
            for (const uint8_t* p = ray_list(KING, dk); *p != NO_SQUARE; ++p)
                if (!attacked_by(pos, s, *p) && king_drive_table[*p] > c) c = king_drive_table[*p];
            if (c == -128) c = king_drive_table[dk];
            f = 1460;
        }
        const bool heavy = ((pos->rook_slots[s] | pos->queen_slots[s]) & pos->slots[s]) != 0;
        e = (heavy ? f + 220 : f + square_table(KING, s)[sk]) - king_drive_table[dk] - c -
            16 * MANHATTAN_DISTANCE[sk][dk];
    }
    // Highest slot first: the test below reads the running sum, so the order
    // of the pawns matters.
    for (uint32_t pawns = pos->pawn_slots[s] & pos->slots[s]; pawns; pawns &= ~(1u << highest_slot(pawns))) {
        const int p = pos->piece_list[s][highest_slot(pawns)];
        const int h = MOVES_TO_PROMOTION[s][rank_of(p)];
        const int promotion = PROMOTION_SQUARE_A_FILE[s] + file_of(p);
        const bool unstoppable = e < 1000 && h < king_distance[promotion][dk] - (side_to_move == d ? 1 : 0);
        e += unstoppable ? PASSED_UNSTOPPABLE[h] : PASSED_ORDINARY[h];
    }
    return side_to_move == s ? e : -e;
}

// ---- Minor against minor and pawn -------------------------------------------------

int eval_blocked_pawns(Position* pos, int s, int* scale) {
    const int d = s ^ 1;
    const int p = highest_man(pos, s, pos->pawn_slots[s]);
    if (p == NO_SQUARE) return 0;
    const int dk = king_square(pos, d);
    const int own_bishop = highest_man(pos, s, pos->bishop_slots[s]);
    const int bishop_colour = own_bishop == NO_SQUARE ? -1 : square_colour[own_bishop];
    const int rp = RELATIVE_RANK[s][rank_of(p)];
    const int rk = RELATIVE_RANK[s][rank_of(dk)];

    // The defending king in front of the pawn holds, unless it stands on the
    // last two ranks on the bishop's colour, where it can be driven away.
    if (file_of(dk) == file_of(p) && rk > rp && !(square_colour[dk] == bishop_colour && rk > 5)) {
        *scale = 0;
        return 0;
    }
    // Bishops of opposite colours: the defending bishop alone holds the
    // pawn back while it is far, and later whenever it or its king controls
    // a square of the pawn's path.
    if (material_signature(pos->material_counts[d]) != 0x40) return 0;
    const int their_bishop = highest_man(pos, d, pos->bishop_slots[d]);
    if (their_bishop == NO_SQUARE || square_colour[their_bishop] == bishop_colour) return 0;
    if (rp <= 4) {
        *scale = 0;
        return 0;
    }
    const int step = s == WHITE ? 8 : -8;
    const uint32_t bishop_bit = pos->slot_bit[their_bishop];
    const bool bishop_safe = !attacked_by(pos, s, their_bishop);
    for (int sq = p + step; sq >= 0 && sq < 64; sq += step) {
        const uint32_t held = pos->attacks[d][sq].direct;
        if (sq == dk || (held & KING_CLASS_BIT) || ((held & bishop_bit) && bishop_safe)) {
            *scale = 0;
            break;
        }
    }
    return 0;
}

// ---- Rook and pawn against rook -------------------------------------------------------

// The rules: the defending king in front of the pawn (with the rook's
// checking distance deciding the Philidor-like cases) halves the scale; the
// attacking rook in front of a seventh-rank pawn with the defending king on
// g7/h7 and the defending rook behind the pawn is the known draw (scale 1);
// the value rewards a defending king cut off from the pawn by files, and an
// attacking king close to and in front of the pawn.
int eval_rook_pawn_vs_rook(Position* pos, int side_to_move, int* scale) {
    const int s = (pos->pawn_slots[WHITE] & pos->slots[WHITE]) ? WHITE : BLACK;
    const int d = s ^ 1;
    const int raw_pawn = highest_man(pos, s, pos->pawn_slots[s]);
    const int own_rook = highest_man(pos, s, pos->rook_slots[s]);
    const int their_rook = highest_man(pos, d, pos->rook_slots[d]);
    if (raw_pawn == NO_SQUARE || own_rook == NO_SQUARE || their_rook == NO_SQUARE) return 0;
    const int rank_flip = s == BLACK ? 56 : 0;
    const int file_flip = file_of(raw_pawn) > 3 ? 7 : 0;
    auto norm = [&](int sq) { return sq ^ rank_flip ^ file_flip; };
    const int P = norm(raw_pawn);
    const int A = norm(king_square(pos, s));
    const int R = norm(own_rook);
    const int K = norm(king_square(pos, d));
    const int Q = norm(their_rook);
    const int pf = file_of(P), pr = rank_of(P);
    const int promo = square_at(pf, 7);
    const int t = std::abs(pf - file_of(K));
    const int g = std::abs(pf - file_of(Q));
    const bool s_to_move = side_to_move == s;
    const bool s_in_check = attacked_by(pos, d, king_square(pos, s));

    int sc = 8;
    if (pos->hanging_sum[d] == 0 &&
        (K == promo || (t < 2 && rank_of(K) > pr && king_distance[K][promo] < king_distance[A][promo]))) {
        if (pf <= 1) sc = 4;
        if (pr == 5) {
            if (rank_of(Q) == 0 || (!s_to_move && g >= 3)) sc >>= 1;
        } else if (pr <= 4) {
            if (rank_of(Q) == pr + 1 && rank_of(A) < rank_of(Q)) sc >>= 1;
        }
        if (pr >= 5 && K == promo && rank_of(Q) == 0 && (!s_to_move || s_in_check || king_distance[A][P] > 1))
            sc >>= 1;
    } else if (R == promo && pr == 6 && (K == G7 || K == H7) && file_of(Q) == pf &&
               king_distance[A][P] >= (rank_of(Q) > 2 ? 3 : 2)) {
        sc = 1;
    }

    int v = 4 * (-king_distance[Q][P] - g - 16) + (pf < file_of(K) ? 16 * t : 4 * t) + 4 * rank_of(A) - 4 * pr;
    if (file_of(Q) == pf && rank_of(Q) < pr) v -= 16;
    if (t > 2) {
        if (pf != 0 && king_distance[A][P] <= 2) {
            v += 8 * t;
            if (pr >= 4 || t >= (pf == 1 ? 4 : 3)) v += pr == 6 && rank_of(R) == 3 ? 192 : 64;
        } else {
            constexpr int CUT_OFF_FILES[4] = {5, 4, 3, 3};
            if (t >= CUT_OFF_FILES[pf]) v += 128;
        }
    }
    if (g > 2 && ((file_of(Q) < pf && file_of(A) < file_of(K)) || (file_of(Q) > pf && file_of(A) > file_of(K))))
        v -= 8 * g;
    if (pf == 0) {
        v -= 64;
        if (pr == 6) {
            if (R == promo) sc >>= 1;
            if (A == promo && !(file_of(R) == 1 && MANHATTAN_DISTANCE[A][K] > 3)) sc >>= 1;
        }
    }
    if (sc < 1) sc = 1;
    if (sc < *scale) *scale = sc;
    return v;
}

// ---- Pawn against queen --------------------------------------------------------------

// The rules left open: a queen that attacks the promotion square, or a pawn
// king that stands on it, costs the pawn side a tempo (c2); a c- or f-pawn's
// stalemate defence needs the king on the corner side of the pawn (files a-b
// for a c-pawn, g-h for an f-pawn).
int eval_pawn_promotion_race(Position* pos, int side_to_move, int s, int* kind) {
    const int f = s ^ 1;
    const int p = highest_man(pos, f, pos->pawn_slots[f]);
    if (p == NO_SQUARE) return 0;
    const int off = PROMOTION_SQUARE_A_FILE[f] + file_of(p);
    const int fk = king_square(pos, f);
    const int sk = king_square(pos, s);
    const int queen = highest_man(pos, s, pos->queen_slots[s]);
    int v = 2 * (std::abs(file_of(fk) - file_of(p)) + std::abs(rank_of(fk) - rank_of(off)) -
                 std::abs(rank_of(sk) - rank_of(off)) - std::abs(file_of(sk) - file_of(p)));
    if (RELATIVE_RANK[f][rank_of(p)] != 6) return v;
    if (queen == off) return v + 96;

    const int pf = file_of(p);
    const bool guards = fk == off || king_distance[fk][off] == 1;
    if (!guards) {
        const bool corner_trick = CORNER_DISTANCE[fk] == 0 && (pf == 2 || pf == 5) && king_distance[fk][off] == 2;
        if (!corner_trick || (side_to_move == s && attacked_by(pos, s, off))) return v + 32;
    }

    const int c1 = side_to_move == s || attacked_by(pos, s, fk) ? 1 : 0;
    const int c2 = fk == off || (queen != NO_SQUARE && (pos->attacks[s][off].direct & pos->slot_bit[queen])) ? 1 : 0;
    const int D = king_distance[sk][off];
    bool drawn = false;
    if (pf == 0 || pf == 7) {
        const int c = c1 + c2 + (fk == off ? 1 : 0);
        drawn = D - c >= 4 || MANHATTAN_DISTANCE[sk][off] - 2 * c >= 6;
    } else if (pf == 2 || pf == 5) {
        const int c = c1 + c2;
        const bool corner_side = pf == 2 ? file_of(fk) <= 1 : file_of(fk) >= 6;
        drawn = corner_side ? king_distance[sk][p] - c >= 2 : D - c >= 4;
    }
    if (drawn) {
        *kind = int(KIND_DRAWN);
        return 0;
    }
    return v;
}

// ---- King and pawn against king ------------------------------------------------------

// The knowledge is exact (the bitbase), so the kind is always written: a won
// position is KIND_WON for the pawn side to move and KIND_LOST for the
// defender to move, a drawn one KIND_DRAWN. With the defender to move its
// best reply decides: one drawing reply (taking the pawn, or a square the
// bitbase draws) makes the position a draw; no reply at all is stalemate.

int eval_king_pawn_vs_king(Position* pos, int strong, int* kind, const AttackRecord* strong_table) {
    const int a = strong;
    const int d = a ^ 1;
    const int pawn = highest_man(pos, a, pos->pawn_slots[a]);
    if (pawn == NO_SQUARE) {
        *kind = int(KIND_DRAWN);
        return 0;
    }
    const int ak = king_square(pos, a);
    const int dk = king_square(pos, d);
    int value;
    int k;
    if (pos->side == d) {
        // The defender's best reply: a draw as soon as one reply draws.
        bool any = false, drawn = false;
        int best = -SCORE_INFINITE;
        for (const uint8_t* p = ray_list(KING, dk); *p != NO_SQUARE && !drawn; ++p) {
            const int n = *p;
            if (strong_table[n].direct != 0) continue;
            any = true;
            int reply_kind;
            const int v = n == pawn ? 0 : -kpk_knowledge(a, 1, ak, pawn, n, &reply_kind);
            if (n == pawn || reply_kind != int(KIND_WON)) {
                drawn = true;
            } else if (v > best) {
                best = v;
            }
        }
        if (!any || drawn) {
            value = 0;
            k = int(KIND_DRAWN);
        } else {
            value = best;
            k = int(KIND_LOST);
        }
    } else {
        value = kpk_knowledge(a, 1, ak, pawn, dk, &k);
    }
    if (pos->fifty > 3 && is_repetition(pos)) value /= 2;
    *kind = k;
    return value;
}
