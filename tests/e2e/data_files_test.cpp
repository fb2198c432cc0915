// The engine's files as a user meets them: the data folders it finds, the
// opening book it plays from, the learning file it keeps and the games it
// saves, with Debian's PGN reader as the judge of the saved games.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "book/book.h"
#include "book/learning.h"
#include "book_builder.h"
#include "engine_process.h"
#include "game/repetition.h"
#include "naive_moves.h"
#include "temp_dir.h"
#include "platform/little_endian.h"
#include "position/position.h"
#include "search/output.h"
#include "uci/fen.h"
#include "game/game_history.h"
#include "uci/move_text.h"
#include "uci/new_game.h"

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

// The game on the board can go on: the side to move has a move, no position
// repeats, the fifty-move count is low and both sides keep men to mate with.
bool game_goes_on(Position* pos) {
    int men = 0;
    for (int square = 0; square < 64; ++square)
        if (pos->kind[square] != NO_KIND && pos->kind[square] != KING) ++men;
    return men > 4 && pos->fifty < 90 && count_repetitions(pos) == 0 && !naive_legal_moves(pos).empty();
}

// A legal game of `plies` plies from the start position that no rule ends
// early: quiet piece moves at random while the fifty-move count is low, a
// pawn move or a capture when it runs high, never a move after which a
// position repeats or the opponent has no move. `fens` gets the FEN of the
// position before each ply; the moves come in coordinate text.
std::vector<std::string> long_legal_game(int plies, std::vector<std::string>* fens) {
    start_new_game();
    Position* pos = &main_position;
    std::mt19937 random(32);
    std::vector<std::string> moves;
    for (int ply = 0; ply < plies; ++ply) {
        fens->push_back(fen_text(capture_game_position(ply, pos->fifty)));
        const std::vector<Move> legal = naive_legal_moves(pos);
        const bool reset_due = pos->fifty >= 60;
        Move chosen = NO_MOVE;
        for (int pass = 0; pass < 2 && chosen == NO_MOVE; ++pass) {
            const size_t first = random() % legal.size();
            for (size_t k = 0; k < legal.size() && chosen == NO_MOVE; ++k) {
                const Move move = legal[(first + k) % legal.size()];
                const bool resets = pos->kind[move_from(move)] == PAWN || pos->colour[move_to(move)] != NO_COLOUR;
                if (pass == 0 && resets != reset_due) continue;
                if (!play_game_move(move, pos->side)) continue;
                if (game_goes_on(pos)) chosen = move;
                take_back_game_move();
            }
        }
        if (chosen == NO_MOVE) return {};
        std::string text = move_to_text(chosen);
        moves.push_back(text.substr(0, text.find(' ')));
        play_game_move(chosen, pos->side);
    }
    return moves;
}

