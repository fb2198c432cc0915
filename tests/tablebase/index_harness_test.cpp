// The index functions of every material against the rules of the format:
// every position a game can reach gets an index below its table's length,
// two positions share an index only when they are one position seen through
// the board's symmetries, the first-named side may be either colour (the
// invert flag), like men may stand in any slots, and a symmetric material's
// second function reads the first one's table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tablebase/index/index_functions.h"
#include "tablebase/index/square_tables.h"
#include "tb_positions.h"

namespace {

using tb_positions::Man;

constexpr uint64_t UNSEEN = ~uint64_t(0);

// Squares of a symmetry of the board: bit 0 mirrors files, bit 1 ranks, bit
// 2 reflects in the a1-h8 diagonal.
int transformed(int s, int g) {
    int f = s & 7, r = s >> 3;
    if (g & 1) f = 7 - f;
    if (g & 2) r = 7 - r;
    if (g & 4) std::swap(f, r);
    return r * 8 + f;
}

// The position as a number: squares by man with like men in order, then the
// en-passant square.
uint64_t packed(const std::vector<Man>& men, std::vector<int> squares, int en_passant) {
    for (size_t i = 2; i < men.size(); ++i)
        for (size_t j = i + 1; j < men.size() && men[j].list == men[i].list && men[j].letter == men[i].letter; ++j)
            if (squares[j] < squares[i]) std::swap(squares[i], squares[j]);
    uint64_t key = 0;
    for (int s : squares) key = key * 64 + uint64_t(s);
    return key * 128 + uint64_t(en_passant);
}

// The smallest packed form among the symmetric images (pawnless: all eight;
// with pawns: the file mirror).
uint64_t canonical(const std::vector<Man>& men, uint64_t key, bool pawnless) {
    const int en_passant = int(key % 128);
    std::vector<int> squares(men.size());
    key /= 128;
    for (size_t i = men.size(); i-- > 0;) squares[i] = int(key % 64), key /= 64;
    uint64_t best = UNSEEN;
    for (int g = 0; g < (pawnless ? 8 : 2); ++g) {
        std::vector<int> image(squares.size());
        for (size_t i = 0; i < squares.size(); ++i) image[i] = transformed(squares[i], g);
        best = std::min(best, packed(men, image, en_passant == TB_NO_EN_PASSANT ? en_passant : transformed(en_passant, g)));
    }
    return best;
}

struct Material {
    int record;
    const TbDescriptor* d;
    std::vector<Man> men;
};
Material material(const char* name) {
    const int record = tb_find_record(name);
    return {record, &tb_descriptors[size_t(record)], tb_positions::men_of(name)};
}

uint64_t index_of(const Material& m, int side, const std::vector<int>& squares, int en_passant, int invert) {
    TbPieceList lists[2];
    tb_positions::fill_lists(m.men, squares.data(), lists);
    return m.d->index[side](&lists[0], &lists[1], en_passant, invert);
}

class IndexHarnessTest : public ::testing::Test {
protected:
    void SetUp() override { tb_init_index_functions(); }
};

// Every placement with the moving king in its canonical region (every index
// is reached from there): indexes of reachable positions fall below the
// length, unreachable ones are refused or stay inside the table's range, and
// no index is shared by positions that are not symmetric images.
void sweep(const char* name, int side) {
    SCOPED_TRACE(std::string(name) + " side " + std::to_string(side));
    const Material m = material(name);
    const TbIndexPlan& plan = tb_index_plan(m.record, side);
    const bool pawnless = plan.form == TB_PLAN_PAWNLESS;
    const uint64_t length = m.d->length[side];
    std::vector<uint64_t> seen(plan.table_size, UNSEEN);
    std::vector<int> squares(m.men.size());
    uint64_t reachable = 0, largest = 0;
    bool failed = false;
    int en_passant = TB_NO_EN_PASSANT;
    auto leaf = [&] {
        if (failed) return;
        const uint64_t index = index_of(m, side, squares, en_passant, 0);
        const bool legal = tb_positions::legal(m.men, squares.data(), side, 0, en_passant);
        if (index == TB_NO_INDEX) {
            if (legal) ADD_FAILURE() << "a reachable position has no index", failed = true;
            return;
        }
        if (index >= plan.table_size) {
            ADD_FAILURE() << "index " << index << " beyond the table", failed = true;
            return;
        }
        if (legal) {
            ++reachable;
            largest = std::max(largest, index);
        }
        const uint64_t key = packed(m.men, squares, en_passant);
        if (seen[index] == UNSEEN) {
            seen[index] = key;
        } else if (seen[index] != key && canonical(m.men, seen[index], pawnless) != canonical(m.men, key, pawnless)) {
            ADD_FAILURE() << "index " << index << " shared by two positions", failed = true;
        }
    };
    tb_positions::place_canonical(m.men, squares, side, &en_passant, leaf);
    EXPECT_GT(reachable, 0u);
    EXPECT_EQ(largest + 1, length) << "the last reachable index ends the table";
}

// Every material of three men and one of each shape of four men, each side
// to move; a test per material so that they run side by side.
class IndexSweepTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { tb_init_index_functions(); }
};

