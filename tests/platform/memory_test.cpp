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

}  // namespace
