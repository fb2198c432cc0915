#include <fcntl.h>
#include <unistd.h>

#include <vector>

#include "position/position.h"
#include "search/search_info.h"
#include "tablebase/availability.h"
#include "tablebase/probe.h"
#include "tb_fixture.h"
#include "test_board.h"

namespace {

constexpr int KQK = 5;
constexpr int KPKP = 6;
constexpr int KRKR = 15;
constexpr int KQKR = 19;
constexpr int KPPKP = 36;

// What the index functions were last called with.
struct Call {
    int side = -1;  // which of the two functions
    int first_king, first_queen, second_king;
    int en_passant, invert;
};
Call last_call;
int calls = 0;
uint64_t next_index = 0;

uint64_t record_call(int side, const TbPieceList* first, const TbPieceList* second, int en_passant, int invert) {
    last_call = {side, first->square[TB_SLOT_KING], first->square[TB_SLOT_QUEENS], second->square[TB_SLOT_KING],
                 en_passant, invert};
    ++calls;
    return next_index;
}
uint64_t recording_side0(const TbPieceList* a, const TbPieceList* b, int ep, int invert) { return record_call(0, a, b, ep, invert); }
uint64_t recording_side1(const TbPieceList* a, const TbPieceList* b, int ep, int invert) { return record_call(1, a, b, ep, invert); }
uint64_t kings_only(const TbPieceList* a, const TbPieceList* b, int, int) {
    last_call = {-1, a->square[TB_SLOT_KING], -1, b->square[TB_SLOT_KING], 0, 0};
    ++calls;
    return next_index;
}

class ProbeTest : public TablebaseTest {
protected:
    void SetUp() override {
        calls = 0;
        next_index = 0;
        last_call = Call{};
    }
    int probe(const char* fen, int* result) {
        EXPECT_TRUE(load_test_board(fen)) << fen;
        return tb_probe_position(&main_position, result);
    }
    // Side tables of one value each, so the answer tells which was read.
    void kqk_tables(uint8_t side0, uint8_t side1) {
        attach_plain(KQK, 0, 0, std::vector<uint8_t>(25629, side0));
        attach_plain(KQK, 1, 0, std::vector<uint8_t>(28644, side1));
        install(KQK, recording_side0, recording_side1);
    }
};

TEST_F(ProbeTest, Orientation) {
    kqk_tables(1, 2);  // side 0: wins in 126; side 1: wins in 125
    start();
    struct Case {
        const char* fen;
        int side;  // function called and table read
        int invert;
        int first_king, queen, second_king;
    };
    const Case cases[] = {
        {"8/8/8/3k4/8/8/8/Q3K3 w - - 0 1", 0, 0, E1, A1, D5},
        {"8/8/8/3k4/8/8/8/Q3K3 b - - 0 1", 1, 0, E1, A1, D5},
        {"q3k3/8/8/8/3K4/8/8/8 b - - 0 1", 0, 1, E8, A8, D4},  // the queen's side is black: its list comes first
        {"q3k3/8/8/8/3K4/8/8/8 w - - 0 1", 1, 1, E8, A8, D4},
    };
    for (const Case& c : cases) {
        int result = 0;
        ASSERT_EQ(probe(c.fen, &result), 1) << c.fen;
        EXPECT_EQ(last_call.side, c.side) << c.fen;
        EXPECT_EQ(last_call.invert, c.invert) << c.fen;
        EXPECT_EQ(last_call.first_king, c.first_king) << c.fen;
        EXPECT_EQ(last_call.first_queen, c.queen) << c.fen;
        EXPECT_EQ(last_call.second_king, c.second_king) << c.fen;
        EXPECT_EQ(last_call.en_passant, TB_NO_EN_PASSANT) << c.fen;
        EXPECT_EQ(result, c.side == 0 ? 126 : 125) << c.fen;
    }
}

TEST_F(ProbeTest, SymmetricMaterialReadsTheFirstTable) {
    attach_plain(KRKR, 0, 0, std::vector<uint8_t>(1000, 3));
    install(KRKR, kings_only, recording_side1);
    start();
    int result = 0;
    ASSERT_EQ(probe("4k3/8/8/8/8/8/r7/R3K3 b - - 0 1", &result), 1);
    EXPECT_EQ(last_call.side, 1);
    EXPECT_EQ(last_call.invert, 0);
    EXPECT_EQ(result, 124);
}

TEST_F(ProbeTest, EnPassantSquareIsPassedOn) {
    attach_plain(KPKP, 0, 0, std::vector<uint8_t>(64, 0));
    attach_plain(KPKP, 1, 0, std::vector<uint8_t>(64, 0));
    install(KPKP, recording_side0, recording_side1);
    start();
    int result = 5;
    ASSERT_EQ(probe("7k/8/8/3pP3/8/8/8/4K3 w - d6 0 1", &result), 1);
    EXPECT_EQ(last_call.en_passant, D6);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(probe("7k/8/8/3pP3/8/8/8/4K3 w - - 0 1", &result), 1);
    EXPECT_EQ(last_call.en_passant, TB_NO_EN_PASSANT);
}

TEST_F(ProbeTest, UnreadableEntrySwitchesOffThatMaterialAndSide) {
    std::vector<uint8_t> side0(25629, 5);
    side0[0] = 127;  // the code for "no value"
    attach_plain(KQK, 0, 0, side0);
    attach_plain(KQK, 1, 0, std::vector<uint8_t>(28644, 4));
    install(KQK, recording_side0, recording_side1);
    start();
    const char* white_to_move = "8/8/8/3k4/8/8/8/Q3K3 w - - 0 1";
    int result = 0;
    tb_hit_count = 0;
    next_index = 1;
    ASSERT_EQ(probe(white_to_move, &result), 1);
    EXPECT_EQ(result, 122);
    next_index = 0;
    result = 77;
    EXPECT_EQ(probe(white_to_move, &result), 0);
    EXPECT_EQ(result, 77);
    next_index = 1;
    const int calls_before = calls;
    EXPECT_EQ(probe(white_to_move, &result), 0) << "the material is off with white to move";
    EXPECT_EQ(calls, calls_before) << "no index is computed for it";
    ASSERT_EQ(probe("8/8/8/3k4/8/8/8/Q3K3 b - - 0 1", &result), 1) << "black to move has its own bit";
    EXPECT_EQ(result, 123);
    EXPECT_EQ(tb_hit_count.load(), 2u);
}

TEST_F(ProbeTest, NoResultWithoutTableFunctionOrIndex) {
    kqk_tables(1, 2);
    start();
    int result = 9;
    tb_hit_count = 0;
    EXPECT_EQ(probe("8/8/8/3k4/8/8/8/q3K3 w - - 0 1", &result), 1) << "kqk, the queen black";
    EXPECT_EQ(probe("8/8/8/3k4/8/8/8/R3K3 w - - 0 1", &result), 0) << "krk: no table";
    EXPECT_EQ(probe("8/8/8/3k4/8/8/PPPP4/4K3 w - - 0 1", &result), 0) << "four pawns: no table";
    EXPECT_EQ(probe("8/8/8/3k4/8/8/PPPP4/Q3K3 w - - 0 1", &result), 0) << "five men besides the kings";
    next_index = TB_NO_INDEX;
    EXPECT_EQ(probe("8/8/8/3k4/8/8/8/Q3K3 w - - 0 1", &result), 0) << "a position the function cannot number";
    next_index = 0;
    EXPECT_EQ(probe("8/8/8/3k4/8/8/8/Q3K3 w - - 0 1", &result), 1) << "... does not switch the material off";
    EXPECT_EQ(tb_hit_count.load(), 2u);
    tb_descriptors[KQK].index[1] = nullptr;
    EXPECT_EQ(probe("8/8/8/3k4/8/8/8/Q3K3 b - - 0 1", &result), 0) << "no index function";
    EXPECT_EQ(result, 126);
}

TEST_F(ProbeTest, MaterialBeyondTheAvailabilityBits) {
    kqk_tables(1, 2);
    attach_plain(KQKR, 0, 0, std::vector<uint8_t>(100, 1));
    install(KQKR, recording_side0, recording_side1);
    start();
    ASSERT_EQ(tb_availability_allocate(3), 1);  // keys of three men only
    int result = 0;
    EXPECT_EQ(probe("8/8/8/3k4/8/8/8/Q3K3 w - - 0 1", &result), 1);
    calls = 0;
    EXPECT_EQ(probe("8/8/8/3k4/8/8/7r/Q3K3 w - - 0 1", &result), 0);
    EXPECT_EQ(calls, 0);
}

TEST_F(ProbeTest, OneByteEntryValues) {
    struct Case {
        int8_t stored;
        int value;   // on the 16-bit scale
        int result;  // of the probe
    };
    const Case cases[] = {
        {0, 0, 0},           {1, 32641, 126},       {126, 32766, 1},        {127, TB_NO_VALUE, 0},
        {-1, -32641, -125},  {-126, -32766, TB_MATED_NOW}, {-127, -32640, -126}, {-128, 32640, 127},
    };
    std::vector<uint8_t> table;
    for (const Case& c : cases) table.push_back(uint8_t(c.stored));
    attach_plain(KQK, 0, 0, table);
    start();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const int value = tb_probe_entry(KQK, 0, i);
        EXPECT_EQ(value, cases[i].value) << int(cases[i].stored);
        if (value != TB_NO_VALUE) {
            EXPECT_EQ(tb_entry_result(value), cases[i].result) << int(cases[i].stored);
        }
    }
    EXPECT_EQ(tb_loss_moves(TB_MATED_NOW), 0);
    EXPECT_EQ(tb_loss_moves(-7), 7);
}

