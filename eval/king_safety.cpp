#include "eval/king_safety.h"

#include "eval/eval_constants.h"
#include "eval/eval_tables.h"
#include "eval/positional.h"
#include "eval/qs_threats.h"
#include "position/attack_units.h"
#include "position/exchange.h"
#include "position/geometry.h"
#include "position/position.h"

namespace {

constexpr uint32_t MATE_THREAT_BIT[2] = {0x1, 0x2};
constexpr uint32_t KING_ATTACK_BIT[2] = {0x4, 0x8};

constexpr int MATE_THREAT_VALUE = 1248;

// ---- Shelter ----------------------------------------------------------------
// The pawn files around the king: missing attacker pawns open lines toward
// the king, missing own pawns leave it bare.
int king_shelter(const Position* pos, int x) {
    const uint8_t* own = pawn_files(pos, x);
    const uint8_t* att = pawn_files(pos, x ^ 1);
    const int f = file_of(king_square(pos, x));
    int s = 0;
    if (att[f] == 0) {
        s = -21;
        if (own[f] == 0) s -= 15;
    }
    if (f == 1 || f == 2 || f == 3 || f == 7) {
        if (att[f - 1] == 0) s -= 18;
        if (own[f - 1] == 0) s -= 13;
        if (f == 7) {
            if (att[5] == 0) s -= 11;
        } else {
            if (att[f + 1] == 0) s -= 11;
            if (f == 2) {
                if (att[0] == 0) s -= 15;
                if (own[0] == 0) s -= 11;
            }
        }
    } else {  // a, e, f or g
        if (att[f + 1] == 0) s -= 18;
        if (own[f + 1] == 0) s -= 13;
        if (f == 0) {
            if (att[2] == 0) s -= 11;
        } else {
            if (att[f - 1] == 0) s -= 11;
            if (f == 5) {
                if (att[7] == 0) s -= 15;
                if (own[7] == 0) s -= 11;
            }
        }
    }
    return s;
}

// ---- Attack analysis helpers -------------------------------------------------

// Whether a man of `kind` standing on `from` attacks `target` once the king
// has left `king` (that square counts as empty).
bool covers(const Position* pos, int kind, int from, int target, int king) {
    if (from == target) return false;
    const int d = direction_of[target][from];
    if (kind == KNIGHT) return d >= DIR_KNIGHT_FIRST && d < DIR_NONE;
    if (!is_line_direction(d)) return false;
    if (kind == BISHOP && !is_diagonal_direction(d)) return false;
    if (kind == ROOK && !is_orthogonal_direction(d)) return false;
    for (int s = next_square[d][from]; s != NO_SQUARE; s = next_square[d][s]) {
        if (s == target) return true;
        if (s != king && pos->colour[s] != NO_COLOUR) return false;
    }
    return false;
}

// The free king squares (bits by direction 0..7) that a man of `kind` on D
// takes away; D itself counts (a checker there is defended).
unsigned covered_flights(const Position* pos, int kind, int D, int king, unsigned free_mask) {
    unsigned covered = 0;
    for (unsigned m = free_mask; m; m &= m - 1) {
        const int dir = __builtin_ctz(m);
        const int n = next_square[dir][king];
        if (n == D || covers(pos, kind, D, n, king)) covered |= 1u << dir;
    }
    return covered;
}

// What o loses by putting its man of `kind` (slot bit `bit`) on D: its value
// minus what it wins back in the exchange there, minus the man it takes.
int check_square_loss(const Position* pos, int o, int kind, uint32_t bit, int D) {
    const int x = o ^ 1;
    const uint32_t rest = pos->attacks[o][D].xray - (ATTACK_UNITS[kind] | bit);
    const int back = 8 * swap_table[swap_code(rest) | swap_code(pos->attacks[x][D].xray) << 7];
    const int taken = pos->colour[D] == x ? PIECE_VALUES[pos->kind[D]] : 0;
    return PIECE_VALUES[kind] - back - taken;
}

struct AttackState {
    int a = 0;                 // attack weight
    int d = 0;                 // direct score
    int safe_checks = 0;
    uint32_t checkers = 0;     // o men that give the checks
    unsigned check_cover = 0;  // free king squares taken by the safe checks
};

void set_mate_threat(Position* pos, int x, int from, int D) {
    PlyRecord* rec = current_ply_record(pos);
    rec->flags |= MATE_THREAT_BIT[x];
    if (rec->threat_move == NO_MOVE && pos->side == x)
        rec->threat_move = encode_move(from, D, pos->colour[D] == x ? MK_CAPTURE : MK_QUIET);
}

// The checks of o's line men along the lines from x's king: the diagonals
// (line_kind BISHOP) or the files and ranks (ROOK). The lines are walked as
// the target list of such a man on the king's square, one line after the
// other and each outward: its squares are known ahead, where stepping from
// square to square would wait on each next square.
void line_checks(Position* pos, int x, int line_kind, uint32_t class_mask, uint32_t movers, unsigned free_mask,
                 AttackState* st) {
    const int o = x ^ 1;
    const AttackRecord* O = pos->attacks[o];
    const AttackRecord* X = pos->attacks[x];
    const int k = king_square(pos, x);
    int t = 0;  // x's surplus defence met so far on this line
    bool adjacent = true;
    for (const uint8_t* p = ray_list(line_kind, k); *p != NO_SQUARE; ++p) {
        const int D = *p;
        const uint32_t od = O[D].direct;
        const int att = attack_count(od);
        const int def = attack_count(X[D].direct);
        const int c = pos->colour[D];
        if (od & class_mask) {
            const uint32_t class_men = od & movers & pos->slots[o] & ATTACK_SLOT_MASK;
            if (c == o) {
                if (pos->kind[D] != PAWN) st->d += t - 5;
            } else if (class_men) {
                st->checkers |= class_men;
                if (att == def) {
                    st->d += t - 6;
                } else if (att > def) {
                    // A check x cannot answer by taking with profit.
                    st->a += att + 6;
                    ++st->safe_checks;
                    // The cheapest checker decides whether o can check
                    // from D without losing material.
                    int cheapest = -1;
                    for (uint32_t m = class_men; m; m &= m - 1) {
                        const int sq = pos->piece_list[o][slot_index(m & (0u - m))];
                        if (cheapest < 0 || PIECE_VALUES[pos->kind[sq]] < PIECE_VALUES[pos->kind[cheapest]])
                            cheapest = sq;
                    }
                    const bool safe =
                        check_square_loss(pos, o, pos->kind[cheapest], pos->slot_bit[cheapest], D) <= 0;
                    for (uint32_t m = class_men; m; m &= m - 1) {
                        const int sq = pos->piece_list[o][slot_index(m & (0u - m))];
                        const unsigned cover = covered_flights(pos, pos->kind[sq], D, k, free_mask);
                        st->check_cover |= cover;
                        if (t == 0 && safe && cover == free_mask &&
                            check_square_loss(pos, o, pos->kind[sq], pos->slot_bit[sq], D) <= 0)
                            set_mate_threat(pos, x, sq, D);
                    }
                    st->d += t == 0 && safe ? -22 : t - 10;
                }
                // A contact check that nothing but the king could answer
                // by taking, and the king may not (D is defended).
                if (adjacent && t == 0 && att >= 2 && def <= 1) {
                    for (uint32_t m = class_men; m; m &= m - 1) {
                        const int sq = pos->piece_list[o][slot_index(m & (0u - m))];
                        st->d -= 16;
                        st->a += att + 6;
                        current_ply_record(pos)->flags |= KING_ATTACK_BIT[x];
                        if (covered_flights(pos, pos->kind[sq], D, k, free_mask) == free_mask)
                            set_mate_threat(pos, x, sq, D);
                    }
                }
            }
        }
        // The line ends at its first man, or at its last square.
        const bool line_ends = c != NO_COLOUR || ray_skip(p) == 0;
        if (c != NO_COLOUR) p += ray_skip(p);
        if (def - att >= 2) t += def - att;
        if (line_ends) t = 0;
        adjacent = line_ends;
    }
}

void knight_checks(Position* pos, int x, unsigned free_mask, AttackState* st) {
    const int o = x ^ 1;
    const AttackRecord* O = pos->attacks[o];
    const AttackRecord* X = pos->attacks[x];
    const int k = king_square(pos, x);
    const uint32_t knights = pos->knight_slots[o] & pos->slots[o];
    for (const uint8_t* p = ray_list(KNIGHT, k); *p != NO_SQUARE; ++p) {
        const int N = *p;
        const uint32_t od = O[N].direct;
        if (!(od & KNIGHT_CLASS_MASK)) continue;
        const int c = pos->colour[N];
        if (c == x) {
            if (pos->kind[N] != PAWN) st->d -= 5;
            st->checkers |= od & knights;
        } else if (c == NO_COLOUR) {
            st->checkers |= od & knights;
            if (attack_count(X[N].direct) < attack_count(od)) {
                st->d -= 20;
                ++st->safe_checks;
                st->check_cover |= covered_flights(pos, KNIGHT, N, k, free_mask);
            } else {
                st->d -= 6;
            }
            st->a += attack_count(od) + 6;
            if (free_mask == 0) st->d -= 24;
        }
    }
}

}  // namespace

