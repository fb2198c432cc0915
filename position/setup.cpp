// Setting up the main position from a board, and the whole-position test of
// the root.
#include "position/setup.h"

#include <cstring>

#include "config/settings.h"
#include "position/attack_units.h"
#include "position/attacks.h"
#include "position/geometry.h"
#include "position/hanging.h"
#include "position/material.h"
#include "position/move_tests.h"
#include "position/position.h"
#include "position/zobrist.h"

namespace {

// ---- Checks made before anything is changed ---------------------------------------

// Whether the board arrays hold a position the tables can represent.
bool board_is_valid(const Position* pos) {
    int men[2] = {0, 0};
    int kings[2] = {0, 0};
    int pawns[2] = {0, 0};
    for (int sq = 0; sq < 64; ++sq) {
        int kind = pos->kind[sq];
        int colour = pos->colour[sq];
        if (kind > KING || colour > NO_COLOUR) return false;
        if ((kind == NO_KIND) != (colour == NO_COLOUR)) return false;
        if (kind == NO_KIND) continue;
        ++men[colour];
        if (kind == KING) ++kings[colour];
        if (kind == PAWN) {
            if (rank_of(sq) == 0 || rank_of(sq) == 7) return false;
            ++pawns[colour];
        }
    }
    for (int side = WHITE; side <= BLACK; ++side)
        if (kings[side] != 1 || men[side] > 16 || pawns[side] > 8) return false;
    return true;
}

// Whether `side` attacks `target` on the board arrays alone (the tables are
// not built yet when set-up must decide whether to refuse).
bool board_attacks(const Position* pos, int side, int target) {
    auto holds = [pos, side](int sq, int kind) {
        return sq != NO_SQUARE && pos->kind[sq] == kind && pos->colour[sq] == side;
    };
    // A pawn of `side` stands diagonally behind the target, seen from its side.
    int behind_left = next_square[side == WHITE ? DIR_SOUTH_WEST : DIR_NORTH_WEST][target];
    int behind_right = next_square[side == WHITE ? DIR_SOUTH_EAST : DIR_NORTH_EAST][target];
    if (holds(behind_left, PAWN) || holds(behind_right, PAWN)) return true;
    for (const uint8_t* p = ray_list(KNIGHT, target); *p != NO_SQUARE; ++p)
        if (holds(*p, KNIGHT)) return true;
    for (const uint8_t* p = ray_list(KING, target); *p != NO_SQUARE; ++p)
        if (holds(*p, KING)) return true;
    for (int d = 0; d < 8; ++d) {
        for (int sq = next_square[d][target]; sq != NO_SQUARE; sq = next_square[d][sq]) {
            if (pos->colour[sq] == NO_COLOUR) continue;
            int kind = pos->kind[sq];
            if (pos->colour[sq] == side &&
                (kind == QUEEN || kind == (is_orthogonal_direction(d) ? ROOK : BISHOP)))
                return true;
            break;
        }
    }
    return false;
}

int find_king(const Position* pos, int side) {
    for (int sq = 0; sq < 64; ++sq)
        if (pos->kind[sq] == KING && pos->colour[sq] == side) return sq;
    return NO_SQUARE;
}

// ---- Castling rights ------------------------------------------------------------------

struct CastlingRight {
    uint32_t flag;
    int side;
    int wing;
};

constexpr CastlingRight CASTLING_RIGHTS[4] = {
    {SETUP_WHITE_A_SIDE, WHITE, CASTLE_A_SIDE},
    {SETUP_WHITE_H_SIDE, WHITE, CASTLE_H_SIDE},
    {SETUP_BLACK_A_SIDE, BLACK, CASTLE_A_SIDE},
    {SETUP_BLACK_H_SIDE, BLACK, CASTLE_H_SIDE},
};

// A right is kept only where its king and rook stand: the king on the
// e-file (standard chess) or anywhere on its back rank (Chess960), and an own
// rook on the castling rook square on that wing's side of the king. Anything
// else would let the generators castle from squares they do not expect.
bool castling_right_is_possible(const Position* pos, const CastlingRight& right, bool chess960) {
    int back_rank = right.side == WHITE ? 0 : 56;
    int king = king_square(pos, right.side);
    int rook = castle_rook_squares[right.wing][right.side];
    if (pos->kind[rook] != ROOK || pos->colour[rook] != right.side) return false;
    if (!chess960) return king == back_rank + 4;
    if (rank_of(king) != rank_of(back_rank)) return false;
    return right.wing == CASTLE_A_SIDE ? rook < king : rook > king;
}

// ---- En passant -----------------------------------------------------------------------

// The square the side to move may take on only if the other side's pawn has
// just passed it with a double step: that pawn stands beyond it, and the
// square and the one the pawn came from are empty.
bool en_passant_is_possible(const Position* pos, int side, int square) {
    if (side == WHITE) {
        if (rank_of(square) != 5) return false;
        return pos->kind[square - 8] == PAWN && pos->colour[square - 8] == BLACK &&
               pos->colour[square] == NO_COLOUR && pos->colour[square + 8] == NO_COLOUR;
    }
    if (rank_of(square) != 2) return false;
    return pos->kind[square + 8] == PAWN && pos->colour[square + 8] == WHITE &&
           pos->colour[square] == NO_COLOUR && pos->colour[square - 8] == NO_COLOUR;
}

void toggle_man_key(Position* pos, int kind, int side, int square) {
    uint64_t key = zobrist_keys[zobrist_index(kind, side, square)];
    pos->key_lo ^= uint32_t(key);
    pos->key_hi ^= uint32_t(key >> 32);
}

}  // namespace

