// The PGN auto-save file and the fatal-error log.
#pragma once

void write_autosave_header();
// Ends the current game: book learning and the auto-save record. Always 1.
int end_game();
