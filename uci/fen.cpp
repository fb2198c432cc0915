#include "uci/fen.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "config/settings.h"
#include "eval/eval_tables.h"
#include "game/game_history.h"
#include "position/position.h"
#include "position/setup.h"
#include "position/types.h"
#include "position/zobrist.h"
#include "uci/command_words.h"

std::string fen_tag_text;

namespace {

bool is_field_character(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-';
}

// The FEN without its "moves" part and its {comments}.
std::string clean_fen_text(const char* text) {
    std::string clean;
    for (const char* p = text; *p;) {
        if (*p == '{') {
            const char* close = std::strchr(p, '}');
            if (!close) break;
            p = close + 1;
            continue;
        }
        // The word "moves" ends the FEN: what follows is the move list.
        bool word_start = p == text || is_word_separator(p[-1]);
        if (word_start && std::strncmp(p, "moves", 5) == 0 &&
            (p[5] == '\0' || is_word_separator(p[5])))
            break;
        clean += *p++;
    }
    while (!clean.empty() && is_word_separator(clean.back())) clean.pop_back();
    return clean;
}

int piece_index(char letter) {
    const char* found = std::strchr(PIECE_LETTERS + 1, letter);
    return letter && found ? int(found - PIECE_LETTERS) : 0;
}

// Rank fields, 8 down to 1, each exactly eight squares.
bool read_ranks(const FenFields& fields, FenBoard* board, const char** reason) {
    std::memset(board->kind, NO_KIND, sizeof(board->kind));
    std::memset(board->colour, NO_COLOUR, sizeof(board->colour));
    for (int r = 0; r < 8; ++r) {
        int rank = 7 - r;
        int file = 0;
        for (const char* p = fields.field[r]; *p && file <= 8; ++p) {
            if (*p >= '1' && *p <= '8') {
                file += *p - '0';
            } else if (int index = piece_index(*p)) {
                if (file < 8) {
                    board->kind[square_at(file, rank)] = uint8_t(index > 6 ? index - 6 : index);
                    board->colour[square_at(file, rank)] = uint8_t(index > 6 ? BLACK : WHITE);
                }
                ++file;
            } else {
                *reason = "unknown piece letter";
                return false;
            }
        }
        if (file != 8) {
            *reason = "a rank does not hold eight squares";
            return false;
        }
    }
    return true;
}

// The material every legal game can reach: one king, at most 8 pawns, and
// pieces beyond the starting set only as promoted pawns; no count beyond
// what the material signature holds.
bool material_possible(const FenBoard& board, const char** reason) {
    for (int side = WHITE; side <= BLACK; ++side) {
        int count[7] = {};
        int bishops_on[2] = {};  // by square colour
        for (int square = 0; square < 64; ++square) {
            if (board.colour[square] != side) continue;
            ++count[board.kind[square]];
            if (board.kind[square] == BISHOP) ++bishops_on[(file_of(square) + rank_of(square)) & 1];
            if (board.kind[square] == PAWN && (rank_of(square) == 0 || rank_of(square) == 7)) {
                *reason = "a pawn on the first or last rank";
                return false;
            }
        }
        if (count[KING] != 1) {
            *reason = "each side needs exactly one king";
            return false;
        }
        auto at_least = [](int n, int floor) { return n > floor ? n : floor; };
        // Each man beyond the starting set stands for a promoted pawn; the two
        // starting bishops stand on squares of both colours.
        int men = count[PAWN] + at_least(count[KNIGHT], 2) + at_least(bishops_on[0], 1) +
                  at_least(bishops_on[1], 1) + at_least(count[ROOK], 2) + at_least(count[QUEEN], 1);
        if (count[PAWN] > 8 || men > 15 || count[KNIGHT] > 3 || count[BISHOP] > 3 || count[ROOK] > 3 ||
            count[QUEEN] > 7) {
            *reason = "impossible material";
            return false;
        }
    }
    return true;
}

int king_file(const FenBoard& board, int side) {
    for (int file = 0; file < 8; ++file) {
        int square = square_at(file, side == WHITE ? 0 : 7);
        if (board.kind[square] == KING && board.colour[square] == side) return file;
    }
    return -1;  // not on its back rank: no castling right can hold
}

// The outermost rook of the side on its back rank beyond the king toward
// `step` (+1 h-side, -1 a-side), or -1.
int outermost_rook_file(const FenBoard& board, int side, int from_file, int step) {
    int found = -1;
    for (int file = from_file + step; file >= 0 && file < 8; file += step) {
        int square = square_at(file, side == WHITE ? 0 : 7);
        if (board.kind[square] == ROOK && board.colour[square] == side) found = file;
    }
    return found;
}

void add_rook_file_right(uint32_t* word, int side, bool a_side, int file) {
    if (side == WHITE) {
        *word |= a_side ? (uint32_t(file) << SETUP_WHITE_A_FILE_SHIFT | 0x80000000u | SETUP_WHITE_A_SIDE)
                        : (uint32_t(file) << SETUP_WHITE_H_FILE_SHIFT | 0x8000000u | SETUP_WHITE_H_SIDE);
    } else {
        *word |= a_side ? (uint32_t(file) << SETUP_BLACK_A_FILE_SHIFT | 0x800000u | SETUP_BLACK_A_SIDE)
                        : (uint32_t(file) << SETUP_BLACK_H_FILE_SHIFT | 0x80000u | SETUP_BLACK_H_SIDE);
    }
    *word |= SETUP_CHESS960_KEYS;
}

// Castling letters: KQkq (X-FEN: the outermost rook when the king and rooks
// do not stand on their standard squares) and Chess960 rook-file letters.
uint32_t read_castling(const char* text, const FenBoard& board) {
    uint32_t word = 0;
    for (const char* p = text; *p && *p != '-'; ++p) {
        char c = *p;
        int side = std::isupper(static_cast<unsigned char>(c)) ? WHITE : BLACK;
        int king = king_file(board, side);
        if (king < 0) continue;
        int back_rank = side == WHITE ? 0 : 7;
        char upper = char(std::toupper(static_cast<unsigned char>(c)));
        if (upper == 'K' || upper == 'Q') {
            bool a_side = upper == 'Q';
            int standard_file = a_side ? 0 : 7;
            int standard_rook = square_at(standard_file, back_rank);
            bool standard = king == 4 && board.kind[standard_rook] == ROOK && board.colour[standard_rook] == side;
            if (standard) {
                word |= side == WHITE ? (a_side ? SETUP_WHITE_A_SIDE : SETUP_WHITE_H_SIDE)
                                      : (a_side ? SETUP_BLACK_A_SIDE : SETUP_BLACK_H_SIDE);
            } else if (int file = outermost_rook_file(board, side, king, a_side ? -1 : 1); file >= 0) {
                add_rook_file_right(&word, side, a_side, file);
            }
        } else if (upper >= 'A' && upper <= 'H') {
            int file = upper - 'A';
            if (file != king) add_rook_file_right(&word, side, file < king, file);
        }
    }
    return word;
}

char castling_letter(const GameStartPosition& p, int side, int wing) {
    const int rook = p.castling_rooks[side][wing];
    char letter = wing == CASTLE_H_SIDE ? 'K' : 'Q';
    // Another rook of the side beyond this one on its wing needs the file.
    const int step = wing == CASTLE_H_SIDE ? 1 : -1;
    for (int file = file_of(rook) + step; file >= 0 && file < 8; file += step) {
        const int square = square_at(file, rank_of(rook));
        if (p.kind[square] == ROOK && p.colour[square] == side) letter = char('A' + file_of(rook));
    }
    return side == WHITE ? letter : char(std::tolower(static_cast<unsigned char>(letter)));
}

}  // namespace

