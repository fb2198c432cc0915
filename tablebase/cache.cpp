#include "tablebase/cache.h"

#include <cstdio>
#include <cstdlib>

#include "tablebase/decoder.h"
#include "tablebase/table_sides.h"
#include "tablebase/tablebase.h"

uint32_t tb_cache_nodes = 0;

namespace {

struct TbCacheNode {
    uint32_t record;
    uint32_t side;
    uint32_t block;       // across the parts of a split table
    uint32_t lru_next;    // toward the least recently used end; the free list's link
    uint32_t lru_prev;
    uint32_t chain_next;  // bucket chain
    uint32_t chain_prev;
    uint32_t valid;       // bytes of the block that hold data (a plain file's last block may be short)
};

TbCacheNode* nodes = nullptr;
uint8_t* block_data = nullptr;  // TB_BLOCK_SIZE bytes per node

// The LRU list (head: most recently used) and the free list share one lock.
TbSpinLock lru_lock;
uint32_t lru_head = TB_NO_NODE;
uint32_t lru_tail = TB_NO_NODE;
uint32_t free_head = TB_NO_NODE;

TbSpinLock pool_lock;
TbDecodeState* decode_pool[TB_DECODE_POOL_SIZE] = {};

// A part file's path (at most a folder of "NalimovPath" and a name) and the words around it.
constexpr int DROPPED_LINE_CAPACITY = 400;

uint8_t* data_of(uint32_t node) { return block_data + uint64_t(node) * TB_BLOCK_SIZE; }

TbCacheBucket& bucket_of(uint32_t record, uint32_t side, uint32_t block) {
    return tb_table_sides[record][side].buckets[block % TB_CACHE_BUCKETS];
}

int byte_of(uint32_t node, uint32_t offset) {
    return offset < nodes[node].valid ? int(int8_t(data_of(node)[offset])) : TB_CACHE_NO_VALUE;
}

// ---- Lists (callers hold the locks named) ----

void lru_unlink(uint32_t n) {  // LRU lock
    TbCacheNode& node = nodes[n];
    if (node.lru_prev != TB_NO_NODE) nodes[node.lru_prev].lru_next = node.lru_next;
    else lru_head = node.lru_next;
    if (node.lru_next != TB_NO_NODE) nodes[node.lru_next].lru_prev = node.lru_prev;
    else lru_tail = node.lru_prev;
}

void lru_push_front(uint32_t n) {  // LRU lock
    nodes[n].lru_prev = TB_NO_NODE;
    nodes[n].lru_next = lru_head;
    if (lru_head != TB_NO_NODE) nodes[lru_head].lru_prev = n;
    else lru_tail = n;
    lru_head = n;
}

void free_push(uint32_t n) {  // LRU lock
    nodes[n].lru_next = free_head;
    free_head = n;
}

void chain_unlink(TbCacheBucket& bucket, uint32_t n) {  // bucket lock
    TbCacheNode& node = nodes[n];
    if (node.chain_prev != TB_NO_NODE) nodes[node.chain_prev].chain_next = node.chain_next;
    else bucket.head = node.chain_next;
    if (node.chain_next != TB_NO_NODE) nodes[node.chain_next].chain_prev = node.chain_prev;
}

void chain_push_front(TbCacheBucket& bucket, uint32_t n) {  // bucket lock
    nodes[n].chain_prev = TB_NO_NODE;
    nodes[n].chain_next = bucket.head;
    if (bucket.head != TB_NO_NODE) nodes[bucket.head].chain_prev = n;
    bucket.head = n;
}

// A node no list holds: a free one, else the least recently used, taken out
// of its bucket. TB_NO_NODE when every node is held by other threads.
uint32_t take_node() {
    lru_lock.lock();
    for (;;) {
        if (free_head != TB_NO_NODE) {
            const uint32_t n = free_head;
            free_head = nodes[n].lru_next;
            lru_lock.unlock();
            return n;
        }
        const uint32_t victim = lru_tail;
        if (victim == TB_NO_NODE) {
            lru_lock.unlock();
            return TB_NO_NODE;
        }
        const TbCacheNode seen = nodes[victim];
        lru_lock.unlock();
        // The bucket lock comes first: take it, then the LRU lock again, and
        // make sure the victim is still the tail of the same block.
        TbCacheBucket& bucket = bucket_of(seen.record, seen.side, seen.block);
        bucket.lock.lock();
        lru_lock.lock();
        const TbCacheNode& now = nodes[victim];
        if (lru_tail != victim || now.record != seen.record || now.side != seen.side || now.block != seen.block) {
            bucket.lock.unlock();
            continue;
        }
        lru_unlink(victim);
        lru_lock.unlock();
        chain_unlink(bucket, victim);
        bucket.lock.unlock();
        return victim;
    }
}

TbDecodeState* pool_take() {
    TbLockGuard guard(pool_lock);
    for (TbDecodeState*& slot : decode_pool)
        if (slot != nullptr) {
            TbDecodeState* state = slot;
            slot = nullptr;
            return state;
        }
    return nullptr;
}

void pool_put(TbDecodeState* state) {
    TbLockGuard guard(pool_lock);
    for (TbDecodeState*& slot : decode_pool)
        if (slot == nullptr) {
            slot = state;
            return;
        }
}

// Tells the interface, once per part, that a table file is no longer read:
// without the line a damaged table would only show as positions the engine
// no longer knows. Called with no lock held; frees the dropped name.
void report_dropped(char* name, const char* why) {
    if (name == nullptr) return;
    char line[DROPPED_LINE_CAPACITY];
    std::snprintf(line, sizeof(line), "info string tablebase file %s %s: no longer used\n", name, why);
    tb_info(line);
    std::free(name);
}

// Opens the part's file if needed; the caller holds the side's file lock and
// still holds it on return. When a first open fails (perhaps for want of
// file handles), every tablebase file is closed and the open tried once more;
// when that fails too the part is dropped and its name left in *dropped.
bool open_part(TbTableSide& s, int part, char** dropped) {
    if (s.files[part].is_open()) return true;
    const char* name = s.part_names[part].load(std::memory_order_relaxed);
    if (name == nullptr) return false;
    if (open_positioned_file(name, &s.files[part])) return true;
    s.file_lock.unlock();
    tb_close_files();
    s.file_lock.lock();
    if (s.files[part].is_open()) return true;
    name = s.part_names[part].load(std::memory_order_relaxed);
    if (name == nullptr) return false;
    if (open_positioned_file(name, &s.files[part])) return true;
    *dropped = tb_drop_part(&s, part);
    return false;
}

// Fills node n with the block; false when it cannot be had. A part that
// fails to open, read or decode is dropped; running out of decode states is
// not the part's fault and drops nothing.
bool load_block(uint32_t record, uint32_t side, uint32_t block, uint32_t n) {
    const TbDescriptor& d = tb_descriptors[record];
    TbTableSide& s = tb_table_sides[record][side];
    const bool split = (d.flags & TB_SPLIT) != 0;
    const uint32_t part = split ? block >> TB_PART_BLOCK_SHIFT : 0;
    const uint32_t block_in_part = split ? block & ((1u << TB_PART_BLOCK_SHIFT) - 1) : block;
    if (part >= uint32_t(TB_MAX_PARTS)) return false;

    char* dropped = nullptr;
    s.file_lock.lock();
    if (!open_part(s, int(part), &dropped)) {
        s.file_lock.unlock();
        report_dropped(dropped, "can't be opened");
        return false;
    }
    const PositionedFile file = s.files[part];
    const TbDecoder* decoder = s.decoders[part];
    if (decoder == nullptr) {
        const int64_t got = read_at(file, data_of(n), TB_BLOCK_SIZE, uint64_t(block_in_part) * TB_BLOCK_SIZE);
        if (got < 0) dropped = tb_drop_part(&s, int(part));
        s.file_lock.unlock();
        report_dropped(dropped, "can't be read");
        nodes[n].valid = got < 0 ? 0 : uint32_t(got);
        return got >= 0;
    }
    TbDecodeState* state = pool_take();
    if (state == nullptr) {
        s.file_lock.unlock();
        return false;
    }
    decomp_init_state(state, data_of(n));
    int error = decomp_read_block(decoder, state, file, block_in_part);
    s.file_lock.unlock();
    if (error == 0) error = decomp_decode_block(decoder, state, state->block_size);
    nodes[n].valid = state->block_size;
    pool_put(state);
    if (error != 0) {
        s.file_lock.lock();
        dropped = tb_drop_part(&s, int(part));
        s.file_lock.unlock();
        report_dropped(dropped, tb_error_kind(error) == TB_READ_ERROR ? "can't be read" : "is damaged");
        return false;
    }
    return true;
}

}  // namespace

