#include "book_builder.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <tuple>

#include "position/move_tests.h"
#include "position/position.h"
#include "uci/fen.h"
#include "game/game_history.h"
#include "uci/move_text.h"
#include "uci/new_game.h"

namespace {

std::string trim(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return {};
    size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) parts.push_back(trim(part));
    if (!text.empty() && text.back() == separator) parts.emplace_back();
    return parts;
}

bool set_up(const std::string& position, std::string* error) {
    if (position == "startpos") {
        start_new_game();
        return true;
    }
    const char* reason = nullptr;
    if (parse_fen(position.c_str(), &reason) == 1) return true;
    *error = std::string("bad position (") + (reason ? reason : "refused") + "): " + position;
    return false;
}

// The legal move a word names on the main position, NO_MOVE when none.
Move legal_move(std::string word) {
    while (!word.empty() && std::strchr("+#!?", word.back())) word.pop_back();
    Move move = parse_move_text(word.c_str());
    if (move == NO_MOVE || !validate_move(&main_position, &move)) return NO_MOVE;
    return move;
}

bool play(const std::string& word, std::string* error) {
    Move move = legal_move(word);
    if (move == NO_MOVE || !play_game_move(move, main_position.side)) {
        *error = "not a legal move: " + word;
        return false;
    }
    return true;
}

BookRecord record_here(Move move, int play_class, int weight) {
    return make_book_record(book_key(main_position.key_lo, main_position.side), main_position.key_hi, move,
                            play_class, weight);
}

bool read_number(const std::string& text, int low, int high, int* value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 3) return false;
    *value = std::stoi(text);
    return *value >= low && *value <= high;
}

// PGN text as a stream of move words: tags, comments, variations, move
// numbers, annotations and results are taken apart here.
class PgnReader {
public:
    explicit PgnReader(std::istream& in) : in_(in) {}

    enum class Token { TAG, MOVE, RESULT, END };

    Token next(std::string* text) {
        for (;;) {
            int c = in_.get();
            if (c == EOF) return Token::END;
            if (c == '\n') ++line_;
            if (std::isspace(c)) continue;
            if (c == '[') {
                std::string tag;
                while ((c = in_.get()) != EOF && c != ']') {
                    if (c == '\n') ++line_;
                    tag += char(c);
                }
                *text = tag;
                return Token::TAG;
            }
            if (c == '{') {
                while ((c = in_.get()) != EOF && c != '}')
                    if (c == '\n') ++line_;
                continue;
            }
            if (c == ';' || c == '%') {
                while ((c = in_.get()) != EOF && c != '\n') {
                }
                ++line_;
                continue;
            }
            if (c == '(') {
                ++variation_depth_;
                continue;
            }
            if (c == ')') {
                if (variation_depth_ > 0) --variation_depth_;
                continue;
            }
            std::string word(1, char(c));
            while ((c = in_.peek()) != EOF && !std::isspace(c) && !std::strchr("{}()[];", c)) word += char(in_.get());
            if (variation_depth_ > 0 || word[0] == '$') continue;
            if (word == "1-0" || word == "0-1" || word == "1/2-1/2" || word == "*") {
                *text = word;
                return Token::RESULT;
            }
            // A move number ("12." or "12...") may stand alone or before its move.
            size_t digits = 0;
            while (digits < word.size() && std::isdigit(static_cast<unsigned char>(word[digits]))) ++digits;
            if (digits > 0 && digits < word.size() && word[digits] == '.') {
                word.erase(0, word.find_first_not_of('.', digits));
                if (word.empty()) continue;
            }
            *text = word;
            return Token::MOVE;
        }
    }

    int line() const { return line_; }

private:
    std::istream& in_;
    int line_ = 1;
    int variation_depth_ = 0;
};

// The value of a tag text such as FEN "8/8/..."; empty when it is another tag.
std::string tag_value(const std::string& tag, const char* name) {
    std::string text = trim(tag);
    size_t length = std::strlen(name);
    if (text.compare(0, length, name) != 0 || text.size() <= length || !std::isspace(static_cast<unsigned char>(text[length])))
        return {};
    size_t open = text.find('"');
    size_t close = text.rfind('"');
    if (open == std::string::npos || close <= open) return {};
    return text.substr(open + 1, close - open - 1);
}

}  // namespace

