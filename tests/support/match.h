// A referee for engine-against-engine games, playing the part of a chess
// interface: it keeps the board, sends "position ... moves" and "go" with the
// clocks, checks every answer against an independent move generator, and
// ends the game by mate, stalemate, the fifty-move rule, threefold
// repetition, bare kings, a loss on time, an illegal or missing move, or a
// crash.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine_process.h"

enum class GameEnd {
    CHECKMATE,
    STALEMATE,
    FIFTY_MOVES,
    REPETITION,
    INSUFFICIENT_MATERIAL,
    MOVE_LIMIT,       // the referee stops long games
    LOSS_ON_TIME,     // the side to move overstepped its clock
    ILLEGAL_MOVE,     // the side to move answered with a move that is not legal
    NO_ANSWER,        // the side to move gave no "bestmove" in time, or its process ended
};

struct GameResult {
    GameEnd end;
    int loser;                 // side that lost (0 white, 1 black), -1 for a draw
    std::vector<std::string> moves;
    std::string detail;        // what went wrong, for a failure
};

struct TimeControl {
    int base_ms;
    int increment_ms;
    int margin_ms;  // slack granted for the process and the pipes before a loss on time
};

// Starts an engine program and goes through "uci"; nullptr when it gives no
// "uciok".
std::unique_ptr<EngineProcess> start_uci_engine(const std::string& program);

// Plays one game from the start position after the `opening` moves
// (coordinate text, legal); engines[0] has White.
GameResult play_game(EngineProcess* engines[2], const TimeControl& clock, int move_limit = 300,
                     const std::vector<std::string>& opening = {});

// `plies` random legal moves from the start position (coordinate text), for
// games that start from varied positions.
std::vector<std::string> random_opening(int plies, unsigned seed);

// True for the ends that are a fault of one engine rather than a result.
bool is_failure(GameEnd end);
const char* game_end_name(GameEnd end);
