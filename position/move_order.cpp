#include "position/move_order.h"

#include <algorithm>
#include <cstdlib>

#include "position/attack_units.h"
#include "position/check_masks.h"
#include "position/exchange.h"
#include "position/geometry.h"
#include "position/history_tables.h"
#include "position/move_tests.h"
#include "position/position.h"

namespace {

constexpr int QUIET_BASE = -30000;        // quiet moves: QUIET_BASE + 128 x history ratio
constexpr int GOOD_TACTICAL_BONUS = 30003;
constexpr int KILLER1_HISTORY = 255 << 7;  // killers rank above every history ratio
constexpr int KILLER2_HISTORY = 254 << 7;
// History values from here up are the killers': they skip the exchange test
// when quiet.
constexpr int KILLER_HISTORY_MIN = 0x7EFF;
constexpr int UNANSWERABLE_CHECK_BONUS = 2000;

// A promoting pawn leaves `from`: the line men behind it, on the line from
// `to` through `from`, join the exchange on `to`. Out of line: it is rare.
[[gnu::noinline]] void add_men_behind_promotion(const Position* pos, int side, int from, int to, uint32_t* own,
                                                uint32_t* enemy) {
    const int away = direction_of[from][to];  // from `to` toward `from` and beyond
    const bool orthogonal = is_orthogonal_direction(away);
    const uint32_t line_classes = orthogonal ? ORTHOGONAL_CLASS_MASK : DIAGONAL_CLASS_MASK;
    for (int colour = WHITE; colour <= BLACK; ++colour) {
        const uint32_t word = pos->attacks[colour][from].direct;
        if ((word & line_classes) == 0) continue;
        uint32_t behind = word & ATTACK_SLOT_MASK &
                          (orthogonal ? pos->orthogonal_movers[colour] : pos->diagonal_movers[colour]);
        while (behind != 0) {
            int slot = highest_slot(behind);
            behind &= ~(1u << slot);
            int square = pos->piece_list[colour][slot];
            if (direction_of[square][from] != away) continue;
            *(colour == side ? own : enemy) += CLASS_UNITS[pos->kind[square]];
        }
    }
}

// exchange_loss, inlined where the move lists are scored: most destinations
// are not attacked, and the test ends there.
inline int move_exchange_loss(const Position* pos, int side, Move move, bool promotion_as_queen) {
    const int from = move_from(move), to = move_to(move);
    const AttackRecord* enemy_table = pos->attacks[side ^ 1];
    if (enemy_table[to].direct == 0) return 0;

    const int piece = pos->kind[from];
    uint32_t own = pos->attacks[side][to].xray;
    uint32_t enemy = enemy_table[to].xray;
    // The mover does not defend its own square; a pawn push never attacked it.
    // Chosen by a mask: pushes and other moves mix without a pattern.
    const bool mover_defends = (piece != PAWN) | (file_of(from) != file_of(to));
    own -= CLASS_UNITS[piece] & (0u - uint32_t(mover_defends));

    int value = PIECE_VALUES[piece];
    if (is_promotion(move)) {
        if (promotion_as_queen) value = PIECE_VALUES[QUEEN];
        add_men_behind_promotion(pos, side, from, to, &own, &enemy);
    }

    const int regained = 8 * exchange_entry(own, enemy);
    return std::max(value - regained, 0);
}

}  // namespace

int exchange_loss(const Position* pos, int side, Move move, bool promotion_as_queen) {
    return move_exchange_loss(pos, side, move, promotion_as_queen);
}

void score_moves(int ply, Position* pos, int side, MoveEntry* end) {
    const uint8_t* ratios = history_ratio[history_band(ply)] + history_index(side, PAWN, 0);
    // Killers are compared by history index rather than written into the
    // shared history table: other threads read that table concurrently.
    const int killer1 = pos->killer1[ply];
    const int killer2 = pos->killer2[ply];

    for (MoveEntry* entry = move_list_start(pos, ply); entry < end; ++entry) {
        const Move move = entry->move;
        const int kind = move_kind(move);
        const int piece = pos->kind[move_from(move)];
        const int index = history_piece_index(piece, move_to(move));
        int score = entry->score;

        // Captures and promotions mostly stand together at a list's start:
        // one well-predicted branch spares them the history and killer lookups.
        if ((move & MOVE_TACTICAL_MASK) != 0) {
            score -= move_exchange_loss(pos, side, move, kind == MK_PROMOTE_QUEEN);
            score += score >= 0 ? GOOD_TACTICAL_BONUS : QUIET_BASE;
            entry->score = int16_t(score);
            continue;
        }
        // The killers chosen by selects over the plain ratio: which moves are
        // killers follows no pattern a branch could learn.
        int history = shared_load(ratios[index]) << 7;
        history = index == killer2 ? KILLER2_HISTORY : history;
        history = index == killer1 ? KILLER1_HISTORY : history;

        // Castling never enters the exchange test: the king does not stand on
        // its destination's attacker lists.
        if (kind != MK_CASTLING && history < KILLER_HISTORY_MIN) {
            // A move into a losing exchange keeps only the plain ratio; chosen
            // by a select, as which moves lose follows no pattern.
            const int loss = move_exchange_loss(pos, side, move, false);
            score -= loss;
            history = loss != 0 ? history >> 7 : history;
        }
        entry->score = int16_t(score + QUIET_BASE + history);
    }
}

