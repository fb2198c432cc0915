// The quiescence search at the horizon of the alpha-beta search: stand pat,
// captures, promotions and (on the first levels) quiet checks; evasions in
// check. Threat tests (eval/qs_threats.h) lower the stand pat of a side that
// cannot keep all its men or faces a mating net, and a seriously threatened
// side searches every move for one level.
#pragma once

#include <cstdint>

struct Position;

// qdepth: 0 at the first level, one less per level. Returns the score for
// the side to move; 0 when the search was stopped.
int qsearch(Position* pos, int ply, int qdepth, int alpha, int beta, uint32_t flags);
