// Reads bit fields most significant bit first from a byte range. It never
// reads a byte outside the range: past the end it yields zero bits and
// records the overrun, which the decoder reports as corrupt data.
#pragma once

#include <cstddef>
#include <cstdint>

struct TbBitReader {
    const uint8_t* next = nullptr;  // next byte to load into the window
    const uint8_t* end = nullptr;
    uint64_t window = 0;            // unread bits, top-aligned
    int count = 0;                  // real bits in the window
    bool overrun = false;           // a read asked for bits beyond the range

    void start(const uint8_t* data, size_t size) {
        next = data;
        end = data + size;
        window = 0;
        count = 0;
        overrun = false;
    }

    void refill() {
        while (count <= 56 && next < end) {
            window |= uint64_t(*next++) << (56 - count);
            count += 8;
        }
    }

    // The next n bits (0..32) without consuming them.
    uint32_t peek(int n) {
        refill();
        return n == 0 ? 0 : uint32_t(window >> (64 - n));
    }

    // Consumes n bits (0..32); those must have been peeked or read.
    void skip(int n) {
        if (n > count) {
            overrun = true;
            window = 0;
            count = 0;
            return;
        }
        window <<= n;
        count -= n;
    }

    uint32_t read(int n) {
        const uint32_t value = peek(n);
        skip(n);
        return value;
    }

    // Bits consumed since start(); only meaningful without an overrun.
    size_t position_bits(const uint8_t* data) const { return size_t(next - data) * 8 - size_t(count); }
};
