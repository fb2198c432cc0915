// The UCI command dispatcher: one command line in, its effect carried out.
#pragma once

#include <cstdint>
#include <string>

// dispatch_command results.
inline constexpr int COMMAND_UNKNOWN = 0;
inline constexpr int COMMAND_HANDLED = 1;
inline constexpr int COMMAND_BUSY = 2;  // needs an idle engine; hold the line

inline constexpr int PROTOCOL_UCI = 2;  // "uci" has been answered

extern int protocol_state;
extern std::string previous_position_text;  // text after "position " of the last command
extern int new_game_pending;                // "ucinewgame" seen since the last "position"
extern uint8_t engine_side;
extern uint8_t run_mode;

int dispatch_command(const char* line);

// Commands of the companion build, installed at its start-up: the early ones
// are tried after "quit" (they work before "uci"), the late ones after
// "bench". Each gets the line from its first word on and answers
// COMMAND_UNKNOWN when the word is not its own.
extern int (*companion_early_commands)(const char* cursor);
extern int (*companion_late_commands)(const char* cursor);
// The companion build's move-advice search ("go ... mvinfo-advice n"): n
// milliseconds for `side`; the word is not known without it.
extern int (*companion_advice_search)(int milliseconds, int side);

int start_search(int side, int mode);
void run_bench(const char* file_name, uint32_t milliseconds);
