#include "tablebase/best_line.h"

// Until tablebase files can be read there is no line to give: the root
// keeps the line its search found.
int tb_build_line(int, int, Move*) { return 1; }
