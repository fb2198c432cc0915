#include "tablebase/registry.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "tablebase/descriptor.h"
#include "tablebase/tablebase.h"

namespace {

// The trie lives in one array of int32: a node is [max, child 0, ..., child
// max], a child being the index of the next node in the array, or on the last
// level the leaf value itself.
int32_t* trie = nullptr;

// Elements of a node allowing counts 0..max with `levels` levels below it.
size_t subtree_size(int max, int levels) {
    size_t size = size_t(max) + 2;
    if (levels > 0)
        for (int j = 0; j <= max; ++j) size += subtree_size(max - j, levels - 1);
    return size;
}

// Builds the node at `at`; returns the index after its subtree.
size_t build_node(size_t at, int max, int levels) {
    trie[at] = max;
    size_t next = at + size_t(max) + 2;
    for (int j = 0; j <= max; ++j) {
        if (levels == 0) {
            trie[at + 1 + size_t(j)] = 0;
        } else {
            trie[at + 1 + size_t(j)] = int32_t(next);
            next = build_node(next, max - j, levels - 1);
        }
    }
    return next;
}

// The leaf slot of the counts, null when a count is out of range.
int32_t* leaf_slot(const int counts[TB_COUNTS]) {
    size_t node = 0;
    for (int level = 0; level < TB_COUNTS; ++level) {
        const int c = counts[level];
        if (c < 0 || c > trie[node]) return nullptr;
        int32_t* slot = &trie[node + 1 + size_t(c)];
        if (level == TB_COUNTS - 1) return slot;
        node = size_t(*slot);
    }
    return nullptr;
}

}  // namespace

const char* tb_count_pieces(int counts[5], const char* text) {
    for (int i = 0; i < 5; ++i) counts[i] = 0;
    for (; *text != '\0' && *text != 'k'; ++text) {
        switch (*text) {
            case 'n': ++counts[1]; break;
            case 'b': ++counts[2]; break;
            case 'r': ++counts[3]; break;
            case 'q': ++counts[4]; break;
            default: ++counts[0]; break;
        }
    }
    return text;
}

void tb_parse_name(int counts[TB_COUNTS], const char* name) {
    if (*name == 'k') ++name;
    name = tb_count_pieces(counts, name);
    if (*name == 'k') ++name;
    tb_count_pieces(counts + 5, name);
}

void build_tb_trie() {
    if (trie != nullptr) return;
    const size_t size = subtree_size(TB_MAX_MEN_BESIDES_KINGS, TB_COUNTS - 1);
    trie = static_cast<int32_t*>(tb_alloc(size * sizeof(int32_t)));
    build_node(0, TB_MAX_MEN_BESIDES_KINGS, TB_COUNTS - 1);
}

int tb_trie_insert(int number, const int counts[TB_COUNTS]) {
    build_tb_trie();
    int32_t* slot = leaf_slot(counts);
    if (slot == nullptr) return 0;
    *slot = number;
    return 1;
}

int tb_trie_lookup(const int counts[TB_COUNTS]) {
    if (trie == nullptr) return 0;
    const int32_t* slot = leaf_slot(counts);
    return slot != nullptr ? *slot : 0;
}

int tb_register(const TbDescriptor& descriptor) {
    int counts[TB_COUNTS];
    tb_parse_name(counts, descriptor.name);
    if (!tb_trie_insert(descriptor.number, counts)) return 0;
    if (descriptor.flags & TB_SYMMETRIC) return 1;
    int swapped[TB_COUNTS];
    for (int i = 0; i < 5; ++i) {
        swapped[i] = counts[i + 5];
        swapped[i + 5] = counts[i];
    }
    return tb_trie_insert(-descriptor.number, swapped);
}

void* tb_alloc(size_t bytes) {
    void* memory = std::malloc(bytes != 0 ? bytes : 1);
    if (memory == nullptr) {
        char message[96];
        std::snprintf(message, sizeof(message), "info string *** Cannot allocate %zu bytes of memory\n", bytes);
        tb_fatal(message);
    }
    return memory;
}
