#include "tablebase/huffman.h"

#include <cstring>

#include "tablebase/decoder_error.h"

namespace {

constexpr int16_t UNSET = INT16_MIN;

constexpr int corrupt(TbCheck check) { return tb_error(check, TB_CORRUPT_DATA); }

// Run lengths of the repeat symbols: b < 32 gives b + 2; b = 32 + c gives
// 2^c + (c extra bits) + 33.
constexpr int SHORT_RUN_SYMBOLS = 32;
constexpr int SHORT_RUN_BASE = 2;
constexpr int LONG_RUN_BASE = 33;
// Above 128 lengths the stream codes them with two 64-symbol alphabets.
constexpr int PLAIN_LENGTHS_LIMIT = 128;
constexpr int ZERO_RUN_BITS = 4;
constexpr int WIDTH_BITS = 5;

int read_plain_lengths(TbBitReader* reader, uint8_t* lengths, int count) {
    const int width = int(reader->read(WIDTH_BITS));
    int i = 0;
    while (i < count) {
        const uint32_t length = reader->read(width);
        if (length > TB_MAX_CODE_LENGTH) return corrupt(TB_CHECK_LENGTH_TOO_LONG);
        lengths[i++] = uint8_t(length);
        if (length == 0) {
            const int zeros = int(reader->read(ZERO_RUN_BITS));
            if (zeros > count - i) return corrupt(TB_CHECK_ZERO_RUN);
            std::memset(lengths + i, 0, size_t(zeros));
            i += zeros;
        }
        if (reader->overrun) return corrupt(TB_CHECK_LENGTHS_SHORT);
    }
    return 0;
}

int read_coded_lengths(TbBitReader* reader, uint8_t* lengths, int count) {
    uint8_t alphabet_lengths[2 * TB_LENGTH_SYMBOLS];
    if (int error = decomp_read_lengths(reader, alphabet_lengths, 2 * TB_LENGTH_SYMBOLS)) return error;
    int16_t lookup_a[1 << TB_LENGTH_LOOKUP_BITS], tree_a[TB_LENGTH_TREE_ENTRIES];
    int16_t lookup_b[1 << TB_LENGTH_LOOKUP_BITS], tree_b[TB_LENGTH_TREE_ENTRIES];
    TbHuffmanTable a{lookup_a, tree_a, TB_LENGTH_LOOKUP_BITS, TB_LENGTH_TREE_ENTRIES};
    TbHuffmanTable b{lookup_b, tree_b, TB_LENGTH_LOOKUP_BITS, TB_LENGTH_TREE_ENTRIES};
    if (int error = decomp_build_table(&a, alphabet_lengths, TB_LENGTH_SYMBOLS)) return error;
    if (int error = decomp_build_table(&b, alphabet_lengths + TB_LENGTH_SYMBOLS, TB_LENGTH_SYMBOLS)) return error;

    int i = 0;
    while (i < count) {
        const int symbol = decomp_decode_symbol(a, reader);
        if (symbol < 32) {
            lengths[i++] = uint8_t(symbol);
        } else {
            const int length = symbol - 32;
            const int run_symbol = decomp_decode_symbol(b, reader);
            int run;
            if (run_symbol < SHORT_RUN_SYMBOLS) {
                run = run_symbol + SHORT_RUN_BASE;
            } else {
                const int extra_bits = run_symbol - SHORT_RUN_SYMBOLS;
                // The shortest run of this kind must fit before its bits are read.
                if (extra_bits > 16 || (1 << extra_bits) + LONG_RUN_BASE > count - i)
                    return corrupt(TB_CHECK_REPEAT_RUN);
                run = (1 << extra_bits) + int(reader->read(extra_bits)) + LONG_RUN_BASE;
            }
            if (run > count - i) return corrupt(TB_CHECK_REPEAT_RUN);
            std::memset(lengths + i, length, size_t(run));
            i += run;
        }
        if (reader->overrun) return corrupt(TB_CHECK_LENGTHS_SHORT);
    }
    return 0;
}

}  // namespace

