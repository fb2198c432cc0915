#include "uci/move_text.h"

#include <cctype>
#include <cstring>

#include "config/settings.h"
#include "game/game_history.h"
#include "position/attack_units.h"
#include "position/geometry.h"
#include "position/move_tests.h"
#include "position/position.h"
#include "position/zobrist.h"

namespace {

int kind_of_letter(char letter) {
    switch (std::toupper(static_cast<unsigned char>(letter))) {
        case 'P': return PAWN;
        case 'N': return KNIGHT;
        case 'B': return BISHOP;
        case 'R': return ROOK;
        case 'Q': return QUEEN;
        case 'K': return KING;
        default: return NO_KIND;
    }
}

int promotion_move_kind(char letter) {
    switch (std::toupper(static_cast<unsigned char>(letter))) {
        case 'Q': return MK_PROMOTE_QUEEN;
        case 'N': return MK_PROMOTE_KNIGHT;
        case 'R': return MK_PROMOTE_ROOK;
        case 'B': return MK_PROMOTE_BISHOP;
        default: return 0;
    }
}

bool is_file(char c) { return c >= 'a' && c <= 'h'; }
bool is_rank(char c) { return c >= '1' && c <= '8'; }

// "O-O" / "0-0" (h-side) and "O-O-O" (a-side): the king's move as the
// generator writes it, to the g- or c-file, or onto the rook in Chess960.
Move castling_text_move(const char* text, size_t length) {
    bool h_side = length == 3 && (!std::strncmp(text, "O-O", 3) || !std::strncmp(text, "0-0", 3));
    bool a_side = length == 5 && (!std::strncmp(text, "O-O-O", 5) || !std::strncmp(text, "0-0-0", 5));
    if (!h_side && !a_side) return NO_MOVE;
    const Position& pos = main_position;
    int side = pos.side;
    int king = king_square(&pos, side);
    int to;
    if (search_flags & EF_CHESS960)
        to = castle_rook_squares[h_side ? CASTLE_H_SIDE : CASTLE_A_SIDE][side];
    else
        to = square_at(h_side ? 6 : 2, side == WHITE ? 0 : 7);
    return encode_move(king, to, MK_CASTLING);
}

}  // namespace

Move parse_move_text(const char* text) {
    if (!text) return NO_MOVE;
    size_t length = std::strlen(text);
    while (length > 0 && std::strchr("!#+;?", text[length - 1])) --length;
    if (Move castling = castling_text_move(text, length)) return castling;

    int promotion = 0;
    if (length > 0 && promotion_move_kind(text[length - 1]) && length >= 3 &&
        (is_rank(text[length - 2]) || text[length - 2] == '=')) {
        promotion = promotion_move_kind(text[length - 1]);
        --length;
        if (length > 0 && text[length - 1] == '=') --length;
    }
    if (length < 2 || !is_file(text[length - 2]) || !is_rank(text[length - 1])) return NO_MOVE;
    int target = square_at(text[length - 2] - 'a', text[length - 1] - '1');
    length -= 2;
    if (length > 0 && (text[length - 1] == 'x' || text[length - 1] == '-')) --length;

    int hint_flags = 0;
    int hint_file = 0;
    int hint_rank = 0;
    int kind = PAWN;
    if (length > 0 && is_rank(text[length - 1])) {
        hint_rank = text[--length] - '1';
        hint_flags |= SAN_RANK_GIVEN;
    }
    if (length > 0 && is_file(text[length - 1])) {
        hint_file = text[--length] - 'a';
        hint_flags |= SAN_FILE_GIVEN;
    }
    if (length == 1) {
        kind = kind_of_letter(text[0]);
        if (kind == NO_KIND) return NO_MOVE;
        length = 0;
    }
    if (length != 0) return NO_MOVE;

    const Position& pos = main_position;
    int side = pos.side;
    int origin;
    if (hint_flags == (SAN_FILE_GIVEN | SAN_RANK_GIVEN)) {
        origin = square_at(hint_file, hint_rank);
        if (kind != PAWN && pos.kind[origin] != kind) return NO_MOVE;
    } else if (kind == PAWN && pos.kind[target] == NO_KIND && (game_ep_square == 0 || target != game_ep_square) &&
               (!(hint_flags & SAN_FILE_GIVEN) || hint_file == file_of(target)) && !(hint_flags & SAN_RANK_GIVEN)) {
        // A pawn push: the pawn one square behind the target, else two. (An
        // en-passant square of 0 is none: a push to a1 is no capture.)
        int behind = side == WHITE ? -8 : 8;
        origin = target + behind;
        if (origin < 0 || origin > 63) return NO_MOVE;
        if (!(pos.kind[origin] == PAWN && pos.colour[origin] == side)) {
            origin += behind;
            if (origin < 0 || origin > 63 || !(pos.kind[origin] == PAWN && pos.colour[origin] == side))
                return NO_MOVE;
        }
    } else {
        int hint = square_at(hint_file, hint_rank);
        origin = san_find_origin(side, hint_flags, kind, hint, target);
        if (origin == NO_SQUARE) return NO_MOVE;
    }
    return encode_move(origin, target, promotion);
}

