#include "uci/options.h"

#include <cstdlib>
#include <cstring>

#include "book/book.h"
#include "book/learning.h"
#include "config/build_config.h"
#include "config/settings.h"
#include "platform/print.h"
#include "search/driver.h"
#include "search/search_tables.h"
#include "search/strength.h"
#include "search/time_control.h"
#include "search/tt.h"
#include "tablebase/tablebase.h"
#include "uci/command_words.h"
#include "uci/engine.h"
#include "uci/paths.h"

namespace {

const char* const BOOK_MODE_NAMES[] = {"Wild", "Surprise", "Dynamic", "Tournament"};
const char* const PLAYING_STYLE_NAMES[] = {"Active", "Aggressive", "Solid"};
const char* const TABLEBASE_USE_NAMES[] = {"Never", "Often", "Normally", "Rarely"};

const char* boolean_text(bool value) { return value ? "true" : "false"; }
const char* engine_flag_text(uint32_t bit) { return boolean_text(engine_flags & bit); }

void print_book_options() {
    uci_print("option name OwnBook type check default %s\n", boolean_text(book_options & BO_OWN_BOOK));
    uci_print("option name Book Learning type check default %s\n", engine_flag_text(EF_BOOK_LEARNING));
    unsigned mode = (book_options & BO_BOOK_MODE) >> BO_BOOK_MODE_SHIFT;
    // Book mode 0 (no book moves) has no name of its own in the list.
    const char* mode_name = mode >= 1 && mode <= 4 ? BOOK_MODE_NAMES[mode - 1] : "";
    uci_print("option name Book Mode type combo default %s var %s var %s var %s var %s\n", mode_name,
              BOOK_MODE_NAMES[0], BOOK_MODE_NAMES[1], BOOK_MODE_NAMES[2], BOOK_MODE_NAMES[3]);
    uci_print("option name Book Positions type combo default %ld var %ld\n", book_record_count, book_record_count);
    if (book_status & BOOK_READ_ONLY)
        uci_print("option name Book Status type combo default READ ONLY BOOK - NO LEARNING var READ ONLY BOOK - NO LEARNING\n");
    else if (book_status & BOOK_NOT_FOUND)
        uci_print("option name Book Status type combo default NO BOOK FOUND var NO BOOK FOUND\n");
    else
        uci_print("option name Book Status type combo default %s OK var %s OK\n", book_file_name, book_file_name);
}

void print_tablebase_options() {
    const char* use = (engine_flags & EF_USE_TABLEBASES) ? TABLEBASE_USE_NAMES[(tablebase_level / 2) & 3] : "Never";
    uci_print("option name Use Tablebases type combo var %s var %s var %s var %s default %s\n", TABLEBASE_USE_NAMES[1],
              TABLEBASE_USE_NAMES[2], TABLEBASE_USE_NAMES[3], TABLEBASE_USE_NAMES[0], use);
    uci_print("option name Swindle Opponent type check default %s\n", engine_flag_text(EF_SWINDLE));
    uci_print("option name NalimovCache type spin min 1 max 1024 default %ld\n", long(nalimov_cache_bytes / 0x100000));
    uci_print("option name NalimovPath type string default %s\n", nalimov_path);
}

void print_uci_options() {
    uci_print("option name UCI_Elo type spin min %d max %d default %d\n", uci_elo_min, uci_elo_max, uci_elo);
    uci_print("option name UCI_LimitStrength type check default false\n");
    uci_print("option name UCI_AnalyseMode type check default false\n");
    uci_print("option name UCI_SearchMoves type check default true\n");
    uci_print("option name UCI_ShowCurrLine type check default false\n");
    uci_print("option name UCI_Chess960 type check default false\n");
    uci_print("option name MultiPV type spin min 1 max 127 default %d\n", multi_pv);
    uci_print("option name Ponder type check default true\n");
    uci_print("option name UCI_EngineAbout type string default %s, a UCI chess engine by %s\n", engine_name,
              ENGINE_AUTHOR_NAME);
}

// Reads "value <word>" after an option name; nullptr when "value" is missing.
const char* option_value(const char* cursor) {
    return match_keyword("value", &cursor) ? cursor : nullptr;
}

// A check option's value: 1 true, 0 false, -1 neither.
int check_value(const char* value) {
    if (!value) return -1;
    if (match_keyword("true", &value)) return 1;
    if (match_keyword("false", &value)) return 0;
    return -1;
}

void set_engine_bit(uint32_t bit, int on) {
    if (on == 1) engine_flags |= bit;
    if (on == 0) engine_flags &= ~bit;
}

void set_book_bit(uint32_t bit, int on) {
    if (on == 1) book_options |= bit;
    if (on == 0) book_options &= ~bit;
}

// Index of the value among `names` (matched as keywords), or -1.
int choice_value(const char* value, const char* const* names, int count) {
    if (!value) return -1;
    for (int i = 0; i < count; ++i) {
        const char* cursor = value;
        if (match_keyword(names[i], &cursor)) return i;
    }
    return -1;
}

// A number in [low, high] read from the value, else nothing.
bool number_value(const char* value, int low, int high, int* out) {
    if (!value) return false;
    int number = std::atoi(value);
    if (number < low || number > high) return false;
    *out = number;
    return true;
}

// Morvax Draw Value is given in centipawns; it is kept negated in score units
// (128 to a pawn), truncated toward zero. The list shows the centipawns again:
// as one centipawn is more than one unit, every stored value comes from
// exactly one option value, the smallest whose units reach it.
constexpr int DRAW_VALUE_OPTION_LIMIT = 100;

int draw_value_from_option(int centipawns) { return -(centipawns * 128) / 100; }

int draw_value_option(int stored) {
    int units = stored < 0 ? -stored : stored;
    int centipawns = (units * 100 + 127) / 128;
    return stored > 0 ? -centipawns : centipawns;
}

}  // namespace

