#include "eval/pawns.h"

#include <array>
#include <cstdlib>

#include "config/settings.h"
#include "eval/eval_constants.h"
#include "eval/eval_tables.h"
#include "eval/passed_pawns.h"
#include "eval/pawn_facts.h"
#include "eval/positional.h"
#include "eval/square_rows.h"
#include "position/attack_units.h"
#include "position/geometry.h"
#include "position/position.h"
#include "position/zobrist.h"

namespace {

constexpr uint8_t FILES_A_B = 0x03;
constexpr uint8_t FILES_D_F = 0x38;
constexpr uint8_t FILES_F_H = 0xE0;

constexpr int UNDEVELOPED_BISHOP_BLOCK = 20;

// Files d and e, with their neighbours c and f: the centre files of the
// shelter terms (a table, as the shelter asks for every pawn).
constexpr std::array<bool, 8> CENTRE_FILES = [] {
    std::array<bool, 8> centre{};
    for (int f = 0; f < 8; ++f)
        centre[f] = SHELTER_FILE_CLASS[f] == 2 || (f > 0 && SHELTER_FILE_CLASS[f - 1] == 2) ||
                    (f < 7 && SHELTER_FILE_CLASS[f + 1] == 2);
    return centre;
}();

bool centre_file(int f) { return CENTRE_FILES[f]; }

bool unmoved_rook_on(const Position* pos, int side, int square) {
    return pos->kind[square] == ROOK && pos->colour[square] == side && pos->moved[square] == 0;
}

// Each file of `file_mask` as a byte of ones, file a lowest: bit f goes to
// bit f of byte f, and each byte that has it becomes 0xFF.
constexpr uint64_t file_byte_mask(uint8_t file_mask) {
    const uint64_t spread = (file_mask * 0x0101010101010101ull) & 0x8040201008040201ull;
    const uint64_t high = ((spread & 0x7F7F7F7F7F7F7F7Full) + 0x7F7F7F7F7F7F7F7Full) | spread;
    return ((high >> 7) & 0x0101010101010101ull) * 0xFF;
}

constexpr bool file_byte_masks_right() {
    for (int mask = 0; mask < 256; ++mask) {
        uint64_t expected = 0;
        for (int f = 0; f < 8; ++f)
            if (mask & (1 << f)) expected |= uint64_t(0xFF) << (8 * f);
        if (file_byte_mask(uint8_t(mask)) != expected) return false;
    }
    return true;
}
static_assert(file_byte_masks_right());

// The side's pawns on the files of `file_mask`: one count over the file
// bytes, instead of a count per file (whose eight unrolled copies made a
// sixth of the evaluation's code).
int pawns_on_files(const Position* pos, int side, uint8_t file_mask) {
    uint64_t x = pawn_file_word(pos, side) & file_byte_mask(file_mask);
    // The set bits by sums of bit fields (the count instruction is not assumed).
    x = x - ((x >> 1) & 0x5555555555555555ull);
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return int((x * 0x0101010101010101ull) >> 56);
}

// A centre pawn on its start square, blocked, in front of the undeveloped
// bishop that needs it to move: the penalty of the side's d- and e-pawns.
// Asked once per side rather than per pawn; being on its start square, such
// a pawn is never advanced far enough for the guarded-front bonus, which
// scales the pawn's value so far, so the term simply adds.
int blocked_bishop_pawns(const Position* pos, int us) {
    const int pawn_home = us == WHITE ? 8 : 48;
    const int piece_home = us == WHITE ? 0 : 56;
    const int ahead = us == WHITE ? 8 : -8;
    int v = 0;
    for (int f : {3, 4}) {
        const int pawn = pawn_home + f;
        const int bishop = piece_home + (f == 3 ? 2 : 5);
        if (pos->kind[pawn] == PAWN && pos->colour[pawn] == us && pos->colour[pawn + ahead] != NO_COLOUR &&
            pos->kind[bishop] == BISHOP && pos->colour[bishop] == us)
            v -= UNDEVELOPED_BISHOP_BLOCK;
    }
    return v;
}

// The side's pawn values: the pawn-only facts (eval/pawn_facts.h) and what
// the kings, the pieces and the game phase add to them.
int side_pawns(Position* pos, int us, int them_to_move, const PawnSideFacts& facts) {
    const int them = us ^ 1;
    const AttackRecord* A = pos->attacks[us];
    const AttackRecord* E = pos->attacks[them];
    const int step = us == WHITE ? 8 : -8;
    const int16_t* pst = square_table(PAWN, us);
    const int own_king = king_square(pos, us);
    const int their_king = king_square(pos, them);
    const int their_weight = int(pos->material_counts[them] & 0xFF);
    const int own_weight = int(pos->material_counts[us] & 0xFF);
    const bool they_have_heavy = ((pos->rook_slots[them] | pos->queen_slots[them]) & pos->slots[them]) != 0;
    const bool king_unmoved = pos->moved[own_king] == 0;
    const uint8_t castle_mask = king_unmoved ? castling_files(pos, us) : 0;

    // Shelter, once the enemy has pieces enough for an attack: an unmoved
    // king counts the pawns of the files it may castle to; a moved one the
    // pawns near the square in front of it, moved one file toward the centre
    // on the edge files. Per pawn the value is the file's base shifted by
    // the pawn's distance; a base of 0 leaves no shelter.
    int shelter_centre = 0;
    int shelter_wing = 0;
    int shelter_origin = own_king;
    if (their_weight > 4) {
        if (king_unmoved) {
            shelter_centre = 2 * pos->phase;
            shelter_wing = pos->phase_half + 2 * pos->phase;
        } else {
            const int ahead = own_king + step;
            if (ahead >= 0 && ahead < 64) {
                shelter_origin = file_of(ahead) == 0 ? ahead + 1 : file_of(ahead) == 7 ? ahead - 1 : ahead;
                shelter_centre = 2 * pos->phase;
                shelter_wing = 3 * pos->phase;
            }
        }
    }

    const bool storm = own_weight > 6 && king_wing[us] != KING_WING_NONE;
    int storm_shift = 0;
    bool storm_advance = false;
    if (storm) {
        storm_shift = king_wing[us] + ((own_weight - 5) >> 2);
        storm_advance = king_wing[us] == KING_WING_SAME ||
                        pawns_on_files(pos, us, far_wing_files[us]) >= pawns_on_files(pos, them, far_wing_files[us]);
    }

    int sum = facts.fixed_value + blocked_bishop_pawns(pos, us);
    int index = 0;
    for (uint64_t pawns = pawn_file_word(pos, us); pawns; pawns &= pawns - 1) {
        const int bit = __builtin_ctzll(pawns);
        const int f = bit >> 3;
        const int q = square_at(f, bit & 7);
        const uint32_t flags = facts.flags[index++];
        const int r = RELATIVE_RANK[us][rank_of(q)];
        const int front = q + step;
        const bool front_guarded = (flags & PAWN_FRONT_GUARDED) != 0;
        const bool enemy_pawn_in_front = (flags & PAWN_ENEMY_IN_FRONT) != 0;
        const bool open_file = (flags & PAWN_OPEN_FILE) != 0;

        int v = pst[q];

        // Shelter, by masks rather than branches: which pawns stand on the
        // castling files or near the king follows no pattern.
        {
            const int edge = edge_distance_of_rank[rank_of(q)];
            const bool centre = centre_file(f);
            // A mask: the compiler would branch on the file.
            const int base = shelter_wing ^ ((shelter_wing ^ shelter_centre) & -int(centre));
            int s;
            if (king_unmoved) {
                s = (base & -int(castle_mask >> f & 1)) >> edge;
                // A guarded pawn of the wing files shelters better.
                s += (s >> 2) & -int(!centre & ((flags & PAWN_SHELTER_GUARD) != 0));
            } else {
                const int dist = king_distance[shelter_origin][q];
                // The shift is at least 0: a pawn never stands on an edge
                // rank, so its edge distance is at least 1; at most 9.
                s = (base >> (dist - 1 + edge)) & -int(dist < 3);
            }
            v += s;
        }

        // Pawn-colour bytes: how much the pawn weighs on its square colour
        // for the own bishop, most when it is fixed.
        // (Selections, not branches: whether the square in front is taken
        // follows no pattern.)
        const int c = CORNER_DISTANCE[q];
        const bool fixed = (flags & (PAWN_ENEMY_IN_FRONT | PAWN_ATTACKED | PAWN_FRONT_GUARDED)) == PAWN_ENEMY_IN_FRONT;
        const bool front_taken = pos->colour[front] != NO_COLOUR;
        const int movable_weight = front_taken ? (c / 2 + c) / 2 : c / 2;
        const int weight = fixed ? c : movable_weight;
        pos->pawn_colour_weights[us][square_colour[q]] += weight;

        // A mask: whether an advanced pawn's front is guarded follows no pattern.
        v += (((v + 8) >> 2) + r) & -int(front_guarded & (r >= 3));

        // Weakness (the pawn-only parts are in the facts' fixed value): a
        // piece blocking a weak pawn, the phase's share of isolation, and the
        // heavy pieces that use a weak pawn's open file.
        if (flags & PAWN_WEAK) {
            if (!front_guarded && !enemy_pawn_in_front && pos->colour[front] == them)
                v -= WEAK_PAWN_BLOCKER[pos->kind[front]];
            if (flags & PAWN_ISOLATED) {
                v -= pos->phase_rest_half;
                if (open_file && they_have_heavy) v -= 8;
            }
            if (flags & PAWN_BACKWARD) {
                v -= open_file && they_have_heavy ? 11 : 3;
                if (!enemy_pawn_in_front && attack_count(E[front].direct) <= attack_count(A[front].direct)) v += 4;
            }
        }

        if (flags & PAWN_DOUBLED) v -= pos->phase_rest_quarter;

        // Storm: pawns of the wing away from the own king march on.
        if (storm && (far_wing_files[us] & (1u << f))) {
            v -= 2 << storm_shift;
            if (r > 2 && storm_advance) {
                int advance = STORM_STEP[r] << storm_shift;
                if (flags & PAWN_STORM_HALVED) advance >>= 1;
                v += advance;
            }
        }

        // Passed pawn (a weak passer keeps its term; a backward pawn is not
        // counted as passed) or candidate.
        if (flags & PAWN_PASSED)
            v += passed_pawn_value(pos, us, q, them_to_move);
        else if (flags & PAWN_CANDIDATE)
            v += std::abs(f - file_of(their_king)) + ((r - (r == 2 ? 1 : 0)) << pos->phase_rest_eighth) +
                 pos->phase_rest_half;
        sum += v;
    }
    return sum;
}

}  // namespace

