// The registry: a trie from the ten piece counts of a material to the
// descriptor whose tables cover it, and the allocator of the subsystem's
// start-up tables.
//
// The ten counts are the first-named side's pawns, knights, bishops, rooks,
// queens, then the second-named side's. The trie holds every tuple with at
// most four men besides the kings; a leaf holds +n when the counts match
// descriptor n as given, -n when they match it with the sides exchanged, 0
// when no table is registered.
#pragma once

#include <cstddef>

struct TbDescriptor;

constexpr int TB_COUNTS = 10;
constexpr int TB_MAX_MEN_BESIDES_KINGS = 4;

// Counts one side's men of a name from `text` up to the next 'k' or the end:
// counts[0] pawns (any letter but n, b, r, q), [1] knights, [2] bishops, [3]
// rooks, [4] queens. Returns the position of that 'k' or of the end.
const char* tb_count_pieces(int counts[5], const char* text);

// The ten counts of a descriptor name ("kqrkr").
void tb_parse_name(int counts[TB_COUNTS], const char* name);

// Builds the empty trie on the first call; later calls do nothing.
void build_tb_trie();

// Stores `number` in the leaf of the counts; 0 when a count exceeds what the
// trie allows there (nothing stored), else 1. Builds the trie if needed.
int tb_trie_insert(int number, const int counts[TB_COUNTS]);

// The leaf of the counts, 0 when a count exceeds what the trie allows or the
// trie has not been built.
int tb_trie_lookup(const int counts[TB_COUNTS]);

// Enters the descriptor's material: +number under its counts and, unless it
// is symmetric, -number under the counts with the sides exchanged. Non-zero
// on success.
int tb_register(const TbDescriptor& descriptor);

// Memory for the tablebase tables; a failure ends the program.
void* tb_alloc(size_t bytes);
