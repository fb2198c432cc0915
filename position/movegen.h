// The move generators. Each fills the move list of one ply: it writes
// MoveEntry items from `list` on, which must be the ply's list start
// (move_list_start(pos, ply)), stores the end as the next ply's start and
// returns the number of entries. Every generator ends with an ordering pass
// (move_order.h): score_moves for mode 0, flag_checks_and_see otherwise.
//
// The moves are pseudo-legal: the search makes them and rejects those that
// leave the mover's king attacked. gen_evasions tests pins itself; only its
// en-passant captures can still be illegal.
//
// Under-promotions to a fourth man of a kind are not generated; with a
// non-zero mode no rook or bishop promotions are generated at all.
#pragma once

#include "position/types.h"

struct Position;

// All pseudo-legal moves of the side to move, which must not be in check.
int gen_moves(Position* pos, int ply, int mode, MoveEntry* list);

// Replies to check. *check_info (may be null) receives the check
// description: CHECK_DISCOVERED, CHECK_DOUBLE and, in the low bits, the
// number of king moves generated. A count of 0 means mate.
constexpr uint32_t CHECK_DISCOVERED = 0x4000;  // a line man checks that did not just move
constexpr uint32_t CHECK_DOUBLE = 0x2000;
constexpr uint32_t CHECK_KING_MOVE_MASK = 0xFF;
int gen_evasions(Position* pos, uint32_t* check_info, int ply, int mode, MoveEntry* list);

// The quiescence generator: queen promotions, captures, en passant; with
// mode 6 safe pushes to the seventh rank; with mode bit 2 quiet checks.
int gen_quiet_checks(Position* pos, int ply, int mode, MoveEntry* list);

// Promotions of the pawn on `from` to `to`: queen, then knight, then (mode 0
// only) rook and bishop, each while the side has fewer than three of it.
MoveEntry* emit_promotions(MoveEntry* list, int from, int to, const Position* pos, int side,
                           int mode);

// Quiet, non-promoting moves of `side` that check the king on enemy_king,
// flagged with bit 15: direct checks by line men, knights and pawn pushes,
// and discovered checks (left unflagged: the ordering pass tests them).
MoveEntry* gen_quiet_checks_helper(const Position* pos, int side, int enemy_king, MoveEntry* list);

// The quiet moves of the man on `square` that uncover a line of its side
// toward enemy_king, without those that check by themselves (the direct part
// of the helper writes them).
MoveEntry* gen_discovering_moves(const Position* pos, int square, int side, int enemy_king,
                                 MoveEntry* list);