int san_find_origin(int side, int flags, int kind, int hint, int target) {
    Position* pos = &main_position;
    uint32_t candidates = pos->attacks[side][target].direct & ATTACK_SLOT_MASK & pos->slots[side];
    int found = NO_SQUARE;
    while (candidates) {
        int slot = highest_slot(candidates);
        candidates &= ~(1u << slot);
        int square = pos->piece_list[side][slot];
        if (square == NO_SQUARE || pos->kind[square] != kind) continue;
        if ((flags & SAN_FILE_GIVEN) && file_of(square) != file_of(hint)) continue;
        if ((flags & SAN_RANK_GIVEN) && rank_of(square) != rank_of(hint)) continue;
        // A pinned man still counts when the move keeps it on its king's line.
        if (kind != KING && is_pinned(pos, square, side ^ 1)) {
            int king = king_square(pos, side);
            if (direction_of[king][square] != direction_of[king][target] && target != king) continue;
        }
        if (found != NO_SQUARE) return NO_SQUARE;
        found = square;
    }
    return found;
}

const char* move_to_san(Move move, int format) {
    static char text[12];
    size_t n = 0;
    if (move == NO_MOVE) {
        std::memcpy(text, "        ", 9);
        return text;
    }
    int from = move_from(move);
    int to = move_to(move);
    int kind = format & SAN_KIND_MASK;
    bool algebraic = format & SAN_ALGEBRAIC;
    bool long_form = format & SAN_LONG;
    if (move_kind(move) == MK_CASTLING && !long_form) {
        const char* castle = move == NULL_MOVE ? "NULLMV" : to > from ? "O-O" : "O-O-O";
        n = std::strlen(castle);
        std::memcpy(text, castle, n);
    } else {
        bool pawn = kind <= PAWN;
        if (!algebraic) {
            text[n++] = char('a' + file_of(from));
            text[n++] = char('1' + rank_of(from));
        } else if (!pawn) {
            text[n++] = PIECE_LETTERS[kind];
            if (format & SAN_FILE_GIVEN) text[n++] = char('a' + file_of(from));
            if (format & SAN_RANK_GIVEN) text[n++] = char('1' + rank_of(from));
        } else if (file_of(from) != file_of(to)) {
            text[n++] = char('a' + file_of(from));
        }
        if (!long_form) {
            int mk = move_kind(move);
            bool capture = mk == MK_CAPTURE || mk == MK_EN_PASSANT || (is_promotion(move) && file_of(from) != file_of(to));
            if (capture) text[n++] = 'x';
            else if (!algebraic) text[n++] = '-';
        }
        text[n++] = char('a' + file_of(to));
        text[n++] = char('1' + rank_of(to));
        if (is_promotion(move)) text[n++] = PIECE_LETTERS[PROMOTION_KIND_MAP[move_kind(move)]];
    }
    if (!long_form && (move & MOVE_GIVES_CHECK)) text[n++] = (format & SAN_MATE) ? '#' : '+';
    // Annotation marks: '!', '?' and four bytes of the interface's own set.
    static constexpr char ANNOTATIONS[7] = {'*', '!', '?', char(0xE7), char(0xE8), char(0xE9), char(0xE6)};
    int annotation = (format >> 8) & 7;  // bit 11 is the mate sign
    if (annotation > 0 && annotation < 7) text[n++] = ANNOTATIONS[annotation];
    if (!(format & SAN_NO_PADDING)) {
        size_t width = (format & SAN_ONE_BLANK) ? n + 1 : algebraic ? 7 : 8;
        while (n < width && n + 1 < sizeof(text)) text[n++] = ' ';
    }
    text[n] = '\0';
    return text;
}
