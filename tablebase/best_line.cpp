#include "tablebase/best_line.h"

#include "game/repetition.h"
#include "position/make.h"
#include "position/movegen.h"
#include "position/position.h"
#include "search/search_moves.h"
#include "tablebase/entry_value.h"
#include "tablebase/probe.h"

namespace {

// Move scores from the mover's view, p the ply of the move.
constexpr int16_t SCORE_ILLEGAL = -9999;
constexpr int16_t SCORE_UNKNOWN = -9000;
constexpr int16_t SCORE_MATE = 8191;
constexpr int DECIDED = 8000;  // beyond it (either way) a result is a win or a loss
constexpr int NO_SCORE = -8192;

bool in_check(const Position* pos) { return (current_ply_record(pos)->flags & PLY_IN_CHECK) != 0; }

// The score of a position the tables know, from the view of the side that
// moved into it at `ply`.
int probe_score(Position* pos, int ply) {
    // Bare kings have no table but are a draw: taking the last man saves the
    // game, which a losing move must not outscore.
    if (__builtin_popcount(pos->slots[WHITE]) + __builtin_popcount(pos->slots[BLACK]) == 2) return 0;
    int result = 0;
    if (!tb_probe_position(pos, &result)) return SCORE_UNKNOWN;
    if (result > 0) return 2 * result + ply - 8194;                      // the opponent wins
    if (result < 0) return 8193 - 2 * tb_loss_moves(result) - ply;       // the opponent is mated
    return 0;
}

// The score of the entry's move at `ply`; a move that gives check gets its
// check bit.
int16_t score_move(Position* pos, MoveEntry* entry, int ply) {
    const Move move = entry->move & MOVE_IDENTITY_MASK;
    make_move(pos, move);
    int score;
    if (mover_king_attacked(pos)) {
        score = SCORE_ILLEGAL;
    } else if (is_repetition(pos)) {
        score = 0;
    } else {
        const bool check = in_check(pos);
        if (check) entry->move = Move(move | MOVE_GIVES_CHECK);
        score = check && !has_legal_reply(pos, ply + 1, true) ? SCORE_MATE : probe_score(pos, ply);
    }
    unmake_move(pos);
    return int16_t(score);
}

}  // namespace

void sort_moves_by_score(int ply) {
    Position* pos = &main_position;
    MoveEntry* end = move_list_end(pos, ply);
    for (MoveEntry* e = move_list_start(pos, ply); e < end; ++e) pick_best_move(e, end);
}

int tb_build_line(int side, int ply, Move* line) {
    Position* pos = &main_position;
    (void)side;  // the main position's side to move
    if (ply > TB_LINE_LAST_PLY) {
        // No room for another move (nor for its replies' lists).
        line[ply] = NO_MOVE;
        return 1;
    }
    MoveEntry* list = move_list_start(pos, ply);
    int count;
    if (in_check(pos)) {
        count = gen_evasions(pos, nullptr, ply, 0, list);
        if (count == 0) {
            line[ply] = NO_MOVE;
            return 0;
        }
    } else {
        count = gen_moves(pos, ply, 0, list);
    }
    for (int i = 0; i < count; ++i) list[i].score = score_move(pos, &list[i], ply);
    sort_moves_by_score(ply);

    const int best = count > 0 ? list[0].score : NO_SCORE;
    if (best > NO_SCORE && (best < -DECIDED || best > DECIDED)) {
        const Move move = list[0].move;
        line[ply] = move;
        make_move(pos, move & MOVE_IDENTITY_MASK);
        tb_build_line(pos->side, ply + 1, line);
        unmake_move(pos);
        return 1;
    }
    line[ply] = NO_MOVE;
    return 1;
}
