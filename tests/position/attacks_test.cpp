#include <gtest/gtest.h>

#include <string>

#include "position/make.h"
#include "position/position.h"
#include "support/position_check.h"
#include "support/test_board.h"

namespace {

Position& pos = main_position;

struct Word { int side, square; uint32_t xray, direct; };

// The exact words of some squares in small positions, after an optional move.
TEST(AttackTables, XrayWordsThroughLineMen) {
    struct Case { const char* name; const char* fen; const char* move; Word words[3]; };
    const Case cases[] = {
        // Rook a4 (slot 3, bit 8) in front of rook a1 (slot 2, bit 4): beyond a4
        // the rear rook counts in word 0 only, in the queen class.
        {"rook behind rook", "4k3/8/8/8/R7/8/8/R3K3 w - -", nullptr,
         {{WHITE, A6, 0x10100008 + 0x10020004, 0x10100008},
          {WHITE, A4, 0x10100004, 0x10100004},
          {WHITE, A3, 0x10100004 + 0x10100008, 0x10100004 + 0x10100008}}},
        {"rook behind an enemy rook", "4k3/8/8/8/r7/8/8/R3K3 w - -", nullptr,
         {{WHITE, A6, 0x10020004, 0}, {WHITE, A4, 0x10100004, 0x10100004}, {BLACK, A1, 0x10100004, 0x10100004}}},
        // Bishop a1 (dark, slot 5, bit 0x20) is stopped by the rook on c3.
        {"bishop behind a rook", "4k3/8/8/8/8/2R5/8/B3K3 w - -", nullptr,
         {{WHITE, C3, 0x10400020, 0x10400020}, {WHITE, D4, 0, 0}, {WHITE, B2, 0x10400020, 0x10400020}}},
        // The queen (slot 1, bit 2) steps onto a3 between the rook and its file.
        {"queen moves in front of a rook", "4k3/8/8/8/8/8/1Q6/R3K3 w - -", "b2a3",
         {{WHITE, A5, 0x10020002 + 0x10020004, 0x10020002},
          {WHITE, A3, 0x10100004, 0x10100004},
          {WHITE, A2, 0x10100004 + 0x10020002, 0x10100004 + 0x10020002}}},
        // The knight on a3 stopped the rook's x-ray through the queen; when it
        // leaves, the x-ray runs on to the end of the file.
        {"knight leaves an x-ray line", "4k3/8/8/8/8/N7/Q7/R3K3 w - -", "a3b5",
         {{WHITE, A6, 0x10020002 + 0x10020004, 0x10020002},
          {WHITE, A4, 0x10020002 + 0x10020004, 0x10020002},
          {WHITE, A2, 0x10100004, 0x10100004}}},
        // A king is never transparent: the x-ray stops on it.
        {"x-ray stops on the king", "8/8/8/8/4k3/8/4R3/4R1K1 b - -", nullptr,
         {{WHITE, E4, 0x10100008 + 0x10020004, 0x10100008},
          {WHITE, E5, 0, 0},
          {WHITE, E3, 0x10100008 + 0x10020004, 0x10100008}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(load_test_board(c.fen), 1);
        if (c.move) make_move(&pos, parse_test_move(&pos, c.move));
        EXPECT_EQ(check_position(&pos), "");
        for (const Word& w : c.words) {
            EXPECT_EQ(pos.attacks[w.side][w.square].xray, w.xray) << "square " << w.square;
            EXPECT_EQ(pos.attacks[w.side][w.square].direct, w.direct) << "square " << w.square;
        }
    }
}

}  // namespace
