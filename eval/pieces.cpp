#include "eval/pieces.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "eval/eval_constants.h"
#include "eval/eval_tables.h"
#include "eval/positional.h"
#include "eval/square_rows.h"
#include "position/attack_units.h"
#include "position/board_sets.h"
#include "position/geometry.h"
#include "position/material.h"
#include "position/position.h"

namespace {

constexpr uint32_t DIRECT_ROOK_CLASS = 0x300000;

constexpr int KNIGHT_WITH_QUEEN = 8;
constexpr int BISHOP_BASE = 12;
constexpr int ROOK_DEFENDED_BY_ROOK = 7;
constexpr int ROOK_HALF_OPEN_FILE = 12;
constexpr int ROOK_OPEN_FILE = 22;
constexpr int ROOK_SEVENTH = 12;
constexpr int ROOK_SHUT_IN = 38;

// LINE_FREE[stops][i]: the squares free of stops on both sides of point i
// of an eight-square line, up to the first stop each way. A rook's mobility
// is two lookups, one on its rank's byte and one on its file's, where four
// ray scans would each need two bit scans and two table reads.
constexpr std::array<std::array<uint8_t, 8>, 256> make_line_free() {
    std::array<std::array<uint8_t, 8>, 256> table{};
    for (int stops = 0; stops < 256; ++stops)
        for (int i = 0; i < 8; ++i) {
            int n = 0;
            for (int j = i + 1; j < 8 && !(stops >> j & 1); ++j) ++n;
            for (int j = i - 1; j >= 0 && !(stops >> j & 1); --j) ++n;
            table[stops][i] = uint8_t(n);
        }
    return table;
}
constexpr std::array<std::array<uint8_t, 8>, 256> LINE_FREE = make_line_free();

// The mobility tables need no clamp: a rook sees at most 7 + 7 squares, a
// bishop at most 13.
static_assert([] {
    int most = 0;
    for (const auto& line : LINE_FREE)
        for (const uint8_t n : line) most = std::max(most, int(n));
    return 2 * most;
}() < int(std::size(ROOK_MOBILITY)));
static_assert([] {
    int most = 0;
    for (int sq = 0; sq < 64; ++sq) {
        const uint64_t diagonals = RAY_MASKS[DIR_NORTH_WEST][sq] | RAY_MASKS[DIR_NORTH_WEST + 1][sq] |
                                   RAY_MASKS[DIR_NORTH_WEST + 2][sq] | RAY_MASKS[DIR_NORTH_WEST + 3][sq];
        most = std::max(most, __builtin_popcountll(diagonals));
    }
    return most;
}() < int(std::size(BISHOP_FREE_SQUARES)));

// Rank bits of the enemy pawns that could ever attack `square` of a man of
// `side`: enemy pawns on the adjacent files in front of it.
bool enemy_pawn_can_attack(const Position* pos, int side, int square) {
    const uint8_t* enemy_files = pawn_files(pos, side ^ 1);
    const int f = file_of(square);
    const int r = rank_of(square);
    const uint32_t ranks_in_front = side == WHITE ? (0xFFu << (r + 1)) & 0xFF : (1u << r) - 1;
    return ((enemy_files[f - 1] | enemy_files[f + 1]) & ranks_in_front) != 0;
}

// An outpost: a central square (corner distance above 7) that no enemy pawn
// can ever attack.
bool is_outpost(const Position* pos, int side, int square) {
    return CORNER_DISTANCE[square] > 7 && !enemy_pawn_can_attack(pos, side, square);
}

int knight_value(const Position* pos, int side, int sq) {
    const int r = rank_of(sq);
    int v = square_table(KNIGHT, side)[sq] - MANHATTAN_DISTANCE[sq][king_square(pos, side)] -
            MANHATTAN_DISTANCE[sq][king_square(pos, side ^ 1)];
    if (is_outpost(pos, side, sq)) {
        int c = CORNER_DISTANCE[sq];
        if (pos->attacks[side][sq].direct & PAWN_CLASS_MASK) c += c >> 1;
        v += side == WHITE ? (c + 4 * r) >> pos->phase_rest_eighth : (c - 4 * r + 28) >> pos->phase_rest_eighth;
    }
    // Queen and knight work well together in an attack: every knight of a
    // side with a queen.
    if (pos->queen_slots[side] & pos->slots[side]) v += KNIGHT_WITH_QUEEN;
    return v;
}

int bishop_rays(Position* pos, int b, int side, uint64_t occupied);

int bishop_value(Position* pos, int side, int sq, uint64_t occupied) {
    int v = square_table(BISHOP, side)[sq] - pos->pawn_colour_weights[side][square_colour[sq]];
    if (is_outpost(pos, side, sq)) v += CORNER_DISTANCE[sq] >> 1;
    return v + bishop_rays(pos, sq, side, occupied) + BISHOP_BASE;
}

int rook_value(const Position* pos, int side, int sq, uint64_t rook_stops) {
    const int enemy = side ^ 1;
    const int own_king = king_square(pos, side);
    const int enemy_king = king_square(pos, enemy);
    const int f = file_of(sq), r = rank_of(sq);
    const int rr = RELATIVE_RANK[side][r];
    int v = square_table(ROOK, side)[sq];
    if (pos->attacks[side][sq].direct & DIRECT_ROOK_CLASS) v += ROOK_DEFENDED_BY_ROOK;
    if (pawn_files(pos, side)[f] == 0) v += pawn_files(pos, enemy)[f] ? ROOK_HALF_OPEN_FILE : ROOK_OPEN_FILE;

    // Cutting off the enemy king from below, on a rank without enemy pawns.
    const int king_rr = RELATIVE_RANK[side][rank_of(enemy_king)];
    if (rr >= 3 && king_rr == rr + 1 && (pos->pawn_rank_slots[enemy][r] & pos->slots[enemy]) == 0) v += 4 * rr;
    if (rr == 6 && king_rr >= 6) v += pos->phase_rest_half + ROOK_SEVENTH;

    // Mobility: empty squares and squares with a rook or queen of either
    // colour count and let the line go on; any other man ends it.
    const int count = LINE_FREE[(rook_stops >> (8 * r)) & 0xFF][f] + LINE_FREE[file_byte(rook_stops, f)][r];
    v += ROOK_MOBILITY[count];

    // A rook shut in by its own king, which has lost the right to castle.
    // (Asked first what changes seldom: whether the king has moved and the
    // rook stands in a corner; the count comes and goes.)
    if (pos->moved[own_king] != 0 && CORNER_DISTANCE[sq] < 2 && pos->phase > 3 && count < 3 &&
        (pos->attacks[side][own_king].direct & pos->slot_bit[sq]))
        v -= ROOK_SHUT_IN;
    return v;
}

}  // namespace

