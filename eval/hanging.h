// The line threat through one man: what an enemy line piece that attacks it
// would win behind it if the man moved away or were taken.
#pragma once

struct Position;

// For the man of `side` on `square`: the largest gain (0..1248) that an
// enemy bishop, rook or queen attacking it directly would make on the man of
// `side` standing behind it on the same line. Small penalties for each such
// threat are subtracted from *acc.
int eval_hanging(Position* pos, int side, int square, int* acc);
