// The search instances. They live in static storage for the whole run; the
// single-threaded builds have exactly one.
#include "position/position.h"

Position search_instances[SEARCH_INSTANCE_COUNT];
