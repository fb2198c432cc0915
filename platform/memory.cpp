#include "platform/memory.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>

namespace {

size_t round_up(size_t bytes, size_t alignment) { return (bytes + alignment - 1) / alignment * alignment; }

}  // namespace

void* allocate_zeroed(size_t bytes) {
    const size_t alignment = bytes >= LARGE_PAGE_BYTES ? LARGE_PAGE_BYTES : HASH_TABLE_ALIGNMENT;
    // aligned_alloc wants a multiple of the alignment.
    const size_t rounded = round_up(bytes, alignment);
    void* memory = std::aligned_alloc(alignment, rounded);
    if (memory == nullptr) return nullptr;
    if (alignment == LARGE_PAGE_BYTES) request_large_pages(memory, rounded);
    std::memset(memory, 0, rounded);
    return memory;
}

HashTableAllocator hash_table_allocator = allocate_zeroed;

void request_large_pages(void* begin, size_t bytes) {
#ifdef MADV_HUGEPAGE
    // Only a request: refused or ignored, the memory works as well, only
    // with small pages. Made before the first touch, which maps the pages.
    madvise(begin, bytes, MADV_HUGEPAGE);
#else
    (void)begin;
    (void)bytes;
#endif
}
