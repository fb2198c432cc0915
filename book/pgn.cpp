#include "book/pgn.h"

void write_autosave_header() {}
int end_game() { return 1; }
