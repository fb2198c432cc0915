#include "search/random.h"

uint32_t random_state = 1;
