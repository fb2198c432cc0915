#include "search/weak_move.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "config/settings.h"
#include "eval/root_state.h"
#include "game/game_history.h"
#include "platform/system.h"
#include "position/attack_units.h"
#include "position/position.h"
#include "search/driver.h"
#include "search/output.h"
#include "search/random.h"
#include "search/root.h"
#include "search/strength.h"
#include "search/time_control.h"

WeakMoveSeedSource weak_move_seed_source = calendar_seconds;

namespace {

constexpr int WEAK_MOVE_TOP_ELO = 1500;
constexpr int WEAK_MOVE_BASE_ELO = 1550;  // the rating the distance M is measured from
constexpr uint32_t FIRST_HALVING_MS = 2000;
constexpr int64_t MIN_WEIGHT = 4;
constexpr Move CAPTURE_KIND_BIT = 0x4000;  // captures, en passant, rook and bishop promotions

int piece_weight(const Position* pos, int side) { return int(pos->material_counts[side] & 0xFF); }

// How far a man travels, as a weak player's eye measures it: a pawn's step
// is seen at once, a knight's jump as a long way.
int move_distance(const Position* pos, Move move) {
    const int from = move_from(move), to = move_to(move);
    if (pos->kind[from] == PAWN) return 1;
    if (pos->kind[from] == KNIGHT) return 36;
    const int steps = std::abs(file_of(from) - file_of(to)) + std::abs(rank_of(from) - rank_of(to));
    return steps * steps;
}

int distance_from_base(int elo, bool opponent_has_pieces) {
    const int m = WEAK_MOVE_BASE_ELO - elo;
    return opponent_has_pieces ? m : m / 2;
}

int64_t weight_of_distance(int m, uint32_t elapsed_ms) {
    const int q = m / 128;
    int64_t w = m;
    if (q > 0) {
        w = int64_t(64) << q;
        w += (m % 128) * w / 128;
    }
    // Halved past two seconds, and again with each doubling of the time.
    for (uint64_t limit = FIRST_HALVING_MS; elapsed_ms > limit; limit *= 2) w /= 2;
    return std::max(w, MIN_WEIGHT);
}

// The squares the last moves of the game went to. The first moves of a game
// (or a passed turn) have none: no square of the board stands in for them.
struct RecentMoves {
    int opponent_to = NO_SQUARE;    // the opponent's last move, the one that led to the root
    bool opponent_captured = false; // ... had the capture kind bit
    int own_to = NO_SQUARE;         // the engine's own move before it
};

RecentMoves recent_moves(const Position* pos) {
    RecentMoves recent;
    const Move last = current_ply_record(pos)->move & MOVE_IDENTITY_MASK;
    if (pos->ply >= 2 && last != NULL_MOVE && last != NO_MOVE) {
        recent.opponent_to = pos->last_to;
        recent.opponent_captured = (last & CAPTURE_KIND_BIT) != 0;
    }
    if (pos->ply >= 3 && current_game_record > game_records) {
        const Move own = (current_game_record - 1)->move & MOVE_IDENTITY_MASK;
        if (own != NULL_MOVE && own != NO_MOVE) recent.own_to = move_to(own);
    }
    return recent;
}

// The man on `square` is attacked by the man the opponent moved last.
bool attacked_by_last_mover(const Position* pos, const RecentMoves& recent, int square) {
    const int to = recent.opponent_to;
    const int opponent = pos->side ^ 1;
    if (to == NO_SQUARE || pos->colour[to] != opponent) return false;
    return (pos->attacks[opponent][square].direct & ATTACK_SLOT_MASK & pos->slot_bit[to]) != 0;
}

// The rook of the side to move lifted one square up from a home corner.
bool corner_rook_lift(const Position* pos, Move move) {
    const int from = move_from(move), to = move_to(move);
    if (pos->kind[from] != ROOK) return false;
    if (pos->side == WHITE) return (from == A1 && to == A2) || (from == H1 && to == H2);
    return (from == A8 && to == A7) || (from == H8 && to == H7);
}

}  // namespace

int weak_move_weight(int elo, bool opponent_has_pieces, uint32_t elapsed_ms) {
    return int(weight_of_distance(distance_from_base(elo, opponent_has_pieces), elapsed_ms));
}

