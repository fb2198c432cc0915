#include "test_board.h"

#include <cctype>
#include <cstring>

#include "config/settings.h"
#include "game/game_history.h"
#include "position/position.h"
#include "position/setup.h"

int64_t prepare_test_board(const char* fen, int* side) {
    Position* pos = &main_position;
    for (int sq = 0; sq < 64; ++sq) {
        pos->kind[sq] = NO_KIND;
        pos->colour[sq] = NO_COLOUR;
    }
    const char* p = fen;
    int rank = 7, file = 0;
    int king_file[2] = {-1, -1};
    for (; *p && *p != ' '; ++p) {
        if (*p == '/') {
            --rank;
            file = 0;
        } else if (std::isdigit(static_cast<unsigned char>(*p))) {
            file += *p - '0';
        } else {
            const char* letter = std::strchr(PIECE_LETTERS + 1, *p);
            if (!letter || file > 7 || rank < 0) return -1;
            int index = int(letter - PIECE_LETTERS);
            int colour = index > 6 ? BLACK : WHITE;
            int kind = index > 6 ? index - 6 : index;
            int sq = square_at(file, rank);
            pos->kind[sq] = uint8_t(kind);
            pos->colour[sq] = uint8_t(colour);
            if (kind == KING && rank == (colour == WHITE ? 0 : 7)) king_file[colour] = file;
            ++file;
        }
    }
    while (*p == ' ') ++p;
    *side = (*p == 'b') ? BLACK : WHITE;
    if (*p) ++p;
    while (*p == ' ') ++p;
    uint32_t flags = 0;
    for (; *p && *p != ' '; ++p) {
        char c = *p;
        if (c == 'K') flags |= SETUP_WHITE_H_SIDE;
        else if (c == 'Q') flags |= SETUP_WHITE_A_SIDE;
        else if (c == 'k') flags |= SETUP_BLACK_H_SIDE;
        else if (c == 'q') flags |= SETUP_BLACK_A_SIDE;
        else if ((c >= 'A' && c <= 'H') || (c >= 'a' && c <= 'h')) {
            int colour = c >= 'a' ? BLACK : WHITE;
            int rook_file = c - (colour == BLACK ? 'a' : 'A');
            bool a_side = rook_file < king_file[colour];
            int shift = colour == WHITE ? (a_side ? SETUP_WHITE_A_FILE_SHIFT : SETUP_WHITE_H_FILE_SHIFT)
                                        : (a_side ? SETUP_BLACK_A_FILE_SHIFT : SETUP_BLACK_H_FILE_SHIFT);
            flags |= uint32_t(rook_file | 8) << shift;
            flags |= colour == WHITE ? (a_side ? SETUP_WHITE_A_SIDE : SETUP_WHITE_H_SIDE)
                                     : (a_side ? SETUP_BLACK_A_SIDE : SETUP_BLACK_H_SIDE);
            flags |= SETUP_CHESS960_KEYS;
        }
    }
    while (*p == ' ') ++p;
    if (p[0] >= 'a' && p[0] <= 'h' && p[1] >= '1' && p[1] <= '8')
        flags |= SETUP_EP_GIVEN | uint32_t(square_at(p[0] - 'a', p[1] - '1'));
    return flags;
}

int load_test_board(const char* fen) {
    int side = WHITE;
    int64_t flags = prepare_test_board(fen, &side);
    if (flags < 0) return 0;
    return setup_game(side, uint32_t(flags));
}

Move parse_test_move(const Position* pos, const char* text) {
    if (std::strlen(text) < 4) return NO_MOVE;
    int from = square_at(text[0] - 'a', text[1] - '1');
    int to = square_at(text[2] - 'a', text[3] - '1');
    if (from < 0 || from > 63 || to < 0 || to > 63) return NO_MOVE;
    int side = pos->side;
    if (pos->colour[from] != side) return NO_MOVE;
    int kind = pos->kind[from];
    int move_kind = MK_QUIET;
    if (kind == KING && pos->kind[to] == ROOK && pos->colour[to] == side) {
        move_kind = MK_CASTLING;  // Chess960: the king takes its own rook
    } else if (pos->colour[to] == side) {
        return NO_MOVE;
    } else if (kind == KING && !(search_flags & EF_CHESS960) &&
               (to - from == 2 || from - to == 2)) {
        move_kind = MK_CASTLING;
    } else if (kind == PAWN && (rank_of(to) == 0 || rank_of(to) == 7)) {
        switch (text[4]) {
        case 'n': move_kind = MK_PROMOTE_KNIGHT; break;
        case 'b': move_kind = MK_PROMOTE_BISHOP; break;
        case 'r': move_kind = MK_PROMOTE_ROOK; break;
        default: move_kind = MK_PROMOTE_QUEEN; break;
        }
    } else if (pos->colour[to] != NO_COLOUR) {
        move_kind = MK_CAPTURE;
    } else if (kind == PAWN && file_of(from) != file_of(to)) {
        move_kind = MK_EN_PASSANT;
    }
    return encode_move(from, to, move_kind);
}
