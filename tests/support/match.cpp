#include "match.h"

#include <cctype>
#include <chrono>
#include <map>
#include <random>
#include <utility>

#include "engine_process.h"
#include "game/game_history.h"
#include "naive_moves.h"
#include "perft.h"
#include "position/make.h"
#include "position/position.h"
#include "position/setup.h"

namespace {

using Clock = std::chrono::steady_clock;

// The referee's board is the main position of this process.
std::vector<Move> legal_moves() { return naive_legal_moves(&main_position); }

bool bare_material() {
    const Position* pos = &main_position;
    int minors = 0;
    for (int square = 0; square < 64; ++square) {
        int kind = pos->kind[square];
        if (kind == PAWN || kind == ROOK || kind == QUEEN) return false;
        if (kind == KNIGHT || kind == BISHOP) ++minors;
    }
    return minors <= 1;
}

// The move word of a "bestmove" line, empty when there is none.
std::string bestmove_word(const std::string& line) {
    size_t start = line.find_first_not_of(' ', 8);
    if (start == std::string::npos) return {};
    size_t end = line.find(' ', start);
    return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// The legal move of the referee's board named by coordinate text, or 0.
Move legal_move_named(const std::vector<Move>& legal, const std::string& word) {
    for (Move move : legal)
        if (move_text(move) == word) return move;
    return NO_MOVE;
}

// Plays a move on the referee's board.
void play_on_board(Move move) {
    make_move(&main_position, move);
    reset_ply_stack(&main_position);  // the referee keeps no stack: its game fits in one record
}

std::string lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::unique_ptr<EngineProcess> start_uci_engine(const std::string& program) {
    auto engine = std::make_unique<EngineProcess>(program);
    engine->send("uci");
    if (engine->read_until("uciok", 20000).empty()) return nullptr;
    return engine;
}

bool is_failure(GameEnd end) {
    return end == GameEnd::LOSS_ON_TIME || end == GameEnd::ILLEGAL_MOVE || end == GameEnd::NO_ANSWER;
}

const char* game_end_name(GameEnd end) {
    switch (end) {
        case GameEnd::CHECKMATE: return "checkmate";
        case GameEnd::STALEMATE: return "stalemate";
        case GameEnd::FIFTY_MOVES: return "fifty moves";
        case GameEnd::REPETITION: return "repetition";
        case GameEnd::INSUFFICIENT_MATERIAL: return "insufficient material";
        case GameEnd::MOVE_LIMIT: return "move limit";
        case GameEnd::LOSS_ON_TIME: return "loss on time";
        case GameEnd::ILLEGAL_MOVE: return "illegal move";
        case GameEnd::NO_ANSWER: return "no answer";
    }
    return "?";
}

std::vector<std::string> random_opening(int plies, unsigned seed) {
    std::mt19937 random(seed);
    setup_game(SETUP_START_POSITION, SETUP_ALL_CASTLING);
    std::vector<std::string> moves;
    for (int ply = 0; ply < plies; ++ply) {
        const std::vector<Move> legal = legal_moves();
        if (legal.empty()) break;
        const Move move = legal[random() % legal.size()];
        moves.push_back(move_text(move));
        play_on_board(move);
    }
    return moves;
}

GameResult play_game(EngineProcess* engines[2], const TimeControl& clock, int move_limit,
                     const std::vector<std::string>& opening) {
    GameResult result{GameEnd::MOVE_LIMIT, -1, {}, {}};
    setup_game(SETUP_START_POSITION, SETUP_ALL_CASTLING);
    for (int i = 0; i < 2; ++i) {
        EngineProcess* engine = engines[i];
        engine->send("ucinewgame");
        engine->send("isready");
        if (engine->read_until("readyok", 10000).empty()) {
            result.end = GameEnd::NO_ANSWER;
            result.loser = i;
            result.detail = "no readyok";
            return result;
        }
    }
    long long clocks[2] = {clock.base_ms, clock.base_ms};
    std::map<std::pair<uint32_t, uint32_t>, int> seen;
    seen[{main_position.key_lo ^ uint32_t(main_position.side), main_position.key_hi}] = 1;
    std::string moves_text;
    for (const std::string& word : opening) {
        const Move move = legal_move_named(legal_moves(), word);
        if (!move) break;
        play_on_board(move);
        moves_text += " " + word;
        result.moves.push_back(word);
        ++seen[{main_position.key_lo ^ uint32_t(main_position.side), main_position.key_hi}];
    }

    for (int ply = 0; ply < move_limit * 2; ++ply) {
        int side = main_position.side;
        std::vector<Move> legal = legal_moves();
        if (legal.empty()) {
            bool in_check = naive_square_attacked(&main_position, side ^ 1, king_square(&main_position, side));
            result.end = in_check ? GameEnd::CHECKMATE : GameEnd::STALEMATE;
            result.loser = in_check ? side : -1;
            return result;
        }
        if (main_position.fifty >= 100) {
            result.end = GameEnd::FIFTY_MOVES;
            return result;
        }
        if (bare_material()) {
            result.end = GameEnd::INSUFFICIENT_MATERIAL;
            return result;
        }

        EngineProcess* engine = engines[side];
        engine->send("position startpos" + (moves_text.empty() ? std::string() : " moves" + moves_text));
        engine->send("go wtime " + std::to_string(clocks[0]) + " btime " + std::to_string(clocks[1]) + " winc " +
                     std::to_string(clock.increment_ms) + " binc " + std::to_string(clock.increment_ms));
        auto start = Clock::now();
        auto line = engine->read_until_prefix("bestmove", int(clocks[side] + clock.margin_ms));
        long long used = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        if (!line) {
            result.end = GameEnd::NO_ANSWER;
            result.loser = side;
            result.detail = "no bestmove after " + std::to_string(used) + " ms";
            return result;
        }
        clocks[side] -= used;
        if (clocks[side] < -clock.margin_ms) {
            result.end = GameEnd::LOSS_ON_TIME;
            result.loser = side;
            result.detail = "overstepped by " + std::to_string(-clocks[side]) + " ms";
            return result;
        }
        if (clocks[side] < 1) clocks[side] = 1;
        clocks[side] += clock.increment_ms;

        std::string word = lower(bestmove_word(*line));
        const Move chosen = legal_move_named(legal, word);
        if (!chosen) {
            result.end = GameEnd::ILLEGAL_MOVE;
            result.loser = side;
            result.detail = "\"" + *line + "\"";
            return result;
        }
        play_on_board(chosen);
        moves_text += " " + word;
        result.moves.push_back(word);
        if (++seen[{main_position.key_lo ^ uint32_t(main_position.side), main_position.key_hi}] >= 3) {
            result.end = GameEnd::REPETITION;
            return result;
        }
    }
    return result;
}
