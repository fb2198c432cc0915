#include "companion/record_cipher.h"

#include "companion/big_num.h"
#include "companion/human_book_key.h"

namespace {

constexpr uint32_t RATING_MASK = 0x7FF;
constexpr int WHITE_RATING_SHIFT = 11;
constexpr uint32_t YEAR_MASK = 0xFF;
constexpr int YEAR_SHIFT = 22;
constexpr int WINS_SHIFT = 10;
constexpr uint32_t DRAWS_HIGH_MASK = 0x3FF;  // draws' high 10 bits: low bits of word 1
constexpr int DRAWS_LOW_BITS = 11;           // draws' low 11 bits: top of word 2
constexpr int DRAWS_LOW_SHIFT = 21;

}  // namespace

void decipher_book_record(HumanBookRecord* record) {
    uint32_t* words = record->statistics;
    if (bignum_digits(words, HUMAN_BOOK_STATISTICS_WORDS) == 0) return;
    BigNum modulus;
    BigNum exponent;
    assemble_human_book_key(modulus, exponent);
    bignum_modexp(words, words, exponent, modulus, BIGNUM_CIPHER_WORDS);
    // The key lives no longer than this use.
    bignum_zero(modulus, BIGNUM_CIPHER_WORDS);
    bignum_zero(exponent, BIGNUM_CIPHER_WORDS);
}

HumanBookStatistics unpack_book_statistics(const uint32_t plain[HUMAN_BOOK_STATISTICS_WORDS]) {
    HumanBookStatistics s;
    s.black_rating = (plain[0] & RATING_MASK) + BOOK_RATING_BASE;
    s.white_rating = (plain[0] >> WHITE_RATING_SHIFT & RATING_MASK) + BOOK_RATING_BASE;
    s.year = (plain[0] >> YEAR_SHIFT & YEAR_MASK) + BOOK_YEAR_BASE;
    s.wins = plain[1] >> WINS_SHIFT & BOOK_RESULT_COUNT_LIMIT;
    s.draws = (plain[1] & DRAWS_HIGH_MASK) << DRAWS_LOW_BITS | plain[2] >> DRAWS_LOW_SHIFT;
    s.losses = plain[2] & BOOK_RESULT_COUNT_LIMIT;
    return s;
}

bool pack_book_statistics(const HumanBookStatistics& s, uint32_t plain[HUMAN_BOOK_STATISTICS_WORDS]) {
    bignum_zero(plain, HUMAN_BOOK_STATISTICS_WORDS);
    const auto within = [](uint32_t value, uint32_t low, uint32_t high) { return value >= low && value <= high; };
    if (!within(s.wins, 0, BOOK_RESULT_COUNT_LIMIT) || !within(s.draws, 0, BOOK_RESULT_COUNT_LIMIT) ||
        !within(s.losses, 0, BOOK_RESULT_COUNT_LIMIT) ||
        !within(s.white_rating, BOOK_RATING_BASE, BOOK_RATING_LIMIT) ||
        !within(s.black_rating, BOOK_RATING_BASE, BOOK_RATING_LIMIT) ||
        !within(s.year, BOOK_YEAR_BASE, BOOK_YEAR_LIMIT))
        return false;
    plain[0] = (s.black_rating - BOOK_RATING_BASE) | (s.white_rating - BOOK_RATING_BASE) << WHITE_RATING_SHIFT |
               (s.year - BOOK_YEAR_BASE) << YEAR_SHIFT;
    plain[1] = s.wins << WINS_SHIFT | s.draws >> DRAWS_LOW_BITS;
    plain[2] = s.draws << DRAWS_LOW_SHIFT | s.losses;
    return true;
}
