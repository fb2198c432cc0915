#include "eval/qs_threats.h"

#include <algorithm>

#include "eval/evaluate.h"
#include "eval/hanging.h"
#include "position/attack_units.h"
#include "position/exchange.h"
#include "position/geometry.h"
#include "position/position.h"

namespace {

// A bishop counts as a knight when escaping men compare kinds.
constexpr int escape_rank(int kind) { return kind == BISHOP ? KNIGHT : kind; }

// Adds to `word` the line men of `side` that stand behind the pawn on
// `square` on its file and reach the square in front once the pawn moves
// on (rooks and queens behind it, counted as x-ray attackers).
uint32_t add_men_behind_pawn(const Position* pos, int side, int square, int forward_dir, uint32_t word) {
    uint32_t behind = pos->attacks[side][square].direct & pos->orthogonal_movers[side] & pos->slots[side] & ATTACK_SLOT_MASK;
    while (behind) {
        const int slot = highest_slot(behind);
        behind &= ~(1u << slot);
        const int origin = pos->piece_list[side][slot];
        if (direction_of[square][origin] == forward_dir) word += XRAY_UNIT;
    }
    return word;
}

}  // namespace

int qs_pawn_threats(Position* pos, int side, int, int threshold) {
    const int other = side ^ 1;
    const int forward = other == WHITE ? 8 : -8;
    const int forward_dir = other == WHITE ? DIR_NORTH : DIR_SOUTH;
    uint32_t pawns = pos->pawn_rank_slots[other][other == WHITE ? 6 : 1] & pos->slots[other] & pos->pawn_slots[other];
    while (pawns) {
        const int slot = highest_slot(pawns);
        pawns &= ~(1u << slot);
        const int square = pos->piece_list[other][slot];
        if (pos->kind[square] != PAWN) continue;
        const int front = square + forward;
        const int shift = edge_distance_of_rank[rank_of(front)];
        int value;
        if (pos->kind[front] != NO_KIND) {
            value = (pos->hanging[front] - PAWN_VALUE) >> shift;
        } else {
            value = 1120 >> shift;
            // What the new queen's side wins back when the side takes it.
            const uint32_t defenders = add_men_behind_pawn(pos, other, square, forward_dir, pos->attacks[other][front].xray);
            const uint32_t attackers = add_men_behind_pawn(pos, side, square, forward_dir, pos->attacks[side][front].xray);
            const int estimate = 8 * exchange_entry(defenders, attackers);
            if (estimate < value) value = estimate - PAWN_VALUE;
        }
        if (value > threshold) return value;
    }
    return 0;
}

int qs_threat_pair(Position* pos, int side, int threshold) {
    const int other = side ^ 1;
    uint32_t attacked = pos->hanging_slots[side] & pos->slots[side] & ATTACK_SLOT_MASK;
    int largest = 0, second = 0, largest_square = -1;
    while (attacked) {
        const int slot = highest_slot(attacked);
        attacked &= ~(1u << slot);
        const int square = pos->piece_list[side][slot];
        const int value = pos->hanging[square];
        if (value > largest) {
            second = largest;
            largest = value;
            largest_square = square;
        } else if (value > second) {
            second = value;
        }
    }
    if (largest_square < 0) return 0;
    threshold = std::max(threshold, 0);
    if (second > threshold) return 1;
    if (can_escape_threat(largest_square, pos, side, largest) > threshold) return 1;
    if (pos->kind[largest_square] != PAWN && (pos->attacks[other][largest_square].direct & LINE_CLASS_MASK)) {
        int unused = 0;
        if (eval_hanging(pos, side, largest_square, &unused) > threshold) return 1;
    }
    return 0;
}

int can_escape_threat(int square, Position* pos, int side, int loss) {
    const int other = side ^ 1;
    const int kind = pos->kind[square];
    if (kind == PAWN) {
        const int front = square + (side == WHITE ? 8 : -8);
        if (pos->kind[front] == NO_KIND &&
            attack_count(pos->attacks[side][front].direct) >= attack_count(pos->attacks[other][front].direct))
            return 0;
        const int file = file_of(square);
        if (file > 0 && pos->colour[front - 1] == other) return 0;
        if (file < 7 && pos->colour[front + 1] == other) return 0;
        return loss;
    }
    if (kind < KNIGHT || kind > KING) return loss;

    const int value = PIECE_VALUES[kind];
    const uint32_t own_unit = ATTACK_UNITS[kind] | pos->slot_bit[square];
    for (const uint8_t* p = ray_list(kind, square); *p != NO_SQUARE;) {
        const int target = *p;
        const int occupant = pos->colour[target];
        if (occupant == side) {  // own men end the ray
            p += ray_skip(p) + 1;
            continue;
        }
        if (occupant == other) {
            if (escape_rank(pos->kind[target]) >= escape_rank(kind)) return 0;
        } else if (pos->attacks[other][target].direct == 0) {
            return 0;
        }
        // The loss on the target: the man less what the exchange there wins
        // back, less what it takes. Its own attack on the target is no defence.
        uint32_t own_word = pos->attacks[side][target].xray;
        if (own_word & pos->slot_bit[square]) own_word -= own_unit;
        const int remaining = value - 8 * exchange_entry(own_word, pos->attacks[other][target].xray) -
                              PIECE_VALUES[pos->kind[target]];
        if (remaining < loss) {
            loss = remaining < 1 ? 0 : remaining;
            if (loss == 0) return 0;
        }
        if (occupant == other)
            p += ray_skip(p) + 1;
        else
            ++p;
    }
    return loss;
}

