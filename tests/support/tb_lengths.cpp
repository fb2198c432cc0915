#include "tb_lengths.h"

#include <algorithm>
#include <vector>

#include "tablebase/index/index_functions.h"
#include "tablebase/index/square_tables.h"
#include "tb_positions.h"

namespace {

using tb_positions::Man;

// The king squares of each king-pair number of a table.
std::vector<std::pair<int, int>> pairs_by_number(const TbKingPairTable& table, int count) {
    std::vector<std::pair<int, int>> pairs(size_t(count), {-1, -1});
    for (int k = 0; k < 64; ++k)
        for (int o = 0; o < 64; ++o)
            if (table[size_t(k)][size_t(o)] != TB_NO_KING_PAIR) pairs[size_t(table[size_t(k)][size_t(o)])] = {k, o};
    return pairs;
}

}  // namespace

uint64_t tb_compute_length(int record, int side) {
    const TbDescriptor& d = tb_descriptors[size_t(record)];
    const TbIndexPlan& plan = tb_index_plan(record, side);
    if (plan.swap) return tb_compute_length(record, 0);
    const std::vector<Man> men = tb_positions::men_of(d.name);
    const int moving = side, waiting = side ^ 1;
    const bool pawns = plan.form == TB_PLAN_PAWNS;
    const bool en_passant = plan.en_passant.used;
    // The canonical frame is the board itself (first-named side white,
    // moving king on files a-d), turned upside down where the head is.
    const int flip = en_passant ? 0 : plan.flip;
    const auto pairs = pawns ? pairs_by_number(TB_KING_PAIRS_PAWNS, TB_KING_PAIRS_PAWNS_COUNT)
                             : pairs_by_number(TB_KING_PAIRS_PAWNLESS, TB_KING_PAIRS_PAWNLESS_COUNT);

    std::vector<int> squares(men.size(), -1);
    std::vector<bool> fixed(men.size(), false);
    fixed[0] = fixed[1] = true;

    for (int kk = int(pairs.size()) - 1; kk >= 0; --kk) {
        squares[size_t(moving)] = pairs[size_t(kk)].first ^ flip;
        squares[size_t(waiting)] = pairs[size_t(kk)].second ^ flip;
        const uint64_t kings = uint64_t(1) << squares[0] | uint64_t(1) << squares[1];
        uint64_t best = 0;
        bool found = false;
        int ep = TB_NO_EN_PASSANT;
        auto leaf = [&] {
            if (!tb_positions::legal(men, squares.data(), side, 0, ep)) return;
            TbPieceList lists[2];
            tb_positions::fill_lists(men, squares.data(), lists);
            const uint64_t index = d.index[side](&lists[0], &lists[1], ep, 0);
            if (index == TB_NO_INDEX) return;
            best = found ? std::max(best, index) : index;
            found = true;
        };
        if (en_passant)
            tb_positions::place_men_en_passant(men, squares, fixed, side, kings, &ep, leaf);
        else
            tb_positions::place_men(men, squares, fixed, kings, leaf);
        if (found) return best + 1;
    }
    return 0;
}
