#include "eval/root_state.h"

int draw_score[2] = {0, 0};
int root_material[2] = {0, 0};
int tb_men_limit = 0;
int swindle_flag = 0;
int search_ply_limit = MAX_PLY;
int iteration_depth = 0;
uint32_t search_state_flags = 0;
