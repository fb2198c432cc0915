// Values of positions from Gaviota's tablebase probe, the outside reference
// of the tablebase tests. Built only where the library is installed; the
// tests skip themselves otherwise.
#pragma once

#include <string>
#include <vector>

#include "tb_positions.h"

namespace gaviota {

// Whether the probe and its tables are at hand; starts the library on the
// first call. *why tells what is missing.
bool available(std::string* why);

// The result the engine's probe must give for the position (n: the side to
// move wins in n moves, -n: it is mated in n, TB_MATED_NOW, 0: draw); false
// when the reference has no value. `side` 0: the first-named side to move;
// the first-named side is black when `invert`.
bool result_of(const std::vector<tb_positions::Man>& men, const int* squares, int side, int invert, int en_passant,
               int* result);

}  // namespace gaviota
