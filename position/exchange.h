// The static exchange table: what the owner of an attacked man wins back by
// recapturing after the man is taken, from the class counts of both sides'
// x-ray words on its square.
#pragma once

#include <array>
#include <cstdint>

// swap_codes folds the 12 class-count bits of a word 0 ((word >> 16) & 0xFFF:
// king, queens plus x-rays, rooks, bishops, knights, pawns) into a 7-bit code
// in which king and queens are one royal class and bishops and knights one
// minor class. It has an entry for every 12-bit value.
constexpr int SWAP_CODE_COUNT = 4096;
extern const std::array<uint8_t, SWAP_CODE_COUNT> swap_codes;

// swap_table[defender code | attacker code << 7]: the material, in eighths of
// a score unit, that the defender gets back by the usual swap-off (least
// valuable man first, either side stopping when going on loses) once the man
// has been taken. 156 when there is no attacker at all.
constexpr int SWAP_TABLE_SIZE = 16384;
extern const std::array<uint8_t, SWAP_TABLE_SIZE> swap_table;

constexpr int SWAP_NO_ATTACKER = 156;

inline int swap_code(uint32_t xray_word) { return swap_codes[(xray_word >> 16) & 0xFFF]; }

// The table entry for a man whose side's word 0 on its square is
// `defender_xray` and the enemy's is `attacker_xray`.
inline int exchange_entry(uint32_t defender_xray, uint32_t attacker_xray) {
    return swap_table[swap_code(defender_xray) | swap_code(attacker_xray) << 7];
}
