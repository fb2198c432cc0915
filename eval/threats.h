// Threats against pieces: men that hang, men whose defenders are tied to
// other duties, and the line threats through a man (eval_hanging).
#pragma once

#include "position/position.h"

// White's view: the sum of both sides' threat penalties.
int eval_piece_threats(Position* pos);

// Records a threat of `value` against `side`'s men: the largest and the
// second-largest threat of the current evaluation are kept.
inline void record_threat(Position* pos, int side, int value) {
    if (value > pos->threat_first[side]) {
        pos->threat_second[side] = pos->threat_first[side];
        pos->threat_first[side] = value;
    } else if (value > pos->threat_second[side]) {
        pos->threat_second[side] = value;
    }
}
