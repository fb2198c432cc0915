// The engine's settings: two flag words, the book-options word and a few
// numbers. Options set them between searches; each search takes a snapshot
// (`search_flags`, `search_book_options`) that the search and the position
// code read while worker threads run.
#pragma once

#include <cstdint>

// EngineFlags / SearchFlags.
inline constexpr uint32_t ENGINE_FLAGS_DEFAULT = 0xFA217C53u;
inline constexpr uint32_t EF_GUI_TIME_LAG = 0x8u;
inline constexpr uint32_t EF_OPTIMISTIC_SEARCH = 0x10u;
inline constexpr uint32_t EF_PLAYING_STYLE = 0x300u;  // 0 Active, 1 Aggressive, 2 Solid
inline constexpr int EF_PLAYING_STYLE_SHIFT = 8;
inline constexpr uint32_t EF_RETAIN_HASH = 0x400u;
inline constexpr uint32_t EF_SELECTIVITY = 0x7000u;  // Search Selectivity 0..7
inline constexpr int EF_SELECTIVITY_SHIFT = 12;
inline constexpr uint32_t EF_BUSY_THREADS = 0x10000u;
inline constexpr uint32_t EF_PONDERING = 0x20000u;  // a ponder search is running
inline constexpr uint32_t EF_LIMIT_STRENGTH = 0x100000u;
inline constexpr uint32_t EF_PONDER = 0x200000u;
inline constexpr uint32_t EF_ANALYSE_MODE = 0x400000u;
inline constexpr uint32_t EF_SWINDLE = 0x2000000u;
inline constexpr uint32_t EF_CHESS960 = 0x4000000u;
inline constexpr uint32_t EF_USE_TABLEBASES = 0x8000000u;
inline constexpr uint32_t EF_BOOK_LEARNING = 0x10000000u;
inline constexpr uint32_t EF_POSITION_LEARNING = 0x20000000u;
inline constexpr uint32_t EF_COMBINATIONS = 0x40000000u;
inline constexpr uint32_t EF_HYPER_MODERN = 0x80000000u;

// BookOptions.
inline constexpr uint32_t BOOK_OPTIONS_INITIAL = 0x83u;  // Book Mode 4 (Tournament)
inline constexpr uint32_t BO_BOOK_MODE = 0xE0u;          // 1 Wild .. 4 Tournament, 0 no book moves
inline constexpr int BO_BOOK_MODE_SHIFT = 5;
inline constexpr uint32_t BO_HUMAN_BOOK = 0x40000u;    // morvax-tx: a valid human-games book is open
inline constexpr uint32_t BO_OWN_BOOK = 0x80000u;
inline constexpr uint32_t BO_SHOW_CURR_LINE = 0x100000u;
inline constexpr uint32_t BO_QUERY_MODE = 0x1000000u;    // morvax-tx: "mvinfo1" given
inline constexpr uint32_t BO_AUTOSAVE_PGN = 0x10000000u;
inline constexpr uint32_t BO_STARTUP_DONE = 0x80000000u;

extern uint32_t engine_flags;         // EngineFlags
extern uint32_t search_flags;         // SearchFlags: per-search snapshot of EngineFlags
extern uint32_t book_options;         // BookOptions
extern uint32_t search_book_options;  // per-search copy of BookOptions

// Largest iteration the search runs: the default of both depth limits.
inline constexpr int DEFAULT_MAX_DEPTH = 62;
inline constexpr uint32_t DEFAULT_TIME_CAP_MS = 2000000000u;

extern int go_depth_limit;         // depth limit of a "go"
extern int iteration_depth_limit;  // iteration limit of the search driver
extern uint32_t time_cap_ms;

extern int threads_max;         // thread maximum from the processor count
extern int threads_in_use;
extern int idle_percent;        // CPU Usage: share of time the search sleeps
extern int draw_value;          // score units; the engine's value of a draw
extern int node_rate_limit;     // 0 = none
extern int tablebase_level;     // 0..7
extern int selectivity_scale;   // 256 = normal
extern int multi_pv;            // 1..127

// The settings a search reads back to their defaults, the thread count to
// the maximum.
void reset_search_settings();
// Threads in use = min(n, thread maximum), at least 1; returns it.
int set_active_threads(int n);

inline constexpr int NALIMOV_PATH_CAPACITY = 255;  // with the terminating zero
extern int nalimov_cache_bytes;
extern char nalimov_path[NALIMOV_PATH_CAPACITY];
