// The attack handlers and the line upkeep of the AttackRecord tables.
#include "position/attacks.h"

#include "position/attack_units.h"
#include "position/geometry.h"
#include "position/line_steps.h"
#include "position/position.h"

namespace {

// ---- Dirty rules (see attacks.h) ----------------------------------------------

// Marks the man on `square` (of colour c) when `dirty`. By a mask rather
// than a branch: whose man stands on an attacked square, and whether it
// hangs, follow no pattern. An empty square may be marked too: its slot bit
// is 0, so the mark (into dirty_slots[NO_COLOUR]) changes nothing.
inline void mark_dirty(Position* pos, int c, int square, bool dirty) {
    pos->dirty_slots[c] |= pos->slot_bit[square] & (0u - uint32_t(dirty));
}

// An attack by a man of colour `mover` has been added onto the square.
inline void mark_attack_added(Position* pos, int mover, int square) {
    const int c = pos->colour[square];
    mark_dirty(pos, c, square, (c != mover) | (pos->hanging[square] != 0));
}

// An attack by a man of colour `mover` has been removed from the square.
inline void mark_attack_removed(Position* pos, int mover, int square) {
    const int c = pos->colour[square];
    mark_dirty(pos, c, square, c != mover ? pos->hanging[square] != 0 : pos->attacks[c ^ 1][square].direct != 0);
}

template <bool Add>
inline void mark(Position* pos, int mover, int square) {
    if constexpr (Add)
        mark_attack_added(pos, mover, square);
    else
        mark_attack_removed(pos, mover, square);
}

template <bool Add>
inline void apply(uint32_t& word, uint32_t amount) {
    if constexpr (Add)
        word += amount;
    else
        word -= amount;
}

inline bool occupied(const Position* pos, int square) { return pos->colour[square] != NO_COLOUR; }

// ---- Handlers -------------------------------------------------------------------

template <int Kind, bool Add>
void leaper_attacks(Position* pos, int opponent, int square, AttackRecord* table) {
    const uint32_t unit = ATTACK_UNITS[Kind] + pos->slot_bit[square];
    const int mover = opponent ^ 1;
    // Every target marked, occupied or not (an empty one's mark changes
    // nothing): which of a leaper's targets are taken follows no pattern.
    auto attack = [&](int t) {
        apply<Add>(table[t].xray, unit);
        apply<Add>(table[t].direct, unit);
        mark<Add>(pos, mover, t);
    };
    if constexpr (Kind == PAWN) {
        const int left = mover == WHITE ? DIR_NORTH_WEST : DIR_SOUTH_WEST;
        const int right = mover == WHITE ? DIR_NORTH_EAST : DIR_SOUTH_EAST;
        int t = next_square[left][square];
        if (t != NO_SQUARE) attack(t);
        t = next_square[right][square];
        if (t != NO_SQUARE) attack(t);
    } else {
        for (const uint8_t* p = ray_list(Kind, square); *p != NO_SQUARE; ++p) attack(*p);
    }
}

// Along each ray: direct attacks up to and including the first occupied
// square; when that man is transparent for the ray, x-ray attacks go on
// (word 0 only) through transparent men up to and including the first man
// that is not.
template <int Kind, bool Add>
void slider_attacks(Position* pos, int opponent, int square, AttackRecord* table) {
    const uint32_t slot = pos->slot_bit[square];
    const uint32_t unit = ATTACK_UNITS[Kind] + slot;
    const uint32_t xray_unit = XRAY_UNIT + slot;
    const int mover = opponent ^ 1;
    const uint8_t* p = ray_list(Kind, square);
    while (*p != NO_SQUARE) {
        int t = *p;
        apply<Add>(table[t].xray, unit);
        apply<Add>(table[t].direct, unit);
        if (!occupied(pos, t)) {
            ++p;
            continue;
        }
        mark<Add>(pos, mover, t);
        const uint8_t* ray_last = p + ray_skip(p);
        // A rook's or bishop's rays are all of one line kind: no lookup.
        const int line_bit = Kind == ROOK     ? DIRECTION_LINE_BITS[DIR_EAST]
                             : Kind == BISHOP ? DIRECTION_LINE_BITS[DIR_NORTH_EAST]
                                              : DIRECTION_LINE_BITS[direction_of[t][square]];
        if (LINE_CLASS[pos->kind[t]] & line_bit) {
            while (p < ray_last) {
                int x = *++p;
                apply<Add>(table[x].xray, xray_unit);
                if (occupied(pos, x)) {
                    mark<Add>(pos, mover, x);
                    if (!(LINE_CLASS[pos->kind[x]] & line_bit)) break;
                }
            }
        }
        p = ray_last + 1;
    }
}

// ---- Line upkeep walks ----------------------------------------------------------
// All walk `length` squares from `first` by `step`, adding the step rather
// than looking each square up: a lookup would make every step wait for the
// load before. `line_bit` is the line's bit for the transparency test.

// x-ray attacks of one man (slot bit `slot`), through transparent men, up to
// and including the first man that is not.
template <bool Add>
void walk_xray(Position* pos, int side, AttackRecord* table, int first, int step, int length, int line_bit,
               uint32_t slot) {
    const uint32_t xray_unit = XRAY_UNIT + slot;
    for (int t = first; length > 0; t += step, --length) {
        apply<Add>(table[t].xray, xray_unit);
        if (occupied(pos, t)) {
            mark<Add>(pos, side, t);
            if (!(LINE_CLASS[pos->kind[t]] & line_bit)) return;
        }
    }
}

// The whole line of a man beyond an empty square: direct attacks up to and
// including the first occupied square, then its x-rays.
template <bool Add>
void walk_line(Position* pos, int side, AttackRecord* table, int first, int step, int length, int line_bit,
               uint32_t unit, uint32_t slot) {
    for (int t = first; length > 0; t += step, --length) {
        apply<Add>(table[t].xray, unit);
        apply<Add>(table[t].direct, unit);
        if (occupied(pos, t)) {
            mark<Add>(pos, side, t);
            if (LINE_CLASS[pos->kind[t]] & line_bit)
                walk_xray<Add>(pos, side, table, t + step, step, length - 1, line_bit, slot);
            return;
        }
    }
}

// The direct part of a man's line beyond a square turning into (Add false)
// or back from (Add true) an x-ray part, when a transparent man fills or
// leaves the square: word 0 keeps the attack, in the x-ray class.
template <bool Add>
void walk_class_change(Position* pos, int side, AttackRecord* table, int first, int step, int length,
                       uint32_t unit, uint32_t class_change) {
    for (int t = first; length > 0; t += step, --length) {
        apply<Add>(table[t].direct, unit);
        apply<Add>(table[t].xray, class_change);
        if (occupied(pos, t)) {
            mark<Add>(pos, side, t);
            return;
        }
    }
}

// Block (Add false) and unblock (Add true) share one body: the square gains
// or loses a man of line class `line_class`.
template <bool Add>
void line_upkeep(Position* pos, int side, AttackRecord* table, int square, int line_class) {
    const AttackRecord here = table[square];
    uint32_t direct_line_men = here.direct & pos->line_pieces[side] & ATTACK_SLOT_MASK;
    const uint32_t xray_only = here.xray & ~here.direct & ATTACK_SLOT_MASK;
    while (direct_line_men) {
        int slot = highest_slot(direct_line_men);
        uint32_t bit = 1u << slot;
        direct_line_men ^= bit;
        const int from = pos->piece_list[side][slot];
        const LineStep line = LINE_STEPS[square][from];
        const int kind = pos->kind[from];
        const uint32_t unit = ATTACK_UNITS[kind] + bit;
        const int line_bit = line_bit_of(line);
        if (!(line_class & line_bit))
            walk_line<Add>(pos, side, table, square + line.step, line.step, length_beyond(line), line_bit, unit, bit);
        else
            walk_class_change<Add>(pos, side, table, square + line.step, line.step, length_beyond(line), unit,
                                   CLASS_UNITS[kind] - CLASS_UNITS[QUEEN]);
    }
    for (uint32_t men = xray_only; men;) {
        int slot = highest_slot(men);
        uint32_t bit = 1u << slot;
        men ^= bit;
        const LineStep line = LINE_STEPS[square][pos->piece_list[side][slot]];
        const int line_bit = line_bit_of(line);
        if (!(line_class & line_bit))
            walk_xray<Add>(pos, side, table, square + line.step, line.step, length_beyond(line), line_bit, bit);
    }
}

}  // namespace

