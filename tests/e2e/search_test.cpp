// "go" and what comes with it, as an interface drives a search: the answers,
// their order, and the commands that arrive while the engine thinks.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine_process.h"

namespace {

using Clock = std::chrono::steady_clock;

long ms_since(Clock::time_point since) {
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// The figures of the line before "bestmove": "info time T nps R nodes N".
struct FinalFigures {
    long time = -1, nps = -1, nodes = -1;
};
FinalFigures final_figures(const std::vector<std::string>& lines) {
    FinalFigures figures;
    std::smatch found;
    const std::regex statistics("info time (\\d+) nps (\\d+) nodes (\\d+)");
    if (lines.size() >= 2 && std::regex_match(lines[lines.size() - 2], found, statistics))
        figures = {std::stol(found[1].str()), std::stol(found[2].str()), std::stol(found[3].str())};
    return figures;
}

// The depths of the "info depth" lines, in their order.
std::vector<int> depths_shown(const std::vector<std::string>& lines) {
    std::vector<int> depths;
    std::smatch found;
    const std::regex depth_line("info (multipv \\d+ )?depth (\\d+) .*");
    for (const std::string& line : lines)
        if (std::regex_match(line, found, depth_line)) depths.push_back(std::stoi(found[2].str()));
    return depths;
}

const char* const KIWIPETE = "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

class SearchCommands : public ::testing::Test {
protected:
    void SetUp() override {
        engine_ = std::make_unique<EngineProcess>(MORVAX_SP_PATH);
        engine_->send("uci");
        ASSERT_FALSE(engine_->read_until("uciok", 20000).empty());
    }
    void TearDown() override {
        engine_->send("quit");
        EXPECT_EQ(engine_->wait_exit(10000), 0);
    }
    // The lines up to and including the next "bestmove".
    std::vector<std::string> until_bestmove(int timeout_ms = 20000) {
        std::vector<std::string> lines;
        while (auto line = engine_->read_line(timeout_ms)) {
            lines.push_back(*line);
            if (line->rfind("bestmove", 0) == 0) return lines;
        }
        ADD_FAILURE() << "no bestmove";
        return lines;
    }
    static std::string best_of(const std::vector<std::string>& lines) {
        if (lines.empty()) return {};
        std::smatch found;
        std::regex_search(lines.back(), found, std::regex("^bestmove (\\S+)"));
        return found.size() > 1 ? found[1].str() : std::string();
    }
    std::unique_ptr<EngineProcess> engine_;
};

TEST_F(SearchCommands, DepthSearchAnswersWithStatisticsAndBestMove) {
    engine_->send("position startpos moves e2e4");
    engine_->send("go depth 6");
    auto lines = until_bestmove();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_TRUE(std::regex_match(lines[lines.size() - 2], std::regex("info time \\d+ nps \\d+ nodes \\d+")))
        << lines[lines.size() - 2];
    EXPECT_TRUE(std::regex_match(lines.back(), std::regex("bestmove [a-h][1-8][a-h][1-8]  ponder [a-h][1-8][a-h][1-8] ")))
        << lines.back();
}

TEST_F(SearchCommands, FindsTheMateInOne) {
    // Scholar's mate: Qxf7 is the only mate.
    engine_->send("position startpos moves e2e4 e7e5 d1h5 b8c6 f1c4 g8f6");
    engine_->send("go depth 4");
    EXPECT_EQ(best_of(until_bestmove()), "h5f7");
}

TEST_F(SearchCommands, SearchMovesRestrictTheRoot) {
    engine_->send("position startpos");
    engine_->send("go depth 4 searchmoves a2a3 h2h3");
    std::string best = best_of(until_bestmove());
    EXPECT_TRUE(best == "a2a3" || best == "h2h3") << best;
}

TEST_F(SearchCommands, InfiniteAnalysisWaitsForStopAndAnswersIsready) {
    engine_->send("position startpos");
    engine_->send("go infinite");
    engine_->send("isready");
    auto ready = engine_->read_until("readyok", 5000);
    ASSERT_FALSE(ready.empty()) << "isready not answered during the search";
    for (const std::string& line : ready) EXPECT_NE(line.rfind("bestmove", 0), 0u) << line;
    engine_->send("stop");
    EXPECT_FALSE(best_of(until_bestmove(5000)).empty());
    engine_->send("isready");
    EXPECT_FALSE(engine_->read_until("readyok", 5000).empty());
}

TEST_F(SearchCommands, AnInfiniteSearchThatEndsByItselfStillWaits) {
    // Mate in one found at once: the search has nothing left to do, but
    // analysis ends only with "stop".
    engine_->send("position fen 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1");
    engine_->send("go infinite");
    engine_->send("isready");
    auto ready = engine_->read_until("readyok", 5000);
    ASSERT_FALSE(ready.empty());
    for (const std::string& line : ready) EXPECT_NE(line.rfind("bestmove", 0), 0u) << line;
    engine_->send("stop");
    EXPECT_EQ(best_of(until_bestmove(5000)), "a1a8");
}

TEST_F(SearchCommands, PonderhitTurnsPonderingIntoTheSearchForTheMove) {
    engine_->send("position startpos moves e2e4 e7e5");
    engine_->send("go ponder wtime 2000 btime 2000");
    engine_->send("ponderhit");
    auto lines = until_bestmove(10000);
    EXPECT_FALSE(best_of(lines).empty());
}

TEST_F(SearchCommands, StopWhilePonderingGivesTheMove) {
    engine_->send("position startpos moves d2d4");
    engine_->send("go ponder wtime 60000 btime 60000");
    engine_->send("stop");
    EXPECT_FALSE(best_of(until_bestmove(5000)).empty());
    engine_->send("ponderhit");  // stray: nothing to switch
    engine_->send("isready");
    EXPECT_EQ(engine_->read_line(5000), "readyok");
}

TEST_F(SearchCommands, APositionDuringTheSearchStopsItAndRunsAfterTheBestMove) {
    engine_->send("position startpos");
    engine_->send("go infinite");
    engine_->send("position startpos moves e2e4 e7e5 d1h5 b8c6 f1c4 g8f6");
    EXPECT_FALSE(best_of(until_bestmove(5000)).empty());
    engine_->send("go depth 3");
    EXPECT_EQ(best_of(until_bestmove()), "h5f7");
}

TEST_F(SearchCommands, SetoptionDuringTheSearchWaitsForIt) {
    engine_->send("position startpos");
    engine_->send("go infinite");
    engine_->send("setoption name MultiPV value 3");
    EXPECT_FALSE(best_of(until_bestmove(5000)).empty());  // the option stopped the search
    engine_->send("uci");
    auto lines = engine_->read_until("uciok", 5000);
    bool applied = false;
    for (const std::string& line : lines)
        applied |= line == "option name MultiPV type spin min 1 max 127 default 3";
    EXPECT_TRUE(applied);
}

TEST_F(SearchCommands, ClockSearchesAnswerInTime) {
    const char* clocks[] = {"go wtime 0 btime 0", "go wtime 300 btime 300 winc 0 binc 0",
                            "go movetime 200", "go wtime 1000 btime 1000 movestogo 65536"};
    for (const char* go : clocks) {
        engine_->send("position startpos moves g1f3");
        engine_->send("ucinewgame");
        engine_->send("position startpos");
        engine_->send(go);
        EXPECT_FALSE(best_of(until_bestmove(3000)).empty()) << go;
    }
}

// A "movetime" caps its own search only: a clock search after it plans from the
// clock, which grants a minute's game far more than 200 ms for one move.
TEST_F(SearchCommands, AMoveTimeDoesNotCapTheNextClockSearch) {
    engine_->send("position startpos");
    engine_->send("go movetime 200");
    EXPECT_FALSE(best_of(until_bestmove(3000)).empty());
    engine_->send("position startpos moves e2e4");
    auto start = std::chrono::steady_clock::now();
    engine_->send("go wtime 60000 btime 60000");
    EXPECT_FALSE(best_of(until_bestmove()).empty());
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_GT(elapsed.count(), 600);
}

// A search that ends before its "info" output begins shows its result once,
// right before the statistics and the best move; promotions go out in lower
// case, as UCI clients read them.
TEST_F(SearchCommands, AQuickSearchShowsItsResultOnce) {
    struct Case {
        const char* position;
        const char* go;
        const char* line;  // pattern of the one line with a score
        const char* best;
    };
    const Case cases[] = {
        {"fen kbK5/pp6/1P6/8/8/8/8/R7 w - - 0 1", "go movetime 1000",
         "info depth \\d+ seldepth \\d+ time \\d+ nodes [1-9]\\d* nps \\d+ score mate 2 pv a1a6 .*", "a1a6"},
        {"startpos", "go depth 2",
         "info depth 2 seldepth \\d+ time \\d+ nodes [1-9]\\d* nps \\d+ score cp -?\\d+ pv ([a-h][1-8][a-h][1-8] )+",
         ""},
        {"fen 8/4P1k1/8/8/8/2K5/8/8 w - - 0 1", "go depth 6", "info depth 6 .* score cp \\d+ pv e7e8q .*", "e7e8q"},
    };
    for (const Case& c : cases) {
        engine_->send(std::string("position ") + c.position);
        engine_->send(c.go);
        auto lines = until_bestmove();
        ASSERT_GE(lines.size(), 3u) << c.position;
        int scored = 0;
        for (const std::string& line : lines) {
            scored += line.find(" score ") != std::string::npos;
            EXPECT_FALSE(std::regex_search(line, std::regex("[a-h][1-8][a-h][1-8][QRBN]"))) << line;
        }
        EXPECT_EQ(scored, 1) << c.position;
        EXPECT_TRUE(std::regex_match(lines[lines.size() - 3], std::regex(c.line))) << lines[lines.size() - 3];
        EXPECT_EQ(lines[lines.size() - 2].rfind("info time ", 0), 0u) << lines[lines.size() - 2];
        if (*c.best) {
            EXPECT_EQ(best_of(lines), c.best) << c.position;
        }
    }
}

// Lines that show nodes and a rate count them as they print: the first line
// of a timed search too, the rate being the nodes over the time of the line.
TEST_F(SearchCommands, NodeFiguresAreThoseOfTheirMoment) {
    engine_->send("position startpos");
    engine_->send("go movetime 600");
    auto lines = until_bestmove(5000);
    const std::regex pv_line("info .*time (\\d+) nodes (\\d+) nps (\\d+) .*");
    const std::regex statistics("info time (\\d+) nps (\\d+) nodes (\\d+)");
    int pv_lines = 0;
    for (const std::string& line : lines) {
        std::smatch found;
        if (std::regex_match(line, found, pv_line)) {
            uint64_t time = std::stoull(found[1].str()), nodes = std::stoull(found[2].str());
            EXPECT_GT(nodes, 0u) << line;
            EXPECT_EQ(std::stoull(found[3].str()), nodes * 1000 / (time + 1)) << line;
            ++pv_lines;
        } else if (std::regex_match(line, found, statistics)) {
            uint64_t time = std::stoull(found[1].str()), nodes = std::stoull(found[3].str());
            EXPECT_EQ(std::stoull(found[2].str()), nodes * 1000 / time) << line;
        }
    }
    EXPECT_GE(pv_lines, 1);
}

// Every "go" is answered, a finished game too: the score of the position on
// a line without moves, then the null move; analysis and pondering still
// wait for "stop".
TEST_F(SearchCommands, AFinishedGameAnswersTheNullMove) {
    const char* const mated = "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3";
    const char* const stalemate = "k7/1nK5/1P6/3B4/8/8/8/8 b - - 0 1";  // the pinned knight has moves, none legal
    struct Case {
        const char* fen;
        const char* go;
        const char* score;
    };
    const Case cases[] = {
        {mated, "go depth 3", "score mate 0"},       {stalemate, "go depth 3", "score cp 0"},
        {mated, "go infinite", "score mate 0"},      {stalemate, "go infinite", "score cp 0"},
        {mated, "go ponder wtime 1000 btime 1000", "score mate 0"},
    };
    for (const Case& c : cases) {
        engine_->send(std::string("position fen ") + c.fen);
        engine_->send(c.go);
        engine_->send("isready");
        auto lines = engine_->read_until("readyok", 5000);
        ASSERT_FALSE(lines.empty()) << c.go;
        bool waits = std::string(c.go).find("depth") == std::string::npos;
        if (waits) {
            for (const std::string& line : lines) EXPECT_NE(line.rfind("bestmove", 0), 0u) << c.go << ": " << line;
            engine_->send("stop");
            auto rest = until_bestmove(5000);
            lines.insert(lines.end(), rest.begin(), rest.end());
        }
        lines.erase(std::remove(lines.begin(), lines.end(), "readyok"), lines.end());
        ASSERT_EQ(lines.size(), 3u) << c.fen << " " << c.go;
        EXPECT_TRUE(std::regex_match(lines[0], std::regex(std::string("info depth 0 .* ") + c.score)))
            << c.go << ": " << lines[0];
        EXPECT_EQ(lines[1].rfind("info time ", 0), 0u) << lines[1];
        EXPECT_EQ(lines[2], "bestmove 0000 ") << c.fen << " " << c.go;
    }
}

// A search without a clock (analysis, a hint, the bench) leaves nothing that
// cuts the next clock search short: it completes its iterations and uses
// its planned time. A minute's clock plans at least 1825 ms (a thirtieth of
// what it keeps back), of which an easy move may save three quarters.
TEST_F(SearchCommands, AClockSearchAfterAnySearchWithoutAClockThinks) {
    const std::string position = "position fen rnb1k1nr/ppp1pp2/6pp/1P1p2B1/2Pb4/5P1N/P3P1Pq/RN1QKB1R b KQkq - 0 10";
    write_file(engine_->folder().file("one.fen"), position.substr(13) + "\n");
    const char* const before[] = {"go depth 9", "go movetime 300", "go infinite", "bench one.fen 1"};
    for (const char* search : before) {
        engine_->send(position);
        engine_->send(search);
        if (std::string(search) == "go infinite") {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            engine_->send("stop");
        }
        if (std::string(search).rfind("bench", 0) == 0)
            ASSERT_TRUE(engine_->read_until_prefix("average depth=", 30000)) << search;
        else
            until_bestmove();
        engine_->send("position startpos moves e2e4");
        engine_->send("go wtime 60000 btime 60000");
        auto lines = until_bestmove();
        std::vector<int> depths = depths_shown(lines);
        ASSERT_FALSE(depths.empty()) << search;
        EXPECT_GE(*std::max_element(depths.begin(), depths.end()), 6) << "after " << search;  // 5 complete
        EXPECT_GT(final_figures(lines).time, 1825 / 10) << "after " << search;
    }
}

// No "info depth" line for an iteration that never runs: a "go depth" search
// announces none beyond its depth (MultiPV starts the announcements at depth
// 7), and a search stopped before its first iteration shows no result line,
// only its best move.
TEST_F(SearchCommands, NoIterationIsShownThatDidNotRun) {
    struct Case {
        const char* multipv;
        const char* go;
        int deepest;  // 0: no depth line at all
    };
    const Case cases[] = {{"2", "go depth 8", 8}, {"1", "go movetime 0", 0}};
    for (const Case& c : cases) {
        engine_->send(std::string("setoption name MultiPV value ") + c.multipv);
        engine_->send("position startpos");
        engine_->send(c.go);
        auto lines = until_bestmove();
        EXPECT_FALSE(best_of(lines).empty()) << c.go;
        std::vector<int> depths = depths_shown(lines);
        int deepest = depths.empty() ? 0 : *std::max_element(depths.begin(), depths.end());
        EXPECT_EQ(deepest, c.deepest) << c.go;
        for (int depth : depths) EXPECT_GE(depth, 1) << c.go;
    }
}

// Small clocks, each searched on a few positions: the time the engine
// reports never reaches the clock. A search that the machine itself held up
// (a busy machine can keep any process from its processor longer than such
// a clock) is searched once more; an engine that plans or polls beyond the
// clock overruns it every time.
TEST_F(SearchCommands, ASmallClockIsNeverOverrun) {
    struct Case {
        int time_ms, increment_ms;
    };
    const Case cases[] = {{1000, 0}, {100, 1000}, {50, 1000}};
    const char* const positions[] = {"startpos", "startpos moves e2e4", KIWIPETE};
    for (const Case& c : cases) {
        for (const char* position : positions) {
            std::string times;
            bool in_time = false;
            for (int attempt = 0; attempt < 3 && !in_time; ++attempt) {
                engine_->send(std::string("position ") + position);
                engine_->send("go wtime " + std::to_string(c.time_ms) + " btime " + std::to_string(c.time_ms) +
                              " winc " + std::to_string(c.increment_ms) + " binc " + std::to_string(c.increment_ms));
                long time = final_figures(until_bestmove()).time;
                in_time = time >= 0 && time < c.time_ms;
                times += " " + std::to_string(time);
            }
            EXPECT_TRUE(in_time) << c.time_ms << "+" << c.increment_ms << " " << position << ": reported" << times;
        }
    }
}

TEST_F(SearchCommands, BenchPrintsItsSummary) {
    write_file(engine_->folder().file("two.fen"),
               "\n8/8/8/4k3/8/8/2PK4/8 w - - 0 1\n");
    engine_->send("bench two.fen 1");
    auto summary = engine_->read_until_prefix("average depth=", 10000);
    ASSERT_TRUE(summary);
    EXPECT_TRUE(std::regex_match(*summary, std::regex("average depth=\\d+\\.\\d\\d nps=\\d+, \\d+\\.\\d\\d\\ds")))
        << *summary;
}

// A search under the strength limit sleeps to keep its node rate, and still
// keeps its clock and answers "stop" and "quit" at once. The bounds are far
// above what an idle machine takes (a few ms; the limit's sleeps last 20 ms
// at most) and far below what the sleeps took when they ran on regardless
// (a second and more at the lowest rating).
constexpr long LIMITED_ANSWER_MS = 1000;

class LimitedSearch : public SearchCommands, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        SearchCommands::SetUp();
        engine_->send("setoption name UCI_LimitStrength value true");
        engine_->send("setoption name UCI_Elo value " + std::to_string(GetParam()));
        engine_->send("position " + std::string(KIWIPETE));
    }
};

