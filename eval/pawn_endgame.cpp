// Kings and pawns only: square values, king proximity, passed pawns that the
// other king cannot catch, and the race of two such pawns.
//
// The terms chosen beyond the fixed steps: each pawn adds its square value
// and twice the difference of the kings' distances to it, each king its
// square value (the king tables carry the pawn proximity at this phase); a
// passed pawn the other king can catch (or whose path is not free) adds half
// the ordinary passed-pawn bonus of its moves to promotion; a race won by two
// or more moves adds the unstoppable bonus of the leader's moves, halved when
// the other side also has a pawn that no king can catch (it queens too).
#include <cstdlib>

#include "eval/endgame.h"
#include "eval/eval_constants.h"
#include "eval/eval_tables.h"
#include "eval/evaluate.h"
#include "eval/pawns.h"
#include "eval/square_rows.h"
#include "position/attack_units.h"
#include "position/geometry.h"
#include "position/move_tests.h"
#include "position/position.h"

namespace {

constexpr int NO_RACE = 8;  // moves of a side without a passer the other king cannot catch
constexpr int FREE_PASSER_BONUS = 128;
constexpr int KING_PROXIMITY_WEIGHT = 2;

// Whether the pawn side's pawns on `file` stand alone there with the
// defender's pawns (if any) in front of them, where they cannot run.
bool defender_pawns_blocked(const Position* pos, int s, int file) {
    const int w = s ^ 1;
    const uint8_t* wf = pawn_files(pos, w);
    for (int f = 0; f < 8; ++f)
        if (f != file && wf[f] != 0) return false;
    const uint32_t theirs = wf[file], ours = pawn_files(pos, s)[file];
    if (theirs == 0) return true;
    return s == WHITE ? __builtin_ctz(theirs) > 31 - __builtin_clz(ours)
                      : 31 - __builtin_clz(theirs) < __builtin_ctz(ours);
}

// Whether the king of `defender` catches the passed pawn of the other side
// on `pawn`: it reaches a square of the pawn's way (the pawn's own square,
// the path, the promotion square) no later than the pawn and wins the fight
// for that square against the pawn's king.
bool king_catches(const Position* pos, int defender, int pawn, int defender_to_move) {
    const int side = defender ^ 1;
    const int step = side == WHITE ? 8 : -8;
    const int dk = king_square(pos, defender);
    const bool double_step = RELATIVE_RANK[side][rank_of(pawn)] == 1;
    int counter = 0;
    int moves = 0;
    for (int q = pawn; q >= 0 && q < 64; q += step, ++moves) {
        const int pawn_moves = double_step && moves >= 2 ? moves - 1 : moves;
        if (king_distance[dk][q] - defender_to_move <= pawn_moves &&
            pawn_race_test(pos, defender, q, defender_to_move, &counter))
            return true;
        if (rank_of(q) == (side == WHITE ? 7 : 0)) break;
    }
    return false;
}

bool path_is_free(const Position* pos, int side, int pawn) {
    const int step = side == WHITE ? 8 : -8;
    for (int q = pawn + step; q >= 0 && q < 64; q += step)
        if (pos->colour[q] != NO_COLOUR) return false;
    return true;
}

}  // namespace

// The close cases: with the kings at equal distance (the defender counted a
// tempo ahead when it moves) the defender wins the square when it comes from
// in front of it (seen from the pawn side) and the other king does not, or
// on a rook file; one move ahead, it wins unless the other king stands in
// front while it comes from behind, away from the edge.
int pawn_race_test(const Position* pos, int c, int q, int tempo, int* counter) {
    const int ck = king_square(pos, c);
    const int ok = king_square(pos, c ^ 1);
    if (king_distance[ck][q] <= 1) return 1;
    const int d = king_distance[ok][q];
    const int e = king_distance[ck][q] - tempo;
    if (d >= e + 2) return 1;
    if (d < e) return 0;
    const int pawn_side = c ^ 1;
    auto in_front = [&](int k) { return pawn_side == WHITE ? rank_of(k) >= rank_of(q) : rank_of(k) <= rank_of(q); };
    const bool edge = file_of(q) == 0 || file_of(q) == 7;
    const bool c_front = in_front(ck), o_front = in_front(ok);
    const bool accepted = d == e + 1 ? c_front || !o_front || edge : (c_front && !o_front) || edge;
    if (accepted) ++*counter;
    return accepted ? 1 : 0;
}

