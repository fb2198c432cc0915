// The Position: one search instance's complete board with its piece lists,
// incrementally kept attack tables, material counters, hanging values,
// position key, search stack and move lists. There are no bitboards: sets of
// men are 16-bit masks of piece-list slot bits (king always slot 0).
//
// The attack tables and the hanging values are kept per ply (ply_tables):
// make_move copies the mover's attack table forward into the next slot and
// changes it there; the other side's table is copied only when the move
// changes it (a capture, or a line of its through the squares the man leaves
// or enters), and the hanging values only when one of them changes, else the
// new ply shares them with the plies before. unmake_move only steps back.
// The table pointers of the copied prefix name the current tables, so that
// readers index them as plain arrays. A change of a table that may be shared
// (the evaluation's x-rays behind a king in check) must be undone before the
// ply is left.
//
// A copy of a Position is the first POSITION_COPY_SIZE bytes (everything up
// to and including `thread_index`) plus the current tables, copied into the
// copy's own slot with its table pointers turned there: copy_position does
// both.
// The table pointers are the only pointers of that prefix: the current ply
// record, the two attack-table selectors and the pawn-file views are indices,
// reached through the small accessors below. A Position is therefore never
// copied by value (its copy operations are deleted).
#pragma once

#include <cstddef>
#include <cstdint>

#include "config/build_config.h"
#include "config/shared_word.h"
#include "position/types.h"

// ---- AttackRecord -----------------------------------------------------------
// Per square and side, two words counting that side's attackers of the square:
//   bits 0-15  slot bits of the attackers
//   bit 16     king
//   bits 17-19 queens (word 0: queens plus x-ray attackers)
//   bits 20-21 rooks, 22-23 bishops, 24-25 knights, 26-27 pawns
//   bits 28-31 total count
// Word 0 (`xray`) also counts line men that reach the square through line men
// of either colour moving along the same line; word 1 (`direct`) only direct
// attackers. A non-zero direct word is the engine-wide "square attacked" test.
struct AttackRecord {
    uint32_t xray;    // word 0
    uint32_t direct;  // word 1
};
static_assert(sizeof(AttackRecord) == 8);

// ---- PlyRecord --------------------------------------------------------------
// One entry of the search stack: what unmake needs to take the move back and
// what the search reads about the move that led to this ply.
struct PlyRecord {
    Move move;                   // move made to reach this ply (NULL_MOVE for a null move)
    uint16_t captured_slots;     // slot bit of the captured man (captures, en passant)
    uint8_t captured;            // kind that stood on the to-square (0 for none and for en passant)
    uint8_t mover;               // side that made the move
    uint8_t saved_moved;         // moved[] of the to-square before the move
    uint8_t saved_ep;            // ep_square before the move
    uint16_t saved_fifty;        // fifty before the move (16 bits: a byte wraps after 255 plies)
    Move threat_move;            // search: threat found by the parent's null move; cleared by make
    uint32_t saved_key_lo;       // position key before the move
    uint32_t saved_key_hi;
    uint32_t flags;              // PLY_IN_CHECK, PLY_DISCOVERED_CHECK; other bits belong to the search
    int16_t eval;                // static evaluation, written by the search
    int16_t opp_hanging_delta;   // margin 1: change of the side to move's hanging_sum caused by the move
    int16_t own_hanging_delta;   // margin 2: change of the mover's hanging_sum
    uint8_t threat;              // search: 6-bit threat byte; cleared by make
    uint8_t move_class;          // search: class written by the extension rules; cleared by make
};
static_assert(sizeof(PlyRecord) == 32);

constexpr uint32_t PLY_IN_CHECK = 0x8000;              // the side to move after the move is in check
constexpr uint32_t PLY_DISCOVERED_CHECK = 0x4000000;   // ... also by a man other than the one that moved

// ply_stack[0] is a zeroed guard so that popping the base record (as the game
// history's take-back does) stays inside the array; the base record (the
// root, holding the last game move) is ply_stack[1], so the record of search
// ply p is ply_stack[p].
constexpr int PLY_STACK_BASE = 1;
constexpr int PLY_STACK_SIZE = MAX_PLY + 1;

// ---- Move lists and principal variations -----------------------------------

constexpr int MOVE_BUFFER_SIZE = MAX_PLY * MAX_MOVES_PER_LIST;

// Triangular store of principal-variation lines: the line of ply p has room
// for MAX_PLY - p moves and a terminating 0.
constexpr int pv_line_offset(int ply) { return ply * (MAX_PLY + 1) - ply * (ply - 1) / 2; }
constexpr int PV_STORE_SIZE = pv_line_offset(MAX_PLY);

// ---- Ply tables --------------------------------------------------------------
// The hanging values of one ply: copied into the ply's slot by the first
// change at that ply (most moves change none).
struct HangingTable {
    int16_t values[64];                // hanging value of the man on each square, 0 if none (at most a queen)
    int32_t sum[2];
    uint32_t slots[2];                 // slots with a non-zero hanging value
};

