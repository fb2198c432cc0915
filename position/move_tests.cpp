#include "position/move_tests.h"

#include "config/settings.h"
#include "position/attack_units.h"
#include "position/geometry.h"
#include "position/position.h"
#include "position/zobrist.h"

namespace {

// Walks from `from` toward `target` along line direction d (the direction of
// the step from `from` toward `target`, so the walk ends at `target`): true
// when every square between is empty. `ignore` counts as empty.
inline bool squares_between_empty(const Position* pos, int from, int target, int d,
                                  int ignore = NO_SQUARE) {
    for (int sq = next_square[d][from]; sq != target; sq = next_square[d][sq])
        if (pos->kind[sq] != NO_KIND && sq != ignore) return false;
    return true;
}

inline bool is_unmoved_rook(const Position* pos, int square, int side) {
    return pos->kind[square] == ROOK && pos->colour[square] == side && pos->moved[square] == 0;
}

inline int back_rank_base(int side) { return side == WHITE ? A1 : A8; }

// The pawn capture directions of a side: north-west and north-east for white,
// south-west and south-east for black.
inline bool is_pawn_capture_direction(int side, int d) {
    return side == WHITE ? (d == DIR_NORTH_WEST || d == DIR_NORTH_EAST)
                         : (d == DIR_SOUTH_WEST || d == DIR_SOUTH_EAST);
}

// A king moving onto its own rook in Chess960 mode: a castling move only with
// the side's castling rook of that wing, an unmoved king on the back rank,
// and not out of check (the castling tests leave the king's own square to
// the caller).
bool chess960_castling_is_legal(const Position* pos, int side, int from, int to) {
    if (pos->moved[from] != 0 || rank_of(from) != rank_of(back_rank_base(side))) return false;
    if (pos->attacks[side ^ 1][from].direct != 0) return false;
    if (to > from)
        return to == castle_rook_squares[CASTLE_H_SIDE][side] &&
               castle_is_legal_chess960_kingside(pos, side, from);
    return to == castle_rook_squares[CASTLE_A_SIDE][side] &&
           castle_is_legal_chess960_queenside(pos, side, from);
}

// The kind of a pawn move on this board, or -1 when the pawn can't make it.
int pawn_move_kind(const Position* pos, int side, int from, int to, int given) {
    const int forward = side == WHITE ? 8 : -8;
    const int start_rank = side == WHITE ? 1 : 6;
    const bool promotes = rank_of(to) == (side == WHITE ? 7 : 0);
    const int file_step = file_of(to) - file_of(from);

    int kind;
    if (file_step == 0) {
        if (pos->kind[to] != NO_KIND) return -1;
        bool single = to == from + forward;
        bool double_step = to == from + 2 * forward && rank_of(from) == start_rank &&
                           pos->kind[from + forward] == NO_KIND;
        if (!single && !double_step) return -1;
        kind = MK_QUIET;
    } else if ((file_step == 1 || file_step == -1) && to == from + forward + file_step) {
        if (pos->colour[to] == (side ^ 1)) {
            kind = MK_CAPTURE;
        } else if (pos->ep_square != 0 && to == pos->ep_square && pos->kind[to - forward] == PAWN &&
                   pos->colour[to - forward] == (side ^ 1)) {
            kind = MK_EN_PASSANT;
        } else {
            return -1;
        }
    } else {
        return -1;
    }

    // Onto the last rank: the given promotion kind, or a queen for a plain
    // from/to. A capture kind there contradicts the board (a capturing
    // promotion carries only its promotion kind).
    if (promotes) {
        if (given == MK_QUIET) return MK_PROMOTE_QUEEN;
        return (given << 12 & MOVE_PROMOTION_BIT) != 0 ? given : -1;
    }
    return given == MK_QUIET || given == kind ? kind : -1;
}

}  // namespace

