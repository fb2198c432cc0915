#include "book/book.h"

#include "book/book_probe.h"
#include "search/services.h"

uint8_t book_status = BOOK_NOT_FOUND;
long book_record_count = 0;
char book_file_name[32] = "Morvax14aBook.vrk";

int alloc_book_buffer() {
    // The root preparation asks the book for its move through this.
    search_services.choose_book_move = choose_book_move;
    return 1;
}
int open_book() { return 0; }
void close_open_files() {}
void free_book_buffer() {}
