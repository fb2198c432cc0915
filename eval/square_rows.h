// Constant square tables of the evaluation, by square with a1 first, one rank
// of eight per line.
#pragma once

#include <array>
#include <cstdint>

using SquareRow = std::array<int8_t, 64>;

namespace square_rows_detail {
// Ranks 5 to 8 as ranks 4 to 1.
constexpr SquareRow mirror_lower_half(const std::array<int8_t, 32>& lower) {
    SquareRow row{};
    for (int i = 0; i < 32; ++i) {
        row[i] = lower[i];
        row[i ^ 56] = lower[i];
    }
    return row;
}
constexpr SquareRow mirror_ranks(const SquareRow& source) {
    SquareRow row{};
    for (int i = 0; i < 64; ++i) row[i] = source[i ^ 56];
    return row;
}
}  // namespace square_rows_detail

// ---- Piece-square rows ------------------------------------------------------------

inline constexpr SquareRow KNIGHT_ROW = {
    -35, -20, -10, -5, -5, -10, -20, -35,
    -25, -10, 0, 0, 0, 0, -10, -25,
    -15, 0, 10, 15, 15, 10, 0, -15,
    -10, 5, 15, 20, 20, 15, 5, -10,
    -5, 10, 20, 25, 25, 20, 10, -5,
    0, 15, 25, 30, 30, 25, 15, 0,
    -10, 5, 15, 20, 20, 15, 5, -10,
    -20, -5, 5, 10, 10, 5, -5, -20,
};

inline constexpr SquareRow BISHOP_ROW = {
    0, -2, -4, -5, -5, -4, -2, 0,
    -2, 4, 2, 1, 1, 2, 4, -2,
    -4, 2, 7, 6, 6, 7, 2, -4,
    -5, 1, 6, 12, 12, 6, 1, -5,
    -5, 1, 6, 12, 12, 6, 1, -5,
    -4, 2, 7, 6, 6, 7, 2, -4,
    -2, 4, 2, 1, 1, 2, 4, -2,
    0, -2, -4, -5, -5, -4, -2, 0,
};

inline constexpr SquareRow ROOK_ROW = {
    -1, 0, 2, 3, 3, 2, 0, -1,
    -1, 0, 2, 3, 3, 2, 0, -1,
    -1, 0, 2, 3, 3, 2, 0, -1,
    -1, 0, 2, 3, 3, 2, 0, -1,
    -1, 0, 2, 3, 3, 2, 0, -1,
    -1, 0, 2, 3, 3, 2, 0, -1,
    -1, 0, 2, 3, 3, 2, 0, -1,
    -1, 0, 2, 3, 3, 2, 0, -1,
};

inline constexpr SquareRow QUEEN_ROW = {
    -12, -8, -2, 0, 0, -2, -8, -12,
    -10, 1, 8, 8, 8, 8, 1, -10,
    -8, 2, 6, 8, 8, 6, 2, -8,
    -2, 5, 8, 12, 12, 8, 5, -2,
    0, 5, 8, 12, 12, 8, 5, 0,
    -2, 2, 6, 8, 8, 6, 2, -2,
    -8, 2, 4, 6, 6, 4, 2, -8,
    -12, -8, -2, 0, 0, -2, -8, -12,
};

inline constexpr SquareRow KING_MIDDLE_ROW = square_rows_detail::mirror_lower_half({
    0, 2, -9, -12, -12, -9, 2, 0,
    -8, -4, -12, -17, -17, -12, -4, -8,
    -21, -19, -25, -27, -27, -25, -19, -21,
    -26, -26, -30, -33, -33, -30, -26, -26,
});

inline constexpr SquareRow KING_END_ROW = square_rows_detail::mirror_lower_half({
    -2, 2, 6, 10, 10, 6, 2, -2,
    2, 10, 14, 18, 18, 14, 10, 2,
    6, 14, 22, 26, 26, 22, 14, 6,
    10, 18, 26, 34, 34, 26, 18, 10,
});

inline constexpr SquareRow PAWN_ROW = {
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, -1, -2, -2, -1, 0, 0,
    3, 4, 8, 9, 9, 8, 4, 3,
    3, 8, 16, 22, 22, 16, 8, 3,
    7, 10, 19, 25, 25, 19, 10, 7,
    11, 14, 22, 28, 28, 22, 14, 11,
    14, 17, 24, 30, 30, 24, 17, 14,
    0, 0, 0, 0, 0, 0, 0, 0,
};

// ---- King drive tables: where a lone or losing king is to be driven -----------------

inline constexpr SquareRow KING_DRIVE_CENTRE = square_rows_detail::mirror_lower_half({
    1, 8, 16, 24, 24, 16, 8, 1,
    8, 32, 40, 48, 48, 40, 32, 8,
    16, 40, 56, 64, 64, 56, 40, 16,
    24, 48, 64, 72, 72, 64, 48, 24,
});

// Low on h1 and a8, the corners a light-squared bishop covers.
inline constexpr SquareRow KING_DRIVE_LIGHT_CORNERS = {
    90, 83, 70, 57, 35, 27, 1, 1,
    83, 95, 80, 70, 65, 45, 40, 1,
    70, 80, 100, 90, 80, 43, 45, 27,
    57, 70, 90, 110, 90, 80, 65, 35,
    35, 65, 80, 90, 110, 90, 70, 57,
    27, 45, 43, 80, 90, 100, 80, 70,
    1, 40, 45, 65, 70, 80, 95, 83,
    1, 1, 27, 35, 57, 70, 83, 90,
};

// Low on a1 and h8.
inline constexpr SquareRow KING_DRIVE_DARK_CORNERS = square_rows_detail::mirror_ranks(KING_DRIVE_LIGHT_CORNERS);

// ---- CornerDistance: 0 on the corners, rising toward the centre ----------------------

using CornerDistance = std::array<uint8_t, 64>;
inline constexpr CornerDistance CORNER_DISTANCE = [] {
    constexpr uint8_t lower[32] = {
        0, 1, 2, 3, 3, 2, 1, 0,
        1, 3, 5, 6, 6, 5, 3, 1,
        2, 5, 8, 9, 9, 8, 5, 2,
        3, 6, 9, 12, 12, 9, 6, 3,
    };
    CornerDistance table{};
    for (int i = 0; i < 32; ++i) {
        table[i] = lower[i];
        table[i ^ 56] = lower[i];
    }
    return table;
}();

// ---- Manhattan distance: files plus ranks between two squares ------------------------

using SquareDistance = std::array<std::array<uint8_t, 64>, 64>;
inline constexpr SquareDistance MANHATTAN_DISTANCE = [] {
    SquareDistance table{};
    for (int a = 0; a < 64; ++a)
        for (int b = 0; b < 64; ++b) {
            const int files = a % 8 - b % 8, ranks = a / 8 - b / 8;
            table[a][b] = uint8_t((files < 0 ? -files : files) + (ranks < 0 ? -ranks : ranks));
        }
    return table;
}();