int is_pinned(const Position* pos, int square, int slider_side) {
    const int king = king_square(pos, slider_side ^ 1);
    if (square == king) return 0;  // no line leads from the king to itself
    const int d = direction_of[king][square];
    if (!is_line_direction(d)) return 0;

    const uint32_t word = pos->attacks[slider_side][square].direct;
    const bool orthogonal = is_orthogonal_direction(d);
    if ((word & (orthogonal ? ORTHOGONAL_CLASS_MASK : DIAGONAL_CLASS_MASK)) == 0) return 0;

    uint32_t movers = word & ATTACK_SLOT_MASK &
                      (orthogonal ? pos->orthogonal_movers[slider_side]
                                  : pos->diagonal_movers[slider_side]);
    while (movers != 0) {
        int slot = highest_slot(movers);
        movers &= ~(1u << slot);
        // Only a line man beyond the square, on the line to the king, pins it.
        if (direction_of[king][pos->piece_list[slider_side][slot]] == d)
            return squares_between_empty(pos, square, king, d) ? 1 : 0;
    }
    return 0;
}

int gives_check_near_king(const Position* pos, Move move, int enemy_king, int dt, int df) {
    const int side = pos->side;
    const int from = move_from(move), to = move_to(move);
    const bool promotion = is_promotion(move);
    const bool capture = pos->kind[to] != NO_KIND || move_kind(move) == MK_EN_PASSANT;

    if (dt != DIR_NONE) {
        // A man that stays on its line to the king checks after the move only
        // if it did before, which it cannot - except a pawn that promotes
        // there and now moves along the line.
        if (dt == df && !capture && !promotion) return 0;
        const int piece = promotion ? PROMOTION_KIND_MAP[move_kind(move)] : pos->kind[from];
        switch (piece) {
        case PAWN:
            if (is_pawn_capture_direction(side, dt) && next_square[dt][to] == enemy_king) return 1;
            break;
        case KNIGHT:
            if (!is_line_direction(dt)) return dt << 3 | KNIGHT;
            break;
        case BISHOP:
        case ROOK:
        case QUEEN:
            // The promoting pawn leaves `from` empty behind the new piece.
            if (is_line_direction(dt) && is_transparent(LINE_CLASS[piece], dt) &&
                squares_between_empty(pos, to, enemy_king, dt, promotion ? from : NO_SQUARE))
                return dt << 3 | piece;
            break;
        default:
            break;
        }
    }

    // Discovered check: the mover leaves a line of one of its side's line men.
    if (is_line_direction(df) && df != dt && !is_transparent(LINE_CLASS[pos->kind[from]], df)) {
        const bool orthogonal = is_orthogonal_direction(df);
        uint32_t movers = pos->attacks[side][from].direct & ATTACK_SLOT_MASK &
                          (orthogonal ? pos->orthogonal_movers[side] : pos->diagonal_movers[side]);
        while (movers != 0) {
            int slot = highest_slot(movers);
            movers &= ~(1u << slot);
            int square = pos->piece_list[side][slot];
            if (direction_of[enemy_king][square] == df &&
                squares_between_empty(pos, from, enemy_king, df))
                return pos->kind[square] | df << 3;
        }
    }
    return 0;
}

int is_line_clear(int a, const Position* pos, int b) {
    if (a == b) return 1;
    const int d = direction_of[b][a];
    if (!is_line_direction(d)) return 0;
    return squares_between_empty(pos, a, b, d) ? 1 : 0;
}

int castle_is_legal(const Position* pos, int to, int rook_square, int passed, int s, int from) {
    const AttackRecord* enemy = pos->attacks[s ^ 1];
    return pos->kind[to] == NO_KIND && pos->kind[passed] == NO_KIND &&
           pos->kind[to - 1] == NO_KIND && is_unmoved_rook(pos, rook_square, s) &&
           enemy[from].direct == 0 && enemy[to].direct == 0 && enemy[passed].direct == 0;
}

int castle_is_legal_chess960_kingside(const Position* pos, int s, int king_square) {
    const int rook = castle_rook_squares[CASTLE_H_SIDE][s];
    if (!is_unmoved_rook(pos, rook, s) || rook <= king_square) return 0;
    const AttackRecord* enemy = pos->attacks[s ^ 1];
    const int g_square = back_rank_base(s) + 6;
    if (king_square < g_square) {
        // The king's path to g; the rook's path to f lies within it or
        // starts beyond it on h.
        for (int sq = king_square + 1; sq <= g_square; ++sq) {
            if (enemy[sq].direct != 0) return 0;
            if (pos->kind[sq] != NO_KIND && sq != rook) return 0;
        }
        return 1;
    }
    if (king_square == g_square) return pos->kind[g_square - 1] == NO_KIND ? 1 : 0;
    return 0;
}

