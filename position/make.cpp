// make_move, unmake_move and the null move.
//
// Every change of the board goes through steps that keep both attack tables
// exact at each moment: a man's attacks are removed before it leaves a
// square, a square's line upkeep (block, unblock or x-ray update) runs with
// the board showing exactly which squares are occupied at that moment, and a
// man's attacks are added once it stands on its new square. Make runs
//   remove mover's attacks -> block `to` (or capture there) -> move the man
//   -> unblock `from` -> take the en-passant pawn -> add mover's attacks.
// Make first copies the mover's attack table forward into the next ply's
// slot (PlyTables) and changes it there, the other side's table and the
// hanging values only once the move changes them; unmake takes the board back
// and steps back to the tables before, which costs far less than working the
// attack changes backwards.
#include "position/make.h"

#include <cstring>

#include "config/settings.h"
#include "position/attack_units.h"
#include "position/attacks.h"
#include "position/geometry.h"
#include "position/hanging.h"
#include "position/material.h"
#include "position/position.h"
#include "position/setup.h"
#include "position/zobrist.h"

namespace {

// moved[] counts the moves of the man on a square; only zero (never moved)
// matters. The count stops at 255 instead of wrapping back to "unmoved" after
// 256 moves; the price is that unmake gives 255 back for a man that had 254.
constexpr uint8_t MOVED_SATURATED = 255;

// Through the C library's memcpy, which picks the widest copy the processor
// has when the program starts: GCC expands a fixed-size copy of half a
// kilobyte inline as a string instruction, several times slower. noipa keeps
// the size unknown here, so that no inlining or cloning brings the expansion
// back.
[[gnu::noipa]] void copy_bytes(void* to, const void* from, size_t bytes) { std::memcpy(to, from, bytes); }

// The mover's table becomes the next ply's, to be changed there; the other
// table and the hanging values stay shared until the move changes them
// (writable_table, own_hanging_values).
inline void step_tables_forward(Position* pos, int mover) {
    const int index = pos->table_index + 1;
    PlyTables* next = &pos->ply_tables[index];
    next->previous_hanging = pos->hanging_table;
    next->previous_attacks[WHITE] = pos->attacks[WHITE];
    next->previous_attacks[BLACK] = pos->attacks[BLACK];
    copy_bytes(next->attacks[mover], pos->attacks[mover], sizeof next->attacks[mover]);
    pos->attacks[mover] = next->attacks[mover];
    pos->table_index = index;
}

// The side's table as the current ply may change it: the first change at
// this ply copies it into the ply's slot, away from the plies before.
inline AttackRecord* writable_table(Position* pos, int side) {
    AttackRecord* own_copy = pos->ply_tables[pos->table_index].attacks[side];
    if (pos->attacks[side] != own_copy) {
        copy_bytes(own_copy, pos->attacks[side], sizeof(AttackRecord) * 64);
        pos->attacks[side] = own_copy;
    }
    return own_copy;
}

inline bool has_line_attacks(const AttackRecord* table, int square) {
    return (table[square].xray & LINE_CLASS_MASK) != 0;
}

// Line upkeep on both tables, skipped where no line passes the square.
inline void block_both(Position* pos, int square, int new_class) {
    if (has_line_attacks(pos->attacks[WHITE], square))
        block_line_attacks(pos, WHITE, writable_table(pos, WHITE), square, new_class);
    if (has_line_attacks(pos->attacks[BLACK], square))
        block_line_attacks(pos, BLACK, writable_table(pos, BLACK), square, new_class);
}

inline void unblock_both(Position* pos, int square, int old_class) {
    if (has_line_attacks(pos->attacks[WHITE], square))
        unblock_line_attacks(pos, WHITE, writable_table(pos, WHITE), square, old_class);
    if (has_line_attacks(pos->attacks[BLACK], square))
        unblock_line_attacks(pos, BLACK, writable_table(pos, BLACK), square, old_class);
}

inline void update_xray_both(Position* pos, int square, int old_class, int new_class) {
    if (old_class == new_class) return;
    if (has_line_attacks(pos->attacks[WHITE], square))
        update_line_xray(pos, WHITE, writable_table(pos, WHITE), square, old_class, new_class);
    if (has_line_attacks(pos->attacks[BLACK], square))
        update_line_xray(pos, BLACK, writable_table(pos, BLACK), square, old_class, new_class);
}

inline void place_man(Position* pos, int side, int kind, int square, uint32_t bit) {
    pos->kind[square] = uint8_t(kind);
    pos->colour[square] = uint8_t(side);
    pos->slot_bit[square] = bit;
    pos->piece_list[side][slot_index(bit)] = uint8_t(square);
}

// Empty squares keep slot_bit and moved at 0, so that unmake restores the
// record byte for byte.
inline void clear_square(Position* pos, int square) {
    pos->kind[square] = NO_KIND;
    pos->colour[square] = NO_COLOUR;
    pos->slot_bit[square] = 0;
    pos->moved[square] = 0;
}

inline void toggle_key(Position* pos, int kind, int side, int square) {
    uint64_t key = zobrist_keys[zobrist_index(kind, side, square)];
    pos->key_lo ^= uint32_t(key);
    pos->key_hi ^= uint32_t(key >> 32);
}

inline void swap_tables(Position* pos) {
    int own = pos->own_table;
    pos->own_table = pos->opp_table;
    pos->opp_table = own;
}

// The kind mask of each kind (the king is in none).
inline uint32_t* kind_mask(Position* pos, int kind) {
    switch (kind) {
    case PAWN: return pos->pawn_slots;
    case KNIGHT: return pos->knight_slots;
    case BISHOP: return pos->bishop_slots;
    case ROOK: return pos->rook_slots;
    case QUEEN: return pos->queen_slots;
    default: return nullptr;
    }
}

// A promotion moves the slot from the pawn mask into the new kind's masks
// (and back on unmake); the mover masks and line_pieces follow, or the line
// upkeep would miss the new piece's lines.
inline void set_piece_masks(Position* pos, int side, int kind, uint32_t bit, bool present) {
    auto set = [&](uint32_t& mask) { mask = present ? (mask | bit) : (mask & ~bit); };
    set(kind_mask(pos, kind)[side]);
    if (kind == BISHOP || kind == QUEEN) set(pos->diagonal_movers[side]);
    if (kind == ROOK || kind == QUEEN) set(pos->orthogonal_movers[side]);
    if (LINE_CLASS[kind]) set(pos->line_pieces[side]);
}

// The material indexes before a capture or promotion, kept in the ply's
// slot: unmake puts them back instead of working out the excess again.
inline void save_material_index(Position* pos) {
    std::memcpy(pos->ply_tables[pos->table_index].saved_material_index, pos->material_index,
                sizeof pos->material_index);
}

inline void restore_material_index(Position* pos, const PlyTables* undone) {
    std::memcpy(pos->material_index, undone->saved_material_index, sizeof pos->material_index);
}

inline bool excess_can_change(int kind) { return kind == KNIGHT || kind == BISHOP || kind == ROOK; }

inline void set_pawn_bits(Position* pos, int side, int square, uint32_t bit) {
    pos->pawn_rank_slots[side][rank_of(square)] |= bit;
    pawn_files(pos, side)[file_of(square)] |= uint8_t(1u << rank_of(square));
}

inline void clear_pawn_bits(Position* pos, int side, int square, uint32_t bit) {
    pos->pawn_rank_slots[side][rank_of(square)] &= ~bit;
    pawn_files(pos, side)[file_of(square)] &= uint8_t(~(1u << rank_of(square)));
}

inline void mark_if_attacked(Position* pos, int side, int square) {
    if (pos->attacks[side ^ 1][square].direct != 0) pos->dirty_slots[side] |= pos->slot_bit[square];
}

inline bool is_corner(int square) { return square == A1 || square == H1 || square == A8 || square == H8; }

// The man of `kind` leaves `square` (its attacks already removed).
inline void lift_man(Position* pos, int square, int line_class) {
    clear_square(pos, square);
    if (!is_corner(square)) unblock_both(pos, square, line_class);
}

// A man of `kind` arrives on the empty `square` (its attacks added later).
inline void drop_man(Position* pos, int side, int kind, int square, uint32_t bit) {
    if (!is_corner(square)) block_both(pos, square, LINE_CLASS[kind]);
    place_man(pos, side, kind, square, bit);
}

// Castling rights: a move of the unmoved king drops every right of its side
// still held (an unmoved rook on a castling rook square); a move of the
// unmoved rook on a castling rook square drops its own right while the king
// is unmoved. Only the castling rook squares count: another unmoved rook (one
// on its standard square in a Chess960 game) holds no right.
inline void drop_castling_rights(Position* pos, int side, int from) {
    if (pos->moved[from] != 0) return;
    int kind = pos->kind[from];
    if (kind == KING) {
        for (int wing = CASTLE_A_SIDE; wing <= CASTLE_H_SIDE; ++wing) {
            int rook = castle_rook_squares[wing][side];
            if (pos->kind[rook] == ROOK && pos->colour[rook] == side && pos->moved[rook] == 0)
                pos->key_lo ^= castle_ep_keys[rook];
        }
    } else if (kind == ROOK && pos->moved[king_square(pos, side)] == 0 &&
               (from == castle_rook_squares[CASTLE_A_SIDE][side] || from == castle_rook_squares[CASTLE_H_SIDE][side])) {
        pos->key_lo ^= castle_ep_keys[from];
    }
}

inline bool chess960_castling() { return (search_flags & EF_CHESS960) != 0; }

// Castling in both forms: the king's and the rook's attacks leave their
// squares before the men move...
void lift_castling_attacks(Position* pos, int side, int other, int king_src, int rook_src, AttackRecord* own) {
    clear_hanging_value(pos, side, rook_src);
    remove_king_attacks(pos, other, king_src, own);
    remove_rook_attacks(pos, other, rook_src, own);
}

// ...and come back from their new squares after it, where both men count as
// moved and stand in the key.
void settle_castling(Position* pos, int side, int other, int king_src, int king_dst, int rook_src, int rook_dst,
                     AttackRecord* own) {
    pos->moved[king_dst] = 1;
    pos->moved[rook_dst] = 1;
    toggle_key(pos, KING, side, king_src);
    toggle_key(pos, KING, side, king_dst);
    toggle_key(pos, ROOK, side, rook_src);
    toggle_key(pos, ROOK, side, rook_dst);
    add_king_attacks(pos, other, king_dst, own);
    add_rook_attacks(pos, other, rook_dst, own);
    // The rook may stand attacked on its new square; nothing else would mark it.
    mark_if_attacked(pos, side, rook_dst);
}

// Castling taken back on the board alone (unmake_move steps back to the
// tables of the ply before): both men leave, then both arrive, as their squares may overlap.
void put_back_castled_men(Position* pos, int side, int king_src, int king_dst, int rook_src, int rook_dst) {
    const uint32_t rook_bit = pos->slot_bit[rook_src];
    clear_square(pos, king_src);
    clear_square(pos, rook_src);
    place_man(pos, side, KING, king_dst, 1);
    place_man(pos, side, ROOK, rook_dst, rook_bit);
}

}  // namespace

