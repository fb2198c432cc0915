// Constants of the alpha-beta and quiescence searches: the search's bits of
// the PlyRecord flag word, the node flag words passed down the tree, score
// and move-order landmarks, and the small fixed tables of pruning,
// reductions and extensions.
#pragma once

#include <cstdint>

#include "eval/evaluate.h"  // the evaluation's PlyRecord bits (PLY_PV_NODE, PLY_TERMINAL_MASK, ...)
#include "position/position.h"

// ---- PlyRecord flag bits of the search ------------------------------------------
// Bits 0-3 are the evaluation's threat bits (mate_threat_bit, king_attack_bit).

constexpr uint32_t PLY_PASSED_NEAR = 0x1000;           // passed pawn within two ranks of promotion
constexpr uint32_t PLY_PASSED_PAWN = 0x4000;           // the move pushed a passed pawn (within four ranks)
constexpr uint32_t PLY_PV_CANDIDATE = 0x20000;         // the move is searched as a principal candidate
constexpr uint32_t PLY_SEARCH_SHALLOWER = 0x40000;     // the evaluation asks for one ply less (zero-window only)
constexpr uint32_t PLY_REDUCED = 0x80000;              // the move is searched reduced
constexpr uint32_t PLY_NULL_MATE_THREAT = 0x200000;    // this node's null move found a mate threat
constexpr uint32_t PLY_PASSED_LAST = 0x400000;         // passed pawn one step from promotion
constexpr uint32_t PLY_THREAT_MADE = 0x1000000;        // the move raised the other side's hanging sum
constexpr uint32_t PLY_THREAT_EXPOSED = 0x2000000;     // ... and lowered the mover's own
constexpr uint32_t PLY_SINGLE_REPLY = 0x8000000;       // the move is the single reply to check
constexpr uint32_t PLY_NEW_THREAT = 0x10000000;        // a mate threat against the side to move appeared
constexpr uint32_t PLY_CONNECTED_THREAT = 0x20000000;  // the null move's mate threat is tied to the last move
constexpr uint32_t PLY_RECAPTURE = 0x80000000;         // the move is an extended recapture
// Flags that stop a late move from being reduced by half plies.
constexpr uint32_t PLY_NO_HALF_PLY_REDUCTION = PLY_NULL_MATE_THREAT | PLY_IN_CHECK | PLY_PASSED_PAWN | PLY_PASSED_NEAR;

// ---- Node flag words ---------------------------------------------------------------
// The flags argument of search and qsearch. Three bits are cleared for every
// child of a move loop; the rest passes down the line.
constexpr uint32_t NODE_FROM_NULL_MOVE = 0x400;   // reached by a null move: no null move here
constexpr uint32_t QS_FULL_WIDTH = 0x2000;        // this quiescence level searches every move
constexpr uint32_t NODE_LEVEL_BITS = 0x2480;      // cleared for every child
// Quiescence search: (1 << side) that side already stood pat above alpha (or
// raised alpha) higher up the line; bits 0xC count the full-width levels.
constexpr uint32_t QS_FULL_WIDTH_COUNT = 0xC;
constexpr uint32_t QS_FULL_WIDTH_STEP = 4;
constexpr uint32_t qs_stood_pat_bit(int side) { return 1u << side; }

constexpr uint32_t child_node_flags(uint32_t flags) { return flags & ~NODE_LEVEL_BITS; }

// ---- Scores --------------------------------------------------------------------------
// Being mated at ply p scores p - MATED_OFFSET (the root is ply 1).
constexpr int MATED_OFFSET = 8193;
constexpr int mated_score(int ply) { return ply - MATED_OFFSET; }
constexpr int NO_MATE_BEST = -7799;    // a best score at or above this is no forced loss
constexpr int QS_PRUNE_FLOOR = -7700;  // prune base of quiescence levels that search moves fully
constexpr int QS_NO_MATE = -7699;      // scores at or above this are no mate in the quiescence search

