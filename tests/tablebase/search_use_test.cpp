// The evaluation and the root take exact results from a registered table.
#include <vector>

#include "../eval/eval_fixture.h"
#include "../search/search_fixture.h"
#include "eval/evaluate.h"
#include "eval/root_state.h"
#include "position/position.h"
#include "tablebase/probe.h"
#include "tb_fixture.h"

namespace {

constexpr int KQK = 5;

uint64_t entry_index = 0;
uint64_t fixed_index(const TbPieceList*, const TbPieceList*, int, int) { return entry_index; }
uint64_t queen_square(const TbPieceList* first, const TbPieceList*, int, int) {
    return uint64_t(first->square[TB_SLOT_QUEENS]);
}

using TablebaseSearchTest = TablebaseTest;

TEST_F(TablebaseSearchTest, EvaluationScoresTableResults) {
    const int8_t stored[] = {124, -122, -126, 0};
    attach_plain(KQK, 0, 0, std::vector<uint8_t>(std::begin(stored), std::end(stored)));
    install(KQK, fixed_index, fixed_index);
    start();
    ASSERT_TRUE(load_test_board("8/8/8/3k4/8/8/8/Q3K3 w - - 0 1"));
    eval_test::prepare_root();
    eval_test::NoEvalCache no_cache;
    tb_men_limit = 1;
    struct Case {
        int ply;
        uint32_t kind;
        int score;
    };
    const Case cases[] = {
        {2, KIND_TB_WIN, 8194 - 2 * 3 - 2},   // win in 3
        {1, KIND_TB_LOSS, 1 + 2 * 4 - 8193},  // loss in 4
        {2, KIND_TB_LOSS, 2 - 8193},          // mated now: the search's mate score
        {2, KIND_TB_DRAW, (1248 >> 7) + 0},   // draw: the material difference and the draw score
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        entry_index = i;
        PlyRecord* record = current_ply_record(&main_position);
        record->flags = 0;
        EXPECT_EQ(evaluate(&main_position, cases[i].ply, ROOT_KIND_DEPTH, -16384, 16384), cases[i].score) << i;
        EXPECT_EQ(record->flags & (PLY_KIND_MASK | KIND_TABLEBASE), cases[i].kind) << i;
        EXPECT_TRUE(record->flags & PLY_FINAL) << i;
    }
}

TEST_F(TablebaseSearchTest, RootMovesTakeTheirTableResults) {
    // Black to move after every white move: a loss in 6, or in 2 with the
    // queen on a4.
    std::vector<uint8_t> black_to_move(64, uint8_t(-120));
    black_to_move[A4] = uint8_t(-124);
    attach_plain(KQK, 1, 0, black_to_move);
    attach_plain(KQK, 0, 0, std::vector<uint8_t>(64, 0));
    install(KQK, queen_square, queen_square);
    start();
    prepare_search_engine();
    ASSERT_TRUE(set_search_position("8/8/8/3k4/8/8/8/Q3K3 w - - 0 1"));
    search_fixed_depth(2);
    EXPECT_EQ(root_moves[0].line[1] & MOVE_IDENTITY_MASK, position_move("a1a4"));
    // The root's view of black's loss at ply 2: -(2 + 2n - 8193).
    EXPECT_EQ(root_moves[0].score, 8193 - 2 * 2 - 2);
    EXPECT_EQ(root_moves[0].flags & 0xF40, KIND_TB_WIN);
    EXPECT_EQ(root_moves[1].score, 8193 - 2 * 6 - 2);
}

}  // namespace
