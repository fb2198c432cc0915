#include "book/book.h"

uint8_t book_status = BOOK_NOT_FOUND;
long book_record_count = 0;
char book_file_name[32] = "Morvax14aBook.vrk";

int alloc_book_buffer() { return 1; }
int open_book() { return 0; }
void close_open_files() {}
void free_book_buffer() {}
