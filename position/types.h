// The encodings every part of the engine exchanges: squares, piece kinds,
// colours, moves, move-list entries, piece values and the size of the search
// stack.
#pragma once

#include <cstdint>

// ---- Squares --------------------------------------------------------------
// 0..63 with a1 = 0, h1 = 7, a8 = 56.

constexpr int NO_SQUARE = 255;

constexpr int file_of(int square) { return square & 7; }
constexpr int rank_of(int square) { return square >> 3; }
constexpr int square_at(int file, int rank) { return rank * 8 + file; }

// Named squares, for code that talks about fixed places of the board.
enum SquareName : int {
    A1, B1, C1, D1, E1, F1, G1, H1,
    A2, B2, C2, D2, E2, F2, G2, H2,
    A3, B3, C3, D3, E3, F3, G3, H3,
    A4, B4, C4, D4, E4, F4, G4, H4,
    A5, B5, C5, D5, E5, F5, G5, H5,
    A6, B6, C6, D6, E6, F6, G6, H6,
    A7, B7, C7, D7, E7, F7, G7, H7,
    A8, B8, C8, D8, E8, F8, G8, H8,
};

// ---- Pieces and colours ---------------------------------------------------

enum PieceKind : int { NO_KIND = 0, PAWN = 1, KNIGHT = 2, BISHOP = 3, ROOK = 4, QUEEN = 5, KING = 6 };

enum Colour : int { WHITE = 0, BLACK = 1, NO_COLOUR = 2 };

// Piece letters by kind, +6 for black.
inline constexpr char PIECE_LETTERS[] = ".PNBRQKpnbrqk";

// ---- Moves ----------------------------------------------------------------
// Bits 0-5 to-square, 6-11 from-square, 12-14 kind, 15 gives-check flag (only
// inside move lists; not part of the move's identity).

using Move = uint16_t;

enum MoveKind : int {
    MK_QUIET = 0,              // including pawn single and double pushes
    MK_CASTLING = 1,           // to = king destination (standard) or castling rook square (Chess960)
    MK_PROMOTE_QUEEN = 2,      // capturing or not: the board tells
    MK_PROMOTE_KNIGHT = 3,
    MK_CAPTURE = 4,            // not a promotion, not en passant
    MK_EN_PASSANT = 5,
    MK_PROMOTE_ROOK = 6,
    MK_PROMOTE_BISHOP = 7,
};

constexpr Move NO_MOVE = 0;
constexpr Move NULL_MOVE = 0x1000;        // castling kind with from = to = a1; printed "0000"
constexpr Move MOVE_GIVES_CHECK = 0x8000;
constexpr Move MOVE_IDENTITY_MASK = 0x7FFF;
constexpr Move MOVE_KIND_MASK = 0x7000;
constexpr Move MOVE_PROMOTION_BIT = 0x2000;       // set in every promotion kind
constexpr Move MOVE_TACTICAL_MASK = 0x6000;       // captures, en passant and promotions

constexpr int move_to(Move m) { return m & 63; }
constexpr int move_from(Move m) { return (m >> 6) & 63; }
constexpr int move_kind(Move m) { return (m >> 12) & 7; }
constexpr bool is_promotion(Move m) { return (m & MOVE_PROMOTION_BIT) != 0; }
constexpr Move encode_move(int from, int to, int kind) {
    return Move(to | from << 6 | kind << 12);
}

// One move-list item: the move in the low half, a signed order score in the
// high half (exactly the 32-bit layout on a little-endian machine).
struct MoveEntry {
    Move move;
    int16_t score;
};
static_assert(sizeof(MoveEntry) == 4);

// ---- Values ---------------------------------------------------------------
// 128 score units to a pawn. The exchange table and the promotion gains are
// built on exactly these values; the king's entry equals the queen's (no king
// capture is ever scored).

using PieceValues = int32_t[7];
inline constexpr PieceValues PIECE_VALUES = {0, 128, 416, 416, 640, 1248, 1248};

// The piece kind each move kind produces on the to-square (0: not a promotion).
using PromotionKindMap = uint8_t[8];
inline constexpr PromotionKindMap PROMOTION_KIND_MAP = {0, 0, QUEEN, KNIGHT, 0, 0, ROOK, BISHOP};

constexpr int PAWN_VALUE = 128;
constexpr int SCORE_INFINITE = 8192;
constexpr int MATE_SCORE_BOUND = 7800;    // mate scores lie beyond this in absolute value

// ---- Search stack ---------------------------------------------------------
// The deepest ply any caller may reach. The search's ply limit stays below
// 64 (the largest iteration is 62) and the tablebase line runs to ply 63 and
// generates one ply beyond; the rest is room for extensions. Every per-ply
// array of a Position is sized from this one constant.
constexpr int MAX_PLY = 128;

// Longest move list one position can produce (the known maximum is 218
// legal moves; pseudo-legal lists of real positions stay below this).
constexpr int MAX_MOVES_PER_LIST = 256;