// ---- Set-up ---------------------------------------------------------------------------

void assign_piece_slot(Position* pos, int side, int kind, int square) {
    uint32_t used = pos->slots[side];
    int slot = -1;
    auto take_if_free = [&](int candidate) {
        if (slot < 0 && !(used & (1u << candidate))) slot = candidate;
    };
    switch (kind) {
    case KING: slot = 0; break;
    case QUEEN: take_if_free(1); break;
    case ROOK: take_if_free(2); take_if_free(3); break;
    case BISHOP: take_if_free(square_colour[square] ? 5 : 4); break;
    case KNIGHT: take_if_free(6); take_if_free(7); break;
    case PAWN:
        for (int candidate = 15; candidate >= 8 && slot < 0; --candidate) take_if_free(candidate);
        break;
    }
    for (int candidate = 8; candidate < 16 && slot < 0; ++candidate) take_if_free(candidate);
    // Eight pawns hold slots 8-15, so a third knight or rook, or a second
    // bishop of one square colour, takes whatever slot is left: after
    // promotions any kind may sit in any slot but the king's. With at most
    // 16 men a side one is always free.
    for (int candidate = 1; candidate < 16 && slot < 0; ++candidate) take_if_free(candidate);
    uint32_t bit = 1u << slot;
    pos->slots[side] |= bit;
    pos->piece_list[side][slot] = uint8_t(square);
    pos->slot_bit[square] = bit;
}

void compute_board_tables(Position* pos) {
    for (int side = WHITE; side <= BLACK; ++side) {
        pos->pawn_slots[side] = pos->knight_slots[side] = pos->bishop_slots[side] = 0;
        pos->rook_slots[side] = pos->queen_slots[side] = 0;
        pos->diagonal_movers[side] = pos->orthogonal_movers[side] = pos->line_pieces[side] = 0;
        for (uint32_t& rank_mask : pos->pawn_rank_slots[side]) rank_mask = 0;
        for (uint8_t& file_byte : pos->pawn_file_bytes[side]) file_byte = 0;
        pos->material[side] = 0;
        pos->material_counts[side] = 0;

        for (uint32_t men = pos->slots[side] & 0xFFFE; men; men &= men - 1) {
            int slot = slot_index(men & -men);
            uint32_t bit = 1u << slot;
            int square = pos->piece_list[side][slot];
            int kind = pos->kind[square];
            switch (kind) {
            case PAWN:
                pos->pawn_slots[side] |= bit;
                pos->pawn_rank_slots[side][rank_of(square)] |= bit;
                pawn_files(pos, side)[file_of(square)] |= uint8_t(1u << rank_of(square));
                break;
            case KNIGHT: pos->knight_slots[side] |= bit; break;
            case BISHOP: pos->bishop_slots[side] |= bit; pos->diagonal_movers[side] |= bit; break;
            case ROOK: pos->rook_slots[side] |= bit; pos->orthogonal_movers[side] |= bit; break;
            case QUEEN:
                pos->queen_slots[side] |= bit;
                pos->diagonal_movers[side] |= bit;
                pos->orthogonal_movers[side] |= bit;
                break;
            }
            if (LINE_CLASS[kind]) pos->line_pieces[side] |= bit;
            pos->material[side] += PIECE_VALUES[kind];
            pos->material_counts[side] += MATERIAL_COUNT_INCREMENTS[kind];
        }
        pos->material_index[side] = int16_t(compute_material_index(pos, side));
    }
}

void build_side_attacks(Position* pos, AttackRecord* table, int side) {
    for (int sq = 0; sq < 64; ++sq) table[sq] = AttackRecord{0, 0};
    for (uint32_t men = pos->slots[side]; men;) {
        int slot = highest_slot(men);
        men ^= 1u << slot;
        int square = pos->piece_list[side][slot];
        attack_adders[pos->kind[square]](pos, side ^ 1, square, table);
    }
}

