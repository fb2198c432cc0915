// The game history: one GameRecord per ply of the current game, kept beside
// the main Position. It replays "position ... moves" lists, keeps the key of
// every position for the repetition tests, and carries per-move search and
// clock data for the time control, the PGN writer and book learning.
#pragma once

#include <cstdint>

#include "position/types.h"

struct Position;

// 32 bytes, fields in this order.
struct GameRecord {
    uint16_t move;           // bit 15: the move gives check; 0x1000 null move; 1 in record 1
    uint16_t move_extra;     // second word of the move's PlyRecord, copied unchanged
    uint8_t captured;        // captured piece kind
    uint8_t mover;           // side that made the move
    uint8_t saved_moved;     // destination square's moved byte before the move
    uint8_t saved_ep;        // en-passant square before the move
    uint16_t saved_fifty;    // fifty-move counter before the move (16 bits: 255 reversible plies fit in a byte no more)
    uint16_t ply_flags;      // low 16 bits of the PlyRecord flags after the move
    uint32_t saved_key_lo;   // position key before the move
    uint32_t saved_key_hi;
    int16_t score;           // engine's score for the move, mover's view
    uint16_t result_flags;   // chosen root move's flags + 0x10; 0x1000 book move
    uint16_t san_depth;      // bits 0-4 disambiguation flags, bits 10-15 search depth
    uint16_t unused_word;
    int32_t clock_ms;        // thinking time used so far by the mover, this move included
};
static_assert(sizeof(GameRecord) == 32);

constexpr int GAME_RECORD_COUNT = 500;
constexpr int GAME_COMPACT_PLY = 498;

extern GameRecord game_records[GAME_RECORD_COUNT];
extern GameRecord* current_game_record;  // record number `ply` of the main Position
extern int game_ply;                     // copy of the main Position's ply
extern int game_ep_square;               // copy of the main Position's en-passant square
extern int ply_base;                     // ply number of the game's first position
extern int clock_side;                   // side whose clock runs
extern int engine_colour;                // colour the engine plays
extern int booked_ply;                   // ply of the last move booked by the clocks
extern int game_is_chess960;
extern int last_book_ply;                // ply of the last book move (the book-exit ply), -1 when none
extern uint32_t book_exit_key_lo;        // position key kept with the book-exit ply
extern uint32_t book_exit_key_hi;
extern int game_ended;                   // end_game has run for this game: set-ups and moves clear it

// A position as a saved game's FEN tag gives it.
struct GameStartPosition {
    uint8_t kind[64];
    uint8_t colour[64];
    int side;
    int castling_rooks[2][2];  // [side][CastleWing]: square of the rook a castling right names, -1 none
    bool chess960;
    int ep_square;             // 0: none
    int fifty;                 // half-move clock
    int ply_number;            // 2 x full-move number - 2 + side
};

// The main position as a game's start, with its ply number and half-move
// clock; the castling rights are those the move generator would grant.
GameStartPosition capture_game_position(int ply_number, int fifty);

// Plies dropped from the front of the history by compaction since the last
// set-up, and the position before the first ply the history still holds
// (valid while compacted_plies > 0): a saved game starts there.
extern int compacted_plies;
extern GameStartPosition compacted_start;

// Plies of the game since its set-up as numbered before any compaction: the
// index of the current record had nothing been dropped.
inline int uncompacted_game_ply() { return game_ply + compacted_plies; }

// Sets up the main position (setup_position, with the same arguments and
// result) and starts the game history from it: records 0 and 1 cleared,
// record 1 the start of the game with its key, and the current record.
// A refused set-up leaves the history as it was.
int setup_game(int side, uint32_t flags);

// Plays `move` for `side` onto the main position and records it; 1 when
// played, 0 when it left the mover's king attacked (then nothing remains of
// it). Move 0 replays the move stored in the next record.
int play_game_move(Move move, int side);
// Takes the current record's move back and makes the record before it current.
void take_back_game_move();
// Renumbers the history down to the part the repetition tests can still
// reach, keeping the position before the first record kept.
void compact_game_history();
// Disambiguation data of a move for algebraic notation (before it is made):
// the moving kind, 0x08 when the origin file is needed, 0x10 the origin rank.
int san_disambiguation_flags(Move move);

// Resets the main position's ply stack to its base record and fills that
// record from the current game record: the search's root, and what a
// take-back pops, hold the last game move.
void load_base_ply_record();

// Side to move of the main position.
int game_side_to_move();
