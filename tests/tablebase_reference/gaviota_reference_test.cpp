// The engine's tablebase probe against Gaviota's: tables of this format are
// written from Gaviota's values at the engine's own indexes, found by the
// folder scan, and every sampled position, in any orientation and with
// either colour as the first-named side, must come back through the engine's
// probe with the reference's result.
#include <gtest/gtest.h>

#include <string>

#include "gaviota.h"
#include "position/position.h"
#include "reference_tables.h"
#include "tablebase/descriptor.h"
#include "tablebase/probe.h"

namespace {

class GaviotaReferenceTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        std::string why;
        if (!gaviota::available(&why)) GTEST_SKIP() << why;
    }
};

// Random positions per side: enough to meet most king pairs, few enough to
// keep each material to a second or so.
constexpr int SAMPLES = 6000;

TEST_P(GaviotaReferenceTest, ProbeAgreesWithTheReference) {
    const int record = GetParam();
    const char* name = tb_descriptors[size_t(record)].name;
    ReferenceTables tables;
    tables.fill_random(name, SAMPLES, uint64_t(record) * 7919);
    EXPECT_EQ(tables.unknown(), 0) << "reachable positions without a reference value";
    EXPECT_EQ(tables.conflicts(), 0) << "positions of different values at one index";
    tables.install();
    ASSERT_GE(tb_max_pieces, tb_record_men(record));

    const std::vector<tb_positions::Man> men = tb_positions::men_of(name);
    int probed = 0;
    for (const ReferenceTables::Sample& s : tables.samples()) {
        ASSERT_EQ(tb_positions::set_up(men, s.squares.data(), s.side, s.invert, s.en_passant), 1);
        int result = 0x7777;
        ASSERT_EQ(tb_probe_position(&main_position, &result), 1) << name << " sample " << probed;
        ASSERT_EQ(result, s.result) << name << " sample " << probed << (s.invert ? " (first-named side black)" : "")
                                    << " side " << s.side << " en passant " << s.en_passant;
        ++probed;
    }
    EXPECT_EQ(probed, 2 * SAMPLES);
}

// Three men: the whole table from the reference, then every reachable
// position probed, both colours as the first-named side.
using GaviotaThreeMenTest = GaviotaReferenceTest;

TEST_P(GaviotaThreeMenTest, EveryPosition) {
    const int record = GetParam();
    const char* name = tb_descriptors[size_t(record)].name;
    ReferenceTables tables;
    tables.fill_all(name);
    ASSERT_EQ(tables.conflicts(), 0);
    tables.install();
    const std::vector<tb_positions::Man> men = tb_positions::men_of(name);
    std::vector<int> squares(men.size());
    int probed = 0, wrong = 0;
    for (int invert = 0; invert < 2; ++invert)
        for (int side = 0; side < 2; ++side)
            for (squares[0] = 0; squares[0] < 64; ++squares[0])
                for (squares[1] = 0; squares[1] < 64; ++squares[1])
                    for (squares[2] = 0; squares[2] < 64; ++squares[2]) {
                        if (!tb_positions::legal(men, squares.data(), side, invert)) continue;
                        int expected = 0, result = 0x7777;
                        ASSERT_TRUE(gaviota::result_of(men, squares.data(), side, invert, TB_NO_EN_PASSANT, &expected));
                        ASSERT_EQ(tb_positions::set_up(men, squares.data(), side, invert), 1);
                        if (!tb_probe_position(&main_position, &result) || result != expected) ++wrong;
                        ++probed;
                    }
    EXPECT_EQ(wrong, 0) << "of " << probed;
    EXPECT_GT(probed, 400000);
}

std::string material_name(const ::testing::TestParamInfo<int>& info) {
    return tb_descriptors[size_t(info.param)].name;
}

INSTANTIATE_TEST_SUITE_P(ThreeAndFourMen, GaviotaReferenceTest, ::testing::Range(1, TB_LAST_FOUR_MEN_RECORD + 1),
                         material_name);
INSTANTIATE_TEST_SUITE_P(ThreeMen, GaviotaThreeMenTest, ::testing::Range(1, TB_LAST_THREE_MEN_RECORD + 1),
                         material_name);

}  // namespace
