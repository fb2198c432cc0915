#include "eval/eval_tables.h"

#include <cstdlib>
#include <cstring>

#include "eval/eval_cache.h"
#include "eval/material.h"
#include "eval/square_rows.h"
#include "position/attack_units.h"
#include "position/geometry.h"
#include "position/material.h"
#include "position/position.h"

PieceSquareTable piece_square_table;
uint8_t developed_minors[2] = {0, 0};
const int8_t* king_drive_table = KING_DRIVE_CENTRE.data();
uint8_t king_wing[2] = {KING_WING_NONE, KING_WING_NONE};
uint8_t far_wing_files[2] = {0, 0};
uint8_t hanging_shift[2] = {HANGING_SHIFT_DEFAULT, HANGING_SHIFT_DEFAULT};
MoveGainTable move_gain_tables[MAX_THREADS];

void clear_move_gain_table() { std::memset(move_gain_tables, 0, sizeof(move_gain_tables)); }

namespace {

constexpr uint8_t FILES_A_TO_C = 0x07;
constexpr uint8_t FILES_F_TO_H = 0xE0;

void copy_square_row(int16_t* dest, const SquareRow& row) {
    for (int sq = 0; sq < 64; ++sq) dest[sq] = row[sq];
}

// A minor piece still on its start square costs a little, so that the
// search prefers developing moves over shuffling developed pieces. Counted
// once more for each side after the correction.
void apply_development_corrections(const Position* root, int side) {
    const int base = side == WHITE ? 0 : 56;
    if (developed_minors[side] < 4 || root->ply < 17) {
        int16_t* knights = square_table(KNIGHT, side);
        int16_t* bishops = square_table(BISHOP, side);
        knights[base + 1] -= 14;
        knights[base + 6] -= 17;
        bishops[base + 2] -= 8;
        bishops[base + 5] -= 8;
    }
    developed_minors[side] = uint8_t((root->kind[base + 1] != KNIGHT) + (root->kind[base + 2] != BISHOP) +
                                     (root->kind[base + 5] != BISHOP) + (root->kind[base + 6] != KNIGHT));
}

int live_count(uint32_t kind_slots, uint32_t live) { return bit_count(kind_slots & live); }

void choose_king_drive_table(const Position* root) {
    king_drive_table = KING_DRIVE_CENTRE.data();
    for (int side = WHITE; side <= BLACK; ++side) {
        // King, bishop and knight against a bare king: drive the king to a
        // corner of the bishop's colour.
        if (material_signature(root->material_counts[side]) != 0x50) continue;
        if (material_signature(root->material_counts[side ^ 1]) != 0) continue;
        uint32_t bishops = root->bishop_slots[side] & root->slots[side];
        int square = root->piece_list[side][slot_index(bishops & (0u - bishops))];
        king_drive_table = square_colour[square] == 0 ? KING_DRIVE_LIGHT_CORNERS.data()
                                                       : KING_DRIVE_DARK_CORNERS.data();
    }
}

void set_king_wings(const Position* root) {
    king_wing[WHITE] = king_wing[BLACK] = KING_WING_NONE;
    if (root->phase <= 4) return;
    for (int side = WHITE; side <= BLACK; ++side) {
        int own = file_of(king_square(root, side));
        int other = file_of(king_square(root, side ^ 1));
        if (own <= 2) {
            far_wing_files[side] = FILES_F_TO_H;
            king_wing[side] = other >= 5 ? KING_WING_OPPOSITE : KING_WING_SAME;
        } else if (own >= 5) {
            far_wing_files[side] = FILES_A_TO_C;
            king_wing[side] = other <= 2 ? KING_WING_OPPOSITE : KING_WING_SAME;
        }
    }
}

// What the evaluation of a position reads besides the position itself, as
// the last preparation left it: a cached evaluation is only as good as the
// tables it was made with.
struct PreparedTables {
    PieceSquareTable square_tables;
    const int8_t* drive;
    uint8_t wing[2];
    uint8_t far_wing[2];
    uint8_t shift[2];

    bool operator==(const PreparedTables&) const = default;
};
PreparedTables last_prepared{};

PreparedTables current_tables() {
    PreparedTables t{};
    std::memcpy(t.square_tables, piece_square_table, sizeof(piece_square_table));
    t.drive = king_drive_table;
    for (int side = WHITE; side <= BLACK; ++side) {
        t.wing[side] = king_wing[side];
        t.far_wing[side] = far_wing_files[side];
        t.shift[side] = hanging_shift[side];
    }
    return t;
}

}  // namespace

void blend_square_rows(int16_t* dest, const int8_t* middle, const int8_t* end, const Position* pos) {
    for (int sq = 0; sq < 64; ++sq)
        dest[sq] = int16_t(int16_t(middle[sq] * pos->phase + end[sq] * pos->phase_rest) >> 4);
}

