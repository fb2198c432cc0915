// Building opening books for this engine: the records of positions and
// their book moves, with the engine's own position keys, sorted and written
// in the book file format.
//
// Book lines, one record each ('#' starts a comment line):
//   <position> | <moves> | <move> | <class> [| <weight>]
// <position> is "startpos" or a FEN; <moves> (may be empty) are played from
// it, in coordinate (e2e4) or algebraic (Nf3) form; <move> is the book move
// in the position reached; <class> is the play class 0-7 and <weight> the
// learned weight 0-31 (4 x class when left out).
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "book/book_record.h"

struct BookBuildError {
    int line;  // 1-based input line, 0 when not tied to one
    std::string message;
};

// Appends the record of one book line; false with the reason when the line
// is not one (blank and comment lines add nothing and are fine).
bool add_book_line(const std::string& line, std::vector<BookRecord>* records, std::string* error);
// All lines of a stream; the errors of the lines that failed.
std::vector<BookBuildError> add_book_lines(std::istream& in, std::vector<BookRecord>* records);

// The first `plies` moves of every game of a PGN text as book moves of
// `play_class` and `weight`. Games that start from a FEN tag start there.
std::vector<BookBuildError> add_pgn_games(std::istream& in, int plies, int play_class, int weight,
                                          std::vector<BookRecord>* records);

// Sorted by key as unsigned numbers; the records of one key keep their
// input order, and a later record of the same position and move is dropped.
std::vector<BookRecord> sort_book(const std::vector<BookRecord>& records);

bool write_book_file(const std::string& path, const std::vector<BookRecord>& sorted);
// The records of a book file; false when it is no book file.
bool read_book_file(const std::string& path, std::vector<BookRecord>* records);

// One record as a line of text: key, check byte, move, class, weight,
// counter and won flag.
std::string book_record_text(const BookRecord& record);
