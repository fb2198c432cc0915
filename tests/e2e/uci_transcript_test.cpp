// The engine programs as an interface sees them: started with pipes, spoken to
// one line at a time.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "engine_process.h"

namespace {

struct Program {
    const char* path;
    const char* engine_name;
    const char* autosave_file;
};

// Names the program in test output instead of dumping its bytes.
void PrintTo(const Program& program, std::ostream* out) { *out << program.engine_name; }

const Program PROGRAMS[] = {
    {MORVAX_VUDU_PATH, "Vevi MORVAX 14 KELM", "VuduMorvax14AS.pgn"},
    {MORVAX_SP_PATH, "MORVAX 14 KELM", "Morvax14AS.pgn"},
};

class UciTranscript : public ::testing::TestWithParam<Program> {
protected:
    // Starts the program and reads its two banner lines.
    void start() {
        engine_ = std::make_unique<EngineProcess>(GetParam().path);
        ASSERT_TRUE(engine_->read_line(10000)) << "no banner";
        ASSERT_TRUE(engine_->read_line()) << "no second banner line";
    }
    void handshake() {
        engine_->send("uci");
        auto lines = engine_->read_until("uciok");
        ASSERT_FALSE(lines.empty()) << "no uciok";
        EXPECT_EQ(lines.front(), std::string("id name ") + GetParam().engine_name);
    }
    std::unique_ptr<EngineProcess> engine_;
};

TEST_P(UciTranscript, SilentBeforeUciThenAnswers) {
    start();
    engine_->send("isready");
    engine_->send("frobnicate");
    EXPECT_TRUE(engine_->stays_silent(300));
    engine_->send("uci");
    auto lines = engine_->read_until("uciok");
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::string("id name ") + GetParam().engine_name);
    EXPECT_EQ(lines[1].rfind("id author ", 0), 0u) << lines[1];
    engine_->send("isready");
    EXPECT_EQ(engine_->read_line(), "readyok");
    engine_->send("quit");
    EXPECT_EQ(engine_->wait_exit(), 0);
}

TEST_P(UciTranscript, KeywordsIgnoreCaseAndLineEnds) {
    start();
    handshake();
    const std::pair<const char*, const char*> exchanges[] = {
        {"IsReady", "readyok"},
        {"isready\r", "readyok"},
        {"  isready", "readyok"},
        {"gox", "info string unknown UCI <gox> command"},
        {"isready now", "readyok"},
        {"stop now", "info string unknown UCI <stop now> command"},
    };
    for (const auto& [line, answer] : exchanges) {
        engine_->send(line);
        EXPECT_EQ(engine_->read_line(), answer) << line;
    }
    // "stop" without a search, even with a CR line end, says nothing.
    engine_->send("stop\r");
    engine_->send("stop");
    engine_->send("isready");
    EXPECT_EQ(engine_->read_line(), "readyok");
    engine_->send("QUIT");
    EXPECT_EQ(engine_->wait_exit(), 0);
}

TEST_P(UciTranscript, LongLinesStayWholeAndOverLongOnesAreDropped) {
    start();
    handshake();
    std::string long_word(900 * 1024, 'x');
    engine_->send(long_word);
    auto answer = engine_->read_line(10000);
    ASSERT_TRUE(answer);
    EXPECT_EQ(*answer, "info string unknown UCI <" + long_word + "> command");

    engine_->send(std::string(2 * 1024 * 1024, 'y'));
    answer = engine_->read_line(10000);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->rfind("info string", 0), 0u);
    EXPECT_LT(answer->size(), 200u);
    engine_->send("isready");
    EXPECT_EQ(engine_->read_line(), "readyok");
    engine_->send("quit");
    EXPECT_EQ(engine_->wait_exit(), 0);
}

// Any byte may stand inside a command: a separator splits words, anything else
// is part of one. No command may hang the reader, and nothing of the line may
// come back in an answer as a control character.
TEST_P(UciTranscript, ControlCharactersInsideCommandsNeverHangTheReader) {
    start();
    handshake();
    const char* templates[] = {
        "@position startpos",
        "position@fen 4k3/8/8/8/8/8/8/4K2R w K - 0 1 moves e1g1",
        "position fen 4k3/8/8/8/8/8/8/4K2R w K - 0@1 moves e1g1 e8d8",
        "setoption@name Search Selectivity value 7",
        "setoption name Book Mode value@Wild",
        "go@depth 1",
        "go depth 1 movest@ 5",
        "go depth 1 searchmoves e2e4@d2d4",
        "bench none.fen@0",
        "position startpos moves e2e4 e7e5@g1f3",
    };
    std::string bytes;
    for (int c = 0x01; c <= 0x1F; ++c) bytes += char(c);
    bytes += "\x7F\x80\xA0\xC3\xFF";
    for (const char* text : templates) {
        for (char byte : bytes) {
            std::string line = text;
            line[line.find('@')] = byte;
            engine_->send(line);
            engine_->send("isready");
            auto answer = engine_->read_until("readyok", 20000);
            ASSERT_FALSE(answer.empty()) << "no answer after " << text << " with byte " << int(byte & 0xFF);
            for (const std::string& out : answer)
                for (char c : out)
                    EXPECT_FALSE((c >= 0 && c < 0x20) || c == 0x7F) << out;
        }
    }
    engine_->send("quit");
    EXPECT_EQ(engine_->wait_exit(), 0);
}

TEST_P(UciTranscript, LossOfInputIsFatalAndRecorded) {
    start();
    handshake();
    engine_->send_raw("isready");  // the last line may lack its newline
    engine_->close_input();
    EXPECT_EQ(engine_->read_line(), "readyok");
    EXPECT_EQ(engine_->wait_exit(), 255);
    std::string log = read_file(engine_->folder().file(GetParam().autosave_file));
    EXPECT_EQ(log, "FATAL ERROR: stdin pipe gone errno=0\n");
}

TEST_P(UciTranscript, AFenWithAnUnknownSideIsRefusedWithItsMoves) {
    start();
    handshake();
    engine_->send("position startpos moves e2e4");
    engine_->send("position fen 4k3/8/8/8/8/8/8/4K2R x - - 0 1 moves e8d8");
    EXPECT_EQ(engine_->read_line(),
              "info string invalid FEN (side to move is neither w nor b), position and moves ignored");
    // The game before it stands: Black answers 1.e4.
    engine_->send("go depth 1");
    auto best = engine_->read_until_prefix("bestmove ");
    ASSERT_TRUE(best);
    const char from_rank = best->at(std::string("bestmove ").size() + 1);
    EXPECT_TRUE(from_rank == '7' || from_rank == '8') << *best;
    engine_->send("quit");
    EXPECT_EQ(engine_->wait_exit(), 0);
}

TEST_P(UciTranscript, QuitBeforeUciEndsCleanly) {
    start();
    engine_->send("quit");
    EXPECT_EQ(engine_->wait_exit(), 0);
}

INSTANTIATE_TEST_SUITE_P(Programs, UciTranscript, ::testing::ValuesIn(PROGRAMS),
                         [](const ::testing::TestParamInfo<Program>& info) {
                             return std::string(info.param.autosave_file).find("Vudu") == 0 ? "vudu" : "sp";
                         });

}  // namespace
