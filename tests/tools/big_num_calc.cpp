// big_num_calc: the engine's multi-precision routines and record cipher on
// numbers read from standard input, one request a line, one answer a line, so
// that a script can check them against an independent arithmetic. Numbers
// are hexadecimal without a prefix; C is a word count.
//
//   digits C a        -> n
//   cmp C a b         -> -1 | 0 | 1
//   add C a b         -> carry sum
//   shl C k a         -> out shifted          shr C k a -> out shifted
//   submul C a b c    -> borrow difference    (c one word)
//   mul C a b         -> product              (2C words)
//   div CU CV u v     -> quotient remainder | refused
//   modword C a d     -> remainder | refused
//   mod CA C a m      -> remainder | refused
//   modmul C a b m    -> product | refused
//   modexp C b e m    -> power | refused
//   decipher c        -> plain                (160 bits, the book's public key)
//   unpack p          -> wins draws losses white black year (decimal)
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "companion/big_num.h"
#include "companion/human_book_file.h"
#include "companion/record_cipher.h"

namespace {

using Words = std::vector<uint32_t>;

// The number as `count` words; false when it does not fit or is not hex.
bool to_words(const std::string& hex, int count, Words* words) {
    words->assign(size_t(count), 0);
    int bit = 0;
    for (auto it = hex.rbegin(); it != hex.rend(); ++it, bit += 4) {
        const char c = *it;
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return false;
        if (digit == 0) continue;
        if (bit >= 32 * count) return false;
        (*words)[size_t(bit / 32)] |= uint32_t(digit) << (bit % 32);
    }
    return true;
}

std::string to_hex(const uint32_t* words, int count) {
    std::string text;
    char part[9];
    for (int i = count - 1; i >= 0; --i) {
        std::snprintf(part, sizeof part, text.empty() ? "%x" : "%08x", unsigned(words[i]));
        if (!text.empty() || words[i] != 0) text += part;
    }
    return text.empty() ? "0" : text;
}
std::string to_hex(const Words& words) { return to_hex(words.data(), int(words.size())); }
std::string to_hex(uint32_t word) { return to_hex(&word, 1); }

struct Request {
    std::istringstream words;
    bool ok = true;

    explicit Request(const std::string& line) : words(line) {}
    int count() {
        int c = 0;
        if (!(words >> c) || c < 1 || c > 64) ok = false;
        return ok ? c : 1;
    }
    Words number(int count) {
        std::string hex;
        Words result;
        if (!(words >> hex) || !to_words(hex, count, &result)) ok = false;
        result.resize(size_t(count));
        return result;
    }
};

std::string answer(const std::string& line) {
    Request r(line);
    std::string op;
    r.words >> op;
    std::ostringstream out;
    if (op == "digits") {
        const int c = r.count();
        const Words a = r.number(c);
        out << bignum_digits(a.data(), c);
    } else if (op == "cmp") {
        const int c = r.count();
        const Words a = r.number(c), b = r.number(c);
        out << bignum_cmp(a.data(), b.data(), c);
    } else if (op == "add") {
        const int c = r.count();
        const Words a = r.number(c), b = r.number(c);
        Words sum(static_cast<size_t>(c));
        const uint32_t carry = bignum_add(sum.data(), a.data(), b.data(), c);
        out << to_hex(carry) << ' ' << to_hex(sum);
    } else if (op == "shl" || op == "shr") {
        const int c = r.count();
        int k = 0;
        r.words >> k;
        Words a = r.number(c);
        const uint32_t bits = op == "shl" ? bignum_shl(a.data(), a.data(), c, k) : bignum_shr(a.data(), a.data(), c, k);
        out << to_hex(bits) << ' ' << to_hex(a);
    } else if (op == "submul") {
        const int c = r.count();
        Words a = r.number(c);
        const Words b = r.number(c), word = r.number(1);
        const uint32_t borrow = bignum_sub_mul(a.data(), b.data(), word[0], c);
        out << to_hex(borrow) << ' ' << to_hex(a);
    } else if (op == "mul") {
        const int c = r.count();
        const Words a = r.number(c), b = r.number(c);
        Words product(size_t(2 * c));
        bignum_mul(product.data(), a.data(), b.data(), c);
        out << to_hex(product);
    } else if (op == "div") {
        const int cu = r.count(), cv = r.count();
        const Words u = r.number(cu), v = r.number(cv);
        Words q(static_cast<size_t>(cu)), rest(static_cast<size_t>(cv));
        if (bignum_div(q.data(), rest.data(), u.data(), cu, v.data(), cv))
            out << to_hex(q) << ' ' << to_hex(rest);
        else
            out << "refused";
    } else if (op == "modword") {
        const int c = r.count();
        const Words a = r.number(c), d = r.number(1);
        const int64_t rest = bignum_mod_word(a.data(), c, d[0]);
        out << (rest < 0 ? std::string("refused") : to_hex(uint32_t(rest)));
    } else if (op == "mod") {
        const int ca = r.count(), c = r.count();
        const Words a = r.number(ca), m = r.number(c);
        Words rest(static_cast<size_t>(c));
        out << (bignum_mod(rest.data(), a.data(), ca, m.data(), c) ? to_hex(rest) : "refused");
    } else if (op == "modmul") {
        const int c = r.count();
        const Words a = r.number(c), b = r.number(c), m = r.number(c);
        Words product(static_cast<size_t>(c));
        out << (bignum_modmul(product.data(), a.data(), b.data(), m.data(), c) ? to_hex(product) : "refused");
    } else if (op == "modexp") {
        const int c = r.count();
        const Words b = r.number(c), e = r.number(c), m = r.number(c);
        Words power(static_cast<size_t>(c));
        out << (bignum_modexp(power.data(), b.data(), e.data(), m.data(), c) ? to_hex(power) : "refused");
    } else if (op == "decipher") {
        const Words c = r.number(HUMAN_BOOK_STATISTICS_WORDS);
        HumanBookRecord record;
        for (int i = 0; i < HUMAN_BOOK_STATISTICS_WORDS; ++i) record.statistics[i] = c[size_t(i)];
        decipher_book_record(&record);
        out << to_hex(record.statistics, HUMAN_BOOK_STATISTICS_WORDS);
    } else if (op == "unpack") {
        const Words p = r.number(HUMAN_BOOK_STATISTICS_WORDS);
        const HumanBookStatistics s = unpack_book_statistics(p.data());
        out << s.wins << ' ' << s.draws << ' ' << s.losses << ' ' << s.white_rating << ' ' << s.black_rating << ' '
            << s.year;
    } else {
        r.ok = false;
    }
    return r.ok ? out.str() : "bad request: " + line;
}

}  // namespace

int main() {
    std::ios::sync_with_stdio(false);
    for (std::string line; std::getline(std::cin, line);) std::cout << answer(line) << '\n';
    return 0;
}
