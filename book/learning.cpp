#include "book/learning.h"

#include "config/settings.h"
#include "search/hash_memory.h"
#include "search/tt.h"

int load_position_learning() { return 0; }
int save_position_learning() {
    learned_entries_changed = 0;
    return 1;
}

void reload_position_learning() {
    if (tt_share_kb >= 1024 && (engine_flags & EF_POSITION_LEARNING)) load_position_learning();
}

void save_position_learning_at_exit() {
    if (tt_share_kb >= 1024 && (engine_flags & EF_POSITION_LEARNING) && learned_entries_changed)
        save_position_learning();
}
