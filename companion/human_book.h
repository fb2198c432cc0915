// The open human-games book of morvax-tx: loading, lookup by position key,
// the root's book move and the learning written back after a game. One file
// and one read buffer of HUMAN_BOOK_BUFFER_RECORDS records.
#pragma once

#include <cstdint>

#include "companion/human_book_file.h"
#include "position/types.h"

inline constexpr uint32_t HUMAN_BOOK_BUFFER_RECORDS = 60;

extern HumanBookHeader human_book_header;
// Records the last read delivered: [human_book_buffer, human_book_buffer_end).
extern HumanBookRecord* human_book_buffer;
extern HumanBookRecord* human_book_buffer_end;

// 1, or 0 when memory is short. Also installs the book lookup the root asks.
int alloc_human_book_buffer();
void free_human_book_buffer();
void close_human_book();

// Opens the book (for update when it can, else for reading) and prints its
// report line; 1 when it is open and valid. Any failure closes the file and
// clears BO_HUMAN_BOOK, so nothing is ever written into a file that is not a
// valid book.
int load_human_book(const char* file_name);

// Up to `count` records from record `first` into the buffer; the number read.
uint32_t read_human_book_buffer(uint64_t first, uint32_t count);

// The first record of key word 1 within the read window: 1 with its index
// and a pointer into the buffer; else 0, the insertion index and null.
int find_human_book_record(uint32_t key_word1, int64_t* index, HumanBookRecord** record);

// Key words of the main position.
uint32_t position_key_word1();
uint32_t position_key_word2();

// The root's book move (with its check bit) among the root moves, or 0.
Move choose_human_book_move(uint32_t options, int side);
// Marks the root moves the book knows (move-advice mode).
void flag_human_book_moves(int side, uint32_t options);

// One game result applied to the played move's learning byte; the flags word
// for the next (earlier) move.
uint32_t learn_human_book_move(uint32_t key_word1, uint32_t key_word2, uint32_t flags, Move move);

// Makes the human-games book the one a finished game's book moves are
// learned into (the end of a game walks them back, as for the opening book).
void install_human_book_learning();

// True when the options allow book moves from the human-games book.
bool human_book_usable(uint32_t options);
