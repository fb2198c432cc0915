// The repetition tests: whether the position's key occurred before with the
// same side to move, looking back through the search stack and the game
// history within the fifty-move window.
#pragma once

struct Position;

// Game index of the root position: positions before it are looked up in the
// game history, those after it in the search stack. The driver sets it when
// it takes the root; the root preparation keeps it in step.
extern int root_game_ply;

// 1 when the current position repeats one of the last `fifty` plies with the
// same side to move (a single repetition counts).
int is_repetition(const Position* pos);

// How often the position's key occurred 4, 6, 8, ... plies back in the game
// history, within the last `fifty` plies.
int count_repetitions(const Position* pos);
