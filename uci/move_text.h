// Moves as text: reading coordinate moves (e2e4, e7e8q) and algebraic moves
// (Nbd7, exd5, e8=Q+, O-O) on the main position, and writing algebraic text.
#pragma once

#include <cstdint>

#include "position/types.h"

// The move the text names on the main position, 0 when it names none.
// Castling, capture and en-passant kind bits are completed by validate_move.
Move parse_move_text(const char* text);

// Origin-hint flags of san_find_origin, and the disambiguation bits of the
// move-text format word.
inline constexpr int SAN_FILE_GIVEN = 0x08;
inline constexpr int SAN_RANK_GIVEN = 0x10;

// The square of the one piece of `kind` of `side` that can reach `target`
// and fits the hint (a square whose file and/or rank the flags say are
// given); 255 when none or more than one fits.
int san_find_origin(int side, int flags, int kind, int hint, int target);

// Format word of move_to_san.
inline constexpr int SAN_KIND_MASK = 0x7;
inline constexpr int SAN_MATE = 0x800;
inline constexpr int SAN_LONG = 0x1000;
inline constexpr int SAN_NO_PADDING = 0x2000;
inline constexpr int SAN_ALGEBRAIC = 0x4000;
inline constexpr int SAN_ONE_BLANK = 0x8000;

// Text of a move; a static buffer overwritten by the next call.
const char* move_to_san(Move move, int format);
