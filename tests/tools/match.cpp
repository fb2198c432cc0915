// match: plays engine against engine as a chess interface would, checking
// every move, and prints the result of each game and the score.
//   match <engine A> <engine B> <games> <base ms> <increment ms>
//         [--opening-plies <n>] [--seed <s>] [--option-a <name>=<value>]... [--option-b <name>=<value>]...
// Colours alternate, A having White in the first game. With --opening-plies
// each pair of games starts after the same n random legal moves, once with
// either colour. The options are set with "setoption" before every game.
// The exit code is 1 when any game ended by a fault (illegal move, no
// answer, loss on time).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine_process.h"
#include "match.h"

namespace {

// "name=value" as a "setoption" line.
std::string setoption_line(const std::string& assignment) {
    const size_t equals = assignment.find('=');
    if (equals == std::string::npos) return "setoption name " + assignment;
    return "setoption name " + assignment.substr(0, equals) + " value " + assignment.substr(equals + 1);
}

// The Elo difference of a score share.
double elo_of(double share) { return -400.0 * std::log10(1.0 / share - 1.0); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr,
                     "usage: match <engine A> <engine B> <games> <base ms> <increment ms> [--opening-plies <n>]"
                     " [--seed <s>] [--option-a <name>=<value>]... [--option-b <name>=<value>]...\n");
        return 2;
    }
    int games = std::atoi(argv[3]);
    TimeControl clock{std::atoi(argv[4]), std::atoi(argv[5]), 1000};
    int opening_plies = 0;
    unsigned seed = 1;
    std::vector<std::string> options[2];
    for (int i = 6; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--opening-plies")
            opening_plies = std::atoi(argv[i + 1]);
        else if (flag == "--seed")
            seed = unsigned(std::strtoul(argv[i + 1], nullptr, 10));
        else if (flag == "--option-a" || flag == "--option-b")
            options[flag == "--option-a" ? 0 : 1].push_back(setoption_line(argv[i + 1]));
        else {
            std::fprintf(stderr, "match: unknown argument %s\n", flag.c_str());
            return 2;
        }
    }
    double score_a = 0;
    int wins = 0, draws = 0, losses = 0;
    int faults = 0;
    for (int game = 0; game < games; ++game) {
        auto a = start_uci_engine(argv[1]);
        auto b = start_uci_engine(argv[2]);
        if (!a || !b) {
            std::fprintf(stderr, "an engine gave no uciok\n");
            return 1;
        }
        EngineProcess* engines[2] = {a.get(), b.get()};
        for (int e = 0; e < 2; ++e)
            for (const std::string& line : options[e]) engines[e]->send(line);
        const std::vector<std::string> opening =
            opening_plies > 0 ? random_opening(opening_plies, seed + unsigned(game / 2)) : std::vector<std::string>{};
        bool a_white = game % 2 == 0;
        EngineProcess* sides[2] = {a_white ? a.get() : b.get(), a_white ? b.get() : a.get()};
        GameResult result = play_game(sides, clock, 300, opening);
        int a_side = a_white ? 0 : 1;
        double points = result.loser < 0 ? 0.5 : result.loser == a_side ? 0.0 : 1.0;
        score_a += points;
        (points == 1.0 ? wins : points == 0.0 ? losses : draws) += 1;
        if (is_failure(result.end)) ++faults;
        std::printf("game %d: %s, %s after %zu plies%s%s\n", game + 1, a_white ? "A white" : "A black",
                    result.loser < 0 ? "draw" : (result.loser == a_side ? "B wins" : "A wins"), result.moves.size(),
                    (" (" + std::string(game_end_name(result.end)) + ")").c_str(),
                    result.detail.empty() ? "" : (" " + result.detail).c_str());
        std::fflush(stdout);
        for (EngineProcess* engine : {a.get(), b.get()}) engine->send("quit");
    }
    std::printf("A scored %.1f of %d (+%d =%d -%d), %d faults\n", score_a, games, wins, draws, losses, faults);
    // The Elo of the score with the 95% interval of its share (the spread of
    // the game results around their mean).
    if (games > 0 && wins > 0 && losses > 0) {
        const double share = score_a / games;
        const double deviation = std::sqrt((wins * std::pow(1 - share, 2) + draws * std::pow(0.5 - share, 2) +
                                            losses * std::pow(share, 2)) /
                                           games);
        const double margin = 1.96 * deviation / std::sqrt(double(games));
        std::printf("Elo %+.0f (95%%: %+.0f .. %+.0f)\n", elo_of(share), elo_of(std::max(share - margin, 1e-3)),
                    elo_of(std::min(share + margin, 1 - 1e-3)));
    }
    return faults ? 1 : 0;
}
