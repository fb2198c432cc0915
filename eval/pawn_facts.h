// What the pawn-structure term knows from the pawns alone: per pawn whether
// it is guarded, blocked, weak, isolated, backward, doubled, passed or a
// candidate, and the part of the side's pawn values that depends on nothing
// but the pawns. Where the pawns stand changes far less often than the rest
// of the position, so these facts are kept in a small table per search
// thread, keyed on the pawn placement of both sides (the pawn-file bytes)
// and found again for most evaluations.
#pragma once

#include <cstdint>
#include <cstring>

#include "position/position.h"

// Flag bits of one pawn.
constexpr uint16_t PAWN_FRONT_GUARDED = 0x001;   // an own pawn attacks the square in front of it
constexpr uint16_t PAWN_ENEMY_IN_FRONT = 0x002;  // an enemy pawn stands in front of it
constexpr uint16_t PAWN_OPEN_FILE = 0x004;       // no pawn of either side in front of it on its file
constexpr uint16_t PAWN_ATTACKED = 0x008;        // an enemy pawn attacks it
constexpr uint16_t PAWN_SHELTER_GUARD = 0x010;   // an own pawn attacks it or the square in front
constexpr uint16_t PAWN_WEAK = 0x020;            // no own pawn beside or behind it on the adjacent files
constexpr uint16_t PAWN_ISOLATED = 0x040;        // no own pawn on the adjacent files at all
constexpr uint16_t PAWN_BACKWARD = 0x080;        // weak, not isolated, enemy pawns ahead on the adjacent files
constexpr uint16_t PAWN_DOUBLED = 0x100;         // another own pawn on its file
constexpr uint16_t PAWN_PASSED = 0x200;
constexpr uint16_t PAWN_CANDIDATE = 0x400;       // open file, enemy pawns ahead beside it, helpers enough
constexpr uint16_t PAWN_STORM_HALVED = 0x800;    // a pawn in front of it, on a square an enemy pawn attacks

constexpr int MAX_PAWNS = 8;

// The side's pawn-file bytes of files a..h as one word: bit 8 x file + rank
// for each pawn. Its set bits, lowest first, give the pawns in file order.
inline uint64_t pawn_file_word(const Position* pos, int side) {
    uint64_t word;
    std::memcpy(&word, pawn_files(pos, side), sizeof word);
    return word;
}

// flags[i] belongs to the side's i-th pawn in file order: files a to h, on
// each file from its lowest rank up (the set bits of pawn_file_word, so that
// the squares need not be kept).
struct PawnSideFacts {
    int16_t fixed_value;  // the pawn-only terms of the side's pawns, summed
    uint16_t flags[MAX_PAWNS];
};

// The facts of both sides' pawns (indexed by side) in the position; valid
// until the next call for a Position of the same search thread.
const PawnSideFacts* pawn_facts(const Position* pos);

// Where the table keeps (or will keep) the facts of the position's pawns:
// for a prefetch well before the pawn_facts call.
const void* pawn_facts_entry(const Position* pos);

// The facts worked out afresh, without the table (for tests).
void analyse_pawns(const Position* pos, int side, PawnSideFacts* facts);
