// Memory for the hash tables (the transposition table and the evaluation
// cache) and large-page storage for static tables. Every hash table is
// taken through `hash_table_allocator`:
// zero-filled memory of that many bytes, nullptr when it can't be had;
// released with std::free. Tests swap it to see the tables cope with
// memory that is short.
#pragma once

#include <cstddef>

using HashTableAllocator = void* (*)(size_t bytes);
extern HashTableAllocator hash_table_allocator;

// The default: zero-filled and aligned to HASH_TABLE_ALIGNMENT, so that a
// transposition-table bucket (four 16-byte entries) fills exactly one cache
// line instead of straddling two. Tables of a large page or more start on a
// large-page boundary and ask the system for large pages, so that a probe
// seldom pays for an address translation as well as for the memory access.
constexpr size_t HASH_TABLE_ALIGNMENT = 64;
void* allocate_zeroed(size_t bytes);

// The large page of x86-64 and of most other 64-bit systems.
constexpr size_t LARGE_PAGE_BYTES = size_t(2) << 20;

// Asks the system to map [begin, begin + bytes), whole large pages, with
// large pages; made before the range is first written, as that maps it.
// Only a request: refused or not supported, the memory works the same.
void request_large_pages(void* begin, size_t bytes);

// Static storage for a table that the search reads at random, on large
// pages of its own: one address translation then covers the whole table
// instead of one per 4 KB. It starts on a large page and fills whole ones (a
// type's size is a multiple of its alignment), so that all of it can be
// mapped with them. The owner asks for them before the table's first write.
template <typename T>
struct alignas(LARGE_PAGE_BYTES) LargePageStorage {
    T value;
};

template <typename T>
void request_large_pages(LargePageStorage<T>& storage) {
    request_large_pages(&storage, sizeof(storage));
}