std::string fen_text(const GameStartPosition& p) {
    std::string text;
    for (int rank = 7; rank >= 0; --rank) {
        int empty = 0;
        for (int file = 0; file < 8; ++file) {
            const int square = square_at(file, rank);
            if (p.colour[square] == NO_COLOUR) {
                ++empty;
                continue;
            }
            if (empty) text += char('0' + empty);
            empty = 0;
            text += PIECE_LETTERS[p.kind[square] + (p.colour[square] == BLACK ? 6 : 0)];
        }
        if (empty) text += char('0' + empty);
        if (rank) text += '/';
    }
    text += p.side == WHITE ? " w " : " b ";
    const size_t castling_start = text.size();
    for (int side = WHITE; side <= BLACK; ++side)
        for (int wing : {CASTLE_H_SIDE, CASTLE_A_SIDE})
            if (p.castling_rooks[side][wing] >= 0) text += castling_letter(p, side, wing);
    if (text.size() == castling_start) text += '-';
    text += ' ';
    if (p.ep_square) {
        text += char('a' + file_of(p.ep_square));
        text += char('1' + rank_of(p.ep_square));
    } else {
        text += '-';
    }
    text += ' ' + std::to_string(p.fifty) + ' ' + std::to_string(p.ply_number / 2 + 1);
    return text;
}

