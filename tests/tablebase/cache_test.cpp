#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tablebase/cache.h"
#include "tablebase/decoder.h"
#include "tablebase/table_sides.h"
#include "tablebase/tablebase.h"
#include "tb_file_helpers.h"
#include "tb_fixture.h"

namespace {

constexpr uint32_t BLOCK = TB_BLOCK_SIZE;
constexpr int KQK = 5;

using CacheTest = TablebaseTest;

int stored(const std::vector<uint8_t>& data, uint64_t at) { return int(int8_t(data[size_t(at)])); }

// The "info string" lines the tables print while it lives.
std::string printed;
void capture(const char* line) { printed += line; }
struct PrintedLines {
    PrintedLines() {
        printed.clear();
        tb_info_printer = capture;
    }
    ~PrintedLines() { tb_info_printer = nullptr; }
};

// A table whose every block starts with its own number, so a block read
// from the wrong place shows.
std::vector<uint8_t> numbered_blocks(uint32_t blocks, uint8_t salt) {
    std::vector<uint8_t> data = tb_test::sample_table(size_t(blocks) * BLOCK, salt);
    for (uint32_t b = 0; b < blocks; ++b) data[size_t(b) * BLOCK] = uint8_t(b + salt);
    return data;
}

TEST_F(CacheTest, NodeCountFromTheCacheSize) {
    EXPECT_EQ(tb_cache_allocate(1 << 20), 1);
    EXPECT_EQ(tb_cache_nodes, 126u);
    EXPECT_EQ(tb_cache_allocate(TB_CACHE_NODE_COST - 1), 0);
    EXPECT_EQ(tb_cache_nodes, 0u);
}

TEST_F(CacheTest, ReadsPlainAndCompressedParts) {
    const std::vector<uint8_t> plain = numbered_blocks(6, 1);
    std::vector<uint8_t> compressed = numbered_blocks(9, 40);
    compressed.resize(compressed.size() - 1000);  // a short last block
    attach_plain(KQK, 0, 0, plain);
    attach_compressed(KQK, 1, 0, compressed);
    start(40 * TB_CACHE_NODE_COST);
    for (int pass = 0; pass < 2; ++pass) {  // misses, then hits
        for (uint32_t b = 0; b < 6; ++b)
            for (uint32_t offset : {0u, 1u, 4095u, BLOCK - 1})
                ASSERT_EQ(tb_cache_read(KQK, 0, b, offset), stored(plain, uint64_t(b) * BLOCK + offset)) << b;
        for (uint32_t b = 0; b < 9; ++b)
            for (uint32_t offset : {0u, 7u, BLOCK - 1001}) {
                ASSERT_EQ(tb_cache_read(KQK, 1, b, offset), stored(compressed, uint64_t(b) * BLOCK + offset)) << b;
            }
    }
    // Past the end of a plain file's last block there is no value; the part
    // stays usable.
    EXPECT_EQ(tb_cache_read(KQK, 0, 6, 0), TB_CACHE_NO_VALUE);
    EXPECT_EQ(tb_cache_read(KQK, 0, 5, 9), stored(plain, 5 * BLOCK + 9));
}

TEST_F(CacheTest, ShortPlainFileHasNoValuePastItsEnd) {
    const std::vector<uint8_t> plain = tb_test::sample_table(BLOCK + 100, 3);
    attach_plain(KQK, 0, 0, plain);
    start();
    EXPECT_EQ(tb_cache_read(KQK, 0, 1, 99), stored(plain, BLOCK + 99));
    EXPECT_EQ(tb_cache_read(KQK, 0, 1, 100), TB_CACHE_NO_VALUE);
    EXPECT_EQ(tb_cache_read(KQK, 0, 1, BLOCK - 1), TB_CACHE_NO_VALUE);
    EXPECT_EQ(tb_cache_read(KQK, 0, 0, 5), stored(plain, 5));
}

TEST_F(CacheTest, EvictsTheLeastRecentlyUsedBlock) {
    // Three nodes. The file is rewritten after the reads: blocks still
    // cached keep their old bytes, a block read again from disk has the new.
    const std::vector<uint8_t> before = numbered_blocks(5, 10);
    const std::vector<uint8_t> after = numbered_blocks(5, 100);
    const std::string path = attach_plain(KQK, 0, 0, before);
    start(3 * TB_CACHE_NODE_COST);
    for (uint32_t b : {0u, 1u, 2u, 0u, 3u}) tb_cache_read(KQK, 0, b, 0);  // 0 is used again: 1 goes
    tb_encoder::write_bytes(path, after);
    EXPECT_EQ(tb_cache_read(KQK, 0, 0, 0), 10);
    EXPECT_EQ(tb_cache_read(KQK, 0, 2, 0), 12);
    EXPECT_EQ(tb_cache_read(KQK, 0, 3, 0), 13);
    EXPECT_EQ(tb_cache_read(KQK, 0, 1, 0), 101);  // evicts 0, the least recently used now
    EXPECT_EQ(tb_cache_read(KQK, 0, 3, 0), 13);
    EXPECT_EQ(tb_cache_read(KQK, 0, 0, 0), 100);
}

TEST_F(CacheTest, DeletedFileFailsOnceAndForAll) {
    const std::string path = attach_plain(KQK, 0, 0, numbered_blocks(2, 1));
    start();
    const PrintedLines lines;
    std::remove(path.c_str());
    EXPECT_EQ(tb_cache_read(KQK, 0, 0, 0), TB_CACHE_NO_VALUE);
    EXPECT_EQ(tb_side_has_part(KQK, 0, 1), 0);
    tb_encoder::write_bytes(path, numbered_blocks(2, 1));  // back again: not looked at
    EXPECT_EQ(tb_cache_read(KQK, 0, 1, 0), TB_CACHE_NO_VALUE);
    EXPECT_EQ(printed, "info string tablebase file " + path + " can't be opened: no longer used\n");
}

TEST_F(CacheTest, PlainFileBeyondFourGigabytes) {
    const std::string path = dir_.file("sparse.nbw");
    const uint64_t block = (uint64_t(9) << 29) / BLOCK;  // 4.5 GB in
    const int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const std::vector<uint8_t> bytes = numbered_blocks(1, 77);
    const bool written = ftruncate(fd, off_t((block + 2) * BLOCK)) == 0 &&
                         pwrite(fd, bytes.data(), BLOCK, off_t(block * BLOCK)) == ssize_t(BLOCK);
    close(fd);
    if (!written) GTEST_SKIP() << "no sparse file of 4.5 GB here";
    attach_plain_path(KQK, 0, 0, path);
    start();
    EXPECT_EQ(tb_cache_read(KQK, 0, uint32_t(block), 0), 77);
    EXPECT_EQ(tb_cache_read(KQK, 0, uint32_t(block), 100), stored(bytes, 100));
    EXPECT_EQ(tb_cache_read(KQK, 0, uint32_t(block + 1), 0), 0);
}

// A compressed table whose block 1 cannot be decoded (a match from before
// the start of the block).
std::vector<uint8_t> table_with_bad_block() {
    tb_encoder::Options o;
    o.code = tb_encoder::Code::FLAT;
    o.raw_blocks = {{tb_encoder::literal(3), tb_encoder::match(0, BLOCK - 1)},
                    {tb_encoder::match(0, 10)}};
    return tb_encoder::encode(std::vector<uint8_t>(2 * BLOCK, 3), o).bytes;
}

TEST_F(CacheTest, FailedDecodesGiveBackTheirStates) {
    // More failures than there are decode states, each on its own table,
    // then good reads: no state may be lost on the way.
    const std::vector<uint8_t> bad = table_with_bad_block();
    for (int record = 1; record <= TB_DECODE_POOL_SIZE + 1; ++record) attach_compressed_file(record, 1, 0, bad);
    const std::vector<uint8_t> good = numbered_blocks(3, 5);
    attach_compressed(KQK, 0, 0, good);
    start();
    for (int record = 1; record <= TB_DECODE_POOL_SIZE + 1; ++record) {
        EXPECT_EQ(tb_cache_read(record, 1, 1, 0), TB_CACHE_NO_VALUE);
        EXPECT_EQ(tb_side_has_part(record, 1, 1), 0) << "a part that fails to decode is dropped";
    }
    for (uint32_t b = 0; b < 3; ++b) EXPECT_EQ(tb_cache_read(KQK, 0, b, 0), int8_t(5 + b));
}

TEST_F(CacheTest, ADamagedPartIsReportedOnce) {
    const std::string path = attach_compressed_file(KQK, 1, 0, table_with_bad_block());
    start();
    const PrintedLines lines;
    EXPECT_EQ(tb_cache_read(KQK, 1, 0, 5), 3);
    EXPECT_EQ(printed, "") << "a good block says nothing";
    for (int i = 0; i < 3; ++i) EXPECT_EQ(tb_cache_read(KQK, 1, 1, uint32_t(i)), TB_CACHE_NO_VALUE);
    EXPECT_EQ(printed, "info string tablebase file " + path + " is damaged: no longer used\n");
}

TEST_F(CacheTest, SplitSideReadsAnotherPartAfterAFailure) {
    // krnkbn: two-byte and split; part = block >> 18.
    const int record = tb_find_record("krnkbn");
    ASSERT_TRUE(tb_descriptors[size_t(record)].flags & TB_SPLIT);
    attach_compressed_file(record, 0, 0, table_with_bad_block());
    const std::vector<uint8_t> good = numbered_blocks(2, 20);
    attach_compressed(record, 0, 1, good);
    start();
    EXPECT_EQ(tb_cache_read(record, 0, 0, 5), 3);
    EXPECT_EQ(tb_cache_read(record, 0, 1, 0), TB_CACHE_NO_VALUE);
    EXPECT_EQ(tb_table_sides[record][0].part_names[0].load(), nullptr) << "the failed part is dropped";
    EXPECT_EQ(tb_cache_read(record, 0, 0, 6), 3) << "its block already cached stays";
    EXPECT_EQ(tb_cache_read(record, 0, (1u << 18) + 1, 0), 21);
    EXPECT_EQ(tb_cache_read(record, 0, (1u << 18) + 0, 9), stored(good, 9));
    EXPECT_EQ(tb_cache_read(record, 0, 18u << 18, 0), TB_CACHE_NO_VALUE) << "no part 18";
}

TEST_F(CacheTest, NoDecodeStateIsAFailedReadNotAFault) {
    const std::vector<uint8_t> data = numbered_blocks(2, 30);
    attach_compressed(KQK, 0, 0, data);
    start();
    tb_free_decode_pool();
    EXPECT_EQ(tb_cache_read(KQK, 0, 1, 0), TB_CACHE_NO_VALUE);
    EXPECT_EQ(tb_side_has_part(KQK, 0, 1), 1) << "the part is not at fault";
    ASSERT_EQ(tb_fill_decode_pool(), 0);
    EXPECT_EQ(tb_cache_read(KQK, 0, 1, 0), 31);
}

}  // namespace
