#include "search/history_update.h"

namespace {

// Adds `amount` to the trial sum (and, for a success, to the success sum) of
// one entry in every band the group updates, aging a band whose trial sum
// grew too large, and refreshes the entry's ratio.
void add_to_bands(int band_group, int index, uint32_t amount, bool success) {
    for (int band = HISTORY_UPDATE_LO[band_group]; band <= HISTORY_UPDATE_HI[band_group]; ++band) {
        uint32_t& good = history_good[band][index];
        uint32_t& tried = history_tried[band][index];
        if (success) shared_store(good, shared_load(good) + amount);
        shared_store(tried, shared_load(tried) + amount);
        if (shared_load(tried) >= HISTORY_AGE_LIMIT) history_age(band);
        shared_store(history_ratio[band][index], history_ratio_of(shared_load(good), shared_load(tried)));
    }
}

}  // namespace

void history_age(int band) {
    for (int i = 0; i < HISTORY_BAND_SIZE; ++i) {
        shared_store(history_good[band][i], shared_load(history_good[band][i]) >> 1);
        shared_store(history_tried[band][i], (shared_load(history_tried[band][i]) + 1) >> 1);
    }
}

void history_record_success(int band_group, int index, int depth) {
    add_to_bands(band_group, index, uint32_t(depth * depth), true);
}

void history_record_trial(int band_group, int index, int depth) {
    add_to_bands(band_group, index, uint32_t(depth * depth), false);
}

void history_reset() {
    for (int band = 0; band < HISTORY_BANDS; ++band)
        for (int i = 0; i < HISTORY_BAND_SIZE; ++i) {
            history_good[band][i] = 0;
            history_tried[band][i] = 1;
            history_ratio[band][i] = 0;
        }
}

void history_rescale() {
    for (int band = 0; band < HISTORY_BANDS; ++band)
        for (int i = 0; i < HISTORY_BAND_SIZE; ++i) {
            history_good[band][i] >>= 3;
            history_tried[band][i] = (history_tried[band][i] + 7) >> 3;
        }
}
