// The scan of the tablebase folders: every name under which a part of a
// table may be stored is tried in each folder of "NalimovPath", and each file
// found is checked (compressed header, block size, size against the table's
// length) and registered. A file absent under every name is skipped; one that
// is present but unreadable or of the wrong size ends the program.
#pragma once

#include <cstdint>

// Compressed part files registered since the program started.
extern int tb_compressed_files;

// Forgets every registration and registers the tables found along
// `folders` (separated by ',' or ';'; an empty piece is the working
// directory). Returns the men of the largest registered material (0, 3..6).
int scan_tablebases(const char* folders);

// Registers the parts of a side's table (0: ".nbw", 1: ".nbb") found in one
// folder, stopping at the first part missing; 1 when any was registered.
int register_tablebase_side(int record, const char* folder, int side);

// Registers one part found in one folder; 1 when it is registered (now or
// before), 0 when no file was found.
int register_tablebase_file(const char* folder, int record, int side, int part);

// Returns when `entries` is the size part `part` of the side's table must
// have; otherwise ends the program.
void tb_check_file_size(int record, int side, int part, uint64_t entries, const char* name);
