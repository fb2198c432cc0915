#include "eval/eval_cache.h"

#include <cstdlib>
#include <cstring>

#include "platform/memory.h"

uint32_t* eval_cache_tables[2] = {nullptr, nullptr};
uint32_t eval_cache_count = 0;
uint32_t eval_cache_mask = 0;
uint8_t eval_cache_age = 0;

uint32_t allocate_eval_hash(int kb) {
    uint32_t count = kb > 0 ? uint32_t(kb / 16) * 1024 : 0;
    if (count == eval_cache_count && count != 0) return count;
    free_eval_hash();
    if (count == 0) return 0;
    size_t bytes = size_t(count) * EVAL_CACHE_ENTRY_WORDS * sizeof(uint32_t);
    for (uint32_t*& table : eval_cache_tables) {
        table = static_cast<uint32_t*>(hash_table_allocator(bytes));
        if (table == nullptr) {
            // Never leave a mask that points into freed or missing tables.
            free_eval_hash();
            return 0;
        }
    }
    eval_cache_count = count;
    eval_cache_mask = count - 1;
    return count;
}

void free_eval_hash() {
    eval_cache_mask = 0;
    eval_cache_count = 0;
    for (uint32_t*& table : eval_cache_tables) {
        std::free(table);
        table = nullptr;
    }
}

void clear_small_tables() {
    if (eval_cache_count == 0) return;
    for (uint32_t* table : eval_cache_tables)
        std::memset(table, 0, size_t(eval_cache_count) * EVAL_CACHE_ENTRY_WORDS * sizeof(uint32_t));
}

// The age only tells this search's entries from earlier ones: an entry
// sixteen ages old reads as current again. The cache is not emptied when the
// age comes round: that would be a memset of half the hash (hundreds of MB
// with a large "Hash") on the clock of the search that starts, and a stale
// entry it would prevent is only an evaluation made with the tables of a
// root sixteen changes back, no fault the search cannot absorb.
void advance_eval_cache_age() { eval_cache_age = uint8_t((eval_cache_age + 1) & 15); }
