#include "uci/dispatch.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "book/pgn.h"
#include "config/build_config.h"
#include "config/settings.h"
#include "game/game_history.h"
#include "platform/print.h"
#include "position/move_tests.h"
#include "position/position.h"
#include "search/driver.h"
#include "search/polling.h"
#include "search/root.h"
#include "search/saved_settings.h"
#include "search/time_control.h"
#include "search/tt.h"
#include "uci/command_loop.h"
#include "uci/command_words.h"
#include "uci/engine.h"
#include "uci/fen.h"
#include "uci/move_text.h"
#include "uci/new_game.h"
#include "uci/options.h"

int protocol_state = 0;
std::string previous_position_text;
int new_game_pending = 0;
uint8_t engine_side = 0;
uint8_t run_mode = 0;
int (*companion_early_commands)(const char* cursor) = nullptr;
int (*companion_late_commands)(const char* cursor) = nullptr;
int (*companion_advice_search)(int milliseconds, int side) = nullptr;

namespace {

// Reads the number at the cursor and moves past it and the separators after it.
int read_number(const char** cursor) {
    int value = std::atoi(*cursor);
    *cursor = skip_word(*cursor);
    return value;
}

// The move a word names on the main position; NO_MOVE when it names none,
// also when it is longer than any move text.
Move word_move(Word word) {
    char text[32];
    if (word.length >= sizeof(text)) return NO_MOVE;
    std::memcpy(text, word.text, word.length);
    text[word.length] = '\0';
    return parse_move_text(text);
}

// Appends each move text to the searchmoves list. The list holds every legal
// move of any position; words beyond it are dropped.
void read_searchmoves(const char* cursor) {
    for (Word word = take_word(&cursor); word.length; word = take_word(&cursor)) {
        Move move = word_move(word);
        if (move && searchmoves_count < SEARCHMOVES_CAPACITY) searchmoves[searchmoves_count++] = move;
    }
}

// Clears what a booked move carried (search data and clock) in every record
// from `first` on: those moves are no longer the game's.
void forget_booked_moves(GameRecord* first) {
    for (GameRecord* record = first; record < game_records + GAME_RECORD_COUNT; ++record) {
        record->score = 0;
        record->result_flags = 0;
        record->san_depth = 0;
        record->unused_word = 0;
        record->clock_ms = 0;
    }
}

// Plays the "moves" list of a "position" command onto the game. Moves the
// history already holds keep their booked data. The first word that is not
// a legal move ends the list: playing on would give every later move to the
// wrong side.
void play_position_moves(const char* cursor) {
    bool following_history = true;
    for (Word word = take_word(&cursor); word.length; word = take_word(&cursor)) {
        Move move = word_move(word);
        GameRecord* next = current_game_record + 1;
        if (following_history) {
            if (move != NO_MOVE && next < game_records + GAME_RECORD_COUNT &&
                (next->move & 0xFFF) == (move & 0xFFF)) {
                if (next->result_flags & 0x1000) last_book_ply = game_ply + 1;
            } else {
                if (next < game_records + GAME_RECORD_COUNT) forget_booked_moves(next);
                following_history = false;
            }
        }
        int side = main_position.side;
        if (move == NO_MOVE || !validate_move(&main_position, &move) || !play_game_move(move, side)) {
            uci_print("info string illegal or unreadable move <%s>, moves after it ignored\n",
                      printable_text(word.text, word.length).c_str());
            return;
        }
        if (main_position.key_lo == book_exit_key_lo && main_position.key_hi == book_exit_key_hi)
            last_book_ply = game_ply - 2;
        clock_side ^= 1;
    }
}

int handle_position(const char* text) {
    if (search_running()) return COMMAND_BUSY;

    // A new text that keeps less than two thirds of the last one is another
    // game: close the old one first.
    if (!new_game_pending && uncompacted_game_ply() >= 3) {
        size_t shared = 0;
        while (shared < previous_position_text.size() && text[shared] &&
               text[shared] == previous_position_text[shared])
            ++shared;
        if (shared * 3 / 2 < previous_position_text.size()) {
            end_game();
            forget_game_searches();
        }
    }
    new_game_pending = 0;
    previous_position_text = text;

    const char* cursor = text;
    if (match_keyword("startpos", &cursor)) {
        start_new_game();
    } else if (match_keyword("fen", &cursor)) {
        cursor = skip_separators(cursor);
        const char* reason = nullptr;
        if (!parse_fen(cursor, &reason)) {
            uci_print("info string invalid FEN (%s), position and moves ignored\n", reason ? reason : "refused");
            return COMMAND_HANDLED;
        }
        cursor = std::strstr(cursor, "moves");
        if (!cursor) return COMMAND_HANDLED;
    }
    if (match_keyword("moves", &cursor)) play_position_moves(cursor);
    return COMMAND_HANDLED;
}

int handle_go(const char* cursor) {
    if (search_running()) return COMMAND_BUSY;

    int times[2] = {0, 0};
    int increments[2] = {0, 0};
    int moves_to_go = -1;
    int mode = SEARCH_MODE_NORMAL;
    int advice_ms = 0;
    time_cap_ms = DEFAULT_TIME_CAP_MS;
    go_depth_limit = iteration_depth_limit = DEFAULT_MAX_DEPTH;
    // A "movetime" of an earlier search must not cap this one.
    set_move_time(int(DEFAULT_TIME_CAP_MS));
    searchmoves_count = 0;

    while (*cursor) {
        if (match_keyword("searchmoves", &cursor)) {
            read_searchmoves(cursor);
            break;
        } else if (match_keyword("ponder", &cursor)) {
            mode = SEARCH_MODE_PONDER;
        } else if (match_keyword("wtime", &cursor)) {
            times[0] = std::max(1, read_number(&cursor));
        } else if (match_keyword("btime", &cursor)) {
            times[1] = std::max(1, read_number(&cursor));
        } else if (match_keyword("winc", &cursor)) {
            increments[0] = read_number(&cursor);
        } else if (match_keyword("binc", &cursor)) {
            increments[1] = read_number(&cursor);
        } else if (match_keyword("movestogo", &cursor)) {
            moves_to_go = read_number(&cursor);
        } else if (match_keyword("depth", &cursor)) {
            go_depth_limit = std::max(1, read_number(&cursor));
            set_search_mode(3, 0);
        } else if (match_keyword("nodes", &cursor) || match_keyword("mate", &cursor)) {
            read_number(&cursor);
        } else if (match_keyword("movetime", &cursor)) {
            int ms = read_number(&cursor);
            set_search_mode(3, 0);
            set_move_time(ms);
        } else if (match_keyword("infinite", &cursor)) {
            set_search_mode(3, 0);
            mode = SEARCH_MODE_INFINITE;
        } else if (companion_advice_search && match_keyword("mvinfo-advice", &cursor)) {
            advice_ms = read_number(&cursor);
            mode = SEARCH_MODE_ADVICE;
        } else {
            uci_print("info string unknown UCI go <%s> command\n", printable_text(cursor).c_str());
            cursor = skip_word(cursor);
        }
    }

    int side = game_side_to_move();
    // Move advice searches for its time alone: no clock, no move played.
    if (mode == SEARCH_MODE_ADVICE) {
        companion_advice_search(advice_ms, side);
        return COMMAND_HANDLED;
    }
    engine_colour = side;
    if (moves_to_go < 1) moves_to_go = 0;
    if (times[side] != 0) {
        set_time_control(moves_to_go, times[side], increments[side]);
        set_search_mode(4, 0);
    }
    start_search(side, mode);
    return COMMAND_HANDLED;
}

int handle_bench(const char* cursor) {
    // Its searches would be refused while one runs: wait for that one.
    if (search_running()) return COMMAND_BUSY;
    Word file = take_word(&cursor);
    std::string file_name(file.text, file.length);
    int seconds = std::atoi(skip_separators(cursor));
    run_bench(file_name.c_str(), uint32_t(seconds) * 1000u);
    return COMMAND_HANDLED;
}

}  // namespace

