// The material table is not data of its own: every entry follows from the
// rules below, applied at start-up to all 648 x 648 pairs.
//
// 1. Endgame codes (endgame_code) for exactly the material classes that have
//    a specialised term; such an entry carries the code and no value.
// 2. Otherwise the value is the imbalance term that eval_material computes
//    for materials outside the table (material_imbalance, with the side to
//    move as White), so that a material scores the same whichever way it is
//    evaluated; limited to +-1023 to fit the field.
// 3. Five pairs whose value experience fixes are set exactly (telling_value):
//    bishop pair against two knights +18 and rook against bishop and knight
//    -99 (both as the formula gives them), queen against two rooks +80 (the
//    formula gives 83), knight against bishop with five pawns each +13 (0),
//    and a bare rook against a bare minor -192 with scale 7 (0); the first
//    four with eight pawns each.
// 4. The drawn-without-pawns flag (drawn_without_pawns) on the pawnless
//    materials that endgame theory holds drawn with correct defence, and
//    the scales (material_scale) of materials that are hard to win; both
//    are explained at their functions.
//
// Every rule is symmetric in the two sides, so values are antisymmetric
// (entry [a][b] = -entry [b][a]), 0 on the diagonal, and codes, scales and
// flags hold both ways; the only rule that looks at a bishop's square colour
// compares the two sides' bishops, so the table is unchanged when light and
// dark bishops swap on both sides.
#include "eval/material_table.h"

#include <algorithm>

#include "eval/material.h"
#include "platform/memory.h"

LargePageStorage<MaterialTable> material_table_storage;

