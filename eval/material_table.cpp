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
// 4. Without pawns on either side (material_scale, drawn_without_pawns): a
//    piece surplus below the exchange (224) is a draw; an exchange more
//    scales the score by 7/8, a minor piece more by 4/8 (when the queens are
//    equal: a queen against minors is a win). A lone minor without pawns
//    cannot win against pawns, so when it is ahead its score is scaled by 2/8.
//
// Every rule is symmetric in the two sides, so values are antisymmetric
// (entry [a][b] = -entry [b][a]), 0 on the diagonal, and codes, scales and
// flags hold both ways; no rule looks at a bishop's square colour, so the
// table is unchanged when light and dark bishops swap on both sides.
#include "eval/material_table.h"

#include "eval/material.h"
#include "platform/memory.h"

LargePageStorage<MaterialTable> material_table_storage;

namespace {

constexpr int KNIGHT_VALUE = 416;
constexpr int BISHOP_VALUE = 416;
constexpr int ROOK_VALUE = 640;
constexpr int QUEEN_VALUE = 1248;
constexpr int EXCHANGE = ROOK_VALUE - BISHOP_VALUE;

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

bool drawn_without_pawns(const TableMaterial& a, const TableMaterial& b) {
    if (a.pawns != 0 || b.pawns != 0 || pieceless(a) || pieceless(b)) return false;
    int surplus = pieces_value(a) - pieces_value(b);
    return (surplus < 0 ? -surplus : surplus) < EXCHANGE;
}

int material_scale(const TableMaterial& a, const TableMaterial& b) {
    if (a.pawns == 0 && b.pawns == 0 && a.queens == b.queens) {
        int surplus = pieces_value(a) - pieces_value(b);
        if (surplus < 0) surplus = -surplus;
        if (surplus >= EXCHANGE && surplus < KNIGHT_VALUE) return 7;
        if (surplus >= KNIGHT_VALUE && surplus < KNIGHT_VALUE + 192) return 4;
    }
    for (int way = 0; way < 2; ++way) {
        const TableMaterial& x = way == 0 ? a : b;
        const TableMaterial& y = way == 0 ? b : a;
        if (lone_minor(x) && x.pawns == 0 && pieceless(y) && y.pawns > 0 && total_value(x) > total_value(y)) return 2;
    }
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
