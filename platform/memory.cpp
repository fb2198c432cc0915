#include "platform/memory.h"

#include <cstdlib>

void* allocate_zeroed(size_t bytes) { return std::calloc(bytes, 1); }
HashTableAllocator hash_table_allocator = allocate_zeroed;
