// The enciphered statistics of a human-games book record: five words that
// are one 160-bit number, deciphered with the book's public key, and the
// fields the plain words carry. Results count from White's point of view.
#pragma once

#include <cstdint>

#include "companion/human_book_file.h"

// Deciphers the record's five statistics words in place (the copy in memory;
// the file is not touched). All-zero words stay zero: a novelty.
void decipher_book_record(HumanBookRecord* record);

struct HumanBookStatistics {
    uint32_t wins = 0;    // White wins, 21 bits
    uint32_t draws = 0;   // 21 bits
    uint32_t losses = 0;  // White losses, 21 bits
    uint32_t white_rating = 0;
    uint32_t black_rating = 0;
    uint32_t year = 0;
};

inline constexpr uint32_t BOOK_RESULT_COUNT_LIMIT = (1u << 21) - 1;
inline constexpr uint32_t BOOK_RATING_BASE = 1599;
inline constexpr uint32_t BOOK_RATING_LIMIT = BOOK_RATING_BASE + 2047;
inline constexpr uint32_t BOOK_YEAR_BASE = 1845;
inline constexpr uint32_t BOOK_YEAR_LIMIT = BOOK_YEAR_BASE + 255;

// Fields of deciphered words; the bits no field uses are ignored.
HumanBookStatistics unpack_book_statistics(const uint32_t plain[HUMAN_BOOK_STATISTICS_WORDS]);

// Plain words of the fields (the unused bits zero); false, with the words
// zeroed, when a field lies outside what its bits can hold.
bool pack_book_statistics(const HumanBookStatistics& statistics, uint32_t plain[HUMAN_BOOK_STATISTICS_WORDS]);

// Wins + draws + losses; 0 marks a novelty.
constexpr uint32_t book_games(const HumanBookStatistics& s) { return s.wins + s.draws + s.losses; }
