// Material bookkeeping of a Position: the per-kind increments of
// material_counts (piece weight, men count, MaterialSignature) and the
// material index that keys the evaluation's material table.
#pragma once

#include <cstdint>

#include "position/geometry.h"
#include "position/types.h"

struct Position;

// ---- MaterialSignature --------------------------------------------------------
// Per side, 16 bits: pawns bits 0-3, knights 4-5, bishops 6-7, rooks 8-9,
// queens 10-12. A count larger than its field carries into the next field.
using MaterialSignature = uint16_t;

inline MaterialSignature material_signature(const uint32_t material_counts) {
    return MaterialSignature(material_counts >> 16);
}
constexpr int signature_pawns(MaterialSignature s) { return s & 15; }
constexpr int signature_knights(MaterialSignature s) { return (s >> 4) & 3; }
constexpr int signature_bishops(MaterialSignature s) { return (s >> 6) & 3; }
constexpr int signature_rooks(MaterialSignature s) { return (s >> 8) & 3; }
constexpr int signature_queens(MaterialSignature s) { return (s >> 10) & 7; }

// material_counts increments by kind: byte 0 piece weight (knight 1, bishop
// 1, rook 2, queen 4), byte 1 men other than the king, bits 16-31 signature.
inline constexpr uint32_t MATERIAL_COUNT_INCREMENTS[7] = {
    0, 0x10100, 0x100101, 0x400101, 0x1000102, 0x4000104, 0};

// ---- Material index -----------------------------------------------------------
// Sum of per-man increments: pawn 1, knight 9, bishop 27 on a light square and
// 54 on a dark one, rook 108, queen 324. Up to 8 pawns, 2 knights, one bishop
// of each square colour, 2 rooks and 1 queen it stays below 648 and indexes
// the material table; any other material is kept at 648 or more.
constexpr int MATERIAL_TABLE_LIMIT = 648;

// By kind and square colour (1 dark): a table rather than a switch, which
// compiles to an indirect jump that the captures of the search mispredict.
inline constexpr int16_t MATERIAL_INDEX_INCREMENTS[7][2] = {
    {0, 0}, {1, 1}, {9, 9}, {27, 54}, {108, 108}, {324, 324}, {0, 0}};
inline int material_index_increment(int kind, int square) {
    return MATERIAL_INDEX_INCREMENTS[kind][square_colour[square]];
}

// MATERIAL_TABLE_LIMIT when the side's live men are outside the table's range
// for a reason their plain sum does not show (a third knight, rook or bishop,
// two bishops on one square colour, more than eight pawns), else 0. A second
// queen needs no excess: 2 x 324 reaches the limit by itself. Set-up and
// make/unmake both add this, so the index depends on the material alone and
// not on how it was reached.
int material_index_excess(const Position* pos, int side);

// The side's material index computed from its live men.
int compute_material_index(const Position* pos, int side);
