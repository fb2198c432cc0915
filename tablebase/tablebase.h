// Endgame tablebases: start-up, the cache and availability bits, and the
// subsystem's two ways out to the front end (messages and fatal failures).
#pragma once

// With `rescan` forgets every registration and scans the "NalimovPath"
// folders for tables again (scan.h), then
// (re)builds the block cache of "NalimovCache" bytes and the availability
// bits. A cache that can't be had is tried at half the size down to 1 MB;
// below that the tables are given up (tb_max_pieces 0). Returns 1.
int init_tablebases(int rescan);

// Frees the cache, the availability bits and every registration.
void free_tablebases();

// Prints an "info string" line of the subsystem; installed by the front end
// once the interface may see such lines. Null: the line is dropped.
extern void (*tb_info_printer)(const char* line);

void tb_info(const char* line);

// Ends the program after a failure the tables can't survive: the message is
// appended to "debug.txt" in the working directory, then handed to the
// handler the front end installs (it records the game); without one it goes
// to standard output. The exit code is 1.
extern void (*tb_fatal_handler)(const char* message);
[[noreturn]] void tb_fatal(const char* message);
