// What sets the three programs apart. Each engine library is compiled with
// exactly one of MORVAX_BUILD_VUDU, MORVAX_BUILD_SP or MORVAX_BUILD_TX; the
// code reads these constants instead of testing the definitions itself.
#pragma once

enum class BuildKind { VUDU, SP, TX };

#if defined(MORVAX_BUILD_VUDU)
inline constexpr BuildKind BUILD_KIND = BuildKind::VUDU;
#elif defined(MORVAX_BUILD_SP)
inline constexpr BuildKind BUILD_KIND = BuildKind::SP;
#elif defined(MORVAX_BUILD_TX)
inline constexpr BuildKind BUILD_KIND = BuildKind::TX;
#else
#error "define one of MORVAX_BUILD_VUDU, MORVAX_BUILD_SP, MORVAX_BUILD_TX"
#endif

inline constexpr bool MULTI_THREADED = BUILD_KIND == BuildKind::VUDU;
inline constexpr bool COMPANION_BUILD = BUILD_KIND == BuildKind::TX;

inline constexpr const char* ENGINE_NAME =
    BUILD_KIND == BuildKind::VUDU ? "Vevi MORVAX 14 KELM"
    : BUILD_KIND == BuildKind::SP ? "MORVAX 14 KELM"
                                  : "MORVAX TX 1.0";
inline constexpr const char* ENGINE_AUTHOR_NAME = "the MORVAX developers";

// The auto-save PGN file; also where loss of standard input is recorded.
inline constexpr const char* AUTOSAVE_FILE_NAME =
    BUILD_KIND == BuildKind::VUDU ? "VuduMorvax14AS.pgn" : "Morvax14AS.pgn";

// Search threads at most; the processor count lowers it at start-up.
inline constexpr int MAX_THREADS = MULTI_THREADED ? 24 : 1;

// Search instances (Position records): the main one plus those handed to
// worker threads at split points.
inline constexpr int SEARCH_INSTANCE_COUNT = MULTI_THREADED ? 216 : 1;

// The transposition table entries are XOR-folded where threads share them.
inline constexpr bool TT_XOR_FOLDED = MULTI_THREADED;

inline constexpr int DEFAULT_HASH_KB = COMPANION_BUILD ? 16384 : 131072;