// The files where an unmoved king may still find its shelter after castling,
// all keyed on the a-side rook: with both rooks unmoved files a-b and f-h;
// with only the a-side rook files a-b and the centre files d-f where the king
// may also stay. Without the a-side rook the mask is empty whatever the
// h-side rook: the king's shelter then waits until it has castled and is
// counted from the pawns near it.
uint8_t castling_files(const Position* pos, int side) {
    const bool a_rook = unmoved_rook_on(pos, side, castle_rook_squares[CASTLE_A_SIDE][side]);
    const bool h_rook = unmoved_rook_on(pos, side, castle_rook_squares[CASTLE_H_SIDE][side]);
    if (!a_rook) return 0;
    return h_rook ? FILES_A_B | FILES_F_H : FILES_A_B | FILES_D_F;
}

int eval_pawn_structure(Position* pos, int white_to_move, int black_to_move) {
    pos->pawn_colour_weights[WHITE][0] = pos->pawn_colour_weights[WHITE][1] = 0;
    pos->pawn_colour_weights[BLACK][0] = pos->pawn_colour_weights[BLACK][1] = 0;
    if (((pos->pawn_slots[WHITE] & pos->slots[WHITE]) | (pos->pawn_slots[BLACK] & pos->slots[BLACK])) == 0) return 0;
    const PawnSideFacts* facts = pawn_facts(pos);
    int sum = side_pawns(pos, WHITE, black_to_move, facts[WHITE]) - side_pawns(pos, BLACK, white_to_move, facts[BLACK]);
    if (search_flags & EF_HYPER_MODERN) {
        // Hyper-Modern Play: the root side pays for the weight of its pawns
        // on both square colours, most for fixed central ones, and so
        // prefers to hold the centre with pieces.
        const int rs = root_side_to_move;
        const int h = (pos->pawn_colour_weights[rs][0] + pos->pawn_colour_weights[rs][1]) / 2;
        sum += rs == WHITE ? -h : h;
    }
    return sum;
}