// ---- Castling ---------------------------------------------------------------------

void make_castling(Position* pos, int side, int other, int king_from, int king_to, int make_flag) {
    const bool h_side = king_from < king_to;
    const int rook_home = h_side ? king_from + 3 : king_from - 4;
    const int rook_castled = h_side ? king_to - 1 : king_to + 1;
    // Squares before and after this call.
    const int king_src = make_flag ? king_from : king_to;
    const int king_dst = make_flag ? king_to : king_from;
    const int rook_src = make_flag ? rook_home : rook_castled;
    const int rook_dst = make_flag ? rook_castled : rook_home;
    if (!make_flag) {
        put_back_castled_men(pos, side, king_src, king_dst, rook_src, rook_dst);
        return;
    }
    AttackRecord* own = pos->attacks[side];
    const uint32_t rook_bit = pos->slot_bit[rook_src];

    lift_castling_attacks(pos, side, other, king_src, rook_src, own);
    clear_square(pos, king_src);
    clear_square(pos, rook_src);
    place_man(pos, side, KING, king_dst, 1);
    place_man(pos, side, ROOK, rook_dst, rook_bit);
    // Of the four squares only the king's start square has lines running on
    // beyond it (along the back rank); the others are its neighbours there.
    unblock_both(pos, king_from, 0);
    settle_castling(pos, side, other, king_src, king_dst, rook_src, rook_dst, own);
}

