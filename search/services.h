// What the search asks of the parts above it: the opening book, the
// tablebase line, the front end's input while a search runs, and the
// companion build's additions at the root. Those parts sit above the search
// and install their entries when they start: the book with its buffer
// (alloc_book_buffer), the tablebases in init_tablebases, the command loop
// when it sets standard input up (setup_stdio), the companion build at its
// start-up. Until then the book has no move, the tablebases give no line, no
// input is read and nothing is added.
#pragma once

#include <cstdint>

#include "position/types.h"

struct SearchServices {
    // The chosen book move for `side` on the main position (with its check
    // bit), or 0; `options` is the search's copy of the book options.
    Move (*choose_book_move)(uint32_t options, int side);
    // Writes the tablebase line from the main position (`side` to move, at
    // `ply`) into line[ply], line[ply + 1], ... ended by a 0; 1, or 0 when
    // the side to move is in check and has no legal move.
    int (*tb_build_line)(int side, int ply, Move* line);
    // Non-zero when a whole input line (or the end of input) is waiting;
    // never blocks.
    int (*has_pending_input)();
    // Reads and dispatches the waiting lines: "stop" and "ponderhit" act on
    // the running search, a command that needs an idle engine stops it and
    // is held until the search has returned.
    void (*process_input)();
    // Move-advice searches: marks the root moves the companion build's
    // human-games book knows (RootMove flag RM_BOOK, second value its play
    // class + 1), which the advice then lists first.
    void (*flag_book_moves)(uint32_t options, int side);
    // After the last iteration, before the best move is played: the
    // companion build grades the root moves (its move advice).
    void (*report_root_moves)();
};
extern SearchServices search_services;

// How the front end reads its input: 0 none (no input is read: internal
// searches and tests), '1' a terminal, '2' a pipe or file. A search that
// reads input also prints its "info" lines.
extern char input_mode;
// Set by "quit"; the driver starts no further iteration.
extern uint16_t quit_word;
