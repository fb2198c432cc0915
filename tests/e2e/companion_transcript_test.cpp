// morvax-tx as its interface sees it: started with "book <file>", asked the
// query commands, answered line by line.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "companion/human_book_key.h"
#include "engine_process.h"
#include "human_book_writer.h"
#include "temp_dir.h"

namespace {

const char* const START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
const char* const AFTER_E4_FEN = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1";

// Classes 3, 4 and 2 at the start (play shares 8/24, 16/24 and none); the
// same games seen by Black after 1.e4.
const char* const BOOK_SOURCE = R"(version 3
position startpos
move e2e4 class 3 result 7/2/1 elo 2400/2300 year 1999
move d2d4 class 4
move g1f3 class 2 result 0/0/1 elo 2000/2000 year 2000
position startpos moves e2e4
move e7e5 class 3 result 7/2/1 elo 2400/2300 year 1999
)";

class TxTranscript : public ::testing::Test {
protected:
    void SetUp() override {
        HumanBookSource book;
        std::string error;
        ASSERT_TRUE(compile_human_book(BOOK_SOURCE, &book, &error)) << error;
        book_path_ = books_.file("fixture.vrh");
        write_file(book_path_, human_book_bytes(book));
    }
    // Starts morvax-tx with the arguments; reads the banner.
    void start(const std::vector<std::string>& arguments) {
        EngineEnvironment environment;
        environment.arguments = arguments;
        engine_ = std::make_unique<EngineProcess>(MORVAX_TX_PATH, environment);
        ASSERT_EQ(engine_->read_line(10000), "MORVAX TX 1.0");
        ASSERT_TRUE(engine_->read_line());
    }
    void start_with_book() {
        start({"book", book_path_});
        EXPECT_EQ(engine_->read_line(10000), "Book version=3 positions=4 variations=4 games=21");
    }
    // The lines of the answer to `command`, up to and without "isready".
    std::vector<std::string> answer(const std::string& command) {
        engine_->send(command);
        std::vector<std::string> lines = engine_->read_until("isready", 10000);
        EXPECT_FALSE(lines.empty()) << command << ": no isready";
        if (!lines.empty()) lines.pop_back();
        return lines;
    }

    TempDir books_;
    std::string book_path_;
    std::unique_ptr<EngineProcess> engine_;
};

using Lines = std::vector<std::string>;

TEST_F(TxTranscript, UciNamesTheCompanionBuildWithoutOptions) {
    start_with_book();
    engine_->send("uci");
    EXPECT_EQ(engine_->read_until("uciok"),
              (Lines{"id name MORVAX TX 1.0", "id author the MORVAX developers", "uciok"}));
    engine_->send("quit");
    EXPECT_EQ(engine_->wait_exit(10000), 0);
}

TEST_F(TxTranscript, BookMovesPrintStatisticsOnlyInQueryMode) {
    start_with_book();
    // Before "mvinfo1" the book is consulted but nothing is printed.
    EXPECT_EQ(answer(std::string("bookmoves fen ") + START_FEN), Lines{});
    engine_->send("uci");
    ASSERT_FALSE(engine_->read_until("uciok").empty());
    engine_->send("mvinfo1");
    EXPECT_EQ(engine_->read_line(), "mvinfo1 set");
    EXPECT_EQ(answer(std::string("bookmoves fen ") + START_FEN),
              (Lines{"e2e4 80.0% games=10 +7=2-1 year=1999 elo=2400 v 2300 perf=2540 play=33.3%",
                     "d2d4 novelty play=66.6%",
                     "g1f3!?  0.0% games=1 +0=0-1 year=2000 elo=2000 v 2000 perf=1200 play=0.0%"}));
    // Black's view of the same games: results, score and performance mirror.
    EXPECT_EQ(answer(std::string("bookmoves fen ") + AFTER_E4_FEN),
              (Lines{"e7e5 20.0% games=10 +1=2-7 year=1999 elo=2300 v 2400 perf=2160 play=100.0%"}));
    // A position the book does not know.
    EXPECT_EQ(answer("bookmoves fen 4k3/8/8/8/8/8/8/4K3 w - - 0 1"), Lines{});
}

