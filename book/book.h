// The opening book file: found and opened at start-up, looked up at the root
// of a search, written back by book learning at the end of a game.
#pragma once

#include <cstdint>
#include <string>

#include "book/book_record.h"
#include "platform/positioned_file.h"

// Book status bits.
inline constexpr uint8_t BOOK_READ_ONLY = 0x1;
inline constexpr uint8_t BOOK_NOT_FOUND = 0x2;

// Records read at a time: a lookup sees at most this many moves of one
// position.
inline constexpr int BOOK_BUFFER_RECORDS = 60;

// The book file's name: the letter at BOOK_LETTER_INDEX may be 'a'..'z'.
inline constexpr const char* BOOK_FILE_NAME = "Morvax14aBook.vrk";
inline constexpr int BOOK_LETTER_INDEX = 8;

extern uint8_t book_status;
extern long book_record_count;     // N: the records a lookup may read; 0 without a book
extern char book_file_name[32];    // the book file found, "Morvax14aBook.vrk" and the like
extern BookRecord* book_buffer;    // the read buffer, BOOK_BUFFER_RECORDS records
extern int book_buffer_end;        // valid records in it

// Opens a file for reading and writing; tests replace it to see a book that
// can only be read.
using BookOpener = bool (*)(const char* path, PositionedFile* file);
extern BookOpener book_open_read_write;

// The book's start-up step: its buffer, and its move choice installed for
// the root preparation (search/services.h). 1, or 0 when it failed.
int alloc_book_buffer();
// Finds and opens the book in the book folder: 1 when open with its count
// read (OwnBook on), 0 when there is none.
int open_book();
// Closes the book file when it is open.
void close_open_files();
void free_book_buffer();
// The book can take learning writes.
bool book_writable();

// Reads min(n, N - first) records from index `first` into the buffer; the
// number read (short or 0 when the file ends early or a read fails).
int read_book_records(long first, int n);

// Looks the key up. When found: 1, *index = the first record of the key and
// the buffer holds the records from there (book_buffer[0] is that record).
// Otherwise 0 with *index where the key would be inserted.
int find_book_record(uint32_t key, long* index);
// Records of `key` at the start of the buffer after find_book_record found it.
int book_run_length(uint32_t key);

// Writes one record back in place: one positioned write of its 8 bytes.
bool write_book_record(long index, const BookRecord& record);