void make_castling_chess960(Position* pos, int side, int other, int king_from, int rook_square, int make_flag) {
    const int back_rank = side == WHITE ? 0 : 56;
    const bool h_side = rook_square > king_from;
    const int king_castled = back_rank + (h_side ? 6 : 2);
    const int rook_castled = back_rank + (h_side ? 5 : 3);
    const int king_src = make_flag ? king_from : king_castled;
    const int king_dst = make_flag ? king_castled : king_from;
    const int rook_src = make_flag ? rook_square : rook_castled;
    const int rook_dst = make_flag ? rook_castled : rook_square;
    if (!make_flag) {
        put_back_castled_men(pos, side, king_src, king_dst, rook_src, rook_dst);
        return;
    }
    AttackRecord* own = pos->attacks[side];
    const uint32_t rook_bit = pos->slot_bit[rook_src];

    lift_castling_attacks(pos, side, other, king_src, rook_src, own);
    // King and rook may start on or pass over each other's destinations:
    // lift both, then place both, each step with its own line upkeep.
    lift_man(pos, king_src, 0);
    lift_man(pos, rook_src, ROOK_LINE_CLASS);
    drop_man(pos, side, KING, king_dst, 1);
    drop_man(pos, side, ROOK, rook_dst, rook_bit);
    settle_castling(pos, side, other, king_src, king_dst, rook_src, rook_dst, own);
}

