// Where the engine keeps its data, and how many threads it may run.
#pragma once

#include <string>

extern int threads_max;  // thread maximum from the processor count

// Fills the data paths and the thread maximum.
void init_paths();
