// Strength limitation and its start-up calibration.
#pragma once

void calibrate_strength(int flag, int value);
