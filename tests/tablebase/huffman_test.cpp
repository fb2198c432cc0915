#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tablebase/decoder_error.h"
#include "tablebase/huffman.h"

namespace {

using S = std::string;  // S("0") + text, not "0" + text, which g++ 12 wrongly warns about

// MSB-first bits from a text of '0' and '1' (blanks ignored).
std::vector<uint8_t> bits(const std::string& text) {
    std::vector<uint8_t> out;
    int used = 0;
    for (char c : text) {
        if (c != '0' && c != '1') continue;
        if (used == 0) out.push_back(0);
        if (c == '1') out.back() |= uint8_t(0x80 >> used);
        used = (used + 1) & 7;
    }
    return out;
}

std::string field(uint32_t value, int width) {
    std::string s;
    for (int i = width - 1; i >= 0; --i) s += ((value >> i) & 1) ? '1' : '0';
    return s;
}

struct DataTable {
    int16_t lookup[1 << TB_DATA_LOOKUP_BITS];
    int16_t tree[TB_DATA_TREE_ENTRIES];
    TbHuffmanTable table{lookup, tree, TB_DATA_LOOKUP_BITS, TB_DATA_TREE_ENTRIES};
    int build(const std::vector<uint8_t>& lengths) {
        std::vector<uint8_t> all(TB_DATA_SYMBOLS, 0);
        std::copy(lengths.begin(), lengths.end(), all.begin());
        return decomp_build_table(&table, all.data(), TB_DATA_SYMBOLS);
    }
};

TEST(TablebaseHuffman, TableBuildRulings) {
    struct Case {
        const char* name;
        std::vector<uint8_t> lengths;
        int check;  // 0: accepted
    };
    const Case cases[] = {
        {"all lengths 0", {}, 0},
        {"one length 1", {0, 0, 1}, 0},
        {"one length 2", {0, 2}, TB_CHECK_LONE_CODE},
        {"two lengths 1", {1, 1}, 0},
        {"three lengths 1", {1, 1, 1}, TB_CHECK_OVERSUBSCRIBED},
        {"incomplete 1, 2", {1, 2}, TB_CHECK_INCOMPLETE},
        {"incomplete 2, 2", {2, 2}, TB_CHECK_INCOMPLETE},
        {"four lengths 2", {2, 2, 2, 2}, 0},
        {"lengths 1..15, 15", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 15}, 0},
        {"length 31 pair", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23,
                            24, 25, 26, 27, 28, 29, 30, 31, 31}, 0},
        {"length 32", {1, 32}, TB_CHECK_LENGTH_TOO_LONG},
    };
    for (const Case& c : cases) {
        DataTable t;
        const int error = t.build(c.lengths);
        if (c.check == 0) {
            EXPECT_EQ(error, 0) << c.name;
        } else {
            EXPECT_EQ(error, tb_error(TbCheck(c.check), TB_CORRUPT_DATA)) << c.name;
        }
    }
}

TEST(TablebaseHuffman, LoneAndEmptyCodesConsumeNoBits) {
    const std::vector<uint8_t> input = bits("1011 0110");
    for (const auto& [lengths, symbol] : {std::pair{std::vector<uint8_t>{0, 0, 0, 1}, 3},
                                          std::pair{std::vector<uint8_t>{}, 0}}) {
        DataTable t;
        ASSERT_EQ(t.build(lengths), 0);
        TbBitReader reader;
        reader.start(input.data(), input.size());
        for (int i = 0; i < 3; ++i) EXPECT_EQ(decomp_decode_symbol(t.table, &reader), symbol);
        EXPECT_EQ(reader.read(8), 0xB6u);
        EXPECT_FALSE(reader.overrun);
    }
}

TEST(TablebaseHuffman, LongCodesWalkTheTree) {
    // Symbols 100..115 get lengths 1..15, 15: canonical codes 0, 10, 110, ...,
    // 1^14 0, 1^15. Codes above 13 bits go through the tree.
    std::vector<uint8_t> lengths(116, 0);
    for (int i = 0; i < 15; ++i) lengths[size_t(100 + i)] = uint8_t(i + 1);
    lengths[115] = 15;
    DataTable t;
    ASSERT_EQ(t.build(lengths), 0);
    std::string stream;
    const int order[] = {114, 100, 115, 112, 113, 101, 115};
    for (int symbol : order) {
        const int length = lengths[size_t(symbol)];
        const int ones = symbol == 115 ? 15 : length - 1;
        stream += std::string(size_t(ones), '1') + (symbol == 115 ? "" : "0");
    }
    const std::vector<uint8_t> input = bits(stream);
    TbBitReader reader;
    reader.start(input.data(), input.size());
    for (int symbol : order) EXPECT_EQ(decomp_decode_symbol(t.table, &reader), symbol);
    EXPECT_FALSE(reader.overrun);
}

