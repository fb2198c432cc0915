// The words of a command line. Every reader of command text uses these, so
// that all of them agree on where a word ends: at the end of the text or at a
// separator (blank, tab, line feed, vertical tab, form feed, carriage return).
// Any other byte, control characters and bytes above 0x7F included, belongs
// to a word.
#pragma once

#include <cstddef>
#include <string>

// Fixed here rather than taken from the C library, whose answer may depend on
// the locale.
constexpr bool is_word_separator(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

const char* skip_separators(const char* cursor);

// One word of a command line.
struct Word {
    const char* text;
    size_t length;  // 0 at the end of the line
};

// Takes the word at the cursor (after any separators) and moves past it. The
// cursor always moves forward unless the text has ended, so a loop of calls
// comes to the end of any line.
Word take_word(const char** cursor);

// Moves past the word at the cursor and the separators after it.
const char* skip_word(const char* cursor);

// 1 when the text at *cursor starts with `keyword` (any case) ending at the end
// of the text or at a separator; then *cursor moves past it and the separators
// after it. 0, cursor unchanged, otherwise (also for a null cursor).
int match_keyword(const char* keyword, const char** cursor);

// Command text as it can be echoed in an answer line: control characters,
// which could end the line or garble a terminal, become '?'.
std::string printable_text(const char* text, size_t length);
std::string printable_text(const char* text);
