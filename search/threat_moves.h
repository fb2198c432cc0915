// How a move relates to a threat that a null-move search found: whether the
// threat is tied to the move that led here, and whether a candidate move
// answers it. A threat move keeps in bits 12-15 the piece-list slot of the
// man that makes it (not the move kind).
#pragma once

#include "position/types.h"

struct PlyRecord;
struct Position;

// The slot of the threatening man kept in a threat move.
constexpr int threat_slot(Move threat) { return threat >> 12; }
constexpr Move threat_with_slot(Move move, int slot) { return Move((move & 0xFFF) | slot << 12); }

// 1 when `threat` is connected with the move stored in `record`: it starts
// where that move ended, goes where it started, targets a square the moved
// man attacks, or runs along the line the move opened.
int moves_related(const PlyRecord* record, Move threat, const Position* pos);

// 1 when `move` (of the side to move) deals with `threat` (of the other
// side): it moves the threatened man, newly defends it against a threat by
// an equal or greater man, or blocks the threat's line.
int move_answers_threat(const Position* pos, Move move, Move threat);

// Non-zero when `move` attacks `square` once made: the attacking kind |
// direction << 3 (a direct attack of the moved or promoted man, or a line
// man behind the vacated square); 0 otherwise.
int move_attack_relation(const Position* pos, Move move, int square);