// The header's code-length stream. For 1024 lengths the stream first codes
// two 64-symbol alphabets; here both get all lengths 6 (symbol = 6 bits).
std::string flat_alphabets() {
    std::string s = S("0") + field(3, 5);
    for (int i = 0; i < 128; ++i) s += "110";
    return s;
}

// Alphabet A with one length 6, everything else 0: 127 zeros as 16 x 7 + 15.
std::string lone_alphabet_code() {
    std::string s = S("0") + field(3, 5) + "110";
    for (int i = 0; i < 7; ++i) s += S("000") + field(15, 4);
    return s + S("000") + field(14, 4);
}

TEST(TablebaseHuffman, LengthStreams) {
    struct Case {
        const char* name;
        int count;
        std::string stream;
        int check;                     // 0: accepted
        std::vector<uint8_t> expected;  // when accepted: the first lengths
    };
    const std::string flat = flat_alphabets();
    std::string all_tens = S("0") + flat;
    for (int i = 0; i < 32; ++i) all_tens += field(42, 6) + field(30, 6);  // repeat 10, run 32
    const Case cases[] = {
        {"all zero", 1024, "1", 0, {0, 0, 0}},
        {"zero count after every zero", 5, S("0") + field(2, 5) + "01 00 0000 00 0001 11", 0, {1, 0, 0, 0, 3}},
        {"zero run past the count", 4, S("0") + field(1, 5) + "1 0 0011", TB_CHECK_ZERO_RUN, {}},
        {"length above 31", 3, S("0") + field(6, 5) + field(32, 6), TB_CHECK_LENGTH_TOO_LONG, {}},
        {"stream runs out", 100, S("0") + field(4, 5) + "0101", TB_CHECK_LENGTHS_SHORT, {}},
        {"repeated runs", 1024, all_tens, 0, {10, 10, 10}},
        {"literal then short run", 1024, S("0") + flat + field(7, 6) + field(32 + 0, 6) + field(0, 6) +
                                             field(32 + 3, 6) + field(32 + 9, 6) + field(1021 - 33 - 512, 9),
         0, {7, 0, 0, 3, 3}},
        {"run past the count", 1024, S("0") + flat + field(32 + 5, 6) + field(32 + 9, 6) + field(511, 9),
         TB_CHECK_REPEAT_RUN, {}},
        // 2^10 + 33 cannot fit in 1024: refused before its extra bits (absent here) are read.
        {"run too long for its class", 1024, S("0") + flat + field(32 + 5, 6) + field(32 + 10, 6),
         TB_CHECK_REPEAT_RUN, {}},
        {"lone alphabet code of 6 bits", 1024, S("0") + lone_alphabet_code(), TB_CHECK_LONE_CODE, {}},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> input = bits(c.stream);
        TbBitReader reader;
        reader.start(input.data(), input.size());
        std::vector<uint8_t> lengths(size_t(c.count), 0xEE);
        const int error = decomp_read_lengths(&reader, lengths.data(), c.count);
        if (c.check != 0) {
            EXPECT_EQ(error, tb_error(TbCheck(c.check), TB_CORRUPT_DATA)) << c.name;
            continue;
        }
        ASSERT_EQ(error, 0) << c.name;
        for (size_t i = 0; i < c.expected.size(); ++i) EXPECT_EQ(lengths[i], c.expected[i]) << c.name << " " << i;
        if (std::string(c.name) == "repeated runs") {
            for (uint8_t l : lengths) ASSERT_EQ(l, 10);
        }
        EXPECT_EQ(reader.position_bits(input.data()), c.stream.size() - size_t(std::count(c.stream.begin(), c.stream.end(), ' ')))
            << c.name;
    }
}

}  // namespace
