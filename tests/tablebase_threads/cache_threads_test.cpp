// The block cache of the multi-threaded build: many threads reading blocks
// of several tables through a cache far smaller than the tables, so that
// misses, evictions, decodes and a failing part all happen at once. Every
// read must give the stored byte (or, for the part that fails, no value).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "config/build_config.h"
#include "config/settings.h"
#include "tablebase/cache.h"
#include "tablebase/decoder.h"
#include "tablebase/descriptor.h"
#include "tablebase/probe.h"
#include "tablebase/table_sides.h"
#include "tablebase/tablebase.h"
#include "tb_encoder.h"
#include "tb_file_helpers.h"
#include "temp_dir.h"

namespace {

static_assert(MULTI_THREADED, "this test runs against the multi-threaded build");

constexpr uint32_t BLOCK = TB_BLOCK_SIZE;

void attach(const TempDir& dir, int record, int side, int part, const std::vector<uint8_t>& file_bytes, bool compressed) {
    const std::string path = dir.file(std::to_string(record) + "_" + std::to_string(side) + "_" + std::to_string(part));
    tb_encoder::write_bytes(path, file_bytes);
    TbDecoder* decoder = nullptr;
    if (compressed) {
        tb_test::OpenFile file(path);
        ASSERT_EQ(decomp_open(&decoder, file.file()), 0);
    }
    ASSERT_EQ(tb_attach_part(record, side, part, path.c_str(), decoder), 0);
}

TEST(TablebaseCacheThreads, ConcurrentReadersSeeTheStoredBytes) {
    TempDir dir;
    const int kqk = 5, split = tb_find_record("krnkbn");
    const std::vector<uint8_t> compressed = tb_test::sample_table(60 * BLOCK + 123, 1);
    const std::vector<uint8_t> plain = tb_test::sample_table(40 * BLOCK, 2);
    const std::vector<uint8_t> part1 = tb_test::sample_table(30 * BLOCK, 3);
    attach(dir, kqk, 0, 0, tb_encoder::encode(compressed).bytes, true);
    attach(dir, kqk, 1, 0, plain, false);
    // Part 0 of the split table has a block that cannot be decoded.
    tb_encoder::Options broken;
    broken.code = tb_encoder::Code::FLAT;
    broken.raw_blocks.assign(30, {tb_encoder::literal(1), tb_encoder::match(0, BLOCK - 1)});
    broken.raw_blocks[17] = {tb_encoder::match(0, 5)};
    attach(dir, split, 0, 0, tb_encoder::encode(std::vector<uint8_t>(30 * BLOCK, 1), broken).bytes, true);
    attach(dir, split, 0, 1, tb_encoder::encode(part1).bytes, true);
    nalimov_cache_bytes = int(24 * TB_CACHE_NODE_COST);
    tb_max_pieces = tb_registered_men();
    init_tablebases(0);
    ASSERT_EQ(tb_cache_nodes, 24u);

    constexpr int THREADS = 8, READS = 20000;
    std::atomic<int> wrong{0}, failed_good_reads{0};
    auto reader = [&](uint32_t seed) {
        for (int i = 0; i < READS; ++i) {
            seed = seed * 1664525u + 1013904223u;
            const uint32_t r = seed >> 8, offset = r % BLOCK, which = (r >> 13) % 4;
            if (which == 0) {
                const uint32_t block = (seed >> 3) % 61;
                const uint64_t at = uint64_t(block) * BLOCK + offset;
                const int expected = at < compressed.size() ? int(int8_t(compressed[at])) : TB_CACHE_NO_VALUE;
                const int got = tb_cache_read(kqk, 0, block, offset);
                if (got != expected) (got == TB_CACHE_NO_VALUE ? failed_good_reads : wrong)++;
            } else if (which == 1) {
                const uint32_t block = (seed >> 3) % 40;
                if (tb_cache_read(kqk, 1, block, offset) != int8_t(plain[uint64_t(block) * BLOCK + offset])) wrong++;
            } else if (which == 2) {
                const uint32_t block = (seed >> 3) % 30;
                const int got = tb_cache_read(split, 0, block, offset);
                if (got != TB_CACHE_NO_VALUE && got != 1) wrong++;
            } else {
                const uint32_t block = (seed >> 3) % 30;
                const int got = tb_cache_read(split, 0, (1u << 18) + block, offset);
                if (got != int8_t(part1[uint64_t(block) * BLOCK + offset])) wrong++;
            }
        }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < THREADS; ++t) threads.emplace_back(reader, uint32_t(t * 7919 + 1));
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(failed_good_reads.load(), 0);
    EXPECT_EQ(tb_table_sides[split][0].part_names[0].load(), nullptr) << "the broken part was dropped";
    free_tablebases();
}

}  // namespace