namespace {

// The neighbourhood of the enemy king as flag_checks_and_see reads it.
struct KingSurroundings {
    int king;
    uint32_t blocked, free_squares;
};

// The ordering pass over the list; with ANALYSE_CHECKS it also flags and
// rewards checking moves. A template rather than a test per move: lists of
// both kinds alternate, and the test was often mispredicted.
template <bool ANALYSE_CHECKS>
void exchange_and_check_pass(const Position* pos, int side, MoveEntry* start, MoveEntry* end,
                             const KingSurroundings& near) {
    const int enemy_king = near.king;
    for (MoveEntry* entry = start; entry < end; ++entry) {
        Move move = entry->move;
        const int from = move_from(move), to = move_to(move);
        int score = entry->score;
        const int loss = move_kind(move) == MK_CASTLING ? 0 : move_exchange_loss(pos, side, move, true);
        score -= loss;

        if constexpr (ANALYSE_CHECKS) {
            // Quiet checks of the generator arrive flagged, with the mover as
            // the checking man.
            const int check = (move & MOVE_GIVES_CHECK) != 0
                                  ? pos->kind[from] | direction_of[enemy_king][to] << 3
                                  : gives_check(pos, move);
            if (check != 0) {
                move |= MOVE_GIVES_CHECK;
                const int checker = check & 7, d = check >> 3;
                if (loss == 0) {
                    // A check from a safe square that leaves the king no
                    // escape. Discovered checks are judged from the mover's
                    // square: this only orders moves.
                    bool unanswerable;
                    if (checker < KNIGHT) {
                        unanswerable = near.free_squares == 0;
                    } else {
                        const int distance = king_distance[to][enemy_king];
                        uint32_t mask;
                        if (checker == QUEEN && distance == 1)
                            mask = check_queen_adjacent_mask[near.blocked & 15][d & 7];
                        else if (checker == ROOK && distance == 1)
                            mask = check_rook_adjacent_mask[d & 7];
                        else if (checker == QUEEN && distance == 2)
                            mask = check_queen_distance2_mask[d & 7];
                        else
                            mask = check_line_mask[d & 15];
                        // Squares only the mover guarded open up when it leaves.
                        const int mover_slot = slot_index(pos->slot_bit[from]);
                        const uint32_t escapes = near.free_squares ^ pos->guard_dirs[mover_slot];
                        unanswerable = (escapes & ~mask) == 0;
                    }
                    if (unanswerable) score += UNANSWERABLE_CHECK_BONUS;
                }
                score += pos->check_bonus + 4 * checker -
                         4 * std::abs(file_of(to) - file_of(enemy_king)) -
                         4 * std::abs(rank_of(to) - rank_of(enemy_king));
            }
        }

        // Moving a man that hangs is preferred slightly.
        score += pos->hanging[from] >> 6;
        entry->move = move;
        entry->score = int16_t(score);
    }
}

}  // namespace

void flag_checks_and_see(int mode, Position* pos, int side, MoveEntry* start, MoveEntry* end) {
    const int enemy_king = king_square(pos, side ^ 1);
    if ((mode & 2) == 0) {
        exchange_and_check_pass<false>(pos, side, start, end, {enemy_king, 0, 0});
        return;
    }

    // The enemy king's neighbourhood, by the direction bit of each neighbour
    // toward the king: `blocked` where a man stands that the king can't take
    // or that stops a queen's reach, `free_squares` where we attack nothing,
    // and per man of ours the squares it alone guards.
    uint32_t blocked = 0, free_squares = 0;
    for (uint32_t guards = pos->sole_guard_slots; guards != 0; guards &= guards - 1)
        pos->guard_dirs[slot_index(guards & -guards)] = 0;
    pos->sole_guard_slots = 0;

    const AttackRecord* own = pos->attacks[side];
    for (const uint8_t* n = ray_list(KING, enemy_king); *n != NO_SQUARE; ++n) {
        const int square = *n;
        const uint32_t bit = 1u << direction_of[enemy_king][square];
        if (pos->colour[square] == (side ^ 1)) {
            blocked |= bit;
            continue;
        }
        const int kind = pos->kind[square];
        if (kind != NO_KIND && kind != ROOK && kind != QUEEN) blocked |= bit;
        if (own[square].direct == 0) {
            free_squares |= bit;
        } else if (attack_count(own[square].xray) == 1) {
            const int slot = slot_index(own[square].xray & ATTACK_SLOT_MASK);
            pos->sole_guard_slots |= 1u << slot;
            pos->guard_dirs[slot] |= uint8_t(bit);
        }
    }
    exchange_and_check_pass<true>(pos, side, start, end, {enemy_king, blocked, free_squares});
}
