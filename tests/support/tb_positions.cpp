#include "tb_positions.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "position/position.h"
#include "position/setup.h"
#include "tablebase/index/square_tables.h"

namespace tb_positions {

namespace {

int slot_of(char letter) {
    switch (letter) {
        case 'p': return TB_SLOT_PAWNS;
        case 'n': return TB_SLOT_KNIGHTS;
        case 'b': return TB_SLOT_BISHOPS;
        case 'r': return TB_SLOT_ROOKS;
        case 'q': return TB_SLOT_QUEENS;
        default: return TB_SLOT_KING;
    }
}

// White when the man's list is the first and the colours are not inverted.
bool white(const Man& m, int invert) { return (m.list ^ invert) == 0; }

bool slides(int from, int to, int df, int dr, uint64_t occupied) {
    int f = (from & 7) + df, r = (from >> 3) + dr;
    while (f >= 0 && f < 8 && r >= 0 && r < 8) {
        const int s = r * 8 + f;
        if (s == to) return true;
        if (occupied >> s & 1) return false;
        f += df;
        r += dr;
    }
    return false;
}

bool man_attacks(const Man& m, int from, int to, bool is_white, uint64_t occupied) {
    const int df = (to & 7) - (from & 7), dr = (to >> 3) - (from >> 3);
    const int adf = std::abs(df), adr = std::abs(dr);
    const int sf = df > 0 ? 1 : df < 0 ? -1 : 0, sr = dr > 0 ? 1 : dr < 0 ? -1 : 0;
    switch (m.letter) {
        case 'p': return adf == 1 && dr == (is_white ? 1 : -1);
        case 'n': return (adf == 1 && adr == 2) || (adf == 2 && adr == 1);
        case 'k': return adf <= 1 && adr <= 1 && (adf | adr) != 0;
        case 'b': return adf == adr && adf != 0 && slides(from, to, sf, sr, occupied);
        case 'r': return (adf == 0) != (adr == 0) && slides(from, to, sf, sr, occupied);
        case 'q': return ((adf == adr && adf != 0) || ((adf == 0) != (adr == 0))) && slides(from, to, sf, sr, occupied);
        default: return false;
    }
}

void place_from(const std::vector<Man>& men, std::vector<int>& squares, const std::vector<bool>& fixed, size_t i,
                uint64_t occupied, const std::function<void()>& leaf) {
    while (i < men.size() && fixed[i]) ++i;
    if (i == men.size()) {
        leaf();
        return;
    }
    const bool pawn = men[i].letter == 'p';
    int from = pawn ? 8 : 0;
    const int to = pawn ? 56 : 64;
    if (i > 0 && !fixed[i - 1] && men[i - 1].list == men[i].list && men[i - 1].letter == men[i].letter)
        from = std::max(from, squares[i - 1] + 1);
    for (int s = from; s < to; ++s) {
        if (occupied >> s & 1) continue;
        squares[i] = s;
        place_from(men, squares, fixed, i + 1, occupied | uint64_t(1) << s, leaf);
    }
}

}  // namespace

void place_men(const std::vector<Man>& men, std::vector<int>& squares, const std::vector<bool>& fixed,
               uint64_t occupied, const std::function<void()>& leaf) {
    place_from(men, squares, fixed, 0, occupied, leaf);
}

void place_men_en_passant(const std::vector<Man>& men, std::vector<int>& squares, std::vector<bool>& fixed, int side,
                          uint64_t occupied, int* en_passant, const std::function<void()>& leaf) {
    size_t pushed = 0;
    while (pushed < men.size() && (men[pushed].list == side || men[pushed].letter != 'p')) ++pushed;
    if (pushed == men.size()) return;
    const int up = side == 0 ? 8 : -8;  // the side to move takes towards rank 8 (side 0) or rank 1
    for (int file = 0; file < 8; ++file) {
        *en_passant = (side == 0 ? 40 : 16) + file;
        squares[pushed] = *en_passant - up;
        if (occupied >> squares[pushed] & 1) continue;
        fixed[pushed] = true;
        place_men(men, squares, fixed, occupied | uint64_t(1) << squares[pushed], leaf);
        fixed[pushed] = false;
    }
    *en_passant = TB_NO_EN_PASSANT;
}

void place_canonical(const std::vector<Man>& men, std::vector<int>& squares, int side, int* en_passant,
                     const std::function<void()>& leaf) {
    bool pawnless = true;
    for (const Man& man : men) pawnless = pawnless && man.letter != 'p';
    const bool with_en_passant = pawns_face_pawns(men);
    std::vector<bool> fixed(men.size(), false);
    fixed[0] = fixed[1] = true;
    for (int k = 0; k < 64; ++k) {
        if (pawnless ? !tb_in_triangle(k) : (k & 7) >= 4) continue;
        for (int o = 0; o < 64; ++o) {
            if (o == k) continue;
            squares[size_t(side)] = k;
            squares[size_t(side ^ 1)] = o;
            const uint64_t kings = uint64_t(1) << k | uint64_t(1) << o;
            *en_passant = TB_NO_EN_PASSANT;
            place_men(men, squares, fixed, kings, leaf);
            if (with_en_passant) place_men_en_passant(men, squares, fixed, side, kings, en_passant, leaf);
        }
    }
}

std::vector<Man> men_of(const char* name) {
    std::vector<Man> men = {{0, TB_SLOT_KING, 'k'}, {1, TB_SLOT_KING, 'k'}};
    int list = -1, used[2][16] = {};
    for (const char* c = name; *c != '\0'; ++c) {
        if (*c == 'k') {
            ++list;
            continue;
        }
        const int slot = slot_of(*c);
        men.push_back({list, slot + used[list][slot]++, *c});
    }
    return men;
}

void fill_lists(const std::vector<Man>& men, const int* squares, TbPieceList lists[2]) {
    for (size_t i = 0; i < men.size(); ++i) lists[men[i].list].square[men[i].slot] = squares[i];
}

bool attacks(const std::vector<Man>& men, const int* squares, int by, int invert, int square) {
    uint64_t occupied = 0;
    for (size_t i = 0; i < men.size(); ++i) occupied |= uint64_t(1) << squares[i];
    for (size_t i = 0; i < men.size(); ++i)
        if (men[i].list == by && man_attacks(men[i], squares[i], square, white(men[i], invert), occupied)) return true;
    return false;
}

bool legal(const std::vector<Man>& men, const int* squares, int side, int invert, int en_passant) {
    uint64_t occupied = 0;
    for (size_t i = 0; i < men.size(); ++i) {
        const uint64_t bit = uint64_t(1) << squares[i];
        if (occupied & bit) return false;
        occupied |= bit;
        if (men[i].letter == 'p' && (squares[i] < 8 || squares[i] >= 56)) return false;
    }
    const int k0 = squares[0], k1 = squares[1];
    if (std::abs((k0 & 7) - (k1 & 7)) <= 1 && std::abs((k0 >> 3) - (k1 >> 3)) <= 1) return false;
    if (attacks(men, squares, side, invert, squares[side ^ 1])) return false;
    if (en_passant == TB_NO_EN_PASSANT) return true;

    // The side not to move has just pushed a pawn two squares past `en_passant`.
    const bool mover_white = (side ^ invert) == 0;
    const int forward = mover_white ? 8 : -8;  // the direction the side to move's pawns go
    const int pushed = en_passant - forward, start = en_passant + forward;
    if (en_passant < 0 || en_passant >= 64 || (en_passant >> 3) != (mover_white ? 5 : 2)) return false;
    if ((occupied >> en_passant & 1) || (occupied >> start & 1)) return false;
    bool pushed_pawn = false, capturer = false;
    for (size_t i = 0; i < men.size(); ++i) {
        if (men[i].letter != 'p') continue;
        if (men[i].list != side && squares[i] == pushed) pushed_pawn = true;
        if (men[i].list == side && (squares[i] >> 3) == (pushed >> 3) && std::abs((squares[i] & 7) - (pushed & 7)) == 1)
            capturer = true;
    }
    return pushed_pawn && capturer;
}

bool pawns_face_pawns(const std::vector<Man>& men) {
    bool pawns[2] = {false, false};
    for (const Man& man : men) pawns[man.list] = pawns[man.list] || man.letter == 'p';
    return pawns[0] && pawns[1];
}

bool same_men_both_sides(const std::vector<Man>& men) {
    std::string letters[2];
    for (const Man& man : men) letters[man.list] += man.letter;
    return letters[0] == letters[1];
}

void random_position(const std::vector<Man>& men, int side, int invert, Random& random, std::vector<int>& squares,
                     int* en_passant, bool with_en_passant) {
    const int mover_forward = (side ^ invert) == 0 ? 8 : -8;
    for (;;) {
        for (size_t i = 0; i < men.size(); ++i) squares[i] = men[i].letter == 'p' ? 8 + random.below(48) : random.below(64);
        *en_passant = TB_NO_EN_PASSANT;
        if (with_en_passant) {
            // A waiting pawn beside a moving pawn, just pushed two squares.
            size_t pushed = 2, taker = 2;
            while (men[pushed].list == side || men[pushed].letter != 'p') ++pushed;
            while (men[taker].list != side || men[taker].letter != 'p') ++taker;
            const int file = random.below(8);
            *en_passant = ((side ^ invert) == 0 ? 40 : 16) + file;
            squares[pushed] = *en_passant - mover_forward;
            const int beside = file == 0 ? 1 : file == 7 ? -1 : (random.below(2) ? 1 : -1);
            squares[taker] = squares[pushed] + beside;
        }
        if (legal(men, squares.data(), side, invert, *en_passant)) return;
    }
}

int set_up(const std::vector<Man>& men, const int* squares, int side, int invert, int en_passant) {
    Position* pos = &main_position;
    for (int s = 0; s < 64; ++s) {
        pos->kind[s] = NO_KIND;
        pos->colour[s] = NO_COLOUR;
    }
    for (size_t i = 0; i < men.size(); ++i) {
        const char* letter = std::strchr(PIECE_LETTERS + 1, men[i].letter - 'a' + 'A');
        pos->kind[squares[i]] = uint8_t(letter - PIECE_LETTERS);
        pos->colour[squares[i]] = uint8_t(men[i].list ^ invert);
    }
    const uint32_t flags = en_passant == TB_NO_EN_PASSANT ? 0 : SETUP_EP_GIVEN | uint32_t(en_passant);
    return setup_position(side ^ invert, flags);
}

int square_of(const char* name) { return (name[1] - '1') * 8 + (name[0] - 'a'); }

TbPieceList list_of(const std::string& text) {
    TbPieceList list{};
    int used[16] = {};
    std::istringstream words(text);
    std::string word;
    while (words >> word) {
        const char letter = char(word[0] | 0x20);
        const int slot = slot_of(letter);
        list.square[slot + (slot == TB_SLOT_KING ? 0 : used[slot]++)] = square_of(word.c_str() + 1);
    }
    return list;
}

}  // namespace tb_positions
