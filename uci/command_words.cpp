#include "uci/command_words.h"

#include <cctype>
#include <cstring>

const char* skip_separators(const char* cursor) {
    while (is_word_separator(*cursor)) ++cursor;
    return cursor;
}

Word take_word(const char** cursor) {
    const char* start = skip_separators(*cursor);
    size_t length = 0;
    while (start[length] && !is_word_separator(start[length])) ++length;
    *cursor = start + length;
    return Word{start, length};
}

const char* skip_word(const char* cursor) {
    take_word(&cursor);
    return skip_separators(cursor);
}

int match_keyword(const char* keyword, const char** cursor) {
    if (!cursor || !*cursor) return 0;
    const char* text = *cursor;
    size_t i = 0;
    for (; keyword[i]; ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(keyword[i])))
            return 0;
    }
    if (text[i] && !is_word_separator(text[i])) return 0;
    *cursor = skip_separators(text + i);
    return 1;
}

std::string printable_text(const char* text, size_t length) {
    std::string printable(text, length);
    for (char& c : printable)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return printable;
}

std::string printable_text(const char* text) { return printable_text(text, std::strlen(text)); }
