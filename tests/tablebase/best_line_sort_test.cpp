#include <gtest/gtest.h>

#include "position/position.h"
#include "tablebase/best_line.h"

namespace {

// Highest score first; of equal scores the move listed first stays first.
TEST(BestLineSort, HighestFirstAndFirstOfEqualsKept) {
    Position* pos = &main_position;
    const int ply = 5;
    MoveEntry* list = move_list_start(pos, ply);
    const int16_t scores[] = {-9000, 8150, 0, 8150, -9999, 8151, 8150};
    const int count = int(std::size(scores));
    for (int i = 0; i < count; ++i) list[i] = MoveEntry{Move(100 + i), scores[i]};
    set_move_list_end(pos, ply, list + count);
    sort_moves_by_score(ply);
    const Move order[] = {105, 101, 103, 106, 102, 100, 104};
    for (int i = 0; i < count; ++i) EXPECT_EQ(list[i].move, order[i]) << i;
}

}  // namespace
