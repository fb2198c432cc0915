#include "uci/engine.h"

#include <csignal>
#include <cstring>

#include "book/book.h"
#include "book/learning.h"
#include "book/pgn.h"
#include "config/build_config.h"
#include "config/settings.h"
#include "eval/kpk.h"
#include "platform/fatal_error.h"
#include "platform/print.h"
#include "platform/system.h"
#include "search/hash_memory.h"
#include "search/random.h"
#include "search/strength.h"
#include "search/threads.h"
#include "search/tt.h"
#include "tablebase/tablebase.h"
#include "uci/autosave_game.h"
#include "uci/command_loop.h"
#include "uci/dispatch.h"
#include "uci/new_game.h"
#include "uci/options.h"
#include "uci/paths.h"

std::string working_directory;
std::string program_file_name;
char engine_name[20];

void begin_engine_program(int argc, char** argv) {
    // A GUI that closes its end of the pipe must not kill the engine mid-write;
    // the loss shows up as the end of its input instead.
    std::signal(SIGPIPE, SIG_IGN);

    uci_print("%s\n", ENGINE_NAME);
    uci_print("UCI chess engine; start it from a chess interface, or type \"uci\".\n");

    working_directory = current_directory();
    program_file_name = argc > 0 && argv[0] ? argv[0] : "";
}

void set_engine_name() {
    std::strncpy(engine_name, ENGINE_NAME, sizeof(engine_name) - 1);
    engine_name[sizeof(engine_name) - 1] = '\0';
}

int engine_main(int argc, char** argv) {
    begin_engine_program(argc, argv);

    // A failed start-up ends the process with a failure code, not with success.
    if (engine_startup() == -1) return 1;

    run_command_loop();
    engine_shutdown();
    return 0;
}

int engine_startup() {
    int result = -1;
    init_paths();
    // A fatal failure from here on ends the game and saves it first.
    set_fatal_error_handler(end_game_after_fatal_error);
    autosave_game_writer = write_autosave_game;
    if (init_engine_data(tick_count_ms()) != -1) {
        set_default_settings();
        result = init_memory();
        if (result != -1) {
            start_new_game();
            start_threads(threads_max);
            calibrate_strength(1, 0);
            start_new_game();  // the calibration searched the start position
            open_book();
        }
    }
    set_engine_name();
    write_autosave_header();
    book_options |= BO_STARTUP_DONE;
    search_book_options = book_options;
    return result;
}

int init_memory() {
    if (!alloc_book_buffer()) return -1;
    const int kb = set_hash_size(DEFAULT_HASH_KB);
    reload_position_learning();
    return kb;
}

namespace {

// The tablebase messages reach the interface only once it has asked for UCI.
void print_tablebase_info(const char* line) {
    if (protocol_state == PROTOCOL_UCI) uci_print("%s", line);
}

}  // namespace

int init_engine_data(uint32_t seed) {
    tb_info_printer = print_tablebase_info;
    // A table the engine can't go on without ends the program as every fatal
    // failure does: the tables log it, the game is saved.
    tb_fatal_handler = end_after_logged_fatal_error;
    if (!init_tablebases(1)) return -1;
    if (seed != 0) seed_random(seed);
    init_square_tables();
    init_kpk_bitbase();
    return 1;
}

void set_default_settings() {
    engine_flags = ENGINE_FLAGS_DEFAULT;
    time_cap_ms = DEFAULT_TIME_CAP_MS;
    go_depth_limit = iteration_depth_limit = DEFAULT_MAX_DEPTH;
    reset_search_settings();
    set_search_mode(3, 1);
}

void engine_shutdown() {
    // The worker threads read the tables: they end first.
    stop_threads();
    free_tablebases();
    free_book_buffer();
    save_position_learning_at_exit();
    free_hash_tables();
    close_open_files();
}