// ---- En passant -------------------------------------------------------------------

void make_en_passant(int to, Position* pos, int from, int make_flag) {
    const int side = from < to ? WHITE : BLACK;  // the side that takes
    const int other = side ^ 1;
    const int taken = side == WHITE ? to - 8 : to + 8;
    PlyRecord* record = current_ply_record(pos);
    if (make_flag) {
        AttackRecord* table = writable_table(pos, other);
        uint32_t bit = pos->slot_bit[taken];
        clear_hanging_value(pos, other, taken);
        remove_pawn_attacks(pos, side, taken, table);
        pos->slots[other] ^= bit;
        record->captured_slots = uint16_t(bit);
        // The pawn just made its double step, but keep its count exactly:
        // the to-square's saved byte is free here (to was empty).
        record->saved_moved = pos->moved[taken];
        clear_pawn_bits(pos, other, taken, 0);
        clear_square(pos, taken);
        unblock_both(pos, taken, 0);
        pos->material[other] -= PIECE_VALUES[PAWN];
        pos->material_counts[other] -= MATERIAL_COUNT_INCREMENTS[PAWN];
        pos->material_index[other] = int16_t(pos->material_index[other] - 1);
        toggle_key(pos, PAWN, other, taken);
    } else {
        // The board alone: unmake_move steps back to the tables before.
        uint32_t bit = record->captured_slots;
        place_man(pos, other, PAWN, taken, bit);
        pos->moved[taken] = record->saved_moved;
        pos->slots[other] |= bit;
        pawn_files(pos, other)[file_of(taken)] |= uint8_t(1u << rank_of(taken));
        pos->material[other] += PIECE_VALUES[PAWN];
        pos->material_counts[other] += MATERIAL_COUNT_INCREMENTS[PAWN];
        pos->material_index[other] = int16_t(pos->material_index[other] + 1);
    }
}

// ---- Moving a man ------------------------------------------------------------------

