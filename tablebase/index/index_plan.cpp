#include "tablebase/index/index_plan.h"

#include <algorithm>
#include <bit>
#include <utility>

#include "tablebase/index/square_tables.h"

namespace {

constexpr int MAX_MEN = 4;  // besides the kings

constexpr uint64_t binomial(int n, int j) {
    if (n < j || j < 0) return 0;
    uint64_t c = 1;
    for (int i = 0; i < j; ++i) c = c * uint64_t(n - i) / uint64_t(i + 1);
    return c;
}

// ---- Plans ------------------------------------------------------------------

struct SideMen {
    int group_count = 0;
    TbPlanGroup groups[TB_PLAN_GROUPS];  // name order
    int men = 0;
    bool has_pawn = false;
};

// One side's men from its part of the name ("qrr"), runs of a letter as groups.
bool parse_side(const char* text, const char* end, int list, SideMen* side) {
    for (; text < end; ++text) {
        TbPlanGroup g;
        g.list = uint8_t(list);
        switch (*text) {
            case 'p': g.slot = TB_SLOT_PAWNS, g.kind = TB_KIND_ATTACKING_PAWN, g.pawn = true; break;
            case 'n': g.slot = TB_SLOT_KNIGHTS, g.kind = TB_KIND_KNIGHT; break;
            case 'b': g.slot = TB_SLOT_BISHOPS, g.kind = TB_KIND_BISHOP; break;
            case 'r': g.slot = TB_SLOT_ROOKS, g.kind = TB_KIND_ROOK; break;
            case 'q': g.slot = TB_SLOT_QUEENS, g.kind = TB_KIND_QUEEN; break;
            default: return false;
        }
        ++side->men;
        side->has_pawn = side->has_pawn || g.pawn;
        if (side->group_count > 0 && side->groups[side->group_count - 1].slot == g.slot) {
            ++side->groups[side->group_count - 1].count;
            continue;
        }
        if (side->group_count == TB_PLAN_GROUPS) return false;
        g.count = 1;
        side->groups[side->group_count++] = g;
    }
    return true;
}

bool parse_name(const char* name, SideMen sides[2]) {
    if (name[0] != 'k') return false;
    const char* second_king = name + 1;
    while (*second_king != '\0' && *second_king != 'k') ++second_king;
    if (*second_king != 'k') return false;
    const char* end = second_king + 1;
    while (*end != '\0') ++end;
    return parse_side(name + 1, second_king, 0, &sides[0]) && parse_side(second_king + 1, end, 1, &sides[1]) &&
           sides[0].men + sides[1].men <= MAX_MEN;
}

// Head groups in digit order: a like pair first, the rest in name order. Sets
// the groups and returns their men.
int order_head(const TbPlanGroup* groups, int count, TbPlanGroup* head) {
    int n = 0, men = 0;
    for (int i = 0; i < count; ++i)
        if (groups[i].count == 2) head[n++] = groups[i];
    for (int i = 0; i < count; ++i)
        if (groups[i].count != 2) head[n++] = groups[i];
    for (int i = 0; i < count; ++i) men += groups[i].count;
    return men;
}

const TbOffsetTable* head_table(TbKingForm form, const TbPlanGroup* head, int count) {
    int kinds[3];
    int n = 0;
    for (int i = 0; i < count; ++i)
        for (int j = 0; j < head[i].count; ++j) kinds[n++] = head[i].kind;
    return n == 0 ? nullptr : tb_offset_table(form, n, kinds);
}

uint64_t king_pairs(TbKingForm form) {
    return form == TB_FORM_PAWNS ? TB_KING_PAIRS_PAWNS_COUNT : TB_KING_PAIRS_PAWNLESS_COUNT;
}

bool build_pawnless(const SideMen sides[2], int side, TbIndexPlan* plan) {
    const SideMen& moving = sides[side];
    const SideMen& waiting = sides[side ^ 1];
    plan->form = TB_PLAN_PAWNLESS;
    plan->head_count = moving.group_count;
    const int head_men = order_head(moving.groups, moving.group_count, plan->head);
    plan->head_table = head_table(TB_FORM_PAWNLESS, plan->head, plan->head_count);
    if (head_men > 0 && plan->head_table == nullptr) return false;

    // Waiting men: single men placed first, like groups after them; digits
    // in name order.
    int placed = 2 + head_men;
    plan->plain_count = 0;
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < waiting.group_count; ++i) {
            const TbPlanGroup& g = waiting.groups[i];
            if ((g.count == 1) != (pass == 0)) continue;
            plan->plain_radix[plan->plain_count] = uint32_t(binomial(64 - placed, g.count));
            plan->plain[plan->plain_count++] = g;
            placed += g.count;
        }
    for (int i = 0, d = 0; i < waiting.group_count; ++i)
        for (int p = 0; p < plan->plain_count; ++p)
            if (plan->plain[p].slot == waiting.groups[i].slot) plan->plain_digit[d++] = uint8_t(p);
    uint64_t size = plan->head_table ? plan->head_table->total : king_pairs(TB_FORM_PAWNLESS);
    for (int p = 0; p < plan->plain_count; ++p) size *= plan->plain_radix[p];
    plan->table_size = size;
    return true;
}

