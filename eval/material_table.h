// The material table: for every pair of materials that the material index
// can name (up to 8 pawns, 2 knights, one bishop of each square colour, 2
// rooks and a queen per side), a correction of the material score, a scale,
// a drawn-without-pawns flag, or an endgame code that hands the position to
// a specialised term. Row = material index of the side to move, column =
// that of the other side. Generated at start-up by material_table_rule.
#pragma once

#include <array>
#include <cstdint>

#include "platform/memory.h"

constexpr int MATERIAL_TABLE_SIZE = 648;

using MaterialTable = uint16_t[MATERIAL_TABLE_SIZE][MATERIAL_TABLE_SIZE];
// On large pages: the evaluation and the quiescence search's gain filter
// read it at random at every node.
extern LargePageStorage<MaterialTable> material_table_storage;
inline constexpr MaterialTable& material_table = material_table_storage.value;

// ---- Entry fields ------------------------------------------------------------------
// bits 0-10 value + 1024 (side to move's view); bits 11-13 scale (0 none,
// else the final score x scale / 8); bit 14 drawn without pawns; bit 15
// special: bits 0-5 hold an endgame code instead of a value.
constexpr uint16_t MT_VALUE_MASK = 0x7FF;
constexpr int MT_VALUE_BIAS = 1024;
constexpr int MT_VALUE_LIMIT = 1023;  // |value| at most: negating it stays in the field
constexpr int MT_SCALE_SHIFT = 11;
constexpr uint16_t MT_DRAWN_WITHOUT_PAWNS = 0x4000;
constexpr uint16_t MT_SPECIAL = 0x8000;
constexpr uint16_t MT_CODE_MASK = 0x3F;

constexpr int mt_value(uint16_t entry) { return int(entry & MT_VALUE_MASK) - MT_VALUE_BIAS; }
constexpr int mt_scale(uint16_t entry) { return (entry >> MT_SCALE_SHIFT) & 7; }
constexpr int mt_code(uint16_t entry) { return entry & MT_CODE_MASK; }

// Endgame codes (the entry's side to move first; "bare" = the king alone).
enum EndgameCode : int {
    EG_BISHOP_PAWNS = 1,         // pawns only against a bishop and pawns, both ways
    EG_PAWN_VS_QUEEN = 2,        // king and pawn against king and queen, both ways
    EG_ROOK_PAWN_VS_ROOK = 3,    // king and rook against king, rook and pawn, both ways
    EG_BLOCKED_PAWN = 5,         // bishop and pawn against knight; bishop against bishop and pawn
    EG_BARE_KING = 16,           // bare king against pieces and at most one pawn (but 17, 20, 21)
    EG_BARE_KING_BISHOP = 17,    // bare king against a bishop and pawns
    EG_PAWN_ENDGAME = 18,        // pawns against pawns; bare king against two or more pawns
    EG_KING_PAWN_VS_KING = 19,   // king and pawn against bare king
    EG_MINOR_DRAW = 20,          // two knights against bare king; minor against minor, no pawns
    EG_DRAWN_MATERIAL = 21,      // bare kings; bare king against a single minor
    EG_NONE = 15,                // the working value of "no code"
};

// One side's material as the table sees it.
struct TableMaterial {
    int pawns;
    int knights;
    int light_bishops;  // 0 or 1
    int dark_bishops;   // 0 or 1
    int rooks;
    int queens;
};

constexpr TableMaterial table_material(int index) {
    TableMaterial m{};
    m.queens = index / 324;
    index %= 324;
    m.rooks = index / 108;
    index %= 108;
    int bishops = index / 27;
    m.light_bishops = bishops & 1;
    m.dark_bishops = bishops >> 1;
    index %= 27;
    m.knights = index / 9;
    m.pawns = index % 9;
    return m;
}

constexpr int table_index(const TableMaterial& m) {
    return 324 * m.queens + 108 * m.rooks + 27 * m.light_bishops + 54 * m.dark_bishops + 9 * m.knights + m.pawns;
}

// The endgame code of a pair of materials, 0 when it has none.
int endgame_code(const TableMaterial& mover, const TableMaterial& other);

// The entry for mover (the side to move) against other; see the rules in
// material_table.cpp.
uint16_t material_table_rule(const TableMaterial& mover, const TableMaterial& other);

// Fills material_table (done once before the program's main starts).
void init_material_table();

// MaterialIndexBase, by MaterialSignature >> 4 of a signature below 0x800
// (at most one queen): 324 x queens + 108 x rooks + 9 x knights, or 648 when
// the side has three or more knights, bishops or rooks. Bishops (27 light,
// 54 dark) and pawns are added from the board.
using MaterialIndexBase = std::array<int32_t, 128>;
inline constexpr MaterialIndexBase MATERIAL_INDEX_BASE = [] {
    MaterialIndexBase base{};
    for (int i = 0; i < 128; ++i) {
        int knights = i & 3, bishops = (i >> 2) & 3, rooks = (i >> 4) & 3, queens = i >> 6;
        base[i] = knights >= 3 || bishops >= 3 || rooks >= 3 ? MATERIAL_TABLE_SIZE
                                                              : 324 * queens + 108 * rooks + 9 * knights;
    }
    return base;
}();