int dispatch_command(const char* line) {
    if (!line) return COMMAND_UNKNOWN;
    const char* cursor = skip_separators(line);
    // A blank line is no command: nothing to answer.
    if (!*cursor) return COMMAND_HANDLED;

    if (match_keyword("quit", &cursor)) {
        if (search_running()) return COMMAND_BUSY;
        if (!quit_word) {
            end_game();
            quit_word = 1;
        }
        return COMMAND_HANDLED;
    }
    if (companion_early_commands) {
        const int result = companion_early_commands(cursor);
        if (result != COMMAND_UNKNOWN) return result;
    }
    if (match_keyword("uci", &cursor)) {
        uci_print("id name %s\n", engine_name);
        uci_print("id author %s\n", ENGINE_AUTHOR_NAME);
        // The companion build is driven by its own interface: no option list.
        if (!COMPANION_BUILD) print_options();
        uci_print("uciok\n");
        protocol_state = PROTOCOL_UCI;
        return COMMAND_HANDLED;
    }
    if (protocol_state != PROTOCOL_UCI) return COMMAND_HANDLED;

    if (match_keyword("position", &cursor)) return handle_position(cursor);
    if (match_keyword("go", &cursor)) return handle_go(cursor);
    if (match_keyword("ponderhit", &cursor)) {
        // Only a ponder search has anything to switch.
        if (search_mode == SEARCH_MODE_PONDER) {
            ponder_offset_ms = get_elapsed_ms();
            int previous_score = current_game_record > game_records ? current_game_record[-1].score : 0;
            record_move_time(0, 0, 0, -previous_score, game_ply);
            handle_ponderhit();
        }
        return COMMAND_HANDLED;
    }
    if (match_keyword("isready", &cursor)) {
        // After "stop" (or a command that needs an idle engine) the answer
        // follows the "bestmove". A search that ended by itself and waits for
        // "stop" (infinite analysis, pondering) is answered at once.
        if (search_running() && stop_reason == STOP_COMMAND) return COMMAND_BUSY;
        uci_print("readyok\n");
        return COMMAND_HANDLED;
    }
    if (match_keyword("setoption", &cursor)) {
        const char* name = cursor;
        if (!match_keyword("name", &name)) {
            uci_print("info string unknown UCI <%s> command\n", printable_text(skip_separators(line)).c_str());
            return COMMAND_UNKNOWN;
        }
        if (search_running()) return COMMAND_BUSY;
        set_option(name);
        return COMMAND_HANDLED;
    }
    if (match_keyword("ucinewgame", &cursor)) {
        if (search_running()) return COMMAND_BUSY;
        end_game();
        forget_game_searches();
        new_game_pending = 1;
        clear_hash(0);
        return COMMAND_HANDLED;
    }
    if (match_keyword("bench", &cursor)) return handle_bench(cursor);
    if (companion_late_commands) {
        const int result = companion_late_commands(cursor);
        if (result != COMMAND_UNKNOWN) return result;
    }

    uci_print("info string unknown UCI <%s> command\n", printable_text(cursor).c_str());
    return COMMAND_UNKNOWN;
}

