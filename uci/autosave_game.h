// The PGN text of one game for the auto-save file: tags, a comment with the
// engine's settings, and the moves with the time each took and, for the
// engine's moves, their score and depth.
#pragma once

#include <cstdio>
#include <string>

// The game as PGN, with `side` the engine's colour (-1 none) and `result`
// a game result code. 1. Installed as the book layer's autosave_game_writer.
int write_autosave_game(std::FILE* file, int side, int result);

// The text of a score and depth in a move comment, White's view, as
// " 0.50/12} " or " +M3/20} ".
std::string pgn_score_text(int score, int depth);
