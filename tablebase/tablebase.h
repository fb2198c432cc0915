// Endgame tablebases: start-up, the cache and availability bits, and the
// subsystem's two ways out to the front end (messages and fatal failures).
#pragma once

// With `rescan` forgets every registration and scans for tables again, then
// (re)builds the block cache of "NalimovCache" bytes and the availability
// bits. A cache that can't be had is tried at half the size down to 1 MB;
// below that the tables are given up (tb_max_pieces 0). Returns 1.
int init_tablebases(int rescan);

// Frees the cache, the availability bits and every registration.
void free_tablebases();

// Prints an "info string" line of the subsystem; installed by the front end
// once the interface may see such lines. Null: the line is dropped.
extern void (*tb_info_printer)(const char* line);

// Ends the program after a failure the tables can't survive; installed by
// the front end. Without one the message goes to standard output and the
// program exits with code 1.
extern void (*tb_fatal_handler)(const char* message);
[[noreturn]] void tb_fatal(const char* message);