bool add_book_line(const std::string& line, std::vector<BookRecord>* records, std::string* error) {
    const std::string text = trim(line);
    if (text.empty() || text[0] == '#') return true;
    std::vector<std::string> fields = split(text, '|');
    if (fields.size() != 4 && fields.size() != 5) {
        *error = "expected <position> | <moves> | <move> | <class> [| <weight>]";
        return false;
    }
    int play_class = 0;
    if (!read_number(fields[3], 0, 7, &play_class)) {
        *error = "class must be 0-7: " + fields[3];
        return false;
    }
    int weight = std::min(4 * play_class, BOOK_MAX_WEIGHT);
    if (fields.size() == 5 && !read_number(fields[4], 0, BOOK_MAX_WEIGHT, &weight)) {
        *error = "weight must be 0-31: " + fields[4];
        return false;
    }
    if (!set_up(fields[0], error)) return false;
    std::istringstream moves(fields[1]);
    for (std::string word; moves >> word;)
        if (!play(word, error)) return false;
    Move move = legal_move(fields[2]);
    if (move == NO_MOVE) {
        *error = "not a legal book move: " + fields[2];
        return false;
    }
    records->push_back(record_here(move, play_class, weight));
    return true;
}

std::vector<BookBuildError> add_book_lines(std::istream& in, std::vector<BookRecord>* records) {
    std::vector<BookBuildError> errors;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::string error;
        if (!add_book_line(line, records, &error)) errors.push_back({number, error});
    }
    return errors;
}

std::vector<BookBuildError> add_pgn_games(std::istream& in, int plies, int play_class, int weight,
                                          std::vector<BookRecord>* records) {
    std::vector<BookBuildError> errors;
    PgnReader reader(in);
    bool in_game = false;  // moves seen since the last result
    bool skipping = false; // the rest of a game after a bad move
    int played = 0;
    std::string text;
    start_new_game();
    for (PgnReader::Token token; (token = reader.next(&text)) != PgnReader::Token::END;) {
        if (token == PgnReader::Token::TAG) {
            if (in_game) {  // a game without a result ends at the next game's tags
                in_game = false;
                start_new_game();
            }
            std::string fen = tag_value(text, "FEN");
            if (!fen.empty()) {
                std::string error;
                if (!set_up(fen, &error)) {
                    errors.push_back({reader.line(), error});
                    skipping = true;
                }
            }
            played = 0;
            continue;
        }
        if (token == PgnReader::Token::RESULT) {
            in_game = false;
            skipping = false;
            played = 0;
            start_new_game();
            continue;
        }
        in_game = true;
        if (skipping || played >= plies) continue;
        Move move = legal_move(text);
        if (move == NO_MOVE) {
            errors.push_back({reader.line(), "not a legal move: " + text});
            skipping = true;
            continue;
        }
        records->push_back(record_here(move, play_class, weight));
        play_game_move(move, main_position.side);
        ++played;
    }
    return errors;
}

std::vector<BookRecord> sort_book(const std::vector<BookRecord>& records) {
    std::vector<BookRecord> unique;
    std::set<std::tuple<uint32_t, int, int>> seen;
    for (const BookRecord& r : records)
        if (seen.insert({r.key, r.check_byte(), r.move()}).second) unique.push_back(r);
    std::stable_sort(unique.begin(), unique.end(), [](const BookRecord& a, const BookRecord& b) { return a.key < b.key; });
    return unique;
}

bool write_book_file(const std::string& path, const std::vector<BookRecord>& sorted) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    uint8_t header[BOOK_HEADER_BYTES];
    put_u32(header, uint32_t(sorted.size()));
    out.write(reinterpret_cast<const char*>(header), sizeof(header));
    for (const BookRecord& r : sorted) {
        uint8_t bytes[BOOK_RECORD_BYTES];
        encode_book_record(r, bytes);
        out.write(reinterpret_cast<const char*>(bytes), sizeof(bytes));
    }
    return bool(out.flush());
}

bool read_book_file(const std::string& path, std::vector<BookRecord>* records) {
    std::ifstream in(path, std::ios::binary);
    uint8_t header[BOOK_HEADER_BYTES];
    if (!in.read(reinterpret_cast<char*>(header), sizeof(header))) return false;
    const uint32_t count = get_u32(header);
    records->clear();
    uint8_t bytes[BOOK_RECORD_BYTES];
    for (uint32_t i = 0; i < count; ++i) {
        if (!in.read(reinterpret_cast<char*>(bytes), sizeof(bytes))) return false;
        records->push_back(decode_book_record(bytes));
    }
    return true;
}

std::string book_record_text(const BookRecord& r) {
    static const char FILES[] = "abcdefgh";
    const int from = r.move() >> 6, to = r.move() & 63;
    char text[96];
    std::snprintf(text, sizeof(text), "%08x %02x %c%d%c%d class %d weight %d counter %d%s", r.key, r.check_byte(),
                  FILES[from & 7], from / 8 + 1, FILES[to & 7], to / 8 + 1, r.play_class(), r.weight(), r.counter(),
                  r.won() ? " won" : "");
    return text;
}
