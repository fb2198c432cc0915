// The material table as a whole: its symmetries, the values experience fixes,
// and the endgame codes counted against a second, independent description of
// their classes.
#include "eval/material_table.h"

#include <gtest/gtest.h>

#include <map>

#include "eval/material.h"
#include "position/material.h"
#include "position/position.h"
#include "test_board.h"

namespace {

// A material written out by its men.
struct Men {
    int pawns = 0, knights = 0, light = 0, dark = 0, rooks = 0, queens = 0;
};

int index_of(const Men& m) {
    return 324 * m.queens + 108 * m.rooks + 27 * m.light + 54 * m.dark + 9 * m.knights + m.pawns;
}
uint16_t entry(const Men& mover, const Men& other) { return material_table[index_of(mover)][index_of(other)]; }

Men swapped_bishops(Men m) {
    std::swap(m.light, m.dark);
    return m;
}

// Every material the table holds, by its men.
template <typename F>
void for_each_material(F f) {
    for (int q = 0; q <= 1; ++q)
        for (int r = 0; r <= 2; ++r)
            for (int light = 0; light <= 1; ++light)
                for (int dark = 0; dark <= 1; ++dark)
                    for (int n = 0; n <= 2; ++n)
                        for (int p = 0; p <= 8; ++p) f(Men{p, n, light, dark, r, q});
}

TEST(MaterialTable, ValuesAreAntisymmetricAndZeroForEqualMaterial) {
    int special = 0;
    for (int a = 0; a < MATERIAL_TABLE_SIZE; ++a) {
        for (int b = 0; b < MATERIAL_TABLE_SIZE; ++b) {
            uint16_t ab = material_table[a][b], ba = material_table[b][a];
            ASSERT_EQ(ab & MT_SPECIAL, ba & MT_SPECIAL) << a << " " << b;
            if (ab & MT_SPECIAL) {
                ++special;
                continue;
            }
            ASSERT_EQ(mt_value(ab), -mt_value(ba)) << a << " " << b;
            ASSERT_EQ(mt_scale(ab), mt_scale(ba)) << a << " " << b;
            ASSERT_EQ(ab & MT_DRAWN_WITHOUT_PAWNS, ba & MT_DRAWN_WITHOUT_PAWNS) << a << " " << b;
        }
        if (!(material_table[a][a] & MT_SPECIAL)) {
            ASSERT_EQ(mt_value(material_table[a][a]), 0) << a;
        }
    }
    EXPECT_EQ(special, 674);
    // The balanced start material.
    Men full{8, 2, 1, 1, 2, 1};
    EXPECT_EQ(entry(full, full), MT_VALUE_BIAS);
}

TEST(MaterialTable, UnchangedWhenLightAndDarkBishopsSwapOnBothSides) {
    for_each_material([](const Men& a) {
        for_each_material([&](const Men& b) {
            ASSERT_EQ(entry(a, b), entry(swapped_bishops(a), swapped_bishops(b)))
                << index_of(a) << " " << index_of(b);
        });
    });
}

TEST(MaterialTable, TellingValues) {
    for (int colour = 0; colour < 2; ++colour) {
        Men bishop = colour ? Men{0, 0, 0, 1} : Men{0, 0, 1, 0};
        Men bishop5 = bishop;
        bishop5.pawns = 5;
        Men bishop_knight8 = bishop;
        bishop_knight8.knights = 1;
        bishop_knight8.pawns = 8;
        struct Case {
            const char* what;
            Men mover, other;
            int value, scale;
        } cases[] = {
            {"bishop pair against two knights", {8, 0, 1, 1}, {8, 2}, 18, 0},
            {"rook against bishop and knight", {8, 0, 0, 0, 1}, bishop_knight8, -99, 0},
            {"queen against two rooks", {8, 0, 0, 0, 0, 1}, {8, 0, 0, 0, 2}, 80, 0},
            {"knight against bishop, five pawns each", {5, 1}, bishop5, 13, 0},
            {"bare rook against bare bishop", {0, 0, 0, 0, 1}, bishop, -192, 7},
            {"bare rook against bare knight", {0, 0, 0, 0, 1}, {0, 1}, -192, 7},
        };
        for (const Case& c : cases) {
            uint16_t e = entry(c.mover, c.other);
            ASSERT_FALSE(e & MT_SPECIAL) << c.what;
            EXPECT_EQ(mt_value(e), c.value) << c.what;
            EXPECT_EQ(mt_scale(e), c.scale) << c.what;
            EXPECT_EQ(mt_scale(entry(c.other, c.mover)), c.scale) << c.what;
        }
    }
}

// Outside the telling pairs a material scores the same through the table as
// through eval_material on a real position: the values are worked out by hand
// from the trade-down bonus and the class bonuses (f, e: piece material
// without pawns), so a fault in the term, in the table's decoding of its
// indices or in the position's counts shows up on one side or the other.
TEST(MaterialTable, ValuesAgreeWithTheImbalanceTermOutsideTheTellingPairs) {
    struct Case {
        const char* fen;  // White to move, so the mover is White
        Men white, black;
        int value;
    } cases[] = {
        // f 3360, e 3136: trade-down 20; rooks -42, knight 8-4; Black: rook -12, knights 32-16.
        {"1n1q1rk1/ppppbppp/2n5/8/8/2N5/PPP1BPPP/R2Q1RK1 w - - 0 1", {6, 1, 1, 0, 2, 1}, {7, 2, 0, 1, 1, 1}, -22},
        // Equal pieces: the bishop pair against a bishop 54, Black's knight -8.
        {"4k3/pppp4/2n1b3/8/8/8/PPP5/2B1KB2 w - - 0 1", {3, 0, 1, 1, 0, 0}, {4, 1, 1, 0, 0, 0}, 62},
        // f 1280, e 1248: trade-down 9; two rooks with eight pawns -90.
        {"3qk3/ppppppp1/8/8/8/8/PPPPPPPP/R3K2R w - - 0 1", {8, 0, 0, 0, 2, 0}, {7, 0, 0, 0, 0, 1}, -81},
        // f 1472, e 640: trade-down 90; rook 8, knights -32-8; Black's rook 4.
        {"r3k3/ppppp3/8/8/8/8/PP6/RN2K1N1 w - - 0 1", {2, 2, 0, 0, 1, 0}, {5, 0, 0, 0, 1, 0}, 54},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fen);
        const uint16_t e = entry(c.white, c.black);
        ASSERT_FALSE(e & MT_SPECIAL);
        EXPECT_EQ(mt_value(e), c.value);
        ASSERT_EQ(load_test_board(c.fen), 1);
        reset_material_term(&main_position);
        eval_material(&main_position, 1);
        EXPECT_EQ(main_position.material_term, c.value);
    }
}

