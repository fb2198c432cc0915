// The checksum of compressed tablebase headers: a reflected 32-bit CRC over
// the polynomial 0xEDB88320 whose table applies the polynomial when the low
// bit is 0 (so T[0] = 0x2D02EF8D and T[255] = 0), started at 0 and not
// inverted at the end. "abc" gives 0xCADBBEC2, an empty buffer 0.
#pragma once

#include <cstddef>
#include <cstdint>

uint32_t tb_crc32(const uint8_t* data, size_t length);
