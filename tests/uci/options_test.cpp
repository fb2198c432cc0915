#include "uci/options.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "book/learning.h"
#include "config/build_config.h"
#include "config/settings.h"
#include "output_capture.h"
#include "search/search_tables.h"
#include "search/strength.h"
#include "search/tt.h"

namespace {

// Every setting an option can touch, saved and put back around each test.
struct SettingsSnapshot {
    uint32_t engine_flags_, search_flags_, book_options_;
    int draw_value_, tablebase_level_, multi_pv_, idle_percent_, threads_in_use_, nalimov_cache_bytes_;
    int hash_size_kb_, uci_elo_, node_rate_limit_;
    std::string nalimov_path_;

    SettingsSnapshot()
        : engine_flags_(engine_flags), search_flags_(search_flags), book_options_(book_options),
          draw_value_(draw_value), tablebase_level_(tablebase_level), multi_pv_(multi_pv),
          idle_percent_(idle_percent), threads_in_use_(threads_in_use), nalimov_cache_bytes_(nalimov_cache_bytes),
          hash_size_kb_(hash_size_kb), uci_elo_(uci_elo), node_rate_limit_(node_rate_limit),
          nalimov_path_(nalimov_path) {}
    ~SettingsSnapshot() {
        engine_flags = engine_flags_;
        search_flags = search_flags_;
        book_options = book_options_;
        draw_value = draw_value_;
        tablebase_level = tablebase_level_;
        multi_pv = multi_pv_;
        idle_percent = idle_percent_;
        threads_in_use = threads_in_use_;
        nalimov_cache_bytes = nalimov_cache_bytes_;
        hash_size_kb = hash_size_kb_;
        uci_elo = uci_elo_;
        node_rate_limit = node_rate_limit_;
        std::strcpy(nalimov_path, nalimov_path_.c_str());
    }
};

struct OptionCase {
    const char* text;                // what follows "setoption name "
    std::function<long()> read;      // the setting it changes
    long expected;
};

long engine_bits(uint32_t mask) { return long(engine_flags & mask); }
long book_bits(uint32_t mask) { return long(book_options & mask); }

TEST(Options, EachOptionSetsItsSettingAndIgnoresValuesOutOfRange) {
    const OptionCase cases[] = {
        {"Playing Style value Aggressive", [] { return engine_bits(EF_PLAYING_STYLE); }, 0x100},
        {"Playing Style value Solid", [] { return engine_bits(EF_PLAYING_STYLE); }, 0x200},
        {"Playing Style value Reckless", [] { return engine_bits(EF_PLAYING_STYLE); }, 0},
        {"playing style VALUE solid", [] { return engine_bits(EF_PLAYING_STYLE); }, 0x200},
        {"Book Mode value Wild", [] { return book_bits(BO_BOOK_MODE); }, 0x20},
        {"Book Mode value Dynamic", [] { return book_bits(BO_BOOK_MODE); }, 0x60},
        {"Search Selectivity value 3", [] { return engine_bits(EF_SELECTIVITY); }, 0x3000},
        {"Search Selectivity value 8", [] { return engine_bits(EF_SELECTIVITY); }, 0x7000},
        {"Optimistic Search value false", [] { return engine_bits(EF_OPTIMISTIC_SEARCH); }, 0},
        {"Optimistic Search value maybe", [] { return engine_bits(EF_OPTIMISTIC_SEARCH); }, 0x10},
        {"Optimistic Search false", [] { return engine_bits(EF_OPTIMISTIC_SEARCH); }, 0x10},  // no "value"
        {"Morvax Draw Value value 50", [] { return long(draw_value); }, -64},
        {"Morvax Draw Value value 100", [] { return long(draw_value); }, -128},
        {"Morvax Draw Value value -100", [] { return long(draw_value); }, 128},
        {"Morvax Draw Value value 101", [] { return long(draw_value); }, 0},
        {"Retain Hash value false", [] { return engine_bits(EF_RETAIN_HASH); }, 0},
        {"Swindle Opponent value false", [] { return engine_bits(EF_SWINDLE); }, 0},
        {"Busy Threads value false", [] { return engine_bits(EF_BUSY_THREADS); }, 0},
        {"Ponder value false", [] { return engine_bits(EF_PONDER); }, 0},
        {"Hash value 64", [] { return long(hash_size_kb); }, 65536},
        {"Hash value 0", [] { return long(hash_size_kb); }, 131072},
        {"Hash value 4096", [] { return long(hash_size_kb); }, 131072},
        {"Use Tablebases value Never", [] { return engine_bits(EF_USE_TABLEBASES); }, 0},
        {"Use Tablebases value Rarely", [] { return long(tablebase_level); }, 6},
        {"Tablebase Depth value 1", [] { return long(tablebase_level); }, 1},
        {"Tablebase Depth value 9", [] { return long(tablebase_level); }, 4},
        {"Book Learning value false", [] { return engine_bits(EF_BOOK_LEARNING); }, 0},
        {"Combinations value false", [] { return engine_bits(EF_COMBINATIONS); }, 0},
        {"Hyper-Modern Play value false", [] { return engine_bits(EF_HYPER_MODERN); }, 0},
        {"UCI_AnalyseMode value true", [] { return engine_bits(EF_ANALYSE_MODE); }, 0x400000},
        {"OwnBook value true", [] { return book_bits(BO_OWN_BOOK); }, 0x80000},
        {"MultiPV value 4", [] { return long(multi_pv); }, 4},
        {"MultiPV value 128", [] { return long(multi_pv); }, 1},
        {"NalimovCache value 256", [] { return long(nalimov_cache_bytes); }, 256L << 20},
        {"NalimovCache value 512", [] { return long(nalimov_cache_bytes); }, 0x2000000},
        {"UCI_ShowCurrLine value true", [] { return book_bits(BO_SHOW_CURR_LINE); }, 0x100000},
        {"UCI_Elo value 1500", [] { return long(uci_elo); }, 1500},
        {"UCI_Elo value 100", [] { return long(uci_elo); }, 2150},
        {"CPU Usage value 25", [] { return long(idle_percent); }, 75},
        {"CPU Usage value 0", [] { return long(idle_percent); }, 0},
        {"GUI Time Lag value true", [] { return engine_bits(EF_GUI_TIME_LAG); }, 0x8},
        {"AutoSave PGN value true", [] { return book_bits(BO_AUTOSAVE_PGN); }, 0x10000000},
        {"No Such Option value 3", [] { return long(engine_flags); }, long(ENGINE_FLAGS_DEFAULT)},
    };
    for (const OptionCase& c : cases) {
        SettingsSnapshot restore;
        engine_flags = search_flags = ENGINE_FLAGS_DEFAULT;
        book_options = BOOK_OPTIONS_INITIAL;
        draw_value = 0;
        tablebase_level = 4;
        multi_pv = 1;
        idle_percent = 0;
        nalimov_cache_bytes = 0x2000000;
        hash_size_kb = 131072;
        uci_elo = 2150;
        set_option(c.text);
        EXPECT_EQ(c.read(), c.expected) << c.text;
    }
}

// The list shows the draw value in the centipawns it was set in, whatever the
// rounding of its storage in score units.
TEST(Options, EveryDrawValueReadsBackAsItWasSet) {
    SettingsSnapshot restore;
    for (int centipawns = -100; centipawns <= 100; ++centipawns) {
        std::string shown;
        {
            OutputCapture output;
            set_option(("Morvax Draw Value value " + std::to_string(centipawns)).c_str());
            print_options();
            shown = output.text();
        }
        std::string line = "option name Morvax Draw Value type spin min -100 max 100 default " +
                           std::to_string(centipawns) + "\n";
        EXPECT_NE(shown.find(line), std::string::npos) << centipawns;
    }
}

TEST(Options, NalimovPathTakesTheRestOfTheLineUpToItsCapacity) {
    SettingsSnapshot restore;
    set_option("NalimovPath value /tb/three men;/tb/four");
    EXPECT_STREQ(nalimov_path, "/tb/three men;/tb/four");
    set_option(("NalimovPath value " + std::string(NALIMOV_PATH_CAPACITY, 'x')).c_str());
    EXPECT_STREQ(nalimov_path, "/tb/three men;/tb/four");
}

TEST(Options, StrengthLimitTakesTheThreadsAndGivesThemBack) {
    SettingsSnapshot restore;
    set_option("UCI_LimitStrength value true");
    EXPECT_TRUE(engine_flags & EF_LIMIT_STRENGTH);
    EXPECT_EQ(threads_in_use, 1);
    EXPECT_EQ(node_rate_limit, int(elo_to_strength_limit(uci_elo)));
    set_option("UCI_LimitStrength value false");
    EXPECT_FALSE(engine_flags & EF_LIMIT_STRENGTH);
    EXPECT_FALSE(search_flags & EF_LIMIT_STRENGTH);
    EXPECT_EQ(node_rate_limit, 0);
    EXPECT_EQ(threads_in_use, set_active_threads(1000));  // every thread there is
}

TEST(Options, ResetKeepsSetBitsButRestoresDefaults) {
    SettingsSnapshot restore;
    engine_flags = ENGINE_FLAGS_DEFAULT | EF_ANALYSE_MODE | 0x200u;  // Solid
    engine_flags &= ~EF_PONDER;
    book_options = (book_options & ~BO_BOOK_MODE) | 0x20u;  // Wild
    draw_value = 40;
    reset_settings();
    EXPECT_TRUE(engine_flags & EF_ANALYSE_MODE);
    EXPECT_EQ(engine_flags & EF_PLAYING_STYLE, 0u);
    EXPECT_TRUE(engine_flags & EF_PONDER);
    EXPECT_EQ(book_options & BO_BOOK_MODE, 0x80u);
    EXPECT_EQ(draw_value, 0);
}

TEST(Options, SquareTablesHoldTheirFixedHeadsAndComputedTails) {
    init_square_tables();
    const int32_t margin_steps[] = {0, 0, 0, 128, 128, 256, 256, 384, 384, 512};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(depth_margin_steps[i], margin_steps[i]) << i;
    EXPECT_EQ(depth_margin_steps[63], 31 * 128);
    EXPECT_EQ(qs_move_count_limits[2], 4);
    EXPECT_EQ(qs_move_count_limits[6], 0);
    EXPECT_EQ(qs_margins[5], 44);
    EXPECT_EQ(qs_margins[40], 56);
}

}  // namespace
