// match: plays engine against engine as a chess interface would, checking
// every move, and prints the result of each game and the score.
//   match <engine A> <engine B> <games> <base ms> <increment ms>
// Colours alternate, A having White in the first game. The exit code is 1
// when any game ended by a fault (illegal move, no answer, loss on time).
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "engine_process.h"
#include "match.h"

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: match <engine A> <engine B> <games> <base ms> <increment ms>\n");
        return 2;
    }
    int games = std::atoi(argv[3]);
    TimeControl clock{std::atoi(argv[4]), std::atoi(argv[5]), 1000};
    double score_a = 0;
    int faults = 0;
    for (int game = 0; game < games; ++game) {
        auto a = start_uci_engine(argv[1]);
        auto b = start_uci_engine(argv[2]);
        if (!a || !b) {
            std::fprintf(stderr, "an engine gave no uciok\n");
            return 1;
        }
        bool a_white = game % 2 == 0;
        EngineProcess* sides[2] = {a_white ? a.get() : b.get(), a_white ? b.get() : a.get()};
        GameResult result = play_game(sides, clock);
        int a_side = a_white ? 0 : 1;
        double points = result.loser < 0 ? 0.5 : result.loser == a_side ? 0.0 : 1.0;
        score_a += points;
        if (is_failure(result.end)) ++faults;
        std::printf("game %d: %s, %s after %zu plies%s%s\n", game + 1, a_white ? "A white" : "A black",
                    result.loser < 0 ? "draw" : (result.loser == a_side ? "B wins" : "A wins"), result.moves.size(),
                    (" (" + std::string(game_end_name(result.end)) + ")").c_str(),
                    result.detail.empty() ? "" : (" " + result.detail).c_str());
        std::fflush(stdout);
        for (EngineProcess* engine : {a.get(), b.get()}) engine->send("quit");
    }
    std::printf("A scored %.1f of %d, %d faults\n", score_a, games, faults);
    return faults ? 1 : 0;
}
