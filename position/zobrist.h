// The position key: the XOR of one 64-bit entry per man and of castling and
// en-passant entries, kept as two 32-bit halves. The side to move is not part
// of it. Opening book and learning files store these keys, so the values are
// fixed: they come from a fixed-seed generator and never change between
// builds.
#pragma once

#include <array>
#include <cstdint>

#include "position/types.h"

// Entry (2 * (kind - 1) + colour) * 64 + square; low word first in memory.
constexpr int ZOBRIST_KEY_COUNT = 12 * 64;
extern const std::array<uint64_t, ZOBRIST_KEY_COUNT> zobrist_keys;

constexpr int zobrist_index(int kind, int colour, int square) {
    return (2 * (kind - 1) + colour) * 64 + square;
}
inline uint32_t zobrist_lo(int kind, int colour, int square) {
    return uint32_t(zobrist_keys[zobrist_index(kind, colour, square)]);
}
inline uint32_t zobrist_hi(int kind, int colour, int square) {
    return uint32_t(zobrist_keys[zobrist_index(kind, colour, square)] >> 32);
}

// XORed into key_lo only: the entry of the en-passant square while one is
// set, and the entry of a castling rook's start square for every castling
// right that is absent. A Chess960 set-up with the rook-key flag copies the
// corner entries onto the actual rook squares, so this table is rewritten by
// set-up (always from CASTLE_EP_KEYS_DEFAULT first, so that a key never
// depends on an earlier set-up).
extern std::array<uint32_t, 64> castle_ep_keys;
extern const std::array<uint32_t, 64> CASTLE_EP_KEYS_DEFAULT;

// Castling rook squares, global, written only by set-up:
// castle_rook_squares[wing][side] with wing CASTLE_A_SIDE or CASTLE_H_SIDE.
// Standard: a-side 0 / 56, h-side 7 / 63.
enum CastleWing : int { CASTLE_A_SIDE = 0, CASTLE_H_SIDE = 1 };
extern uint8_t castle_rook_squares[2][2];

// The standard start position, by square.
extern const uint8_t START_POSITION_KINDS[64];
extern const uint8_t START_POSITION_COLOURS[64];
