// Builds the board geometry tables at compile time.
#include "position/geometry.h"

#include "position/types.h"

namespace {

constexpr int abs_diff(int a, int b) { return a > b ? a - b : b - a; }

// The square one step from `square` in direction d, or NO_SQUARE when the
// step leaves the board (including wrapping around the a- or h-file).
constexpr int step_from(int square, int d) {
    int target = square + DIRECTION_STEPS[d];
    if (target < 0 || target > 63) return NO_SQUARE;
    int file_step = abs_diff(file_of(target), file_of(square));
    int rank_step = abs_diff(rank_of(target), rank_of(square));
    if (d < 8) return file_step <= 1 && rank_step <= 1 ? target : NO_SQUARE;
    return file_step + rank_step == 3 && file_step != 0 && rank_step != 0 ? target : NO_SQUARE;
}

constexpr void append_list(GeometryTables& g, int& cursor, int kind, int square,
                           const int* directions, int direction_count, bool slides) {
    g.ray_list_start[kind][square] = uint16_t(cursor);
    for (int i = 0; i < direction_count; ++i) {
        int d = directions[i];
        int ray_start = cursor;
        for (int t = step_from(square, d); t != NO_SQUARE; t = slides ? step_from(t, d) : NO_SQUARE) {
            g.ray_data[cursor++] = uint8_t(t);
        }
        // Skip counts: the elements left on this ray after each element.
        // Knight and king lists have one-element "rays", so their counts are 0.
        for (int k = ray_start; k < cursor; ++k) g.ray_data[RAY_SKIP_OFFSET + k] = uint8_t(cursor - 1 - k);
    }
    g.ray_data[cursor] = NO_SQUARE;
    g.ray_data[RAY_SKIP_OFFSET + cursor] = 0;
    ++cursor;
}

constexpr GeometryTables build_geometry() {
    GeometryTables g{};

    for (int target = 0; target < 64; ++target)
        for (int origin = 0; origin < 64; ++origin) g.direction_of[target][origin] = DIR_NONE;
    for (int origin = 0; origin < 64; ++origin) {
        for (int d = 0; d < 8; ++d)
            for (int t = step_from(origin, d); t != NO_SQUARE; t = step_from(t, d))
                g.direction_of[t][origin] = uint8_t(d);
        for (int d = 8; d < 16; ++d) {
            int t = step_from(origin, d);
            if (t != NO_SQUARE) g.direction_of[t][origin] = uint8_t(d);
        }
        g.direction_of[origin][origin] = DIR_NORTH_EAST;
    }

    for (int d = 0; d < 16; ++d)
        for (int s = 0; s < 64; ++s) g.next_square[d][s] = uint8_t(step_from(s, d));
    for (int d = 0; d < 8; ++d)
        for (int s = 0; s < 64; ++s)
            for (int t = step_from(s, d); t != NO_SQUARE; t = step_from(t, d)) ++g.ray_length[d][s];

    for (int a = 0; a < 64; ++a) {
        for (int b = 0; b < 64; ++b) {
            int df = abs_diff(file_of(a), file_of(b));
            int dr = abs_diff(rank_of(a), rank_of(b));
            g.king_distance[a][b] = uint8_t(df > dr ? df : dr);
        }
        g.square_colour[a] = uint8_t((file_of(a) + rank_of(a) + 1) & 1);
    }

    constexpr uint8_t edge[8] = {0, 1, 2, 3, 3, 2, 1, 0};
    for (int r = 0; r < 8; ++r) g.edge_distance_of_rank[r] = edge[r];

    constexpr int knight_dirs[8] = {8, 9, 10, 11, 12, 13, 14, 15};
    constexpr int king_dirs[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    constexpr int bishop_dirs[4] = {4, 5, 6, 7};
    constexpr int rook_dirs[4] = {0, 1, 2, 3};
    int cursor = 0;
    for (int s = 0; s < 64; ++s) append_list(g, cursor, KNIGHT, s, knight_dirs, 8, false);
    for (int s = 0; s < 64; ++s) append_list(g, cursor, BISHOP, s, bishop_dirs, 4, true);
    for (int s = 0; s < 64; ++s) append_list(g, cursor, ROOK, s, rook_dirs, 4, true);
    for (int s = 0; s < 64; ++s) append_list(g, cursor, QUEEN, s, king_dirs, 8, true);
    for (int s = 0; s < 64; ++s) append_list(g, cursor, KING, s, king_dirs, 8, false);
    // The lists fill the data exactly; a mismatch fails the constant evaluation.
    if (cursor != RAY_DATA_SIZE) throw "ray list size";
    return g;
}

}  // namespace

extern constinit const GeometryTables GEOMETRY = build_geometry();
