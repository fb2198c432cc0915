#include "tablebase/crc.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 256> make_crc_table() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t a = i;
        for (int bit = 0; bit < 8; ++bit) a = (a & 1) == 0 ? (a >> 1) ^ 0xEDB88320u : a >> 1;
        table[i] = a;
    }
    return table;
}

constexpr std::array<uint32_t, 256> CRC_TABLE = make_crc_table();
static_assert(CRC_TABLE[0] == 0x2D02EF8Du && CRC_TABLE[255] == 0);

}  // namespace

uint32_t tb_crc32(const uint8_t* data, size_t length) {
    uint32_t h = 0;
    for (size_t i = 0; i < length; ++i) h = (h >> 8) ^ CRC_TABLE[(data[i] ^ h) & 0xFF];
    return h;
}