// ---- Move order landmarks --------------------------------------------------------
constexpr int ORDER_TT_MOVE = 32700;     // the TT or IID move; a cut-off move gets depth + this
constexpr int ORDER_ILLEGAL = -32768;    // an entry found to leave the king attacked
constexpr int ORDER_QUIET_LIMIT = 2511;  // the killers order above this, quiet moves by history below
constexpr int ORDER_LOSING = -30000;     // losing captures and under-promotions order at or below this

// ---- Pruning tables ----------------------------------------------------------------
// Futility margin and move-count limit by depth 1..7 (index depth - 1).
constexpr int FUTILITY_DEPTH_LIMIT = 8;
inline constexpr int FUTILITY_MARGINS[7] = {0, 32, 64, 128, 256, 512, 1024};
inline constexpr int MOVE_COUNT_LIMITS[7] = {3, 6, 11, 18, 27, 38, 51};

// The table index of a depth. A node can reach its move loop at depth 0 (the
// evaluation's "one ply shallower" request at depth 1); it reads the depth 1
// entries rather than the slot before the table.
constexpr int pruning_table_index(int depth) { return depth > 1 ? depth - 1 : 0; }

// Futility bonus by the move's kind bits: castling, queen promotion, en passant.
inline constexpr int MOVE_KIND_BONUS[8] = {0, 32, 1120, 0, 0, 128, 0, 0};

// floor(log2(n)) for n >= 1, as the late-move reduction counts moves.
constexpr int floor_log2(uint32_t n) { return n ? 31 - __builtin_clz(n) : 0; }

// ---- Extensions ------------------------------------------------------------------------
// Gain value added for a passed pawn by its distance to promotion (1..4).
inline constexpr int PASSED_PAWN_GAIN[5] = {0, 1120, 560, 280, 140};

// Half plies by extension reason and move class 0..3.
enum ExtensionReason : int {
    EXT_PASSED_NEAR,           // passed pawn within two ranks of promotion
    EXT_PASSED_FAR,            // three or four ranks from promotion
    EXT_CONNECTED_THREAT,      // the parent's null move found a mate threat tied to the last move
    EXT_NEW_THREAT,            // else a mate threat against the parent appeared
    EXT_CHECK,
    EXT_SINGLE_REPLY,
    EXT_RECAPTURE,
    EXT_THREAT_AFTER_THREAT,   // a threatening move after a threatening move, "Combinations" on
    EXT_THREAT_AFTER_THREAT_QUIET,  // the same with "Combinations" off
    EXT_REASON_COUNT,
};
inline constexpr int8_t EXTENSION_AMOUNTS[EXT_REASON_COUNT][4] = {
    {0, 0, 1, 1},  // passed pawn near
    {0, 0, 0, 1},  // passed pawn far
    {1, 1, 1, 1},  // connected mate threat
    {0, 0, 1, 1},  // new threat
    {0, 1, 1, 2},  // check
    {1, 1, 1, 1},  // single reply
    {0, 1, 2, 2},  // recapture
    {0, 1, 2, 2},  // threat after threat, Combinations on
    {0, 0, 1, 1},  // threat after threat, Combinations off
};
// A principal-variation move with a pending threat gets one half ply.
constexpr int PENDING_THREAT_EXTENSION = 1;
// No move is extended by more than one ply.
constexpr int MAX_EXTENSION_HALF_PLIES = 2;

// Move classes written to the child's class byte.
constexpr int MOVE_CLASS_PV = 3;
constexpr int MOVE_CLASS_CANDIDATE = 2;
constexpr int MOVE_CLASS_FORCING = 1;

// ---- Null move ---------------------------------------------------------------------------
constexpr int NULL_MOVE_VERIFY_DEPTH = 6;  // a null-move fail high from this depth on is verified
constexpr int NULL_MOVE_VERIFY_REDUCTION = 5;

// ---- Limits ------------------------------------------------------------------------------
// The deepest ply a search node may use: its move list, line and killers at
// `ply`, and the child's ply record at ply + 1. Beyond it a node returns its
// static evaluation.
constexpr int SEARCH_PLY_GUARD = MAX_PLY - 1;