void print_options() {
    if (MULTI_THREADED) {
        uci_print("option name Threads type spin min 1 max %d default %d\n", threads_max, threads_max);
        uci_print("option name CPU Usage type spin min 1 max 100 default 100\n");
        uci_print("option name Busy Threads type check default %s\n", engine_flag_text(EF_BUSY_THREADS));
    }
    print_book_options();
    print_tablebase_options();
    uci_print("option name Hash type spin min 1 max 2048 default %ld\n", long(hash_size_kb >> 10));
    uci_print("option name Clear Hash type button\n");
    uci_print("option name Retain Hash type check default %s\n", engine_flag_text(EF_RETAIN_HASH));
    uci_print("option name Position Learning type check default %s\n", engine_flag_text(EF_POSITION_LEARNING));
    uci_print("option name Optimistic Search type check default %s\n", engine_flag_text(EF_OPTIMISTIC_SEARCH));
    uci_print("option name Combinations type check default %s\n", engine_flag_text(EF_COMBINATIONS));
    uci_print("option name Morvax Draw Value type spin min %d max %d default %d\n", -DRAW_VALUE_OPTION_LIMIT,
              DRAW_VALUE_OPTION_LIMIT, draw_value_option(draw_value));
    uci_print("option name Search Selectivity type spin min 0 max 7 default %ld\n",
              long((engine_flags & EF_SELECTIVITY) >> EF_SELECTIVITY_SHIFT));
    unsigned style = (engine_flags & EF_PLAYING_STYLE) >> EF_PLAYING_STYLE_SHIFT;
    uci_print("option name Playing Style type combo default %s var %s var %s var %s\n",
              style < 3 ? PLAYING_STYLE_NAMES[style] : PLAYING_STYLE_NAMES[0], PLAYING_STYLE_NAMES[0],
              PLAYING_STYLE_NAMES[1], PLAYING_STYLE_NAMES[2]);
    uci_print("option name Hyper-Modern Play type check default %s\n", engine_flag_text(EF_HYPER_MODERN));
    uci_print("option name GUI Time Lag type check default false\n");
    // Shown as true although games are saved only once it has been set.
    uci_print("option name AutoSave PGN type check default true\n");
    print_uci_options();
}

