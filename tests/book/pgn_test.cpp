// The PGN auto-save file: the start-up comment, the end of a game with its
// result and learning, the move text with clocks and scores, and the record
// a fatal error leaves.
#include "book/pgn.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <sstream>

#include "book/data_paths.h"
#include "platform/fatal_error.h"
#include "platform/files.h"
#include "position/position.h"
#include "search/hash_memory.h"
#include "search/search_fixture.h"
#include "temp_dir.h"
#include "config/build_config.h"
#include "uci/autosave_game.h"
#include "uci/fen.h"
#include "game/game_history.h"
#include "config/settings.h"

namespace {

constexpr const char* START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

class PgnTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_paths_ = data_paths;
        saved_book_options_ = book_options;
        data_paths.data = folder_.path() + "/";
        book_options |= BO_AUTOSAVE_PGN | BO_STARTUP_DONE;
        autosave_game_writer = write_autosave_game;
        prepare_search_engine();
    }
    void TearDown() override {
        data_paths = saved_paths_;
        book_options = saved_book_options_;
        fen_tag_text.clear();
        autosave_game_writer = nullptr;
    }

    // The game from a FEN (parsed by the engine's reader, so that the FEN
    // tag and the move numbers follow it) with `moves` played.
    void set_game(const char* fen, const char* moves = "") {
        // A new game: nothing booked from the last one.
        std::memset(game_records, 0, sizeof(game_records));
        ASSERT_EQ(parse_fen(fen), 1);
        ASSERT_TRUE(play_moves(moves));
    }
    static bool play_moves(const char* moves) {
        std::istringstream words(moves);
        for (std::string word; words >> word;) {
            Move move = position_move(word.c_str());
            if (move == NO_MOVE || !play_game_move(move, main_position.side)) return false;
        }
        return true;
    }
    // Marks a ply as the engine's searched move with this score (its
    // mover's view) and depth.
    static void engine_move(int ply, int score, int depth = 10) {
        game_records[ply].result_flags |= 0x10;
        game_records[ply].score = int16_t(score);
        game_records[ply].san_depth = uint16_t((game_records[ply].san_depth & 0x3FF) | depth << 10);
    }

    std::string saved() { return read_file(autosave_file_path()); }

    TempDir folder_;
    DataPaths saved_paths_;
    uint32_t saved_book_options_;
};

TEST(PgnScore, ScoresAndMatesInTheMoveComments) {
    struct Case {
        int score;
        const char* text;
    } cases[] = {
        {-64, " -0.50/7} "}, {300, " 2.34/7} "},    {-1, " 0.00/7} "},   {128, " 1.00/7} "},
        {-200, " -1.56/7} "}, {8191, " +M1/7} "},   {8187, " +M3/7} "},  {-8190, " -M1/7} "},
        {-8186, " -M3/7} "},  {7800, " MATE N/7} "}, {-7800, " MATE N/7} "},
    };
    for (const Case& c : cases) EXPECT_EQ(pgn_score_text(c.score, 7), c.text) << c.score;
}

TEST_F(PgnTest, TheResultFollowsTheEngineScoreOfItsLastMove) {
    struct Case {
        const char* moves;
        int engine_ply;  // 0: no engine move
        int score;       // the mover's view
        const char* result;
        const char* white;
    } cases[] = {
        {"e2e4 e7e5 g1f3", 4, 300, "1-0", "MORVAX"},
        {"e2e4 e7e5 g1f3", 3, 300, "0-1", "Player"},       // Black's +300, the move before the last
        {"e2e4 e7e5 g1f3 b8c6", 5, 200, "*", "Player"},
        {"e2e4 e7e5 g1f3 b8c6", 5, -50, "1/2-1/2", "Player"},
        {"e2e4 e7e5 g1f3 b8c6", 0, 0, "*", "MORVAX"},
    };
    for (const Case& c : cases) {
        unlink(autosave_file_path().c_str());
        set_game(START_FEN, c.moves);
        if (c.engine_ply) engine_move(c.engine_ply, c.score);
        end_game();
        std::string text = saved();
        EXPECT_NE(text.find(std::string("[Result \"") + c.result + "\"]"), std::string::npos) << c.moves << text;
        EXPECT_NE(text.find(std::string("[White \"") + c.white), std::string::npos) << c.moves << text;
        EXPECT_EQ(text.substr(text.size() - std::strlen(c.result) - 2), std::string(c.result) + "\n\n");
    }
}

TEST_F(PgnTest, AGameOverOnTheBoardTakesItsResultFromThere) {
    struct Case {
        const char* name;
        const char* fen;
        const char* moves;
        int engine_ply, score;  // the engine's last move and its score (mover's view)
        int fifty;              // -1: as played
        const char* result;
    } cases[] = {
        // White's last move stalemates: the engine's +900 is no win.
        {"stalemate", "k7/8/8/7p/1K6/7P/8/2Q5 b - - 0 1", "h5h4 c1c7", 3, 900, -1, "1/2-1/2"},
        {"no mating material", "4k3/8/8/8/8/8/3r4/4KN2 w - - 0 1", "e1d2 e8e7", 3, -300, -1, "1/2-1/2"},
        {"a hundred plies without a capture or pawn move", START_FEN, "g1f3 g8f6", 3, -300, 100, "1/2-1/2"},
        // Bishops on squares of both colours can still mate: the score decides.
        {"a game that goes on", "4k3/8/8/8/8/b7/8/4KB2 w - - 0 1", "e1d1 a3b4", 3, -300, -1, "1-0"},
        // The engine's last word was a draw, but the interface's last move
        // mates (last: the file is read below).
        {"checkmate", START_FEN, "f2f3 e7e5 g2g4 d8h4", 3, 0, -1, "0-1"},
    };
    for (const Case& c : cases) {
        unlink(autosave_file_path().c_str());
        set_game(c.fen, c.moves);
        engine_move(c.engine_ply, c.score);
        if (c.fifty >= 0) main_position.fifty = c.fifty;
        end_game();
        const std::string text = saved();
        EXPECT_NE(text.find(std::string("[Result \"") + c.result + "\"]"), std::string::npos) << c.name << "\n" << text;
    }
    EXPECT_NE(saved().find("2.g4 {0} Qh4# {0}  0-1"), std::string::npos) << saved();
}