namespace {

constexpr int KNIGHT_VALUE = 416;
constexpr int BISHOP_VALUE = 416;
constexpr int ROOK_VALUE = 640;
constexpr int QUEEN_VALUE = 1248;
constexpr int EXCHANGE = ROOK_VALUE - BISHOP_VALUE;
// Pieces of at most a queen and a minor: light enough for the known drawing
// techniques of pawnless endings to hold.
constexpr int LIGHT_PAWNLESS = QUEEN_VALUE + KNIGHT_VALUE;
// Pieces of at most a rook and a minor: an ending, where a pawn or a piece
// more is often not enough.
constexpr int ENDING_PIECES = ROOK_VALUE + KNIGHT_VALUE;

int bishops(const TableMaterial& m) { return m.light_bishops + m.dark_bishops; }
int minors(const TableMaterial& m) { return m.knights + bishops(m); }
bool pieceless(const TableMaterial& m) { return minors(m) + m.rooks + m.queens == 0; }
bool bare(const TableMaterial& m) { return pieceless(m) && m.pawns == 0; }

int pieces_value(const TableMaterial& m) {
    return KNIGHT_VALUE * m.knights + BISHOP_VALUE * bishops(m) + ROOK_VALUE * m.rooks + QUEEN_VALUE * m.queens;
}
int total_value(const TableMaterial& m) { return pieces_value(m) + 128 * m.pawns; }

// Exactly these men besides the king (b counts bishops of either colour).
bool is(const TableMaterial& m, int knights, int b, int rooks, int queens, int pawns) {
    return m.knights == knights && bishops(m) == b && m.rooks == rooks && m.queens == queens && m.pawns == pawns;
}
bool lone_bishop(const TableMaterial& m) { return is(m, 0, 1, 0, 0, m.pawns); }
bool lone_minor(const TableMaterial& m) { return minors(m) == 1 && m.rooks == 0 && m.queens == 0; }

MaterialCounts counts(const TableMaterial& m) { return {m.pawns, m.knights, bishops(m), m.rooks, m.queens}; }

// The code of the class "a against b", looked at in this order only (the
// caller tries both orders).
int one_way_code(const TableMaterial& a, const TableMaterial& b) {
    if (bare(a)) {
        if (bare(b)) return EG_DRAWN_MATERIAL;
        if (lone_minor(b) && b.pawns == 0) return EG_DRAWN_MATERIAL;
        if (is(b, 2, 0, 0, 0, 0)) return EG_MINOR_DRAW;
        if (lone_bishop(b) && b.pawns > 0) return EG_BARE_KING_BISHOP;
        if (!pieceless(b) && b.pawns <= 1) return EG_BARE_KING;
        if (pieceless(b) && b.pawns == 1) return EG_KING_PAWN_VS_KING;
        if (pieceless(b) && b.pawns >= 2) return EG_PAWN_ENDGAME;
        return 0;
    }
    if (lone_minor(a) && a.pawns == 0 && lone_minor(b) && b.pawns == 0) return EG_MINOR_DRAW;
    if (pieceless(a) && a.pawns > 0) {
        if (pieceless(b) && b.pawns > 0) return EG_PAWN_ENDGAME;
        if (lone_bishop(b) && b.pawns > 0) return EG_BISHOP_PAWNS;
        if (a.pawns == 1 && is(b, 0, 0, 0, 1, 0)) return EG_PAWN_VS_QUEEN;
    }
    if (is(a, 0, 0, 1, 0, 0) && is(b, 0, 0, 1, 0, 1)) return EG_ROOK_PAWN_VS_ROOK;
    if (lone_bishop(a) && a.pawns == 1 && is(b, 1, 0, 0, 0, 0)) return EG_BLOCKED_PAWN;
    if (lone_bishop(a) && a.pawns == 0 && lone_bishop(b) && b.pawns == 1) return EG_BLOCKED_PAWN;
    return 0;
}

// The five pairs of rule 3, from a's side; false for every other pair.
bool one_way_telling_value(const TableMaterial& a, const TableMaterial& b, int* value) {
    if (is(a, 0, 2, 0, 0, 8) && is(b, 2, 0, 0, 0, 8)) *value = 18;
    else if (is(a, 0, 0, 1, 0, 8) && is(b, 1, 1, 0, 0, 8)) *value = -99;
    else if (is(a, 0, 0, 0, 1, 8) && is(b, 0, 0, 2, 0, 8)) *value = 80;
    else if (is(a, 1, 0, 0, 0, 5) && is(b, 0, 1, 0, 0, 5)) *value = 13;
    else if (is(a, 0, 0, 1, 0, 0) && lone_minor(b) && b.pawns == 0) *value = -192;
    else return false;
    return true;
}

bool telling_value(const TableMaterial& a, const TableMaterial& b, int* value) {
    if (one_way_telling_value(a, b, value)) return true;
    if (!one_way_telling_value(b, a, value)) return false;
    *value = -*value;
    return true;
}

// Pawnless endings that theory holds drawn with correct defence; both
// sides keep at least a piece (a bare king's materials have endgame codes).
// The flag scores such a position as a draw outright, so it goes only where
// the defence is a known technique rather than a hope:
// - light material and less than the exchange between the sides: at most
//   a queen and a minor each (rook against rook, queen against queen, queen
//   against two rooks or against a rook and a minor, rook against two
//   minors, rook and minor each, two minors each, queen and minor each).
//   With more on the board the attack on a king decides too often.
// - one minor piece more against a single piece: rook and minor against
//   rook, queen and minor against queen, two minors against one, but not
//   the bishop pair against a knight, which wins.
// - a rook against a minor: the defender's king in the safe corner, the
//   knight beside its king (in most positions of Gaviota's tables a draw,
//   more than in queen against queen). It keeps its value and scale for the
//   positions where a man hangs and the flag does not hold.
bool drawn_without_pawns(const TableMaterial& a, const TableMaterial& b) {
    if (a.pawns != 0 || b.pawns != 0 || pieceless(a) || pieceless(b)) return false;
    const bool a_ahead = pieces_value(a) >= pieces_value(b);
    const TableMaterial& strong = a_ahead ? a : b;
    const TableMaterial& weak = a_ahead ? b : a;
    const int surplus = pieces_value(strong) - pieces_value(weak);
    if (surplus < EXCHANGE) return pieces_value(strong) <= LIGHT_PAWNLESS;
    if (is(strong, 0, 0, 1, 0, 0) && lone_minor(weak)) return true;
    const int weak_pieces = minors(weak) + weak.rooks + weak.queens;
    if (weak_pieces != 1 || minors(strong) != minors(weak) + 1) return false;
    if (strong.rooks != weak.rooks || strong.queens != weak.queens) return false;
    return !(is(strong, 0, 2, 0, 0, 0) && is(weak, 1, 0, 0, 0, 0));
}

// Scales for materials that are hard to win, the smaller the harder;
// symmetric in the two sides (the side ahead decides which rule holds):
// - without pawns and with light material (at most a queen and a minor on
//   the stronger side; the drawn flag aside): an exchange more 7, a minor
//   piece more 4 (equal queens; a queen against minors wins);
// - the side ahead in material has no pawn and at most a minor piece more
//   in pieces: it has to mate with what it has while the pawns of the other
//   side cost it material. A lone minor cannot mate: 2; against no more than
//   a minor 3; else 4 in an ending (at most a rook and a minor);
// - the side ahead has one pawn and at most a minor more in pieces, in an
//   ending: the defender gives a piece for the pawn or blocks it: 6;
// - opposite-coloured bishops alone: a pawn or none more 4, two more 5, the
//   bishop of the defender holding the squares of the other colour;
// - equal pieces of at most two rooks' worth and a single pawn more with at
//   most four pawns for the side ahead: 7 (rook endings above all hold a
//   pawn down).
int material_scale(const TableMaterial& a, const TableMaterial& b) {
    if (a.pawns == 0 && b.pawns == 0) {
        if (a.queens != b.queens) return 0;
        int surplus = pieces_value(a) - pieces_value(b);
        if (surplus < 0) surplus = -surplus;
        if (std::max(pieces_value(a), pieces_value(b)) > LIGHT_PAWNLESS) return 0;
        if (surplus >= EXCHANGE && surplus < KNIGHT_VALUE) return 7;
        if (surplus >= KNIGHT_VALUE && surplus < KNIGHT_VALUE + 192) return 4;
        return 0;
    }
    const bool a_ahead = total_value(a) >= total_value(b);
    const TableMaterial& x = a_ahead ? a : b;
    const TableMaterial& y = a_ahead ? b : a;
    if (total_value(x) == total_value(y)) return 0;
    const int piece_surplus = pieces_value(x) - pieces_value(y);
    if (x.pawns == 0 && piece_surplus <= KNIGHT_VALUE) {
        if (lone_minor(x)) return 2;
        if (pieces_value(y) <= BISHOP_VALUE) return 3;
        return pieces_value(x) <= ENDING_PIECES ? 4 : 0;
    }
    if (x.pawns == 1 && piece_surplus >= 0 && piece_surplus <= KNIGHT_VALUE && pieces_value(x) <= ENDING_PIECES) return 6;
    if (lone_bishop(x) && lone_bishop(y) && x.light_bishops != y.light_bishops) {
        const int more = x.pawns - y.pawns;
        if (more <= 1) return 4;
        if (more == 2) return 5;
        return 0;
    }
    if (piece_surplus == 0 && x.pawns == y.pawns + 1 && x.pawns <= 4 && pieces_value(x) <= 2 * ROOK_VALUE) return 7;
    return 0;
}

}  // namespace

