// Files read and written by offset: the tablebase blocks are fetched with
// positioned reads at 64-bit offsets, so any number of threads may read one
// open file without sharing a file position; a book's records are read and
// rewritten in place the same way.
#pragma once

#include <cstddef>
#include <cstdint>

struct PositionedFile {
    int descriptor = -1;
    bool is_open() const { return descriptor >= 0; }
};

// Opens the file for reading; false (and the handle left closed) on failure.
bool open_positioned_file(const char* path, PositionedFile* file);

// Opens an existing file for reading and writing; false (and the handle left
// closed) when it is missing or can't be written.
bool open_positioned_file_for_update(const char* path, PositionedFile* file);

// Reads up to `length` bytes at `offset`. Returns the number read, which is
// below `length` only at the end of the file, or -1 on a read error.
int64_t read_at(PositionedFile file, void* buffer, size_t length, uint64_t offset);

// Writes `length` bytes at `offset`. True when all of them were written.
bool write_at(PositionedFile file, const void* buffer, size_t length, uint64_t offset);

// The file's size in bytes, -1 when it can't be had.
int64_t positioned_file_size(PositionedFile file);

// Whether the open file is a regular file (not a folder, device or pipe).
bool positioned_file_is_regular(PositionedFile file);

// Closes an open file and marks the handle closed; nothing for a closed one.
void close_positioned_file(PositionedFile* file);
