// The search's history tables: per band of four plies, per side, moving kind
// and destination square, how often a quiet move caused a cut-off. Shared by
// all search threads without locks (a lost update only blurs the statistics).
// The search writes them; move ordering (position/move_order) reads the
// ratio bytes. Every access goes through config/shared_word.h.
#pragma once

#include <cstdint>

#include "config/shared_word.h"

inline constexpr int HISTORY_BANDS = 16;
inline constexpr int HISTORY_BAND_SIZE = 768;  // 2 sides x 6 kinds x 64 squares

extern uint32_t history_good[HISTORY_BANDS][HISTORY_BAND_SIZE];
extern uint32_t history_tried[HISTORY_BANDS][HISTORY_BAND_SIZE];
extern uint8_t history_ratio[HISTORY_BANDS][HISTORY_BAND_SIZE];

// Band of a ply: four plies share one band; plies past the last band use it.
constexpr int history_band(int ply) {
    return ply / 4 < HISTORY_BANDS ? ply / 4 : HISTORY_BANDS - 1;
}

// Index within one side's half of a band, (kind - 1) x 64 + square; killers
// are stored in this form.
constexpr int history_piece_index(int kind, int to) {
    return (kind - 1) * 64 + to;
}

// Index within a band.
constexpr int history_index(int side, int kind, int to) {
    return side * 384 + history_piece_index(kind, to);
}
