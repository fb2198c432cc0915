// Standard input: the command loop between searches, and the non-blocking
// question the search asks while it runs.
#pragma once

#include <cstdint>

#include "platform/input.h"

extern char input_mode;         // 0 none (no input read), '1' a terminal, '2' a pipe or file
extern uint16_t quit_word;      // set by "quit"; ends the command loop
extern int redispatch_pending;  // the held line is dispatched again on the next call
extern char command_line[MAX_INPUT_LINE + 1];

void setup_stdio();
// Non-zero when a whole line (or the end of input) is waiting; never blocks.
int has_pending_input();
// Reads and dispatches lines until none is waiting or a stop reason is set.
void process_input();
void run_command_loop();
