// The start-up index tables: square numbering per kind of man, king pairs,
// and the offsets and totals of the groups of moving men.
#include <gtest/gtest.h>

#include "tablebase/index/index_tables.h"
#include "tablebase/index/square_tables.h"
#include "tb_positions.h"

namespace {

using tb_positions::square_of;

class IndexTablesTest : public ::testing::Test {
protected:
    void SetUp() override { init_tb_index_tables(); }
    static uint32_t total(TbKingForm form, std::initializer_list<int> kinds) {
        const TbOffsetTable* table = tb_offset_table(form, int(kinds.size()), kinds.begin());
        EXPECT_NE(table, nullptr);
        return table ? table->total : 0;
    }
};

TEST_F(IndexTablesTest, SquaresLeftOutAroundAKing) {
    const int a1 = square_of("a1"), e5 = square_of("e5");
    for (const char* s : {"a1", "b1", "a2", "b2"}) EXPECT_EQ(tb_square_numbering[TB_KIND_QUEEN][a1][square_of(s)], 0xFF) << s;
    EXPECT_EQ(tb_square_numbering[TB_KIND_QUEEN][a1][square_of("c1")], 0);
    EXPECT_EQ(tb_square_counts[TB_KIND_QUEEN][a1], 60);
    for (const char* s : {"b3", "c2"}) EXPECT_EQ(tb_square_numbering[TB_KIND_KNIGHT][a1][square_of(s)], 0xFF) << s;
    EXPECT_EQ(tb_square_counts[TB_KIND_KNIGHT][a1], 61);
    EXPECT_EQ(tb_square_counts[TB_KIND_BISHOP][a1], 62);
    EXPECT_EQ(tb_square_counts[TB_KIND_ROOK][a1], 61);
    for (const char* s : {"d4", "f4"})
        EXPECT_EQ(tb_square_numbering[TB_KIND_ATTACKING_PAWN][e5][square_of(s)], 0xFF) << s;
    EXPECT_NE(tb_square_numbering[TB_KIND_ATTACKING_PAWN][e5][square_of("d6")], 0xFF) << "a pawn above the king";
    EXPECT_EQ(tb_square_counts[TB_KIND_ATTACKING_PAWN][e5], 45);
    EXPECT_EQ(tb_square_counts[TB_KIND_PAWN][e5], 47) << "only the king's square and ranks 1 and 8";
    EXPECT_EQ(tb_square_numbering[TB_KIND_PAWN][e5][square_of("a2")], 0);
    EXPECT_EQ(tb_square_numbering[TB_KIND_PAWN][e5][square_of("a1")], 0xFF);
}

TEST_F(IndexTablesTest, KingPairs) {
    EXPECT_EQ(TB_KING_PAIRS_PAWNLESS[square_of("a1")][square_of("c1")], 0);
    EXPECT_EQ(TB_KING_PAIRS_PAWNLESS[square_of("a1")][square_of("e1")], 2);
    EXPECT_EQ(TB_KING_PAIRS_PAWNLESS[square_of("d4")][square_of("g7")], 459);
    EXPECT_EQ(TB_KING_PAIRS_PAWNLESS[square_of("d4")][square_of("h8")], 461);
    EXPECT_EQ(TB_KING_PAIRS_PAWNLESS[square_of("a1")][square_of("a3")], TB_NO_KING_PAIR) << "above the diagonal";
    EXPECT_EQ(TB_KING_PAIRS_PAWNLESS[square_of("e1")][square_of("a3")], TB_NO_KING_PAIR) << "outside the triangle";
    EXPECT_EQ(TB_KING_PAIRS_PAWNS[square_of("a1")][square_of("c1")], 0);
    EXPECT_EQ(TB_KING_PAIRS_PAWNS[square_of("d8")][square_of("g8")], 1804);
    EXPECT_EQ(TB_KING_PAIRS_PAWNS[square_of("d8")][square_of("h8")], 1805);
    EXPECT_EQ(TB_KING_PAIRS_PAWNS[square_of("e1")][square_of("a8")], TB_NO_KING_PAIR);
    EXPECT_EQ(TB_KING_PAIRS_PAWNS[square_of("d4")][square_of("e5")], TB_NO_KING_PAIR) << "kings side by side";
}

TEST_F(IndexTablesTest, GroupTotals) {
    struct Row {
        TbKingForm form;
        std::initializer_list<int> kinds;
        uint32_t total;
    };
    const Row rows[] = {
        {TB_FORM_PAWNLESS, {TB_KIND_KNIGHT}, 26282},
        {TB_FORM_PAWNLESS, {TB_KIND_BISHOP}, 27243},
        {TB_FORM_PAWNLESS, {TB_KIND_ROOK}, 27036},
        {TB_FORM_PAWNLESS, {TB_KIND_QUEEN}, 25635},
        {TB_FORM_PAWNS, {TB_KIND_PAWN}, 84012},
        {TB_FORM_PAWNS, {TB_KIND_ATTACKING_PAWN}, 81664},
        {TB_FORM_PAWNS, {TB_KIND_PAWN, TB_KIND_PAWN}, 1912372},
        {TB_FORM_PAWNS, {TB_KIND_ATTACKING_PAWN, TB_KIND_ATTACKING_PAWN}, 1806671},
        {TB_FORM_PAWNS, {TB_KIND_ATTACKING_PAWN, TB_KIND_ATTACKING_PAWN, TB_KIND_ATTACKING_PAWN}, 26061704},
        {TB_FORM_PAWNS, {TB_KIND_ROOK, TB_KIND_BISHOP, TB_KIND_KNIGHT, }, 354930000},
    };
    for (const Row& row : rows) EXPECT_EQ(total(row.form, row.kinds), row.total) << "kinds " << *row.kinds.begin();
}

TEST_F(IndexTablesTest, OffsetsCountTheLowerPairs) {
    const int queen = TB_KIND_QUEEN, rook_bishop[2] = {TB_KIND_ROOK, TB_KIND_BISHOP};
    const TbOffsetTable* q = tb_offset_table(TB_FORM_PAWNLESS, 1, &queen);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->offsets[0], 0u);
    EXPECT_EQ(q->offsets[32], 1766u);
    EXPECT_EQ(q->offsets[202], 11178u);
    EXPECT_EQ(q->offsets[17], 941u);
    // The first pair (kings a1, c1): a rook has 59 squares (not c1, b1, d1,
    // c2, a1), a bishop 60 (not c1, b2, d2, a1); unlike men count apart.
    const TbOffsetTable* rb = tb_offset_table(TB_FORM_PAWNLESS, 2, rook_bishop);
    const int bishop_rook[2] = {TB_KIND_BISHOP, TB_KIND_ROOK};
    ASSERT_NE(rb, nullptr);
    EXPECT_EQ(rb, tb_offset_table(TB_FORM_PAWNLESS, 2, bishop_rook));
    EXPECT_EQ(rb->offsets[1], 59u * 60u);
    const int rooks[2] = {TB_KIND_ROOK, TB_KIND_ROOK};
    EXPECT_EQ(tb_offset_table(TB_FORM_PAWNLESS, 2, rooks)->offsets[1], 59u * 58u / 2);
    const int pawn_and_knight[2] = {TB_KIND_PAWN, TB_KIND_KNIGHT};
    EXPECT_EQ(tb_offset_table(TB_FORM_PAWNS, 2, pawn_and_knight), nullptr) << "kind 0 stands alone";
    const int attacking_pawn = TB_KIND_ATTACKING_PAWN;
    EXPECT_EQ(tb_offset_table(TB_FORM_PAWNLESS, 1, &attacking_pawn), nullptr);
}

}  // namespace
