#include <gtest/gtest.h>

#include "position/exchange.h"

namespace {

// An x-ray word with these class counts (king 0/1, queens, rooks, bishops, knights, pawns).
uint32_t word(int king, int queens, int rooks, int bishops, int knights, int pawns) {
    int total = king + queens + rooks + bishops + knights + pawns;
    return uint32_t(total) << 28 | uint32_t(pawns) << 26 | uint32_t(knights) << 24 | uint32_t(bishops) << 22 |
           uint32_t(rooks) << 20 | uint32_t(queens) << 17 | uint32_t(king) << 16;
}

const uint32_t NONE = 0;
const uint32_t P = word(0, 0, 0, 0, 0, 1);
const uint32_t N = word(0, 0, 0, 0, 1, 0);
const uint32_t B = word(0, 0, 0, 1, 0, 0);
const uint32_t R = word(0, 0, 1, 0, 0, 0);
const uint32_t Q = word(0, 1, 0, 0, 0, 0);
const uint32_t K = word(1, 0, 0, 0, 0, 0);
const uint32_t PP = word(0, 0, 0, 0, 0, 2);
const uint32_t NB = word(0, 0, 0, 1, 1, 0);
const uint32_t RR = word(0, 0, 2, 0, 0, 0);
const uint32_t QK = word(1, 1, 0, 0, 0, 0);

TEST(Exchange, TellingEntries) {
    struct Case { uint32_t defenders, attackers; int entry; };
    const Case cases[] = {
        // No attacker: nothing of value up to a queen is lost.
        {NONE, NONE, 156}, {Q, NONE, 156}, {QK, NONE, 156},
        // No defender: the man is simply lost.
        {NONE, P, 0}, {NONE, N, 0}, {NONE, R, 0}, {NONE, QK, 0}, {NONE, RR, 0},
        // One defender against one attacker: the attacker is won back.
        {N, P, 16}, {R, B, 52}, {K, N, 52}, {P, R, 80}, {Q, Q, 156}, {N, K, 156},
        // One defender against two attackers.
        {Q, PP, 0}, {N, NB, 0}, {P, NB, 36}, {R, RR, 0}, {B, RR, 28}, {P, RR, 64},
        {N, QK, 104}, {P, QK, 140}, {R, QK, 76}, {Q, QK, 0}, {K, QK, 0},
        // Two defenders.
        {PP, P, 16}, {PP, NB, 52}, {PP, RR, 80}, {PP, QK, 156},
        {RR, PP, 0}, {RR, NB, 24}, {RR, RR, 80}, {RR, QK, 156},
        {QK, PP, 0}, {QK, NB, 0}, {QK, RR, 4}, {QK, QK, 156},
    };
    for (const Case& c : cases)
        EXPECT_EQ(exchange_entry(c.defenders, c.attackers), c.entry)
            << std::hex << "defenders " << c.defenders << " attackers " << c.attackers;
}

TEST(Exchange, EveryCountFieldValueHasACodeInsideTheTable) {
    for (int field = 0; field < SWAP_CODE_COUNT; ++field) ASSERT_LT(swap_codes[field], 128) << field;
    // The slot bits and the total count do not change the code.
    EXPECT_EQ(swap_code(RR | 0x000C), swap_code(RR));
}

TEST(Exchange, MoreMenThanTheCodesCountKeepTheLeastValuable) {
    // Six attackers: the sixth (a royal) is dropped, the swap stays sensible.
    uint32_t six = word(1, 1, 2, 1, 1, 0);
    uint32_t five = word(0, 1, 2, 1, 1, 0);
    EXPECT_EQ(swap_code(six), swap_code(five));
    EXPECT_EQ(exchange_entry(NONE, six), 0);
}

}  // namespace
