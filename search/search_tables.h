// Small per-depth tables of the searches, filled at start-up.
#pragma once

#include <cstdint>

extern int32_t depth_margin_steps[64];     // alpha-beta search margins by depth
extern uint8_t qs_move_count_limits[64];  // quiescence search
extern uint8_t qs_margins[64];            // quiescence search
