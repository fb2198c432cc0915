// morvax-vudu with all its search threads, as an interface drives it: a
// "stop" is answered at once whether idle threads spin or sleep, and "quit"
// ends the process promptly with every thread gone.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

#include "engine_process.h"

namespace {

using Clock = std::chrono::steady_clock;

long elapsed_ms(Clock::time_point since) {
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

struct ThreadSetting {
    const char* busy;
    int threads;
};

void PrintTo(const ThreadSetting& setting, std::ostream* out) {
    *out << "Busy Threads " << setting.busy << ", Threads " << setting.threads;
}

// Upper bounds, not measurements. These tests also run under ThreadSanitizer,
// which slows the start-up (the tablebase tables, the one-second
// calibration with every thread) by an order of magnitude, beside two other
// such programs and whatever else the machine is busy with; the waits end
// as soon as the answer comes. A stop or quit that waits for a search or a
// thread to end by itself takes far longer than the latency bounds.
constexpr int START_UP_WAIT_MS = 180000;
constexpr int ANSWER_WAIT_MS = 60000;
constexpr int STOP_LATENCY_MS = 5000;
constexpr int QUIT_LATENCY_MS = 10000;

class SearchThreadsProgram : public ::testing::TestWithParam<ThreadSetting> {
protected:
    void SetUp() override {
        engine_ = std::make_unique<EngineProcess>(MORVAX_VUDU_PATH);
        engine_->send("uci");
        ASSERT_FALSE(engine_->read_until("uciok", START_UP_WAIT_MS).empty());
        engine_->send(std::string("setoption name Busy Threads value ") + GetParam().busy);
        engine_->send("setoption name Threads value " + std::to_string(GetParam().threads));
        engine_->send("isready");
        ASSERT_FALSE(engine_->read_until("readyok", START_UP_WAIT_MS).empty());
    }
    std::unique_ptr<EngineProcess> engine_;
};

TEST_P(SearchThreadsProgram, StopIsAnsweredAtOnceAndQuitEndsEveryThread) {
    // A middle-game position: the split points are busy when "stop" comes.
    engine_->send("position fen r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP2BPPP/R2QKB1R w KQ - 0 8");
    for (int round = 0; round < 3; ++round) {
        engine_->send("go infinite");
        std::this_thread::sleep_for(std::chrono::milliseconds(300 + 200 * round));
        const Clock::time_point stop_sent = Clock::now();
        engine_->send("stop");
        ASSERT_TRUE(engine_->read_until_prefix("bestmove", ANSWER_WAIT_MS).has_value());
        EXPECT_LT(elapsed_ms(stop_sent), STOP_LATENCY_MS) << "round " << round;
    }
    engine_->send("go movetime 150");
    ASSERT_TRUE(engine_->read_until_prefix("bestmove", ANSWER_WAIT_MS).has_value());

    const Clock::time_point quit_sent = Clock::now();
    engine_->send("quit");
    EXPECT_EQ(engine_->wait_exit(ANSWER_WAIT_MS), 0);
    EXPECT_LT(elapsed_ms(quit_sent), QUIT_LATENCY_MS);
}

// "quit" during a search stops it first.
TEST_P(SearchThreadsProgram, QuitDuringASearchEndsTheProcess) {
    engine_->send("position startpos");
    engine_->send("go infinite");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const Clock::time_point quit_sent = Clock::now();
    engine_->send("quit");
    EXPECT_EQ(engine_->wait_exit(ANSWER_WAIT_MS), 0);
    EXPECT_LT(elapsed_ms(quit_sent), QUIT_LATENCY_MS);
}

// Threads beyond the machine's processors are refused by the option and the
// engine keeps its maximum; either way the settings below are valid.
INSTANTIATE_TEST_SUITE_P(Threads, SearchThreadsProgram,
                         ::testing::Values(ThreadSetting{"true", 8}, ThreadSetting{"false", 8},
                                           ThreadSetting{"false", 2}),
                         [](const ::testing::TestParamInfo<ThreadSetting>& info) {
                             return std::string(info.param.busy[0] == 't' ? "busy" : "sleeping") +
                                    std::to_string(info.param.threads);
                         });

}  // namespace
