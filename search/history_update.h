// Writing the history tables of position/history_tables.h: the cut-off
// statistics of quiet moves, their aging, and the reset or rescale at the
// start of a search.
#pragma once

#include <cstdint>

#include "position/history_tables.h"

// The bands a node of band group g updates: lo[g]..hi[g] (neighbouring
// groups share what they learn).
inline constexpr uint8_t HISTORY_UPDATE_LO[HISTORY_BANDS] = {0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 13};
inline constexpr uint8_t HISTORY_UPDATE_HI[HISTORY_BANDS] = {2, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 15};

// A band is aged once one of its trial sums reaches this.
constexpr uint32_t HISTORY_AGE_LIMIT = 0xFFFFFF;

// good x 256 / tried, saturating at 255: a move that cuts off nearly every
// time it is tried must not read like one that never does.
constexpr uint8_t history_ratio_of(uint32_t good, uint32_t tried) {
    uint64_t ratio = uint64_t(good) * 256 / (tried ? tried : 1);
    return ratio > 255 ? uint8_t(255) : uint8_t(ratio);
}

// Halves one band.
void history_age(int band);

// One cut-off of the move at `index` (history_index) found at `depth`: its
// success and trial sums grow by depth squared in every band the node's
// group updates.
void history_record_success(int band_group, int index, int depth);
// One trial without a cut-off.
void history_record_trial(int band_group, int index, int depth);

// Every entry back to no knowledge (good 0, tried 1, ratio 0).
void history_reset();
// Keeps an eighth of what the tables know (searches with "Retain Hash").
void history_rescale();
