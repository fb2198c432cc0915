// morvax-tx's commands beside UCI: the tablebase and book queries, loadbook
// and mvinfo1.
#pragma once

// Installs the commands into the UCI dispatcher.
void install_tx_commands();

// The dispatcher entries (COMMAND_UNKNOWN when the word is not theirs).
int dispatch_query_command(const char* cursor);
int dispatch_late_tx_command(const char* cursor);