int start_search(int side, int mode) {
    engine_side = uint8_t(side);
    run_mode = uint8_t(mode);
    ponder_offset_ms = 0;
    restart_move_timer();
    int result = think(side, mode, moves_to_go[side], time_left_ms[side], clock_increment_ms);
    engine_flags &= ~EF_PONDERING;
    run_mode = 0;
    get_ply_clock(game_ply);
    return result;
}

void run_bench(const char* file_name, uint32_t milliseconds) {
    // The bench measures the search, not the book; and it hands every setting
    // back as it found it.
    SavedSettings saved = save_settings();
    book_options &= ~BO_OWN_BOOK;
    std::ifstream file(file_name);
    int lines = 0;
    int64_t depth_total = 0;
    uint64_t node_total = 0;
    uint64_t ms_total = 0;
    std::string fen;
    char command[64];
    while (file && std::getline(file, fen)) {
        while (!fen.empty() && (fen.back() == '\r' || fen.back() == '\n')) fen.pop_back();
        std::string position_command =
            fen.empty() ? std::string("position startpos moves") : "position fen " + fen + " moves";
        dispatch_command(position_command.c_str());
        std::snprintf(command, sizeof(command), "go movetime %u", milliseconds);
        dispatch_command(command);
        depth_total += last_search_depth();
        node_total += last_search_nodes();
        ms_total += last_search_ms();
        ++lines;
    }
    if (lines > 0) {
        int64_t depth_hundredths = depth_total * 100 / lines;
        // A search too fast to measure must not divide by zero.
        long long nps = (long long)(node_total * 1000 / (ms_total ? ms_total : 1));
        uci_print("average depth=%lld.%02lld nps=%lld, %llu.%03llus\n", (long long)(depth_hundredths / 100),
                  (long long)(depth_hundredths % 100), nps, (unsigned long long)(ms_total / 1000),
                  (unsigned long long)(ms_total % 1000));
    }
    // Chess960 castling follows the position on the board, which is the
    // bench's last one: it is no setting to hand back.
    uint32_t engine_chess960 = engine_flags & EF_CHESS960;
    uint32_t search_chess960 = search_flags & EF_CHESS960;
    restore_settings(saved);
    engine_flags = (engine_flags & ~EF_CHESS960) | engine_chess960;
    search_flags = (search_flags & ~EF_CHESS960) | search_chess960;
}
