// Writes to standard output. Every call goes out whole in one write and is
// not buffered, so a GUI reading the pipe sees each answer line at once.
#pragma once

#include <cstddef>

void output_write(const char* text, size_t length);