int tb_cache_read(int record, int side, uint32_t block, uint32_t offset) {
    TbTableSide& s = tb_table_sides[record][side];
    if (tb_cache_nodes == 0 || s.buckets == nullptr || offset >= TB_BLOCK_SIZE) return TB_CACHE_NO_VALUE;
    TbCacheBucket& bucket = s.buckets[block % TB_CACHE_BUCKETS];

    bucket.lock.lock();
    for (uint32_t n = bucket.head; n != TB_NO_NODE; n = nodes[n].chain_next) {
        if (nodes[n].block != block) continue;
        lru_lock.lock();
        if (lru_head != n) {
            lru_unlink(n);
            lru_push_front(n);
        }
        lru_lock.unlock();
        if (bucket.head != n) {
            chain_unlink(bucket, n);
            chain_push_front(bucket, n);
        }
        const int value = byte_of(n, offset);
        bucket.lock.unlock();
        return value;
    }
    bucket.lock.unlock();

    const uint32_t n = take_node();
    if (n == TB_NO_NODE) return TB_CACHE_NO_VALUE;
    nodes[n].record = uint32_t(record);
    nodes[n].side = uint32_t(side);
    nodes[n].block = block;
    if (!load_block(uint32_t(record), uint32_t(side), block, n)) {
        TbLockGuard guard(lru_lock);
        free_push(n);
        return TB_CACHE_NO_VALUE;
    }
    bucket.lock.lock();
    lru_lock.lock();
    lru_push_front(n);
    lru_lock.unlock();
    chain_push_front(bucket, n);
    const int value = byte_of(n, offset);
    bucket.lock.unlock();
    return value;
}

