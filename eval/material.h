// The material stage's own arithmetic: the material imbalance term for
// materials the material table does not hold, and the game phase with the
// weights derived from it, both kept in the Position.
#pragma once

#include <cstdint>

struct Position;

// What the imbalance term needs of one side.
struct MaterialCounts {
    int pawns;
    int knights;
    int bishops;
    int rooks;
    int queens;
};

// The material term from White's point of view: the trade-down bonus of the
// side ahead in pieces (f and e: White's and Black's material without pawns)
// and the class bonuses of rooks, knights and the bishop pair by the side's
// own pawn count.
int material_imbalance(int white_pieces, int black_pieces, const MaterialCounts& white, const MaterialCounts& black);

// Phase 1..16 from the material of both sides without pawns: 16 with full
// material.
int game_phase(int pieces_of_both_sides);
void set_phase(Position* pos, int phase);

// With with_term 1 computes material_term and the phase fields, with 0 the
// phase fields only; nothing when the two MaterialSignatures are those it
// last computed for.
void eval_material(Position* pos, int with_term);

// Makes the next eval_material compute again. No real pair of signatures
// equals it: bare kings have the signatures 0 and 0.
constexpr uint16_t MATERIAL_SIG_CLEARED = 0xFFFF;
void reset_material_term(Position* pos);