TEST_P(LimitedSearch, KeepsItsClock) {
    struct Case {
        const char* go;
        long most_ms;  // the reported time stays below it
    };
    // The clock plans 30 ms at most; the move time is kept to about a ms,
    // and is far from the second the sleeps used to add.
    const Case cases[] = {{"go wtime 500 btime 500", 500}, {"go movetime 300", 600}};
    for (const Case& c : cases) {
        engine_->send(c.go);
        FinalFigures figures = final_figures(until_bestmove());
        EXPECT_GE(figures.time, 0) << c.go;
        EXPECT_LT(figures.time, c.most_ms) << c.go;
    }
}

TEST_P(LimitedSearch, AnswersStopAtOnce) {
    engine_->send("go infinite");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const Clock::time_point sent = Clock::now();
    engine_->send("stop");
    EXPECT_FALSE(best_of(until_bestmove(10000)).empty());
    EXPECT_LT(ms_since(sent), LIMITED_ANSWER_MS);
}

TEST_P(LimitedSearch, EndsAtOnceOnQuit) {
    engine_->send("go infinite");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const Clock::time_point sent = Clock::now();
    engine_->send("quit");
    EXPECT_EQ(engine_->wait_exit(10000), 0);
    EXPECT_LT(ms_since(sent), LIMITED_ANSWER_MS);
}

