// King safety: the pawn shelter around each king and the analysis of the
// attack on it (attacked king squares, checking squares, mating nets).
#pragma once

struct Position;

// White's view. Sets the PlyRecord's mate-threat and king-attack bits of a
// king in danger and makes a mating threat the side's largest threat.
int eval_king_safety(Position* pos);

// The attack of side x ^ 1 on x's king: 0 or negative, for x.
int eval_king_attack(Position* pos, int x);
