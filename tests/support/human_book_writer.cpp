#include "human_book_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <sstream>

#include "companion/big_num.h"
#include "companion/human_book_key.h"
#include "game/game_history.h"
#include "position/move_tests.h"
#include "position/position.h"
#include "uci/fen.h"
#include "uci/move_text.h"
#include "uci/new_game.h"

namespace {

// The private exponent of the book key: d * the public exponent = 1 modulo
// the Carmichael function of the modulus.
constexpr BigNum PRIVATE_EXPONENT = {0x804D2AB1, 0x21D6195C, 0xCDB0D5E9, 0x1BC5A181, 0x01B5DB85};

struct Fault {
    std::string what;
};

std::optional<uint64_t> read_unsigned(const std::string& word, int base, uint64_t limit) {
    if (word.empty() || word[0] == '-' || word[0] == '+') return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(word.c_str(), &end, base);
    if (*end != '\0' || errno != 0 || value > limit) return std::nullopt;
    return value;
}

uint64_t number(const std::string& word, uint64_t limit, const char* what, int base = 10) {
    const auto value = read_unsigned(word, base, limit);
    if (!value) throw Fault{std::string("bad ") + what + " <" + word + ">"};
    return *value;
}

// "<a>/<b>[/<c>]" as numbers.
std::vector<uint64_t> numbers(const std::string& word, size_t count, uint64_t limit, const char* what) {
    std::vector<uint64_t> values;
    std::stringstream parts(word);
    for (std::string part; std::getline(parts, part, '/');) values.push_back(number(part, limit, what));
    if (values.size() != count) throw Fault{std::string("bad ") + what + " <" + word + ">"};
    return values;
}

std::string next_word(std::istringstream& words, const char* what) {
    std::string word;
    if (!(words >> word)) throw Fault{std::string("missing ") + what};
    return word;
}

int coordinate_square(char file, char rank) {
    if (file < 'a' || file > 'h' || rank < '1' || rank > '8') return -1;
    return (rank - '1') * 8 + (file - 'a');
}

// The position the move lines belong to.
struct Place {
    bool set = false;
    bool raw = false;  // key given by a "key" line: no board to check moves on
    uint32_t key_word1 = 0;
    uint32_t key_word2 = 0;
};

// Plays the move the word names onto the game.
Move play_word(const std::string& word) {
    Move move = parse_move_text(word.c_str());
    const int side = main_position.side;
    if (move == NO_MOVE || !validate_move(&main_position, &move) || !play_game_move(move, side))
        throw Fault{"illegal move <" + word + ">"};
    return move;
}

void play_moves(std::istringstream& words) {
    for (std::string word; words >> word;) play_word(word);
}

Place read_position(std::istringstream& words) {
    const std::string kind = next_word(words, "startpos or fen");
    if (kind == "startpos") {
        start_new_game();
        std::string word;
        if (words >> word) {
            if (word != "moves") throw Fault{"expected moves, not <" + word + ">"};
            play_moves(words);
        }
    } else if (kind == "fen") {
        std::string fen, word;
        while (words >> word && word != "moves") fen += word + " ";
        const char* reason = nullptr;
        start_new_game();
        if (parse_fen(fen.c_str(), &reason) != 1) throw Fault{std::string("FEN refused: ") + (reason ? reason : "")};
        if (word == "moves") play_moves(words);
    } else {
        throw Fault{"expected startpos or fen, not <" + kind + ">"};
    }
    Place place;
    place.set = true;
    place.key_word1 = human_book_key_word1(main_position.key_lo, main_position.side);
    place.key_word2 = main_position.key_hi;
    return place;
}

uint16_t read_move_squares(const std::string& word, const Place& place) {
    if (place.raw) {
        const int from = word.size() >= 4 ? coordinate_square(word[0], word[1]) : -1;
        const int to = word.size() >= 4 ? coordinate_square(word[2], word[3]) : -1;
        if (from < 0 || to < 0 || word.size() > 5) throw Fault{"unreadable move <" + word + ">"};
        return uint16_t(encode_move(from, to, 0));
    }
    const Move move = play_word(word);
    take_back_game_move();
    return uint16_t(move & HUMAN_BOOK_MOVE_MASK);
}

// One record; its games are added to `game_total`.
HumanBookRecord read_move(std::istringstream& words, const Place& place, uint64_t* game_total) {
    if (!place.set) throw Fault{"move before any position or key"};
    HumanBookRecord record;
    record.key_word1 = place.key_word1;
    record.key_word2 = place.key_word2;
    const uint16_t squares = read_move_squares(next_word(words, "move"), place);
    if (next_word(words, "class") != "class") throw Fault{"expected class"};
    const int play_class = int(number(next_word(words, "class"), 7, "class"));
    record.move = uint16_t(squares | play_class << HUMAN_BOOK_CLASS_SHIFT);
    record.learning = uint8_t(std::min(play_class * 4, int(LEARNED_WEIGHT_MASK)));

    for (std::string word; words >> word;) {
        if (word == "learn") {
            record.learning = uint8_t(number(next_word(words, "learning byte"), 255, "learning byte"));
        } else if (word == "result") {
            HumanBookStatistics games;
            const auto results = numbers(next_word(words, "results"), 3, BOOK_RESULT_COUNT_LIMIT, "results");
            if (next_word(words, "elo") != "elo") throw Fault{"expected elo after the results"};
            const auto ratings = numbers(next_word(words, "ratings"), 2, BOOK_RATING_LIMIT, "ratings");
            if (next_word(words, "year") != "year") throw Fault{"expected year after the ratings"};
            games.year = uint32_t(number(next_word(words, "year"), BOOK_YEAR_LIMIT, "year"));
            games.wins = uint32_t(results[0]);
            games.draws = uint32_t(results[1]);
            games.losses = uint32_t(results[2]);
            games.white_rating = uint32_t(ratings[0]);
            games.black_rating = uint32_t(ratings[1]);
            if (!encipher_book_games(games, record.statistics))
                throw Fault{"ratings must lie in 1599..3646 and the year in 1845..2100"};
            *game_total += book_games(games);
        } else {
            throw Fault{"unknown word <" + word + ">"};
        }
    }
    return record;
}

}  // namespace

