// FEN and move text.
#pragma once

#include <cstdint>

// Sets up the main position from a FEN; 1 on success, 0 when refused.
int parse_fen(const char* text);

// The move the text names on the main position (coordinate or algebraic),
// 0 when it names none.
uint16_t parse_move_text(const char* text);
