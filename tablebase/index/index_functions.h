// The index functions of all 440 materials, one per material and side to
// move, each following the plan compiled from its material's name.
#pragma once

#include "tablebase/index/index_plan.h"

// Builds the index tables and the plans and installs the functions in
// tb_descriptors; once per run, later calls return at once.
void tb_init_index_functions();

// The plan of a record's side (1..440, 0 or 1), after tb_init_index_functions.
const TbIndexPlan& tb_index_plan(int record, int side);
