// The opening book file.
#pragma once

int alloc_book_buffer();
int open_book();
void close_open_files();
void free_book_buffer();