TEST_F(ProbeTest, TwoByteEntries) {
    const int record = tb_find_record("krnknn");
    ASSERT_EQ(tb_descriptors[size_t(record)].flags, TB_TWO_BYTE);
    const int16_t values[] = {0, 32766, 32767, -32766, -32765, 1, -1, 300};
    std::vector<uint8_t> table;
    for (int16_t v : values) table.insert(table.end(), {uint8_t(v & 0xFF), uint8_t(uint16_t(v) >> 8)});
    table.push_back(0x12);  // the low byte of one more entry, its high byte missing
    attach_plain(record, 1, 0, table);
    start();
    for (size_t i = 0; i < std::size(values); ++i) EXPECT_EQ(tb_probe_entry(record, 1, i), values[i] == 32767 ? TB_NO_VALUE : values[i]);
    EXPECT_EQ(tb_probe_entry(record, 1, std::size(values)), TB_NO_VALUE);
    EXPECT_EQ(tb_entry_result(32766), 1);
    EXPECT_EQ(tb_entry_result(-32766), TB_MATED_NOW);
    EXPECT_EQ(tb_entry_result(-32765), -1);
}

TEST_F(ProbeTest, MatedNowIsALoss) {
    kqk_tables(1, uint8_t(-126));
    start();
    int result = 0;
    ASSERT_EQ(probe("8/8/8/8/8/8/8/k1K1Q3 b - - 0 1", &result), 1);
    EXPECT_EQ(result, TB_MATED_NOW);
}

TEST_F(ProbeTest, KppkpWitnesses) {
    // A sparse table of zeros (draws) large enough for the seven indexes.
    const std::string path = dir_.file("kppkp.nbb");
    const int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 89391280), 0);
    close(fd);
    attach_plain_path(KPPKP, 1, 0, path);
    attach_plain_path(KPPKP, 0, 0, path);
    start();
    for (uint64_t index : {56802428ull, 56811076ull, 56849992ull, 56858640ull, 59592489ull, 67775659ull, 71071628ull}) {
        EXPECT_EQ(tb_entry_result(tb_probe_entry(KPPKP, 1, index)), -127) << index;
        EXPECT_EQ(tb_probe_entry(KPPKP, 0, index), 0) << index;
    }
    EXPECT_EQ(tb_probe_entry(KPPKP, 1, 56802429), 0);
}

}  // namespace
