// Standard input: the command loop between searches, and the non-blocking
// question the search asks while it runs.
#pragma once

#include <cstdint>

#include "platform/input.h"
#include "search/services.h"  // input_mode and quit_word, which the search reads too

extern int redispatch_pending;  // the held line is dispatched again on the next call
extern char command_line[MAX_INPUT_LINE + 1];

void setup_stdio();
// Non-zero when a whole line (or the end of input) is waiting; never blocks.
int has_pending_input();
// Reads and dispatches lines until none is waiting or a stop reason is set.
void process_input();
void run_command_loop();
