// The fixed units of the attack words (see AttackRecord in position.h) and
// the line classes that decide which men let a line attack pass on as an
// x-ray.
#pragma once

#include <cstdint>

// Count + class of one attack, by kind. A man adds its unit plus its slot bit
// per attacked square; the king's slot bit is always 1, so its whole
// contribution is 0x10010001.
inline constexpr uint32_t ATTACK_UNITS[7] = {
    0x14000000,  // (no kind: as a pawn)
    0x14000000,  // pawn
    0x11000000,  // knight
    0x10400000,  // bishop
    0x10100000,  // rook
    0x10020000,  // queen
    0x10010000,  // king
};

// An attack that reaches a square through other line men: word 0 only,
// counted in the queen class.
constexpr uint32_t XRAY_UNIT = 0x10020000;

// Class bits alone, by kind.
inline constexpr uint32_t CLASS_UNITS[7] = {
    0x4000000, 0x4000000, 0x1000000, 0x400000, 0x100000, 0x20000, 0x10000};

// Tests on attack words.
constexpr uint32_t ATTACK_SLOT_MASK = 0xFFFF;
constexpr uint32_t KING_CLASS_BIT = 0x10000;
constexpr uint32_t LINE_CLASS_MASK = 0xFE0000;        // bishop, rook, queen or x-ray class present
constexpr uint32_t ORTHOGONAL_CLASS_MASK = 0x3E0000;  // queens or rooks
constexpr uint32_t DIAGONAL_CLASS_MASK = 0xCE0000;    // queens or bishops
constexpr uint32_t KNIGHT_CLASS_MASK = 0x3000000;
constexpr uint32_t PAWN_CLASS_MASK = 0xC000000;
constexpr uint32_t TWO_ATTACKERS = 0x20000000;        // a word at least this counts two or more
constexpr int attack_count(uint32_t word) { return int(word >> 28); }

// Line classes by kind: bishop 0x28, rook 0x30, queen 0x38. A man is
// transparent for a direction (lets a line attack along it pass on) when its
// line class shares a bit with the direction's line bit.
inline constexpr uint8_t LINE_CLASS[7] = {0, 0, 0, 0x28, 0x30, 0x38, 0};
constexpr uint8_t ROOK_LINE_CLASS = 0x30;
// Direction line bits by direction code: orthogonal 0x10, diagonal 0x08,
// knight steps 0x04 (and 0 for DIR_NONE).
inline constexpr uint8_t DIRECTION_LINE_BITS[17] = {
    0x10, 0x10, 0x10, 0x10, 0x08, 0x08, 0x08, 0x08,
    0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0};

constexpr bool is_transparent(int line_class, int direction) {
    return (line_class & DIRECTION_LINE_BITS[direction]) != 0;
}
