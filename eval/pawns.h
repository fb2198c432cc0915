// Pawn structure: square values, king shelter and storm, pawn-colour bytes
// for the bishops, weak, isolated, backward and doubled pawns, passed pawns
// and candidates.
#pragma once

#include <cstdint>

struct Position;

// White's view; also fills the pawn-colour bytes (Position::pawn_colour_weights)
// and records the promotion threats of passed pawns on their seventh rank.
int eval_pawn_structure(Position* pos, int white_to_move, int black_to_move);

// The files of an unmoved king's castling shelter (bit f = file f), for a
// side whose king has not moved.
uint8_t castling_files(const Position* pos, int side);

// Rank bits (as in the pawn-file bytes) of the ranks in front of rank r for a
// pawn of `side`, and of rank r with the ranks behind it.
inline uint32_t ranks_in_front(int side, int r) { return side == 0 ? (0xFFu << (r + 1)) & 0xFFu : (1u << r) - 1; }
inline uint32_t ranks_behind_or_level(int side, int r) { return ~ranks_in_front(side, r) & 0xFFu; }

// Number of pawns in a pawn class field of an attack word (bits 26-27).
inline int pawn_attackers(uint32_t word) { return int((word >> 26) & 3); }