void build_attack_tables(Position* pos, int side_to_move) {
    build_side_attacks(pos, pos->attacks[WHITE], WHITE);
    build_side_attacks(pos, pos->attacks[BLACK], BLACK);
    pos->own_table = side_to_move;
    pos->opp_table = side_to_move ^ 1;
    pos->dirty_slots[WHITE] = pos->dirty_slots[BLACK] = 0xFFFF;
}

void rebuild_tables(Position* pos, int side_to_move) {
    // Built in the current slot: a table shared with the plies before stays theirs.
    point_tables(pos, pos->table_index);
    std::memset(pos->hanging, 0, sizeof(HangingTable::values));
    pos->hanging_sum[WHITE] = pos->hanging_sum[BLACK] = 0;
    pos->hanging_slots[WHITE] = pos->hanging_slots[BLACK] = 0;
    build_attack_tables(pos, side_to_move);
    compute_hanging_values(pos);
}

int setup_position(int side, uint32_t flags) {
    Position* pos = &main_position;
    if (side < 0) return 0;
    if (side > 1) {
        std::memcpy(pos->kind, START_POSITION_KINDS, 64);
        std::memcpy(pos->colour, START_POSITION_COLOURS, 64);
        side = WHITE;
    }

    // Refuse before anything else changes: the caller keeps a working
    // position and game history when the board is bad.
    if (!board_is_valid(pos)) return 0;
    int other_king = find_king(pos, side ^ 1);
    if (board_attacks(pos, side, other_king)) return 0;

    pos->sole_guard_slots = 0;
    std::memset(pos->guard_dirs, 0, sizeof pos->guard_dirs);
    for (int32_t& list : pos->move_list) list = 0;
    std::memset(pos->ply_stack, 0, (PLY_STACK_BASE + 1) * sizeof(PlyRecord));
    reset_ply_stack(pos);

    pos->ep_square = 0;
    pos->key_lo = pos->key_hi = 0;
    pos->slots[WHITE] = pos->slots[BLACK] = 0;
    std::memset(pos->piece_list, NO_SQUARE, sizeof pos->piece_list);
    std::memset(pos->pawn_file_bytes, 0, sizeof pos->pawn_file_bytes);
    pos->last_to = 0;
    pos->move_gain = 0;
    pos->threat_gain = pos->defence_gain = 0;

    engine_flags &= ~EF_CHESS960;
    search_flags &= ~EF_CHESS960;
    castle_rook_squares[CASTLE_A_SIDE][WHITE] = A1;
    castle_rook_squares[CASTLE_A_SIDE][BLACK] = A8;
    castle_rook_squares[CASTLE_H_SIDE][WHITE] = H1;
    castle_rook_squares[CASTLE_H_SIDE][BLACK] = H8;
    castle_ep_keys = CASTLE_EP_KEYS_DEFAULT;
    const bool chess960 = (flags & SETUP_CHESS960_FILES) != 0;
    if (chess960) {
        engine_flags |= EF_CHESS960;
        search_flags |= EF_CHESS960;
        struct RookFile { int shift, wing, side; };
        constexpr RookFile ROOK_FILES[4] = {{SETUP_WHITE_A_FILE_SHIFT, CASTLE_A_SIDE, WHITE},
                                           {SETUP_WHITE_H_FILE_SHIFT, CASTLE_H_SIDE, WHITE},
                                           {SETUP_BLACK_A_FILE_SHIFT, CASTLE_A_SIDE, BLACK},
                                           {SETUP_BLACK_H_FILE_SHIFT, CASTLE_H_SIDE, BLACK}};
        for (const RookFile& f : ROOK_FILES)
            if (flags & (8u << f.shift))
                castle_rook_squares[f.wing][f.side] = uint8_t(((flags >> f.shift) & 7) + (f.side == BLACK ? 56 : 0));
    }

    for (int sq = 0; sq < 64; ++sq) {
        pos->moved[sq] = 0;
        pos->slot_bit[sq] = 0;
        if (pos->colour[sq] == NO_COLOUR) continue;
        int kind = pos->kind[sq];
        int colour = pos->colour[sq];
        if (kind != START_POSITION_KINDS[sq] || colour != START_POSITION_COLOURS[sq]) pos->moved[sq] = 1;
        assign_piece_slot(pos, colour, kind, sq);
        toggle_man_key(pos, kind, colour, sq);
    }

    pos->saved_hanging_sum[WHITE] = pos->saved_hanging_sum[BLACK] = 0;
    compute_board_tables(pos);
    rebuild_tables(pos, side);

    if (flags & SETUP_CHESS960_KEYS) {
        for (int wing = CASTLE_A_SIDE; wing <= CASTLE_H_SIDE; ++wing)
            for (int s = WHITE; s <= BLACK; ++s)
                castle_ep_keys[castle_rook_squares[wing][s]] =
                    CASTLE_EP_KEYS_DEFAULT[(wing == CASTLE_H_SIDE ? 7 : 0) + (s == BLACK ? 56 : 0)];
    }

    // Castling rights live in moved[]: an unmoved king and an unmoved rook on
    // the castling rook square. An absent right puts the rook square's key
    // entry into the key (the rook square's own entry: with the Chess960 key
    // flag it equals the corner's, and make_move drops rights by this entry).
    bool king_keeps_rights[2] = {false, false};
    for (const CastlingRight& right : CASTLING_RIGHTS) {
        int rook = castle_rook_squares[right.wing][right.side];
        if ((flags & right.flag) && castling_right_is_possible(pos, right, chess960)) {
            pos->moved[rook] = 0;
            king_keeps_rights[right.side] = true;
        } else {
            if (pos->colour[rook] != NO_COLOUR) pos->moved[rook] = 1;
            pos->key_lo ^= castle_ep_keys[rook];
        }
    }
    for (int s = WHITE; s <= BLACK; ++s)
        if (king_keeps_rights[s]) pos->moved[king_square(pos, s)] = 0;

    if (flags & SETUP_EP_GIVEN) {
        int square = int(flags & SETUP_EP_SQUARE_MASK);
        if (square < 64 && en_passant_is_possible(pos, side, square) &&
            (pos->attacks[side][square].direct & PAWN_CLASS_MASK)) {
            pos->ep_square = square;
            pos->key_lo ^= castle_ep_keys[square];
        }
    }

    pos->fifty = 0;
    pos->ply = 1;
    pos->side = side;
    bool in_check = pos->attacks[side ^ 1][king_square(pos, side)].direct != 0;

    // The base ply record describes the start, with the full key (castling
    // and en-passant parts included).
    PlyRecord* base = current_ply_record(pos);
    base->saved_key_lo = pos->key_lo;
    base->saved_key_hi = pos->key_hi;
    base->mover = uint8_t(side ^ 1);
    base->flags = in_check ? PLY_IN_CHECK : 0;
    return 1;
}

