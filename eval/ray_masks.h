// The ray masks live with the position (see position/ray_masks.h).
#pragma once

#include "position/ray_masks.h"
