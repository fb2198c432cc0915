// The evaluation's square tables, built by the main thread from the root
// position before each search and only read while the search runs: the
// piece-square tables scaled by the game phase (with the development
// corrections and the king-to-pawns proximity), the table toward which a
// lone king is driven, and the king-wing bytes of the pawn-structure term.
// Also the small per-side and shared tables the evaluation keeps beside them.
#pragma once

#include <cstdint>

#include "config/build_config.h"
#include "position/position.h"

// By piece kind (pawn .. king, index kind - 1), colour and square. The Black
// table of a kind is the White one mirrored by rank.
using PieceSquareTable = int16_t[6][2][64];
extern PieceSquareTable piece_square_table;

inline int16_t* square_table(int kind, int colour) { return piece_square_table[kind - 1][colour]; }

// Per side, how many of its four minor-piece start squares no longer hold
// the minor that starts there, as counted at the last preparation; 0 after a
// new position is set up.
extern uint8_t developed_minors[2];
// A new position is set up: no development counted yet.
inline void clear_development() { developed_minors[0] = developed_minors[1] = 0; }

// The table read for the defending king by the pawnless king term and the
// mop-up term: centralisation, or the corners of the bishop's colour in king,
// bishop and knight against king.
extern const int8_t* king_drive_table;

// KingWing: per side, where its king stands against the other king.
constexpr uint8_t KING_WING_SAME = 0;      // same wing, or the other king on d/e
constexpr uint8_t KING_WING_OPPOSITE = 2;  // opposite wings
constexpr uint8_t KING_WING_NONE = 4;      // king on d/e, or too little material
extern uint8_t king_wing[2];
// FarWingFiles: per side, the file bits of the wing away from its king.
extern uint8_t far_wing_files[2];

// HangingShift: per side, the right shift applied to its hanging sum and its
// threat values (6; 7 for the side a playing style favours).
constexpr uint8_t HANGING_SHIFT_DEFAULT = 6;
extern uint8_t hanging_shift[2];

// MoveGainTable: per moving piece (White pawn..king rows 0-5, Black 6-11) and
// destination, the largest evaluation gain recently seen for a quiet move;
// read by futility pruning. Each search thread learns in a table of its own
// (thread 0's is the first; the single-threaded builds have only that one):
// it is written at almost every evaluation, and one table written by all
// threads would keep its lines moving between the processors at every node.
using MoveGainTable = int32_t[12][64];
extern MoveGainTable move_gain_tables[MAX_THREADS];
// The table of the thread that searches on `pos`.
inline MoveGainTable& move_gain_table_of(const Position* pos) {
    return move_gain_tables[MULTI_THREADED ? pos->thread_index : 0];
}
void clear_move_gain_table();

// Builds every table above (but the move-gain table and the hanging shifts)
// from the root position, whose phase fields eval_material has just set;
// advances the evaluation cache's age when they (or the hanging shifts)
// differ from the last preparation's.
void prepare_evaluation(Position* root);

// The piece-square tables of all kinds, mirrored, with the development
// corrections.
void build_piece_square_tables(Position* root);
// dest = (middle x phase + end x phase_rest) >> 4, square by square.
void blend_square_rows(int16_t* dest, const int8_t* middle, const int8_t* end, const Position* pos);
// Adds the king-to-pawns proximity value of square k to both kings' tables.
void add_king_pawn_proximity(const Position* root, int k);
