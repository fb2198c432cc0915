// Building a Position from a board, and a whole-position test used at the
// root of the search.
#pragma once

#include <cstdint>

struct AttackRecord;
struct Position;

// The castling and en-passant word of setup_position.
constexpr uint32_t SETUP_EP_SQUARE_MASK = 0xFF;        // valid with SETUP_EP_GIVEN
constexpr uint32_t SETUP_WHITE_H_SIDE = 0x200;
constexpr uint32_t SETUP_WHITE_A_SIDE = 0x400;
constexpr uint32_t SETUP_EP_GIVEN = 0x800;
constexpr uint32_t SETUP_BLACK_H_SIDE = 0x1000;
constexpr uint32_t SETUP_BLACK_A_SIDE = 0x2000;
constexpr uint32_t SETUP_CHESS960_KEYS = 0x4000;       // copy the corner castling keys onto the rook squares
constexpr uint32_t SETUP_ALL_CASTLING = 0x3600;
constexpr uint32_t SETUP_CHESS960_FILES = 0xFFFF0000;  // any bit: a Chess960 set-up
// Rook files (3 bits) with their present bits.
constexpr int SETUP_WHITE_A_FILE_SHIFT = 28;           // present bit 31
constexpr int SETUP_WHITE_H_FILE_SHIFT = 24;           // present bit 27
constexpr int SETUP_BLACK_A_FILE_SHIFT = 20;           // present bit 23
constexpr int SETUP_BLACK_H_FILE_SHIFT = 16;           // present bit 19

constexpr int SETUP_START_POSITION = 2;                // any side value above 1

constexpr int FIFTY_MOVE_LIMIT = 99;

// Sets up the main position (instance 0) from the kind[] and colour[] arrays
// the caller has written (side > 1: the standard start position, white to
// move; a negative side is refused). Returns 1 when set up; 0 when refused,
// and then nothing but the caller's board arrays has changed. Refused are a
// board the tables cannot hold (not exactly one king a side, a pawn on the
// first or last rank, more than 16 men or more than 8 pawns a side, an
// unknown kind or colour) and a position whose side not to move is in check.
// Castling rights whose king and rook do not stand on their squares and an
// en-passant square where no double step can just have happened are dropped
// silently, like an en-passant square that no pawn can take. The game
// history knows nothing of it: setup_game (game/game_history.h) sets up a
// game's start.
int setup_position(int side, uint32_t flags);

void assign_piece_slot(Position* pos, int side, int kind, int square);
void compute_board_tables(Position* pos);
void build_attack_tables(Position* pos, int side_to_move);
void build_side_attacks(Position* pos, AttackRecord* table, int side);
// The attack tables and the hanging values built afresh from the board.
void rebuild_tables(Position* pos, int side_to_move);

// 1 when the side to move of the main position (`side`) has no legal move.
int has_no_legal_move(int side);
