#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tablebase/crc.h"
#include "tb_file_helpers.h"

namespace {

uint32_t crc_of(const std::string& text) {
    return tb_crc32(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// The same checksum computed bit by bit: the reflected CRC-32 register,
// started at 0 and not inverted, over the bytes complemented.
uint32_t bitwise_crc(const std::vector<uint8_t>& data) {
    uint32_t h = 0;
    for (uint8_t byte : data) {
        h ^= uint8_t(~byte);
        for (int bit = 0; bit < 8; ++bit) h = (h & 1) ? (h >> 1) ^ 0xEDB88320u : h >> 1;
    }
    return h;
}

TEST(TablebaseCrc, KnownValues) {
    EXPECT_EQ(crc_of("abc"), 0xCADBBEC2u);
    EXPECT_EQ(crc_of(""), 0u);
    EXPECT_EQ(crc_of(std::string(8, '\0')), 0x44660075u);
    for (size_t n : {1u, 2u, 17u, 100u}) EXPECT_EQ(crc_of(std::string(n, '\xFF')), 0u) << n;
}

TEST(TablebaseCrc, MatchesBitwiseRegister) {
    for (size_t size : {1u, 3u, 15u, 16u, 17u, 255u, 4099u}) {
        const std::vector<uint8_t> data = tb_test::random_bytes(size, uint32_t(size));
        EXPECT_EQ(tb_crc32(data.data(), data.size()), bitwise_crc(data)) << size;
    }
}

}  // namespace
