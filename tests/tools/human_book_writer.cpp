// human_book_writer <source text> <book file>: writes a human-games book
// ("Q14aHumanBook.vrh" is the name the companion program looks for) from the
// text format described in human_book_writer.h.
#include <cstdio>
#include <fstream>
#include <sstream>

#include "human_book_writer.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: human_book_writer <source text> <book file>\n");
        return 2;
    }
    std::ifstream source(argv[1]);
    if (!source) {
        std::fprintf(stderr, "human_book_writer: can't read %s\n", argv[1]);
        return 1;
    }
    std::stringstream text;
    text << source.rdbuf();

    HumanBookSource book;
    std::string error;
    if (!compile_human_book(text.str(), &book, &error)) {
        std::fprintf(stderr, "human_book_writer: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    const std::string bytes = human_book_bytes(book);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    if (!out.write(bytes.data(), std::streamsize(bytes.size())) || !out.flush()) {
        std::fprintf(stderr, "human_book_writer: can't write %s\n", argv[2]);
        return 1;
    }
    std::printf("%s: %u records, %u games\n", argv[2], unsigned(book.header.positions), unsigned(book.header.games));
    return 0;
}
