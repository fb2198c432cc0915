// Canonical prefix codes of compressed tablebase blocks: building the lookup
// table from code lengths, decoding one symbol, and reading the stream of
// code lengths stored in a file header.
//
// A lookup table resolves every code of up to `lookup_bits` bits with one
// read: entry (symbol << 5) | length. Longer codes find a negative entry,
// ~node, naming a node of a binary tree walked one bit at a time; a tree
// entry that is not negative is the symbol.
#pragma once

#include <cstdint>

#include "tablebase/bit_reader.h"

// The data code: 256 literals and 768 match symbols.
constexpr int TB_DATA_SYMBOLS = 1024;
constexpr int TB_DATA_LOOKUP_BITS = 13;
constexpr int TB_DATA_TREE_ENTRIES = 2048;
// The two alphabets that code the code lengths.
constexpr int TB_LENGTH_SYMBOLS = 64;
constexpr int TB_LENGTH_LOOKUP_BITS = 8;
constexpr int TB_LENGTH_TREE_ENTRIES = 128;

constexpr int TB_MAX_CODE_LENGTH = 31;

struct TbHuffmanTable {
    int16_t* lookup;   // 2^lookup_bits entries
    int16_t* tree;     // tree_entries entries, two per node
    int lookup_bits;
    int tree_entries;
};

// Builds the table for `count` code lengths. Returns 0, or an error check
// number (see decoder_error.h) for a length above 31, a lone code longer
// than 1 bit, or a code that is over-subscribed or incomplete. All lengths 0
// decode symbol 0 without consuming bits; one length 1 alone decodes its
// symbol without consuming bits.
int decomp_build_table(TbHuffmanTable* table, const uint8_t* lengths, int count);

// The next symbol. A reader that ran out sets its overrun flag.
inline int decomp_decode_symbol(const TbHuffmanTable& table, TbBitReader* reader) {
    int entry = table.lookup[reader->peek(table.lookup_bits)];
    if (entry >= 0) {
        reader->skip(entry & 31);
        return entry >> 5;
    }
    reader->skip(table.lookup_bits);
    do {
        entry = table.tree[2 * ~entry + int(reader->read(1))];
    } while (entry < 0);
    return entry;
}

// Reads `count` code lengths (at most 1024) from the header's length stream.
// Returns 0 or an error check number; a stream that runs out of bits is one.
int decomp_read_lengths(TbBitReader* reader, uint8_t* lengths, int count);
