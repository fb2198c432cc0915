#include "search/saved_settings.h"

#include "config/settings.h"
#include "eval/root_state.h"
#include "search/services.h"
#include "search/time_control.h"

SavedSettings save_settings() {
    return SavedSettings{engine_flags,     search_flags,       book_options,    go_depth_limit, iteration_depth_limit,
                         multi_pv,         threads_in_use,     idle_percent,    draw_value,     node_rate_limit,
                         tablebase_level,  selectivity_scale,  time_cap_ms,     time_mode,      clock_mode,
                         move_time_ms,     input_mode,         search_ply_limit};
}

void restore_settings(const SavedSettings& s) {
    engine_flags = s.engine_flags_;
    search_flags = s.search_flags_;
    book_options = s.book_options_;
    go_depth_limit = s.go_depth_;
    iteration_depth_limit = s.iteration_depth_;
    multi_pv = s.multi_pv_;
    threads_in_use = s.threads_;
    idle_percent = s.idle_;
    draw_value = s.draw_;
    node_rate_limit = s.node_rate_;
    tablebase_level = s.tb_level_;
    selectivity_scale = s.selectivity_;
    time_cap_ms = s.time_cap_;
    time_mode = s.time_mode_;
    clock_mode = s.clock_mode_;
    move_time_ms = s.move_time_;
    input_mode = s.input_mode_;
    search_ply_limit = s.ply_limit_;
}
