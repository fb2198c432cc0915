// Memory for the hash tables (the transposition table and the evaluation
// cache). Every hash table is taken through `hash_table_allocator`:
// zero-filled memory of that many bytes, nullptr when it can't be had;
// released with std::free. Tests swap it to see the tables cope with
// memory that is short.
#pragma once

#include <cstddef>

using HashTableAllocator = void* (*)(size_t bytes);
extern HashTableAllocator hash_table_allocator;
void* allocate_zeroed(size_t bytes);  // the default: calloc
