#include "game/repetition.h"

#include <algorithm>

#include "game/game_history.h"
#include "position/position.h"

int root_game_ply = 1;

int is_repetition(const Position* pos) {
    const int current = pos->ply;
    const int oldest = std::max(current - pos->fifty, 1);
    // Game ply of the stack's base record. The stack is read from the root
    // on, and never below its base, whatever the recorded root index says.
    const int stack_base = current - (pos->ply_index - PLY_STACK_BASE);
    const int from_stack = std::max(root_game_ply, stack_base);
    for (int ply = current - 4; ply >= oldest; ply -= 2) {
        // The key of the position at game ply j is saved with the move made
        // from it: in the search stack for positions from the root on, in the
        // game history before.
        uint32_t key_lo, key_hi;
        if (ply >= from_stack) {
            const PlyRecord& record = pos->ply_stack[ply - stack_base + PLY_STACK_BASE + 1];
            key_lo = record.saved_key_lo;
            key_hi = record.saved_key_hi;
        } else {
            if (ply + 1 >= GAME_RECORD_COUNT) continue;
            const GameRecord& record = game_records[ply + 1];
            key_lo = record.saved_key_lo;
            key_hi = record.saved_key_hi;
        }
        if (key_lo == pos->key_lo && key_hi == pos->key_hi) return 1;
    }
    return 0;
}

int count_repetitions(const Position* pos) {
    if (pos->fifty < 4) return 0;
    int positions = ((pos->fifty - 4) >> 1) + 1;
    int repetitions = 0;
    // The record of ply n keeps the key of the position before its move.
    for (int record = pos->ply - 3; positions > 0 && record >= 1; record -= 2, --positions) {
        if (record >= GAME_RECORD_COUNT) continue;
        const GameRecord& r = game_records[record];
        if (r.saved_key_lo == pos->key_lo && r.saved_key_hi == pos->key_hi) ++repetitions;
    }
    return repetitions;
}