namespace {

int bishop_rays(Position* pos, int b, int side, uint64_t occupied) {
    const int enemy = side ^ 1;
    const AttackRecord* enemy_table = pos->attacks[enemy];
    const int own_step = side == WHITE ? 8 : -8;
    const int b_rank = rank_of(b);
    int sum = 0;
    int free_squares = 0;
    int forward_free = 0;
    int free_directions = 0;
    // Bishop rays NW, NE, SW, SE: the first two are White's forward side,
    // the last two Black's. Each ray ends at its first man.
    for (int ray = 0; ray < 4; ++ray) {
        const int dir = DIR_NORTH_WEST + ray;
        const bool forward = (ray >> 1) == side;
        const RayStop stop = ray_stop(occupied, dir, b);
        free_squares += stop.before;
        forward_free += stop.before & -int(forward);  // a mask: the compiler would branch
        free_directions += stop.before != 0;
        if (!stop.found) continue;
        const int t = stop.square;
        const int c = pos->colour[t];
        const int k = pos->kind[t];
        if (c == enemy && k == PAWN) {
            if (enemy_table[t].direct & PAWN_CLASS_MASK) {
                // A defended pawn costs 2; a chain costs more instead: 9
                // when the enemy pawn behind it on the diagonal is
                // pawn-defended as well, else 4.
                const int next = ray_length[dir][t] > 0 ? t + DIRECTION_STEPS[dir] : NO_SQUARE;
                if (next != NO_SQUARE && pos->colour[next] == enemy && pos->kind[next] == PAWN)
                    sum -= (enemy_table[next].direct & PAWN_CLASS_MASK) ? 9 : 4;
                else
                    sum -= 2;
            } else {
                sum += 1;
            }
        } else if (c == side && k == PAWN) {
            const int rr = RELATIVE_RANK[side][rank_of(t)];
            const bool ahead = side == WHITE ? rank_of(t) > b_rank : rank_of(t) < b_rank;
            if (ahead && rr <= 3) {
                const int front = t + own_step;
                const int obstruction = BISHOP_PAWN_OBSTRUCTION[rank_of(t)];
                const bool stuck = pos->kind[front] == PAWN || pos->colour[front] == enemy;
                sum -= stuck ? 4 * obstruction : obstruction;
            }
        } else if (c == side && k != KING) {
            // Look through the own piece to the next man on the diagonal.
            const RayStop behind = ray_stop(occupied, dir, t);
            const int x = behind.square;
            if (behind.found && pos->colour[x] == enemy) {
                const int xk = pos->kind[x];
                const bool minor_or_pawn = xk == PAWN || xk == KNIGHT || xk == BISHOP;
                if (!(minor_or_pawn && pos->attacks[enemy][x].direct != 0)) sum += BISHOP_XRAY_TARGET[xk] + 4;
            }
        }
    }

    // Shut in: no free square forward; on the far edge rank, where nothing
    // lies forward, fewer than two free squares at all.
    const int blocked_rank = side == WHITE ? 7 : 0;
    const bool on_back_edge = b_rank == blocked_rank;
    if (on_back_edge ? free_squares < 2 : forward_free == 0) {
        int penalty = BISHOP_FORWARD_BLOCKED[RELATIVE_RANK[side][b_rank]];
        if (root_side_to_move != side) penalty >>= 1;
        sum -= penalty;
    }
    return BISHOP_DIRECTIONS[free_directions] +
           BISHOP_FREE_SQUARES[free_squares] + sum;
}

}  // namespace

