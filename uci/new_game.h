// A new game: the game history, the board and the clocks start over.
#pragma once

// Resets the game to the standard start position (the Chess960 one when
// that option is on), with empty clocks.
void start_new_game();