int endgame_code(const TableMaterial& mover, const TableMaterial& other) {
    int code = one_way_code(mover, other);
    return code != 0 ? code : one_way_code(other, mover);
}

uint16_t material_table_rule(const TableMaterial& mover, const TableMaterial& other) {
    const int code = endgame_code(mover, other);
    if (code != 0) return uint16_t(MT_SPECIAL | code);

    int value = 0;
    if (!telling_value(mover, other, &value))
        value = material_imbalance(pieces_value(mover), pieces_value(other), counts(mover), counts(other));
    if (value > MT_VALUE_LIMIT) value = MT_VALUE_LIMIT;
    if (value < -MT_VALUE_LIMIT) value = -MT_VALUE_LIMIT;

    uint16_t entry = uint16_t(value + MT_VALUE_BIAS);
    entry |= uint16_t(material_scale(mover, other) << MT_SCALE_SHIFT);
    if (drawn_without_pawns(mover, other)) entry |= MT_DRAWN_WITHOUT_PAWNS;
    return entry;
}

void init_material_table() {
    request_large_pages(material_table_storage);
    static TableMaterial materials[MATERIAL_TABLE_SIZE];
    for (int i = 0; i < MATERIAL_TABLE_SIZE; ++i) materials[i] = table_material(i);
    for (int a = 0; a < MATERIAL_TABLE_SIZE; ++a)
        for (int b = 0; b < MATERIAL_TABLE_SIZE; ++b) material_table[a][b] = material_table_rule(materials[a], materials[b]);
}

namespace {
// Built before main: the table is constant for the whole run and the
// evaluation reads it from the first search on.
[[maybe_unused]] const bool material_table_ready = (init_material_table(), true);
}  // namespace