void set_option(const char* text) {
    const char* cursor = text;
    int number = 0;
    auto named = [&](const char* name) { return match_keyword(name, &cursor) != 0; };

    if (named("Playing Style")) {
        int style = choice_value(option_value(cursor), PLAYING_STYLE_NAMES, 3);
        if (style >= 0) engine_flags = (engine_flags & ~EF_PLAYING_STYLE) | (uint32_t(style) << EF_PLAYING_STYLE_SHIFT);
    } else if (named("Book Mode")) {
        int mode = choice_value(option_value(cursor), BOOK_MODE_NAMES, 4);
        if (mode >= 0) book_options = (book_options & ~BO_BOOK_MODE) | (uint32_t(mode + 1) << BO_BOOK_MODE_SHIFT);
    } else if (named("Search Selectivity")) {
        if (number_value(option_value(cursor), 0, 7, &number))
            engine_flags = (engine_flags & ~EF_SELECTIVITY) | (uint32_t(number) << EF_SELECTIVITY_SHIFT);
    } else if (named("Optimistic Search")) {
        set_engine_bit(EF_OPTIMISTIC_SEARCH, check_value(option_value(cursor)));
    } else if (named("Morvax Draw Value")) {
        // The list offers -100..100: a value beyond it would show outside the
        // line's own range, which a client reading the list again refuses.
        if (number_value(option_value(cursor), -DRAW_VALUE_OPTION_LIMIT, DRAW_VALUE_OPTION_LIMIT, &number))
            draw_value = draw_value_from_option(number);
    } else if (named("Retain Hash")) {
        int on = check_value(option_value(cursor));
        if (on == 1) engine_flags |= EF_RETAIN_HASH;
        if (on == 0 && (engine_flags & EF_RETAIN_HASH)) {
            engine_flags &= ~EF_RETAIN_HASH;
            clear_hash(0);
        }
    } else if (named("Swindle Opponent")) {
        set_engine_bit(EF_SWINDLE, check_value(option_value(cursor)));
    } else if (named("Busy Threads")) {
        set_engine_bit(EF_BUSY_THREADS, check_value(option_value(cursor)));
    } else if (named("Ponder")) {
        set_engine_bit(EF_PONDER, check_value(option_value(cursor)));
    } else if (named("Clear Hash")) {
        clear_hash(0);
    } else if (named("Hash")) {
        if (number_value(option_value(cursor), 1, 2048, &number) && number * 1024 != hash_size_kb) {
            // Learned entries live in the table: keep them in the file before it goes.
            if (learned_entries_changed && (engine_flags & EF_POSITION_LEARNING) && hash_size_kb > 0)
                save_position_learning();
            set_hash_size(number * 1024);
            reload_position_learning();
        }
    } else if (named("Use Tablebases")) {
        int use = choice_value(option_value(cursor), TABLEBASE_USE_NAMES, 4);
        if (use == 0) engine_flags &= ~EF_USE_TABLEBASES;
        if (use > 0) {
            engine_flags |= EF_USE_TABLEBASES;
            tablebase_level = use * 2;
        }
    } else if (named("Book Learning")) {
        set_engine_bit(EF_BOOK_LEARNING, check_value(option_value(cursor)));
    } else if (named("Position Learning")) {
        int on = check_value(option_value(cursor));
        if (on == 1 && !(engine_flags & EF_POSITION_LEARNING)) {
            engine_flags |= EF_POSITION_LEARNING;
            if (hash_size_kb > 0) load_position_learning();
        }
        if (on == 0 && (engine_flags & EF_POSITION_LEARNING)) {
            if (learned_entries_changed && hash_size_kb > 0) save_position_learning();
            engine_flags &= ~EF_POSITION_LEARNING;
        }
    } else if (named("Combinations")) {
        set_engine_bit(EF_COMBINATIONS, check_value(option_value(cursor)));
    } else if (named("Hyper-Modern Play")) {
        set_engine_bit(EF_HYPER_MODERN, check_value(option_value(cursor)));
    } else if (named("UCI_AnalyseMode")) {
        set_engine_bit(EF_ANALYSE_MODE, check_value(option_value(cursor)));
    } else if (named("Tablebase Depth")) {
        if (number_value(option_value(cursor), 0, 7, &number)) tablebase_level = number;
    } else if (named("OwnBook")) {
        set_book_bit(BO_OWN_BOOK, check_value(option_value(cursor)));
    } else if (named("MultiPV")) {
        if (number_value(option_value(cursor), 1, 127, &number)) multi_pv = number;
    } else if (named("NalimovCache")) {
        if (number_value(option_value(cursor), 1, 256, &number)) {
            nalimov_cache_bytes = number << 20;
            init_tablebases(0);
        }
    } else if (named("NalimovPath")) {
        const char* path = option_value(cursor);
        if (path && std::strlen(path) < NALIMOV_PATH_CAPACITY) {
            std::strcpy(nalimov_path, path);
            init_tablebases(1);
        }
    } else if (named("UCI_ShowCurrLine")) {
        set_book_bit(BO_SHOW_CURR_LINE, check_value(option_value(cursor)));
    } else if (named("UCI_Elo")) {
        if (const char* value = option_value(cursor)) set_uci_elo(std::atoi(value));
    } else if (named("UCI_LimitStrength")) {
        int on = check_value(option_value(cursor));
        if (on == 1) {
            enable_limit_strength();
            set_active_threads(1);
        }
        if (on == 0) {
            engine_flags &= ~EF_LIMIT_STRENGTH;
            search_flags &= ~EF_LIMIT_STRENGTH;
            node_rate_limit = 0;
            set_active_threads(MAX_THREADS);
        }
    } else if (named("CPU Usage")) {
        if (number_value(option_value(cursor), 1, 100, &number)) idle_percent = 100 - number;
    } else if (named("UCI_Chess960")) {
        // Chess960 castling is told by the positions themselves.
    } else if (named("GUI Time Lag")) {
        set_engine_bit(EF_GUI_TIME_LAG, check_value(option_value(cursor)));
    } else if (named("Threads") || named("Core Threads")) {
        // The node-rate limit throttles the main thread only: a limited
        // engine stays on one thread; switching the limit off gives all back.
        if (MULTI_THREADED && number_value(option_value(cursor), 1, threads_max, &number) &&
            !(engine_flags & EF_LIMIT_STRENGTH))
            set_active_threads(number);
    } else if (named("AutoSave PGN")) {
        set_book_bit(BO_AUTOSAVE_PGN, check_value(option_value(cursor)));
    }
}