namespace {

// A man of `Kind` moves (every move but castling): its attacks leave `from`,
// the capture is taken off `to`, the man moves and its attacks come back.
// One copy per kind inside make_move's switch, so that one jump by kind
// replaces the two calls through the handler tables (both mispredicted),
// the handlers become direct calls, and the pawn's work leaves the others.
template <int Kind>
[[gnu::always_inline]] inline void move_man(Position* pos, Move move, PlyRecord* record, AttackRecord* own) {
    const int s = pos->side;
    const int o = s ^ 1;
    const int from = move_from(move);
    const int to = move_to(move);
    const int move_kind_field = move_kind(move);
    constexpr int k = Kind;
    const int t = pos->kind[to];
    const int n = k == PAWN && is_promotion(move) ? PROMOTION_KIND_MAP[move_kind_field] : k;
    const uint32_t bit = pos->slot_bit[from];
    const uint8_t moved_count = pos->moved[from];

    clear_hanging_value(pos, s, from);
    attack_removers[k](pos, o, from, own);
    record->captured = uint8_t(t);
    if (k == PAWN || t != NO_KIND) pos->fifty = 0;

    if (t == NO_KIND) {
        pos->move_gain = 0;
        block_both(pos, to, LINE_CLASS[n]);
    } else {
        const uint32_t captured_bit = pos->slot_bit[to];
        save_material_index(pos);
        clear_hanging_value(pos, o, to);
        attack_removers[t](pos, s, to, writable_table(pos, o));
        update_xray_both(pos, to, LINE_CLASS[t], LINE_CLASS[n]);
        int excess_before = excess_can_change(t) ? material_index_excess(pos, o) : 0;
        pos->slots[o] ^= captured_bit;
        int excess_after = excess_can_change(t) ? material_index_excess(pos, o) : 0;
        record->captured_slots = uint16_t(captured_bit);
        if (t == PAWN) pawn_files(pos, o)[file_of(to)] &= uint8_t(~(1u << rank_of(to)));
        pos->move_gain = PIECE_VALUES[t];
        pos->material[o] -= PIECE_VALUES[t];
        pos->material_counts[o] -= MATERIAL_COUNT_INCREMENTS[t];
        pos->material_index[o] = int16_t(pos->material_index[o] - material_index_increment(t, to) -
                                         excess_before + excess_after);
        toggle_key(pos, t, o, to);
    }

    // Move the man.
    place_man(pos, s, n, to, bit);
    pos->moved[to] = moved_count == MOVED_SATURATED ? MOVED_SATURATED : uint8_t(moved_count + 1);
    clear_square(pos, from);

    if constexpr (k == PAWN) {
        clear_pawn_bits(pos, s, from, bit);
        if (!is_promotion(move)) {
            set_pawn_bits(pos, s, to, bit);
            if (to - from == 16 || from - to == 16) {
                int passed = (from + to) / 2;
                if (pos->attacks[o][passed].direct & PAWN_CLASS_MASK) {
                    pos->ep_square = passed;
                    pos->key_lo ^= castle_ep_keys[passed];
                }
            }
        } else {
            if (t == NO_KIND) save_material_index(pos);
            pos->material_counts[s] += MATERIAL_COUNT_INCREMENTS[n] - MATERIAL_COUNT_INCREMENTS[PAWN];
            pos->material[s] += PIECE_VALUES[n] - PIECE_VALUES[PAWN];
            int excess_before = excess_can_change(n) ? material_index_excess(pos, s) : 0;
            pos->pawn_slots[s] &= ~bit;
            set_piece_masks(pos, s, n, bit, true);
            int excess_after = excess_can_change(n) ? material_index_excess(pos, s) : 0;
            pos->material_index[s] = int16_t(pos->material_index[s] + material_index_increment(n, to) - 1 -
                                             excess_before + excess_after);
            if (n == QUEEN) pos->move_gain += PIECE_VALUES[QUEEN] - PIECE_VALUES[PAWN];
        }
    }

    toggle_key(pos, k, s, from);
    toggle_key(pos, n, s, to);
    unblock_both(pos, from, LINE_CLASS[k]);

    // The pawn taken en passant leaves only now that `from` is empty on
    // the board and in the tables: a line along the rank runs through
    // both squares, and unblocking them in the other order would extend
    // it twice.
    if (k == PAWN && move_kind_field == MK_EN_PASSANT) {
        make_en_passant(to, pos, from, 1);
        pos->move_gain = PIECE_VALUES[PAWN];
    }

    // Only a promotion arrives as another kind: the other kinds' adders are direct calls.
    if (k == PAWN && n != PAWN)
        attack_adders[n](pos, o, to, own);
    else
        attack_adders[k](pos, o, to, own);
    if (pos->attacks[o][to].direct)
        pos->dirty_slots[s] |= bit;
    else
        pos->dirty_slots[s] &= ~bit;
}

}  // namespace

// ---- make_move ------------------------------------------------------------------

