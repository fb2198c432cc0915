// Static board geometry, computed at compile time and shared by every
// position: directions between squares, neighbours by direction, distances,
// square colours and the per-kind target lists used by the attack handlers,
// the generators and the tests.
#pragma once

#include <cstdint>

// Direction codes. 0-3 orthogonal, 4-7 diagonal, 8-15 knight steps; 16 for
// squares that share no line or knight step.
enum Direction : int {
    DIR_EAST = 0,        // +1
    DIR_NORTH = 1,       // +8
    DIR_WEST = 2,        // -1
    DIR_SOUTH = 3,       // -8
    DIR_NORTH_WEST = 4,  // +7
    DIR_NORTH_EAST = 5,  // +9
    DIR_SOUTH_WEST = 6,  // -9
    DIR_SOUTH_EAST = 7,  // -7
    // Knight steps 8..15: -17, -10, +6, +15, +17, +10, -6, -15.
    DIR_KNIGHT_FIRST = 8,
    DIR_NONE = 16,
};

constexpr bool is_line_direction(int d) { return d < 8; }
constexpr bool is_orthogonal_direction(int d) { return d < 4; }
constexpr bool is_diagonal_direction(int d) { return d >= 4 && d < 8; }

// The board step of each direction code 0..15.
inline constexpr int DIRECTION_STEPS[16] = {1, 8, -1, -8, 7, 9, -9, -7,
                                            -17, -10, 6, 15, 17, 10, -6, -15};

// The opposite of each line direction.
inline constexpr uint8_t OPPOSITE_DIRECTION[8] = {2, 3, 0, 1, 7, 6, 5, 4};

// Per piece kind and square, a list of target squares ending in 255.
//  - knight: the knight steps in direction order -17, -10, +6, +15, +17, +10,
//    -6, -15 (the targets on the board, in that order);
//  - king: the neighbours in direction order E, N, W, S, NW, NE, SW, SE;
//  - bishop (NW, NE, SW, SE), rook (E, N, W, S), queen (all eight in code
//    order): the rays one after the other, each ordered outward.
// Move order ties depend on this order, so it is fixed.
// Each list element p has a skip count at p[RAY_SKIP_OFFSET]: the number of
// elements left on p's ray after it (0 on a ray's last square), so a scan that
// meets an occupied square skips the rest of the ray by adding it.
constexpr int RAY_DATA_SIZE = 3988;
constexpr int RAY_SKIP_OFFSET = RAY_DATA_SIZE;

struct GeometryTables {
    uint8_t direction_of[64][64];      // [target][origin]: direction of the step from origin toward target
    uint8_t next_square[16][64];       // [direction][square], 255 off the board
    uint8_t ray_length[8][64];         // [line direction][square]: squares from square to the edge
    uint8_t king_distance[64][64];
    uint8_t square_colour[64];         // 1 dark (a1), 0 light
    uint8_t edge_distance_of_rank[8];  // 0, 1, 2, 3, 3, 2, 1, 0
    uint16_t ray_list_start[7][64];    // offset of each list in ray_data (kinds 2..6)
    uint8_t ray_data[2 * RAY_DATA_SIZE];  // targets, then the skip counts at the same offsets
};

extern const GeometryTables GEOMETRY;

// The tables by name: direction_of[target][origin], next_square[d][sq], ...
// Note that a square with itself gives DIR_NORTH_EAST (5), and that direction
// codes of unrelated squares are DIR_NONE.
inline constexpr const uint8_t (&direction_of)[64][64] = GEOMETRY.direction_of;
inline constexpr const uint8_t (&next_square)[16][64] = GEOMETRY.next_square;
inline constexpr const uint8_t (&ray_length)[8][64] = GEOMETRY.ray_length;
inline constexpr const uint8_t (&king_distance)[64][64] = GEOMETRY.king_distance;
inline constexpr const uint8_t (&square_colour)[64] = GEOMETRY.square_colour;
inline constexpr const uint8_t (&edge_distance_of_rank)[8] = GEOMETRY.edge_distance_of_rank;

// The target list of kind (KNIGHT..KING) on square.
inline const uint8_t* ray_list(int kind, int square) {
    return GEOMETRY.ray_data + GEOMETRY.ray_list_start[kind][square];
}
inline int ray_skip(const uint8_t* element) { return element[RAY_SKIP_OFFSET]; }
