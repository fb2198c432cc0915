#include "eval/threats.h"

#include "eval/attacked_men.h"
#include "eval/eval_tables.h"
#include "eval/hanging.h"
#include "position/attack_units.h"
#include "position/exchange.h"
#include "position/geometry.h"

namespace {

// The class bits of each kind in a direct attack word (none, pawn, knight,
// bishop, rook, queen, king).
constexpr uint32_t DIRECT_CLASS_MASK[7] = {0, 0xC000000, 0x3000000, 0xC00000, 0x300000, 0xE0000, 0x10000};

constexpr int THREAT_COST = 6;
constexpr int OVERLOAD_REPEAT_COST = 16;

// What the owner of a man of `value` standing on `square` loses there by
// the static exchange, with its own attackers counted without `own_unit`.
int exchange_loss(int value, uint32_t own_word, uint32_t own_unit, uint32_t enemy_word) {
    return value - 8 * swap_table[swap_code(own_word - own_unit) | swap_code(enemy_word) << 7];
}

// Whether a hanging pawn of side a on q can get away: it advances to a
// square its side controls at least as well as the enemy, or it takes
// something.
bool pawn_escapes(const Position* pos, int a, int q) {
    const int b = a ^ 1;
    const int front = q + (a == WHITE ? 8 : -8);
    if (pos->colour[front] == NO_COLOUR &&
        attack_count(pos->attacks[a][front].xray) >= attack_count(pos->attacks[b][front].xray))
        return true;
    const int f = file_of(q);
    for (int capture : {f > 0 ? front - 1 : -1, f < 7 ? front + 1 : -1})
        if (capture >= 0 && pos->colour[capture] == b && pos->kind[capture] != KING) return true;
    return false;
}

// The smallest loss a hanging piece of side a on q (value `loss` where it
// stands) still suffers after its best move: 0 when a move takes a man of at
// least its own class (bishops count as knights), reaches a square the enemy
// does not attack, or loses nothing by the exchange there.
int piece_escape_loss(const Position* pos, int a, int q, int loss) {
    const int b = a ^ 1;
    const int k = pos->kind[q];
    const int value = PIECE_VALUES[k];
    const uint32_t unit = ATTACK_UNITS[k] | pos->slot_bit[q];
    const AttackRecord* own = pos->attacks[a];
    const AttackRecord* enemy = pos->attacks[b];
    for (const uint8_t* p = ray_list(k, q); *p != NO_SQUARE; ++p) {
        const int t = *p;
        const int c = pos->colour[t];
        if (c == a) {
            p += ray_skip(p);
            continue;
        }
        int taken = 0;
        if (c == b) {
            const int victim = pos->kind[t];
            p += ray_skip(p);  // the line ends here
            if (victim == KING) continue;
            if (PIECE_VALUES[victim] >= value) return 0;
            taken = PIECE_VALUES[victim];
        } else if (enemy[t].direct == 0) {
            return 0;
        }
        const int o = exchange_loss(value, own[t].xray, unit, enemy[t].xray) - taken;
        if (o < loss) {
            loss = o;
            if (loss <= 0) return 0;
        }
    }
    return loss;
}

}  // namespace

int eval_piece_threats(Position* pos) {
    int total[2] = {0, 0};
    for (int a = WHITE; a <= BLACK; ++a) {
        const int b = a ^ 1;
        const AttackRecord* own = pos->attacks[a];
        const AttackRecord* enemy = pos->attacks[b];
        const int shift = hanging_shift[a];
        int overload[16] = {};  // per own defender slot: how much it is already tied
        int side_pen = 0;
        // A man no enemy attacks has no hanging value and nothing below
        // applies to it: the attacked men are gathered first, then only they
        // are visited.
        for (uint32_t men = attacked_men(pos, a); men;) {
            const int slot = highest_slot(men);
            men &= ~(1u << slot);
            const int q = pos->piece_list[a][slot];
            const int k = pos->kind[q];
            int pen = 0;

            int t = 0;
            if (k >= KNIGHT && k <= QUEEN && (enemy[q].direct & LINE_CLASS_MASK)) t = eval_hanging(pos, a, q, &pen);

            const int h = pos->hanging[q];
            if (h == 0 && enemy[q].direct != 0 && (!(enemy[q].direct & DIRECT_CLASS_MASK[k]) || t > 0)) {
                // Defenders that cannot leave: without each one the man
                // would hang. X-ray defenders (behind another defender) count
                // while they still matter.
                int acc = 0;
                const uint32_t own_word = own[q].xray;
                const uint32_t enemy_word = enemy[q].xray;
                // Each defender's share is added under a mask: whether one
                // is tied follows no pattern a branch could learn. A tied
                // defender that hangs itself is rare.
                auto tied_defender = [&](int ds, int dsq, int v) {
                    const int tied = -int(v > 0);
                    acc += (v + (PIECE_VALUES[pos->kind[dsq]] >> 1) + OVERLOAD_REPEAT_COST * overload[ds]) & tied;
                    overload[ds] += (v >> 4) & tied;
                    const int c = pos->hanging[dsq] & tied;
                    if (c != 0) {
                        const int lost = c < v ? c : v;
                        record_threat(pos, a, lost);
                        pen -= (lost >> shift) + THREAT_COST;
                    }
                };
                for (uint32_t defenders = own[q].direct & ATTACK_SLOT_MASK & ~1u; defenders; defenders &= defenders - 1) {
                    const int ds = slot_index(defenders);
                    const int dsq = pos->piece_list[a][ds];
                    const uint32_t unit = ATTACK_UNITS[pos->kind[dsq]] | (1u << ds);
                    tied_defender(ds, dsq, exchange_loss(PIECE_VALUES[k], own_word, unit, enemy_word));
                }
                // Without any one x-ray defender the man loses the same: each
                // is tied or none is.
                const uint32_t xray_defenders = own[q].xray & ~own[q].direct & ATTACK_SLOT_MASK & ~1u;
                if (xray_defenders != 0) {
                    const int v = exchange_loss(PIECE_VALUES[k], own_word, XRAY_UNIT, enemy_word);
                    if (v > 0)
                        for (uint32_t group = xray_defenders; group; group &= group - 1) {
                            const int ds = slot_index(group);
                            tied_defender(ds, pos->piece_list[a][ds], v);
                        }
                }
                pen -= acc >> shift;
            }

            if (h != 0) {
                record_threat(pos, a, h);
                pen -= (h >> shift) + THREAT_COST;
                if (t >= h) {
                    // Lost anyway: counts as the largest and the second threat.
                    record_threat(pos, a, h);
                    pen -= (h >> shift) + THREAT_COST;
                } else {
                    const int remaining =
                        k == PAWN ? (pawn_escapes(pos, a, q) ? 0 : h) : piece_escape_loss(pos, a, q, h);
                    const int threat = t > remaining ? t : remaining;
                    if (threat > 0) {
                        record_threat(pos, a, threat);
                        pen -= (threat >> shift) + THREAT_COST;
                    }
                }
            }
            side_pen += pen;
        }
        total[a] = side_pen;
    }
    return total[WHITE] - total[BLACK];
}
