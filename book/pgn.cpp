#include "book/pgn.h"

#include "book/book.h"
#include "book/book_learning.h"
#include "book/data_paths.h"
#include "config/build_config.h"
#include "config/settings.h"
#include "game/game_history.h"
#include "game/repetition.h"
#include "platform/files.h"
#include "position/position.h"
#include "position/setup.h"
#include "eval/evaluate.h"
#include "search/driver.h"
#include "search/root.h"
#include "search/search_moves.h"

int round_counter = 0;
AutosaveGameWriter autosave_game_writer = nullptr;

namespace {

constexpr uint16_t ENGINE_MOVE = 0x10;
// The engine's score decides the result it records.
constexpr int WIN_SCORE = 256;
constexpr int DRAW_SCORE = 96;
// A game is written from its third ply on.
constexpr int MIN_SAVED_PLY = 3;

// Men that can force no mate whatever the moves: the kings alone with at
// most one knight or bishop, or with bishops all on squares of one colour.
bool no_mating_material(const Position* pos) {
    int knights = 0;
    int bishops_on[2] = {};
    for (int square = 0; square < 64; ++square) {
        switch (pos->kind[square]) {
            case PAWN: case ROOK: case QUEEN: return false;
            case KNIGHT: ++knights; break;
            case BISHOP: ++bishops_on[(file_of(square) + rank_of(square)) & 1]; break;
            default: break;
        }
    }
    const int minors = knights + bishops_on[0] + bishops_on[1];
    return minors <= 1 || (knights == 0 && (bishops_on[0] == 0 || bishops_on[1] == 0));
}

// The result the game's last position shows when the game is over there:
// checkmate, stalemate, a third repetition, the fifty-move rule, or no
// mating material. RESULT_UNKNOWN while the game could go on, and when the
// main position is not the game's (a fatal error in a search).
int finished_position_result() {
    Position* pos = &main_position;
    if (search_running() || pos->ply != game_ply) return RESULT_UNKNOWN;
    const int side = pos->side;
    const bool in_check = pos->attacks[side ^ 1][king_square(pos, side)].direct != 0;
    load_base_ply_record();
    pos->move_list[1] = 0;
    if (!has_legal_reply(pos, 1, in_check)) {
        if (!in_check) return RESULT_DRAW;
        // The mating move is written as one ('#'), as when the search saw it.
        current_game_record->ply_flags = uint16_t((current_game_record->ply_flags & ~PLY_KIND_MASK) | RM_MATE);
        return side == WHITE ? RESULT_BLACK_WON : RESULT_WHITE_WON;
    }
    if (count_repetitions(pos) >= 2 || pos->fifty > FIFTY_MOVE_LIMIT || no_mating_material(pos)) return RESULT_DRAW;
    return RESULT_UNKNOWN;
}

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

std::string pgn_comment_text(const std::string& text) {
    std::string safe = text;
    for (char& c : safe) {
        if (c == '{') c = '(';
        if (c == '}') c = ')';
    }
    return safe;
}

void write_autosave_header() {
    const std::string path = autosave_file_path();
    if (!regular_file_exists(path)) return;
    std::FILE* file = std::fopen(path.c_str(), "a+");
    if (!file) return;
    std::fprintf(file, "{%s Auto Save PGN File\ndata path=<%s>\nbook path=<%s>\nDB path=<%s>\neng path=<%s> name=<%s>}\n\n",
                 "Morvax 14", pgn_comment_text(data_paths.data).c_str(), pgn_comment_text(data_paths.book).c_str(),
                 pgn_comment_text(data_paths.db).c_str(), pgn_comment_text(data_paths.engine_folder).c_str(),
                 pgn_comment_text(data_paths.program_file_name).c_str());
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
    }
    // The score only guesses how a game went on; a game over on the board
    // has its result there.
    if (const int finished = finished_position_result(); finished != RESULT_UNKNOWN) result = finished;
    if (side >= 0) learn_book_game(side, result);
    ++round_counter;

    if ((book_options & BO_AUTOSAVE_PGN) && uncompacted_game_ply() >= MIN_SAVED_PLY && autosave_game_writer) {
        if (std::FILE* file = std::fopen(autosave_file_path().c_str(), "a+")) {
            autosave_game_writer(file, side, result);
            std::fclose(file);
        }
    }
    return 1;
}