TEST_F(PgnTest, AGameIsWrittenOnceFromItsThirdPlyWhileAutoSaveIsOn) {
    struct Case {
        const char* moves;
        bool autosave;
        bool written;
    } cases[] = {
        {"e2e4", true, false},
        {"e2e4 e7e5", true, true},
        {"e2e4 e7e5 g1f3 b8c6", false, false},
    };
    for (const Case& c : cases) {
        unlink(autosave_file_path().c_str());
        book_options = c.autosave ? book_options | BO_AUTOSAVE_PGN : book_options & ~BO_AUTOSAVE_PGN;
        set_game(START_FEN, c.moves);
        end_game();
        EXPECT_EQ(regular_file_exists(autosave_file_path()), c.written) << c.moves;
    }
    book_options |= BO_AUTOSAVE_PGN;
    unlink(autosave_file_path().c_str());
    set_game(START_FEN, "e2e4 e7e5 g1f3");
    const int round = round_counter;
    end_game();
    end_game();
    EXPECT_EQ(round_counter, round + 1);
    EXPECT_EQ(saved().find("[Event"), saved().rfind("[Event"));  // one game
    ASSERT_TRUE(play_moves("b8c6"));  // the game goes on: it may end again
    end_game();
    EXPECT_NE(saved().find("[Event"), saved().rfind("[Event"));
}

TEST_F(PgnTest, MoveTextNumbersClocksAndScores) {
    // Black to move at move 30: the first number is "30...".
    set_game("4k3/P7/8/8/8/8/8/R3K2R b KQ - 0 30", "e8d7 e1g1 d7c7 a7a8q c7b6 a8a6");
    engine_move(3, 25, 12);
    game_records[3].clock_ms = 61000;            // the engine's clock: this move took 61 s
    engine_move(7, 8191, 5);                     // mate with this move: +M1
    game_records[7].result_flags |= 0x500;       // ... and a6 gives mate
    end_game();
    std::string text = saved();
    EXPECT_NE(text.find("[SetUp \"1\"]\n[FEN \"4k3/P7/8/8/8/8/8/R3K2R b KQ - 0 30\"]"), std::string::npos) << text;
    EXPECT_NE(text.find("30...Kd7 {0} 31.O-O {1:01 0.19/12} Kc7 {0} 32.a8Q {0} Kb6 {0}"), std::string::npos) << text;
    EXPECT_NE(text.find("33.Qa6# {0 +M1/5}"), std::string::npos) << text;
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        EXPECT_LT(end - start, 80u) << text.substr(start, end - start);
}

TEST_F(PgnTest, TheStartUpCommentGoesOnlyIntoAnExistingFile) {
    data_paths.book = "/books/";
    data_paths.db = "/db/";
    data_paths.engine_folder = "/opt/morvax";
    data_paths.program_file_name = "morvax-sp";
    write_autosave_header();
    EXPECT_FALSE(regular_file_exists(autosave_file_path()));
    write_file(autosave_file_path(), "");
    write_autosave_header();
    EXPECT_EQ(saved(), "{Morvax 14 Auto Save PGN File\ndata path=<" + data_paths.data +
                           ">\nbook path=</books/>\nDB path=</db/>\neng path=</opt/morvax> name=<morvax-sp>}\n\n");
}

TEST_F(PgnTest, AFatalErrorIsLoggedAndTheGameSavedBeforeTheEnd) {
    TempDir cwd;
    set_game(START_FEN, "e2e4 e7e5 g1f3");
    EXPECT_EXIT(
        {
            if (chdir(cwd.path().c_str()) != 0) _exit(9);
            set_fatal_error_handler(end_game_after_fatal_error);
            fatal_error("info string INSTANCES EXCEEDED %d %d\n", 3, 216);
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_EQ(read_file(cwd.file(DEBUG_LOG_FILE_NAME)), "info string INSTANCES EXCEEDED 3 216\n");
    EXPECT_EQ(read_file(cwd.file(AUTOSAVE_FILE_NAME)), "info string INSTANCES EXCEEDED 3 216\n");
    EXPECT_NE(saved().find("1.e4 {0} e5 {0} 2.Nf3 {0}"), std::string::npos) << saved();
}

TEST_F(PgnTest, AFailureLoggedByItsOwnPartIsNotLoggedTwice) {
    TempDir cwd;
    set_game(START_FEN, "e2e4 e7e5 g1f3");
    EXPECT_EXIT(
        {
            if (chdir(cwd.path().c_str()) != 0) _exit(9);
            set_fatal_error_handler(end_game_after_fatal_error);
            end_after_logged_fatal_error("*** kqkr.nbw corrupted ");
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_FALSE(regular_file_exists(cwd.file(DEBUG_LOG_FILE_NAME)));
    EXPECT_EQ(read_file(cwd.file(AUTOSAVE_FILE_NAME)), "*** kqkr.nbw corrupted ");
    EXPECT_NE(saved().find("1.e4 {0} e5 {0} 2.Nf3 {0}"), std::string::npos) << saved();
}

}  // namespace