int king_escape_squares(Position* pos, int side) {
    const int other = side ^ 1;
    const int king = king_square(pos, side);
    PlyRecord* const rec = current_ply_record(pos);
    const AttackRecord* const theirs = pos->attacks[other];
    const AttackRecord* const ours = pos->attacks[side];

    // The king's neighbours by direction: open (not an own man), free (open
    // and not attacked), and for each enemy slot the neighbours it attacks.
    for (uint8_t& bits : pos->escape_bits) bits = 0;
    uint32_t open = 0, free = 0;
    int neighbour[8];
    for (int d = 0; d < 8; ++d) {
        const int n = next_square[d][king];
        neighbour[d] = n;
        if (n == NO_SQUARE) continue;
        uint32_t attackers = theirs[n].direct & ATTACK_SLOT_MASK;
        while (attackers) {
            const int slot = highest_slot(attackers);
            attackers &= ~(1u << slot);
            pos->escape_bits[slot] |= uint8_t(1u << d);
        }
        if (pos->colour[n] == side) continue;
        open |= 1u << d;
        if (theirs[n].direct == 0) free |= 1u << d;
    }
    // A line checker also covers the square behind the king.
    uint32_t checkers = theirs[king].direct & pos->line_pieces[other] & pos->slots[other] & ATTACK_SLOT_MASK;
    while (checkers) {
        const int slot = highest_slot(checkers);
        checkers &= ~(1u << slot);
        const int dir = direction_of[king][pos->piece_list[other][slot]];
        if (is_line_direction(dir) && next_square[dir][king] != NO_SQUARE) {
            for (int d = 0; d < 8; ++d)
                if (neighbour[d] == next_square[dir][king]) free &= ~(1u << d);
        }
    }

    // A contact check on a neighbour the other side controls more strongly.
    for (int d = 0; d < 8; ++d) {
        const int n = neighbour[d];
        if (n == NO_SQUARE || pos->colour[n] == other) continue;
        // Counted with the men that stand behind the attackers: a battery
        // supports the checker.
        if (attack_count(theirs[n].xray) <= attack_count(ours[n].xray)) continue;
        const int toward_king = direction_of[king][n];
        uint32_t movers = theirs[n].direct & pos->line_pieces[other] & pos->slots[other] & ATTACK_SLOT_MASK;
        while (movers) {
            const int slot = highest_slot(movers);
            movers &= ~(1u << slot);
            const int from = pos->piece_list[other][slot];
            const int kind = pos->kind[from];
            if (!is_transparent(LINE_CLASS[kind], toward_king)) continue;  // no check from there
            // The checker must stand: the side's recaptures win nothing back.
            const uint32_t support = theirs[n].xray - (ATTACK_UNITS[kind] | (1u << slot));
            if (8 * exchange_entry(support, ours[n].xray) < PIECE_VALUES[kind]) continue;
            // Flight squares left: not covered by the other men, nor by the
            // checker from its new square (through the king, which moves).
            bool flight_left = false;
            for (int e = 0; e < 8 && !flight_left; ++e) {
                const int target = neighbour[e];
                if (e == d || !(open & (1u << e))) continue;
                if ((theirs[target].direct & ATTACK_SLOT_MASK & ~(1u << slot)) != 0) continue;
                if (!(free & (1u << e)) && !(theirs[target].direct & (1u << slot))) continue;  // behind a checking line
                const int dir = direction_of[target][n];
                bool covered = false;
                if (is_line_direction(dir) && is_transparent(LINE_CLASS[kind], dir)) {
                    covered = true;
                    for (int sq = next_square[dir][n]; sq != target; sq = next_square[dir][sq])
                        if (sq != king && sq != from && pos->kind[sq] != NO_KIND) covered = false;
                }
                if (!covered) flight_left = true;
            }
            if (flight_left) continue;
            if (pos->side == side && rec->threat_move == NO_MOVE) rec->threat_move = Move(from << 6 | n);
            rec->flags |= mate_threat_bit(side) | king_attack_bit(side);
            return 1;
        }
    }
    if (free == 0 && bit_count(open) > 1) rec->flags |= king_attack_bit(side);
    return 0;
}
