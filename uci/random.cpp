#include "uci/random.h"

uint32_t random_state = 1;
