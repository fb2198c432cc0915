// The engine's files as a user meets them: the data folders it finds, the
// opening book it plays from, the learning file it keeps and the games it
// saves, with Debian's PGN reader as the judge of the saved games.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "book/book.h"
#include "book/learning.h"
#include "book_builder.h"
#include "engine_process.h"
#include "temp_dir.h"
#include "platform/little_endian.h"
#include "position/position.h"
#include "uci/fen.h"
#include "game/game_history.h"
#include "uci/move_text.h"

namespace {

constexpr const char* PGN_FILE = "Morvax14AS.pgn";  // morvax-sp's auto-save file

std::string book_file(char letter) {
    std::string name = BOOK_FILE_NAME;
    name[BOOK_LETTER_INDEX] = letter;
    return name;
}

void write_book(const std::string& path, const std::vector<std::string>& lines) {
    std::vector<BookRecord> records;
    for (const std::string& line : lines) {
        std::string error;
        ASSERT_TRUE(add_book_line(line, &records, &error)) << error;
    }
    ASSERT_TRUE(write_book_file(path, sort_book(records)));
}

std::unique_ptr<EngineProcess> start(const EngineEnvironment& environment = {}) {
    auto engine = std::make_unique<EngineProcess>(MORVAX_SP_PATH, environment);
    engine->send("uci");
    EXPECT_FALSE(engine->read_until("uciok", 20000).empty());
    return engine;
}

std::vector<std::string> until_bestmove(EngineProcess& engine, int timeout_ms = 20000) {
    std::vector<std::string> lines;
    while (auto line = engine.read_line(timeout_ms)) {
        lines.push_back(*line);
        if (line->rfind("bestmove", 0) == 0) return lines;
    }
    ADD_FAILURE() << "no bestmove";
    return lines;
}

std::string best_of(const std::vector<std::string>& lines) {
    std::smatch found;
    if (lines.empty() || !std::regex_search(lines.back(), found, std::regex("^bestmove (\\S+)"))) return {};
    return found[1].str();
}

bool any_line_has(const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& line : lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

void quit(EngineProcess& engine) {
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(10000), 0);
}

// ---- Data folders ----------------------------------------------------------

struct FolderCase {
    const char* name;
    std::vector<const char*> folders;   // made before the start
    std::optional<std::string> home;
    std::optional<std::string> xdg;
    const char* data;                   // relative to the temporary folder
    const char* book;
    const char* db;
};

class DataFolders : public ::testing::TestWithParam<FolderCase> {};

// The start-up comment of the auto-save file names the folders; the file is
// made beforehand where the saved games are expected.
TEST_P(DataFolders, TheStartUpCommentNamesTheFoldersFound) {
    const FolderCase& c = GetParam();
    EngineEnvironment environment;
    environment.working_directory = "work";
    environment.home = c.home;
    environment.xdg_data_home = c.xdg;
    environment.prepare = [&](const std::string& folder) {
        std::filesystem::create_directories(folder + "/work");
        for (const char* sub : c.folders) std::filesystem::create_directories(folder + "/" + sub);
        write_file(folder + "/" + c.data + "/" + PGN_FILE, "");
    };
    EngineProcess engine(MORVAX_SP_PATH, environment);
    quit(engine);
    const std::string base = engine.folder().path() + "/";
    std::string text = read_file(base + c.data + "/" + PGN_FILE);
    EXPECT_NE(text.find("data path=<" + base + c.data + "/>\nbook path=<" + base + c.book + "/>\nDB path=<" + base +
                        c.db + "/>\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("name=<morvax-sp>}"), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DataFolders,
    ::testing::Values(
        FolderCase{"no root", {}, "", std::nullopt, "work", "work", "work"},
        FolderCase{"all three",
                   {"Documents/MORVAX Chess/EngineData", "Documents/MORVAX Chess/Books",
                    "Documents/MORVAX Chess/Databases"},
                   "", std::nullopt, "Documents/MORVAX Chess/EngineData", "Documents/MORVAX Chess/Books",
                   "Documents/MORVAX Chess/Databases"},
        FolderCase{"no HOME", {"xdg/MORVAX Chess/Books"}, std::nullopt, "xdg", "xdg/MORVAX Chess",
                   "xdg/MORVAX Chess/Books", "xdg/MORVAX Chess"}),
    [](const ::testing::TestParamInfo<FolderCase>& info) {
        std::string name = info.param.name;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

// ---- The opening book -----------------------------------------------------------

TEST(OpeningBook, ABookMoveIsPlayedAtOnceWithoutAScore) {
    EngineEnvironment environment;
    environment.prepare = [](const std::string& folder) {
        write_book(folder + "/" + book_file('a'), {"startpos | | e2e4 | 7 | 31", "startpos | | d2d4 | 0 | 0",
                                                   "startpos | e2e4 e7e5 | g1f3 | 6 | 24"});
    };
    auto engine = start(environment);
    engine->send("position startpos");
    engine->send("go depth 40");
    std::vector<std::string> lines = until_bestmove(*engine, 5000);
    EXPECT_EQ(best_of(lines), "e2e4");
    EXPECT_FALSE(any_line_has(lines, " score ")) << lines.front();

    engine->send("position startpos moves e2e4 e7e5");
    engine->send("go depth 40");
    EXPECT_EQ(best_of(until_bestmove(*engine, 5000)), "g1f3");
    quit(*engine);
}

TEST(OpeningBook, ARecordOfAnotherPositionWithTheSameKeyWordIsNotPlayed) {
    EngineEnvironment environment;
    environment.prepare = [](const std::string& folder) {
        std::vector<BookRecord> records;
        std::string error;
        ASSERT_TRUE(add_book_line("startpos | | a2a3 | 7 | 31", &records, &error));
        records[0].learn_word ^= 0x8000;  // another check byte
        ASSERT_TRUE(write_book_file(folder + "/" + book_file('a'), records));
    };
    auto engine = start(environment);
    engine->send("position startpos");
    engine->send("go depth 3");
    std::vector<std::string> lines = until_bestmove(*engine);
    EXPECT_NE(best_of(lines), "a2a3");
    EXPECT_TRUE(any_line_has(lines, " score ")) << "no search";
    quit(*engine);
}

TEST(OpeningBook, TheLastLetterIsTheBook) {
    EngineEnvironment environment;
    environment.prepare = [](const std::string& folder) {
        write_book(folder + "/" + book_file('a'), {"startpos | | e2e4 | 7 | 31"});
        write_book(folder + "/" + book_file('c'), {"startpos | | d2d4 | 7 | 31", "startpos | | c2c4 | 7 | 31"});
    };
    auto engine = std::make_unique<EngineProcess>(MORVAX_SP_PATH, environment);
    engine->send("uci");
    std::vector<std::string> options = engine->read_until("uciok", 20000);
    EXPECT_TRUE(any_line_has(options, "option name Book Status type combo default Morvax14cBook.vrk OK var Morvax14cBook.vrk OK"));
    EXPECT_TRUE(any_line_has(options, "option name Book Positions type combo default 2 var 2"));
    EXPECT_TRUE(any_line_has(options, "option name OwnBook type check default true"));
    engine->send("position startpos");
    engine->send("go depth 40");
    std::string move = best_of(until_bestmove(*engine, 5000));
    EXPECT_TRUE(move == "d2d4" || move == "c2c4") << move;
    quit(*engine);
}

// ---- The learning file ------------------------------------------------------------

// A learning file of one record: the position after `moves` from `fen`, its
// learned move, exact score and depth.
std::string learning_file_for(const char* fen, const char* moves, const char* learned_move, int score, int depth) {
    EXPECT_EQ(parse_fen(fen), 1);
    std::istringstream words(moves);
    for (std::string word; words >> word;) EXPECT_TRUE(play_game_move(parse_move_text(word.c_str()), main_position.side));
    Move move = parse_move_text(learned_move);
    uint8_t bytes[4 + LEARN_RECORD_BYTES];
    put_u32(bytes, LEARNING_FILE_MAGIC);
    put_u32(bytes + 4, main_position.key_lo);
    put_u32(bytes + 8, main_position.key_hi);
    put_u16(bytes + 12, uint16_t(move & 0xFFF));
    put_u16(bytes + 14, uint16_t(score));
    put_u16(bytes + 16, 100);
    put_u16(bytes + 18, uint16_t(0x10 | 0xC0 | depth << 8 | main_position.side << 14));
    return std::string(reinterpret_cast<char*>(bytes), sizeof(bytes));
}

// White takes the queen; the file knows what Black plays then, and the
// principal variation that a one-ply search leaves short is completed from
// the table: the ponder move.
constexpr const char* QUEEN_TAKEN_FEN = "rnb1kbnr/pppppppp/8/8/3q4/8/PPP1PPPP/RNBQKBNR w KQkq - 0 1";

struct SearchRun {
    std::string ponder;         // "?" without the expected best move
    std::string learning_file;  // as the run left it
};

SearchRun one_ply_search(const EngineEnvironment& environment) {
    auto engine = start(environment);
    engine->send("position fen " + std::string(QUEEN_TAKEN_FEN));
    engine->send("go depth 1");
    std::vector<std::string> lines = until_bestmove(*engine);
    quit(*engine);
    SearchRun run{"?", read_file(engine->folder().file(LEARNING_FILE_NAME))};
    std::smatch found;
    if (!lines.empty() && std::regex_search(lines.back(), found, std::regex("^bestmove d1d4 +(ponder (\\S+))?")))
        run.ponder = found[2].str();
    return run;
}

TEST(LearningFile, ALearnedPositionIsKnownAfterARestartAndTheFileStaysAsItWas) {
    const std::string file = learning_file_for(QUEEN_TAKEN_FEN, "d1d4", "b8c6", 0, 30);
    EngineEnvironment environment;
    environment.prepare = [&](const std::string& folder) { write_file(folder + "/" + LEARNING_FILE_NAME, file); };
    EXPECT_NE(one_ply_search({}).ponder, "b8c6");  // what the search finds by itself
    SearchRun learned = one_ply_search(environment);
    EXPECT_EQ(learned.ponder, "b8c6");
    EXPECT_EQ(learned.learning_file, file);  // nothing learned in this run: the file is not rewritten
}

// ---- Saved games -------------------------------------------------------------------

// Plays `plies` moves from the position (the engine moves for both sides, as
// an interface would send them back) and returns the moves played.
std::string play_out(EngineProcess& engine, const std::string& position, int plies) {
    std::string moves;
    for (int i = 0; i < plies; ++i) {
        engine.send(position + (moves.empty() ? "" : " moves" + moves));
        engine.send("go depth 3");
        std::string move = best_of(until_bestmove(engine));
        if (move.empty() || move == "0000") break;
        moves += " " + move;
    }
    engine.send(position + (moves.empty() ? "" : " moves" + moves));
    return moves;
}

TEST(SavedGames, EveryGameOfThreePliesOrMoreIsSavedAndReadsAsLegalPgn) {
    const char* pgn_extract = "/usr/games/pgn-extract";
    auto engine = start();
    engine->send("setoption name AutoSave PGN value true");
    play_out(*engine, "position startpos", 8);
    engine->send("ucinewgame");
    // Black to move at move 30; White mates on its first move.
    std::string mate = play_out(*engine, "position fen 7k/8/6K1/8/8/8/8/R7 b - - 0 30", 2);
    EXPECT_EQ(mate, " h8g8 a1a8");
    engine->send("ucinewgame");
    // Castling and a promotion, then the engine.
    play_out(*engine, "position fen r3k3/6P1/8/8/8/8/8/R3K2R w KQq - 0 1 moves e1g1 e8c8 g7g8q", 2);
    engine->send("ucinewgame");
    engine->send("position startpos moves e2e4");  // one ply: not saved
    engine->send("ucinewgame");
    quit(*engine);

    const std::string path = engine->folder().file(PGN_FILE);
    std::string games = read_file(path);
    EXPECT_NE(games.find("30...Kg8 {"), std::string::npos) << games;
    EXPECT_NE(games.find("31.Ra8# {"), std::string::npos) << games;
    EXPECT_NE(games.find("1.O-O {0} O-O-O {0} 2.g8Q {0}"), std::string::npos) << games;
    size_t count = 0;
    for (size_t at = games.find("[Event "); at != std::string::npos; at = games.find("[Event ", at + 1)) ++count;
    EXPECT_EQ(count, 3u);

    if (access(pgn_extract, X_OK) != 0) GTEST_SKIP() << "pgn-extract is not installed";
    const std::string report = engine->folder().file("pgn-extract.txt");
    std::string command = std::string(pgn_extract) + " '" + path + "' > /dev/null 2> '" + report + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::string text = read_file(report);
    EXPECT_NE(text.find("3 games matched out of 3."), std::string::npos) << text;
    EXPECT_EQ(text.find("Failed to make move"), std::string::npos) << text;
}

TEST(SavedGames, AFatalFailureSavesTheGameAndLogsItsMessageOnce) {
    TempDir tables;
    write_file(tables.file("kqk.nbw"), std::string(25628, '\0'));  // one entry short: corrupted
    auto engine = start();
    engine->send("setoption name AutoSave PGN value true");
    engine->send("position startpos moves e2e4 e7e5 g1f3 b8c6");
    engine->send("setoption name NalimovPath value " + tables.path());
    EXPECT_EQ(engine->wait_exit(10000), 1);
    const std::string message = "*** " + tables.file("kqk.nbw") + " corrupted";
    std::string log = read_file(engine->folder().file("debug.txt"));
    EXPECT_EQ(log.find(message), log.rfind(message)) << log;
    ASSERT_NE(log.find(message), std::string::npos) << log;
    // No data folder: the working directory holds the message and the game.
    std::string games = read_file(engine->folder().file(PGN_FILE));
    EXPECT_NE(games.find(message), std::string::npos) << games;
    EXPECT_NE(games.find("1.e4 {0} e5 {0} 2.Nf3 {0} Nc6 {0}"), std::string::npos) << games;
}

}  // namespace