bool weak_move_allowed() {
    return (search_flags & EF_LIMIT_STRENGTH) && uci_elo <= WEAK_MOVE_TOP_ELO && search_mode == SEARCH_MODE_NORMAL &&
           !(search_state_flags & SEARCH_ROOT_DECIDED) && root_move_count > 0 && !(root_moves[0].flags & RM_BOOK);
}

int choose_weak_move(const RootMove* moves, int count, const Position* pos, uint32_t seed, uint32_t elapsed_ms) {
    const int side = pos->side, opponent = side ^ 1;
    const int m = distance_from_base(uci_elo, piece_weight(pos, opponent) != 0);
    if (count <= 0 || m <= 0) return 0;
    const int k = m / 50;
    const int n = std::min(k, count - 1);
    const RecentMoves recent = recent_moves(pos);
    seed_random(seed);
    int64_t w = weight_of_distance(m, elapsed_ms);

    // Captures first: one seen makes the moves below it the ones weighed.
    int chosen = n;
    for (int i = n; i >= 0; --i) {
        const Move move = moves[i].line[1];
        if (!(move & MOVE_TACTICAL_MASK)) continue;
        int64_t v = move_distance(pos, move) * w / 36;
        // Taking back on the square just moved to is all too obvious.
        if (move_to(move) == recent.opponent_to) v /= recent.opponent_captured ? 16 : 4;
        if (v < int64_t(next_random() & 0x1FFF)) chosen = i;
    }

    const int best_from = move_from(moves[0].line[1]);
    const bool best_man_threatened = pos->hanging[best_from] != 0 && !attacked_by_last_mover(pos, recent, best_from);
    const int best = moves[0].score;
    const int squared_margin = (k + 1) * (k + 1);
    const int wide_margin = (k + 16) * (k + 16);

    for (int i = chosen; i >= 1; --i) {
        const Move move = moves[i].line[1];
        int from = move_from(move), to = move_to(move);
        const Move reply = moves[i].line[2];
        // A capture in reply may be noticed, the farther it reaches the less;
        // overlooked, the player's eye rests on it instead.
        if (reply != NO_MOVE && (reply & CAPTURE_KIND_BIT)) {
            const int64_t reply_weight = move_to(reply) == to ? w / 8 : w;
            if (int64_t(next_random() & 0x1FFF) > reply_weight * move_distance(pos, reply) / 18) continue;
            from = move_from(reply);
            to = move_to(reply);
        }
        w += w / 4;
        if (piece_weight(pos, side) >= 7 && !(move & CAPTURE_KIND_BIT) && corner_rook_lift(pos, move)) continue;

        uint32_t masks[3] = {0x3FFFF, 0xFFFFF, 0x3FFFFF};
        if ((pos->hanging[from] != 0 && attacked_by_last_mover(pos, recent, from)) ||
            (best_man_threatened && from != best_from) || pos->attacks[side][to].direct != 0) {
            masks[0] = 0xFFF, masks[1] = 0x3FFF, masks[2] = 0xFFFF;
        } else if (from == recent.own_to && uci_elo < 1200 && piece_weight(pos, opponent) >= 2) {
            masks[0] = 0x3FFF, masks[1] = 0xFFFF, masks[2] = 0x3FFFF;
        }
        const uint32_t x1 = next_random() & masks[0];
        uint32_t x2 = next_random() & masks[1];
        uint32_t x3 = next_random() & masks[2];
        // A square a pawn guards keeps most men away.
        if (pos->kind[from] != PAWN && (pos->attacks[opponent][to].direct & PAWN_CLASS_MASK)) {
            x3 <<= 7;
            x2 *= 4;
        }
        const int score = moves[i].score;
        if ((x1 < w && best < score + k + 3) || (x2 < w && best < score + squared_margin) ||
            (x3 < w && (best < score + wide_margin || score > root_evaluation)))
            return i;
    }
    return 0;
}

bool play_weak_move(int depth) {
    if (!weak_move_allowed()) return false;
    const int index =
        choose_weak_move(root_moves, root_move_count, &main_position, weak_move_seed_source(), get_elapsed_ms());
    if (index <= 0) return false;
    std::swap(root_moves[0], root_moves[index]);
    print_pv_info(root_moves[0].line, 0, BOUND_KIND_EXACT, root_moves[0].score, depth);
    return true;
}
