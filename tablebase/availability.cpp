#include "tablebase/availability.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

std::atomic<uint8_t>* bits = nullptr;
size_t bytes = 0;

}  // namespace

int tb_availability_allocate(int men) {
    tb_availability_free();
    if (men < 3) return 1;
    size_t size = 1;
    for (int i = 2; i < men; ++i) size *= 10;  // 4 x 10^(men-2) bits
    size /= 2;
    auto* memory = static_cast<std::atomic<uint8_t>*>(std::malloc(size * sizeof(std::atomic<uint8_t>)));
    if (memory == nullptr) return 0;
    for (size_t i = 0; i < size; ++i) new (&memory[i]) std::atomic<uint8_t>(0xFF);
    bits = memory;
    bytes = size;
    return 1;
}

void tb_availability_free() {
    std::free(bits);
    bits = nullptr;
    bytes = 0;
}

bool tb_is_available(int key) {
    const size_t at = size_t(key) >> 3;
    return key >= 0 && at < bytes && (bits[at].load(std::memory_order_relaxed) >> (key & 7) & 1) != 0;
}

void tb_mark_unavailable(int key) {
    const size_t at = size_t(key) >> 3;
    if (key >= 0 && at < bytes) bits[at].fetch_and(uint8_t(~(1u << (key & 7))), std::memory_order_relaxed);
}
