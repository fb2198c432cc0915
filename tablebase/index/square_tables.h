// Constant square tables of the index functions: the symmetries that bring a
// position into its canonical frame and the numbering of the king pairs.
// Squares are 0..63, a1 = 0; file = s & 7, rank = s >> 3.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// XOR that maps a square of any quadrant into a1-d4: 0 on a1-d4, 7 on e1-h4,
// 56 on a5-d8, 63 on e5-h8.
inline constexpr std::array<int8_t, 64> TB_FOLD8_XOR = [] {
    std::array<int8_t, 64> t{};
    for (int s = 0; s < 64; ++s) t[size_t(s)] = int8_t(((s & 7) >= 4 ? 7 : 0) + ((s >> 3) >= 4 ? 56 : 0));
    return t;
}();

// The reflection in the a1-h8 diagonal.
inline constexpr std::array<int8_t, 64> TB_DIAG_REFLECT = [] {
    std::array<int8_t, 64> t{};
    for (int s = 0; s < 64; ++s) t[size_t(s)] = int8_t((s & 7) * 8 + (s >> 3));
    return t;
}();

// XOR that mirrors files e-h onto d-a.
inline constexpr std::array<int8_t, 64> TB_FILE_MIRROR_XOR = [] {
    std::array<int8_t, 64> t{};
    for (int s = 0; s < 64; ++s) t[size_t(s)] = int8_t((s & 7) >= 4 ? 7 : 0);
    return t;
}();

// XOR that turns the board upside down when the first-named side is black.
inline constexpr int TB_INVERT_XOR[2] = {0, 56};

constexpr bool tb_in_triangle(int s) { return (s >> 3) <= (s & 7) && (s & 7) <= 3; }  // a1-d1-d4
constexpr bool tb_on_diagonal(int s) { return (s >> 3) == (s & 7); }
constexpr bool tb_lower_half(int s) { return (s & 7) >= (s >> 3); }

constexpr int tb_kings_adjacent(int a, int b) {
    const int df = (a & 7) - (b & 7), dr = (a >> 3) - (b >> 3);
    return df >= -1 && df <= 1 && dr >= -1 && dr <= 1;
}

// King-pair numbers: [k][o], k the side to move's king, o the other king, or
// TB_NO_KING_PAIR for a pair that never occurs in the canonical frame.
constexpr int TB_NO_KING_PAIR = 4000;
constexpr int TB_KING_PAIRS_PAWNLESS_COUNT = 462;
constexpr int TB_KING_PAIRS_PAWNS_COUNT = 1806;
using TbKingPairTable = std::array<std::array<int16_t, 64>, 64>;

// Without pawns: k over the triangle a1-d1-d4 in square order, o over the
// board in square order, kings apart; with k on the diagonal, o on or below
// it.
inline constexpr TbKingPairTable TB_KING_PAIRS_PAWNLESS = [] {
    TbKingPairTable t{};
    for (auto& row : t) row.fill(int16_t(TB_NO_KING_PAIR));
    int n = 0;
    for (int k = 0; k < 64; ++k) {
        if (!tb_in_triangle(k)) continue;
        for (int o = 0; o < 64; ++o) {
            if (o == k || tb_kings_adjacent(k, o)) continue;
            if (tb_on_diagonal(k) && !tb_lower_half(o)) continue;
            t[size_t(k)][size_t(o)] = int16_t(n++);
        }
    }
    return t;
}();

// With pawns: k over files a-d in square order, o over the board.
inline constexpr TbKingPairTable TB_KING_PAIRS_PAWNS = [] {
    TbKingPairTable t{};
    for (auto& row : t) row.fill(int16_t(TB_NO_KING_PAIR));
    int n = 0;
    for (int k = 0; k < 64; ++k) {
        if ((k & 7) >= 4) continue;
        for (int o = 0; o < 64; ++o) {
            if (o == k || tb_kings_adjacent(k, o)) continue;
            t[size_t(k)][size_t(o)] = int16_t(n++);
        }
    }
    return t;
}();

static_assert(TB_KING_PAIRS_PAWNLESS[27][63] == TB_KING_PAIRS_PAWNLESS_COUNT - 1, "d4-h8 is the last pawnless pair");
static_assert(TB_KING_PAIRS_PAWNS[59][63] == TB_KING_PAIRS_PAWNS_COUNT - 1, "d8-h8 is the last pair with pawns");
static_assert(TB_KING_PAIRS_PAWNLESS[0][2] == 0 && TB_KING_PAIRS_PAWNLESS[0][63] == 32);
