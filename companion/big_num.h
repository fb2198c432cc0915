// Fixed-length multi-precision arithmetic for the human-games book cipher:
// unsigned integers held as arrays of 32-bit words ("digits"), least
// significant word first, with the word count passed alongside. Plain
// functions on caller-owned arrays; working storage lives on the stack and
// nothing is allocated.
//
// Numbers of the cipher have BIGNUM_CIPHER_WORDS words; a product of two of
// them has twice that, which is the longest number any routine here accepts.
// Routines that can be handed an impossible request (a zero divisor or
// modulus, a count beyond the working storage) refuse it: they answer false
// and zero their outputs rather than compute something wrong.
#pragma once

#include <cstdint>

inline constexpr int BIGNUM_CIPHER_WORDS = 5;  // 160 bits
inline constexpr int BIGNUM_MAX_WORDS = 2 * BIGNUM_CIPHER_WORDS;

// A 160-bit number of the cipher.
using BigNum = uint32_t[BIGNUM_CIPHER_WORDS];

void bignum_zero(uint32_t* number, int count);
void bignum_copy(uint32_t* destination, const uint32_t* source, int count);
// Word 0 = 1, the others 0.
void bignum_set_one(uint32_t* number, int count);

// Significant words: index of the highest non-zero word + 1; 0 for zero.
int bignum_digits(const uint32_t* number, int count);

// 1 if a > b, -1 if a < b, 0 if equal.
int bignum_cmp(const uint32_t* a, const uint32_t* b, int count);

// destination = a + b over count words; returns the carry out (0 or 1).
// destination may be a or b.
uint32_t bignum_add(uint32_t* destination, const uint32_t* a, const uint32_t* b, int count);

// destination = source shifted left by k bits (0 <= k < 32); returns the bits
// shifted out of the top word in the low bits of a word. destination may be
// source. With k >= 32 nothing is written and 0 is returned.
uint32_t bignum_shl(uint32_t* destination, const uint32_t* source, int count, int k);

// destination = source shifted right by k bits (0 <= k < 32); returns the bits
// shifted out of word 0 in the top bits of a word. destination may be source.
// With k >= 32 nothing is written and 0 is returned.
uint32_t bignum_shr(uint32_t* destination, const uint32_t* source, int count, int k);

// a = a - c * b over count words; returns the borrow out of the top word (a
// whole word: the part of c * b that a could not cover).
uint32_t bignum_sub_mul(uint32_t* a, const uint32_t* b, uint32_t c, int count);

// product (2 * count words) = a * b. product must not overlap a or b.
void bignum_mul(uint32_t* product, const uint32_t* a, const uint32_t* b, int count);

// quotient (dividend_count words) and remainder (divisor_count words) of the
// exact division; either may be null when not wanted, and either may be one
// of the inputs. Counts 1..BIGNUM_MAX_WORDS. False for a zero divisor or a
// count out of range.
bool bignum_div(uint32_t* quotient, uint32_t* remainder, const uint32_t* dividend, int dividend_count,
                const uint32_t* divisor, int divisor_count);

// The remainder of the number divided by one word; -1 for a zero divisor.
int64_t bignum_mod_word(const uint32_t* number, int count, uint32_t divisor);

// result (count words) = a mod modulus. As bignum_div.
bool bignum_mod(uint32_t* result, const uint32_t* a, int a_count, const uint32_t* modulus, int count);

// destination = a * b mod modulus, all count words (1..BIGNUM_MAX_WORDS / 2);
// destination may be a or b. False for a zero modulus or a count out of range.
bool bignum_modmul(uint32_t* destination, const uint32_t* a, const uint32_t* b, const uint32_t* modulus,
                   int count);

// result = base raised to the exponent, modulo the modulus, all count words
// (1..BIGNUM_MAX_WORDS / 2); result may be any of the inputs. The result is
// always reduced, even for exponent 1 or a base above the modulus; exponent 0
// gives 1 mod modulus. False for a zero modulus or a count out of range.
bool bignum_modexp(uint32_t* result, const uint32_t* base, const uint32_t* exponent, const uint32_t* modulus,
                   int count);