void build_en_passant(const SideMen sides[2], int side, TbIndexPlan* plan) {
    TbEnPassantPlan& ep = plan->en_passant;
    const SideMen& moving = sides[side];
    const SideMen& waiting = sides[side ^ 1];
    TbPlanGroup pieces[TB_PLAN_GROUPS];
    int piece_groups = 0;
    for (int i = 0; i < moving.group_count; ++i)
        if (moving.groups[i].pawn) {
            ep.moving_pawn_slot = moving.groups[i].slot;
            ep.moving_pawns = moving.groups[i].count;
        } else {
            pieces[piece_groups++] = moving.groups[i];
        }
    ep.head_count = piece_groups;
    const int head_men = order_head(pieces, piece_groups, ep.head);
    ep.head_table = head_table(TB_FORM_PAWNS, ep.head, ep.head_count);

    // Kings, moving pieces, the two pawns of the capture and the two squares
    // the double step crossed are placed; those four count as pawn squares.
    int placed = 2 + head_men + 4, pawns = 4;
    ep.moving_pawn_radix = uint32_t(binomial(48 - pawns, ep.moving_pawns - 1));
    pawns += ep.moving_pawns - 1;
    placed += ep.moving_pawns - 1;
    for (int i = 0; i < waiting.group_count; ++i)
        if (waiting.groups[i].pawn) {
            ep.waiting_pawn_slot = waiting.groups[i].slot;
            ep.waiting_pawns = waiting.groups[i].count;
        }
    ep.waiting_pawn_radix = uint32_t(binomial(48 - pawns, ep.waiting_pawns - 1));
    placed += ep.waiting_pawns - 1;
    ep.waiting_piece_count = 0;
    for (int i = 0; i < waiting.group_count; ++i) {
        const TbPlanGroup& g = waiting.groups[i];
        if (g.pawn) continue;
        ep.waiting_piece_radix[ep.waiting_piece_count] = uint32_t(binomial(64 - placed, g.count));
        ep.waiting_pieces[ep.waiting_piece_count++] = g;
        placed += g.count;
    }
    uint64_t range = ep.head_table ? ep.head_table->total : king_pairs(TB_FORM_PAWNS);
    for (int i = 0; i < ep.waiting_piece_count; ++i) range *= ep.waiting_piece_radix[i];
    range *= uint64_t(ep.waiting_pawn_radix) * ep.moving_pawn_radix * 14;
    ep.ordinary_count = plan->table_size;
    ep.used = true;
    plan->table_size += range;
}

