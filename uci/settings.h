// The engine's settings words. Options set them between searches; each search
// takes a snapshot (`search_flags`, `search_book_options`) that the search and
// the position code read.
#pragma once

#include <cstdint>

inline constexpr uint32_t DEFAULT_ENGINE_FLAGS = 0xFA217C53u;

// Bits of EngineFlags / SearchFlags.
inline constexpr uint32_t EF_PONDERING = 0x20000u;
inline constexpr uint32_t EF_CHESS960 = 0x4000000u;

// Bits of BookOptions.
inline constexpr uint32_t BO_OWN_BOOK = 0x80000u;
inline constexpr uint32_t BO_STARTUP_DONE = 0x80000000u;

extern uint32_t engine_flags;          // EngineFlags
extern uint32_t search_flags;          // SearchFlags: per-search snapshot of EngineFlags
extern uint32_t book_options;          // BookOptions
extern uint32_t search_book_options;   // per-search copy of BookOptions

// Largest iteration the search runs, the default of both depth limits.
inline constexpr int DEFAULT_MAX_DEPTH = 62;
inline constexpr uint32_t DEFAULT_TIME_CAP_MS = 2000000000u;

extern int go_depth_limit;        // depth limit of a "go"
extern int iteration_depth_limit; // iteration limit of the search driver
extern uint32_t time_cap_ms;
