// Reading a FEN into the main position. Every field is checked before the
// position is touched: a refused FEN leaves the position, the game history
// and the settings exactly as they were.
#pragma once

#include <cstdint>
#include <string>

inline constexpr int FEN_FIELD_COUNT = 13;  // 8 ranks, side, castling, en passant, two counters
inline constexpr int FEN_FIELD_CAPACITY = 32;

struct FenFields {
    int count;
    char field[FEN_FIELD_COUNT][FEN_FIELD_CAPACITY];
};

// A board read from a FEN, ready for set-up.
struct FenBoard {
    uint8_t kind[64];
    uint8_t colour[64];
    int side;
    int full_move;
    uint32_t castling;  // castling and en-passant word of setup_position
};

struct GameStartPosition;

// The FEN of the game's start for the saved game's tags, written afresh from
// the position set up (six fields joined by single blanks, whatever blanks
// and tabs the interface sent); empty for the standard start position.
extern std::string fen_tag_text;

// The six FEN fields of a position joined by single blanks. Castling rights
// are KQkq letters, or rook-file letters for a Chess960 rook that is not the
// outermost on its wing.
std::string fen_text(const GameStartPosition& position);

// Sets up the main position; 1 on success, 0 when refused (the reason, when
// `reason` is given, in words).
int parse_fen(const char* text, const char** reason = nullptr);

// Splits the FEN's fields (the placement's ranks become fields 0-7); the
// number of fields, or -1 when a field is longer than its room or there are
// too many.
int split_fen_fields(const char* text, FenFields* fields);

// Sets up the board; 1 when set up, 0 when refused (nothing changed).
int place_fen_pieces(const FenBoard& board);