bool build_pawns(const SideMen sides[2], int side, TbIndexPlan* plan) {
    const SideMen& moving = sides[side];
    const SideMen& waiting = sides[side ^ 1];
    plan->form = TB_PLAN_PAWNS;
    plan->flip = side == 1 && (sides[1].has_pawn || sides[1].men == 0) ? 56 : 0;

    // The head: the moving men; without them, the waiting pawns, numbered
    // as pawns that may stand anywhere.
    TbPlanGroup rest[TB_PLAN_GROUPS];
    int rest_count = 0, head_men = 0;
    if (moving.men > 0) {
        plan->head_count = moving.group_count;
        head_men = order_head(moving.groups, moving.group_count, plan->head);
        for (int i = 0; i < waiting.group_count; ++i) rest[rest_count++] = waiting.groups[i];
    } else {
        plan->head_count = 0;
        for (int i = 0; i < waiting.group_count; ++i) {
            if (waiting.groups[i].pawn) {
                plan->head[plan->head_count] = waiting.groups[i];
                plan->head[plan->head_count++].kind = TB_KIND_PAWN;
                head_men += waiting.groups[i].count;
            } else {
                rest[rest_count++] = waiting.groups[i];
            }
        }
    }
    plan->head_table = head_table(TB_FORM_PAWNS, plan->head, plan->head_count);
    if (plan->head_table == nullptr) return false;
    int head_pawns = 0;
    for (int i = 0; i < plan->head_count; ++i)
        if (plan->head[i].pawn) head_pawns += plan->head[i].count;

    // Two men a side: the placed groups are taken in reverse name order.
    if (sides[0].men == 2 && sides[1].men == 2) std::reverse(rest, rest + rest_count);
    // Placing: the pawns first, then the pieces; digits in (that) name order.
    int placed = 2 + head_men, pawns = head_pawns;
    plan->plain_count = 0;
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < rest_count; ++i) {
            const TbPlanGroup& g = rest[i];
            if (g.pawn != (pass == 0)) continue;
            plan->plain_radix[plan->plain_count] =
                uint32_t(g.pawn ? binomial(48 - pawns, g.count) : binomial(64 - placed, g.count));
            plan->plain[plan->plain_count++] = g;
            placed += g.count;
            if (g.pawn) pawns += g.count;
        }
    for (int i = 0, d = 0; i < rest_count; ++i)
        for (int p = 0; p < plan->plain_count; ++p)
            if (plan->plain[p].slot == rest[i].slot && plan->plain[p].list == rest[i].list)
                plan->plain_digit[d++] = uint8_t(p);
    uint64_t size = plan->head_table->total;
    for (int p = 0; p < plan->plain_count; ++p) size *= plan->plain_radix[p];
    plan->table_size = size;
    if (sides[0].has_pawn && sides[1].has_pawn) build_en_passant(sides, side, plan);
    return true;
}

// ---- Indexes ------------------------------------------------------------------

inline uint64_t below(int square) { return (uint64_t(1) << square) - 1; }

inline void sort_squares(int* s, int count) {
    if (count >= 2 && s[0] > s[1]) std::swap(s[0], s[1]);
    if (count == 3) {
        if (s[1] > s[2]) std::swap(s[1], s[2]);
        if (s[0] > s[1]) std::swap(s[0], s[1]);
    }
}

// The digit of like men by their numbers n1 < n2 < n3 (C(n3, 3) + C(n2, 2) + n1).
inline uint64_t like_digit(const int* n, int count) {
    uint64_t digit = uint64_t(n[0]);
    if (count >= 2) digit += uint64_t(n[1]) * uint64_t(n[1] - 1) / 2;
    if (count == 3) digit += uint64_t(n[2]) * uint64_t(n[2] - 1) * uint64_t(n[2] - 2) / 6;
    return digit;
}

inline uint64_t like_radix(uint64_t r, int count) {
    return count == 1 ? r : count == 2 ? r * (r - 1) / 2 : r * (r - 1) * (r - 2) / 6;
}

// Maps a square of the position into a frame.
struct Frame {
    int xor_mask = 0;
    bool reflect = false;
    int operator()(int s) const { return reflect ? TB_DIAG_REFLECT[size_t(s ^ xor_mask)] : s ^ xor_mask; }
};

// Squares of a group, taken into a frame and sorted.
inline void group_squares(const TbPlanGroup& g, const TbPieceList* const lists[2], const Frame& frame, int* s) {
    for (int i = 0; i < g.count; ++i) s[i] = frame(lists[g.list]->square[g.slot + i]);
    sort_squares(s, g.count);
}

