// Small read-only tests on a Position shared by the generators, move ordering
// and the search: pins, checks, open lines, castling, and whether a move that
// comes from outside the generators (hash, killers, principal variation,
// book, move text) can be played here. None of them changes the position;
// all read the attack tables.
#pragma once

#include "position/geometry.h"
#include "position/position.h"
#include "position/types.h"

// 1 when the man on `square` stands between its own king (the king of
// slider_side ^ 1) and a line man of slider_side, with nothing else between.
int is_pinned(const Position* pos, int square, int slider_side);

// gives_check once a square of the move lies on a line or a knight step of
// the enemy king, whose square and directions toward the two squares
// (direction_of[king][to], direction_of[king][from]) it receives.
int gives_check_near_king(const Position* pos, Move move, int enemy_king, int dt, int df);

// 0 when the move, made by the side to move, does not check the enemy king;
// otherwise kind | direction << 3: the kind of the checking man and the
// direction code from its square toward the king (a pawn check is exactly 1).
// Not detected: a check uncovered by removing the pawn taken en passant, and
// the rook's check of a castling move.
inline int gives_check(const Position* pos, Move move) {
    const int enemy_king = king_square(pos, pos->side ^ 1);
    const int dt = direction_of[enemy_king][move_to(move)];
    const int df = direction_of[enemy_king][move_from(move)];
    // Most moves neither land on a line or knight step of the king nor leave
    // one of its lines: they are answered here, without the call.
    if (dt == DIR_NONE && !is_line_direction(df)) return 0;
    return gives_check_near_king(pos, move, enemy_king, dt, df);
}

// 1 when a and b lie on one line with nothing between them (b itself may be
// occupied; a square sees itself), else 0.
int is_line_clear(int a, const Position* pos, int b);

// Standard castling of side s with the king on `from`: the king's
// destination `to`, the castling rook's square and the square the king passes.
// Checks the empty squares, the unmoved rook and that the king's start, path
// and destination are not attacked; the caller checks that the king is unmoved.
int castle_is_legal(const Position* pos, int to, int rook_square, int passed, int s, int from);

// Chess960 castling of side s with the king on king_square toward its h-side
// or a-side castling rook. The king's own square is not tested (the
// generator only asks when the side is not in check).
int castle_is_legal_chess960_kingside(const Position* pos, int s, int king_square);
int castle_is_legal_chess960_queenside(const Position* pos, int s, int king_square);

// 1 when the move is pseudo-legal for the side to move; its kind bits are then
// rewritten to the kind the board gives it (a plain from/to completes to a
// capture, en passant, castling or queen promotion; bit 15 is kept as given).
// Any contradiction between the given kind and the board rejects the move, so
// an accepted move is always one make_move can play; whether it leaves the
// mover's king attacked is left to the caller.
int validate_move(const Position* pos, Move* move);
