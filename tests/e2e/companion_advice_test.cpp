// morvax-tx driven as an analysis interface drives it: the handshake, a
// short game, then move advice ("go ... mvinfo-advice n") answered with one
// graded line per legal move and no best move.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "engine_process.h"
#include "human_book_writer.h"
#include "temp_dir.h"

namespace {

using Lines = std::vector<std::string>;

const char* const BOOK_SOURCE = R"(version 2
position startpos
move d2d4 class 6
move e2e4 class 3 result 7/2/1 elo 2400/2300 year 1999
move g1f3 class 1
position startpos moves e2e4 e7e5
move g1f3 class 5
position startpos moves d2d4 d7d5
move c2c4 class 4
)";

// One advice line: its place, depth, time, score text, merit and line.
const std::regex ADVICE_LINE(
    "info multipv ([0-9]+) depth ([0-9]+) time ([0-9]+) nps [0-9]+ score (book|cp -?[0-9]+|mate -?[0-9]+) "
    "merit ([0-8])( tbhits [0-9]+)? pv ((?:[a-h][1-8][a-h][1-8][qrbn]? )+)");

struct Advice {
    int multipv, depth, time_ms, merit;
    std::string score, first_move;
};

class TxAdvice : public ::testing::Test {
protected:
    void SetUp() override {
        HumanBookSource book;
        std::string error;
        ASSERT_TRUE(compile_human_book(BOOK_SOURCE, &book, &error)) << error;
        const std::string path = books_.file("advice.vrh");
        write_file(path, human_book_bytes(book));
        EngineEnvironment environment;
        environment.arguments = {"book", path};
        engine_ = std::make_unique<EngineProcess>(MORVAX_TX_PATH, environment);
        ASSERT_EQ(engine_->read_line(10000), "MORVAX TX 1.0");
        ASSERT_TRUE(engine_->read_line());
        ASSERT_EQ(engine_->read_line(10000), "Book version=2 positions=5 variations=5 games=10");
        engine_->send("uci");
        ASSERT_EQ(engine_->read_until("uciok").back(), "uciok");
        engine_->send("isready");
        ASSERT_EQ(engine_->read_line(), "readyok");
    }

    // "go mvinfo-advice <ms>" on the position, then "isready": the advice,
    // parsed, up to the "readyok" that must close it; any other line fails.
    std::vector<Advice> advise(const std::string& position, int ms, const std::string& between = "") {
        engine_->send(position);
        engine_->send("go mvinfo-advice " + std::to_string(ms));
        if (!between.empty()) engine_->send(between);
        engine_->send("isready");
        Lines lines = engine_->read_until("readyok", ms + 20000);
        EXPECT_FALSE(lines.empty()) << position << ": no readyok";
        if (!lines.empty()) lines.pop_back();
        std::vector<Advice> advice;
        for (const std::string& line : lines) {
            std::smatch m;
            if (!std::regex_match(line, m, ADVICE_LINE)) {
                ADD_FAILURE() << position << ": not an advice line: " << line;
                continue;
            }
            const std::string moves = m[7];
            advice.push_back({std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[5]), m[4],
                              moves.substr(0, moves.find(' '))});
        }
        return advice;
    }

    TempDir books_;
    std::unique_ptr<EngineProcess> engine_;
};

