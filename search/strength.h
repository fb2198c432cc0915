// Strength limitation and its start-up calibration.
#pragma once

extern int uci_elo;      // the rating asked for
extern int uci_elo_min;  // the range the calibration allows
extern int uci_elo_max;

void calibrate_strength(int flag, int value);
// The "UCI_Elo" option: ignored outside the calibrated range.
void set_uci_elo(int rating);
// "UCI_LimitStrength" switched on; the new node-rate limit.
int enable_limit_strength();
