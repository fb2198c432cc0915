#include "uci/command_loop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "output_capture.h"
#include "search/driver.h"
#include "uci/dispatch.h"

namespace {

// Runs process_input on lines fed through a pipe in place of standard input.
class CommandLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(pipe(fds_), 0);
        input_attach(fds_[0]);
        saved_protocol_ = protocol_state;
        protocol_state = PROTOCOL_UCI;
        search_mode = SEARCH_MODE_IDLE;
        stop_reason = 0;
    }
    void TearDown() override {
        close(fds_[1]);
        close(fds_[0]);
        input_attach(0);
        protocol_state = saved_protocol_;
        search_mode = SEARCH_MODE_IDLE;
        stop_reason = 0;
        redispatch_pending = 0;
    }
    void feed(const std::string& bytes) { ASSERT_EQ(write(fds_[1], bytes.data(), bytes.size()), ssize_t(bytes.size())); }

    int fds_[2] = {-1, -1};
    int saved_protocol_ = 0;
};

TEST_F(CommandLoopTest, LinesThatArriveTogetherAreHandledInOneCall) {
    OutputCapture output;
    feed("isready\nfrob\nisready\n");
    process_input();
    EXPECT_EQ(output.text(), "readyok\ninfo string unknown UCI <frob> command\nreadyok\n");
    EXPECT_EQ(input_line_ready(), 0);
}

TEST_F(CommandLoopTest, ACommandThatNeedsAnIdleEngineStopsTheSearchAndRunsAfterIt) {
    OutputCapture output;
    previous_position_text = "";
    search_mode = SEARCH_MODE_INFINITE;  // as when polled from inside a running search
    feed("position startpos\nisready\n");
    process_input();
    EXPECT_EQ(stop_reason, STOP_COMMAND);
    EXPECT_EQ(redispatch_pending, 1);
    EXPECT_EQ(previous_position_text, "");  // held, not carried out
    EXPECT_EQ(output.text(), "");           // nothing read past the held line

    search_mode = SEARCH_MODE_IDLE;  // the search has returned
    process_input();
    EXPECT_EQ(redispatch_pending, 0);
    EXPECT_EQ(previous_position_text, "startpos");
    // The stop reason of the finished search makes each call handle one line.
    process_input();
    EXPECT_EQ(output.text(), "readyok\n");
}

TEST_F(CommandLoopTest, StopActsOnlyAsAWholeLine) {
    OutputCapture output;
    search_mode = SEARCH_MODE_NORMAL;
    feed("stop \n");
    process_input();
    EXPECT_EQ(stop_reason, 0);
    EXPECT_EQ(output.text(), "info string unknown UCI <stop > command\n");
    feed("stop\r\n");
    process_input();
    EXPECT_EQ(stop_reason, STOP_COMMAND);
}

}  // namespace
