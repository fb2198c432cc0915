#include "eval/hanging.h"

#include "position/attack_units.h"
#include "position/exchange.h"
#include "position/geometry.h"
#include "position/position.h"

int eval_hanging(Position* pos, int a, int q, int* acc) {
    const int b = a ^ 1;
    const AttackRecord* own = pos->attacks[a];
    const AttackRecord* enemy = pos->attacks[b];
    const int q_value = PIECE_VALUES[pos->kind[q]];
    int result = 0;
    for (uint32_t sliders = enemy[q].direct & pos->line_pieces[b] & pos->slots[b]; sliders;) {
        const int slot = highest_slot(sliders);
        sliders &= ~(1u << slot);
        const int slider_square = pos->piece_list[b][slot];
        const int d = direction_of[q][slider_square];  // from the slider toward q, and on
        if (!is_line_direction(d)) continue;
        int t = next_square[d][q];
        while (t != NO_SQUARE && pos->colour[t] == NO_COLOUR) t = next_square[d][t];
        if (t == NO_SQUARE || pos->colour[t] != a) continue;

        // The exchange on t as if the man on q had gone: the slider joins the
        // attackers of t. When it already reaches t as an x-ray through q, b's
        // word 0 on t counts it once already, in the x-ray (queen) class: it
        // is then not counted again, only moved to its own class, so that a
        // rook behind a rook is not taken for a queen.
        const uint32_t unit = ATTACK_UNITS[pos->kind[slider_square]];
        uint32_t attackers = enemy[t].xray;
        if (attackers & (1u << slot))
            attackers += unit - XRAY_UNIT;
        else
            attackers += unit | (1u << slot);
        const int v = PIECE_VALUES[pos->kind[t]] - 8 * exchange_entry(own[t].xray, attackers);
        if (v <= 0) continue;

        if (v > result) result = v > 1248 ? 1248 : v;
        *acc -= 3 + ((q_value + v) >> 7);
        if (pos->hanging[slider_square] == 0 && !(own[slider_square].direct & pos->slot_bit[q])) {
            *acc -= 3;
            // The man behind defends q: taking q may win more once that
            // defender is tied to its own square.
            if (pos->kind[t] != PAWN && (own[q].direct & pos->slot_bit[t])) {
                const uint32_t defenders = own[q].xray - (ATTACK_UNITS[pos->kind[t]] | pos->slot_bit[t]);
                const int u = q_value - 8 * exchange_entry(defenders, enemy[q].xray);
                if (u > 0) *acc -= (u + result) >> 6;
            }
        }
    }
    return result;
}