int eval_bishop_rays(Position* pos, int b, int side) { return bishop_rays(pos, b, side, board_sets(pos).occupied); }

int eval_pieces(Position* pos) {
    const BoardSets sets = board_sets(pos);
    int total[2] = {0, 0};
    for (int side = WHITE; side <= BLACK; ++side) {
        // One loop per kind over the kind's slot mask: how many men of each
        // kind a side has changes seldom, where a switch on the kind of each
        // man in slot order would mispredict.
        const uint32_t live = pos->slots[side];
        const uint8_t* squares = pos->piece_list[side];
        int sum = 0;
        for (uint32_t men = pos->knight_slots[side] & live; men; men &= men - 1)
            sum += knight_value(pos, side, squares[slot_index(men)]);
        for (uint32_t men = pos->bishop_slots[side] & live; men; men &= men - 1)
            sum += bishop_value(pos, side, squares[slot_index(men)], sets.occupied);
        for (uint32_t men = pos->rook_slots[side] & live; men; men &= men - 1)
            sum += rook_value(pos, side, squares[slot_index(men)], sets.rook_stops);
        for (uint32_t men = pos->queen_slots[side] & live; men; men &= men - 1)
            sum += square_table(QUEEN, side)[squares[slot_index(men)]];
        total[side] = sum;
    }
    return total[WHITE] - total[BLACK];
}
