// The evaluation's square sets, read either way, against the board they are
// read from, and the first man on each ray against a walk along it, on
// positions with men on the edges, rooks and queens of both colours and rays
// that end on the board edge.
#include <gtest/gtest.h>

#include "position/board_sets.h"
#include "position/geometry.h"
#include "position/position.h"
#include "test_board.h"

namespace {

constexpr const char* FENS[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "Q6q/8/3k4/8/8/4K3/8/r6R w - - 0 1",
    "7k/8/8/8/8/8/8/K7 b - - 0 1",
    "1r2q1rk/p1b2p1p/1p2pQp1/8/2PR4/1P5P/PB3PP1/3R2K1 b - - 0 1",
};

TEST(BoardSetsTest, SetsAndRayStopsAgreeWithTheBoard) {
    for (const char* fen : FENS) {
        ASSERT_EQ(load_test_board(fen), 1) << fen;
        const Position* pos = &main_position;
        const BoardSets sets = board_sets(pos);
        const BoardSets bytewise = board_sets_bytewise(pos);
        EXPECT_EQ(bytewise.occupied, sets.occupied) << fen;
        EXPECT_EQ(bytewise.rook_stops, sets.rook_stops) << fen;
        for (int sq = 0; sq < 64; ++sq) {
            const int k = pos->kind[sq];
            const uint64_t bit = uint64_t(1) << sq;
            EXPECT_EQ((sets.occupied & bit) != 0, k != NO_KIND) << fen << " square " << sq;
            EXPECT_EQ((sets.rook_stops & bit) != 0, k != NO_KIND && k != ROOK && k != QUEEN) << fen << " square " << sq;
        }
        for (const uint64_t men : {sets.occupied, sets.rook_stops}) {
            for (int dir = 0; dir < 8; ++dir) {
                for (int sq = 0; sq < 64; ++sq) {
                    int before = 0;
                    int t = next_square[dir][sq];
                    while (t != NO_SQUARE && !(men & (uint64_t(1) << t))) {
                        ++before;
                        t = next_square[dir][t];
                    }
                    const RayStop stop = ray_stop(men, dir, sq);
                    EXPECT_EQ(stop.found, t != NO_SQUARE) << fen << " dir " << dir << " square " << sq;
                    if (stop.found) {
                        EXPECT_EQ(stop.square, t) << fen << " dir " << dir << " square " << sq;
                    }
                    EXPECT_EQ(stop.before, before) << fen << " dir " << dir << " square " << sq;
                }
            }
        }
    }
}

}  // namespace
