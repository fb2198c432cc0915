// The weight of one book move: how likely the book choice draws it, from
// its play class, its learned weight and the Book Mode. 0 = never chosen.
#pragma once

#include <cstdint>

#include "book/book_record.h"

// Book Mode values (bits 5-7 of the book options).
inline constexpr int BOOK_MODE_WILD = 1;
inline constexpr int BOOK_MODE_SURPRISE = 2;
inline constexpr int BOOK_MODE_DYNAMIC = 3;
inline constexpr int BOOK_MODE_TOURNAMENT = 4;

struct BookWeighing {
    int mode;             // Book Mode 1..4
    bool learning;        // Book Learning on
    bool limit_strength;  // UCI_LimitStrength on
    int elo;              // UCI_Elo
};

// Draws the random numbers it needs from the engine's generator. Every
// weight fits in 31 bits.
int32_t book_move_weight(const BookRecord& record, const BookWeighing& weighing);
