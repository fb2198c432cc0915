// The benchmark's positions must all be positions the engine accepts: a
// refused line would silently measure the previous position again.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>

#include "game/game_history.h"
#include "position/position.h"
#include "uci/fen.h"
#include "uci/new_game.h"

namespace {

TEST(BenchFile, EveryLineIsAnAcceptedDistinctPosition) {
    std::ifstream file(std::string(MORVAX_SOURCE_DIR) + "/bench/bench.fen");
    ASSERT_TRUE(file) << "bench/bench.fen missing";
    std::string line;
    std::set<std::pair<uint32_t, uint32_t>> keys;
    int lines = 0;
    while (std::getline(file, line)) {
        ++lines;
        if (line.empty()) {
            start_new_game();
        } else {
            const char* reason = nullptr;
            ASSERT_EQ(parse_fen(line.c_str(), &reason), 1) << line << ": " << (reason ? reason : "");
        }
        EXPECT_TRUE(keys.insert({main_position.key_lo, main_position.key_hi}).second) << "repeated: " << line;
    }
    EXPECT_GE(lines, 30);
    start_new_game();
}

}  // namespace