TEST_F(TxAdvice, OneLinePerLegalMoveBookMovesFirst) {
    struct Case {
        const char* position;
        size_t lines;                // legal moves less the promotions of a file already shown
        Lines book;                  // the book's moves, in their order
        std::vector<int> merits;     // and their merits
    };
    const Case cases[] = {
        {"position startpos", 20, {"d2d4", "e2e4", "g1f3"}, {8, 7, 6}},
        {"position startpos moves e2e4 e7e5", 29, {"g1f3"}, {8}},
        // Twelve promotions on three files (a8, b8, c8), three king moves.
        {"position fen r1r4k/1P6/8/8/8/8/8/7K w - - 0 1", 6, {}, {}},
        // Stalemate: no move, no line.
        {"position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 0, {}, {}},
    };
    for (const Case& c : cases) {
        const std::vector<Advice> advice = advise(c.position, 300);
        ASSERT_EQ(advice.size(), c.lines) << c.position;
        std::set<std::string> moves;
        std::set<char> promotion_files;
        for (size_t i = 0; i < advice.size(); ++i) {
            const Advice& a = advice[i];
            EXPECT_EQ(a.multipv, int(i) + 1) << c.position;
            EXPECT_TRUE(moves.insert(a.first_move).second) << c.position << ": " << a.first_move << " twice";
            if (a.first_move.size() == 5) {
                EXPECT_TRUE(promotion_files.insert(a.first_move[2]).second) << c.position << ": " << a.first_move;
            }
            if (i < c.book.size()) {
                EXPECT_EQ(a.score, "book") << c.position;
                EXPECT_EQ(a.first_move, c.book[i]) << c.position;
                EXPECT_EQ(a.merit, c.merits[i]) << c.position;
            } else {
                EXPECT_NE(a.score, "book") << c.position;
                EXPECT_LE(a.merit, 5) << c.position;
            }
        }
        if (!c.book.empty()) {
            EXPECT_NE(advice.back().score, "book") << c.position;
        }
    }
}

TEST_F(TxAdvice, AShortGameThenAdviceThatStopDoesNotCutShort) {
    // The engine opens from the book and the game goes on.
    engine_->send("ucinewgame");
    engine_->send("position startpos");
    engine_->send("go depth 3");
    std::optional<std::string> first;
    while (!first || first->rfind("bestmove ", 0) != 0) {
        first = engine_->read_line(20000);
        ASSERT_TRUE(first) << "no best move";
        // A book move is played unsearched: nothing to grade.
        EXPECT_EQ(first->find(" merit "), std::string::npos) << *first;
    }
    const std::string opening = first->substr(9, 4);
    EXPECT_TRUE(opening == "d2d4" || opening == "e2e4") << *first;
    const std::string game = "position startpos moves " + opening + " d7d5";
    engine_->send(game);
    engine_->send("go depth 3");
    ASSERT_TRUE(engine_->read_until_prefix("bestmove", 20000));

    // Advice takes its time (the search ends a little ahead of its
    // deadline): "stop" is not read while it runs, and no best move follows.
    const std::vector<Advice> advice = advise(game, 400, "stop");
    ASSERT_FALSE(advice.empty());
    for (const Advice& a : advice) EXPECT_GE(a.time_ms, 360);
    if (opening == "d2d4") {
        EXPECT_EQ(advice[0].first_move, "c2c4");
    }

    // The game and the settings are as before: a search with MultiPV 1
    // shows one line and answers with its best move.
    engine_->send(game);
    engine_->send("go depth 2");
    int info_lines = 0;
    bool answered = false;
    while (!answered) {
        const auto line = engine_->read_line(20000);
        ASSERT_TRUE(line) << "no best move";
        if (line->find(" pv ") != std::string::npos) ++info_lines;
        answered = line->rfind("bestmove ", 0) == 0;
    }
    EXPECT_EQ(info_lines, 1);
    engine_->send("quit");
    EXPECT_EQ(engine_->wait_exit(10000), 0);
}

// Short searches end inside an iteration and show no principal variation:
// their moves are reported as advice, and the first advice line names the
// move played, whatever scores the moves not searched again still carry.
TEST_F(TxAdvice, TheAdviceOfASearchCutShortNamesTheMovePlayed) {
    engine_->send("position startpos moves e2e4 c7c5");  // out of the book
    engine_->send("go depth 1");
    ASSERT_TRUE(engine_->read_until_prefix("bestmove", 20000));
    int compared = 0;
    for (int run = 0; run < 16; ++run) {
        engine_->send("go movetime " + std::to_string(10 + 4 * run));
        std::string advised;
        for (;;) {
            const auto line = engine_->read_line(20000);
            ASSERT_TRUE(line) << "no best move";
            std::smatch m;
            if (std::regex_match(*line, m, ADVICE_LINE) && m[1] == "1") advised = m[7].str().substr(0, 4);
            if (line->rfind("bestmove ", 0) == 0) {
                if (!advised.empty()) {
                    EXPECT_EQ(advised, line->substr(9, 4)) << "run " << run;
                    ++compared;
                }
                break;
            }
        }
    }
    if (compared == 0) GTEST_SKIP() << "every search showed its principal variation: no advice to compare";
}

TEST_F(TxAdvice, GamesAreSavedWithAutoSaveOn) {
    engine_->send("setoption name AutoSave PGN value true");
    engine_->send("position startpos moves e2e4 e7e5 g1f3 b8c6");
    engine_->send("ucinewgame");
    engine_->send("quit");
    ASSERT_EQ(engine_->wait_exit(10000), 0);
    const std::string games = read_file(engine_->folder().file("Morvax14AS.pgn"));
    EXPECT_NE(games.find("1.e4 {0} e5 {0} 2.Nf3 {0} Nc6 {0}"), std::string::npos) << games;
}

}  // namespace
