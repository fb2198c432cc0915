// The committed table lengths against the index functions: each length is
// 1 + the largest index a reachable position gives.
#include <gtest/gtest.h>

#include "tablebase/descriptor.h"
#include "tablebase/index/index_functions.h"
#include "tablebase/table_lengths.h"
#include "tb_lengths.h"

namespace {

class LengthsTest : public ::testing::Test {
protected:
    void SetUp() override { tb_init_index_functions(); }
    static void recompute(int first, int last) {
        for (int record = first; record <= last; ++record) {
            const TbDescriptor& d = tb_descriptors[size_t(record)];
            for (int side = 0; side < 2; ++side)
                EXPECT_EQ(tb_compute_length(record, side), d.length[side]) << d.name << " side " << side;
        }
    }
};

TEST_F(LengthsTest, EveryMaterialHasItsRowInRecordOrder) {
    ASSERT_EQ(std::size(TB_LENGTH_ROWS), size_t(TB_RECORD_COUNT - 1));
    for (int record = 1; record < TB_RECORD_COUNT; ++record) {
        const TbDescriptor& d = tb_descriptors[size_t(record)];
        EXPECT_STREQ(TB_LENGTH_ROWS[record - 1].name, d.name);
        for (int side = 0; side < 2; ++side) {
            EXPECT_GT(d.length[side], 0u) << d.name;
            EXPECT_LE(d.length[side], tb_index_plan(record, side).table_size) << d.name << " side " << side;
        }
        if (d.flags & TB_SYMMETRIC) {
            EXPECT_EQ(d.length[0], d.length[1]) << d.name;
        }
        for (int side = 0; side < 2; ++side) {
            EXPECT_LE(tb_part_count(d, side), TB_MAX_PARTS - 1) << d.name;
        }
    }
}

TEST_F(LengthsTest, KnownLengths) {
    struct Row {
        const char* name;
        uint64_t side0, side1;
    };
    const Row rows[] = {
        {"kpk", 81664, 84012},        {"knk", 26282, 28644},
        {"kqk", 25629, 28644},        {"krk", 27030, 28644},
        {"kbk", 27243, 28644},        {"kqqqk", 0, 17472840},
        {"kpkp", 3863492, 3863492},   {"kppkp", 84219361, 89391280},
        {"knnknn", 1301488080, 1301488080}, {"krbknp", 17652988800ull, 16455976740ull},
        {"kqpkqp", 12651597608ull, 12651597608ull}, {"kbnkbn", 5489194800ull, 5489194800ull},
    };
    for (const Row& row : rows) {
        const TbDescriptor& d = tb_descriptors[size_t(tb_find_record(row.name))];
        if (row.side0 != 0) {
            EXPECT_EQ(d.length[0], row.side0) << row.name;
        }
        EXPECT_EQ(d.length[1], row.side1) << row.name;
    }
}

TEST_F(LengthsTest, RecomputedUpToFiveMen) { recompute(1, TB_LAST_FIVE_MEN_RECORD); }

// A few minutes: run with --gtest_also_run_disabled_tests.
TEST_F(LengthsTest, DISABLED_RecomputedSixMen) { recompute(TB_LAST_FIVE_MEN_RECORD + 1, TB_RECORD_COUNT - 1); }

}  // namespace