void reset_settings() {
    engine_flags = (engine_flags & ~EF_PLAYING_STYLE) | ENGINE_FLAGS_DEFAULT;
    book_options = (book_options & ~0x60u) | 0x80u;  // Book Mode 4, Tournament
    time_cap_ms = DEFAULT_TIME_CAP_MS;
    go_depth_limit = iteration_depth_limit = DEFAULT_MAX_DEPTH;
    reset_search_settings();
}

void set_search_mode(int mode, int reset) {
    if (reset) reset_settings();
    time_mode = mode;
    clock_mode = mode & 15;
    reset_clocks();
}

void init_square_tables() {
    search_mode = SEARCH_MODE_IDLE;
    static constexpr int32_t FIRST_MARGIN_STEPS[6] = {0, 0, 0, 128, 128, 256};
    static constexpr uint8_t FIRST_MOVE_COUNT_LIMITS[6] = {15, 15, 4, 3, 2, 1};
    static constexpr uint8_t FIRST_MARGINS[6] = {88, 88, 66, 66, 44, 44};
    for (int i = 0; i < 64; ++i) {
        depth_margin_steps[i] = i < 6 ? FIRST_MARGIN_STEPS[i] : ((i - 1) / 2) * 128;
        qs_move_count_limits[i] = i < 6 ? FIRST_MOVE_COUNT_LIMITS[i] : 0;
        qs_margins[i] = i < 6 ? FIRST_MARGINS[i] : 56;
    }
}
