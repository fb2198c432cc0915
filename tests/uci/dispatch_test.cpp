#include "uci/dispatch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "output_capture.h"
#include "search/driver.h"
#include "uci/command_words.h"

namespace {

TEST(MatchKeyword, MatchesWholeWordsWithoutRegardToCase) {
    struct Case {
        const char* keyword;
        const char* text;
        int matched;
        const char* rest;  // where the cursor stands afterwards
    };
    const Case cases[] = {
        {"go", "go depth 5", 1, "depth 5"},
        {"go", "GO", 1, ""},
        {"go", "Go \t infinite", 1, "infinite"},
        {"go", "gox", 0, "gox"},
        {"go", "g", 0, "g"},
        {"isready", "isready\t", 1, ""},
        {"position", "posit", 0, "posit"},
        {"go", "go\f\v depth", 1, "depth"},
        {"go", "go\x01 depth", 0, "go\x01 depth"},
        {"go", "go\xA0" "depth", 0, "go\xA0" "depth"},
    };
    for (const Case& c : cases) {
        const char* cursor = c.text;
        EXPECT_EQ(match_keyword(c.keyword, &cursor), c.matched) << c.keyword << " / " << c.text;
        EXPECT_STREQ(cursor, c.rest) << c.keyword << " / " << c.text;
    }
    const char* null_cursor = nullptr;
    EXPECT_EQ(match_keyword("go", &null_cursor), 0);
    EXPECT_EQ(match_keyword("go", nullptr), 0);
}

// Puts the dispatcher into a state for one test and restores it.
class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_protocol_ = protocol_state;
        saved_mode_ = search_mode;
        saved_stop_ = stop_reason;
        protocol_state = PROTOCOL_UCI;
    }
    void TearDown() override {
        protocol_state = saved_protocol_;
        search_mode = saved_mode_;
        stop_reason = saved_stop_;
    }
    int saved_protocol_ = 0;
    uint32_t saved_mode_ = 0;
    uint8_t saved_stop_ = 0;
};

TEST_F(DispatchTest, CommandsThatNeedAnIdleEngineWaitForTheSearch) {
    struct Case {
        const char* line;
        int idle_result;
        int searching_result;
    };
    const Case cases[] = {
        {"position startpos", COMMAND_HANDLED, COMMAND_BUSY},
        {"setoption name Hash value 16", COMMAND_HANDLED, COMMAND_BUSY},
        {"ucinewgame", COMMAND_HANDLED, COMMAND_BUSY},
        {"bench no-such.fen 0", COMMAND_HANDLED, COMMAND_BUSY},
        {"isready", COMMAND_HANDLED, COMMAND_HANDLED},
        {"ponderhit", COMMAND_HANDLED, COMMAND_HANDLED},
        {"setoption Hash", COMMAND_UNKNOWN, COMMAND_UNKNOWN},
        {"frobnicate", COMMAND_UNKNOWN, COMMAND_UNKNOWN},
        {"   ", COMMAND_HANDLED, COMMAND_HANDLED},
    };
    OutputCapture output;
    for (const Case& c : cases) {
        search_mode = SEARCH_MODE_IDLE;
        EXPECT_EQ(dispatch_command(c.line), c.idle_result) << c.line;
        search_mode = SEARCH_MODE_NORMAL;
        EXPECT_EQ(dispatch_command(c.line), c.searching_result) << c.line;
    }
    search_mode = SEARCH_MODE_NORMAL;
    EXPECT_EQ(dispatch_command("go depth 1"), COMMAND_BUSY);
    EXPECT_EQ(dispatch_command("quit"), COMMAND_BUSY);
    EXPECT_EQ(dispatch_command(nullptr), COMMAND_UNKNOWN);
}

TEST_F(DispatchTest, IsreadyAnswersAtOnceUnlessTheSearchIsStopping) {
    OutputCapture output;
    search_mode = SEARCH_MODE_INFINITE;
    stop_reason = 0;
    EXPECT_EQ(dispatch_command("isready"), COMMAND_HANDLED);
    EXPECT_EQ(output.text(), "readyok\n");
    stop_reason = 11;  // finished by itself, waiting for "stop"
    EXPECT_EQ(dispatch_command("isready"), COMMAND_HANDLED);
    EXPECT_EQ(output.text(), "readyok\nreadyok\n");
    stop_reason = STOP_COMMAND;
    EXPECT_EQ(dispatch_command("isready"), COMMAND_BUSY);
    EXPECT_EQ(output.text(), "readyok\nreadyok\n");  // the answer waits for the "bestmove"
}

TEST_F(DispatchTest, NothingIsAnsweredBeforeUci) {
    protocol_state = 0;
    OutputCapture output;
    for (const char* line : {"isready", "position startpos", "frobnicate", "go depth 1"})
        EXPECT_EQ(dispatch_command(line), COMMAND_HANDLED) << line;
    EXPECT_EQ(output.text(), "");
}

TEST_F(DispatchTest, UnknownWordsAreNamed) {
    OutputCapture output;
    EXPECT_EQ(dispatch_command("  Frob nicate  now"), COMMAND_UNKNOWN);
    EXPECT_EQ(output.text(), "info string unknown UCI <Frob nicate  now> command\n");
}

}  // namespace
