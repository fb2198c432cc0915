// The tablebase block cache: every entry the probe reads comes through it.
// Blocks of 8192 bytes are kept in nodes found through 32 buckets per
// descriptor side and evicted least recently used first. A miss takes a free
// node or evicts one, opens the part file on first use, and reads the block
// plainly or decompresses it with a state from a pool of decode states.
//
// In the multi-threaded build every step is guarded by spin locks: a bucket's
// lock before the global LRU lock (never the reverse), the decode pool's lock
// inside a side's file lock; decompression itself runs under no lock, on a
// node no list holds. The single-threaded builds run the same steps without
// locks.
#pragma once

#include <cstdint>

#include "tablebase/spin_lock.h"

// What a read answers when the block cannot be had.
constexpr int TB_CACHE_NO_VALUE = 0x7FFF;

// Cache bytes per node: the node and its block with room to spare. The node
// count is the cache size divided by this (1 MB: 126 nodes).
constexpr uint64_t TB_CACHE_NODE_COST = 8260;
constexpr int TB_CACHE_BUCKETS = 32;
// One decode state per search thread at most.
constexpr int TB_DECODE_POOL_SIZE = 24;
// Blocks per split part: part = block >> 18.
constexpr int TB_PART_BLOCK_SHIFT = 18;

constexpr uint32_t TB_NO_NODE = UINT32_MAX;

struct TbCacheBucket {
    TbSpinLock lock;
    uint32_t head = TB_NO_NODE;  // first node of the chain
};

// Nodes of the cache, 0 when there is none.
extern uint32_t tb_cache_nodes;

// Byte `offset` (0..8191) of `block` of a side's table, as a signed byte
// (-128..127), or TB_CACHE_NO_VALUE.
int tb_cache_read(int record, int side, uint32_t block, uint32_t offset);

// Replaces the cache by an empty one of bytes / TB_CACHE_NODE_COST nodes
// (none below one node). Returns 1 with a cache, 0 without one: too small,
// or the memory could not be had (the old cache is gone either way).
int tb_cache_allocate(uint64_t bytes);
// Empties the cache: every node free, every bucket empty, files closed.
void tb_cache_init();
void tb_cache_free();

// Fills every empty slot of the decode pool; 0 or a decompressor error code.
int tb_fill_decode_pool();
void tb_free_decode_pool();