// The digits of head groups numbered around o with the moving king on k;
// also marks their squares (in the placing frame) as placed. False for a man
// on a square its kind may not take.
bool head_digits(const TbPlanGroup* head, int count, const TbPieceList* const lists[2], const Frame& head_frame,
                 const Frame& place_frame, int k, int o, uint64_t* value, uint64_t* placed, uint64_t* pawns) {
    uint64_t v = 0;
    for (int g = 0; g < count; ++g) {
        const TbPlanGroup& group = head[g];
        const uint8_t* numbering = tb_square_numbering[group.kind][o];
        const int king_taken = numbering[k] != TB_NOT_NUMBERED ? 1 : 0;
        int s[3], n[3] = {};
        group_squares(group, lists, head_frame, s);
        for (int i = 0; i < group.count; ++i) {
            if (numbering[s[i]] == TB_NOT_NUMBERED) return false;
            n[i] = numbering[s[i]] - (king_taken && k < s[i] ? 1 : 0);
            const uint64_t bit = uint64_t(1) << place_frame(lists[group.list]->square[group.slot + i]);
            *placed |= bit;
            if (group.pawn) *pawns |= bit;
        }
        const uint64_t radix = like_radix(uint64_t(tb_square_counts[group.kind][o] - king_taken), group.count);
        v = v * radix + like_digit(n, group.count);
    }
    *value = v;
    return true;
}

// The digit of a placed group: each square counted among the free squares
// below it (pawns: among the free pawn squares of ranks 2-7). False for a
// pawn off ranks 2-7.
bool placed_digit(const TbPlanGroup& g, const TbPieceList* const lists[2], const Frame& frame, uint64_t* placed,
                  uint64_t* pawns, uint64_t* digit) {
    int s[3], n[3] = {};
    group_squares(g, lists, frame, s);
    for (int i = 0; i < g.count; ++i) {
        if (g.pawn) {
            if (s[i] < 8 || s[i] >= 56) return false;
            n[i] = s[i] - 8 - std::popcount(*pawns & below(s[i]));
        } else {
            n[i] = s[i] - std::popcount(*placed & below(s[i]));
        }
    }
    for (int i = 0; i < g.count; ++i) {
        const uint64_t bit = uint64_t(1) << s[i];
        *placed |= bit;
        if (g.pawn) *pawns |= bit;
    }
    *digit = like_digit(n, g.count);
    return true;
}

// Every square on the board and no two men on one.
bool distinct_squares(const TbPieceList* const lists[2], const TbIndexPlan& plan, const TbPlanGroup* all, int groups) {
    uint64_t seen = 0;
    for (int list = 0; list < 2; ++list) {
        const unsigned s = unsigned(lists[list]->square[TB_SLOT_KING]);
        if (s >= 64) return false;
        seen |= uint64_t(1) << s;
    }
    for (int g = 0; g < groups; ++g)
        for (int i = 0; i < all[g].count; ++i) {
            const unsigned s = unsigned(lists[all[g].list]->square[all[g].slot + i]);
            if (s >= 64) return false;
            seen |= uint64_t(1) << s;
        }
    return std::popcount(seen) == plan.men + 2;
}

// Whether the plan's men use a slot of a list.
bool slot_used(const TbIndexPlan& plan, int list, int slot) {
    for (int g = 0; g < plan.head_count; ++g)
        if (plan.head[g].list == list && slot >= plan.head[g].slot && slot < plan.head[g].slot + plan.head[g].count)
            return true;
    for (int g = 0; g < plan.plain_count; ++g)
        if (plan.plain[g].list == list && slot >= plan.plain[g].slot && slot < plan.plain[g].slot + plan.plain[g].count)
            return true;
    return false;
}