// The counting rules chosen here, within the fixed inputs and constants:
// - a king square is free when o does not attack it and no x man stands
//   there; x's defenders of a square are all x men attacking it, the king
//   included (it can take an unsupported attacker);
// - a check square is "safe" when o attacks it more often than x defends it;
//   the cheapest checking man decides by the exchange on the square whether
//   o can check from there without losing material (the "-22" case, where a
//   check that leaves no free square is a mating threat);
// - a contact check (next to the king) is unanswerable when o attacks the
//   square twice and x defends it only with the king;
// - the checks cover the king's flight squares as their men would attack
//   them from the check square with the king gone; the "every flight square
//   covered" test of step 4 uses the safe checks (line and knight) together.
int eval_king_attack(Position* pos, int x) {
    const int o = x ^ 1;
    const AttackRecord* O = pos->attacks[o];
    const AttackRecord* X = pos->attacks[x];
    const int k = king_square(pos, x);
    AttackState st;
    int xray_sum = 0;
    uint32_t zone_attackers = 0;
    uint32_t xray_only = 0;
    unsigned free_mask = 0;

    for (int dir = 0; dir < 8; ++dir) {
        const int n = next_square[dir][k];
        if (n == NO_SQUARE) continue;
        const uint32_t od = O[n].direct;
        if (od == 0 && pos->colour[n] != x) free_mask |= 1u << dir;
        if (od != 0) {
            const int att = attack_count(od);
            const int def = attack_count(X[n].direct);
            st.a += att;
            if (att == def) st.a += 4;
            else if (att > def) st.a += 12;
            zone_attackers |= od & ATTACK_SLOT_MASK;
            const uint32_t xr = O[n].xray & ~od & ATTACK_SLOT_MASK;
            xray_sum += attack_count(O[n].xray) - att;
            xray_only |= xr;
        }
        if (pos->colour[n] == o) st.a += KING_ZONE_WEIGHT[pos->kind[n]];
    }

    const uint32_t o_live = pos->slots[o];
    if ((pos->diagonal_movers[o] & o_live) != 0)
        line_checks(pos, x, BISHOP, DIAGONAL_CLASS_MASK, pos->diagonal_movers[o], free_mask, &st);
    if ((pos->orthogonal_movers[o] & o_live) != 0) {
        if ((free_mask & 0x0F) == 0) st.d -= 2 * pos->phase_rest;
        line_checks(pos, x, ROOK, ORTHOGONAL_CLASS_MASK, pos->orthogonal_movers[o], free_mask, &st);
    }
    if ((pos->knight_slots[o] & o_live) != 0) knight_checks(pos, x, free_mask, &st);

    const uint32_t involved = zone_attackers | st.checkers;
    const int n = bit_count(involved);
    const int m = n + bit_count(xray_only & ~involved);
    st.a += xray_sum / 2 + 2 * n + 2 * m;
    int index = (m < 2 ? st.a >> 1 : st.a) >> 3;
    if (index > 63) index = 63;  // several queens can push the weight past the table
    st.d -= KING_DANGER[index];

    PlyRecord* rec = current_ply_record(pos);
    const uint32_t pieces = involved & ~pos->pawn_slots[o] & ~1u;
    if (rec->flags & MATE_THREAT_BIT[x]) {
        rec->flags |= KING_ATTACK_BIT[x];
        st.d -= 64;
    } else if (st.safe_checks > 0 && (st.check_cover & free_mask) == free_mask && bit_count(pieces) >= 2) {
        rec->flags |= KING_ATTACK_BIT[x];
        st.d -= 32;
    }
    return st.d;
}

