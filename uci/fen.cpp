#include "uci/fen.h"

int parse_fen(const char*) { return 0; }
uint16_t parse_move_text(const char*) { return 0; }
