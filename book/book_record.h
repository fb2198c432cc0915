// One record of the opening book file, as stored: 8 bytes, little-endian.
//   bytes 0-3  key: the position key's low word with bit 0 replaced by
//              (side to move XOR 1), so that White-to-move keys are odd
//   bytes 4-5  bits 0-11 the move (from << 6 | to), bits 12-14 play class
//   byte 6     bits 0-4 learned weight, bits 5-6 learning counter, bit 7 won
//   byte 7     check byte: bits 8-15 of the position key's high word
// The file is a u32 record count and the records, sorted by key as unsigned
// numbers; the records of one key are adjacent, in the order they were
// written. Record i lies at byte 4 + 8 i.
#pragma once

#include <cstdint>

#include "platform/little_endian.h"

inline constexpr int BOOK_RECORD_BYTES = 8;
inline constexpr int BOOK_HEADER_BYTES = 4;

inline constexpr uint16_t BOOK_MOVE_MASK = 0xFFF;
inline constexpr int BOOK_CLASS_SHIFT = 12;
inline constexpr uint16_t BOOK_WEIGHT_MASK = 0x1F;
inline constexpr int BOOK_COUNTER_SHIFT = 5;
inline constexpr uint16_t BOOK_COUNTER_MASK = 0x60;
inline constexpr uint16_t BOOK_WON = 0x80;
inline constexpr int BOOK_MAX_WEIGHT = 31;
inline constexpr int BOOK_LEARNED_WEIGHT_MIN = 12;  // weights from here on count as learned
inline constexpr int BOOK_MAX_COUNTER = 3;

struct BookRecord {
    uint32_t key;
    uint16_t move_word;   // move and play class
    uint16_t learn_word;  // weight, counter, won flag; check byte in the high half

    int move() const { return move_word & BOOK_MOVE_MASK; }
    int play_class() const { return (move_word >> BOOK_CLASS_SHIFT) & 7; }
    int weight() const { return learn_word & BOOK_WEIGHT_MASK; }
    int counter() const { return (learn_word & BOOK_COUNTER_MASK) >> BOOK_COUNTER_SHIFT; }
    bool won() const { return (learn_word & BOOK_WON) != 0; }
    int check_byte() const { return learn_word >> 8; }
};

// The book key of a position and its side to move.
constexpr uint32_t book_key(uint32_t key_lo, int side) { return (key_lo & ~1u) | uint32_t(side ^ 1); }
// The check byte of a position.
constexpr int book_check_byte(uint32_t key_hi) { return int((key_hi >> 8) & 0xFF); }

constexpr BookRecord make_book_record(uint32_t key, uint32_t key_hi, int move, int play_class, int weight) {
    return BookRecord{key, uint16_t((move & BOOK_MOVE_MASK) | (play_class & 7) << BOOK_CLASS_SHIFT),
                      uint16_t((weight & BOOK_WEIGHT_MASK) | book_check_byte(key_hi) << 8)};
}

inline void encode_book_record(const BookRecord& record, uint8_t bytes[BOOK_RECORD_BYTES]) {
    put_u32(bytes, record.key);
    put_u16(bytes + 4, record.move_word);
    put_u16(bytes + 6, record.learn_word);
}

inline BookRecord decode_book_record(const uint8_t bytes[BOOK_RECORD_BYTES]) {
    return BookRecord{get_u32(bytes), get_u16(bytes + 4), get_u16(bytes + 6)};
}