int eval_king_safety(Position* pos) {
    int r[2] = {0, 0};
    for (int x = WHITE; x <= BLACK; ++x) {
        const int o = x ^ 1;
        const int16_t* K = square_table(KING, x);
        const int k = king_square(pos, x);
        pos->own_table = x;
        pos->opp_table = o;
        const int weight = int(pos->material_counts[o] & 0xFF);
        int w = weight - 4;
        if (w > 0) {
            int s = king_shelter(pos, x) + eval_king_attack(pos, x);
            if (current_ply_record(pos)->flags & MATE_THREAT_BIT[x]) {
                pos->threat_second[x] = pos->threat_first[x];
                pos->threat_first[x] = MATE_THREAT_VALUE;
            }
            if (pos->queen_slots[o] & pos->slots[o]) w = 2 * w + 1;
            int v = s * w / 16;
            if (playing_style_side != x + 1) v = (5 * v) >> 2;
            r[x] = v + K[k];
        } else {
            const int men = int((pos->material_counts[o] >> 8) & 0xFF);
            if (men >= 2 && weight >= 3) king_escape_squares(pos, x);
            int best = K[k];
            for (const uint8_t* p = ray_list(KING, k); *p != NO_SQUARE; ++p)
                if (pos->attacks[o][*p].direct == 0 && K[*p] > best) best = K[*p];
            r[x] = (K[k] + best) / 2;
        }
    }
    return r[WHITE] - r[BLACK];
}
