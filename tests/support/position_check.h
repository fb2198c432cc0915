// An independent, naive recomputation of every derived field of a Position
// from its board arrays (kind, colour, moved, piece lists), for tests that
// walk make/unmake: attack tables by walking rays, key, material, counts and
// signatures, material index, kind and rank masks, pawn files and hanging
// values.
#pragma once

#include <string>

struct Position;

// "" when every derived field matches; otherwise one line per mismatch.
std::string check_position(const Position* pos);

// The fields make + unmake must give back exactly, compared between two
// records; "" when equal. Fields that only describe the last move made
// (node counter, dirty masks, saved hanging sums, move and threat gains) and
// the ply records above the current one are not compared. The tables are
// compared by what they hold; each record's table pointers must name its own
// current slot, so a snapshot is taken with copy_position.
std::string compare_positions(const Position* before, const Position* after);
