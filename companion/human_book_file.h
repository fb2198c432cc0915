// The human-games book file ("Q14aHumanBook.vrh"): a 32-byte header and
// 32-byte records sorted by key word 1, all fields little-endian, read and
// written field by field. Record i lies at byte 32 * (i + 1); offsets are
// 64-bit, so a book may hold any record count its 32-bit header can name.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/positioned_file.h"

inline constexpr char HUMAN_BOOK_FILE_NAME[] = "Q14aHumanBook.vrh";
inline constexpr uint32_t HUMAN_BOOK_MAGIC = 0xA9C5B003;
inline constexpr size_t HUMAN_BOOK_HEADER_SIZE = 32;
inline constexpr size_t HUMAN_BOOK_RECORD_SIZE = 32;
inline constexpr int HUMAN_BOOK_STATISTICS_WORDS = 5;

struct HumanBookHeader {
    uint32_t magic = 0;
    uint32_t positions = 0;   // records in the file: bounds every search and read
    uint32_t variations = 0;  // reported only
    uint32_t reserved12 = 0;
    uint32_t reserved16 = 0;
    uint32_t games = 0;       // reported only
    uint32_t reserved24 = 0;
    uint32_t version = 0;     // reported only
};

struct HumanBookRecord {
    uint32_t key_word1 = 0;  // low key word, bit 0 = side to move xor 1
    uint32_t key_word2 = 0;  // high key word
    uint16_t move = 0;       // bits 0-11 from/to as in a Move, bits 12-14 play class
    uint8_t learning = 0;    // bits 0-4 weight, 5-6 counter, 7 flag
    uint8_t spare = 0;       // byte 11, kept as found
    uint32_t statistics[HUMAN_BOOK_STATISTICS_WORDS] = {};  // enciphered, word 0 least significant
};

// ---- Keys and fields --------------------------------------------------------

// Key word 1 of a position: the low key word with bit 0 standing for the side
// to move (1 when White is to move). Key word 2 is the high key word, whole.
constexpr uint32_t human_book_key_word1(uint32_t key_lo, int side) {
    return (key_lo & ~uint32_t(1)) | uint32_t(side ^ 1);
}

inline constexpr uint16_t HUMAN_BOOK_MOVE_MASK = 0x0FFF;  // from/to squares of a Move
inline constexpr int HUMAN_BOOK_CLASS_SHIFT = 12;
inline constexpr uint8_t LEARNED_WEIGHT_MASK = 0x1F;
inline constexpr int LEARNING_COUNTER_SHIFT = 5;
inline constexpr uint8_t LEARNING_COUNTER_MASK = 0x60;
inline constexpr uint8_t LEARNING_FLAG = 0x80;

constexpr uint16_t human_book_move_squares(const HumanBookRecord& r) { return r.move & HUMAN_BOOK_MOVE_MASK; }
constexpr int human_book_play_class(const HumanBookRecord& r) { return r.move >> HUMAN_BOOK_CLASS_SHIFT & 7; }
constexpr int learned_weight(const HumanBookRecord& r) { return r.learning & LEARNED_WEIGHT_MASK; }
constexpr int learning_counter(const HumanBookRecord& r) {
    return (r.learning & LEARNING_COUNTER_MASK) >> LEARNING_COUNTER_SHIFT;
}
constexpr bool learning_flagged(const HumanBookRecord& r) { return (r.learning & LEARNING_FLAG) != 0; }

// Byte offset of record `index`.
constexpr uint64_t human_book_record_offset(uint64_t index) { return HUMAN_BOOK_RECORD_SIZE * (index + 1); }

// ---- Bytes ------------------------------------------------------------------

void encode_human_book_header(const HumanBookHeader& header, uint8_t bytes[HUMAN_BOOK_HEADER_SIZE]);
HumanBookHeader decode_human_book_header(const uint8_t bytes[HUMAN_BOOK_HEADER_SIZE]);
void encode_human_book_record(const HumanBookRecord& record, uint8_t bytes[HUMAN_BOOK_RECORD_SIZE]);
HumanBookRecord decode_human_book_record(const uint8_t bytes[HUMAN_BOOK_RECORD_SIZE]);

// ---- File -------------------------------------------------------------------

// Reads the header; false on a short read or a magic other than
// HUMAN_BOOK_MAGIC (the header then holds what was read, or zeros).
bool read_human_book_header(PositionedFile file, HumanBookHeader* header);

// Reads up to `count` records from record `first` on, never past the
// header's record count nor past the end of the file; returns how many whole
// records were read into `records` (0 when `first` is beyond the book or the
// file is shorter than its header says).
uint32_t read_human_book_records(PositionedFile file, const HumanBookHeader& header, uint64_t first,
                                 uint32_t count, HumanBookRecord* records);

// Writes record `index` back in place; false when the write fails (a book
// opened for reading only).
bool write_human_book_record(PositionedFile file, uint64_t index, const HumanBookRecord& record);
