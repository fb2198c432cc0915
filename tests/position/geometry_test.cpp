#include <gtest/gtest.h>

#include <vector>

#include "position/geometry.h"
#include "position/position.h"
#include "position/types.h"

namespace {

std::vector<int> list_of(int kind, int square) {
    std::vector<int> targets;
    for (const uint8_t* p = ray_list(kind, square); *p != NO_SQUARE; ++p) targets.push_back(*p);
    return targets;
}

TEST(Geometry, DirectionOfNamesTheStepFromOriginTowardTarget) {
    struct Case { int target, origin, direction; };
    const Case cases[] = {
        {H1, A1, DIR_EAST},       {A8, A1, DIR_NORTH},      {A1, H1, DIR_WEST},  {E1, E8, DIR_SOUTH},
        {A8, H1, DIR_NORTH_WEST}, {H8, A1, DIR_NORTH_EAST}, {A1, H8, DIR_SOUTH_WEST}, {H1, A8, DIR_SOUTH_EAST},
        {D2, E4, 8},  /* -17 */   {C3, E4, 9},  /* -10 */   {C5, E4, 10}, /* +6 */   {D6, E4, 11}, /* +15 */
        {F6, E4, 12}, /* +17 */   {G5, E4, 13}, /* +10 */   {G3, E4, 14}, /* -6 */   {F2, E4, 15}, /* -15 */
        {C4, A1, DIR_NONE},       {H2, A1, DIR_NONE},       {E4, E4, DIR_NORTH_EAST},
        // Steps that would wrap around the board edge are no relation.
        {A2, H1, DIR_NONE},       {A3, G1, DIR_NONE},
    };
    for (const Case& c : cases)
        EXPECT_EQ(direction_of[c.target][c.origin], c.direction) << "target " << c.target << " origin " << c.origin;
}

TEST(Geometry, NextSquareLeavesTheBoardAtEveryEdge) {
    EXPECT_EQ(next_square[DIR_EAST][H4], NO_SQUARE);
    EXPECT_EQ(next_square[DIR_WEST][A4], NO_SQUARE);
    EXPECT_EQ(next_square[DIR_NORTH][E8], NO_SQUARE);
    EXPECT_EQ(next_square[DIR_SOUTH][E1], NO_SQUARE);
    EXPECT_EQ(next_square[DIR_NORTH_EAST][H4], NO_SQUARE);
    EXPECT_EQ(next_square[DIR_NORTH_WEST][A4], NO_SQUARE);
    // Knight steps across the a- and h-files.
    EXPECT_EQ(next_square[10][A4], NO_SQUARE);  // +6 from a4 would be g4
    EXPECT_EQ(next_square[13][G4], NO_SQUARE);  // +10 from g4 would be a6
    EXPECT_EQ(next_square[13][F4], H5);
    EXPECT_EQ(next_square[DIR_NORTH_EAST][E4], F5);
}

TEST(Geometry, DistancesColoursAndRankEdges) {
    EXPECT_EQ(king_distance[A1][H8], 7);
    EXPECT_EQ(king_distance[E4][F6], 2);
    EXPECT_EQ(king_distance[C3][C3], 0);
    EXPECT_EQ(square_colour[A1], 1);
    EXPECT_EQ(square_colour[B1], 0);
    EXPECT_EQ(square_colour[H1], 0);
    EXPECT_EQ(square_colour[H8], 1);
    const int edge[8] = {0, 1, 2, 3, 3, 2, 1, 0};
    for (int r = 0; r < 8; ++r) EXPECT_EQ(edge_distance_of_rank[r], edge[r]);
}

TEST(Geometry, TargetListsComeInTheDocumentedOrder) {
    EXPECT_EQ(list_of(KNIGHT, E4), (std::vector<int>{D2, C3, C5, D6, F6, G5, G3, F2}));
    EXPECT_EQ(list_of(KNIGHT, A1), (std::vector<int>{B3, C2}));
    EXPECT_EQ(list_of(KING, E4), (std::vector<int>{F4, E5, D4, E3, D5, F5, D3, F3}));
    EXPECT_EQ(list_of(KING, H8), (std::vector<int>{G8, H7, G7}));
    EXPECT_EQ(list_of(ROOK, A1), (std::vector<int>{B1, C1, D1, E1, F1, G1, H1, A2, A3, A4, A5, A6, A7, A8}));
    EXPECT_EQ(list_of(BISHOP, C1), (std::vector<int>{B2, A3, D2, E3, F4, G5, H6}));
    EXPECT_EQ(list_of(QUEEN, H1).size(), 21u);
}

TEST(Geometry, SkipCountsLeadPastTheRestOfARay) {
    // Rook on a1: the east ray has 7 squares, the north ray 7.
    const uint8_t* p = ray_list(ROOK, A1);
    EXPECT_EQ(ray_skip(p), 6);       // b1: six more squares east
    EXPECT_EQ(ray_skip(p + 6), 0);   // h1 ends the ray
    EXPECT_EQ(p[ray_skip(p) + 1], A2);
    // Every list of every kind: skipping from any element lands on the next
    // ray's first square, which lies in another direction.
    for (int kind = BISHOP; kind <= QUEEN; ++kind) {
        for (int sq = 0; sq < 64; ++sq) {
            for (const uint8_t* e = ray_list(kind, sq); *e != NO_SQUARE; ++e) {
                int d = direction_of[*e][sq];
                const uint8_t* next = e + ray_skip(e) + 1;
                for (const uint8_t* q = e; q < next; ++q) EXPECT_EQ(direction_of[*q][sq], d);
                if (*next != NO_SQUARE) {
                    EXPECT_NE(direction_of[*next][sq], d);
                }
            }
        }
    }
}

TEST(BitCount, CountsEverySetBit) {
    // Walks patterns of every density, each bit position set and clear.
    uint32_t x = 0x9E3779B9u;
    for (int i = 0; i < 100000; ++i) {
        x = x * 1664525u + 1013904223u;
        const uint32_t masks[] = {x, x & (x >> 7), x | (x << 3), ~x, 1u << (i & 31)};
        for (uint32_t m : masks) ASSERT_EQ(bit_count(m), __builtin_popcount(m)) << m;
    }
    static_assert(bit_count(0) == 0 && bit_count(0xFFFFFFFFu) == 32);
}

}  // namespace
