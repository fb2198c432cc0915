// Positions of a tablebase material for tests and tools: the men a name
// stands for, their squares turned into the piece lists the index functions
// read, and the rules that make a placement a position a game can reach.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tablebase/descriptor.h"

namespace tb_positions {

// One man: the list it belongs to (0 the first-named side), its slot in that
// list and its letter (k, p, n, b, r, q).
struct Man {
    int list;
    int slot;
    char letter;
};

// The men of a material: the two kings first (first-named side's, then the
// other's), then the first-named side's men in name order, then the other's.
std::vector<Man> men_of(const char* name);

// Squares (by man) into lists.
void fill_lists(const std::vector<Man>& men, const int* squares, TbPieceList lists[2]);

// A placement a game can reach with `side` (0: the first-named side) to
// move and the first-named side black when `invert`: men on distinct
// squares, kings apart, pawns on ranks 2-7, the side not to move not in
// check. With an en-passant square also: the pawn that just moved two
// squares stands in front of it, the two squares it crossed are empty and a
// pawn of the side to move stands beside it.
bool legal(const std::vector<Man>& men, const int* squares, int side, int invert, int en_passant = TB_NO_EN_PASSANT);

// Whether the men of list `by` attack `square` (sliders stopped by any man).
bool attacks(const std::vector<Man>& men, const int* squares, int by, int invert, int square);

// Places every man whose `fixed` entry is false on each free square (pawns
// on ranks 2-7, like men of one side in increasing order) and calls `leaf`
// for each placement; `occupied` holds the squares of the fixed men.
void place_men(const std::vector<Man>& men, std::vector<int>& squares, const std::vector<bool>& fixed,
               uint64_t occupied, const std::function<void()>& leaf);

// The same for positions in which `side` may take en passant, the first-named
// side white: for each en-passant square in turn (set in *en_passant) the
// first waiting pawn stands just past it and the other free men take every
// free square. The rules (legal) decide which placements are positions.
void place_men_en_passant(const std::vector<Man>& men, std::vector<int>& squares, std::vector<bool>& fixed, int side,
                          uint64_t occupied, int* en_passant, const std::function<void()>& leaf);

// A small fixed-seed generator.
struct Random {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    int below(int n) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return int((state >> 33) % uint64_t(n));
    }
};

// Whether both sides have pawns (so that en passant can occur).
bool pawns_face_pawns(const std::vector<Man>& men);
// Whether both sides have the same men.
bool same_men_both_sides(const std::vector<Man>& men);

// A random reachable position (squares by man); with `with_en_passant`
// (pawns facing pawns) one in which the side to move may take en passant,
// its square in *en_passant, else TB_NO_EN_PASSANT there.
void random_position(const std::vector<Man>& men, int side, int invert, Random& random, std::vector<int>& squares,
                     int* en_passant, bool with_en_passant);

// Sets the main position up with the men on their squares (the first-named
// side white unless `invert`), `side` to move; setup_position's result.
int set_up(const std::vector<Man>& men, const int* squares, int side, int invert, int en_passant = TB_NO_EN_PASSANT);

// Every placement with the king of `side` in its canonical region (the
// triangle a1-d1-d4 without pawns, files a-d with them), which reaches
// every index of the side's table: place_men for each pair of king squares,
// then with pawns facing pawns place_men_en_passant. *en_passant tells
// which (TB_NO_EN_PASSANT or the square).
void place_canonical(const std::vector<Man>& men, std::vector<int>& squares, int side, int* en_passant,
                     const std::function<void()>& leaf);

// "Kc3 Pe3 Pe4": a list of men by letter and square, in slot order per kind.
TbPieceList list_of(const std::string& text);

int square_of(const char* name);  // "e4" -> 28

}  // namespace tb_positions
