// Book learning: at the end of a game the weights of the book moves the
// engine played are raised after a win and lowered after a loss or when the
// engine's first moves out of the book scored badly. The result travels
// back through the game's book moves in a learning word:
//   bits 0-7  delta + 64 (64 = no change)
//   0x4000    a loss: raises the learning counter of the records it reaches
//   0x8000    a win: sets the won flag of the records it reaches
#pragma once

#include <cstdint>

inline constexpr int LEARN_WORD_NEUTRAL = 64;
inline constexpr uint32_t LEARN_WORD_LOSS = 0x4000;
inline constexpr uint32_t LEARN_WORD_WIN = 0x8000;

// Game results.
inline constexpr int RESULT_UNKNOWN = 0;
inline constexpr int RESULT_DRAW = 1;
inline constexpr int RESULT_WHITE_WON = 2;
inline constexpr int RESULT_BLACK_WON = 3;

// Adjusts the book record of `move` in the position (book key, key high
// word); returns the word for the book move played before it.
uint32_t learn_book_move(uint32_t key, uint32_t key_hi, uint32_t word, int move);

// The book that a game's moves are learned into: the opening book, unless
// the companion build installs its human-games book in its place.
struct BookLearner {
    bool (*writable)();  // the book is open, valid and may be written
    // As learn_book_move.
    uint32_t (*learn_move)(uint32_t key, uint32_t key_hi, uint32_t word, int move);
};
extern BookLearner book_learner;

// Learns from the game just ended: `side` the engine's colour, `result` one
// of the results above. Returns the last learning word (or the result when
// nothing was learned).
uint32_t learn_book_game(int side, int result);
