// The board sets live with the position so that the move generator can use
// them too; the evaluation keeps reaching them by this name.
#pragma once

#include "position/board_sets.h"
