// Endgame tablebases: start-up and folder scan.
#pragma once

// Builds the index tables and, with `rescan`, scans the tablebase folders;
// 1 on success, 0 when the tables could not be allocated.
int init_tablebases(int rescan);
