#include "search/threat_moves.h"

#include "position/attack_units.h"
#include "position/geometry.h"
#include "position/position.h"

namespace {

// Walks from `start` toward `target` along direction `dir` (a line
// direction): true when no man stands between them. `vacated` counts as
// empty and `filled` as occupied (the squares a move leaves and enters).
bool line_open(const Position* pos, int start, int target, int dir, int vacated, int filled) {
    for (int sq = next_square[dir][start]; sq != NO_SQUARE; sq = next_square[dir][sq]) {
        if (sq == target) return true;
        if (sq == filled || (sq != vacated && pos->kind[sq] != NO_KIND)) return false;
    }
    return false;
}

bool is_pawn_capture_direction(int side, int dir) {
    return side == WHITE ? (dir == DIR_NORTH_WEST || dir == DIR_NORTH_EAST)
                         : (dir == DIR_SOUTH_WEST || dir == DIR_SOUTH_EAST);
}

}  // namespace

int moves_related(const PlyRecord* record, Move threat, const Position* pos) {
    const Move last = record->move;
    if (threat == NO_MOVE || (last & MOVE_IDENTITY_MASK) == NULL_MOVE || last == NO_MOVE) return 0;
    const int last_from = move_from(last), last_to = move_to(last);
    const int threat_from = move_from(threat), threat_to = move_to(threat);
    if (threat_from == last_to || threat_to == last_from) return 1;

    // The man that made the last move now attacks the threatened square.
    const int last_side = pos->colour[last_to];
    if (last_side != NO_COLOUR && (pos->attacks[last_side][threat_to].direct & pos->slot_bit[last_to])) return 1;

    // The last move opened a line for the threatening man: it now reaches the
    // square the last move left, and the threat goes on beyond it. The
    // threatening man belongs to the side not to move, so its own table is
    // the one that shows the attack.
    const int threat_kind = pos->kind[threat_from];
    const int threat_side = pos->colour[threat_from];
    if (LINE_CLASS[threat_kind] && threat_side != NO_COLOUR &&
        (pos->attacks[threat_side][last_from].direct & pos->slot_bit[threat_from])) {
        const int dir = direction_of[threat_to][threat_from];
        if (is_line_direction(dir) && dir == direction_of[last_from][threat_from] &&
            king_distance[threat_from][threat_to] > king_distance[threat_from][last_from])
            return 1;
    }
    return 0;
}

int move_attack_relation(const Position* pos, Move move, int square) {
    const int from = move_from(move), to = move_to(move);
    const int side = pos->colour[from];
    if (side == NO_COLOUR) return 0;
    const int kind = is_promotion(move) ? PROMOTION_KIND_MAP[move_kind(move)] : pos->kind[from];
    const int dir = direction_of[square][to];

    // A direct attack from the destination. A plain move along the line
    // through the square changes nothing about it.
    if (dir < DIR_NONE && square != to && !(move_kind(move) == MK_QUIET && direction_of[square][from] == dir)) {
        switch (kind) {
            case PAWN:
                if (king_distance[square][to] == 1 && is_pawn_capture_direction(side, dir)) return PAWN | dir << 3;
                break;
            case KNIGHT:
                if (dir >= DIR_KNIGHT_FIRST) return KNIGHT | dir << 3;
                break;
            case KING:
                if (king_distance[square][to] == 1) return KING | dir << 3;
                break;
            default:
                if (is_line_direction(dir) && is_transparent(LINE_CLASS[kind], dir) &&
                    line_open(pos, to, square, dir, from, NO_SQUARE))
                    return kind | dir << 3;
                break;
        }
    }

    // A discovered attack: a line man of the side behind the vacated square.
    const int through = direction_of[square][from];
    if (!is_line_direction(through)) return 0;
    uint32_t movers = pos->attacks[side][from].direct & pos->line_pieces[side] & pos->slots[side] & ATTACK_SLOT_MASK;
    while (movers) {
        const int slot = highest_slot(movers);
        movers &= ~(1u << slot);
        const int origin = pos->piece_list[side][slot];
        const int origin_kind = pos->kind[origin];
        if (direction_of[from][origin] == through && is_transparent(LINE_CLASS[origin_kind], through) &&
            line_open(pos, from, square, through, from, to))
            return origin_kind | through << 3;
    }
    return 0;
}

int move_answers_threat(const Position* pos, Move move, Move threat) {
    const int from = move_from(move), to = move_to(move);
    const int threat_from = move_from(threat), threat_to = move_to(threat);
    if (from == threat_to) return 1;

    const int side = pos->side;
    const int threatened = pos->kind[threat_to];
    const int threatening = pos->kind[threat_from];
    if (threatened != NO_KIND && !(pos->attacks[side][threat_to].direct & pos->slot_bit[from]) &&
        move_attack_relation(pos, move, threat_to) &&
        (PIECE_VALUES[threatening] >= PIECE_VALUES[threatened] || threatening == KING))
        return 1;

    // A block on the threat's line.
    const int dir = direction_of[threat_to][threat_from];
    if (is_line_direction(dir) && direction_of[to][threat_from] == dir &&
        king_distance[threat_from][to] < king_distance[threat_from][threat_to] &&
        (pos->attacks[side ^ 1][to].direct & pos->slot_bit[threat_from]))
        return 1;
    return 0;
}