int split_fen_fields(const char* text, FenFields* fields) {
    fields->count = 0;
    const char* p = text;
    for (;;) {
        while (*p && (is_word_separator(*p) || (*p == '/' && fields->count < 8))) ++p;
        if (!*p) break;
        if (!is_field_character(*p)) return -1;
        if (fields->count == FEN_FIELD_COUNT) return -1;
        char* out = fields->field[fields->count];
        size_t length = 0;
        while (is_field_character(*p)) {
            if (length + 1 == FEN_FIELD_CAPACITY) return -1;
            out[length++] = *p++;
        }
        out[length] = '\0';
        ++fields->count;
    }
    return fields->count;
}

int parse_fen(const char* text, const char** reason) {
    const char* unused_reason = nullptr;
    if (!reason) reason = &unused_reason;
    *reason = nullptr;
    std::string clean = clean_fen_text(text);

    FenFields fields;
    int count = split_fen_fields(clean.c_str(), &fields);
    if (count < 0) {
        *reason = "unreadable field";
        return 0;
    }
    if (count < 8) {
        *reason = "fewer than eight ranks";
        return 0;
    }
    FenBoard board{};
    if (!read_ranks(fields, &board, reason)) return 0;
    // Without a side field White moves; any side but "w" or "b" is refused
    // rather than guessed.
    board.side = WHITE;
    if (count > 8) {
        if (std::strcmp(fields.field[8], "b") == 0) {
            board.side = BLACK;
        } else if (std::strcmp(fields.field[8], "w") != 0) {
            *reason = "side to move is neither w nor b";
            return 0;
        }
    }
    board.full_move = 1;
    if (count > 9) board.castling = read_castling(fields.field[9], board);
    if (count > 10 && std::strcmp(fields.field[10], "-") != 0) {
        const char* ep = fields.field[10];
        if (ep[0] < 'a' || ep[0] > 'h' || ep[1] < '1' || ep[1] > '8' || ep[2]) {
            *reason = "unreadable en-passant square";
            return 0;
        }
        int square = square_at(ep[0] - 'a', ep[1] - '1');
        // A target square on the wrong rank ends the reading of the fields.
        if (rank_of(square) == (board.side == WHITE ? 5 : 2)) {
            board.castling |= SETUP_EP_GIVEN | uint32_t(square);
        } else {
            count = 11;
        }
    }
    // The half-move clock is only tested for a digit: the fifty-move count
    // starts at 0, so the repetition tests never look before the game's start.
    if (count > 11 && !std::isdigit(static_cast<unsigned char>(fields.field[11][0]))) count = 12;
    if (count > 12 && std::isdigit(static_cast<unsigned char>(fields.field[12][0]))) {
        long number = std::strtol(fields.field[12], nullptr, 10);
        board.full_move = number < 1 ? 1 : number > 1000000 ? 1000000 : int(number);
    }
    if (!material_possible(board, reason)) return 0;
    if (!place_fen_pieces(board)) {
        *reason = "illegal position";
        return 0;
    }
    // The engine's fifty-move count starts at 0, but the saved game keeps
    // the interface's half-move clock for the readers that count it.
    long half_moves = count > 11 ? std::strtol(fields.field[11], nullptr, 10) : 0;
    half_moves = half_moves < 0 ? 0 : half_moves > 100000 ? 100000 : half_moves;
    fen_tag_text = fen_text(capture_game_position(ply_base, int(half_moves)));
    return 1;
}

int place_fen_pieces(const FenBoard& board) {
    Position& pos = main_position;
    uint8_t saved_kind[64];
    uint8_t saved_colour[64];
    std::memcpy(saved_kind, pos.kind, sizeof(saved_kind));
    std::memcpy(saved_colour, pos.colour, sizeof(saved_colour));
    std::memcpy(pos.kind, board.kind, sizeof(pos.kind));
    std::memcpy(pos.colour, board.colour, sizeof(pos.colour));
    if (!setup_game(board.side, board.castling)) {
        // Set-up refuses before it changes anything but the board arrays.
        std::memcpy(pos.kind, saved_kind, sizeof(saved_kind));
        std::memcpy(pos.colour, saved_colour, sizeof(saved_colour));
        return 0;
    }
    clear_development();
    ply_base = 2 * board.full_move - 2 + board.side;
    game_ply = pos.ply;
    game_ep_square = pos.ep_square;
    clock_side = board.side;
    booked_ply = 1;
    game_is_chess960 = (engine_flags & EF_CHESS960) ? 1 : 0;
    return 1;
}