// The code classes described a second time, by their men, from the side to
// move's point of view (both orders are listed where the class says so).
int expected_code(const Men& a, const Men& b) {
    auto bishops = [](const Men& m) { return m.light + m.dark; };
    auto pieces = [&](const Men& m) { return m.knights + bishops(m) + m.rooks + m.queens; };
    auto bare = [&](const Men& m) { return pieces(m) == 0 && m.pawns == 0; };
    auto only_pawns = [&](const Men& m) { return pieces(m) == 0 && m.pawns > 0; };
    auto single_minor = [&](const Men& m) { return pieces(m) == 1 && m.knights + bishops(m) == 1 && m.pawns == 0; };
    auto bishop_and_pawns = [&](const Men& m) { return pieces(m) == 1 && bishops(m) == 1 && m.pawns > 0; };
    auto just = [&](const Men& m, int n, int bb, int r, int q, int p) {
        return m.knights == n && bishops(m) == bb && m.rooks == r && m.queens == q && m.pawns == p;
    };
    for (int way = 0; way < 2; ++way) {
        const Men& x = way ? b : a;
        const Men& y = way ? a : b;
        if (bare(x) && (bare(y) || single_minor(y))) return 21;
        if (bare(x) && just(y, 2, 0, 0, 0, 0)) return 20;
        if (single_minor(x) && single_minor(y)) return 20;
        if (bare(x) && bishop_and_pawns(y)) return 17;
        if (bare(x) && just(y, 0, 0, 0, 0, 1)) return 19;
        if (bare(x) && only_pawns(y)) return 18;
        if (only_pawns(x) && only_pawns(y)) return 18;
        if (bare(x) && pieces(y) > 0 && y.pawns <= 1) return 16;
        if (only_pawns(x) && bishop_and_pawns(y)) return 1;
        if (just(x, 0, 0, 0, 0, 1) && just(y, 0, 0, 0, 1, 0)) return 2;
        if (just(x, 0, 0, 1, 0, 0) && just(y, 0, 0, 1, 0, 1)) return 3;
        if (just(x, 0, 1, 0, 0, 1) && just(y, 1, 0, 0, 0, 0)) return 5;
        if (just(x, 0, 1, 0, 0, 0) && just(y, 0, 1, 0, 0, 1)) return 5;
    }
    return 0;
}

TEST(MaterialTable, EndgameCodesMarkExactlyTheirClasses) {
    std::map<int, int> counted;
    for_each_material([&](const Men& a) {
        for_each_material([&](const Men& b) {
            const uint16_t e = entry(a, b);
            const int code = e & MT_SPECIAL ? mt_code(e) : 0;
            ASSERT_EQ(code, expected_code(a, b)) << index_of(a) << " " << index_of(b);
            if (code) ++counted[code];
        });
    });
    const std::map<int, int> sizes = {{1, 256}, {2, 2},   {3, 2},  {5, 12}, {16, 272},
                                      {17, 32}, {18, 78}, {19, 2}, {20, 11}, {21, 7}};
    EXPECT_EQ(counted, sizes);
}

