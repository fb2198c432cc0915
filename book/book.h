// The opening book file.
#pragma once

#include <cstdint>

// Book status bits.
inline constexpr uint8_t BOOK_READ_ONLY = 0x1;
inline constexpr uint8_t BOOK_NOT_FOUND = 0x2;

extern uint8_t book_status;
extern long book_record_count;
extern char book_file_name[32];  // the book file found, "Morvax14aBook.vrk" and the like

// The book's start-up step: its buffer, and its move choice installed for
// the root preparation (search/services.h). 1, or 0 when it failed.
int alloc_book_buffer();
int open_book();
void close_open_files();
void free_book_buffer();