int tb_cache_allocate(uint64_t bytes) {
    tb_cache_free();
    uint64_t count = bytes / TB_CACHE_NODE_COST;
    if (count >= TB_NO_NODE) count = TB_NO_NODE - 1;
    if (count == 0) return 0;
    nodes = static_cast<TbCacheNode*>(std::malloc(sizeof(TbCacheNode) * count));
    block_data = static_cast<uint8_t*>(std::malloc(TB_BLOCK_SIZE * count));
    if (nodes == nullptr || block_data == nullptr) {
        tb_cache_free();
        return 0;
    }
    tb_cache_nodes = uint32_t(count);
    tb_cache_init();
    return 1;
}

void tb_cache_init() {
    tb_close_files();
    lru_lock.reset();
    pool_lock.reset();
    lru_head = lru_tail = free_head = TB_NO_NODE;
    for (uint32_t n = tb_cache_nodes; n-- > 0;) {
        nodes[n] = TbCacheNode{0, 0, 0, TB_NO_NODE, TB_NO_NODE, TB_NO_NODE, TB_NO_NODE, 0};
        free_push(n);
    }
    for (auto& record : tb_table_sides)
        for (TbTableSide& s : record)
            if (s.buckets != nullptr)
                for (int b = 0; b < TB_CACHE_BUCKETS; ++b) {
                    s.buckets[b].lock.reset();
                    s.buckets[b].head = TB_NO_NODE;
                }
}

void tb_cache_free() {
    tb_cache_nodes = 0;
    std::free(nodes);
    std::free(block_data);
    nodes = nullptr;
    block_data = nullptr;
    tb_cache_init();
}

int tb_fill_decode_pool() {
    TbLockGuard guard(pool_lock);
    for (TbDecodeState*& slot : decode_pool)
        if (slot == nullptr)
            if (int error = decomp_alloc_state(&slot)) return error;
    return 0;
}

void tb_free_decode_pool() {
    TbLockGuard guard(pool_lock);
    for (TbDecodeState*& slot : decode_pool) {
        decomp_free_state(slot);
        slot = nullptr;
    }
}
