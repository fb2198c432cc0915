#include "companion/big_num.h"

#include <bit>

namespace {

constexpr uint64_t WORD_BASE = uint64_t(1) << 32;

bool valid_count(int count, int largest) { return count >= 1 && count <= largest; }

// quotient (count words, may be null) = number / divisor; returns the
// remainder. The running remainder stays below the divisor, so every step
// divides a double word by a word into one quotient word.
uint32_t divide_by_word(uint32_t* quotient, const uint32_t* number, int count, uint32_t divisor) {
    uint64_t rest = 0;
    for (int i = count - 1; i >= 0; --i) {
        const uint64_t part = rest << 32 | number[i];
        if (quotient) quotient[i] = uint32_t(part / divisor);
        rest = part % divisor;
    }
    return uint32_t(rest);
}

// Long division of normalised numbers: u has m + 1 words (its top word
// already below v's), v has n >= 2 words with its top bit set. Leaves the
// quotient's m - n + 1 words in q and the remainder in u's low n words.
void divide_normalised(uint32_t* q, uint32_t* u, int m, const uint32_t* v, int n) {
    const uint64_t top = v[n - 1];
    const uint64_t second = v[n - 2];
    for (int j = m - n; j >= 0; --j) {
        // Estimate from the top two remainder words; the estimate is at most
        // two too high and the test against the second divisor word removes
        // almost every excess before the subtraction.
        const uint64_t head = uint64_t(u[j + n]) << 32 | u[j + n - 1];
        uint64_t estimate = head / top;
        uint64_t rest = head % top;
        while (estimate >= WORD_BASE || estimate * second > (rest << 32 | u[j + n - 2])) {
            --estimate;
            rest += top;
            if (rest >= WORD_BASE) break;
        }
        const uint32_t borrow = bignum_sub_mul(u + j, v, uint32_t(estimate), n);
        const uint32_t high = u[j + n];
        u[j + n] = high - borrow;
        if (high < borrow) {  // one too high after all: add the divisor back
            --estimate;
            u[j + n] += bignum_add(u + j, u + j, v, n);
        }
        q[j] = uint32_t(estimate);
    }
}

}  // namespace

void bignum_zero(uint32_t* number, int count) {
    for (int i = 0; i < count; ++i) number[i] = 0;
}

void bignum_copy(uint32_t* destination, const uint32_t* source, int count) {
    for (int i = 0; i < count; ++i) destination[i] = source[i];
}

void bignum_set_one(uint32_t* number, int count) {
    bignum_zero(number, count);
    if (count > 0) number[0] = 1;
}

int bignum_digits(const uint32_t* number, int count) {
    while (count > 0 && number[count - 1] == 0) --count;
    return count;
}

int bignum_cmp(const uint32_t* a, const uint32_t* b, int count) {
    for (int i = count - 1; i >= 0; --i) {
        if (a[i] != b[i]) return a[i] > b[i] ? 1 : -1;
    }
    return 0;
}

uint32_t bignum_add(uint32_t* destination, const uint32_t* a, const uint32_t* b, int count) {
    uint64_t carry = 0;
    for (int i = 0; i < count; ++i) {
        const uint64_t sum = uint64_t(a[i]) + b[i] + carry;
        destination[i] = uint32_t(sum);
        carry = sum >> 32;
    }
    return uint32_t(carry);
}

// A shift by 0 is a copy: the bits moved across a word boundary would be
// x >> 32, which the language leaves undefined.
uint32_t bignum_shl(uint32_t* destination, const uint32_t* source, int count, int k) {
    if (k < 0 || k >= 32) return 0;
    if (k == 0) {
        bignum_copy(destination, source, count);
        return 0;
    }
    uint32_t out = 0;
    for (int i = count - 1; i >= 0; --i) {  // top down, so destination may be source
        const uint32_t word = source[i];
        if (i == count - 1) out = word >> (32 - k);
        destination[i] = word << k | (i > 0 ? source[i - 1] >> (32 - k) : 0);
    }
    return out;
}

uint32_t bignum_shr(uint32_t* destination, const uint32_t* source, int count, int k) {
    if (k < 0 || k >= 32) return 0;
    if (k == 0) {
        bignum_copy(destination, source, count);
        return 0;
    }
    uint32_t out = 0;
    for (int i = 0; i < count; ++i) {  // bottom up, so destination may be source
        const uint32_t word = source[i];
        if (i == 0) out = word << (32 - k);
        destination[i] = word >> k | (i + 1 < count ? source[i + 1] << (32 - k) : 0);
    }
    return out;
}

uint32_t bignum_sub_mul(uint32_t* a, const uint32_t* b, uint32_t c, int count) {
    uint32_t borrow = 0;
    for (int i = 0; i < count; ++i) {
        // c * b[i] + borrow is at most 2^64 - 2^32, so the borrow below
        // never overflows: a low word of 0 takes no extra borrow.
        const uint64_t product = uint64_t(c) * b[i] + borrow;
        const uint32_t low = uint32_t(product);
        borrow = uint32_t(product >> 32);
        if (a[i] < low) ++borrow;
        a[i] -= low;
    }
    return borrow;
}

