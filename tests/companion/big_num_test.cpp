// Worked values for the corners of the multi-precision routines that are easy
// to get wrong. The wide sweep against independent integers is
// big_num_check.py (CTest companion.BigNumAgainstPython).
#include "companion/big_num.h"

#include <gtest/gtest.h>

#include <vector>


namespace {

using Words = std::vector<uint32_t>;

const uint32_t ONES = 0xFFFFFFFF;

TEST(BigNum, ShiftsByZeroCopyAndShiftOutNothing) {
    const Words a = {0x89ABCDEF, 0x01234567, 0x80000001};
    for (const bool left : {true, false}) {
        Words out(3, 0xDEADBEEF);
        const uint32_t bits = left ? bignum_shl(out.data(), a.data(), 3, 0) : bignum_shr(out.data(), a.data(), 3, 0);
        EXPECT_EQ(bits, 0u);
        EXPECT_EQ(out, a);
    }
    Words b = {0x80000001, 0x80000001};
    EXPECT_EQ(bignum_shl(b.data(), b.data(), 2, 31), 0x40000000u);  // in place
    EXPECT_EQ(b, (Words{0x80000000, 0xC0000000}));
    EXPECT_EQ(bignum_shr(b.data(), b.data(), 2, 31), 0u);
    EXPECT_EQ(b, (Words{0x80000001, 0x1}));
}

TEST(BigNum, DigitsAndCompareLookFromTheTop) {
    const Words zero(5, 0), low = {ONES, 0, 0, 0, 0}, high = {0, 0, 0, 0, 1};
    EXPECT_EQ(bignum_digits(zero.data(), 5), 0);
    EXPECT_EQ(bignum_digits(low.data(), 5), 1);
    EXPECT_EQ(bignum_digits(high.data(), 5), 5);
    EXPECT_EQ(bignum_cmp(high.data(), low.data(), 5), 1);
    EXPECT_EQ(bignum_cmp(low.data(), high.data(), 5), -1);
    EXPECT_EQ(bignum_cmp(low.data(), low.data(), 5), 0);
}

TEST(BigNum, CarriesAndBorrowsRunThroughEveryWord) {
    const Words ones(5, ONES), one = {1, 0, 0, 0, 0};
    Words sum(5);
    EXPECT_EQ(bignum_add(sum.data(), ones.data(), one.data(), 5), 1u);
    EXPECT_EQ(sum, Words(5, 0));

    // 0 - (2^32 - 1)(2^160 - 1) = 2^32 - 1 - (2^32 - 1) * 2^160: a borrow of a whole word.
    Words a(5, 0);
    EXPECT_EQ(bignum_sub_mul(a.data(), ones.data(), ONES, 5), ONES);
    EXPECT_EQ(a, (Words{ONES, 0, 0, 0, 0}));

    Words product(10);
    bignum_mul(product.data(), ones.data(), ones.data(), 5);  // (2^160 - 1)^2 = 2^320 - 2^161 + 1
    EXPECT_EQ(product, (Words{1, 0, 0, 0, 0, 0xFFFFFFFE, ONES, ONES, ONES, ONES}));
}

// A ten-word product divided by a modulus whose top word is 1 shifts left by
// 31 bits: the normalised dividend needs an eleventh word.
TEST(BigNum, NormalisingTheWidestDividendNeedsAnExtraWord) {
    const Words ones(5, ONES), modulus = {1, 0, 0, 0, 1};  // 2^128 + 1
    Words r(5);
    ASSERT_TRUE(bignum_modmul(r.data(), ones.data(), ones.data(), modulus.data(), 5));
    EXPECT_EQ(r, (Words{1, 2, 1, 0, 0}));

    const Words dividend(10, ONES);
    Words q(10), rest(5);
    ASSERT_TRUE(bignum_div(q.data(), rest.data(), dividend.data(), 10, modulus.data(), 5));
    EXPECT_EQ(q, (Words{0, 0, ONES, ONES, ONES, ONES, 0, 0, 0, 0}));
    EXPECT_EQ(rest, (Words{ONES, ONES, 0, 0, 0}));
}

TEST(BigNum, OneWordDivisorGivesTheQuotientToo) {
    const Words dividend = {9, 3, 5};
    const Words seven = {7, 0};
    Words q(3), rest(2);
    ASSERT_TRUE(bignum_div(q.data(), rest.data(), dividend.data(), 3, seven.data(), 2));
    EXPECT_EQ(q, (Words{0x4924924A, 0xB6DB6DB7, 0}));
    EXPECT_EQ(rest, (Words{3, 0}));
    EXPECT_EQ(bignum_mod_word(dividend.data(), 3, 7), 3);
}

TEST(BigNum, DivisionByItselfAndByALargerNumber) {
    Words a = {5, 6, 7}, larger = {5, 6, 8};
    Words q(3), rest(3);
    ASSERT_TRUE(bignum_div(q.data(), rest.data(), a.data(), 3, a.data(), 3));
    EXPECT_EQ(q, (Words{1, 0, 0}));
    EXPECT_EQ(rest, (Words{0, 0, 0}));
    ASSERT_TRUE(bignum_div(q.data(), rest.data(), a.data(), 3, larger.data(), 3));
    EXPECT_EQ(q, (Words{0, 0, 0}));
    EXPECT_EQ(rest, a);
    // Outputs may be the inputs.
    ASSERT_TRUE(bignum_div(a.data(), nullptr, a.data(), 3, larger.data(), 2));  // by 6 * 2^32 + 5
    EXPECT_EQ(a, (Words{0x2AAAAAAA, 1, 0}));
}

TEST(BigNum, ZeroDivisorOrModulusIsRefused) {
    const Words a = {1, 2, 3, 4, 5}, zero(5, 0), three = {3, 0, 0, 0, 0};
    Words q(5, 9), rest(5, 9);
    EXPECT_FALSE(bignum_div(q.data(), rest.data(), a.data(), 5, zero.data(), 5));
    EXPECT_EQ(q, zero);
    EXPECT_EQ(rest, zero);
    EXPECT_EQ(bignum_mod_word(a.data(), 5, 0), -1);
    Words r(5, 9);
    EXPECT_FALSE(bignum_modmul(r.data(), a.data(), a.data(), zero.data(), 5));
    EXPECT_FALSE(bignum_modexp(r.data(), a.data(), three.data(), zero.data(), 5));
    EXPECT_EQ(r, zero);
    // Counts beyond the working storage.
    const Words wide(BIGNUM_MAX_WORDS + 1, 1);
    Words wide_q(wide.size(), 9), wide_r(BIGNUM_MAX_WORDS / 2 + 1, 9);
    EXPECT_FALSE(bignum_div(wide_q.data(), rest.data(), wide.data(), int(wide.size()), three.data(), 1));
    EXPECT_EQ(wide_q, Words(wide.size(), 0));
    EXPECT_FALSE(bignum_modexp(wide_r.data(), wide.data(), wide.data(), wide.data(), BIGNUM_MAX_WORDS / 2 + 1));
    EXPECT_EQ(wide_r, Words(wide_r.size(), 0));
}

TEST(BigNum, SmallExponentsGiveReducedPowers) {
    const Words ones(5, ONES), zero(5, 0), one = {1, 0, 0, 0, 0}, two = {2, 0, 0, 0, 0};
    const Words modulus = {0xF0D53FC3, 0x8D74011F, 0xA7356C74, 0x2740604A, 0xC01FD5C6};  // the book key's
    const Words ones_mod_n = {0x0F2AC03C, 0x728BFEE0, 0x58CA938B, 0xD8BF9FB5, 0x3FE02A39};
    Words r(5);
    ASSERT_TRUE(bignum_modexp(r.data(), ones.data(), zero.data(), modulus.data(), 5));
    EXPECT_EQ(r, one);
    ASSERT_TRUE(bignum_modexp(r.data(), ones.data(), zero.data(), one.data(), 5));  // 1 mod 1
    EXPECT_EQ(r, zero);
    ASSERT_TRUE(bignum_modexp(r.data(), ones.data(), one.data(), modulus.data(), 5));  // base above the modulus
    EXPECT_EQ(r, ones_mod_n);
    Words squared(5), expected(5);
    ASSERT_TRUE(bignum_modexp(squared.data(), ones.data(), two.data(), modulus.data(), 5));
    ASSERT_TRUE(bignum_modmul(expected.data(), ones.data(), ones.data(), modulus.data(), 5));
    EXPECT_EQ(squared, expected);
}

}  // namespace
