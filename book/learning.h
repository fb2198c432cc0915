// The position learning file: learned positions kept between runs.
#pragma once

extern int learned_entries_changed;  // learned entries not yet saved

// Reads the file and feeds its records to the transposition table.
int load_position_learning();
// Merges the learned entries into the file and rewrites it.
int save_position_learning();
