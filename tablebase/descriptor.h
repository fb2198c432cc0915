// The material combinations the engine can read tablebase files for: one
// TbDescriptor per combination (entry 0 a placeholder), in the fixed order of
// the record numbers that the files, the registry and the probe share.
#pragma once

#include <array>
#include <cstdint>

// Record numbers run 0..440; 0 is "kk", never registered.
constexpr int TB_RECORD_COUNT = 441;
// Records 1-5 hold three men (kings included), 6-35 four, 36-145 five,
// 146-440 six.
constexpr int TB_LAST_THREE_MEN_RECORD = 5;
constexpr int TB_LAST_FOUR_MEN_RECORD = 35;
constexpr int TB_LAST_FIVE_MEN_RECORD = 145;

// Descriptor flags. TB_SYMMETRIC marks the materials stored in one table;
// they have the same men on both sides, but kpkp, which has too, keeps two.
constexpr uint32_t TB_SYMMETRIC = 1;  // one table (side 0) for both sides to move
constexpr uint32_t TB_TWO_BYTE = 2;   // 16-bit entries
constexpr uint32_t TB_SPLIT = 4;      // each side's table is stored in parts of 2^31 bytes

// A split side has at most 17 parts; one more slot keeps a part number
// computed from a bad length inside the arrays.
constexpr int TB_MAX_PARTS = 18;
constexpr uint64_t TB_PART_BYTES = uint64_t(1) << 31;

// The squares of one side's men as the probe hands them to an index
// function: slots 0-2 pawns, 3-5 knights, 6-8 bishops, 9-11 rooks, 12-14
// queens, 15 the king. Only the slots of the men present are written.
struct TbPieceList {
    int32_t square[16];
};
constexpr int TB_SLOT_PAWNS = 0;
constexpr int TB_SLOT_KNIGHTS = 3;
constexpr int TB_SLOT_BISHOPS = 6;
constexpr int TB_SLOT_ROOKS = 9;
constexpr int TB_SLOT_QUEENS = 12;
constexpr int TB_SLOT_KING = 15;

// En-passant argument of an index function when there is none.
constexpr int TB_NO_EN_PASSANT = 127;
// What an index function returns for a position it cannot number (one a
// legal game never reaches): the probe then has no value for it.
constexpr uint64_t TB_NO_INDEX = UINT64_MAX;

// The index of a position in one side's table: (first-named side's list,
// second-named side's list, en-passant square or TB_NO_EN_PASSANT, invert
// flag 0 or 1). Pure and re-entrant.
using TbIndexFn = uint64_t (*)(const TbPieceList* first, const TbPieceList* second, int en_passant, int invert);

struct TbDescriptor {
    int32_t number;      // 0..440, the entry's own place
    uint32_t flags;      // TB_SYMMETRIC, TB_TWO_BYTE, TB_SPLIT
    char name[8];        // "kqrkr": 'k', first-named side's men, 'k', the other side's
    uint64_t length[2];  // entries of the side-0 (".nbw") and side-1 (".nbb") tables; 0 = unknown
    TbIndexFn index[2];  // [side]: side 0 = first-named side to move; null until installed
};

extern std::array<TbDescriptor, TB_RECORD_COUNT> tb_descriptors;

// Men on the board (kings included) of the tables of a record: 3..6, 2 for kk.
constexpr int tb_record_men(int record) {
    return record == 0                           ? 2
           : record <= TB_LAST_THREE_MEN_RECORD  ? 3
           : record <= TB_LAST_FOUR_MEN_RECORD   ? 4
           : record <= TB_LAST_FIVE_MEN_RECORD   ? 5
                                                 : 6;
}

// Bytes per entry: 2 for TB_TWO_BYTE tables, else 1.
inline int tb_entry_width(const TbDescriptor& d) { return (d.flags & TB_TWO_BYTE) ? 2 : 1; }

// Part files of a side's table: ((L x width) >> 31) + 1 for a split table of
// known length L, else 1.
int tb_part_count(const TbDescriptor& d, int side);

// The record of a name, 0 when it names none.
int tb_find_record(const char* name);
