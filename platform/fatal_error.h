// Conditions the engine cannot survive. fatal_error appends the message to
// "debug.txt" in the working directory, lets the game services record the
// end (the handler below), and ends the process with exit code 1. Any thread
// may call it; the first call wins, later ones wait for the end.
#pragma once

[[noreturn]] void fatal_error(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same for a message its own part has already appended to "debug.txt".
[[noreturn]] void end_after_logged_fatal_error(const char* message);

// Installed by the game services at start-up: records the message beside the
// saved games, ends the game and closes the files. Runs once, on the thread
// that called fatal_error.
using FatalErrorHandler = void (*)(const char* message);
void set_fatal_error_handler(FatalErrorHandler handler);

inline constexpr const char* DEBUG_LOG_FILE_NAME = "debug.txt";
