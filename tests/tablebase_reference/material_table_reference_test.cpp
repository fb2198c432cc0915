// The material table's drawn-without-pawns flag against Gaviota's tables:
// every flagged material of three or four men must be a draw in most of its
// positions. The flag scores a position as a draw outright, so a flag on a
// material that is mostly won throws away won games.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "eval/material_table.h"
#include "gaviota.h"
#include "tb_positions.h"

namespace {

// The men of a pawnless material, in tablebase letters.
std::string letters(const TableMaterial& m) {
    std::string s;
    for (int i = 0; i < m.queens; ++i) s += 'q';
    for (int i = 0; i < m.rooks; ++i) s += 'r';
    for (int i = 0; i < m.light_bishops + m.dark_bishops; ++i) s += 'b';
    for (int i = 0; i < m.knights; ++i) s += 'n';
    return s;
}

// Whether each bishop stands on the square colour its material names (a
// light and a dark one, or a single one of the given colour).
bool bishops_fit(const std::vector<tb_positions::Man>& men, const std::vector<int>& squares,
                 const TableMaterial* sides[2]) {
    int light[2] = {0, 0}, dark[2] = {0, 0};
    for (size_t i = 0; i < men.size(); ++i) {
        if (men[i].letter != 'b') continue;
        // a1 is dark: a square is light when its file and rank differ in parity.
        const bool is_light = ((squares[i] & 7) + (squares[i] >> 3)) % 2 == 1;
        ++(is_light ? light : dark)[men[i].list];
    }
    for (int list = 0; list < 2; ++list)
        if (light[list] != sides[list]->light_bishops || dark[list] != sides[list]->dark_bishops) return false;
    return true;
}

// Random positions per side to move.
constexpr int SAMPLES = 4000;
// A drawn flag needs at least half of the positions drawn, both sides to
// move counted: queen against queen, a theoretical draw, comes to 58 % (a
// man is lost at once in many random positions), while the won materials
// beside the flagged ones stay below 10 % (queen against rook 3 %).
constexpr double DRAWN_SHARE = 0.5;

TEST(MaterialTableReference, TheDrawnFlagLiesOnlyOnMaterialsGaviotaHoldsDrawn) {
    std::string why;
    if (!gaviota::available(&why)) GTEST_SKIP() << why;
    int checked = 0;
    for (int a = 0; a < MATERIAL_TABLE_SIZE; a += 9) {      // pawnless materials only
        for (int b = 0; b < MATERIAL_TABLE_SIZE; b += 9) {
            if (!(material_table[a][b] & MT_DRAWN_WITHOUT_PAWNS)) continue;
            const TableMaterial ma = table_material(a), mb = table_material(b);
            const std::string first = letters(ma), second = letters(mb);
            if (first.size() + second.size() > 2) continue;  // more than four men: no reference
            const std::string name = "k" + first + "k" + second;
            const std::vector<tb_positions::Man> men = tb_positions::men_of(name.c_str());
            const TableMaterial* sides[2] = {&ma, &mb};
            tb_positions::Random random;
            random.state += uint64_t(a) * 648 + uint64_t(b);
            int drawn = 0, total = 0;
            std::vector<int> squares(men.size());
            while (total < 2 * SAMPLES) {
                const int side = total & 1;
                int en_passant = 0;
                tb_positions::random_position(men, side, 0, random, squares, &en_passant, false);
                if (!bishops_fit(men, squares, sides)) continue;
                int result = 0;
                ASSERT_TRUE(gaviota::result_of(men, squares.data(), side, 0, en_passant, &result)) << name;
                drawn += result == 0;
                ++total;
            }
            const double share = double(drawn) / total;
            EXPECT_GE(share, DRAWN_SHARE) << name << " (" << a << ", " << b << ")";
            ++checked;
        }
    }
    // Rook against rook, queen against queen, rook against minor, both ways.
    EXPECT_GT(checked, 0);
}

}  // namespace