// ---- Root tests -------------------------------------------------------------------

int has_no_legal_move(int side) {
    const Position* pos = &main_position;
    const int other = side ^ 1;
    const AttackRecord* enemy = pos->attacks[other];
    uint32_t men = pos->slots[side];
    if (men == 0) return 1;
    const int king = king_square(pos, side);
    const int ep = pos->ep_square;
    auto enemy_or_ep = [&](int sq) {
        return sq != NO_SQUARE && (pos->colour[sq] == other || (ep != 0 && sq == ep));
    };

    while (men) {
        int slot = highest_slot(men);
        men ^= 1u << slot;
        int square = pos->piece_list[side][slot];
        int kind = pos->kind[square];
        int d = direction_of[square][king];  // the line from the king toward the man

        if (kind == PAWN) {
            const int capture_left = side == WHITE ? DIR_NORTH_WEST : DIR_SOUTH_WEST;
            const int capture_right = side == WHITE ? DIR_NORTH_EAST : DIR_SOUTH_EAST;
            const bool king_behind = d == (side == WHITE ? DIR_NORTH : DIR_SOUTH);
            if (is_line_direction(d) && !king_behind && is_pinned(pos, square, other)) {
                // Pinned off its file: only a capture along the pin line is left.
                if ((d == capture_left || d == capture_right) && enemy_or_ep(next_square[d][square])) return 0;
                continue;
            }
            int ahead = square + (side == WHITE ? 8 : -8);
            if (pos->colour[ahead] == NO_COLOUR) return 0;
            if (king_behind && is_pinned(pos, square, other)) continue;
            if (enemy_or_ep(next_square[capture_left][square]) || enemy_or_ep(next_square[capture_right][square]))
                return 0;
        } else if (kind == KING) {
            for (const uint8_t* p = ray_list(KING, square); *p != NO_SQUARE; ++p)
                if (pos->colour[*p] != side && enemy[*p].direct == 0) return 0;
        } else {
            bool moves_along = kind == QUEEN || (kind == BISHOP && is_diagonal_direction(d)) ||
                               (kind == ROOK && is_orthogonal_direction(d));
            if (is_line_direction(d) && !moves_along && is_pinned(pos, square, other)) continue;
            const uint8_t* p = ray_list(kind, square);
            while (*p != NO_SQUARE) {
                int t = *p;
                if (pos->colour[t] != side) return 0;
                p += ray_skip(p) + 1;  // an own man ends the ray
            }
        }
    }
    return 1;
}
