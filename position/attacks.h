// Incremental upkeep of the two AttackRecord tables of a Position: one add
// and one remove handler per piece kind, and the line upkeep for a square
// that becomes occupied, empty, or changes its occupant's line class.
//
// The handlers also apply the dirty rules that mark the men whose hanging
// value may have changed (Position::dirty_slots):
//  - adding an attack by colour m onto a man u of colour c marks u when
//    c != m (newly attacked) or u's hanging value is non-zero (it gains a
//    defender);
//  - removing one marks u when c != m and u's hanging value is non-zero (it
//    loses an attacker), or when c == m and the other side attacks u's square
//    directly (it loses a defender while attacked).
#pragma once

#include <cstdint>

struct AttackRecord;
struct Position;

// (position, colour opposite to the man's, the man's square, the man's
// side's table). The man's slot bit is read from slot_bit[square].
using AttackHandler = void (*)(Position* pos, int opponent, int square, AttackRecord* table);

void add_pawn_attacks(Position* pos, int opponent, int square, AttackRecord* table);
void remove_pawn_attacks(Position* pos, int opponent, int square, AttackRecord* table);
void add_knight_attacks(Position* pos, int opponent, int square, AttackRecord* table);
void remove_knight_attacks(Position* pos, int opponent, int square, AttackRecord* table);
void add_bishop_attacks(Position* pos, int opponent, int square, AttackRecord* table);
void remove_bishop_attacks(Position* pos, int opponent, int square, AttackRecord* table);
void add_rook_attacks(Position* pos, int opponent, int square, AttackRecord* table);
void remove_rook_attacks(Position* pos, int opponent, int square, AttackRecord* table);
void add_queen_attacks(Position* pos, int opponent, int square, AttackRecord* table);
void remove_queen_attacks(Position* pos, int opponent, int square, AttackRecord* table);
void add_king_attacks(Position* pos, int opponent, int square, AttackRecord* table);
void remove_king_attacks(Position* pos, int opponent, int square, AttackRecord* table);

// Indexed by kind 0..6; entry 0 repeats the pawn handler. Constant in the
// header so that an index known when compiling becomes a direct call.
inline constexpr AttackHandler attack_adders[7] = {add_pawn_attacks,   add_pawn_attacks, add_knight_attacks,
                                                   add_bishop_attacks, add_rook_attacks, add_queen_attacks,
                                                   add_king_attacks};
inline constexpr AttackHandler attack_removers[7] = {remove_pawn_attacks,   remove_pawn_attacks,
                                                     remove_knight_attacks, remove_bishop_attacks,
                                                     remove_rook_attacks,   remove_queen_attacks,
                                                     remove_king_attacks};

// Line upkeep for the line men of `side` (whose table is `table`):
// `square` has just become occupied by a man of line class new_class.
void block_line_attacks(Position* pos, int side, AttackRecord* table, int square, int new_class);
// `square` has just been emptied of a man of line class old_class.
void unblock_line_attacks(Position* pos, int side, AttackRecord* table, int square, int old_class);
// The man on `square` changed from line class old_class to new_class.
void update_line_xray(Position* pos, int side, AttackRecord* table, int square, int old_class,
                      int new_class);
