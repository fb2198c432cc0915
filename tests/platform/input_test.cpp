#include "platform/input.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

// Feeds the reader through a pipe it reads in place of standard input.
class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(pipe(fds_), 0);
        input_attach(fds_[0]);
        line_.resize(MAX_INPUT_LINE + 1);
    }
    void TearDown() override {
        close_writer();
        close(fds_[0]);
        input_attach(0);
    }
    void feed(const std::string& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = write(fds_[1], bytes.data() + done, bytes.size() - done);
            ASSERT_GT(n, 0);
            done += size_t(n);
        }
    }
    void close_writer() {
        if (fds_[1] >= 0) close(fds_[1]);
        fds_[1] = -1;
    }
    std::string next_line() {
        size_t length = 0;
        EXPECT_EQ(input_read_line(line_.data(), &length), InputStatus::LINE);
        return std::string(line_.data(), length);
    }

    int fds_[2] = {-1, -1};
    std::vector<char> line_;
};

TEST_F(InputTest, AnswersReadyOnlyForWholeLines) {
    EXPECT_EQ(input_line_ready(), 0);
    feed("isre");
    EXPECT_EQ(input_line_ready(), 0);  // a partial line is not a command yet
    feed("ady\nstop\n");
    EXPECT_EQ(input_line_ready(), 1);
    EXPECT_EQ(next_line(), "isready");
    // The second line was taken from the pipe with the first: it must still count.
    EXPECT_EQ(input_line_ready(), 1);
    EXPECT_EQ(next_line(), "stop");
    EXPECT_EQ(input_line_ready(), 0);
}

TEST_F(InputTest, StripsLineEndsButKeepsEveryOtherCharacter) {
    feed("stop\r\n" "go depth 3\n" "uci \n" "\n");
    EXPECT_EQ(next_line(), "stop");
    EXPECT_EQ(next_line(), "go depth 3");
    EXPECT_EQ(next_line(), "uci ");
    EXPECT_EQ(next_line(), "");
}

TEST_F(InputTest, LastLineWithoutNewlineIsWholeThenEnd) {
    feed("isready");
    close_writer();
    EXPECT_EQ(input_line_ready(), 1);
    EXPECT_EQ(next_line(), "isready");
    size_t length = 0;
    EXPECT_EQ(input_read_line(line_.data(), &length), InputStatus::END);
    EXPECT_EQ(input_error(), 0);
    EXPECT_EQ(input_line_ready(), 1);  // the end stays reported, so the next read meets it
}

TEST_F(InputTest, OverLongLineIsDiscardedWholeAndReadingGoesOn) {
    std::string long_line(MAX_INPUT_LINE + 10, 'x');
    std::string longest(MAX_INPUT_LINE, 'y');
    // The writer blocks once the pipe is full, so feed from a second thread of control.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        feed(long_line + "\nuci\n" + longest + "\n");
        _exit(0);
    }
    close_writer();
    size_t length = 0;
    EXPECT_EQ(input_read_line(line_.data(), &length), InputStatus::TOO_LONG);
    EXPECT_EQ(next_line(), "uci");
    EXPECT_EQ(next_line(), longest);
    EXPECT_EQ(input_read_line(line_.data(), &length), InputStatus::END);
}

}  // namespace
