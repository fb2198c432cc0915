#include "search/strength.h"

void calibrate_strength(int, int) {}
