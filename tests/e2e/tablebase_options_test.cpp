// The tablebase options as an interface uses them: "NalimovPath" rescans the
// folders, "NalimovCache" rebuilds the cache, a folder named like a table is
// no table, and a table file of the wrong size ends the program with its
// message in "debug.txt".
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>
#include <string>
#include <vector>

#include "engine_process.h"
#include "tb_encoder.h"
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

// Every line up to the best move of a fixed-depth search.
std::vector<std::string> search(EngineProcess& engine, const std::string& fen) {
    engine.send("position fen " + fen);
    engine.send("go depth 6");
    std::vector<std::string> lines;
    while (std::optional<std::string> line = engine.read_line(60000)) {
        lines.push_back(*line);
        if (line->rfind("bestmove", 0) == 0) break;
    }
    return lines;
}

// The score of the last "info depth" line, "score cp 900" and the like.
std::string last_score(const std::vector<std::string>& lines) {
    std::string score;
    for (const std::string& line : lines) {
        const size_t at = line.find(" score ");
        if (line.rfind("info depth", 0) != 0 || at == std::string::npos) continue;
        const size_t end = line.find(' ', line.find(' ', at + 7) + 1);
        score = line.substr(at + 1, end - at - 1);
    }
    return score;
}

TEST_F(TablebaseOptions, ADamagedTableIsReportedOnceAndTheEvaluationAnswers) {
    // kqk with the queen's side to move, 25629 entries in four blocks, none
    // of which decodes (each starts with a match of nothing before it).
    tb_encoder::Options damaged;
    damaged.code = tb_encoder::Code::FLAT;
    damaged.raw_blocks.assign(4, {tb_encoder::match(0, 10)});
    const std::string table = tables_.file("kqk.nbw.emd");
    tb_encoder::write_bytes(table, tb_encoder::encode(std::vector<uint8_t>(25629, 100), damaged).bytes);
    engine_.send("setoption name NalimovPath value " + tables_.path());
    EXPECT_EQ(engine_.read_line(), "info string TBS 3 pieces 32Mb cache");

    const std::string fen = "8/8/8/4k3/8/8/8/K6Q w - - 0 1";  // mate too far for depth 6
    const std::vector<std::string> lines = search(engine_, fen);
    ASSERT_FALSE(lines.empty());
    int reports = 0;
    for (const std::string& line : lines)
        if (line.rfind("info string", 0) == 0) {
            EXPECT_EQ(line, "info string tablebase file " + table + " is damaged: no longer used");
            ++reports;
        }
    EXPECT_EQ(reports, 1);

    // The search answers with the evaluation's score (a queen up), not with
    // a distance to mate from the table, and plays a move.
    const std::string score = last_score(lines);
    ASSERT_EQ(score.rfind("score cp ", 0), 0u) << score;
    EXPECT_GT(std::stoi(score.substr(9)), 900) << score;
    EXPECT_EQ(lines.back().rfind("bestmove ", 0), 0u) << lines.back();
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
