// The recipe of one index function, compiled once from the material's name
// and the side to move: which men form the head (numbered around the other
// king, offset by their king pair), which are placed after it and in what
// order, the fixed radices of those digits, and the same for the positions
// with an en-passant capture. Computing an index then only follows the plan.
#pragma once

#include <cstdint>

#include "tablebase/descriptor.h"
#include "tablebase/index/index_tables.h"

// Men of one kind of one side.
struct TbPlanGroup {
    uint8_t list = 0;   // 0: the first-named side's list, 1: the second's
    uint8_t slot = 0;   // the kind's first slot in the list
    uint8_t count = 0;  // 1..3 like men
    uint8_t kind = 0;   // TbManKind of the numbering (head groups)
    bool pawn = false;
};

constexpr int TB_PLAN_GROUPS = 3;  // at most three groups of one side or of the head

enum TbPlanForm : uint8_t {
    TB_PLAN_PAWNLESS,  // fold into a1-d4, reflect into a1-d1-d4
    TB_PLAN_PAWNS,     // mirror files, invert colours
};

// Positions in which the side to move may take en passant, stored after the
// ordinary ones.
struct TbEnPassantPlan {
    bool used = false;  // pawns on both sides
    int head_count = 0;
    TbPlanGroup head[TB_PLAN_GROUPS];  // the moving pieces, digit order
    const TbOffsetTable* head_table = nullptr;
    uint8_t moving_pawn_slot = 0, moving_pawns = 0;    // capturing pawn included
    uint8_t waiting_pawn_slot = 0, waiting_pawns = 0;  // captured pawn included
    uint32_t moving_pawn_radix = 1, waiting_pawn_radix = 1;
    int waiting_piece_count = 0;
    TbPlanGroup waiting_pieces[TB_PLAN_GROUPS];  // name order
    uint32_t waiting_piece_radix[TB_PLAN_GROUPS] = {};
    uint64_t ordinary_count = 0;  // indexes of the ordinary positions
};

struct TbIndexPlan {
    TbPlanForm form = TB_PLAN_PAWNLESS;
    bool swap = false;   // symmetric material, second side to move: the first side's plan on the exchanged lists
    uint8_t moving = 0;  // the list of the side to move
    uint8_t flip = 0;    // 56: the head's frame is also turned upside down
    uint8_t men = 0;     // men besides the kings
    int head_count = 0;
    TbPlanGroup head[TB_PLAN_GROUPS];  // digit order
    const TbOffsetTable* head_table = nullptr;  // null: the head is the king pair
    int plain_count = 0;
    TbPlanGroup plain[TB_PLAN_GROUPS];           // placing order
    uint32_t plain_radix[TB_PLAN_GROUPS] = {};   // by placing order
    uint8_t plain_digit[TB_PLAN_GROUPS] = {};    // placing positions, most significant digit first
    TbEnPassantPlan en_passant;
    uint64_t table_size = 0;  // head total x plain radices (+ en-passant range): no index reaches it
};

// The plan of a material's side-`side` function; `symmetric` for a material
// stored in one table (TB_SYMMETRIC). The index tables must be built.
// Returns false for a name the plans cannot serve.
bool tb_build_index_plan(const char* name, bool symmetric, int side, TbIndexPlan* plan);

// The index of a position by its plan (see TbIndexFn); TB_NO_INDEX for a
// position a game cannot reach (men on one square, kings side by side, a
// pawn on the first or last rank, a man of the side to move giving check by
// contact, an en-passant square without its pawns).
uint64_t tb_plan_index(const TbIndexPlan& plan, const TbPieceList* first, const TbPieceList* second, int en_passant,
                       int invert);
