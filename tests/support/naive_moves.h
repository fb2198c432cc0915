// A naive move generator for tests, independent of the engine's generators:
// it scans the board arrays and produces every pseudo-legal move of the side
// to move with its kind (castling standard or Chess960, en passant, every
// promotion), so make/unmake can be driven through whole games.
#pragma once

#include <random>
#include <vector>

#include "position/types.h"

struct Position;

std::vector<Move> naive_pseudo_legal_moves(const Position* pos);

// Whether `side` attacks `square`, from the board arrays alone.
bool naive_square_attacked(const Position* pos, int side, int square);

// The legal moves among them: each one made and taken back on `pos`, and
// kept when the mover's king is not attacked afterwards.
std::vector<Move> naive_legal_moves(Position* pos);

// Makes one of the legal moves on `pos`, chosen by `random`, to drive a
// random game; false, and nothing made, when there is none.
bool play_random_legal_move(Position* pos, std::mt19937& random);
