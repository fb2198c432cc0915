// morvax-make-book: builds an opening book for the engine from book lines or
// PGN games, or lists the records of a book.
//
//   morvax-make-book <lines file> <book file>
//   morvax-make-book --pgn [--plies N] [--class C] [--weight W] <pgn file> <book file>
//   morvax-make-book --dump <book file>
//
// "-" reads standard input. The book file is named "Morvax14aBook.vrk" (any
// letter a-z after "14") in the engine's "Books" folder.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "book_builder.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: morvax-make-book <lines file> <book file>\n"
                 "       morvax-make-book --pgn [--plies N] [--class C] [--weight W] <pgn file> <book file>\n"
                 "       morvax-make-book --dump <book file>\n"
                 "Book lines: <startpos or FEN> | <moves> | <move> | <class 0-7> [| <weight 0-31>]\n");
    return 2;
}

bool number_argument(const char* text, int low, int high, int* value) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < low || v > high) return false;
    *value = int(v);
    return true;
}

int dump(const std::string& path) {
    std::vector<BookRecord> records;
    if (!read_book_file(path, &records)) {
        std::fprintf(stderr, "morvax-make-book: %s is no book file\n", path.c_str());
        return 1;
    }
    std::printf("%zu records\n", records.size());
    for (size_t i = 0; i < records.size(); ++i) std::printf("%zu %s\n", i, book_record_text(records[i]).c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool pgn = false;
    int plies = 20, play_class = 4, weight = -1;
    int i = 1;
    for (; i < argc && argv[i][0] == '-' && argv[i][1] == '-'; ++i) {
        const char* option = argv[i];
        if (!std::strcmp(option, "--dump")) return i + 2 == argc ? dump(argv[i + 1]) : usage();
        if (!std::strcmp(option, "--pgn")) {
            pgn = true;
            continue;
        }
        if (i + 1 >= argc) return usage();
        bool ok = !std::strcmp(option, "--plies")    ? number_argument(argv[++i], 1, 400, &plies)
                  : !std::strcmp(option, "--class")  ? number_argument(argv[++i], 0, 7, &play_class)
                  : !std::strcmp(option, "--weight") ? number_argument(argv[++i], 0, BOOK_MAX_WEIGHT, &weight)
                                                     : false;
        if (!ok) return usage();
    }
    if (argc - i != 2) return usage();
    const std::string input = argv[i], output = argv[i + 1];
    if (weight < 0) weight = 4 * play_class;

    std::ifstream file;
    if (input != "-") {
        file.open(input);
        if (!file) {
            std::fprintf(stderr, "morvax-make-book: can't read %s\n", input.c_str());
            return 1;
        }
    }
    std::istream& in = input == "-" ? std::cin : file;
    std::vector<BookRecord> records;
    std::vector<BookBuildError> errors =
        pgn ? add_pgn_games(in, plies, play_class, weight, &records) : add_book_lines(in, &records);
    for (const BookBuildError& e : errors) std::fprintf(stderr, "%s:%d: %s\n", input.c_str(), e.line, e.message.c_str());

    std::vector<BookRecord> book = sort_book(records);
    if (!write_book_file(output, book)) {
        std::fprintf(stderr, "morvax-make-book: can't write %s\n", output.c_str());
        return 1;
    }
    std::printf("%zu records written to %s\n", book.size(), output.c_str());
    return errors.empty() ? 0 : 1;
}
