// The PGN auto-save file (in the data folder) and the game's end. Every game
// the engine finishes is appended while "AutoSave PGN" is on, with tags, a
// comment of the engine's settings and the time, score and depth of each
// engine move; each start-up appends a comment with the engine's folders
// when the file already exists.
#pragma once

#include <cstdio>
#include <string>

// Games ended since start-up.
extern int round_counter;

std::string autosave_file_path();

// Text for the inside of a PGN comment: a brace would end the comment (or
// open another) early, so '{' becomes '(' and '}' becomes ')'.
std::string pgn_comment_text(const std::string& text);

// The start-up comment; a missing file is not created.
void write_autosave_header();
// Ends the current game once: the result (from the last position when the
// game is over there, else from the engine's last score), book learning,
// and the game appended to the auto-save file. Later calls for
// the same game (until the next set-up or move) do nothing. Always 1.
int end_game();

// Writes the game as PGN, with `side` the engine's colour (-1 none) and
// `result` a game result code. The front end, which knows the move text and
// the settings, installs it; without it no game is written.
using AutosaveGameWriter = int (*)(std::FILE* file, int side, int result);
extern AutosaveGameWriter autosave_game_writer;

// What fatal_error leaves to the game services: the message beside the saved
// games in the working directory, the game ended, the book closed.
void end_game_after_fatal_error(const char* message);
