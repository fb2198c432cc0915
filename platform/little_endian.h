// Little-endian fields of the engine's binary files, read and written byte
// by byte so that no record layout depends on the machine.
#pragma once

#include <cstdint>

inline uint16_t get_u16(const uint8_t* bytes) { return uint16_t(bytes[0] | bytes[1] << 8); }
inline uint32_t get_u32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}
inline void put_u16(uint8_t* bytes, uint16_t value) {
    bytes[0] = uint8_t(value);
    bytes[1] = uint8_t(value >> 8);
}
inline void put_u32(uint8_t* bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[i] = uint8_t(value >> (8 * i));
}
