#include "eval/passed_pawns.h"

#include "eval/eval_constants.h"
#include "eval/pawns.h"
#include "eval/positional.h"
#include "eval/threats.h"
#include "position/attack_units.h"
#include "position/exchange.h"
#include "position/geometry.h"
#include "position/position.h"

namespace {

constexpr int UNSTOPPABLE_BONUS = 160;

}  // namespace

// Kept out of line: few evaluations have a passed pawn, and inlined its code
// would crowd the hot evaluation out of the instruction cache.
[[gnu::noinline]] int passed_pawn_value(Position* pos, int us, int q, int b) {
    const int them = us ^ 1;
    const AttackRecord* U = pos->attacks[us];
    const AttackRecord* T = pos->attacks[them];
    const int step = us == WHITE ? 8 : -8;
    const int f = file_of(q);
    const int r = RELATIVE_RANK[us][rank_of(q)];
    const int front = q + step;
    const int pr = PROMOTION_SQUARE_A_FILE[us] + f;
    const int own_king = king_square(pos, us);
    const int their_king = king_square(pos, them);
    const int their_weight = int(pos->material_counts[them] & 0xFF);

    int w = PASSED_BASE[r];
    if (!(T[q].direct & PAWN_CLASS_MASK)) {
        if (U[front].direct & PAWN_CLASS_MASK)
            w += PASSED_SUPPORT_FRONT[r];
        else if (U[q].direct & PAWN_CLASS_MASK)
            w += PASSED_SUPPORT_PAWN[r];
        else if (pos->colour[front] == NO_COLOUR && r < 6 && (U[front + step].direct & PAWN_CLASS_MASK))
            w += PASSED_SUPPORT_TWO_AHEAD[r];
    }

    // Rooks and queens behind the pawn on its file also control its path.
    uint32_t cw = U[pr].xray;
    uint32_t cb = T[pr].xray;
    int z = 0;
    for (int side = WHITE; side <= BLACK; ++side) {
        for (uint32_t m = pos->attacks[side][q].direct & pos->orthogonal_movers[side] & pos->slots[side] &
                          ATTACK_SLOT_MASK;
             m; m &= m - 1) {
            const int sq = pos->piece_list[side][slot_index(m & (0u - m))];
            const bool behind = file_of(sq) == f && (us == WHITE ? sq < q : sq > q);
            if (!behind) continue;
            if (side == us) {
                cw += ATTACK_UNITS[pos->kind[sq]];
                ++z;
            } else {
                cb += ATTACK_UNITS[pos->kind[sq]];
                --z;
            }
        }
    }

    const int k1 = king_distance[own_king][q] - king_distance[their_king][q] + b;
    const int k2 = king_distance[own_king][pr] - king_distance[their_king][pr] + b;
    if (their_weight < 2) {
        if (k1 < 0 && k2 < 0) ++z;
        else if (k1 > 0 && k2 > 0) --z;
    }

    // The path to the promotion square: each square helps or hinders by who
    // controls it; s grows with every square, so later squares weigh less.
    int s = 2;
    int blockers = 0;
    const bool walked = r > 2;
    for (int sq = front;; sq += step) {
        if (pos->colour[sq] != NO_COLOUR) ++blockers;
        if (walked) {
            if (pos->colour[sq] == NO_COLOUR) {
                if (U[sq].direct & PAWN_CLASS_MASK) {
                    w += w >> s;
                    ++s;
                } else {
                    const int e = attack_count(U[sq].direct) - attack_count(T[sq].direct) + z;
                    if (e < 0) {
                        ++s;
                        w -= w >> s;
                        ++s;
                    } else if (e - z >= 0 && e < 1) {
                        ++s;
                        w += w >> s;
                    } else if (e - z >= 0) {
                        w += w >> s;
                        ++s;
                    } else {
                        ++s;
                    }
                }
            } else {
                const int k = pos->kind[sq];
                if (pos->colour[sq] == us || k == ROOK || k == QUEEN || k == KING) {
                    ++s;
                    w -= w >> s;
                    ++s;
                } else if (pos->hanging[sq] == 0) {
                    w -= w >> s;
                    s += 2;
                } else {
                    s += 2;
                    w -= w >> s;
                }
            }
        }
        if (sq == pr) break;
    }
    // Every path square adds at least one to s, so the shift is at least 2;
    // without a walk (a pawn below its fourth rank) there is nothing to add.
    const int tail_shift = s - 7 + r;
    if (walked) w += w >> tail_shift;

    // Kings: the own king near the pawn and its promotion square helps.
    int x = w - (k1 + k2) * (1 << pos->phase_rest_eighth);
    if (their_weight < 2) {
        const int spare = king_distance[their_king][pr] - (7 - r) + (r == 1 ? 1 : 0) - blockers - b;
        if (spare >= 1 && their_weight == 0)
            x += UNSTOPPABLE_BONUS;
        else if (k1 < 1 && k2 < 0)
            x += w >> 1;
        else if (spare >= 1 && walked && tail_shift == 2)
            x += w >> 2;
    }
    const int y = ((19 - their_weight) * x) >> 4;

    int v = 0;
    if (r == 6) {
        // The promotion itself: what the new queen keeps on its square, or
        // an enemy man on it that hangs, beyond the pawn and what y counts.
        int g = -1;
        if (pos->colour[pr] == NO_COLOUR)
            g = 8 * swap_table[swap_code(cw) | swap_code(cb) << 7];
        else if (pos->colour[pr] == them && pos->hanging[pr] != 0)
            g = pos->hanging[pr];
        if (g >= 0) {
            g = g - 128 - y;
            if (g > 0) {
                const int shift = threat_shift[them];
                v += g >> shift;
                if (g > pos->threat_first[them]) {
                    if (pos->side == them && pos->hanging[q] != 0) {
                        record_threat(pos, them, g);
                    } else {
                        pos->threat_first[them] = pos->threat_second[them] = g;
                        v += g >> shift;
                    }
                } else if (g > pos->threat_second[them]) {
                    pos->threat_second[them] = g;
                }
            }
        }
    }
    return v + y;
}
