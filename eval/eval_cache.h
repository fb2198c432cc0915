// The evaluation cache: two tables (one per side to move) of EvalCacheEntry,
// one slot per index and no buckets, shared by all search threads without
// locks. Its memory is part of the hash (search/hash_memory.h).
//
// EvalCacheEntry, two 32-bit words:
//   word 0  key_lo XOR word 1
//   word 1  bits 0-3 the cache age when stored, bits 4-7 the PlyRecord's
//           mate-threat and king-attack bits, bits 8-13 the threat byte,
//           bits 14-27 score + 8192, bits 28-31 zero
// A slot matches when word 0 XOR word 1 is the key's low half and its age is
// the current one; a torn entry fails the XOR test and reads as a miss.
#pragma once

#include <atomic>
#include <cstdint>

constexpr int EVAL_CACHE_ENTRY_WORDS = 2;
constexpr int EVAL_CACHE_SCORE_BIAS = 8192;
constexpr int EVAL_CACHE_SCORE_SHIFT = 14;

extern uint32_t* eval_cache_tables[2];  // by side to move
extern uint32_t eval_cache_count;       // entries per table, 0 = no cache
extern uint32_t eval_cache_mask;        // count - 1, 0 = no cache
extern uint8_t eval_cache_age;          // 0..15

// Sizes the cache for kb KB (two tables of kb x 32 entries each); the
// entries per table, 0 on failure (and then nothing is allocated). The same
// count as now keeps the tables as they are.
uint32_t allocate_eval_hash(int kb);
void free_eval_hash();
// Zeroes the cache.
void clear_small_tables();
// Every entry stored before reads as a miss afterwards (0..15, then 0).
void advance_eval_cache_age();

// The slot of a position, nullptr without a cache.
inline uint32_t* eval_cache_slot(int side, uint32_t key_hi) {
    if (eval_cache_mask == 0) return nullptr;
    return eval_cache_tables[side] + (key_hi & eval_cache_mask) * EVAL_CACHE_ENTRY_WORDS;
}

// Starts loading a position's slot into the cache, for a lookup a little later.
[[gnu::always_inline]] inline void eval_cache_prefetch(int side, uint32_t key_hi) {
    if (uint32_t* slot = eval_cache_slot(side, key_hi)) __builtin_prefetch(slot);
}

// The score must lie strictly inside (-8192, 8192).
constexpr uint32_t eval_cache_word(uint32_t age, uint32_t ply_flags, uint32_t threat, int score) {
    return (age & 15) | (ply_flags & 15) << 4 | (threat & 63) << 8 |
           uint32_t(score + EVAL_CACHE_SCORE_BIAS) << EVAL_CACHE_SCORE_SHIFT;
}
constexpr int eval_cache_score(uint32_t word1) {
    return int((word1 >> EVAL_CACHE_SCORE_SHIFT) & 0x3FFF) - EVAL_CACHE_SCORE_BIAS;
}
constexpr uint32_t eval_cache_ply_flags(uint32_t word1) { return (word1 >> 4) & 15; }
constexpr uint32_t eval_cache_threat(uint32_t word1) { return (word1 >> 8) & 63; }

// Word 1 of the slot when it holds this key at the current age. A zeroed
// slot is empty whatever the key and the age: a stored word 1 is never 0, as
// its score field is at least 1.
inline bool eval_cache_read(uint32_t* slot, uint32_t key_lo, uint32_t* word1) {
    uint32_t w0 = std::atomic_ref<uint32_t>(slot[0]).load(std::memory_order_relaxed);
    uint32_t w1 = std::atomic_ref<uint32_t>(slot[1]).load(std::memory_order_relaxed);
    if (w1 == 0 || (w0 ^ w1) != key_lo || (w1 & 15) != eval_cache_age) return false;
    *word1 = w1;
    return true;
}

inline void eval_cache_write(uint32_t* slot, uint32_t key_lo, uint32_t word1) {
    std::atomic_ref<uint32_t>(slot[0]).store(key_lo ^ word1, std::memory_order_relaxed);
    std::atomic_ref<uint32_t>(slot[1]).store(word1, std::memory_order_relaxed);
}