// The tables of one ply. Copying them forward on a make costs a fraction of
// working the attack changes of the move backwards on the unmake. On cache
// line boundaries: the copies move whole lines, with no access split across
// two.
struct alignas(64) PlyTables {
    AttackRecord attacks[2][64];       // by colour, when this ply has a copy of its own
    HangingTable hanging;              // when this ply has a copy of its own
    AttackRecord* previous_attacks[2]; // the tables of the ply before, for the unmake
    HangingTable* previous_hanging;
    int16_t saved_material_index[2];   // before a capture or promotion, for the unmake
};

// ---- Position ---------------------------------------------------------------

struct Position {
    // ======== copied prefix: no pointers but the table pointers to thread_index ========
    // The current tables: those of ply_tables[table_index] or of an earlier
    // slot (see above). The three hanging pointers name the parts of
    // hanging_table.
    AttackRecord* attacks[2] = {ply_tables[PLY_STACK_BASE].attacks[0], ply_tables[PLY_STACK_BASE].attacks[1]};
    HangingTable* hanging_table = &ply_tables[PLY_STACK_BASE].hanging;
    int16_t* hanging = ply_tables[PLY_STACK_BASE].hanging.values;
    int32_t* hanging_sum = ply_tables[PLY_STACK_BASE].hanging.sum;
    uint32_t* hanging_slots = ply_tables[PLY_STACK_BASE].hanging.slots;
    int32_t table_index = PLY_STACK_BASE;
    int32_t side;                      // side to move
    int32_t ply_index;                 // current PlyRecord: ply_stack[ply_index]
    int32_t ply;                       // game-and-search ply: 1 after set-up, +1 per move made
    int32_t fifty;                     // reversible plies since the last capture or pawn move
    uint32_t key_lo, key_hi;           // position key (side to move not included)
    int32_t own_table;                 // colour of the table seen as own_attacks (the side to move's)
    int32_t opp_table;                 // colour of the table seen as opp_attacks
    uint32_t dirty_slots[3];           // slots whose hanging value must be recomputed; [NO_COLOUR] takes
                                       // the empty squares' marks (slot bit 0) and is never read
    int32_t saved_hanging_sum[2];      // hanging_sum before the last move
    uint8_t kind[64];                  // piece kind per square
    uint8_t colour[64];                // colour per square, NO_COLOUR when empty
    uint8_t moved[64];                 // 0: the man there never moved; saturates at 255; 0 on empty squares
    uint8_t piece_list[2][16];         // square per slot, NO_SQUARE for an empty slot
    uint32_t slots[2];                 // the only exact set of live men
    uint32_t diagonal_movers[2];       // bishops and queens   (may keep bits of captured men:
    uint32_t orthogonal_movers[2];     // rooks and queens      always intersect the kind and
    uint32_t line_pieces[2];           // bishops, rooks, queens mover masks with slots or an
    uint32_t pawn_rank_slots[2][8];    // pawns by rank          attack word)
    uint32_t pawn_slots[2];
    uint32_t knight_slots[2];
    uint32_t bishop_slots[2];
    uint32_t rook_slots[2];
    uint32_t queen_slots[2];
    uint8_t pawn_file_bytes[2][10];    // guard, files a..h, guard: bit r = a pawn on rank r
    int32_t last_to;                   // to-square of the last move (0 after a null move)
    int32_t ep_square;                 // en-passant target square, 0 = none
    uint32_t material_counts[2];       // byte 0 piece weight, byte 1 men but the king, bits 16-31 MaterialSignature
    int16_t material_index[2];         // 648 or more: outside the material table
    uint32_t sole_guard_slots;         // move-ordering scratch
    uint8_t guard_dirs[16];            // move-ordering scratch, per slot
    int32_t check_bonus;               // order bonus of checking moves, set by the quiescence search
    int32_t material[2];               // PIECE_VALUES of the side's men, king excluded
    uint32_t slot_bit[64];             // slot bit of the man on each square, 0 on empty squares
    uint16_t killer1[MAX_PLY];         // per ply, history indexes ((kind - 1) * 64 + to)
    uint16_t killer2[MAX_PLY];
    PlyRecord ply_stack[PLY_STACK_SIZE];

    // Evaluation fields (their meaning belongs to the evaluation).
    uint16_t material_sig_cache[2];    // signatures eval_material last computed for
    int32_t material_term;
    int32_t phase;
    int32_t phase_half;
    int32_t phase_rest;
    int32_t phase_rest_half;
    int32_t phase_rest_quarter;
    int32_t phase_rest_eighth;
    int32_t positional_max[2];
    int32_t positional_min[2];
    int32_t threat_first[2];
    int32_t threat_second[2];
    int32_t pawn_colour_weights[2][2]; // per side and square colour (light, dark), written by the pawn term
    int32_t move_gain;                 // material gain of the last move made

    // Search fields.
    int32_t quiet_check_threshold;     // set by the quiescence search before quiet checks are generated
    int32_t gain_value;                // written by the extension rules
    int32_t easy_move_share;           // compared by the easy-move test of the driver
    uint8_t escape_bits[16];           // king-escape analysis scratch, per slot
    uint64_t nodes;                    // nodes searched; make and null move add 1
    uint64_t merged_nodes;             // nodes merged from worker threads
    int32_t threat_gain;               // the pending-threat value read by the extension rules
    int32_t defence_gain;
    int32_t thread_index;              // owning search thread
    // ======== end of copied prefix ========

