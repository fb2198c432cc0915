#include "eval/tablebase_probe.h"

namespace {

int no_tables(Position*, int*) { return 0; }

}  // namespace

int tb_max_pieces = 0;
TablebaseProbe tablebase_probe = no_tables;
