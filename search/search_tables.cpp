#include "search/search_tables.h"

int32_t depth_margin_steps[64];
uint8_t qs_move_count_limits[64];
uint8_t qs_margins[64];