TEST_P(IndexSweepTest, EveryPlacement) {
    for (int side = 0; side < 2; ++side) sweep(GetParam(), side);
}

INSTANTIATE_TEST_SUITE_P(Materials, IndexSweepTest,
                         ::testing::Values("kpk", "knk", "kbk", "krk", "kqk", "kqkr", "knkn", "krkp", "kpkp", "kppk",
                                           "kbpk", "knnk", "kbnk"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

// ---- Random positions of every material ----

// Whether the pawnless canonical frame of the position is ambiguous: both
// kings on the diagonal after folding, where a position and its reflection
// are stored apart.
bool both_kings_on_diagonal(const std::vector<int>& squares, int side) {
    const int fold = TB_FOLD8_XOR[size_t(squares[size_t(side)])];
    return tb_on_diagonal(squares[0] ^ fold) && tb_on_diagonal(squares[1] ^ fold);
}

void check_random_positions(const char* name, int samples) {
    SCOPED_TRACE(name);
    const Material m = material(name);
    tb_positions::Random random;
    random.state ^= uint64_t(m.record) * 0x2545F4914F6CDD1Dull;
    const bool en_passant_possible = tb_positions::pawns_face_pawns(m.men);
    std::vector<int> squares(m.men.size()), image(m.men.size());
    for (int side = 0; side < 2; ++side) {
        const TbIndexPlan& plan = tb_index_plan(m.record, side);
        const bool pawnless = plan.form == TB_PLAN_PAWNLESS;
        for (int n = 0; n < samples; ++n) {
            const int invert = random.below(2);
            int ep = TB_NO_EN_PASSANT;
            tb_positions::random_position(m.men, side, invert, random, squares, &ep, en_passant_possible && n % 3 == 2);
            const uint64_t index = index_of(m, side, squares, ep, invert);
            ASSERT_LT(index, m.d->length[side]) << "side " << side << " sample " << n;

            // The same position with the colours exchanged and the board
            // turned over, read with the other invert flag.
            for (size_t i = 0; i < squares.size(); ++i) image[i] = squares[i] ^ 56;
            const int turned_ep = ep == TB_NO_EN_PASSANT ? ep : ep ^ 56;
            const bool symmetric_frame = !pawnless || !both_kings_on_diagonal(squares, side);
            if (symmetric_frame) {
                ASSERT_EQ(index_of(m, side, image, turned_ep, invert ^ 1), index) << "colours exchanged, sample " << n;
            }
            // Mirrored files.
            for (size_t i = 0; i < squares.size(); ++i) image[i] = squares[i] ^ 7;
            if (symmetric_frame) {
                ASSERT_EQ(index_of(m, side, image, ep == TB_NO_EN_PASSANT ? ep : ep ^ 7, invert), index)
                    << "files mirrored, sample " << n;
            }
            if (pawnless) {
                ASSERT_EQ(index_of(m, side, squares, 20, invert ^ 1), index) << "no colours without pawns";
                for (size_t i = 0; i < squares.size(); ++i) image[i] = transformed(squares[i], 4);
                if (symmetric_frame) {
                    ASSERT_EQ(index_of(m, side, image, ep, invert), index) << "reflected, sample " << n;
                }
            }
            // Like men in the other slot order.
            image = squares;
            for (size_t i = 2; i + 1 < m.men.size(); ++i)
                if (m.men[i + 1].list == m.men[i].list && m.men[i + 1].letter == m.men[i].letter)
                    std::swap(image[i], image[i + 1]);
            ASSERT_EQ(index_of(m, side, image, ep, invert), index) << "slots exchanged, sample " << n;
            // A symmetric material: the second side's function reads the
            // first side's table. Alike men alone (kpkp) keep a table and a
            // frame of their own for each side.
            ASSERT_EQ(plan.swap, side == 1 && (m.d->flags & TB_SYMMETRIC) != 0);
            if (plan.swap) {
                TbPieceList lists[2];
                tb_positions::fill_lists(m.men, squares.data(), lists);
                ASSERT_EQ(m.d->index[0](&lists[1], &lists[0], ep, invert ^ 1), index) << "exchanged lists";
            }
        }
    }
}

TEST_F(IndexHarnessTest, RandomPositionsUpToFiveMen) {
    for (int record = 1; record <= TB_LAST_FIVE_MEN_RECORD; ++record)
        check_random_positions(tb_descriptors[size_t(record)].name, 300);
}

TEST_F(IndexHarnessTest, RandomPositionsOfSixMen) {
    for (int record = TB_LAST_FIVE_MEN_RECORD + 1; record < TB_RECORD_COUNT; ++record)
        check_random_positions(tb_descriptors[size_t(record)].name, 60);
}

}  // namespace
