#include "search/hash_memory.h"

#include <cstring>

#include "eval/eval_cache.h"
#include "eval/eval_tables.h"
#include "position/history_tables.h"
#include "position/position.h"
#include "search/tt.h"

int hash_size_kb = 0;
int tt_share_kb = 0;

namespace {

int floor_log2(int n) {
    int log2 = 0;
    while ((n >> (log2 + 1)) != 0) ++log2;
    return log2;
}

}  // namespace

int allocate_hash(int kb) {
    hash_size_kb = 0;
    tt_share_kb = 0;
    if (kb < 2) return 0;
    const int eval_kb = 1 << (floor_log2(kb) - 1);
    if (allocate_eval_hash(eval_kb) == 0) return 0;  // every size below 32 KB fails here
    const int share_kb = kb - eval_kb;
    if (!tt_allocate_tables(share_kb)) {
        free_eval_hash();
        return 0;
    }
    hash_size_kb = kb;
    tt_share_kb = share_kb;
    clear_hash(1);
    advance_hash_generation();
    return kb;
}

int next_hash_size(int size, int power, int* quarter) {
    if (size > power) {
        *quarter = 0;
        return power;
    }
    if (*quarter != 0) {
        int next = (*quarter + size) / 2;  // the next lower power of two
        *quarter = 0;
        return next;
    }
    *quarter = size / 4;
    return size - *quarter;
}

int set_hash_size(int kb) {
    int power = 1;
    while (kb > 0 && power <= kb / 2) power *= 2;
    int quarter = 0;
    for (int size = kb; size > 0;) {
        free_hash_tables();
        if (allocate_hash(size)) return size;
        int next = next_hash_size(size, power, &quarter);
        if (next >= size) break;
        size = next;
    }
    return 0;
}

void clear_hash(int flag) {
    tt_clear_tables(flag == 0);
    for (int band = 0; band < HISTORY_BANDS; ++band)
        for (int i = 0; i < HISTORY_BAND_SIZE; ++i) {
            history_good[band][i] = 0;
            history_tried[band][i] = 1;
            history_ratio[band][i] = 0;
        }
    std::memset(main_position.killer1, 0, sizeof(main_position.killer1));
    std::memset(main_position.killer2, 0, sizeof(main_position.killer2));
    clear_small_tables();
    clear_move_gain_table();
}

int free_hash_tables() {
    if (tt_allocated()) {
        tt_free_tables();
        free_eval_hash();
        hash_size_kb = 0;
        tt_share_kb = 0;
    }
    return 1;
}
