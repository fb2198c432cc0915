// The position learning file: learned positions kept between runs. While the
// engine runs they live in the transposition table (learned entries, with
// learned_entries_changed of search/tt.h).
#pragma once

// Reads the file and feeds its records to the transposition table.
int load_position_learning();
// Merges the learned entries into the file and rewrites it.
int save_position_learning();

// A new hash memory: the learned positions go into its table when position
// learning is on and the table's share is 1 MB or more.
void reload_position_learning();
// The shutdown, while the table still exists: saves the learned entries not
// yet saved (position learning on, a table of 1 MB or more).
void save_position_learning_at_exit();
