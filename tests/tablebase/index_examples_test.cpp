// Index functions on positions whose index is known: the worked examples of
// the format, the kppkp positions whose published entries are patched, and
// the table of cases worked out from the layout's formulas by a script of
// its own (index_formulas_check.py, which checks that table too).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tablebase/descriptor.h"
#include "tablebase/index/index_functions.h"
#include "tablebase/index/square_tables.h"
#include "tb_positions.h"

namespace {

using tb_positions::list_of;
using tb_positions::square_of;

class IndexExamplesTest : public ::testing::Test {
protected:
    void SetUp() override { tb_init_index_functions(); }
};

uint64_t index_of(const char* material, int side, const std::string& first, const std::string& second,
                  int en_passant = TB_NO_EN_PASSANT, int invert = 0) {
    const TbDescriptor& d = tb_descriptors[size_t(tb_find_record(material))];
    const TbPieceList a = list_of(first), b = list_of(second);
    return d.index[side](&a, &b, en_passant, invert);
}

TEST_F(IndexExamplesTest, QueenAgainstKing) {
    struct Case {
        int side;
        const char *first, *second;
        uint64_t index;
    };
    const Case cases[] = {
        {0, "Ka1 Qd1", "Kh8", 1768},   // no fold, no reflection: king pair 32
        {1, "Ka1 Qd1", "Kh8", 2043},   // folded by the lone king: 32 x 62 + 59
        {0, "Ke1 Qd1", "Ke8", 11181},  // folded onto the d-file
        {0, "Kh8 Qa1", "Kf1", 997},    // folded, then reflected in the diagonal
    };
    for (const Case& c : cases) EXPECT_EQ(index_of("kqk", c.side, c.first, c.second), c.index) << c.first << " " << c.second;
}

// Lines "<material> <side> <invert> <first men> / <second men> [ep <square>]
// = <index>" of the table; '#' starts a comment.
TEST_F(IndexExamplesTest, IndexesWorkedOutFromTheFormulas) {
    std::ifstream table(MORVAX_SOURCE_DIR "/tests/tablebase/index_cases.txt");
    ASSERT_TRUE(table) << "the table of index cases is missing";
    std::string line;
    int cases = 0;
    for (int number = 1; std::getline(table, line); ++number) {
        line = line.substr(0, line.find('#'));
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        const size_t slash = line.find('/'), equals = line.find('=');
        ASSERT_TRUE(slash != std::string::npos && equals != std::string::npos && slash < equals) << number;
        std::istringstream head(line.substr(0, slash));
        std::string material, word, first, second = line.substr(slash + 1, equals - slash - 1);
        int side = 0, invert = 0;
        head >> material >> side >> invert;
        while (head >> word) first += word + " ";
        int en_passant = TB_NO_EN_PASSANT;
        if (const size_t ep = second.find(" ep "); ep != std::string::npos) {
            std::istringstream square(second.substr(ep + 4));
            square >> word;
            en_passant = square_of(word.c_str());
            second.resize(ep);
        }
        const uint64_t expected = std::stoull(line.substr(equals + 1));
        EXPECT_EQ(index_of(material.c_str(), side, first, second, en_passant, invert), expected)
            << "index_cases.txt:" << number << ": " << line;
        ++cases;
    }
    EXPECT_GT(cases, 200);
}

TEST_F(IndexExamplesTest, LikeMenInAnySlotOrder) {
    EXPECT_EQ(index_of("krrkn", 0, "Kb1 Rc4 Rg7", "Kh8 Ne2"), index_of("krrkn", 0, "Kb1 Rg7 Rc4", "Kh8 Ne2"));
    EXPECT_EQ(index_of("krrkn", 1, "Kb1 Rc4 Rg7", "Kh8 Ne2"), index_of("krrkn", 1, "Kb1 Rg7 Rc4", "Kh8 Ne2"));
    EXPECT_EQ(index_of("kppkp", 1, "Kb1 Pc4 Pg5", "Kh8 Pe7"), index_of("kppkp", 1, "Kb1 Pg5 Pc4", "Kh8 Pe7"));
}

TEST_F(IndexExamplesTest, KnightNextToTheKingKeepsItsFullRange) {
    // The moving king a knight's move from the other king stands on no square
    // a knight may take: the knight on h8 is the last position of the pair.
    const int knight = TB_KIND_KNIGHT;
    const TbOffsetTable* table = tb_offset_table(TB_FORM_PAWNLESS, 1, &knight);
    const int kk = TB_KING_PAIRS_PAWNLESS[square_of("b1")][square_of("c3")];
    EXPECT_EQ(index_of("knk", 0, "Kb1 Nh8", "Kc3") + 1, table->offsets[kk + 1]);
    // A king a queen's contact square away takes one square from the queen.
    const int queen = TB_KIND_QUEEN;
    const TbOffsetTable* q = tb_offset_table(TB_FORM_PAWNLESS, 1, &queen);
    const int pair = TB_KING_PAIRS_PAWNLESS[square_of("b1")][square_of("d3")];
    EXPECT_EQ(index_of("kqk", 0, "Kb1 Qh8", "Kd3") + 1, q->offsets[pair + 1]);
    EXPECT_EQ(q->offsets[pair + 1] - q->offsets[pair], uint32_t(tb_square_counts[TB_KIND_QUEEN][square_of("d3")] - 1));
}

TEST_F(IndexExamplesTest, EnPassantCases) {
    const TbIndexPlan& kpkp = tb_index_plan(tb_find_record("kpkp"), 0);
    const TbIndexPlan& kppkp = tb_index_plan(tb_find_record("kppkp"), 0);
    ASSERT_TRUE(kpkp.en_passant.used);
    EXPECT_EQ(kpkp.en_passant.ordinary_count, 81664u * 47u);
    auto capture_case = [](const TbIndexPlan& plan, uint64_t index) { return (index - plan.en_passant.ordinary_count) % 14; };
    EXPECT_EQ(capture_case(kpkp, index_of("kpkp", 0, "Kc1 Pe5", "Kh8 Pd5", square_of("d6"))), 3u);
    EXPECT_EQ(capture_case(kpkp, index_of("kpkp", 0, "Kc1 Pe5", "Kh8 Pf5", square_of("f6"))), 11u);
    // Both pawns can take: the lower one does, and the other is coded.
    EXPECT_EQ(capture_case(kppkp, index_of("kppkp", 0, "Kc1 Pc5 Pe5", "Kh8 Pd5", square_of("d6"))), 9u);
    // The last en-passant index of kpkp ends its table.
    EXPECT_EQ(kpkp.table_size, 3863492u);
}

TEST_F(IndexExamplesTest, PatchedKppkpPositions) {
    // White (first-named) king and pawns against the black king and pawn,
    // black to move; the files mirrored give the same index.
    struct Case {
        const char *white, *black;
        uint64_t index;
    };
    const Case cases[] = {
        {"Kc3 Pe3 Pe4", "Ka3 Pb7", 56802428}, {"Kc3 Pe3 Pe4", "Ka3 Pb6", 56811076},
        {"Kc3 Pe3 Pe4", "Ka2 Pb5", 67775659}, {"Kd3 Pe3 Pe4", "Ka3 Pb7", 56849992},
        {"Kd3 Pe3 Pe4", "Ka3 Pb6", 56858640}, {"Kd3 Pe3 Pe4", "Kb3 Pb5", 59592489},
        {"Kd1 Pe3 Pe4", "Kb2 Pb5", 71071628},
    };
    auto mirrored = [](const std::string& text) {
        std::string out = text;
        for (size_t i = 1; i < out.size(); ++i)
            if (out[i] >= 'a' && out[i] <= 'h' && out[i - 1] != ' ') out[i] = char('h' - (out[i] - 'a'));
        return out;
    };
    for (const Case& c : cases) {
        EXPECT_EQ(index_of("kppkp", 1, c.white, c.black), c.index) << c.white << " / " << c.black;
        EXPECT_EQ(index_of("kppkp", 1, mirrored(c.white), mirrored(c.black)), c.index) << "mirrored " << c.white;
    }
}

TEST_F(IndexExamplesTest, DigitOrderOfThePlacedMen) {
    // Two men a side: the placed men are taken last to first, so the waiting
    // pawn (48 places) is worth more than the waiting queen (59 places).
    const uint64_t kqrkqp = index_of("kqrkqp", 0, "Kb1 Qa3 Rc2", "Kh8 Qe8 Pg3");
    EXPECT_EQ(index_of("kqrkqp", 0, "Kb1 Qa3 Rc2", "Kh8 Qe8 Ph3"), kqrkqp + 59);
    EXPECT_EQ(index_of("kqrkqp", 0, "Kb1 Qa3 Rc2", "Kh8 Qf8 Pg3"), kqrkqp + 1);
    // Otherwise in name order: the queen (60 places) before the pawn.
    const uint64_t kqpkq = index_of("kqpkq", 1, "Kh8 Qe8 Pg3", "Kb1 Qa3");
    EXPECT_EQ(index_of("kqpkq", 1, "Kh8 Qf8 Pg3", "Kb1 Qa3"), kqpkq + 48);
    EXPECT_EQ(index_of("kqpkq", 1, "Kh8 Qe8 Ph3", "Kb1 Qa3"), kqpkq + 1);
}

TEST_F(IndexExamplesTest, PositionsNoGameReachesHaveNoIndex) {
    EXPECT_EQ(index_of("kqk", 0, "Ka1 Qa1", "Kh8"), TB_NO_INDEX) << "two men on a square";
    EXPECT_EQ(index_of("kqk", 0, "Ka1 Qd1", "Kb2"), TB_NO_INDEX) << "kings side by side";
    EXPECT_EQ(index_of("kqk", 0, "Ka1 Qg7", "Kh8"), TB_NO_INDEX) << "queen gives check by contact";
    EXPECT_EQ(index_of("kpk", 0, "Ka1 Pe8", "Kh8"), TB_NO_INDEX) << "pawn on the last rank";
    EXPECT_EQ(index_of("kpk", 1, "Ka1 Pe1", "Kh8"), TB_NO_INDEX) << "pawn on the first rank";
    EXPECT_EQ(index_of("kpkp", 0, "Kc1 Pe5", "Kh8 Pd5", square_of("b6")), TB_NO_INDEX) << "no pawn can take";
    EXPECT_EQ(index_of("kpkp", 0, "Kc1 Pe5", "Kh8 Pd4", square_of("d6")), TB_NO_INDEX) << "no pawn was taken";
    EXPECT_EQ(index_of("kpkp", 0, "Kd7 Pe5", "Kh8 Pd5", square_of("d6")), TB_NO_INDEX) << "the crossed square is taken";
    EXPECT_EQ(index_of("kqk", 0, "Ka1 Qd1", "Ki9"), TB_NO_INDEX) << "off the board";
}

}  // namespace
