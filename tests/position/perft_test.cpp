// Perft against reference counts, published or from an independent
// generator: the generators, make/unmake and the legality test together must
// reproduce the exact leaf counts of these positions. Counts above a node
// budget are skipped so that a normal test run stays fast;
// MORVAX_PERFT_MAX_NODES raises the budget (deeper counts) or lowers it
// (sanitizer builds).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "perft.h"
#include "position/position.h"
#include "test_board.h"

namespace {

struct PerftCase {
    const char* name;
    const char* fen;
    std::vector<uint64_t> counts;  // by depth, from 1
};

// Chess960 positions give their castling rights as rook files, which sets up
// Chess960 castling; the standard positions written that way must give the
// standard counts, since the Chess960 rules reduce to the standard ones there.
const PerftCase PERFT_CASES[] = {
    {"StartPosition", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
     {20, 400, 8902, 197281, 4865609, 119060324}},
    {"Kiwipete", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
     {48, 2039, 97862, 4085603, 193690690}},
    {"RookEndgame", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
     {14, 191, 2812, 43238, 674624, 11030083}},
    {"Promotions", "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
     {6, 264, 9467, 422333, 15833292}},
    {"PromotionsMirrored", "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1",
     {6, 264, 9467, 422333, 15833292}},
    // The queen checks along f1-b5; taking en passant onto d3 steps between.
    {"EnPassantInterposes", "8/8/8/1k6/3Pp3/8/8/4KQ2 b - d3 0 1",
     {6, 121, 711, 16325, 94099, 2213124}},
    {"EnPassantInterposesMirrored", "4kq2/8/8/3pP3/1K6/8/8/8 w - d6 0 1",
     {6, 121, 711, 16325, 94099, 2213124}},
    {"DiscoveredChecks", "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
     {44, 1486, 62379, 2103487, 89941194}},
    {"Middlegame", "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
     {46, 2079, 89890, 3894594}},
    {"StartPositionAsChess960", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w HAha - 0 1",
     {20, 400, 8902, 197281, 4865609}},
    {"KiwipeteAsChess960", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w HAha -",
     {48, 2039, 97862, 4085603}},
    {"Chess960KingOnG", "bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9",
     {21, 528, 12189, 326672, 8146062, 227689589}},
    {"Chess960KingOnG2", "2nnrbkr/p1qppppp/8/1ppb4/6PP/3PP3/PPP2P2/BQNNRBKR w HEhe - 1 9",
     {21, 807, 18002, 667366, 16253601}},
    {"Chess960KingOnF", "b1q1rrkb/pppppppp/3nn3/8/P7/1PPP4/4PPPP/BQNNRKRB w GE - 1 9",
     {20, 479, 10471, 273318, 6417013}},
    {"Chess960BlackRightsOnly", "qbbnnrkr/2pp2pp/p7/1p2pp2/8/P3PP2/1PPP1KPP/QBBNNR1R w hf - 0 9",
     {22, 593, 13440, 382958, 9183776}},
    {"Chess960QueenAttack", "1nbbnrkr/p1p1ppp1/3p4/1p3P1p/3Pq2P/8/PPP1P1P1/QNBBNRKR w HFhf - 0 9",
     {28, 1120, 31058, 1171749, 34030312}},
    {"Chess960Developed", "qnbnr1kr/ppp1b1pp/4p3/3p1p2/8/2NPP3/PPP1BPPP/QNB1R1KR w HEhe - 1 9",
     {29, 899, 26578, 824055, 24851983}},
};

uint64_t node_budget() {
    const char* text = std::getenv("MORVAX_PERFT_MAX_NODES");
    if (text != nullptr && *text != '\0') return std::strtoull(text, nullptr, 10);
    return 6000000;
}

class PerftTest : public testing::TestWithParam<PerftCase> {};

TEST_P(PerftTest, MatchesPublishedCounts) {
    const PerftCase& c = GetParam();
    const uint64_t budget = node_budget();
    for (size_t depth = 1; depth <= c.counts.size() && c.counts[depth - 1] <= budget; ++depth) {
        ASSERT_EQ(load_test_board(c.fen), 1) << c.fen;
        const std::vector<PerftDivideEntry> divide = perft_divide(&main_position, int(depth));
        uint64_t total = 0;
        for (const PerftDivideEntry& entry : divide) total += entry.nodes;
        ASSERT_EQ(total, c.counts[depth - 1])
            << c.fen << " at depth " << depth << ", by root move:\n" << divide_text(divide);
    }
}

INSTANTIATE_TEST_SUITE_P(ReferencePositions, PerftTest, testing::ValuesIn(PERFT_CASES),
                         [](const testing::TestParamInfo<PerftCase>& info) { return info.param.name; });

}  // namespace