uint64_t en_passant_index(const TbIndexPlan& plan, const TbPieceList* const lists[2], int en_passant, int invert) {
    const TbEnPassantPlan& ep = plan.en_passant;
    const int moving = plan.moving;
    Frame frame;
    frame.xor_mask = TB_FILE_MIRROR_XOR[size_t(lists[moving]->square[TB_SLOT_KING])] ^ TB_INVERT_XOR[invert & 1];
    const int k = frame(lists[moving]->square[TB_SLOT_KING]), o = frame(lists[moving ^ 1]->square[TB_SLOT_KING]);
    const int kk = TB_KING_PAIRS_PAWNS[size_t(k)][size_t(o)];
    if (kk == TB_NO_KING_PAIR || unsigned(en_passant) >= 64) return TB_NO_INDEX;
    const int e = frame(en_passant);
    const int up = moving == 0 ? 8 : -8;
    if (unsigned(e + up) >= 64) return TB_NO_INDEX;
    const uint64_t crossed = uint64_t(1) << e | uint64_t(1) << (e + up);
    uint64_t occupied = uint64_t(1) << k | uint64_t(1) << o;
    for (int list = 0; list < 2; ++list)
        for (int slot = 0; slot < TB_SLOT_KING; ++slot)
            if (slot_used(plan, list, slot)) occupied |= uint64_t(1) << frame(lists[list]->square[slot]);
    if (occupied & crossed) return TB_NO_INDEX;

    // The capturing pawn: the lowest that can take, towards the a-file first.
    int pawns_of_mover[3];
    TbPlanGroup moving_pawns{uint8_t(moving), ep.moving_pawn_slot, ep.moving_pawns, 0, true};
    group_squares(moving_pawns, lists, frame, pawns_of_mover);
    int capturer = -1, capture_case = 0;
    for (int i = 0; i < ep.moving_pawns && capturer < 0; ++i) {
        const int s = pawns_of_mover[i], file = s & 7;
        if (file != 0 && e == s + up - 1) capturer = i, capture_case = file - 1;
        else if (file != 7 && e == s + up + 1) capturer = i, capture_case = file + 7;
    }
    if (capturer < 0) return TB_NO_INDEX;
    int pawns_of_waiter[3];
    TbPlanGroup waiting_pawns{uint8_t(moving ^ 1), ep.waiting_pawn_slot, ep.waiting_pawns, 0, true};
    group_squares(waiting_pawns, lists, frame, pawns_of_waiter);
    const int captured_square = e - up;
    int captured = -1;
    for (int i = 0; i < ep.waiting_pawns; ++i)
        if (pawns_of_waiter[i] == captured_square) captured = i;
    if (captured < 0) return TB_NO_INDEX;

    uint64_t placed = uint64_t(1) << k | uint64_t(1) << o, pawns = 0;
    uint64_t head = kk;
    if (ep.head_count > 0) {
        uint64_t digits = 0;
        if (!head_digits(ep.head, ep.head_count, lists, frame, frame, k, o, &digits, &placed, &pawns)) return TB_NO_INDEX;
        head = ep.head_table->offsets[kk] + digits;
    }
    const uint64_t capture = crossed | uint64_t(1) << pawns_of_mover[capturer] | uint64_t(1) << captured_square;
    placed |= capture;
    pawns |= capture;

    // The other pawns of each side, then the waiting pieces.
    auto other_pawns = [&](const int* squares, int count, int skip) {
        int n[3] = {}, m = 0;
        for (int i = 0; i < count; ++i)
            if (i != skip) n[m++] = squares[i] - 8 - std::popcount(pawns & below(squares[i]));
        for (int i = 0; i < count; ++i)
            if (i != skip) placed |= uint64_t(1) << squares[i], pawns |= uint64_t(1) << squares[i];
        return m == 0 ? uint64_t(0) : like_digit(n, m);
    };
    for (int i = 0; i < ep.moving_pawns; ++i)
        if (i != capturer && (pawns_of_mover[i] < 8 || pawns_of_mover[i] >= 56)) return TB_NO_INDEX;
    for (int i = 0; i < ep.waiting_pawns; ++i)
        if (i != captured && (pawns_of_waiter[i] < 8 || pawns_of_waiter[i] >= 56)) return TB_NO_INDEX;
    const uint64_t moving_digit = other_pawns(pawns_of_mover, ep.moving_pawns, capturer);
    const uint64_t waiting_digit = other_pawns(pawns_of_waiter, ep.waiting_pawns, captured);
    uint64_t index = head;
    for (int i = 0; i < ep.waiting_piece_count; ++i) {
        uint64_t digit = 0;
        if (!placed_digit(ep.waiting_pieces[i], lists, frame, &placed, &pawns, &digit)) return TB_NO_INDEX;
        index = index * ep.waiting_piece_radix[i] + digit;
    }
    index = index * ep.waiting_pawn_radix + waiting_digit;
    index = index * ep.moving_pawn_radix + moving_digit;
    return ep.ordinary_count + index * 14 + uint64_t(capture_case);
}

}  // namespace

