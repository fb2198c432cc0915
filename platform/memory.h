// Memory for the hash tables (the transposition table and the evaluation
// cache). Every hash table is taken through `hash_table_allocator`:
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