int castle_is_legal_chess960_queenside(const Position* pos, int s, int king_square) {
    const int rook = castle_rook_squares[CASTLE_A_SIDE][s];
    if (!is_unmoved_rook(pos, rook, s) || rook >= king_square) return 0;
    const AttackRecord* enemy = pos->attacks[s ^ 1];
    const int a_square = back_rank_base(s);
    const int b_square = a_square + 1, c_square = a_square + 2, d_square = a_square + 3;
    if (king_square > c_square) {
        for (int sq = king_square - 1; sq >= c_square; --sq) {
            if (enemy[sq].direct != 0) return 0;
            if (pos->kind[sq] != NO_KIND && sq != rook) return 0;
        }
        if (rook == a_square && pos->kind[b_square] != NO_KIND) return 0;
        return 1;
    }
    if (king_square == b_square)
        return enemy[c_square].direct == 0 && pos->kind[c_square] == NO_KIND &&
               pos->kind[d_square] == NO_KIND;
    if (king_square == c_square)
        return pos->kind[d_square] == NO_KIND &&
               (rook != a_square || pos->kind[b_square] == NO_KIND);
    return 0;
}

// Derives the move's kind from the board instead of trusting the bits it
// arrives with: a hash collision or a bad move text must never reach
// make_move as something it cannot take back (a stale promotion kind on a
// piece move, a king step "taken as castling"). Given kind bits are accepted
// only when they agree with the board; kind 0 is completed.
int validate_move(const Position* pos, Move* move) {
    const Move m = *move;
    const int side = pos->side, enemy = side ^ 1;
    const int from = move_from(m), to = move_to(m), given = move_kind(m);
    if (from == to || pos->colour[from] != side) return 0;

    const int piece = pos->kind[from];
    const AttackRecord* own = pos->attacks[side];
    const AttackRecord* opp = pos->attacks[enemy];
    const bool chess960 = (search_flags & EF_CHESS960) != 0;
    int kind;

    if (pos->colour[to] == side) {
        // Only Chess960 castling moves onto an own man: the king onto its rook.
        if (!chess960 || piece != KING || pos->kind[to] != ROOK) return 0;
        if (given != MK_QUIET && given != MK_CASTLING) return 0;
        if (!chess960_castling_is_legal(pos, side, from, to)) return 0;
        kind = MK_CASTLING;
    } else if (pos->kind[to] == KING) {
        return 0;  // kings are never taken
    } else if (piece == PAWN) {
        kind = pawn_move_kind(pos, side, from, to, given);
        if (kind < 0) return 0;
    } else if (piece == KING) {
        const int capture_kind = pos->colour[to] == enemy ? MK_CAPTURE : MK_QUIET;
        if ((own[to].direct & KING_CLASS_BIT) != 0) {
            if (opp[to].direct != 0) return 0;
            if (given != MK_QUIET && given != capture_kind) return 0;
            kind = capture_kind;
        } else {
            // Standard castling is the only king move of two squares.
            if (chess960 || capture_kind != MK_QUIET) return 0;
            if (given != MK_QUIET && given != MK_CASTLING) return 0;
            if (from != (side == WHITE ? E1 : E8) || pos->moved[from] != 0) return 0;
            if (to == from + 2) {
                if (!castle_is_legal(pos, from + 2, from + 3, from + 1, side, from)) return 0;
            } else if (to == from - 2) {
                if (!castle_is_legal(pos, from - 2, from - 4, from - 1, side, from)) return 0;
            } else {
                return 0;
            }
            kind = MK_CASTLING;
        }
    } else {
        if ((own[to].direct & pos->slot_bit[from]) == 0) return 0;
        kind = pos->colour[to] == enemy ? MK_CAPTURE : MK_QUIET;
        if (given != MK_QUIET && given != kind) return 0;
    }

    *move = Move((m & MOVE_GIVES_CHECK) | encode_move(from, to, kind));
    return 1;
}
