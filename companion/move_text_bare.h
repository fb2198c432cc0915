// Coordinate text of a move without its trailing blank and with the promoted
// piece in upper case (e7e8Q), as the query answers print it; the null move
// is "0000 ". A static buffer, overwritten by the next call.
#pragma once

#include "position/types.h"

const char* move_to_text_bare(Move move);