void make_move(Position* pos, Move move) {
    const int s = pos->side;
    const int o = s ^ 1;
    const int from = move_from(move);
    const int to = move_to(move);
    const int move_kind_field = move_kind(move);

    pos->nodes += 1;
    pos->ply += 1;
    PlyRecord* record = &pos->ply_stack[++pos->ply_index];
    step_tables_forward(pos, s);
    record->move = move;
    record->captured_slots = 0;
    record->captured = 0;
    record->mover = uint8_t(s);
    record->saved_moved = pos->moved[to];
    record->saved_ep = uint8_t(pos->ep_square);
    record->saved_fifty = uint16_t(pos->fifty);
    record->threat_move = 0;
    record->saved_key_lo = pos->key_lo;
    record->saved_key_hi = pos->key_hi;
    record->threat = 0;
    record->move_class = 0;
    pos->last_to = to;

    if (pos->ep_square) {
        pos->key_lo ^= castle_ep_keys[pos->ep_square];
        pos->ep_square = 0;
    }
    drop_castling_rights(pos, s, from);
    pos->fifty += 1;
    pos->dirty_slots[WHITE] = pos->dirty_slots[BLACK] = 0;
    pos->saved_hanging_sum[WHITE] = pos->hanging_sum[WHITE];
    pos->saved_hanging_sum[BLACK] = pos->hanging_sum[BLACK];

    // The mover's table is this ply's own from the start; the other side's is
    // read through pos->attacks, as a change may move it into this ply's slot.
    AttackRecord* own = pos->attacks[s];
    // Where the moved man stands for the hanging upkeep. For castling it is
    // the king's destination in both modes (a Chess960 castling move names the
    // rook's square), so a check by the castled rook always counts as given by
    // "another man", as in standard chess.
    int hanging_square = to;

    if (move_kind_field == MK_CASTLING) {
        if (chess960_castling()) {
            make_castling_chess960(pos, s, o, from, to, 1);
            hanging_square = (s == WHITE ? 0 : 56) + (to > from ? 6 : 2);
        } else {
            make_castling(pos, s, o, from, to, 1);
        }
        pos->move_gain = 64;
    } else {
        // One jump by the mover's kind (kind 0 never moves).
        switch (pos->kind[from]) {
        case KNIGHT: move_man<KNIGHT>(pos, move, record, own); break;
        case BISHOP: move_man<BISHOP>(pos, move, record, own); break;
        case ROOK: move_man<ROOK>(pos, move, record, own); break;
        case QUEEN: move_man<QUEEN>(pos, move, record, own); break;
        case KING: move_man<KING>(pos, move, record, own); break;
        default: move_man<PAWN>(pos, move, record, own); break;
        }
    }

    record->flags = own[king_square(pos, o)].direct ? PLY_IN_CHECK : 0;
    if (pos->dirty_slots[WHITE] | pos->dirty_slots[BLACK]) {
        update_hanging_values(pos, hanging_square, s, record);
    } else {
        pos->threat_gain = 0;
        pos->defence_gain = 0;
    }
    record->opp_hanging_delta = int16_t(pos->hanging_sum[o] - pos->saved_hanging_sum[o]);
    record->own_hanging_delta = int16_t(pos->hanging_sum[s] - pos->saved_hanging_sum[s]);

    swap_tables(pos);
    pos->side = o;
}

// ---- unmake_move ----------------------------------------------------------------

