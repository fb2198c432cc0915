// The constant tables of the positional and endgame terms. Tables by rank
// are indexed by the rank index 0..7 seen from White unless a comment says
// otherwise; tables by square are White's view (a1 first) and are read at
// square ^ 56 for Black.
#pragma once

#include <array>
#include <cstdint>

// ---- King safety ---------------------------------------------------------------

// The king-attack penalty by the attack weight / 8.
inline constexpr std::array<int16_t, 64> KING_DANGER = [] {
    constexpr int16_t start[16] = {0, 1, 3, 6, 10, 16, 25, 38, 57, 85, 113, 141, 169, 197, 225, 256};
    std::array<int16_t, 64> table{};
    for (int i = 0; i < 64; ++i) table[i] = i < 16 ? start[i] : i <= 26 ? int16_t(256 + 32 * (i - 15)) : 640;
    return table;
}();

// What an attacking man standing next to the king adds to the attack weight,
// by kind (none, pawn, knight, bishop, rook, queen, king).
inline constexpr uint8_t KING_ZONE_WEIGHT[7] = {0, 0, 2, 2, 3, 4, 2};

// ---- Pieces -----------------------------------------------------------------

// By the squares a rook reaches along its lines (0..14).
inline constexpr int8_t ROOK_MOBILITY[15] = {-5, -2, 0, 1, 5, 8, 11, 13, 15, 17, 18, 19, 20, 21, 22};

// By the number of diagonal directions with at least one free square (0..4).
inline constexpr int8_t BISHOP_DIRECTIONS[5] = {-12, -4, 0, 2, 4};
// By the number of free squares on the bishop's diagonals (0..14).
inline constexpr int8_t BISHOP_FREE_SQUARES[15] = {-8, -4, -1, 2, 5, 8, 10, 12, 14, 16, 18, 20, 21, 22, 23};
// A man the bishop x-rays through one of its own pieces, by kind (index 0
// unused; pawn .. king).
inline constexpr int8_t BISHOP_XRAY_TARGET[7] = {0, 1, 5, 5, 7, 13, 16};
// An own pawn on the bishop's forward diagonal in its own half, by the
// pawn's rank index.
inline constexpr int8_t BISHOP_PAWN_OBSTRUCTION[8] = {0, 3, 3, 2, 2, 3, 3, 0};
// A bishop that cannot move forward, by its rank index (White's; Black reads
// it at 7 - rank index).
inline constexpr int16_t BISHOP_FORWARD_BLOCKED[8] = {2, 4, 10, 24, 48, 72, 164, 172};

// ---- Pawn structure --------------------------------------------------------------

// Passed-pawn base by the pawn's rank index from its own side (1..6).
inline constexpr int16_t PASSED_BASE[8] = {0, 16, 16, 32, 64, 112, 176, 0};
// Support bonus of a passed pawn that no enemy pawn attacks, by rank index:
// an own pawn defends the square in front; else one defends the pawn; else
// the square in front is empty and one defends the square two ahead.
inline constexpr int16_t PASSED_SUPPORT_FRONT[8] = {0, 4, 4, 16, 32, 64, 128, 0};
inline constexpr int16_t PASSED_SUPPORT_PAWN[8] = {0, 2, 2, 8, 16, 32, 64, 0};
inline constexpr int16_t PASSED_SUPPORT_TWO_AHEAD[8] = {0, 1, 1, 4, 8, 16, 32, 0};

// Weak-pawn penalty by square, White's view.
inline constexpr std::array<int8_t, 64> WEAK_PAWN_PENALTY = {
    0, 0, 0, 0, 0, 0, 0, 0,
    3, 4, 6, 9, 9, 6, 4, 3,
    2, 3, 5, 7, 7, 5, 3, 2,
    1, 2, 3, 4, 4, 3, 2, 1,
    0, 0, 1, 2, 2, 1, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
};

// An enemy piece that stops a weak pawn, by kind (none, pawn, knight,
// bishop, rook, queen, king).
inline constexpr int8_t WEAK_PAWN_BLOCKER[7] = {0, 0, 8, 6, 4, 2, 6};

// Isolated-pawn penalty by file (phase_rest_half is added).
inline constexpr int8_t ISOLATED_PAWN_PENALTY[8] = {4, 6, 8, 10, 10, 8, 6, 4};

// The stop square of a backward pawn, by its rank index from the pawn's side.
inline constexpr int8_t BACKWARD_STOP_VALUE[8] = {0, 12, 8, 4, 2, 1, 1, 1};

// Storm step by rank index from the pawn's side.
inline constexpr int8_t STORM_STEP[8] = {0, 0, 0, 2, 3, 3, 3, 0};

// The file table of the unmoved king's shelter: the central files d and e
// (2) and their neighbours c and f count as centre files.
inline constexpr int8_t SHELTER_FILE_CLASS[8] = {1, 1, 1, 2, 2, 1, 0, 0};

// ---- Endgames ------------------------------------------------------------------

// Moves a pawn needs to promote, by its rank index, per colour (a pawn on its
// second rank counts the double step).
inline constexpr int8_t MOVES_TO_PROMOTION[2][8] = {{0, 5, 5, 4, 3, 2, 1, 0}, {0, 1, 2, 3, 4, 5, 5, 0}};
// The rank index seen from each colour's own side.
inline constexpr int8_t RELATIVE_RANK[2][8] = {{0, 1, 2, 3, 4, 5, 6, 7}, {7, 6, 5, 4, 3, 2, 1, 0}};

// Passed-pawn bonus by moves to promotion (0..7): a pawn the defending king
// cannot catch, and any other.
inline constexpr int16_t PASSED_UNSTOPPABLE[8] = {996, 868, 776, 700, 622, 568, 568, 508};
inline constexpr int16_t PASSED_ORDINARY[8] = {266, 196, 137, 90, 54, 30, 30, 18};

// The promotion square of the a-file for each colour; the h-file one is 7
// more.
inline constexpr uint8_t PROMOTION_SQUARE_A_FILE[2] = {56, 0};