void build_piece_square_tables(Position* root) {
    copy_square_row(square_table(KNIGHT, WHITE), KNIGHT_ROW);
    copy_square_row(square_table(BISHOP, WHITE), BISHOP_ROW);
    copy_square_row(square_table(ROOK, WHITE), ROOK_ROW);
    copy_square_row(square_table(QUEEN, WHITE), QUEEN_ROW);
    blend_square_rows(square_table(KING, WHITE), KING_MIDDLE_ROW.data(), KING_END_ROW.data(), root);
    std::memset(piece_square_table[PAWN - 1], 0, sizeof(piece_square_table[PAWN - 1]));
    for (int kind = KNIGHT; kind <= KING; ++kind) {
        const int16_t* white = square_table(kind, WHITE);
        int16_t* black = square_table(kind, BLACK);
        for (int sq = 0; sq < 64; ++sq) black[sq] = white[sq ^ 56];
    }
    // After the mirroring: each side's corrections fall on its own squares.
    apply_development_corrections(root, WHITE);
    apply_development_corrections(root, BLACK);
}

void add_king_pawn_proximity(const Position* root, int k) {
    const int pawn_counts[2] = {live_count(root->pawn_slots[WHITE], root->slots[WHITE]),
                                live_count(root->pawn_slots[BLACK], root->slots[BLACK])};
    const int surplus = pawn_counts[WHITE] - pawn_counts[BLACK];
    const int f = (root->phase_rest - 8) / 2 + 1;
    const int k_rank = rank_of(k), k_file = file_of(k);
    int sum = 0;
    for (int side = WHITE; side <= BLACK; ++side) {
        const int other = side ^ 1;
        const int step = side == WHITE ? 8 : -8;
        const int seventh_rank = side == WHITE ? 6 : 1;
        const bool majority = side == WHITE ? surplus >= 0 : surplus <= 0;
        const uint8_t* files = pawn_files(root, side);
        for (uint32_t pawns = root->pawn_slots[side] & root->slots[side]; pawns;
             pawns &= ~(1u << highest_slot(pawns))) {
            const int p = root->piece_list[side][highest_slot(pawns)];
            const int p_file = file_of(p);
            if ((files[p_file - 1] | files[p_file + 1]) == 0)
                sum += std::abs(k_rank - rank_of(p)) + std::abs(k_file - p_file);

            // The path to the promotion square, the promotion square itself
            // not examined.
            enum { FREE, CONTROLLED, BLOCKED } state = FREE;
            int e = side == WHITE ? p_file + 56 : p_file;
            for (int sq = p + step; rank_of(sq) != (side == WHITE ? 7 : 0); sq += step) {
                if (root->kind[sq] == PAWN) {
                    state = BLOCKED;
                    e = sq;
                    break;
                }
                if (root->attacks[other][sq].direct & PAWN_CLASS_MASK) state = CONTROLLED;
            }

            const int front = p + step;
            const int t = root->kind[front] != PAWN && majority && rank_of(p) != seventh_rank ? front + step : front;
            if (state == FREE) {
                sum += std::abs(k_rank - rank_of(e)) + std::abs(k_rank - rank_of(t)) + std::abs(k_file - file_of(e)) +
                       std::abs(k_file - file_of(t)) + 2 * king_distance[k][t] + king_distance[k][e];
            } else {
                int v = std::abs(k_rank - rank_of(t)) + std::abs(k_file - file_of(t)) + king_distance[k][t];
                sum += state == CONTROLLED ? 2 * v : v;
            }
        }
    }
    const int h = 6 * f - f * sum / (pawn_counts[WHITE] + pawn_counts[BLACK]);
    square_table(KING, WHITE)[k] = int16_t(square_table(KING, WHITE)[k] + h);
    square_table(KING, BLACK)[k] = int16_t(square_table(KING, BLACK)[k] + h);
}

void prepare_evaluation(Position* root) {
    // The first evaluation of the search recomputes the material term and
    // the phase.
    reset_material_term(root);
    build_piece_square_tables(root);
    choose_king_drive_table(root);
    set_king_wings(root);

    const bool any_pawn = ((root->pawn_slots[WHITE] & root->slots[WHITE]) | (root->pawn_slots[BLACK] & root->slots[BLACK])) != 0;
    int16_t* white_pawns = square_table(PAWN, WHITE);
    int16_t* black_pawns = square_table(PAWN, BLACK);
    for (int i = 0; i < 64; ++i) {
        white_pawns[i] = int16_t(white_pawns[i] + (PAWN_ROW[i] * (root->phase_half + 8)) / 16 - 8 + root->phase_rest_half);
        black_pawns[i] = int16_t(black_pawns[i] + (PAWN_ROW[i ^ 56] * (root->phase_half + 8)) / 16 - 8 + root->phase_rest_half);
        if (root->phase < 9 && any_pawn) add_king_pawn_proximity(root, i);
    }

    // The tables change with the root's phase, pawns, kings and development,
    // not only with its material: every change retires the cached
    // evaluations made with the old ones.
    const PreparedTables now = current_tables();
    if (!(now == last_prepared)) {
        last_prepared = now;
        advance_eval_cache_age();
    }
}
