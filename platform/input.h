// The one reader of the engine's command input (standard input by default).
// It keeps its own buffer, so asking whether a line is waiting never blocks
// and never loses data already read: the answer is yes only when a whole line,
// or the end of input, is buffered.
#pragma once

#include <cstddef>

// Longest command line accepted (a long game's "position ... moves" line fits);
// a longer one is discarded whole.
inline constexpr size_t MAX_INPUT_LINE = size_t(1) << 20;

enum class InputStatus {
    LINE,      // a line was read (its "\n" and any trailing "\r" removed)
    TOO_LONG,  // a line longer than MAX_INPUT_LINE was read and discarded
    END,       // end of input or a read error; input_error() tells which
};

// Reads from this descriptor from now on and drops whatever was buffered.
void input_attach(int fd);

// 1 when a whole line or the end of input can be taken without blocking, else 0.
int input_line_ready();

// Blocks until the next line. `out` must hold MAX_INPUT_LINE + 1 bytes; the
// line is stored zero-terminated and its length written to `length`.
InputStatus input_read_line(char* out, size_t* length);

// errno of the read that failed, 0 for a plain end of input.
int input_error();