TEST_F(TxTranscript, QueriesWithoutAReadablePositionSayWhy) {
    start_with_book();
    struct Case {
        const char* command;
        const char* error;
    };
    const Case cases[] = {
        {"bookmoves", "Error: No FEN position"},
        {"tbsall startpos", "Error: No FEN position"},
        {"tbsmoves fen", "Error: Invalid FEN format"},
        {"tbsline fen not/a/position w - - 0 1", "Error: Invalid FEN format"},
        {"bookmoves fen 8/8/8/8/8/8/8/8 w - - 0 1", "Error: Invalid FEN format"},
    };
    for (const Case& c : cases) EXPECT_EQ(answer(c.command), Lines{c.error}) << c.command;
}

TEST_F(TxTranscript, TablebaseQueriesWithoutTables) {
    start_with_book();
    const std::string kings = "fen 8/8/8/8/8/8/8/K6k w - - 0 1";
    // No table is registered: even two kings are beyond them for the
    // per-move answers; the line knows two kings draw.
    EXPECT_EQ(answer("tbsall " + kings), (Lines{"Unknown - 2 pieces on board", ""}));
    EXPECT_EQ(answer("tbsmoves " + kings), (Lines{"Unknown - 2 pieces on board", ""}));
    EXPECT_EQ(answer("tbsline " + kings), (Lines{"WTM Draw", "", ""}));
    EXPECT_EQ(answer(std::string("tbsmoves fen ") + START_FEN), (Lines{"Unknown - 32 pieces on board", ""}));
}

TEST_F(TxTranscript, LoadBookReplacesTheBookAndAFailureLeavesNone) {
    start({});  // the default book is not in the working folder: no report line
    EXPECT_EQ(answer("mvinfo1\nbookmoves fen " + std::string(START_FEN)), Lines{});
    engine_->send("uci");
    ASSERT_FALSE(engine_->read_until("uciok").empty());
    engine_->send("mvinfo1");
    EXPECT_EQ(engine_->read_line(), "mvinfo1 set");
    engine_->send("loadbook " + book_path_);
    EXPECT_EQ(engine_->read_line(), "Book version=3 positions=4 variations=4 games=21");
    EXPECT_EQ(answer(std::string("bookmoves fen ") + AFTER_E4_FEN).size(), 1u);

    // A file that is not a book: no report, no book, and the file untouched
    // by anything that follows.
    const std::string foreign = books_.file("foreign.vrh");
    const std::string foreign_bytes(96, 'x');
    write_file(foreign, foreign_bytes);
    engine_->send("loadbook " + foreign);
    EXPECT_EQ(answer(std::string("bookmoves fen ") + AFTER_E4_FEN), Lines{});
    engine_->send("ucinewgame");
    engine_->send("isready");
    EXPECT_EQ(engine_->read_line(), "readyok");
    EXPECT_EQ(read_file(foreign), foreign_bytes);
}

TEST_F(TxTranscript, TheRootPlaysABookMove) {
    start_with_book();
    engine_->send("uci");
    ASSERT_FALSE(engine_->read_until("uciok").empty());
    engine_->send("position startpos");
    engine_->send("go depth 4");
    auto best = engine_->read_until_prefix("bestmove", 20000);
    ASSERT_TRUE(best);
    // Tournament mode plays classes 3 and up; the class-2 move never.
    EXPECT_TRUE(best->rfind("bestmove e2e4", 0) == 0 || best->rfind("bestmove d2d4", 0) == 0) << *best;
}

}  // namespace

namespace {

// The book key is assembled when it is used: no program file holds any of
// its words (as the arithmetic keeps them, in the machine's byte order).
TEST(BookKey, NoProgramHoldsTheKeyWhole) {
    BigNum modulus, exponent;
    assemble_human_book_key(modulus, exponent);
    ASSERT_NE(modulus[BIGNUM_CIPHER_WORDS - 1], 0u);
    ASSERT_NE(exponent[0], 0u);
    std::vector<uint32_t> words(modulus, modulus + BIGNUM_CIPHER_WORDS);
    words.push_back(exponent[0]);
    for (const char* program : {MORVAX_TX_PATH, MORVAX_SP_PATH, MORVAX_VUDU_PATH}) {
        const std::string bytes = read_file(program);
        ASSERT_GT(bytes.size(), 100000u) << program;
        for (uint32_t word : words) {
            const std::string text(reinterpret_cast<const char*>(&word), sizeof(word));
            EXPECT_EQ(bytes.find(text), std::string::npos) << program << " holds key word " << std::hex << word;
        }
    }
}

}  // namespace