INSTANTIATE_TEST_SUITE_P(Elo, LimitedSearch, ::testing::Values(750, 2000));

// After "ponderhit" the limited engine searches on at its node rate (UCI_Elo
// 2000: 256 nodes a second) for the rest of its planned time: 2312 ms for
// two minutes on the clock, less the 1.5 s spent pondering. An engine that
// slept after "ponderhit" for about as long as it had pondered would search
// nothing more and show the rate of its pondering spread over the whole
// time; the bound lies halfway between that and the rate (the root's own few
// dozen nodes are counted on top of it).
TEST_F(SearchCommands, APonderhitSearchGoesOnAtTheLimitedRate) {
    const long rate = 256;
    engine_->send("setoption name UCI_LimitStrength value true");
    engine_->send("setoption name UCI_Elo value 2000");
    engine_->send("position startpos moves e2e4");
    const Clock::time_point start = Clock::now();
    engine_->send("go ponder wtime 120000 btime 120000");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const long pondered = ms_since(start);
    engine_->send("ponderhit");
    FinalFigures figures = final_figures(until_bestmove());
    ASSERT_GE(figures.time, 0);
    const long after = figures.time;  // the time is counted from "ponderhit"
    EXPECT_GT(figures.nps, rate * (pondered + after / 2) / (pondered + after)) << after << " ms after ponderhit";
    EXPECT_LT(figures.nps, rate * 5 / 4) << after << " ms after ponderhit";
}

