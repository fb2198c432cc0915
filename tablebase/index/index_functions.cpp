#include "tablebase/index/index_functions.h"

#include <cstddef>
#include <utility>

#include "tablebase/tablebase.h"

namespace {

TbIndexPlan plans[TB_RECORD_COUNT][2];
bool installed = false;

// One function per record and side: a plain function pointer is what the
// descriptors hold, and each one reads its own plan.
template <int Record, int Side>
uint64_t index_of(const TbPieceList* first, const TbPieceList* second, int en_passant, int invert) {
    return tb_plan_index(plans[Record][Side], first, second, en_passant, invert);
}

template <size_t... Records>
constexpr std::array<std::array<TbIndexFn, 2>, sizeof...(Records)> make_functions(std::index_sequence<Records...>) {
    return {{{index_of<int(Records), 0>, index_of<int(Records), 1>}...}};
}
constexpr auto FUNCTIONS = make_functions(std::make_index_sequence<TB_RECORD_COUNT>());

}  // namespace

void tb_init_index_functions() {
    if (installed) return;
    init_tb_index_tables();
    for (int record = 1; record < TB_RECORD_COUNT; ++record) {
        TbDescriptor& d = tb_descriptors[size_t(record)];
        for (int side = 0; side < 2; ++side) {
            if (!tb_build_index_plan(d.name, (d.flags & TB_SYMMETRIC) != 0, side, &plans[record][side])) tb_fatal("*** No index plan for a material\n");
            d.index[side] = FUNCTIONS[size_t(record)][size_t(side)];
        }
    }
    installed = true;
}

const TbIndexPlan& tb_index_plan(int record, int side) { return plans[record][side]; }
