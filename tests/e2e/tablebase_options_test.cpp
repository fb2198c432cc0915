// The tablebase options as an interface uses them: "NalimovPath" rescans the
// folders, "NalimovCache" rebuilds the cache, a folder named like a table is
// no table, and a table file of the wrong size ends the program with its
// message in "debug.txt".
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "engine_process.h"
#include "temp_dir.h"

namespace {

class TablebaseOptions : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(engine_.read_line(10000)) << "no banner";
        engine_.send("uci");
        ASSERT_FALSE(engine_.read_until("uciok").empty());
    }
    EngineProcess engine_{MORVAX_SP_PATH};
    TempDir tables_;
};

// kqk with the queen's side to move: 25629 one-byte entries, all draws.
void write_kqk(const TempDir& dir, size_t entries) { write_file(dir.file("kqk.nbw"), std::string(entries, '\0')); }

TEST_F(TablebaseOptions, PathAndCache) {
    write_kqk(tables_, 25629);
    engine_.send("setoption name NalimovPath value " + tables_.path());
    EXPECT_EQ(engine_.read_line(), "info string TBS 3 pieces 32Mb cache");
    engine_.send("setoption name NalimovCache value 8");
    EXPECT_EQ(engine_.read_line(), "info string TBS 3 pieces 8Mb cache");
    engine_.send("setoption name NalimovCache value 512");  // above the accepted range: ignored
    engine_.send("setoption name NalimovPath value " + std::string(255, 'x'));  // too long: ignored
    engine_.send("isready");
    EXPECT_EQ(engine_.read_line(), "readyok");
    engine_.send("uci");
    auto lines = engine_.read_until("uciok");
    bool shown = false;
    for (const std::string& line : lines) shown = shown || line == "option name NalimovPath type string default " + tables_.path();
    EXPECT_TRUE(shown);
    engine_.send("quit");
    EXPECT_EQ(engine_.wait_exit(), 0);
}

TEST_F(TablebaseOptions, AFolderNamedLikeATableIsNoTable) {
    // No table found: no cache line, and the program goes on.
    ASSERT_EQ(mkdir(tables_.file("kqk.nbw").c_str(), 0755), 0);
    engine_.send("setoption name NalimovPath value " + tables_.path());
    engine_.send("isready");
    EXPECT_EQ(engine_.read_line(), "readyok");
    engine_.send("quit");
    EXPECT_EQ(engine_.wait_exit(), 0);
}

TEST_F(TablebaseOptions, WrongSizeEndsTheProgram) {
    write_kqk(tables_, 25628);
    engine_.send("setoption name NalimovPath value " + tables_.path());
    EXPECT_EQ(engine_.wait_exit(), 1);
    const std::string log = read_file(engine_.folder().file("debug.txt"));
    EXPECT_NE(log.find("*** " + tables_.file("kqk.nbw") + " corrupted"), std::string::npos) << log;
}

}  // namespace
