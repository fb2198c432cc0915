#include "companion/tx_engine.h"

#include <cstring>

#include "book/book.h"
#include "book/pgn.h"
#include "companion/human_book.h"
#include "companion/move_advice.h"
#include "companion/tx_commands.h"
#include "config/build_config.h"
#include "config/settings.h"
#include "platform/fatal_error.h"
#include "platform/system.h"
#include "search/hash_memory.h"
#include "search/strength.h"
#include "tablebase/tablebase.h"
#include "uci/autosave_game.h"
#include "uci/command_loop.h"
#include "uci/engine.h"
#include "uci/new_game.h"
#include "uci/paths.h"

char human_book_file_name[4096];

namespace {

void set_human_book_file_name(const char* name) {
    std::strncpy(human_book_file_name, name, sizeof(human_book_file_name) - 1);
    human_book_file_name[sizeof(human_book_file_name) - 1] = '\0';
}

}  // namespace

int main_tx(int argc, char** argv) {
    begin_engine_program(argc, argv);
    set_human_book_file_name(HUMAN_BOOK_FILE_NAME);
    // "book <file>" names the human-games book; a trailing "book" alone is
    // ignored.
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "book") == 0) set_human_book_file_name(argv[++i]);

    // A failed start-up ends the process with a failure code.
    if (engine_startup_tx() == -1) return 1;
    run_command_loop();
    engine_shutdown_tx();
    return 0;
}

int engine_startup_tx() {
    init_paths();
    // Games are saved as in the other programs (with "AutoSave PGN" on, no
    // header at start-up), and a fatal failure saves the game first.
    set_fatal_error_handler(end_game_after_fatal_error);
    autosave_game_writer = write_autosave_game;
    if (init_engine_data(tick_count_ms()) == -1) return -1;
    set_default_settings();
    // The main book's buffer comes first: the human-games book then installs
    // its own lookup for the root.
    if (!alloc_book_buffer() || !alloc_human_book_buffer()) return -1;
    const int kb = set_hash_size(DEFAULT_HASH_KB);
    install_tx_commands();
    install_move_advice();
    install_human_book_learning();
    start_new_game();
    calibrate_strength(1, 0);
    load_human_book(human_book_file_name);
    set_engine_name();
    book_options |= BO_STARTUP_DONE;
    search_book_options = book_options;
    return kb;
}

void engine_shutdown_tx() {
    free_tablebases();
    free_book_buffer();
    free_hash_tables();
    free_human_book_buffer();
    close_human_book();
    close_open_files();
}
