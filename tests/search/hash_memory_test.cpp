// The hash memory when memory is short: the sizes tried, the fall back to
// smaller sizes, and running with no table at all.
#include "search/hash_memory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "config/settings.h"
#include "eval/eval_cache.h"
#include "eval/evaluate.h"
#include "platform/memory.h"
#include "position/position.h"
#include "search/tt.h"
#include "test_board.h"

namespace {

size_t allocation_limit = 0;  // bytes one table may have
int allocations_left = 0;     // tables that may still be had

void* limited_allocator(size_t bytes) { return bytes <= allocation_limit ? std::calloc(bytes, 1) : nullptr; }
void* counted_allocator(size_t bytes) { return allocations_left-- > 0 ? std::calloc(bytes, 1) : nullptr; }

class HashMemoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_flags_ = engine_flags;
        engine_flags &= ~EF_POSITION_LEARNING;
    }
    void TearDown() override {
        hash_table_allocator = allocate_zeroed;
        free_hash_tables();
        engine_flags = saved_flags_;
    }

private:
    uint32_t saved_flags_ = 0;
};

TEST(HashLadder, SizesTriedAfterFailures) {
    // From a size that is no power of two: the power of two below it, then
    // alternately three quarters and one half of the last power of two.
    std::vector<int> sizes = {3000};
    int quarter = 0;
    for (int size = 3000;;) {
        int next = next_hash_size(size, 2048, &quarter);
        if (next >= size) break;
        sizes.push_back(size = next);
    }
    const std::vector<int> expected = {3000, 2048, 1536, 1024, 768, 512, 384, 256, 192, 128, 96,
                                       64,   48,   32,   24,   16,  12,  8,   6,   4,   3,   2};
    EXPECT_EQ(sizes, expected);
}

TEST_F(HashMemoryTest, ShortMemoryGivesTheLargestSizeOfTheLadderThatFits) {
    // Tables of at most 256 KB: 3000, 2048 and 1536 KB fail (1536 on its
    // 512 KB transposition tables after the cache was taken), 1024 fits.
    allocation_limit = 256 * 1024;
    hash_table_allocator = limited_allocator;
    EXPECT_EQ(set_hash_size(3000), 1024);
    EXPECT_EQ(hash_size_kb, 1024);
    EXPECT_EQ(tt_share_kb, 512);
    EXPECT_EQ(eval_cache_count, 512u * 64);
    EXPECT_TRUE(tt_allocated());
}

TEST_F(HashMemoryTest, SizesBelowThirtyTwoKilobytesHaveNoCacheAndFail) {
    EXPECT_EQ(allocate_hash(31), 0);
    EXPECT_EQ(allocate_hash(32), 32);
    EXPECT_EQ(tt_share_kb, 16);
    EXPECT_EQ(set_hash_size(31), 0);
}

TEST_F(HashMemoryTest, AFailedCacheAllocationLeavesNoTableBehind) {
    allocations_left = 1;  // the first cache table, not the second
    hash_table_allocator = counted_allocator;
    EXPECT_EQ(allocate_eval_hash(1024), 0u);
    EXPECT_EQ(eval_cache_count, 0u);
    EXPECT_EQ(eval_cache_mask, 0u);
    EXPECT_EQ(eval_cache_tables[0], nullptr);
    EXPECT_EQ(eval_cache_tables[1], nullptr);
    EXPECT_EQ(eval_cache_slot(WHITE, 0x12345678u), nullptr);

    allocations_left = 3;  // both cache tables and one transposition table
    EXPECT_EQ(allocate_hash(2048), 0);
    EXPECT_FALSE(tt_allocated());
    EXPECT_EQ(eval_cache_mask, 0u);
    EXPECT_EQ(hash_size_kb, 0);
}

TEST_F(HashMemoryTest, WithoutAnyTableProbesMissAndStoresDoNothing) {
    hash_table_allocator = [](size_t) -> void* { return nullptr; };
    EXPECT_EQ(set_hash_size(65536), 0);
    EXPECT_EQ(hash_size_kb, 0);
    EXPECT_FALSE(tt_allocated());

    ASSERT_EQ(load_test_board("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"), 1);
    Position* pos = &main_position;
    tt_store(pos, tt_age | TT_EXACT, 10, 5, 1, NO_MOVE);
    EXPECT_EQ(tt_insert(pos, tt_age | TT_LEARNED, 10, 5, 1, NO_MOVE, 1), TT_INSERT_NO_TABLE);
    int score = 0, depth = 0;
    Move move = NO_MOVE;
    EXPECT_EQ(tt_probe(pos, &score, &depth, 1, &move, 1), 0);
    clear_hash(0);
    clear_hash(1);
    // The evaluation runs without its cache.
    int first = evaluate(pos, 1, 1, -8192, 8192);
    EXPECT_EQ(evaluate(pos, 1, 1, -8192, 8192), first);
}

}  // namespace
