#include "eval/positional.h"

#include "eval/eval_tables.h"
#include "eval/king_safety.h"
#include "eval/pawn_facts.h"
#include "eval/pawns.h"
#include "eval/pieces.h"
#include "eval/square_rows.h"
#include "eval/threats.h"
#include "position/material.h"
#include "position/position.h"

uint8_t threat_shift[2] = {THREAT_SHIFT_DEFAULT, THREAT_SHIFT_DEFAULT};
uint8_t playing_style_side = 0;
int root_side_to_move = WHITE;

namespace {

constexpr int TWO_THREATS_PENALTY = 24;
constexpr int ROOK_AND_TWO_PAWNS_CORRECTION = 64;
constexpr int MOP_UP_BASE = 150;

}  // namespace

int eval_material_corrections(const Position* pos, int strong) {
    const int weak = strong ^ 1;
    // Two pawns more against a rook's worth wins less often than the pawns
    // suggest: a rook and two pawns against a rook is often held, and so are
    // the other materials of the same sums (seven pawns against a rook, a
    // rook and two pawns against five pawns), where the rook stops the
    // pawns or the pawns hold the rook.
    if (pos->material[weak] == 640 && pos->material[strong] == 896)
        return strong == WHITE ? -ROOK_AND_TWO_PAWNS_CORRECTION : ROOK_AND_TWO_PAWNS_CORRECTION;
    if (pos->material[strong] >= pos->material[weak] + 1248 &&
        signature_pawns(material_signature(pos->material_counts[weak])) == 0) {
        // Mop-up: drive the defending king to the edge and bring the own
        // king close to it.
        const int sk = king_square(pos, strong);
        const int wk = king_square(pos, weak);
        const int d = MOP_UP_BASE - king_drive_table[wk] - 2 * MANHATTAN_DISTANCE[sk][wk];
        return strong == WHITE ? d : -d;
    }
    return 0;
}

int eval_positional(Position* pos, int side_to_move, int m, int strong) {
    pos->threat_first[WHITE] = pos->threat_first[BLACK] = 0;
    pos->threat_second[WHITE] = pos->threat_second[BLACK] = 0;

    // The pawn term's table entry loads while the king safety and the
    // threats are worked out.
    if ((pos->pawn_slots[WHITE] & pos->slots[WHITE]) | (pos->pawn_slots[BLACK] & pos->slots[BLACK]))
        __builtin_prefetch(pawn_facts_entry(pos));

    // White's view. The order matters: the pawn term writes the pawn-colour
    // bytes that the piece term reads, and the threats of each term feed the
    // two-threat penalty below.
    int p = eval_king_safety(pos);
    p += eval_piece_threats(pos);
    p += eval_pawn_structure(pos, side_to_move == WHITE, side_to_move == BLACK);
    p += eval_pieces(pos);

    pos->own_table = side_to_move;
    pos->opp_table = side_to_move ^ 1;

    // One threat can be parried; the second-largest one is what a side loses.
    if (pos->threat_second[WHITE] != 0) p -= TWO_THREATS_PENALTY;
    if (pos->threat_second[BLACK] != 0) p += TWO_THREATS_PENALTY;
    p += (pos->threat_second[BLACK] >> hanging_shift[BLACK]) - (pos->threat_second[WHITE] >> hanging_shift[WHITE]);

    p += eval_material_corrections(pos, strong);

    const int q = side_to_move == WHITE ? p : -p;
    if (q > pos->positional_max[side_to_move])
        pos->positional_max[side_to_move] = q;
    else if (q < pos->positional_min[side_to_move])
        pos->positional_min[side_to_move] = q;
    return m + q;
}