void bignum_mul(uint32_t* product, const uint32_t* a, const uint32_t* b, int count) {
    bignum_zero(product, 2 * count);
    for (int i = 0; i < count; ++i) {
        if (a[i] == 0) continue;
        uint64_t carry = 0;
        for (int j = 0; j < count; ++j) {
            const uint64_t t = uint64_t(a[i]) * b[j] + product[i + j] + carry;  // < 2^64
            product[i + j] = uint32_t(t);
            carry = t >> 32;
        }
        product[i + count] = uint32_t(carry);
    }
}

bool bignum_div(uint32_t* quotient, uint32_t* remainder, const uint32_t* dividend, int dividend_count,
                const uint32_t* divisor, int divisor_count) {
    const bool counts_valid =
        valid_count(dividend_count, BIGNUM_MAX_WORDS) && valid_count(divisor_count, BIGNUM_MAX_WORDS);
    const int n = counts_valid ? bignum_digits(divisor, divisor_count) : 0;
    if (n == 0) {
        if (quotient) bignum_zero(quotient, dividend_count);
        if (remainder) bignum_zero(remainder, divisor_count);
        return false;
    }
    const int m = bignum_digits(dividend, dividend_count);

    // Results are built here and copied out last, so outputs may be inputs.
    uint32_t q[BIGNUM_MAX_WORDS] = {};
    uint32_t r[BIGNUM_MAX_WORDS] = {};
    if (n == 1) {
        r[0] = divide_by_word(q, dividend, m, divisor[0]);
    } else if (m < n || (m == n && bignum_cmp(dividend, divisor, n) < 0)) {
        bignum_copy(r, dividend, m);
    } else {
        // Normalise so that the divisor's top bit is set; the dividend gains
        // a word for the bits shifted out of its top.
        const int shift = std::countl_zero(divisor[n - 1]);
        uint32_t v[BIGNUM_MAX_WORDS] = {};
        uint32_t u[BIGNUM_MAX_WORDS + 1] = {};
        bignum_shl(v, divisor, n, shift);
        u[m] = bignum_shl(u, dividend, m, shift);
        divide_normalised(q, u, m, v, n);
        bignum_shr(r, u, n, shift);
    }
    if (quotient) bignum_copy(quotient, q, dividend_count);
    if (remainder) bignum_copy(remainder, r, divisor_count);
    return true;
}

int64_t bignum_mod_word(const uint32_t* number, int count, uint32_t divisor) {
    if (divisor == 0) return -1;
    return divide_by_word(nullptr, number, count, divisor);
}

bool bignum_mod(uint32_t* result, const uint32_t* a, int a_count, const uint32_t* modulus, int count) {
    return bignum_div(nullptr, result, a, a_count, modulus, count);
}

bool bignum_modmul(uint32_t* destination, const uint32_t* a, const uint32_t* b, const uint32_t* modulus,
                   int count) {
    if (!valid_count(count, BIGNUM_MAX_WORDS / 2)) {
        bignum_zero(destination, count);
        return false;
    }
    uint32_t product[BIGNUM_MAX_WORDS];
    bignum_mul(product, a, b, count);
    return bignum_div(nullptr, destination, product, 2 * count, modulus, count);
}

bool bignum_modexp(uint32_t* result, const uint32_t* base, const uint32_t* exponent, const uint32_t* modulus,
                   int count) {
    if (!valid_count(count, BIGNUM_MAX_WORDS / 2)) {
        bignum_zero(result, count);
        return false;
    }
    uint32_t reduced[BIGNUM_MAX_WORDS / 2];
    uint32_t power[BIGNUM_MAX_WORDS / 2];
    if (!bignum_mod(reduced, base, count, modulus, count)) {
        bignum_zero(result, count);
        return false;
    }
    const int words = bignum_digits(exponent, count);
    if (words == 0) {  // x^0 = 1, which is 0 modulo 1
        bignum_set_one(power, count);
        bignum_mod(result, power, count, modulus, count);
        return true;
    }

    // Left to right, square and multiply: the top set bit is the copy of the
    // base, every lower bit a squaring and, when set, a multiplication.
    const uint32_t top_word = exponent[words - 1];
    int bit = 31 - std::countl_zero(top_word);
    bignum_copy(power, reduced, count);
    for (int word = words - 1; word >= 0; --word) {
        for (--bit; bit >= 0; --bit) {
            bignum_modmul(power, power, power, modulus, count);
            if (exponent[word] >> bit & 1) bignum_modmul(power, power, reduced, modulus, count);
        }
        bit = 32;
    }
    bignum_copy(result, power, count);
    return true;
}