namespace {

// Takes the current ply's move back on the board, in the key, the counters
// and the masks: everything but the attack tables and the hanging values.
// The material indexes of a capture or promotion come back from `undone`,
// the slot of the move's tables.
void take_back_board(Position* pos, const PlyTables* undone) {
    const PlyRecord* record = current_ply_record(pos);
    const Move move = record->move;
    const int s = pos->side ^ 1;  // the side that moved
    const int o = pos->side;
    const int from = move_from(move);
    const int to = move_to(move);
    const int move_kind_field = move_kind(move);

    swap_tables(pos);

    if (move_kind_field == MK_CASTLING) {
        if (chess960_castling())
            make_castling_chess960(pos, s, o, from, to, 0);
        else
            make_castling(pos, s, o, from, to, 0);
    } else {
        const int n = pos->kind[to];
        const int k = is_promotion(move) ? PAWN : n;
        const int t = record->captured;
        const uint32_t bit = pos->slot_bit[to];
        const uint8_t moved_count = pos->moved[to];

        if (move_kind_field == MK_EN_PASSANT) make_en_passant(to, pos, from, 0);

        place_man(pos, s, k, from, bit);
        pos->moved[from] = moved_count == MOVED_SATURATED ? MOVED_SATURATED : uint8_t(moved_count - 1);

        if (k == PAWN) {
            set_pawn_bits(pos, s, from, bit);
            if (!is_promotion(move)) {
                clear_pawn_bits(pos, s, to, bit);
            } else {
                pos->material_counts[s] -= MATERIAL_COUNT_INCREMENTS[n] - MATERIAL_COUNT_INCREMENTS[PAWN];
                pos->material[s] -= PIECE_VALUES[n] - PIECE_VALUES[PAWN];
                set_piece_masks(pos, s, n, bit, false);
                pos->pawn_slots[s] |= bit;
                restore_material_index(pos, undone);
            }
        }

        if (t == NO_KIND) {
            clear_square(pos, to);
        } else {
            const uint32_t captured_bit = record->captured_slots;
            place_man(pos, o, t, to, captured_bit);
            pos->moved[to] = record->saved_moved;
            pos->slots[o] |= captured_bit;
            if (t == PAWN) pawn_files(pos, o)[file_of(to)] |= uint8_t(1u << rank_of(to));
            pos->material[o] += PIECE_VALUES[t];
            pos->material_counts[o] += MATERIAL_COUNT_INCREMENTS[t];
            restore_material_index(pos, undone);
        }
    }

    pos->ep_square = record->saved_ep;
    pos->fifty = record->saved_fifty;
    pos->ply -= 1;
    pos->key_lo = record->saved_key_lo;
    pos->key_hi = record->saved_key_hi;
    pos->ply_index -= 1;
    pos->last_to = move_to(pos->ply_stack[pos->ply_index].move);
    pos->side = s;
}

}  // namespace

void unmake_move(Position* pos) {
    const PlyTables* tables = &pos->ply_tables[pos->table_index];
    pos->attacks[WHITE] = tables->previous_attacks[WHITE];
    pos->attacks[BLACK] = tables->previous_attacks[BLACK];
    point_hanging(pos, tables->previous_hanging);
    pos->table_index -= 1;
    take_back_board(pos, tables);
}

void take_back_move(Position* pos) {
    // The tables of the ply before are rebuilt in its slot rather than
    // trusted: the game's take-back reaches below the plies this Position
    // made.
    const PlyTables* undone = &pos->ply_tables[pos->table_index];
    point_tables(pos, pos->table_index - 1);
    take_back_board(pos, undone);
    // That slot may hold a later make's material indexes.
    for (int side = WHITE; side <= BLACK; ++side)
        pos->material_index[side] = int16_t(compute_material_index(pos, side));
    rebuild_tables(pos, pos->side);
}

// ---- Null move --------------------------------------------------------------------

void make_null_move(Position* pos) {
    pos->nodes += 1;
    PlyRecord* record = &pos->ply_stack[++pos->ply_index];
    pos->ply += 1;
    record->move = NULL_MOVE;
    record->captured_slots = 0;
    record->captured = 0;
    record->mover = uint8_t(pos->side);
    record->saved_moved = 0;
    record->saved_ep = uint8_t(pos->ep_square);
    record->saved_fifty = uint16_t(pos->fifty);
    record->threat_move = 0;
    record->saved_key_lo = pos->key_lo;
    record->saved_key_hi = pos->key_hi;
    record->flags = 0;
    record->opp_hanging_delta = 0;
    record->own_hanging_delta = 0;
    record->threat = 0;
    record->move_class = 0;
    pos->fifty += 1;
    pos->last_to = 0;
    // Nothing moved: no gain is left over from the move before.
    pos->move_gain = 0;
    pos->threat_gain = 0;
    pos->defence_gain = 0;
    if (pos->ep_square) {
        pos->key_lo ^= castle_ep_keys[pos->ep_square];
        pos->ep_square = 0;
    }
    swap_tables(pos);
    pos->side ^= 1;
}

void unmake_null_move(Position* pos) {
    const PlyRecord* record = current_ply_record(pos);
    pos->fifty = record->saved_fifty;
    pos->ep_square = record->saved_ep;
    pos->key_lo = record->saved_key_lo;
    pos->key_hi = record->saved_key_hi;
    pos->ply -= 1;
    pos->ply_index -= 1;
    pos->last_to = move_to(pos->ply_stack[pos->ply_index].move);
    swap_tables(pos);
    pos->side ^= 1;
}