    Move pv_store[PV_STORE_SIZE];      // principal-variation lines, see pv_line()
    // The tables per ply: a slot for each move made on the way to the
    // current ply (null moves change no table and take none). Outside the
    // copied prefix: a copy takes over the current tables only, into its own
    // slot, as it takes no moves back below its own start.
    PlyTables ply_tables[PLY_STACK_SIZE];
    MoveEntry move_buffer[MOVE_BUFFER_SIZE];
    int32_t move_list[MAX_PLY + 1];    // index of each ply's list in move_buffer; [ply + 1] ends ply's list

    Position() = default;
    // A copy by value would keep table pointers into the original.
    Position(const Position&) = delete;
    Position& operator=(const Position&) = delete;
};

constexpr size_t POSITION_COPY_SIZE = offsetof(Position, thread_index) + sizeof(int32_t);

// The search instances: instance 0 is the main position of the game, the
// others are handed to worker threads at split points.
extern Position search_instances[SEARCH_INSTANCE_COUNT];
inline Position& main_position = search_instances[0];

// `src`'s state in `dest`: the copied prefix and the current ply's tables,
// in the same slot of dest's own ply_tables.
void copy_position(Position* dest, const Position* src);

// A worker thread's instance for the node at `ply` of `src`: the copied
// prefix and tables (node counters zeroed, `thread_index` set) and where the
// move lists of the plies up to the node end. Move lists and lines are the
// copy's own.
void copy_search_instance(Position* dest, const Position* src, int ply, int thread_index);

// Makes the current record the base record of the ply stack; the current
// tables move along into the base slot.
void reset_ply_stack(Position* pos);

// ---- Accessors ----------------------------------------------------------------

// The nodes searched on this Position plus those that worker threads merged
// into it (they may add to it while it is read).
inline uint64_t position_node_total(const Position* pos) { return pos->nodes + shared_load(pos->merged_nodes); }

inline AttackRecord* own_attacks(Position* pos) { return pos->attacks[pos->own_table]; }
inline AttackRecord* opp_attacks(Position* pos) { return pos->attacks[pos->opp_table]; }
inline const AttackRecord* own_attacks(const Position* pos) { return pos->attacks[pos->own_table]; }
inline const AttackRecord* opp_attacks(const Position* pos) { return pos->attacks[pos->opp_table]; }

inline PlyRecord* current_ply_record(Position* pos) { return &pos->ply_stack[pos->ply_index]; }
inline const PlyRecord* current_ply_record(const Position* pos) { return &pos->ply_stack[pos->ply_index]; }

// Makes `table` the current hanging values.
inline void point_hanging(Position* pos, HangingTable* table) {
    pos->hanging_table = table;
    pos->hanging = table->values;
    pos->hanging_sum = table->sum;
    pos->hanging_slots = table->slots;
}

// Makes ply_tables[index] the current slot with all its tables its own.
inline void point_tables(Position* pos, int index) {
    pos->table_index = index;
    point_hanging(pos, &pos->ply_tables[index].hanging);
    pos->attacks[WHITE] = pos->ply_tables[index].attacks[WHITE];
    pos->attacks[BLACK] = pos->ply_tables[index].attacks[BLACK];
}

// The side's pawn-file bytes, indexable by file -1..8 (the ends read 0).
inline uint8_t* pawn_files(Position* pos, int side) { return pos->pawn_file_bytes[side] + 1; }
inline const uint8_t* pawn_files(const Position* pos, int side) { return pos->pawn_file_bytes[side] + 1; }

inline int king_square(const Position* pos, int side) { return pos->piece_list[side][0]; }

inline MoveEntry* move_list_start(Position* pos, int ply) { return pos->move_buffer + pos->move_list[ply]; }
inline MoveEntry* move_list_end(Position* pos, int ply) { return pos->move_buffer + pos->move_list[ply + 1]; }
inline void set_move_list_end(Position* pos, int ply, const MoveEntry* end) {
    pos->move_list[ply + 1] = int32_t(end - pos->move_buffer);
}

inline Move* pv_line(Position* pos, int ply) { return pos->pv_store + pv_line_offset(ply); }

// Slot number of a slot bit and the highest slot of a mask (mask != 0):
// loops over a side's men run from the highest slot down.
inline int slot_index(uint32_t bit) { return __builtin_ctz(bit); }
inline int highest_slot(uint32_t mask) { return 31 - __builtin_clz(mask); }

// The set bits of a mask. The processor's count instruction is not assumed
// (see CMakeLists.txt): this inline sum of bit fields costs less than the
// library routine the compiler would call instead.
constexpr int bit_count(uint32_t x) {
    x = x - ((x >> 1) & 0x55555555u);
    x = (x & 0x33333333u) + ((x >> 2) & 0x33333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0Fu;
    return int((x * 0x01010101u) >> 24);
}
