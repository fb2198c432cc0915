// Shared set-up of the evaluation tests: a position from a FEN with the
// per-search tables and root values prepared as a search would, and a full
// evaluation without the cache.
#pragma once

#include <cstdint>

#include "config/settings.h"
#include "eval/eval_cache.h"
#include "eval/eval_tables.h"
#include "eval/evaluate.h"
#include "eval/kpk.h"
#include "eval/material.h"
#include "eval/positional.h"
#include "eval/root_state.h"
#include "position/position.h"
#include "test_board.h"

namespace eval_test {

// The playing styles of the root preparation (0 Active, 1 Aggressive, 2 Solid).
inline void set_root_values(Position* pos, int style) {
    root_side_to_move = pos->side;
    hanging_shift[WHITE] = hanging_shift[BLACK] = HANGING_SHIFT_DEFAULT;
    threat_shift[WHITE] = threat_shift[BLACK] = THREAT_SHIFT_DEFAULT;
    playing_style_side = 0;
    if (style != 0) {
        const int favoured = style == 1 ? pos->side : pos->side ^ 1;
        hanging_shift[favoured] = HANGING_SHIFT_DEFAULT + 1;
        threat_shift[favoured] = THREAT_SHIFT_DEFAULT + 1;
        playing_style_side = uint8_t(favoured + 1);
    }
    draw_score[WHITE] = draw_score[BLACK] = 0;
    root_material[WHITE] = pos->material[WHITE];
    root_material[BLACK] = pos->material[BLACK];
    tb_men_limit = 0;
}

// The main position is set up; prepares it as the root of a search.
inline void prepare_root(int style = 0) {
    init_kpk_bitbase();
    Position* pos = &main_position;
    eval_material(pos, 1);
    prepare_evaluation(pos);
    set_root_values(pos, style);
}

// Keeps the evaluation cache out of the way while a test runs.
class NoEvalCache {
public:
    NoEvalCache() : saved_mask_(eval_cache_mask) { eval_cache_mask = 0; }
    ~NoEvalCache() { eval_cache_mask = saved_mask_; }

private:
    uint32_t saved_mask_;
};

// A full evaluation of the main position for the side to move.
inline int full_evaluation() { return evaluate(&main_position, 1, 1, -16384, 16384); }

// Sets up `fen` as a root and evaluates it; 0 flags a FEN that was refused
// (the caller asserts on `ok`).
inline int evaluate_fen(const char* fen, bool* ok = nullptr, int style = 0) {
    const bool set_up = load_test_board(fen) == 1;
    if (ok) *ok = set_up;
    if (!set_up) return 0;
    prepare_root(style);
    return full_evaluation();
}

inline uint32_t root_flags() { return current_ply_record(&main_position)->flags; }

}  // namespace eval_test
