// Tables whose stored value is a known function of the index, read through
// the registry, the index functions, the cache and the decompressor: every
// position must come back as the mapped value of its own entry.
#include <algorithm>
#include <vector>

#include "position/position.h"
#include "position/setup.h"
#include "search/search_info.h"
#include "tablebase/probe.h"
#include "tb_fixture.h"

namespace {

constexpr int KQK = 5;
constexpr int KRKR = 15;

// ---- Index functions of the test: any fixed function of the squares ----

uint64_t hash_squares(std::initializer_list<int> squares, uint64_t salt) {
    uint64_t h = salt;
    for (int s : squares) h = h * 0x9E3779B97F4A7C15ull + uint64_t(s) + 1;
    return h ^ (h >> 29);
}
int sorted_low(int a, int b) { return std::min(a, b); }
int sorted_high(int a, int b) { return std::max(a, b); }

constexpr uint64_t KQK_SIZE[2] = {25629, 28644};
uint64_t kqk_0(const TbPieceList* a, const TbPieceList* b, int, int) {
    return uint64_t((a->square[15] * 64 + a->square[12]) * 64 + b->square[15]) % KQK_SIZE[0];
}
uint64_t kqk_1(const TbPieceList* a, const TbPieceList* b, int, int) {
    return uint64_t((b->square[15] * 64 + a->square[15]) * 64 + a->square[12]) % KQK_SIZE[1];
}

// krnknn: rook and knight against two knights; like men in either slot order.
constexpr uint64_t KRNKNN_SIZE = 50000;
uint64_t krnknn(const TbPieceList* a, const TbPieceList* b, uint64_t salt) {
    return hash_squares({a->square[15], a->square[9], a->square[3], b->square[15], sorted_low(b->square[3], b->square[4]),
                         sorted_high(b->square[3], b->square[4])},
                        salt) %
           KRNKNN_SIZE;
}
uint64_t krnknn_0(const TbPieceList* a, const TbPieceList* b, int, int) { return krnknn(a, b, 1); }
uint64_t krnknn_1(const TbPieceList* a, const TbPieceList* b, int, int) { return krnknn(a, b, 2); }

// krnkbn, split: the rook's square colour picks the part (2^30 two-byte
// entries each).
constexpr uint64_t KRNKBN_PART_USED = 20000;
uint64_t krnkbn(const TbPieceList* a, const TbPieceList* b, uint64_t salt) {
    const uint64_t part = uint64_t(a->square[9] & 1);
    return part << 30 |
           hash_squares({a->square[15], a->square[9], a->square[3], b->square[15], b->square[6], b->square[3]}, salt) %
               KRNKBN_PART_USED;
}
uint64_t krnkbn_0(const TbPieceList* a, const TbPieceList* b, int, int) { return krnkbn(a, b, 3); }
uint64_t krnkbn_1(const TbPieceList* a, const TbPieceList* b, int, int) { return krnkbn(a, b, 4); }

// krkr: one table; the second side's function is the first with the lists exchanged.
constexpr uint64_t KRKR_SIZE = 5000;
uint64_t krkr_0(const TbPieceList* a, const TbPieceList* b, int, int) {
    return hash_squares({a->square[15], a->square[9], b->square[15], b->square[9]}, 5) % KRKR_SIZE;
}
uint64_t krkr_1(const TbPieceList* a, const TbPieceList* b, int ep, int invert) { return krkr_0(b, a, ep, invert); }

// ---- Stored values: functions of the index, never the "no value" code ----

int8_t one_byte_value(int side, uint64_t index) { return int8_t(int((index * 37 + uint64_t(side) * 11) % 255) - 128); }
int16_t two_byte_value(int side, uint64_t index) {
    return int16_t(int((index * 2654435761u + uint64_t(side) * 977) % 65535) - 32768);
}

// The probe results the stored values stand for.
int one_byte_result(int c) {
    if (c == 0) return 0;
    if (c > 0) return 127 - c;  // wins in 126 .. 1
    if (c == -126) return TB_MATED_NOW;
    if (c == -127) return -126;
    if (c == -128) return 127;
    return -126 - c;  // loses in 125 .. 1
}
int two_byte_result(int v) {
    if (v > 0) return 32767 - v;
    if (v == 0) return 0;
    return v == -32766 ? TB_MATED_NOW : -32766 - v;
}

std::vector<uint8_t> one_byte_table(int side, uint64_t size) {
    std::vector<uint8_t> table(size);
    for (uint64_t i = 0; i < size; ++i) table[i] = uint8_t(one_byte_value(side, i));
    return table;
}
std::vector<uint8_t> two_byte_table(int side, uint64_t first, uint64_t size) {
    std::vector<uint8_t> table;
    for (uint64_t i = first; i < first + size; ++i) {
        const uint16_t v = uint16_t(two_byte_value(side, i));
        table.push_back(uint8_t(v & 0xFF));
        table.push_back(uint8_t(v >> 8));
    }
    return table;
}

// ---- Positions ----

struct Man {
    int kind;
    int colour;
};

uint32_t random_state = 12345;
int random_square() {
    random_state = random_state * 1664525u + 1013904223u;
    return int(random_state >> 26);
}

// Sets up the main position with the men on random squares; false when the
// placement is not a legal position.
bool random_position(const std::vector<Man>& men, int side) {
    Position* pos = &main_position;
    for (int s = 0; s < 64; ++s) {
        pos->kind[s] = NO_KIND;
        pos->colour[s] = NO_COLOUR;
    }
    int kings[2] = {-1, -1};
    for (const Man& m : men) {
        int s;
        do s = random_square();
        while (pos->kind[s] != NO_KIND);
        pos->kind[s] = uint8_t(m.kind);
        pos->colour[s] = uint8_t(m.colour);
        if (m.kind == KING) kings[m.colour] = s;
    }
    const int df = std::abs(file_of(kings[0]) - file_of(kings[1])), dr = std::abs(rank_of(kings[0]) - rank_of(kings[1]));
    return std::max(df, dr) > 1 && setup_position(side, 0) == 1;
}

// The squares of one colour's men by kind, highest slot first, as lists.
TbPieceList list_of(int colour) {
    TbPieceList list{};
    int next[7] = {0, TB_SLOT_PAWNS, TB_SLOT_KNIGHTS, TB_SLOT_BISHOPS, TB_SLOT_ROOKS, TB_SLOT_QUEENS, TB_SLOT_KING};
    for (int s = 0; s < 64; ++s)
        if (main_position.colour[s] == colour) list.square[next[main_position.kind[s]]++] = s;
    return list;
}

using EndToEndTest = TablebaseTest;

// Probes positions of the material with each colour as the first-named side
// and each side to move; the expected entry comes from the test's own index
// function and lists.
template <typename Expected>
void probe_positions(const TbDescriptor& d, const std::vector<Man>& first_men, const std::vector<Man>& second_men,
                     Expected expected) {
    int probed = 0;
    tb_hit_count = 0;
    for (int attempt = 0; attempt < 1600; ++attempt) {
        const int first_colour = attempt & 1, side = (attempt >> 1) & 1;
        std::vector<Man> men;
        for (Man m : first_men) men.push_back({m.kind, first_colour});
        for (Man m : second_men) men.push_back({m.kind, first_colour ^ 1});
        if (!random_position(men, side)) continue;
        const TbPieceList first = list_of(first_colour), second = list_of(first_colour ^ 1);
        const int table_side = side == first_colour ? 0 : 1;
        const uint64_t index = d.index[table_side](&first, &second, TB_NO_EN_PASSANT, first_colour);
        int result = 0;
        ASSERT_EQ(tb_probe_position(&main_position, &result), 1) << d.name << " attempt " << attempt;
        ASSERT_EQ(result, expected(table_side, index)) << d.name << " attempt " << attempt << " index " << index;
        ++probed;
    }
    EXPECT_GT(probed, 500);
    EXPECT_EQ(tb_hit_count.load(), uint32_t(probed));
}

TEST_F(EndToEndTest, OneByteTablesBothSides) {
    for (int side = 0; side < 2; ++side) attach_compressed(KQK, side, 0, one_byte_table(side, KQK_SIZE[side]));
    install(KQK, kqk_0, kqk_1);
    start();
    probe_positions(tb_descriptors[KQK], {{KING, 0}, {QUEEN, 0}}, {{KING, 0}},
                    [](int side, uint64_t index) { return one_byte_result(one_byte_value(side, index)); });
}

TEST_F(EndToEndTest, SymmetricTableServesBothSides) {
    attach_plain(KRKR, 0, 0, one_byte_table(0, KRKR_SIZE));
    install(KRKR, krkr_0, krkr_1);
    start();
    probe_positions(tb_descriptors[KRKR], {{KING, 0}, {ROOK, 0}}, {{KING, 0}, {ROOK, 0}},
                    [](int, uint64_t index) { return one_byte_result(one_byte_value(0, index)); });
}

TEST_F(EndToEndTest, TwoByteTablesBothSides) {
    const int record = tb_find_record("krnknn");
    for (int side = 0; side < 2; ++side) attach_compressed(record, side, 0, two_byte_table(side, 0, KRNKNN_SIZE));
    install(record, krnknn_0, krnknn_1);
    start();
    probe_positions(tb_descriptors[size_t(record)], {{KING, 0}, {ROOK, 0}, {KNIGHT, 0}}, {{KING, 0}, {KNIGHT, 0}, {KNIGHT, 0}},
                    [](int side, uint64_t index) { return two_byte_result(two_byte_value(side, index)); });
}

TEST_F(EndToEndTest, SplitTwoByteTables) {
    const int record = tb_find_record("krnkbn");
    ASSERT_EQ(tb_descriptors[size_t(record)].flags, TB_TWO_BYTE | TB_SPLIT);
    for (int side = 0; side < 2; ++side)
        for (int part = 0; part < 2; ++part)
            attach_compressed(record, side, part, two_byte_table(side, uint64_t(part) << 30, KRNKBN_PART_USED));
    install(record, krnkbn_0, krnkbn_1);
    start();
    probe_positions(tb_descriptors[size_t(record)], {{KING, 0}, {ROOK, 0}, {KNIGHT, 0}}, {{KING, 0}, {BISHOP, 0}, {KNIGHT, 0}},
                    [](int side, uint64_t index) { return two_byte_result(two_byte_value(side, index)); });
}

}  // namespace