// The saved games of one run, each read back by the project's own PGN reader
// (the book builder's, which plays every move from the game's FEN tag) and,
// when it is installed, by pgn-extract. The run's data folder has a brace in
// its name, as has a tablebase folder the settings comment names.
TEST(SavedGames, EveryKindOfGameReadsBackWhole) {
    std::vector<std::string> fens;
    const std::vector<std::string> walk = long_legal_game(540, &fens);
    ASSERT_EQ(walk.size(), 540u);
    std::string long_game = "position startpos moves";
    for (const std::string& move : walk) long_game += " " + move;
    const std::string queen_fen = "4k3/8/8/8/8/8/8/Q3K3 w - - 0 1";

    struct Case {
        const char* name;
        std::vector<std::string> commands;
        std::string fen;      // the FEN tag, "" none
        std::string result;
        size_t plies;         // moves written
        std::string moves;    // the start of the move text
    };
    std::vector<Case> cases = {
        {"540 plies: saved from the last position the history holds", {long_game}, "", "*", 0, ""},
        {"a FEN with extra blanks and tabs",
         {"position fen \t rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR  \t b  KQkq \t -  0  1 moves e7e5 d2d4 e5d4"},
         "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1", "*", 3, "1...e5 {0} 2.d4 {0} exd4 {0}"},
        {"a brace in a folder of the settings comment",
         {"setoption name NalimovPath value /no/such}1-0 [x {y", "position startpos moves e2e4 e7e5 g1f3"}, "", "*", 3,
         "1.e4 {0} e5 {0} 2.Nf3 {0}"},
        // The engine (Black, a queen down) scores its last move far below
        // zero, but that move repeats the start a third time.
        {"drawn by repetition",
         {"position fen " + queen_fen + " moves a1a2 e8d8 a2a1 d8e8 a1a2 e8d8 a2a1", "go depth 2 searchmoves d8e8",
          "wait", "position fen " + queen_fen + " moves a1a2 e8d8 a2a1 d8e8 a1a2 e8d8 a2a1 d8e8"},
         queen_fen, "1/2-1/2", 8, "1.Qa2 {0} Kd8 {0}"},
        {"mated, the engine never searched", {"position startpos moves f2f3 e7e5 g2g4 d8h4"}, "", "0-1", 4,
         "1.f3 {0} e5 {0} 2.g4 {0} Qh4# {0}"},
        {"from a FEN with Black to move", {"position fen 7k/8/6K1/8/8/8/8/R7 b - - 0 30 moves h8g8 a1a8"},
         "7k/8/6K1/8/8/8/8/R7 b - - 0 30", "1-0", 2, "30...Kg8 {0} 31.Ra8# {0}"},
    };

    EngineEnvironment environment;
    const std::string home = "ho}me {x";
    const std::string data = home + "/Documents/MORVAX Chess/EngineData";
    environment.home = home;
    environment.prepare = [&](const std::string& folder) {
        std::filesystem::create_directories(folder + "/" + data);
        write_file(folder + "/" + data + "/" + PGN_FILE, "");
    };
    auto engine = std::make_unique<EngineProcess>(MORVAX_SP_PATH, environment);
    engine->send("uci");
    ASSERT_FALSE(engine->read_until("uciok", 20000).empty());
    engine->send("setoption name AutoSave PGN value true");
    for (const Case& c : cases) {
        for (const std::string& command : c.commands) {
            if (command == "wait")
                until_bestmove(*engine);
            else
                engine->send(command);
        }
        engine->send("ucinewgame");
    }
    quit(*engine);

    const std::string path = engine->folder().file(data + "/" + PGN_FILE);
    const std::string text = read_file(path);
    // The start-up comment names the folder with its braces replaced.
    EXPECT_NE(text.find("data path=<" + engine->folder().path() + "/ho)me (x/Documents/MORVAX Chess/EngineData/>"),
              std::string::npos)
        << text.substr(0, 400);
    EXPECT_NE(text.find("tbs path=</no/such)1-0 [x (y>"), std::string::npos);

    // The long game starts where the kept history starts, with the position
    // the walk had there.
    const size_t long_start = text.find("[Event ");
    ASSERT_NE(long_start, std::string::npos);
    std::smatch tag;
    const std::string long_text = text.substr(long_start, text.find("[Event ", long_start + 1) - long_start);
    ASSERT_TRUE(std::regex_search(long_text, tag, std::regex("\\[FEN \"([^\"]*) ([wb]) ([^ ]+) ([^ ]+) ([0-9]+) ([0-9]+)\"\\]")))
        << long_text.substr(0, 600);
    const int start_ply = 2 * std::stoi(tag[6]) - 2 + (tag[2] == "b" ? 1 : 0);
    ASSERT_GT(start_ply, 0);
    ASSERT_LT(start_ply, 540);
    EXPECT_EQ(tag[0].str(), "[FEN \"" + fens[size_t(start_ply)] + "\"]");
    cases[0].fen = fens[size_t(start_ply)];
    cases[0].plies = size_t(540 - start_ply);
    EXPECT_LE(cases[0].plies, 497u);

    size_t at = long_start;
    for (const Case& c : cases) {
        ASSERT_NE(at, std::string::npos) << c.name << ": not saved";
        const size_t next = text.find("[Event ", at + 1);
        const std::string game = text.substr(at, next == std::string::npos ? std::string::npos : next - at);
        at = next;
        EXPECT_NE(game.find("[Result \"" + c.result + "\"]"), std::string::npos) << c.name << "\n" << game;
        if (c.fen.empty()) {
            EXPECT_EQ(game.find("[FEN "), std::string::npos) << c.name << "\n" << game;
        } else {
            EXPECT_NE(game.find("[SetUp \"1\"]\n[FEN \"" + c.fen + "\"]\n"), std::string::npos) << c.name << "\n" << game;
        }
        if (!c.moves.empty()) {
            EXPECT_NE(game.find("}\n" + c.moves), std::string::npos) << c.name << "\n" << game;
        }
        EXPECT_EQ(game.substr(game.size() - c.result.size() - 2), c.result + "\n\n") << c.name;
        std::istringstream in(game);
        std::vector<BookRecord> moves;
        const std::vector<BookBuildError> errors = add_pgn_games(in, 100000, 0, 0, &moves);
        for (const BookBuildError& e : errors) ADD_FAILURE() << c.name << ": line " << e.line << ": " << e.message;
        EXPECT_EQ(moves.size(), c.plies) << c.name << "\n" << game;
    }
    EXPECT_EQ(at, std::string::npos) << "more games than cases";

    const char* pgn_extract = "/usr/games/pgn-extract";
    if (access(pgn_extract, X_OK) != 0) GTEST_SKIP() << "pgn-extract is not installed";
    const std::string report = engine->folder().file("pgn-extract.txt");
    const std::string command = std::string(pgn_extract) + " '" + path + "' > /dev/null 2> '" + report + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string log = read_file(report);
    EXPECT_NE(log.find(std::to_string(cases.size()) + " games matched out of " + std::to_string(cases.size()) + "."),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("Failed to make move"), std::string::npos) << log;
    EXPECT_EQ(log.find("Illegal"), std::string::npos) << log;
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
