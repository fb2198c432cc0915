#include "uci/move_text.h"

#include <gtest/gtest.h>

#include "game/game_history.h"
#include "position/position.h"
#include "uci/fen.h"
#include "uci/new_game.h"

namespace {

class MoveTextTest : public ::testing::Test {
protected:
    void TearDown() override { start_new_game(); }
    void load(const char* fen) { ASSERT_EQ(parse_fen(fen), 1) << fen; }
};

TEST_F(MoveTextTest, ReadsCoordinateAndAlgebraicMoves) {
    struct Case {
        const char* fen;
        const char* text;
        Move expected;  // 0: names no move
    };
    const Case cases[] = {
        // Promotions in every spelling.
        {"8/4P1k1/8/8/8/8/8/4K3 w - - 0 1", "e7e8q", encode_move(E7, E8, MK_PROMOTE_QUEEN)},
        {"8/4P1k1/8/8/8/8/8/4K3 w - - 0 1", "e7e8Q", encode_move(E7, E8, MK_PROMOTE_QUEEN)},
        {"8/4P1k1/8/8/8/8/8/4K3 w - - 0 1", "e7e8b", encode_move(E7, E8, MK_PROMOTE_BISHOP)},
        {"8/4P1k1/8/8/8/8/8/4K3 w - - 0 1", "e7e8=Q", encode_move(E7, E8, MK_PROMOTE_QUEEN)},
        {"8/4P1k1/8/8/8/8/8/4K3 w - - 0 1", "e8=Q+", encode_move(E7, E8, MK_PROMOTE_QUEEN)},
        {"8/4P1k1/8/8/8/8/8/4K3 w - - 0 1", "e8N", encode_move(E7, E8, MK_PROMOTE_KNIGHT)},
        {"8/4P1k1/8/8/8/8/8/4K3 w - - 0 1", "e7e8", encode_move(E7, E8, MK_QUIET)},
        {"7k/8/8/8/8/8/p7/7K b - - 0 1", "a1Q", encode_move(A2, A1, MK_PROMOTE_QUEEN)},
        {"7k/8/8/8/8/8/p7/7K b - - 0 1", "a1=Q", encode_move(A2, A1, MK_PROMOTE_QUEEN)},
        {"7k/8/8/8/8/8/p7/7K b - - 0 1", "a2a1q", encode_move(A2, A1, MK_PROMOTE_QUEEN)},
        // Two knights reach d7: the origin must be given.
        {"1n2k3/8/5n2/8/8/8/8/4K3 b - - 0 1", "Nbd7", encode_move(B8, D7, MK_QUIET)},
        {"1n2k3/8/5n2/8/8/8/8/4K3 b - - 0 1", "Nfd7", encode_move(F6, D7, MK_QUIET)},
        {"1n2k3/8/5n2/8/8/8/8/4K3 b - - 0 1", "Nd7", 0},
        // A pinned knight is no candidate.
        {"1n5k/8/5n2/8/3B4/8/8/4K3 b - - 0 1", "Nd7", encode_move(B8, D7, MK_QUIET)},
        {"1n5k/8/5n2/8/8/8/8/4K3 b - - 0 1", "Nd7", 0},
        // A pinned man moving along its pin line still counts.
        {"4k3/8/4r3/8/r7/8/8/4RK2 b - - 0 1", "Re4", 0},
        {"4k3/8/4r3/8/r7/8/8/4RK2 b - - 0 1", "Rae4", encode_move(A4, E4, MK_QUIET)},
        // Pawn pushes find the pawn one, else two squares behind.
        {"4k3/8/8/8/8/4P3/4P3/4K3 w - - 0 1", "e4", encode_move(E3, E4, MK_QUIET)},
        {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", "e4", encode_move(E2, E4, MK_QUIET)},
        {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", "e2e4", encode_move(E2, E4, MK_QUIET)},
        // Pawn captures, en passant included.
        {"4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "exd5", encode_move(E4, D5, MK_QUIET)},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2", "exd6", encode_move(E5, D6, MK_QUIET)},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2", "exd6e.p.", 0},
        // Castling.
        {"4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", "O-O", encode_move(E1, G1, MK_CASTLING)},
        {"4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", "0-0-0", encode_move(E1, C1, MK_CASTLING)},
        {"4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", "Kg1", 0},
        // Nothing readable.
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", "", 0},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", "Zz9", 0},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", "i2i4", 0},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", "Ke1e2e3", 0},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", "Qe2", 0},
    };
    for (const Case& c : cases) {
        load(c.fen);
        EXPECT_EQ(parse_move_text(c.text), c.expected) << c.fen << " / " << c.text;
    }
}

TEST_F(MoveTextTest, WritesAlgebraicText) {
    struct Case {
        Move move;
        int format;
        const char* text;
    };
    const int algebraic = SAN_ALGEBRAIC | SAN_NO_PADDING;
    const Case cases[] = {
        {encode_move(G1, F3, MK_QUIET), algebraic | KNIGHT, "Nf3"},
        {encode_move(B1, D2, MK_QUIET), algebraic | KNIGHT | SAN_FILE_GIVEN, "Nbd2"},
        {encode_move(A1, A3, MK_QUIET), algebraic | ROOK | SAN_RANK_GIVEN, "R1a3"},
        {encode_move(E4, D5, MK_CAPTURE), algebraic | PAWN, "exd5"},
        {encode_move(E7, E8, MK_PROMOTE_QUEEN) | MOVE_GIVES_CHECK, algebraic | PAWN, "e8Q+"},
        {encode_move(D7, C8, MK_PROMOTE_KNIGHT), algebraic | PAWN, "dxc8N"},
        {encode_move(F7, F8, MK_QUIET) | MOVE_GIVES_CHECK, algebraic | QUEEN | SAN_MATE, "Qf8#"},
        {encode_move(E1, G1, MK_CASTLING), algebraic, "O-O"},
        {encode_move(E8, C8, MK_CASTLING), algebraic, "O-O-O"},
        {NULL_MOVE, algebraic, "NULLMV"},
        {encode_move(E2, E4, MK_QUIET), 0, "e2-e4   "},
        {encode_move(E2, E4, MK_QUIET), SAN_ALGEBRAIC | PAWN, "e4     "},
        {encode_move(E2, E4, MK_QUIET), SAN_ALGEBRAIC | SAN_ONE_BLANK | PAWN, "e4 "},
        {encode_move(E1, G1, MK_CASTLING), SAN_LONG | SAN_NO_PADDING, "e1g1"},
        {encode_move(G1, F3, MK_QUIET), algebraic | KNIGHT | 0x100, "Nf3!"},
        {0, 0, "        "},
    };
    for (const Case& c : cases) EXPECT_STREQ(move_to_san(c.move, c.format), c.text) << c.text;
}

}  // namespace
