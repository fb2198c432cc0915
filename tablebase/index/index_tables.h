// Tables the index functions read, built once at start-up: for each kind of
// man the numbering of the squares it may stand on around a king, and for
// each group of one to three moving men the offset of every king pair (the
// positions of all lower pairs) and the group's total.
#pragma once

#include <cstdint>

// Kinds of men in these tables. A pawn is numbered as kind 0 when it may
// stand anywhere on ranks 2-7, as kind 1 when it must not attack the king
// it is numbered around (advancing towards rank 8).
enum TbManKind : int {
    TB_KIND_PAWN = 0,
    TB_KIND_ATTACKING_PAWN = 1,
    TB_KIND_KNIGHT = 2,
    TB_KIND_BISHOP = 3,
    TB_KIND_ROOK = 4,
    TB_KIND_QUEEN = 5,
};
constexpr int TB_MAN_KINDS = 6;
constexpr uint8_t TB_NOT_NUMBERED = 0xFF;

// [kind][king square o][square x]: the number of x among the squares a man of
// that kind may occupy with the other king on o (counting up in square
// order), or TB_NOT_NUMBERED for o itself and the squares from which the man
// would attack o by contact.
extern uint8_t tb_square_numbering[TB_MAN_KINDS][64][64];
// [kind][o]: how many squares are numbered.
extern uint8_t tb_square_counts[TB_MAN_KINDS][64];

// King pairs of tables with pawns (1806) or without (462).
enum TbKingForm : int { TB_FORM_PAWNS = 0, TB_FORM_PAWNLESS = 1 };
constexpr int TB_KING_FORMS = 2;

struct TbOffsetTable {
    const uint32_t* offsets = nullptr;  // by king-pair number
    uint32_t total = 0;                 // positions of all pairs
};

// The table of a group of `count` (1..3) men of the given kinds, in any
// order; null when no such table is built (kind 0 mixed with other kinds,
// pawn kinds in the pawnless form).
const TbOffsetTable* tb_offset_table(TbKingForm form, int count, const int* kinds);

// Builds everything on the first call; later calls return at once.
void init_tb_index_tables();
