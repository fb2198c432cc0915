// The operating-system services the engine needs, behind one small face:
// clock, calendar, sleep, processor count and the folders it keeps data in.
#pragma once

#include <cstdint>
#include <string>

// Milliseconds since an arbitrary start, wrapping at 2^32 like a 32-bit tick
// counter: differences of two ticks taken as uint32_t stay right across the wrap.
uint32_t tick_count_ms();

struct LocalTime {
    int year, month, day;            // month 1..12
    int hour, minute, second, milliseconds;
    int weekday;                     // 0 = Sunday
};
LocalTime local_time();

// Seconds of the calendar clock (since 1970), cut to 32 bits: the seed of the
// engine's random choices.
uint32_t calendar_seconds();

void sleep_ms(uint32_t milliseconds);

// Processors this process may run on (its affinity set), at least 1.
int processor_count();

// Full path of the running program, empty when it can't be found.
std::string program_path();

// The user's documents folder ($HOME/Documents), empty when HOME is unset.
std::string documents_folder();

// The per-user application data folder: $XDG_DATA_HOME when it is an
// absolute path, else $HOME/.local/share;
// empty when neither can be found.
std::string application_data_folder();

// The current directory, empty on failure.
std::string current_directory();

bool folder_exists(const std::string& path);

// Ends the process at once with `code`: the C streams are flushed, then the
// process leaves without exit handlers and static destructors, which other
// threads still running could otherwise find torn down under them.
[[noreturn]] void exit_now(int code);
