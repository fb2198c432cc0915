#include "eval/material.h"

#include "position/material.h"
#include "position/position.h"

namespace {

// Class bonuses by the side's own pawn count 0..8.
constexpr int ROOK_BONUS[9] = {0, 8, 8, 8, 8, 4, 0, -12, -24};
constexpr int KNIGHT_BONUS[9] = {0, -16, -16, -16, -8, 0, 8, 16, 16};
constexpr int BISHOP_PAIR_VS_BISHOPS[9] = {0, 54, 54, 54, 48, 42, 36, 32, 30};
constexpr int BISHOP_PAIR_VS_NONE[9] = {0, 74, 74, 74, 68, 62, 56, 52, 50};

int class_bonus(const MaterialCounts& own, const MaterialCounts& other) {
    const int p = own.pawns < 0 ? 0 : own.pawns > 8 ? 8 : own.pawns;
    int bonus = 0;
    if (own.rooks >= 2)
        bonus += 2 * ROOK_BONUS[p] - 42;
    else if (own.rooks == 1)
        bonus += ROOK_BONUS[p];
    if (own.bishops >= 2) bonus += other.bishops > 0 ? BISHOP_PAIR_VS_BISHOPS[p] : BISHOP_PAIR_VS_NONE[p];
    if (own.knights >= 2)
        bonus += 2 * KNIGHT_BONUS[p] - 8 * other.rooks;
    else if (own.knights == 1)
        bonus += KNIGHT_BONUS[p] - 4 * other.rooks;
    return bonus;
}

int live(uint32_t kind_slots, uint32_t slots) { return bit_count(kind_slots & slots); }

MaterialCounts counts_of(const Position* pos, int side) {
    const uint32_t men = pos->slots[side];
    return {signature_pawns(material_signature(pos->material_counts[side])), live(pos->knight_slots[side], men),
            live(pos->bishop_slots[side], men), live(pos->rook_slots[side], men), live(pos->queen_slots[side], men)};
}

}  // namespace

int material_imbalance(int f, int e, const MaterialCounts& white, const MaterialCounts& black) {
    int o = 0;
    if (f != e) {
        // Trading down: the side ahead in pieces gains by exchanges, the more
        // so the fewer pieces are left and the more pawns it has to win with.
        int h = f > e ? white.pawns : black.pawns;
        int n = f > e ? black.pawns : white.pawns;
        if (h > 4) {
            n = n + 4 - h > 0 ? n + 4 - h : 0;
            h = 4;
        }
        const int r = h * (f - e) * 1024 / ((f + e + 1024) * (n + 1));
        const int bound = (f - e) / 2;
        o = f > e ? (r < bound ? r : bound) : (r > bound ? r : bound);
    }
    return o + class_bonus(white, black) - class_bonus(black, white);
}

int game_phase(int g) {
    if (g <= 2604) return 1;
    if (g >= 8002) return 16;
    return (g - 1858) / 384;
}

void set_phase(Position* pos, int phase) {
    pos->phase = phase;
    pos->phase_half = phase >> 1;
    pos->phase_rest = 17 - phase;
    pos->phase_rest_half = (17 - phase) >> 1;
    pos->phase_rest_quarter = (17 - phase) >> 2;
    pos->phase_rest_eighth = (17 - phase) >> 3;
}

void eval_material(Position* pos, int with_term) {
    const uint16_t s0 = material_signature(pos->material_counts[WHITE]);
    const uint16_t s1 = material_signature(pos->material_counts[BLACK]);
    if (s0 == pos->material_sig_cache[WHITE] && s1 == pos->material_sig_cache[BLACK]) return;
    pos->material_sig_cache[WHITE] = s0;
    pos->material_sig_cache[BLACK] = s1;
    const int f = pos->material[WHITE] - PAWN_VALUE * signature_pawns(s0);
    const int e = pos->material[BLACK] - PAWN_VALUE * signature_pawns(s1);
    if (with_term) pos->material_term = material_imbalance(f, e, counts_of(pos, WHITE), counts_of(pos, BLACK));
    set_phase(pos, game_phase(f + e));
}

void reset_material_term(Position* pos) {
    pos->material_sig_cache[WHITE] = MATERIAL_SIG_CLEARED;
    pos->material_sig_cache[BLACK] = MATERIAL_SIG_CLEARED;
}
