// A small FEN reader for tests: fills the main position's board arrays and
// sets it up, so tests and tools can start from any position before (and
// independently of) the engine's own FEN parsing.
#pragma once

#include <cstdint>

#include "position/types.h"

struct Position;

// Sets up the main position from `fen` (placement, side, castling as KQkq or
// rook-file letters, en passant; counters are ignored). Rook-file letters
// give a Chess960 set-up with the rook-key flag, as the engine's FEN reader
// does, and starts the game history from it. Returns setup_game's result, or
// 0 when the text is not a FEN.
int load_test_board(const char* fen);

// The castling and en-passant word load_test_board hands to setup_game;
// -1 when the text is not a FEN. Fills the board arrays of the main position.
int64_t prepare_test_board(const char* fen, int* side);

// A move in coordinate form (e2e4, e7e8q, e1g1, e1h1 for Chess960 castling
// onto the own rook) with its kind completed from the position's board:
// castling, capture, en passant, promotion (queen when no letter is given).
// NO_MOVE when the text is not a move of a man of the side to move.
Move parse_test_move(const Position* pos, const char* text);
