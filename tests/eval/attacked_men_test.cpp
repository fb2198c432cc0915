// The attacked men of each side, read either way, against the board's own
// answer for every live man, through random games: captures leave empty
// slots behind, promotions bring new pieces, kings attack men too.
#include "eval/attacked_men.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "position/position.h"
#include "support/naive_moves.h"
#include "support/test_board.h"

namespace {

Position& pos = main_position;

uint32_t reference_attacked(int side) {
    uint32_t attacked = 0;
    for (int slot = 1; slot < 16; ++slot)
        if ((pos.slots[side] >> slot & 1) && naive_square_attacked(&pos, side ^ 1, pos.piece_list[side][slot]))
            attacked |= 1u << slot;
    return attacked;
}

TEST(AttackedMen, AgreeWithTheBoardThroughRandomGames) {
    const char* fens[] = {
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
        "4k3/1P1p2p1/p3p3/P1pP1pP1/2P2P2/8/6p1/4K3 b - -",
        "1r2q1rk/p1b2p1p/1p2pQp1/8/2PR4/1P5P/PB3PP1/3R2K1 b - -",
    };
    std::mt19937 random(25);
    for (const char* fen : fens) {
        for (int game = 0; game < 4; ++game) {
            ASSERT_EQ(load_test_board(fen), 1) << fen;
            for (int ply = 0; ply < 80; ++ply) {
                for (int side : {WHITE, BLACK}) {
                    const uint32_t expected = reference_attacked(side);
                    ASSERT_EQ(attacked_men(&pos, side), expected) << fen << " ply " << ply << " side " << side;
                    ASSERT_EQ(attacked_men_scalar(&pos, side), expected) << fen << " ply " << ply << " side " << side;
                }
                if (!play_random_legal_move(&pos, random)) break;
            }
        }
    }
}

}  // namespace
