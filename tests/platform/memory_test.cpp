#include "platform/memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

namespace {

TEST(HashTableMemory, ZeroFilledAndAlignedAtEverySize) {
    // Below, at and above the large-page size, and a size that is no
    // multiple of the alignment.
    const size_t sizes[] = {1000, size_t(2) << 20, (size_t(5) << 20) + 24};
    for (size_t bytes : sizes) {
        auto* memory = static_cast<unsigned char*>(allocate_zeroed(bytes));
        ASSERT_NE(memory, nullptr) << bytes;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(memory) % HASH_TABLE_ALIGNMENT, 0u) << bytes;
        size_t nonzero = 0;
        for (size_t i = 0; i < bytes; ++i) nonzero += memory[i] != 0;
        EXPECT_EQ(nonzero, 0u) << bytes;
        memory[bytes - 1] = 1;  // the whole size is writable
        std::free(memory);
    }
}

// Static like the tables that use it; the storage rounds up to whole large
// pages, so a table of one and a half pages fills two.
struct OddSizedTable {
    unsigned char bytes[LARGE_PAGE_BYTES + LARGE_PAGE_BYTES / 2];
};
LargePageStorage<OddSizedTable> odd_storage;

TEST(LargePageStorage, WholeAlignedPagesThatKeepTheirContentsThroughTheRequest) {
    static_assert(sizeof(odd_storage) == 2 * LARGE_PAGE_BYTES);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&odd_storage) % LARGE_PAGE_BYTES, 0u);
    unsigned char* bytes = odd_storage.value.bytes;
    const size_t size = sizeof(odd_storage.value.bytes);
    // Asked for before and again after the first writes (the request is
    // only advice: what was written stays, whatever the system makes of it).
    request_large_pages(odd_storage);
    for (size_t i = 0; i < size; i += 4096) bytes[i] = static_cast<unsigned char>(i / 4096 + 1);
    bytes[size - 1] = 0xA5;
    request_large_pages(odd_storage);
    size_t wrong = 0;
    for (size_t i = 0; i < size; ++i) {
        const unsigned char expected = i == size - 1 ? 0xA5 : i % 4096 == 0 ? static_cast<unsigned char>(i / 4096 + 1) : 0;
        wrong += bytes[i] != expected;
    }
    EXPECT_EQ(wrong, 0u);
}

}  // namespace
