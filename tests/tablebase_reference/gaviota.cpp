#include "gaviota.h"

#include <sys/stat.h>

#include <cstdlib>

#include "tablebase/entry_value.h"

#ifdef MORVAX_GAVIOTA
#include <gtb-probe.h>
#endif

namespace gaviota {

#ifdef MORVAX_GAVIOTA

namespace {

int state = 0;  // 0 not tried, 1 started, -1 missing
std::string missing;

unsigned char piece_of(char letter) {
    switch (letter) {
        case 'p': return tb_PAWN;
        case 'n': return tb_KNIGHT;
        case 'b': return tb_BISHOP;
        case 'r': return tb_ROOK;
        case 'q': return tb_QUEEN;
        default: return tb_KING;
    }
}

}  // namespace

bool available(std::string* why) {
    if (state == 0) {
        struct stat info;
        const std::string folder = MORVAX_GAVIOTA_TABLES;
        if (stat((folder + "/kqk.gtb.cp4").c_str(), &info) != 0) {
            missing = "no Gaviota tables in " + folder;
            state = -1;
        } else {
            static const char** paths = nullptr;
            paths = tbpaths_add(tbpaths_init(), folder.c_str());
            tb_init(0, tb_CP4, paths);
            tbcache_init(size_t(32) << 20, 10);
            // The library keeps what it was given until it is told it is done:
            // hand it all back at exit, so the leak checker sees nothing kept.
            std::atexit([] {
                tbcache_done();
                tb_done();
                paths = tbpaths_done(paths);
            });
            // All three- and four-men tables.
            state = (tb_availability() & 0xF) == 0xF ? 1 : -1;
            if (state < 0) missing = "incomplete Gaviota tables in " + folder;
        }
    }
    if (why != nullptr) *why = missing;
    return state > 0;
}

bool result_of(const std::vector<tb_positions::Man>& men, const int* squares, int side, int invert, int en_passant,
               int* result) {
    unsigned squares_of[2][8];
    unsigned char pieces_of[2][8];
    int count[2] = {0, 0};
    for (size_t i = 0; i < men.size(); ++i) {  // kings first
        const int colour = men[i].list ^ invert;
        squares_of[colour][count[colour]] = unsigned(squares[i]);
        pieces_of[colour][count[colour]++] = piece_of(men[i].letter);
    }
    for (int colour = 0; colour < 2; ++colour) {
        squares_of[colour][count[colour]] = tb_NOSQUARE;
        pieces_of[colour][count[colour]] = tb_NOPIECE;
    }
    const unsigned to_move = unsigned(side ^ invert);
    unsigned info = 0, plies = 0;
    if (!tb_probe_hard(to_move, en_passant == TB_NO_EN_PASSANT ? unsigned(tb_NOSQUARE) : unsigned(en_passant),
                       tb_NOCASTLE, squares_of[0], squares_of[1], pieces_of[0], pieces_of[1], &info, &plies))
        return false;
    if (info == tb_DRAW) {
        *result = 0;
        return true;
    }
    if (info != tb_WMATE && info != tb_BMATE) return false;
    const bool mover_wins = (info == tb_WMATE) == (to_move == tb_WHITE_TO_MOVE);
    if (mover_wins) {
        *result = int(plies + 1) / 2;
    } else {
        *result = plies == 0 ? TB_MATED_NOW : -int(plies / 2);
    }
    return true;
}

#else

bool available(std::string* why) {
    if (why != nullptr) *why = "Gaviota's probe library is not installed";
    return false;
}

bool result_of(const std::vector<tb_positions::Man>&, const int*, int, int, int, int*) { return false; }

#endif

}  // namespace gaviota
