// Whole games as an interface plays them: the engine against itself and,
// where Debian's engines are installed, against them, with a real clock.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "engine_process.h"
#include "match.h"

namespace {

void play_games(const std::string& a_path, const std::string& b_path, int games, TimeControl clock) {
    for (int game = 0; game < games; ++game) {
        auto a = start_uci_engine(a_path);
        auto b = start_uci_engine(b_path);
        ASSERT_TRUE(a && b) << "no uciok";
        bool a_white = game % 2 == 0;
        EngineProcess* sides[2] = {a_white ? a.get() : b.get(), a_white ? b.get() : a.get()};
        GameResult result = play_game(sides, clock);
        EXPECT_FALSE(is_failure(result.end))
            << "game " << game + 1 << ": " << game_end_name(result.end) << " by "
            << (result.loser == 0 ? "white" : "black") << " " << result.detail << " after "
            << result.moves.size() << " plies";
        a->send("quit");
        b->send("quit");
        EXPECT_EQ(a->wait_exit(5000), 0);
    }
}

TEST(Games, TheTwoEnginesPlayEachOtherWithAClock) {
    play_games(MORVAX_VUDU_PATH, MORVAX_SP_PATH, 4, TimeControl{2000, 20, 1000});
}

TEST(Games, AgainstStockfish) {
    const char* stockfish = "/usr/games/stockfish";
    if (access(stockfish, X_OK) != 0) GTEST_SKIP() << "stockfish is not installed";
    play_games(MORVAX_SP_PATH, stockfish, 2, TimeControl{2000, 20, 1000});
}

}  // namespace
