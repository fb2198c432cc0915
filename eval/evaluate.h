// The static evaluation of a Position for the side to move, in score units
// (128 = a pawn). Besides the score it writes the evaluation into the
// current PlyRecord: its evaluation, its threat byte and the flags below.
//
// One call runs these stages, and most calls leave early: a stalemate test
// for a side with nothing but a few pawns, a tablebase probe when few men are
// left, the evaluation cache, the material stage (the material table or the
// imbalance term, with the endgame codes), a lazy exit in the quiescence
// search, the positional or endgame terms, the draw scaling, the cache store
// and the update of the move-gain table.
#pragma once

#include <cstdint>

struct Position;

// The depth of a root-kind evaluation: a final value, with the hanging men
// of the other side counted as won.
constexpr int ROOT_KIND_DEPTH = 128;

// ---- PlyRecord flag bits written by the evaluation ----------------------------------
constexpr uint32_t PLY_THREAT_BITS = 0xF;           // mate-threat (1 << side), king-attack (4 << side)
// Per side: a mate threat against that side's king; a safe check against it exists.
constexpr uint32_t mate_threat_bit(int side) { return 1u << side; }
constexpr uint32_t king_attack_bit(int side) { return 4u << side; }
constexpr uint32_t PLY_EVAL_PRESENT = 0x80;         // a full evaluation or a cache hit
constexpr uint32_t PLY_KIND_MASK = 0xF00;           // result kind, with its low bits 0xF40
constexpr uint32_t PLY_KIND_DRAW_BIT = 0x800;       // the kind is a draw
constexpr uint32_t KIND_LOST = 0x600;               // lost by evaluation
constexpr uint32_t KIND_WON = 0x700;                // won by evaluation
constexpr uint32_t KIND_STALEMATE = 0xC00;
constexpr uint32_t KIND_DRAWN_MATERIAL = 0xD00;
constexpr uint32_t KIND_DRAWN = 0xE00;              // drawn by an endgame term
constexpr uint32_t KIND_TABLEBASE = 0x40;
constexpr uint32_t KIND_TB_LOSS = 0x640;
constexpr uint32_t KIND_TB_WIN = 0x740;
constexpr uint32_t KIND_TB_DRAW = 0xE40;
constexpr uint32_t PLY_PV_NODE = 0x10000;           // set by the search
constexpr uint32_t PLY_DRAWN_BY_MATERIAL = 0x40000; // drawn material in the main search
constexpr uint32_t PLY_FINAL = 0x100000;            // tablebase results and every root-kind call
constexpr uint32_t PLY_TERMINAL_MASK = 0x100F00;    // the search returns such an evaluation at once

// Scores that are not tablebase results stay inside the non-mate range.
constexpr int EVAL_SCORE_LIMIT = 7799;

// ply: the search ply; depth: the remaining depth (<= 0 in the quiescence
// search, ROOT_KIND_DEPTH for a root-kind call); alpha, beta: the window that
// decides the lazy exit.
int evaluate(Position* pos, int ply, int depth, int alpha, int beta);
