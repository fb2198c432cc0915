#include <string>
#include <vector>

#include "config/settings.h"
#include "position/position.h"
#include "tablebase/cache.h"
#include "tablebase/probe.h"
#include "tablebase/table_sides.h"
#include "tablebase/tablebase.h"
#include "tb_fixture.h"
#include "test_board.h"

namespace {

constexpr int KQK = 5;

std::string printed;
void capture(const char* line) { printed += line; }
uint64_t first_index(const TbPieceList*, const TbPieceList*, int, int) { return 0; }

class InitTest : public TablebaseTest {
protected:
    void SetUp() override {
        printed.clear();
        tb_info_printer = capture;
        saved_bytes_ = nalimov_cache_bytes;
    }
    void TearDown() override {
        tb_info_printer = nullptr;
        nalimov_cache_bytes = saved_bytes_;
        TablebaseTest::TearDown();
    }
    int saved_bytes_ = 0;
};

TEST_F(InitTest, CacheForTheRegisteredTables) {
    EXPECT_EQ(init_tablebases(0), 1);
    EXPECT_EQ(tb_cache_nodes, 0u) << "no tables, no cache";
    EXPECT_EQ(printed, "");

    attach_plain(KQK, 0, 0, std::vector<uint8_t>(100, 1));
    nalimov_cache_bytes = 1 << 20;
    tb_max_pieces = tb_registered_men();
    EXPECT_EQ(init_tablebases(0), 1);
    EXPECT_EQ(tb_max_pieces, 3);
    EXPECT_EQ(tb_cache_nodes, 126u);
    EXPECT_EQ(printed, "info string TBS 3 pieces 1Mb cache\n");
}

TEST_F(InitTest, NoCacheGivesTheTablesUp) {
    attach_plain(KQK, 0, 0, std::vector<uint8_t>(100, 1));
    nalimov_cache_bytes = 5000;  // not even one node
    tb_max_pieces = tb_registered_men();
    EXPECT_EQ(init_tablebases(0), 1) << "the engine goes on without tables";
    EXPECT_EQ(tb_max_pieces, 0);
    EXPECT_EQ(tb_cache_nodes, 0u);
    EXPECT_EQ(printed, "info string no tbs cache!?\ninfo string tablebases disabled: no memory for their cache\n");
}

TEST_F(InitTest, RescanForgetsRegistrations) {
    attach_plain(KQK, 0, 0, std::vector<uint8_t>(100, 1));
    install(KQK, first_index, first_index);
    start();
    ASSERT_TRUE(load_test_board("8/8/8/3k4/8/8/8/Q3K3 w - - 0 1"));
    int result = 0;
    ASSERT_EQ(tb_probe_position(&main_position, &result), 1);
    EXPECT_EQ(init_tablebases(1), 1);
    EXPECT_EQ(tb_max_pieces, 0);
    EXPECT_EQ(tb_cache_nodes, 0u);
    EXPECT_EQ(tb_side_has_part(KQK, 0, 1), 0);
    EXPECT_EQ(tb_probe_position(&main_position, &result), 0) << "the registry leaf stays; the part is gone";
}

}  // namespace