// The flag marks the pawnless endings that theory holds drawn, and no
// heavy material: there the attack on a king decides, equal or not.
TEST(MaterialTable, DrawnWithoutPawnsOnTheTheoreticalDrawsOnly) {
    struct Case {
        Men a, b;
        bool drawn;
        const char* what;
    };
    const Men rook{0, 0, 0, 0, 1}, queen{0, 0, 0, 0, 0, 1}, knight{0, 1}, light{0, 0, 1}, dark{0, 0, 0, 1};
    const Case cases[] = {
        {rook, rook, true, "rook against rook"},
        {queen, queen, true, "queen against queen"},
        {queen, {0, 0, 0, 0, 2}, true, "queen against two rooks"},
        {queen, {0, 1, 0, 0, 1}, true, "queen against rook and knight"},
        {rook, {0, 1, 1}, true, "rook against two minors"},
        {rook, knight, true, "rook against knight"},
        {rook, dark, true, "rook against bishop"},
        {{0, 0, 1, 0, 1}, rook, true, "rook and bishop against rook"},
        {{0, 1, 0, 0, 0, 1}, queen, true, "queen and knight against queen"},
        {{0, 1, 1}, light, true, "bishop and knight against bishop"},
        {{0, 1, 0, 0, 0, 1}, {0, 0, 1, 0, 0, 1}, true, "queen and minor each"},
        {{0, 0, 1, 1}, knight, false, "the bishop pair against a knight wins"},
        {queen, rook, false, "queen against rook"},
        {{0, 0, 0, 0, 2}, rook, false, "two rooks against a rook"},
        {{0, 0, 0, 0, 1, 1}, {0, 0, 0, 0, 1, 1}, false, "queen and rook each: too heavy"},
        {{0, 2, 1, 1, 2, 1}, {0, 2, 1, 1, 2, 1}, false, "all the pieces each"},
        {{1, 0, 0, 0, 1}, rook, false, "a pawn on the board"},
        {rook, {1}, false, "a rook against a pawn"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ((entry(c.a, c.b) & MT_DRAWN_WITHOUT_PAWNS) != 0, c.drawn) << c.what;
        EXPECT_EQ((entry(c.b, c.a) & MT_DRAWN_WITHOUT_PAWNS) != 0, c.drawn) << c.what << ", the other side to move";
    }
    for_each_material([](const Men& a) {
        for_each_material([&](const Men& b) {
            if (a.pawns + b.pawns > 0) {
                ASSERT_FALSE(entry(a, b) & MT_DRAWN_WITHOUT_PAWNS);
            }
        });
    });
}

// The scales: the side ahead cannot win with a lone minor, finds it hard
// without pawns or with a single one in an ending, and opposite-coloured
// bishops hold pawns back; full material is never scaled.
TEST(MaterialTable, ScalesOfMaterialsHardToWin) {
    struct Case {
        Men a, b;
        int scale;
        const char* what;
    };
    const Case cases[] = {
        {{0, 1}, {3}, 2, "a lone knight against three pawns"},
        {{0, 0, 0, 0, 1}, {1, 0, 1}, 3, "a rook against a bishop and a pawn"},
        {{0, 1, 1}, {1, 0, 0, 0, 1}, 4, "two minors against a rook and a pawn"},
        {{1, 0, 0, 0, 1}, {0, 0, 1}, 6, "rook and pawn against bishop"},
        {{3, 0, 1}, {1, 0, 0, 1}, 5, "opposite bishops, two pawns more"},
        {{3, 0, 1}, {2, 0, 0, 1}, 4, "opposite bishops, a pawn more"},
        {{4, 0, 1}, {3, 0, 1}, 7, "same bishops, a pawn more in an ending"},
        {{0, 0, 0, 0, 1}, {0, 1}, 7, "a rook against a knight"},
        {{0, 1, 0, 0, 1}, {0, 0, 0, 0, 1}, 4, "a minor more without pawns"},
        {{8, 2, 1, 1, 2, 1}, {7, 2, 1, 1, 2, 1}, 0, "full material and a pawn more"},
        {{0, 0, 1, 0, 1, 1}, {0, 0, 0, 0, 1, 1}, 0, "a minor more with queens and rooks"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mt_scale(entry(c.a, c.b)), c.scale) << c.what;
        EXPECT_EQ(mt_scale(entry(c.b, c.a)), c.scale) << c.what << ", the other side to move";
    }
}

TEST(MaterialIndexBase, MatchesADirectCount) {
    for (int sig = 0; sig < 0x800; sig += 0x10) {
        const int knights = signature_knights(MaterialSignature(sig));
        const int bishops = signature_bishops(MaterialSignature(sig));
        const int rooks = signature_rooks(MaterialSignature(sig));
        const int queens = signature_queens(MaterialSignature(sig));
        const int expected = knights > 2 || bishops > 2 || rooks > 2 ? 648 : 324 * queens + 108 * rooks + 9 * knights;
        EXPECT_EQ(MATERIAL_INDEX_BASE[sig >> 4], expected) << std::hex << sig;
    }
}

}  // namespace
