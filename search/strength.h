// Strength limitation: the rating scale tied to a node rate, its start-up
// calibration, and the limits a rated search runs under.
#pragma once

#include <cstdint>

extern int uci_elo;      // the rating asked for
extern int uci_elo_min;  // the range the calibration allows
extern int uci_elo_max;

// The start-up calibration: a one-second silent search of the current
// position; with `flag` set it fixes the "UCI_Elo" range. It clears the hash
// and the history afterwards; the caller starts a new game.
void calibrate_strength(int flag, int value);
// The "UCI_Elo" range from `nodes`, the nodes of the one-second search (all
// threads counted), and the thread count the machine allows.
void calibrate_elo_range(uint64_t nodes, int threads);

int elo_from_rate(uint64_t rate);
uint32_t elo_to_strength_limit(int rating);

// The "UCI_Elo" option: ignored outside the calibrated range.
void set_uci_elo(int rating);
// "UCI_LimitStrength" switched on; the new node-rate limit.
int enable_limit_strength();

// True while the limit is on for the running search and the rating is below `elo`.
bool strength_limited_below(int elo);

// The root window margin of a search in `mode`.
int strength_root_margin(uint32_t mode);
// The ply limit of iteration `iteration` under the limit.
int strength_ply_limit(int iteration);
// Whether the book is skipped this move (draws one random number).
bool strength_skips_book(int ply);
// Root score noise: the score a root move shows (may draw random numbers).
int strength_noisy_score(int score);
