// Where the engine keeps its data, and how many threads it may run.
#pragma once

#include <string>

// Fills the data paths and the thread maximum (threads_max of
// config/settings.h).
void init_paths();