int decomp_build_table(TbHuffmanTable* table, const uint8_t* lengths, int count) {
    int per_length[TB_MAX_CODE_LENGTH + 1] = {};
    int coded = 0, lone_symbol = 0;
    for (int s = 0; s < count; ++s) {
        if (lengths[s] > TB_MAX_CODE_LENGTH) return corrupt(TB_CHECK_LENGTH_TOO_LONG);
        if (lengths[s] != 0) {
            ++per_length[lengths[s]];
            ++coded;
            lone_symbol = s;
        }
    }
    const int lookup_size = 1 << table->lookup_bits;
    if (coded == 0) {
        std::memset(table->lookup, 0, sizeof(int16_t) * size_t(lookup_size));
        return 0;
    }
    if (coded == 1) {
        if (lengths[lone_symbol] != 1) return corrupt(TB_CHECK_LONE_CODE);
        for (int i = 0; i < lookup_size; ++i) table->lookup[i] = int16_t(lone_symbol << 5);
        return 0;
    }

    // The code must be complete: the codes' shares 2^-length of the code
    // space must add up to exactly 1.
    uint64_t space = 0;
    for (int length = 1; length <= TB_MAX_CODE_LENGTH; ++length)
        space += uint64_t(per_length[length]) << (TB_MAX_CODE_LENGTH - length);
    if (space > uint64_t(1) << TB_MAX_CODE_LENGTH) return corrupt(TB_CHECK_OVERSUBSCRIBED);
    if (space < uint64_t(1) << TB_MAX_CODE_LENGTH) return corrupt(TB_CHECK_INCOMPLETE);

    uint32_t next_code[TB_MAX_CODE_LENGTH + 1] = {};
    for (int length = 2; length <= TB_MAX_CODE_LENGTH; ++length)
        next_code[length] = (next_code[length - 1] + uint32_t(per_length[length - 1])) << 1;

    for (int i = 0; i < lookup_size; ++i) table->lookup[i] = UNSET;
    const int bits = table->lookup_bits;
    int nodes = 0;
    for (int s = 0; s < count; ++s) {
        const int length = lengths[s];
        if (length == 0) continue;
        const uint32_t code = next_code[length]++;
        if (length <= bits) {
            const int first = int(code << (bits - length));
            const int16_t entry = int16_t(s << 5 | length);
            for (int i = first; i < first + (1 << (bits - length)); ++i) table->lookup[i] = entry;
            continue;
        }
        // Longer codes: the entry of their first bits leads into the tree.
        int16_t* slot = &table->lookup[code >> (length - bits)];
        for (int bit = length - bits - 1; bit >= 0; --bit) {
            if (*slot == UNSET) {
                if (2 * nodes + 2 > table->tree_entries) return corrupt(TB_CHECK_OVERSUBSCRIBED);
                table->tree[2 * nodes] = table->tree[2 * nodes + 1] = UNSET;
                *slot = int16_t(~nodes++);
            } else if (*slot >= 0) {
                return corrupt(TB_CHECK_OVERSUBSCRIBED);
            }
            slot = &table->tree[2 * ~*slot + int((code >> bit) & 1)];
        }
        if (*slot != UNSET) return corrupt(TB_CHECK_OVERSUBSCRIBED);
        *slot = int16_t(s);
    }
    // The length count above already proved the code complete; a hole here
    // would mean a walk into an unset entry, so it is checked all the same.
    for (int i = 0; i < lookup_size; ++i)
        if (table->lookup[i] == UNSET) return corrupt(TB_CHECK_INCOMPLETE);
    for (int i = 0; i < 2 * nodes; ++i)
        if (table->tree[i] == UNSET) return corrupt(TB_CHECK_INCOMPLETE);
    return 0;
}

int decomp_read_lengths(TbBitReader* reader, uint8_t* lengths, int count) {
    if (reader->read(1) == 1) {
        std::memset(lengths, 0, size_t(count));
        return reader->overrun ? corrupt(TB_CHECK_LENGTHS_SHORT) : 0;
    }
    return count <= PLAIN_LENGTHS_LIMIT ? read_plain_lengths(reader, lengths, count)
                                        : read_coded_lengths(reader, lengths, count);
}
