#include "book/pgn.h"

#include "book/book.h"
#include "book/book_learning.h"
#include "book/data_paths.h"
#include "config/build_config.h"
#include "config/settings.h"
#include "game/game_history.h"
#include "platform/files.h"

int round_counter = 0;
AutosaveGameWriter autosave_game_writer = nullptr;

namespace {

constexpr uint16_t ENGINE_MOVE = 0x10;
// The engine's score decides the result it records.
constexpr int WIN_SCORE = 256;
constexpr int DRAW_SCORE = 96;
// A game is written from its third ply on.
constexpr int MIN_SAVED_PLY = 3;

}  // namespace

void end_game_after_fatal_error(const char* message) {
    if (std::FILE* file = std::fopen(AUTOSAVE_FILE_NAME, "a+")) {
        std::fputs(message, file);
        std::fclose(file);
    }
    end_game();
    close_open_files();
}

std::string autosave_file_path() { return data_paths.data + AUTOSAVE_FILE_NAME; }

void write_autosave_header() {
    const std::string path = autosave_file_path();
    if (!regular_file_exists(path)) return;
    std::FILE* file = std::fopen(path.c_str(), "a+");
    if (!file) return;
    std::fprintf(file, "{%s Auto Save PGN File\ndata path=<%s>\nbook path=<%s>\nDB path=<%s>\neng path=<%s> name=<%s>}\n\n",
                 "Morvax 14", data_paths.data.c_str(), data_paths.book.c_str(), data_paths.db.c_str(),
                 data_paths.engine_folder.c_str(), data_paths.program_file_name.c_str());
    std::fclose(file);
}

int end_game() {
    // Nothing to end before the game exists, nor twice.
    if (!(book_options & BO_STARTUP_DONE) || game_ended) return 1;
    game_ended = 1;

    const GameRecord* record = current_game_record;
    if (!(record->result_flags & ENGINE_MOVE) && record > game_records) --record;
    int side = -1;
    int result = RESULT_UNKNOWN;
    if (record->result_flags & ENGINE_MOVE) {
        side = record->mover & 1;
        const int v = side == 1 ? -record->score : record->score;
        result = v > WIN_SCORE      ? RESULT_WHITE_WON
                 : v < -WIN_SCORE   ? RESULT_BLACK_WON
                 : v > -DRAW_SCORE && v < DRAW_SCORE ? RESULT_DRAW
                                                     : RESULT_UNKNOWN;
        learn_book_game(side, result);
    }
    ++round_counter;

    if ((book_options & BO_AUTOSAVE_PGN) && game_ply >= MIN_SAVED_PLY && autosave_game_writer) {
        if (std::FILE* file = std::fopen(autosave_file_path().c_str(), "a+")) {
            autosave_game_writer(file, side, result);
            std::fclose(file);
        }
    }
    return 1;
}