void add_pawn_attacks(Position* pos, int o, int sq, AttackRecord* t) { leaper_attacks<PAWN, true>(pos, o, sq, t); }
void remove_pawn_attacks(Position* pos, int o, int sq, AttackRecord* t) { leaper_attacks<PAWN, false>(pos, o, sq, t); }
void add_knight_attacks(Position* pos, int o, int sq, AttackRecord* t) { leaper_attacks<KNIGHT, true>(pos, o, sq, t); }
void remove_knight_attacks(Position* pos, int o, int sq, AttackRecord* t) { leaper_attacks<KNIGHT, false>(pos, o, sq, t); }
void add_bishop_attacks(Position* pos, int o, int sq, AttackRecord* t) { slider_attacks<BISHOP, true>(pos, o, sq, t); }
void remove_bishop_attacks(Position* pos, int o, int sq, AttackRecord* t) { slider_attacks<BISHOP, false>(pos, o, sq, t); }
void add_rook_attacks(Position* pos, int o, int sq, AttackRecord* t) { slider_attacks<ROOK, true>(pos, o, sq, t); }
void remove_rook_attacks(Position* pos, int o, int sq, AttackRecord* t) { slider_attacks<ROOK, false>(pos, o, sq, t); }
void add_queen_attacks(Position* pos, int o, int sq, AttackRecord* t) { slider_attacks<QUEEN, true>(pos, o, sq, t); }
void remove_queen_attacks(Position* pos, int o, int sq, AttackRecord* t) { slider_attacks<QUEEN, false>(pos, o, sq, t); }
void add_king_attacks(Position* pos, int o, int sq, AttackRecord* t) { leaper_attacks<KING, true>(pos, o, sq, t); }
void remove_king_attacks(Position* pos, int o, int sq, AttackRecord* t) { leaper_attacks<KING, false>(pos, o, sq, t); }

void block_line_attacks(Position* pos, int side, AttackRecord* table, int square, int new_class) {
    line_upkeep<false>(pos, side, table, square, new_class);
}

void unblock_line_attacks(Position* pos, int side, AttackRecord* table, int square, int old_class) {
    line_upkeep<true>(pos, side, table, square, old_class);
}

void update_line_xray(Position* pos, int side, AttackRecord* table, int square, int old_class, int new_class) {
    for (uint32_t men = table[square].xray & pos->line_pieces[side] & ATTACK_SLOT_MASK; men;) {
        int slot = highest_slot(men);
        uint32_t bit = 1u << slot;
        men ^= bit;
        const LineStep line = LINE_STEPS[square][pos->piece_list[side][slot]];
        const int line_bit = line_bit_of(line);
        const bool was_transparent = (old_class & line_bit) != 0;
        const bool is_now_transparent = (new_class & line_bit) != 0;
        const int first = square + line.step;
        if (was_transparent && !is_now_transparent)
            walk_xray<false>(pos, side, table, first, line.step, length_beyond(line), line_bit, bit);
        else if (is_now_transparent && !was_transparent)
            walk_xray<true>(pos, side, table, first, line.step, length_beyond(line), line_bit, bit);
    }
}