bool tb_build_index_plan(const char* name, bool symmetric, int side, TbIndexPlan* plan) {
    *plan = TbIndexPlan{};
    SideMen sides[2];
    if (side < 0 || side > 1 || !parse_name(name, sides)) return false;
    plan->men = uint8_t(sides[0].men + sides[1].men);
    // A symmetric material has one table, read with the lists exchanged.
    // Alike men alone do not make one: kpkp keeps a table per side, and its
    // second side is numbered in its own frames like any other material's.
    bool alike = sides[0].group_count == sides[1].group_count;
    for (int g = 0; alike && g < sides[0].group_count; ++g)
        alike = sides[0].groups[g].slot == sides[1].groups[g].slot && sides[0].groups[g].count == sides[1].groups[g].count;
    if (symmetric && !alike) return false;
    plan->swap = symmetric && side == 1;
    if (plan->swap) side = 0;
    plan->moving = uint8_t(side);
    return sides[0].has_pawn || sides[1].has_pawn ? build_pawns(sides, side, plan) : build_pawnless(sides, side, plan);
}

uint64_t tb_plan_index(const TbIndexPlan& plan, const TbPieceList* first, const TbPieceList* second, int en_passant,
                       int invert) {
    if (plan.swap) {
        const TbPieceList* t = first;
        first = second;
        second = t;
        invert ^= 1;
    }
    const TbPieceList* const lists[2] = {first, second};
    TbPlanGroup all[2 * TB_PLAN_GROUPS];
    int groups = 0;
    for (int g = 0; g < plan.head_count; ++g) all[groups++] = plan.head[g];
    for (int g = 0; g < plan.plain_count; ++g) all[groups++] = plan.plain[g];
    if (!distinct_squares(lists, plan, all, groups)) return TB_NO_INDEX;

    const int moving = plan.moving;
    const int k0 = lists[moving]->square[TB_SLOT_KING], o0 = lists[moving ^ 1]->square[TB_SLOT_KING];
    Frame place_frame, head_frame;
    int k, o, kk;
    if (plan.form == TB_PLAN_PAWNLESS) {
        place_frame.xor_mask = TB_FOLD8_XOR[size_t(k0)];
        k = k0 ^ place_frame.xor_mask;
        o = o0 ^ place_frame.xor_mask;
        place_frame.reflect = !(tb_in_triangle(k) && (!tb_on_diagonal(k) || tb_lower_half(o)));
        k = place_frame(k0);
        o = place_frame(o0);
        head_frame = place_frame;
        kk = TB_KING_PAIRS_PAWNLESS[size_t(k)][size_t(o)];
    } else {
        if (plan.en_passant.used && en_passant != TB_NO_EN_PASSANT)
            return en_passant_index(plan, lists, en_passant, invert);
        place_frame.xor_mask = TB_FILE_MIRROR_XOR[size_t(k0)] ^ TB_INVERT_XOR[invert & 1];
        head_frame.xor_mask = place_frame.xor_mask ^ plan.flip;
        k = head_frame(k0);
        o = head_frame(o0);
        kk = TB_KING_PAIRS_PAWNS[size_t(k)][size_t(o)];
    }
    if (kk == TB_NO_KING_PAIR) return TB_NO_INDEX;

    uint64_t placed = uint64_t(1) << place_frame(k0) | uint64_t(1) << place_frame(o0), pawns = 0;
    uint64_t index = uint64_t(kk);
    if (plan.head_count > 0) {
        uint64_t digits = 0;
        if (!head_digits(plan.head, plan.head_count, lists, head_frame, place_frame, k, o, &digits, &placed, &pawns))
            return TB_NO_INDEX;
        index = plan.head_table->offsets[kk] + digits;
    }
    uint64_t digit[TB_PLAN_GROUPS];
    for (int p = 0; p < plan.plain_count; ++p)
        if (!placed_digit(plan.plain[p], lists, place_frame, &placed, &pawns, &digit[p])) return TB_NO_INDEX;
    for (int d = 0; d < plan.plain_count; ++d) {
        const int p = plan.plain_digit[d];
        index = index * plan.plain_radix[p] + digit[p];
    }
    return index;
}
