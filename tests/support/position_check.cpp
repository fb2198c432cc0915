#include "position_check.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "position/exchange.h"
#include "position/position.h"
#include "position/zobrist.h"

namespace {

// Units and class fields written out here rather than taken from the engine,
// so that a wrong engine constant shows up as a mismatch.
constexpr uint32_t UNIT[7] = {0, 0x14000000, 0x11000000, 0x10400000, 0x10100000, 0x10020000, 0x10010000};
constexpr uint32_t XRAY = 0x10020000;
constexpr int VALUE[7] = {0, 128, 416, 416, 640, 1248, 1248};

struct Report {
    std::string text;
    int count = 0;
    template <typename... Args>
    void add(const char* format, Args... args) {
        if (++count > 40) return;  // enough to find the fault
        char line[256];
        std::snprintf(line, sizeof line, format, args...);
        text += line;
        text += '\n';
    }
};

bool on_board(int file, int rank) { return file >= 0 && file < 8 && rank >= 0 && rank < 8; }

// Whether a man of this kind moves along a line with this step.
bool moves_along(int kind, int df, int dr) {
    bool orthogonal = df == 0 || dr == 0;
    return kind == QUEEN || (kind == ROOK && orthogonal) || (kind == BISHOP && !orthogonal);
}

void naive_attacks(const Position* pos, int side, AttackRecord out[64]) {
    for (int sq = 0; sq < 64; ++sq) out[sq] = AttackRecord{0, 0};
    for (int sq = 0; sq < 64; ++sq) {
        if (pos->colour[sq] != side) continue;
        int kind = pos->kind[sq];
        uint32_t slot = pos->slot_bit[sq];
        int f = file_of(sq), r = rank_of(sq);
        auto direct = [&](int tf, int tr) {
            if (!on_board(tf, tr)) return;
            int t = square_at(tf, tr);
            out[t].xray += UNIT[kind] + slot;
            out[t].direct += UNIT[kind] + slot;
        };
        if (kind == PAWN) {
            int forward = side == WHITE ? 1 : -1;
            direct(f - 1, r + forward);
            direct(f + 1, r + forward);
        } else if (kind == KNIGHT) {
            static const int steps[8][2] = {{1, 2}, {2, 1}, {2, -1}, {1, -2}, {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
            for (auto& s : steps) direct(f + s[0], r + s[1]);
        } else if (kind == KING) {
            for (int df = -1; df <= 1; ++df)
                for (int dr = -1; dr <= 1; ++dr)
                    if (df || dr) direct(f + df, r + dr);
        } else {
            for (int df = -1; df <= 1; ++df) {
                for (int dr = -1; dr <= 1; ++dr) {
                    if ((!df && !dr) || !moves_along(kind, df, dr)) continue;
                    bool through = false;  // past the first occupied square
                    for (int tf = f + df, tr = r + dr; on_board(tf, tr); tf += df, tr += dr) {
                        int t = square_at(tf, tr);
                        if (!through) {
                            out[t].xray += UNIT[kind] + slot;
                            out[t].direct += UNIT[kind] + slot;
                        } else {
                            out[t].xray += XRAY + slot;
                        }
                        if (pos->colour[t] == NO_COLOUR) continue;
                        if (!moves_along(pos->kind[t], df, dr)) break;
                        through = true;
                    }
                }
            }
        }
    }
}

int naive_material_index(int pawns, int knights, int rooks, int queens, int light_bishops, int dark_bishops) {
    int index = pawns + 9 * knights + 27 * light_bishops + 54 * dark_bishops + 108 * rooks + 324 * queens;
    bool outside = pawns > 8 || knights > 2 || rooks > 2 || light_bishops > 1 || dark_bishops > 1;
    return index + (outside ? 648 : 0);
}

// Whether the table pointers name the record's own tables: the hanging
// values and each attack table in its current slot or an earlier one (a
// plain byte copy of a record would leave them naming the original's), the
// three hanging pointers the parts of one table.
bool pointers_name_own_tables(const Position* pos) {
    if (pos->table_index < 0 || pos->table_index >= PLY_STACK_SIZE) return false;
    const HangingTable* hanging = pos->hanging_table;
    if (pos->hanging != hanging->values || pos->hanging_sum != hanging->sum || pos->hanging_slots != hanging->slots)
        return false;
    bool found[3] = {false, false, false};
    for (int index = 0; index <= pos->table_index; ++index) {
        const PlyTables& tables = pos->ply_tables[index];
        for (int side = WHITE; side <= BLACK; ++side)
            if (pos->attacks[side] == tables.attacks[side]) found[side] = true;
        if (hanging == &tables.hanging) found[2] = true;
    }
    return found[0] && found[1] && found[2];
}

// Whether the two records' attack tables hold the same.
bool same_attack_tables(const Position* a, const Position* b) {
    return std::memcmp(a->attacks[WHITE], b->attacks[WHITE], sizeof(PlyTables::attacks[WHITE])) == 0 &&
           std::memcmp(a->attacks[BLACK], b->attacks[BLACK], sizeof(PlyTables::attacks[BLACK])) == 0;
}

}  // namespace

std::string check_position(const Position* pos) {
    Report report;

    // The tables read are those of the current slot, and the slot leaves
    // room for a move to be made.
    if (!pointers_name_own_tables(pos)) report.add("table pointers name tables not the record's own");
    if (pos->table_index < 0 || pos->table_index >= PLY_STACK_SIZE - 1)
        report.add("table_index %d outside the ply tables", pos->table_index);

    // Board and piece lists.
    int count[2][7] = {};
    int bishops_on[2][2] = {};
    uint32_t kind_set[2][7] = {};
    uint32_t rank_set[2][8] = {};
    uint8_t files[2][10] = {};
    uint32_t live[2] = {0, 0};
    int king[2] = {-1, -1};
    for (int sq = 0; sq < 64; ++sq) {
        int c = pos->colour[sq];
        int k = pos->kind[sq];
        if (c == NO_COLOUR) {
            if (k != NO_KIND) report.add("square %d: kind %d on an empty square", sq, k);
            if (pos->slot_bit[sq] || pos->moved[sq] || pos->hanging[sq])
                report.add("square %d: empty but slot_bit %x moved %d hanging %d", sq, pos->slot_bit[sq],
                           pos->moved[sq], pos->hanging[sq]);
            continue;
        }
        uint32_t bit = pos->slot_bit[sq];
        if (bit == 0 || (bit & (bit - 1)) || bit > 0x8000) {
            report.add("square %d: bad slot bit %x", sq, bit);
            continue;
        }
        int slot = __builtin_ctz(bit);
        if (pos->piece_list[c][slot] != sq) report.add("square %d: piece_list[%d][%d] = %d", sq, c, slot, pos->piece_list[c][slot]);
        if (live[c] & bit) report.add("square %d: slot %d used twice", sq, slot);
        live[c] |= bit;
        ++count[c][k];
        kind_set[c][k] |= bit;
        if (k == KING) {
            king[c] = sq;
            if (slot != 0) report.add("king of side %d in slot %d", c, slot);
        }
        if (k == BISHOP) ++bishops_on[c][(file_of(sq) + rank_of(sq) + 1) & 1];
        if (k == PAWN) {
            rank_set[c][rank_of(sq)] |= bit;
            files[c][file_of(sq) + 1] |= uint8_t(1u << rank_of(sq));
        }
    }

    for (int c = 0; c < 2; ++c) {
        if (pos->slots[c] != live[c]) report.add("side %d: slots %x, board %x", c, pos->slots[c], live[c]);
        uint32_t s = pos->slots[c];
        const uint32_t* masks[7] = {nullptr, pos->pawn_slots, pos->knight_slots, pos->bishop_slots,
                                    pos->rook_slots, pos->queen_slots, nullptr};
        for (int k = PAWN; k <= QUEEN; ++k)
            if ((masks[k][c] & s) != kind_set[c][k])
                report.add("side %d: kind %d mask %x, board %x", c, k, masks[k][c] & s, kind_set[c][k]);
        uint32_t diagonal = kind_set[c][BISHOP] | kind_set[c][QUEEN];
        uint32_t orthogonal = kind_set[c][ROOK] | kind_set[c][QUEEN];
        if ((pos->diagonal_movers[c] & s) != diagonal) report.add("side %d: diagonal movers %x", c, pos->diagonal_movers[c] & s);
        if ((pos->orthogonal_movers[c] & s) != orthogonal) report.add("side %d: orthogonal movers %x", c, pos->orthogonal_movers[c] & s);
        if ((pos->line_pieces[c] & s) != (diagonal | orthogonal)) report.add("side %d: line pieces %x", c, pos->line_pieces[c] & s);
        for (int r = 0; r < 8; ++r)
            if ((pos->pawn_rank_slots[c][r] & s) != rank_set[c][r])
                report.add("side %d rank %d: pawn rank slots %x, board %x", c, r, pos->pawn_rank_slots[c][r] & s, rank_set[c][r]);
        if (std::memcmp(pos->pawn_file_bytes[c], files[c], 10) != 0) report.add("side %d: pawn file bytes differ", c);

        int material = 0;
        for (int k = PAWN; k <= QUEEN; ++k) material += count[c][k] * VALUE[k];
        if (pos->material[c] != material) report.add("side %d: material %d, board %d", c, pos->material[c], material);
        int weight = count[c][KNIGHT] + count[c][BISHOP] + 2 * count[c][ROOK] + 4 * count[c][QUEEN];
        int men = count[c][PAWN] + count[c][KNIGHT] + count[c][BISHOP] + count[c][ROOK] + count[c][QUEEN];
        // Signature fields carry into the next field, so the signature is the plain weighted sum.
        uint32_t signature = uint32_t(count[c][PAWN] + 0x10 * count[c][KNIGHT] + 0x40 * count[c][BISHOP] +
                                      0x100 * count[c][ROOK] + 0x400 * count[c][QUEEN]);
        uint32_t counts = uint32_t(weight) + (uint32_t(men) << 8) + (signature << 16);
        if (pos->material_counts[c] != counts)
            report.add("side %d: material_counts %x, board %x", c, pos->material_counts[c], counts);
        int index = naive_material_index(count[c][PAWN], count[c][KNIGHT], count[c][ROOK], count[c][QUEEN],
                                         bishops_on[c][0], bishops_on[c][1]);
        if (pos->material_index[c] != index) report.add("side %d: material_index %d, board %d", c, pos->material_index[c], index);
    }
    if (king[0] < 0 || king[1] < 0) {
        report.add("a king is missing");
        return report.text;
    }

    // Attack tables.
    AttackRecord naive[2][64];
    for (int c = 0; c < 2; ++c) {
        naive_attacks(pos, c, naive[c]);
        for (int sq = 0; sq < 64; ++sq) {
            const AttackRecord& a = pos->attacks[c][sq];
            if (a.xray != naive[c][sq].xray || a.direct != naive[c][sq].direct)
                report.add("side %d square %d: words %08x %08x, naive %08x %08x", c, sq, a.xray, a.direct,
                           naive[c][sq].xray, naive[c][sq].direct);
        }
    }
    if (pos->own_table != pos->side || pos->opp_table != (pos->side ^ 1))
        report.add("own/opp tables %d/%d with side %d", pos->own_table, pos->opp_table, pos->side);

    // Hanging values, from the naive words.
    for (int c = 0; c < 2; ++c) {
        int sum = 0;
        uint32_t hanging_set = 0;
        for (int sq = 0; sq < 64; ++sq) {
            if (pos->colour[sq] != c) continue;
            int value = 0;
            if (pos->kind[sq] != KING && naive[c ^ 1][sq].direct != 0) {
                int entry = swap_table[swap_codes[(naive[c][sq].xray >> 16) & 0xFFF] |
                                       swap_codes[(naive[c ^ 1][sq].xray >> 16) & 0xFFF] << 7];
                value = VALUE[pos->kind[sq]] - 8 * entry;
                if (value < 0) value = 0;
            }
            if (pos->hanging[sq] != value) report.add("square %d: hanging %d, naive %d", sq, pos->hanging[sq], value);
            sum += value;
            if (value) hanging_set |= pos->slot_bit[sq];
        }
        if (pos->hanging_sum[c] != sum) report.add("side %d: hanging_sum %d, naive %d", c, pos->hanging_sum[c], sum);
        if (pos->hanging_slots[c] != hanging_set)
            report.add("side %d: hanging_slots %x, naive %x", c, pos->hanging_slots[c], hanging_set);
    }

    // Key: men, en passant, and a castling part that must be a combination of
    // rook-square entries. A right still held (unmoved king and rook on the
    // castling rook square) must not be in it; a right whose rook was taken on
    // its square stays out of the key as well, so the board alone cannot tell
    // every absent right.
    uint64_t key = 0;
    for (int sq = 0; sq < 64; ++sq)
        if (pos->colour[sq] != NO_COLOUR) key ^= zobrist_keys[(2 * (pos->kind[sq] - 1) + pos->colour[sq]) * 64 + sq];
    uint32_t lo = uint32_t(key), hi = uint32_t(key >> 32);
    if (pos->key_hi != hi) report.add("key_hi %08x, board %08x", pos->key_hi, hi);
    if (pos->ep_square) {
        lo ^= castle_ep_keys[pos->ep_square];
        int side = pos->side;
        int ep = pos->ep_square;
        int from_rank = side == WHITE ? 4 : 3;
        bool can_take = false;
        for (int df = -1; df <= 1; df += 2) {
            int f = file_of(ep) + df;
            if (f < 0 || f > 7) continue;
            int sq = square_at(f, from_rank);
            if (pos->kind[sq] == PAWN && pos->colour[sq] == side) can_take = true;
        }
        if (!can_take) report.add("en-passant square %d that no pawn can take", ep);
    }
    uint32_t castle_part = pos->key_lo ^ lo;
    bool matched = false;
    for (int subset = 0; subset < 16 && !matched; ++subset) {
        uint32_t part = 0;
        bool allowed = true;
        for (int i = 0; i < 4; ++i) {
            int wing = i & 1, side = i >> 1;
            int rook = castle_rook_squares[wing][side];
            bool held = pos->moved[king[side]] == 0 && pos->kind[rook] == ROOK && pos->colour[rook] == side &&
                        pos->moved[rook] == 0;
            if (subset & (1 << i)) {
                part ^= castle_ep_keys[rook];
                if (held) allowed = false;
            }
        }
        matched = allowed && part == castle_part;
    }
    if (!matched) report.add("key_lo %08x: castling part %08x matches no set of absent rights", pos->key_lo, castle_part);

    return report.text;
}

std::string compare_positions(const Position* before, const Position* after) {
    // Copy the compared prefix, blank what is allowed to differ, compare bytes.
    auto normalised = [](const Position* pos) {
        auto copy = std::make_unique<unsigned char[]>(POSITION_COPY_SIZE);
        std::memcpy(copy.get(), pos, POSITION_COPY_SIZE);
        Position* p = reinterpret_cast<Position*>(copy.get());
        p->nodes = 0;
        p->dirty_slots[0] = p->dirty_slots[1] = 0;
        p->saved_hanging_sum[0] = p->saved_hanging_sum[1] = 0;
        p->move_gain = 0;
        p->threat_gain = p->defence_gain = 0;
        for (int i = pos->ply_index + 1; i < PLY_STACK_SIZE; ++i) p->ply_stack[i] = PlyRecord{};
        // The table pointers name each record's own slot (the slot number is
        // compared): the tables are compared by what they hold.
        p->attacks[WHITE] = p->attacks[BLACK] = nullptr;
        p->hanging_table = nullptr;
        p->hanging = nullptr;
        p->hanging_sum = nullptr;
        p->hanging_slots = nullptr;
        return copy;
    };
    auto a = normalised(before);
    auto b = normalised(after);
    const bool tables_equal =
        same_attack_tables(before, after) &&
        std::memcmp(before->hanging, after->hanging, sizeof(HangingTable::values)) == 0 &&
        std::memcmp(before->hanging_sum, after->hanging_sum, sizeof(HangingTable::sum)) == 0 &&
        std::memcmp(before->hanging_slots, after->hanging_slots, sizeof(HangingTable::slots)) == 0;
    const bool pointers_equal = pointers_name_own_tables(before) && pointers_name_own_tables(after);
    if (tables_equal && pointers_equal && std::memcmp(a.get(), b.get(), POSITION_COPY_SIZE) == 0) return "";
    Report report;
    const Position* pa = reinterpret_cast<const Position*>(a.get());
    const Position* pb = reinterpret_cast<const Position*>(b.get());
    auto compare = [&report](const char* name, const void* x, const void* y, size_t size) {
        if (std::memcmp(x, y, size) != 0) report.add("field %s differs", name);
    };
    if (!pointers_equal) report.add("table pointers name tables not the record's own");
    compare("table_index", &pa->table_index, &pb->table_index, sizeof pa->table_index);
    compare("side", &pa->side, &pb->side, sizeof pa->side);
    compare("ply_index", &pa->ply_index, &pb->ply_index, sizeof pa->ply_index);
    compare("ply", &pa->ply, &pb->ply, sizeof pa->ply);
    compare("fifty", &pa->fifty, &pb->fifty, sizeof pa->fifty);
    compare("key_lo", &pa->key_lo, &pb->key_lo, sizeof pa->key_lo);
    compare("key_hi", &pa->key_hi, &pb->key_hi, sizeof pa->key_hi);
    compare("own_table", &pa->own_table, &pb->own_table, sizeof pa->own_table);
    compare("hanging_sum", before->hanging_sum, after->hanging_sum, sizeof(HangingTable::sum));
    compare("kind", &pa->kind, &pb->kind, sizeof pa->kind);
    compare("colour", &pa->colour, &pb->colour, sizeof pa->colour);
    compare("moved", &pa->moved, &pb->moved, sizeof pa->moved);
    compare("piece_list", &pa->piece_list, &pb->piece_list, sizeof pa->piece_list);
    compare("slots", &pa->slots, &pb->slots, sizeof pa->slots);
    compare("diagonal_movers", &pa->diagonal_movers, &pb->diagonal_movers, sizeof pa->diagonal_movers);
    compare("orthogonal_movers", &pa->orthogonal_movers, &pb->orthogonal_movers, sizeof pa->orthogonal_movers);
    compare("line_pieces", &pa->line_pieces, &pb->line_pieces, sizeof pa->line_pieces);
    compare("pawn_rank_slots", &pa->pawn_rank_slots, &pb->pawn_rank_slots, sizeof pa->pawn_rank_slots);
    compare("pawn_slots", &pa->pawn_slots, &pb->pawn_slots, sizeof pa->pawn_slots);
    compare("knight_slots", &pa->knight_slots, &pb->knight_slots, sizeof pa->knight_slots);
    compare("bishop_slots", &pa->bishop_slots, &pb->bishop_slots, sizeof pa->bishop_slots);
    compare("rook_slots", &pa->rook_slots, &pb->rook_slots, sizeof pa->rook_slots);
    compare("queen_slots", &pa->queen_slots, &pb->queen_slots, sizeof pa->queen_slots);
    compare("hanging_slots", before->hanging_slots, after->hanging_slots, sizeof(HangingTable::slots));
    compare("pawn_file_bytes", &pa->pawn_file_bytes, &pb->pawn_file_bytes, sizeof pa->pawn_file_bytes);
    compare("last_to", &pa->last_to, &pb->last_to, sizeof pa->last_to);
    compare("ep_square", &pa->ep_square, &pb->ep_square, sizeof pa->ep_square);
    compare("material_counts", &pa->material_counts, &pb->material_counts, sizeof pa->material_counts);
    compare("material_index", &pa->material_index, &pb->material_index, sizeof pa->material_index);
    compare("material", &pa->material, &pb->material, sizeof pa->material);
    compare("slot_bit", &pa->slot_bit, &pb->slot_bit, sizeof pa->slot_bit);
    compare("hanging", before->hanging, after->hanging, sizeof(HangingTable::values));
    if (!same_attack_tables(before, after)) report.add("field attacks differs");
    compare("ply_stack", &pa->ply_stack, &pb->ply_stack, sizeof pa->ply_stack);
    if (report.count == 0) report.add("the records differ outside the listed fields");
    return report.text;
}
