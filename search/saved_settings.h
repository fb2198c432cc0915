// A copy of every setting a search reads: the settings words, the numbers the
// options set, the limits of the last "go" and the clock mode. Whoever runs
// searches of its own (calibration, move advice, "bench") takes one first and
// puts it back afterwards, so that the user's settings come out unchanged.
#pragma once

#include <cstdint>

struct SavedSettings {
    uint32_t engine_flags_, search_flags_, book_options_;
    int go_depth_, iteration_depth_, multi_pv_, threads_, idle_, draw_, node_rate_, tb_level_, selectivity_;
    uint32_t time_cap_;
    int time_mode_, clock_mode_;
    int64_t move_time_;
    char input_mode_;
    int ply_limit_;
};

SavedSettings save_settings();
void restore_settings(const SavedSettings& saved);
