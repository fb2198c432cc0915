// The position learning file "Morvax14.lrn" in the data folder: learned
// search results (transposition-table entries with the learned bit) kept
// between runs. Loaded into the table when the hash is allocated or the
// option is switched on; saved at shutdown, before a Hash change and when
// the option is switched off.
//
// File: u32 magic 0x4A85F355, then up to 4096 records of 16 bytes,
// little-endian: key low word, key high word, u16 move (12 bits), s16 score
// (the entry's stored score), u16 counter, u16 flag word (the entry's w2 low
// half with bit 14 the side to move).
#pragma once

#include <cstdint>
#include <string>

#include "search/tt.h"  // learned_entries_changed

inline constexpr const char* LEARNING_FILE_NAME = "Morvax14.lrn";
inline constexpr uint32_t LEARNING_FILE_MAGIC = 0x4A85F355u;
inline constexpr int LEARN_RECORD_CAPACITY = 4096;
inline constexpr int LEARN_RECORD_BYTES = 16;
inline constexpr uint16_t LEARN_SIDE_BIT = 0x4000;
inline constexpr uint16_t LEARN_REFRESHED_BIT = 0x8000;
inline constexpr int LEARN_COUNTER_STEP = 64;
inline constexpr int LEARN_COUNTER_MAX = 32767;

struct LearnRecord {
    uint32_t key_lo, key_hi;
    uint16_t move;
    int16_t score;
    uint16_t counter;
    uint16_t flags;
};

// What the last save did with the learned entries.
struct LearningCounts {
    int refreshed, updated, added;
};
extern LearningCounts learning_counts;
extern int learn_record_count;  // records loaded or saved last

std::string learning_file_path();

// Reads the file and inserts every record into the transposition table.
// Nothing without a table of at least 1024 KB.
int load_position_learning();
// Merges the learned entries of both tables into the file's records and
// writes the file anew. Nothing without a table of at least 1024 KB.
int save_position_learning();

// A new hash memory: the learned positions go into its table when position
// learning is on.
void reload_position_learning();
// The shutdown, while the table still exists: saves the learned entries not
// yet saved when position learning is on.
void save_position_learning_at_exit();
