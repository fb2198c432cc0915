// The threat tests of the quiescence search, which the evaluation reads too:
// promotion threats, men that cannot all be saved, and mating nets.
#pragma once

struct Position;

// The value of the first pawn of the side's opponent on its seventh rank
// whose promotion threat exceeds `threshold`, else 0.
int qs_pawn_threats(Position* pos, int side, int qdepth, int threshold);

// 1 when the side cannot keep all its attacked men within `threshold`: two
// are lost, the largest cannot escape, or it is pinned to a man behind it.
int qs_threat_pair(Position* pos, int side, int threshold);

// The loss that the side's man on `square` still suffers after its best
// escape (0 when it escapes), starting from `loss`.
int can_escape_threat(int square, Position* pos, int side, int loss);

// 1 when the side's king is caught in a mating net: a supported contact
// check by a line man would leave it no flight square. Records the mating
// move as the current PlyRecord's threat move (when the side is to move and
// none is stored) and sets the side's mate-threat and king-attack bits; with
// every flight square covered but no such move, only the king-attack bit.
int king_escape_squares(Position* pos, int side);
