#include "companion/move_text_bare.h"

#include <cctype>
#include <cstring>

#include "search/output.h"

const char* move_to_text_bare(Move move) {
    static char text[8];
    std::strncpy(text, move_to_text(move), sizeof(text) - 1);
    text[sizeof(text) - 1] = '\0';
    if (move == NULL_MOVE) return text;
    size_t length = std::strlen(text);
    if (length && text[length - 1] == ' ') text[--length] = '\0';
    if (length == 5) text[4] = char(std::toupper(static_cast<unsigned char>(text[4])));
    return text;
}