void encipher_book_statistics(const uint32_t plain[HUMAN_BOOK_STATISTICS_WORDS],
                              uint32_t cipher[HUMAN_BOOK_STATISTICS_WORDS]) {
    BigNum modulus, public_exponent;
    assemble_human_book_key(modulus, public_exponent);
    bignum_modexp(cipher, plain, PRIVATE_EXPONENT, modulus, BIGNUM_CIPHER_WORDS);
}

bool encipher_book_games(const HumanBookStatistics& games, uint32_t cipher[HUMAN_BOOK_STATISTICS_WORDS]) {
    uint32_t plain[HUMAN_BOOK_STATISTICS_WORDS];
    if (!pack_book_statistics(games, plain)) return false;
    encipher_book_statistics(plain, cipher);
    return true;
}

bool compile_human_book(const std::string& text, HumanBookSource* book, std::string* error) {
    *book = HumanBookSource{};
    std::optional<uint32_t> version, variations, games;
    Place place;
    uint64_t game_total = 0;
    std::istringstream lines(text);
    int line_number = 0;
    try {
        for (std::string line; std::getline(lines, line);) {
            ++line_number;
            std::istringstream words(line);
            std::string directive;
            if (!(words >> directive) || directive[0] == '#') continue;
            if (directive == "version" || directive == "variations" || directive == "games") {
                auto& field = directive == "version" ? version : directive == "variations" ? variations : games;
                field = uint32_t(number(next_word(words, "number"), UINT32_MAX, "number"));
            } else if (directive == "position") {
                place = read_position(words);
            } else if (directive == "key") {
                place = Place{true, true};
                place.key_word1 = uint32_t(number(next_word(words, "key word 1"), UINT32_MAX, "key word", 16));
                place.key_word2 = uint32_t(number(next_word(words, "key word 2"), UINT32_MAX, "key word", 16));
            } else if (directive == "move") {
                book->records.push_back(read_move(words, place, &game_total));
                continue;
            } else {
                throw Fault{"unknown directive <" + directive + ">"};
            }
            std::string extra;
            if (directive != "position" && words >> extra) throw Fault{"unexpected <" + extra + ">"};
        }
    } catch (const Fault& fault) {
        *error = "line " + std::to_string(line_number) + ": " + fault.what;
        return false;
    }

    std::stable_sort(book->records.begin(), book->records.end(),
                     [](const HumanBookRecord& a, const HumanBookRecord& b) {
                         return a.key_word1 != b.key_word1 ? a.key_word1 < b.key_word1 : a.key_word2 < b.key_word2;
                     });
    HumanBookHeader& header = book->header;
    header.magic = HUMAN_BOOK_MAGIC;
    header.positions = uint32_t(book->records.size());
    header.variations = variations.value_or(header.positions);
    header.games = games.value_or(uint32_t(std::min<uint64_t>(game_total, UINT32_MAX)));
    header.version = version.value_or(1);
    return true;
}

std::string human_book_bytes(const HumanBookSource& book) {
    std::string bytes(HUMAN_BOOK_HEADER_SIZE + HUMAN_BOOK_RECORD_SIZE * book.records.size(), '\0');
    auto* out = reinterpret_cast<uint8_t*>(bytes.data());
    encode_human_book_header(book.header, out);
    for (size_t i = 0; i < book.records.size(); ++i)
        encode_human_book_record(book.records[i], out + human_book_record_offset(i));
    return bytes;
}