// A fixed-depth search of a position answers the same whatever the engine
// searched before: after "ucinewgame" the score and the move of a fresh
// engine; without it the same score (the move may be another of the same
// score, as the learned move order differs).
TEST_F(SearchCommands, APositionGetsTheSameAnswerWhateverWasSearchedBefore) {
    const std::string rook_ending = "position fen 8/5k2/8/3P4/8/2K5/6r1/3R4 w - - 0 1";
    const std::string pawn_ending = "position fen 8/8/4k3/8/2p5/8/1PK5/8 w - - 0 1";
    // The score and the best move of the last iteration.
    auto answer = [this](const std::string& go) {
        engine_->send(go);
        auto lines = until_bestmove();
        std::string score;
        std::smatch found;
        for (const std::string& line : lines)
            if (std::regex_search(line, found, std::regex(" score (cp|mate) (-?\\d+)"))) score = found[0].str();
        return std::make_pair(score, best_of(lines));
    };
    engine_->send(rook_ending);
    const auto fresh = answer("go depth 2");
    ASSERT_FALSE(fresh.first.empty());

    engine_->send(pawn_ending);
    answer("go depth 10");
    engine_->send(rook_ending);
    EXPECT_EQ(answer("go depth 2").first, fresh.first);

    engine_->send(pawn_ending);
    answer("go depth 10");
    engine_->send("ucinewgame");
    engine_->send(rook_ending);
    EXPECT_EQ(answer("go depth 2"), fresh);
}

}  // namespace
