// The clock and input poll that the searches make every so many nodes, on
// the main search thread only.
#pragma once

#include "position/position.h"
#include "search/polling.h"
#include "search/root.h"
#include "search/search_info.h"
#include "search/services.h"

// Counts one node against the poll counter and polls when it runs out. The
// first poll after half a second prints the root's principal variation,
// which starts the search's "info" output.
inline void count_node_for_polling(Position* pos) {
    if (pos->thread_index != 0) return;
    if (poll_countdown-- > 1) return;
    uint32_t elapsed = poll_search(0);
    if (elapsed > 500 && input_mode != 0 && !(output_state & OUTPUT_PRINTING)) {
        print_root_pv(iteration_depth);
        output_state |= OUTPUT_PRINTING;
    }
}