int eval_pawn_endgame(Position* pos, int side_to_move, int m, int s, int w, int* kind) {
    // threat_second holds each side's race value here: the moves its fastest
    // uncatchable passer needs.
    pos->threat_second[WHITE] = pos->threat_second[BLACK] = 0;

    // Rook pawns with the defending king in the corner in front of them.
    const uint8_t* sf = pawn_files(pos, s);
    const int wk = king_square(pos, w);
    for (int file : {0, 7}) {
        bool only = sf[file] != 0;
        for (int f = 0; f < 8; ++f)
            if (f != file && sf[f] != 0) only = false;
        if (!only) continue;
        const int corner = PROMOTION_SQUARE_A_FILE[s] + file;
        if (KING_DRIVE_CENTRE[wk] < 9 && king_distance[wk][corner] <= 1 && defender_pawns_blocked(pos, s, file)) {
            *kind = int(KIND_DRAWN);
            return 0;
        }
    }

    int value[2] = {0, 0};
    int race[2] = {NO_RACE, NO_RACE};
    int racer[2] = {NO_SQUARE, NO_SQUARE};
    for (int side = WHITE; side <= BLACK; ++side) {
        const int other = side ^ 1;
        const int own_king = king_square(pos, side);
        const int their_king = king_square(pos, other);
        const uint8_t* their_files = pawn_files(pos, other);
        const int16_t* pst = square_table(PAWN, side);
        const int other_to_move = side_to_move == other ? 1 : 0;
        for (uint32_t pawns = pos->pawn_slots[side] & pos->slots[side]; pawns;) {
            const int slot = highest_slot(pawns);
            pawns &= ~(1u << slot);
            const int p = pos->piece_list[side][slot];
            const int f = file_of(p);
            value[side] += pst[p] + KING_PROXIMITY_WEIGHT * (king_distance[their_king][p] - king_distance[own_king][p]);
            const uint32_t front = ranks_in_front(side, rank_of(p));
            if (((their_files[f - 1] | their_files[f] | their_files[f + 1]) & front) != 0) continue;
            const int moves = MOVES_TO_PROMOTION[side][rank_of(p)];
            if (path_is_free(pos, side, p) && !king_catches(pos, other, p, other_to_move)) {
                if (moves < race[side]) {
                    race[side] = moves;
                    racer[side] = p;
                }
                if (RELATIVE_RANK[side][rank_of(p)] >= 5) value[side] += FREE_PASSER_BONUS;
            } else {
                value[side] += PASSED_ORDINARY[moves] >> 1;
            }
        }
        value[side] += square_table(KING, side)[own_king];
    }
    pos->threat_second[WHITE] = race[WHITE];
    pos->threat_second[BLACK] = race[BLACK];

    int p = value[WHITE] - value[BLACK];
    const int rw = race[WHITE], rb = race[BLACK];
    if (rw < NO_RACE || rb < NO_RACE) {
        if (rb - rw >= 2) {
            p += PASSED_UNSTOPPABLE[rw] >> (rb < NO_RACE ? 1 : 0);
        } else if (rw - rb >= 2) {
            p -= PASSED_UNSTOPPABLE[rb] >> (rw < NO_RACE ? 1 : 0);
        } else {
            // A close race: the leader (with equal counts the side to move,
            // which queens first) gains only when it queens with the move, or
            // when its new queen stops the other pawn: it sees the other's
            // path along a clear line (with both racing pawns off the board),
            // or controls the other's promotion square better.
            const int leader = rw < rb ? WHITE : rb < rw ? BLACK : side_to_move;
            const int other = leader ^ 1;
            const int queen_square = PROMOTION_SQUARE_A_FILE[leader] + file_of(racer[leader]);
            bool gains = race[other] == NO_RACE || (rw != rb && leader == side_to_move);
            if (!gains) {
                const int saved_squares[2] = {racer[WHITE], racer[BLACK]};
                uint8_t saved_kind[2], saved_colour[2];
                for (int i = 0; i < 2; ++i) {
                    saved_kind[i] = pos->kind[saved_squares[i]];
                    saved_colour[i] = pos->colour[saved_squares[i]];
                    pos->kind[saved_squares[i]] = NO_KIND;
                    pos->colour[saved_squares[i]] = NO_COLOUR;
                }
                const int step = other == WHITE ? 8 : -8;
                const int other_promotion = PROMOTION_SQUARE_A_FILE[other] + file_of(racer[other]);
                for (int q = racer[other];; q += step) {
                    if (q != queen_square && is_line_clear(queen_square, pos, q)) {
                        gains = true;
                        break;
                    }
                    if (q == other_promotion) break;
                }
                for (int i = 1; i >= 0; --i) {
                    pos->kind[saved_squares[i]] = saved_kind[i];
                    pos->colour[saved_squares[i]] = saved_colour[i];
                }
                if (!gains)
                    gains = attack_count(pos->attacks[leader][other_promotion].direct) >
                            attack_count(pos->attacks[other][other_promotion].direct);
            }
            if (gains) {
                const int bonus = PASSED_UNSTOPPABLE[race[leader]];
                p += leader == WHITE ? bonus : -bonus;
            }
        }
    }
    return m + (side_to_move == WHITE ? p : -p);
}
