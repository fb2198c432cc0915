#include "search/services.h"

namespace {

Move no_book_move(uint32_t, int) { return NO_MOVE; }
int no_tablebase_line(int, int, Move*) { return 1; }  // the root keeps the line its search found
int no_pending_input() { return 0; }
void no_input() {}
void no_book_flags(uint32_t, int) {}
void no_root_report() {}

}  // namespace

SearchServices search_services = {no_book_move, no_tablebase_line, no_pending_input, no_input, no_book_flags,
                                  no_root_report};

char input_mode = 0;  // no input is read until the command loop sets standard input up
uint16_t quit_word = 0;
