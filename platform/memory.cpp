#include "platform/memory.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>

namespace {

// The large page of x86-64 and of most other 64-bit systems.
constexpr size_t LARGE_PAGE_BYTES = size_t(2) << 20;

size_t round_up(size_t bytes, size_t alignment) { return (bytes + alignment - 1) / alignment * alignment; }

}  // namespace

void* allocate_zeroed(size_t bytes) {
    const size_t alignment = bytes >= LARGE_PAGE_BYTES ? LARGE_PAGE_BYTES : HASH_TABLE_ALIGNMENT;
    // aligned_alloc wants a multiple of the alignment.
    const size_t rounded = round_up(bytes, alignment);
    void* memory = std::aligned_alloc(alignment, rounded);
    if (memory == nullptr) return nullptr;
#ifdef MADV_HUGEPAGE
    // Only a request: refused or ignored, the memory works as well, only
    // with small pages. Made before the first touch, which maps the pages.
    if (alignment == LARGE_PAGE_BYTES) madvise(memory, rounded, MADV_HUGEPAGE);
#endif
    std::memset(memory, 0, rounded);
    return memory;
}

HashTableAllocator hash_table_allocator = allocate_zeroed;
