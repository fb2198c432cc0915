// The option list as an interface reads it after "uci", and "setoption" as it
// shows in the next list.
#include <gtest/gtest.h>
#include <sched.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "engine_process.h"

namespace {

const char UCI_ELO_PREFIX[] = "option name UCI_Elo type spin min 750 max ";

int expected_thread_maximum() {
    cpu_set_t set;
    CPU_ZERO(&set);
    sched_getaffinity(0, sizeof(set), &set);
    return std::min(CPU_COUNT(&set), 24);
}

std::vector<std::string> expected_options(bool multi_threaded, const std::string& engine_name) {
    std::vector<std::string> lines;
    if (multi_threaded) {
        int n = expected_thread_maximum();
        lines.push_back("option name Threads type spin min 1 max " + std::to_string(n) + " default " + std::to_string(n));
        lines.push_back("option name CPU Usage type spin min 1 max 100 default 100");
        lines.push_back("option name Busy Threads type check default true");
    }
    const char* common[] = {
        "option name OwnBook type check default false",
        "option name Book Learning type check default true",
        "option name Book Mode type combo default Tournament var Wild var Surprise var Dynamic var Tournament",
        "option name Book Positions type combo default 0 var 0",
        "option name Book Status type combo default NO BOOK FOUND var NO BOOK FOUND",
        "option name Use Tablebases type combo var Often var Normally var Rarely var Never default Normally",
        "option name Swindle Opponent type check default true",
        "option name NalimovCache type spin min 1 max 1024 default 32",
        "option name NalimovPath type string default ",
        "option name Hash type spin min 1 max 2048 default 128",
        "option name Clear Hash type button",
        "option name Retain Hash type check default true",
        "option name Position Learning type check default true",
        "option name Optimistic Search type check default true",
        "option name Combinations type check default true",
        "option name Morvax Draw Value type spin min -100 max 100 default 0",
        "option name Search Selectivity type spin min 0 max 7 default 7",
        "option name Playing Style type combo default Active var Active var Aggressive var Solid",
        "option name Hyper-Modern Play type check default true",
        "option name GUI Time Lag type check default false",
        "option name AutoSave PGN type check default true",
    };
    lines.insert(lines.end(), std::begin(common), std::end(common));
    // The range depends on the machine: checked on its own below.
    lines.push_back(UCI_ELO_PREFIX);
    const char* uci[] = {
        "option name UCI_LimitStrength type check default false",
        "option name UCI_AnalyseMode type check default false",
        "option name UCI_SearchMoves type check default true",
        "option name UCI_ShowCurrLine type check default false",
        "option name UCI_Chess960 type check default false",
        "option name MultiPV type spin min 1 max 127 default 1",
        "option name Ponder type check default true",
    };
    lines.insert(lines.end(), std::begin(uci), std::end(uci));
    lines.push_back("option name UCI_EngineAbout type string default " + engine_name +
                    ", a UCI chess engine by the MORVAX developers");
    return lines;
}

struct Program {
    const char* path;
    const char* engine_name;
    bool multi_threaded;
};

void PrintTo(const Program& program, std::ostream* out) { *out << program.engine_name; }

const Program PROGRAMS[] = {
    {MORVAX_VUDU_PATH, "Vevi MORVAX 14 KELM", true},
    {MORVAX_SP_PATH, "MORVAX 14 KELM", false},
};

class OptionList : public ::testing::TestWithParam<Program> {
protected:
    void SetUp() override {
        engine_ = std::make_unique<EngineProcess>(GetParam().path);
        ASSERT_TRUE(engine_->read_line(10000));
        ASSERT_TRUE(engine_->read_line());
    }
    // The option lines of one "uci" answer.
    std::vector<std::string> options() {
        engine_->send("uci");
        auto lines = engine_->read_until("uciok");
        EXPECT_GE(lines.size(), 3u);
        if (lines.size() < 3) return {};
        return std::vector<std::string>(lines.begin() + 2, lines.end() - 1);
    }
    std::unique_ptr<EngineProcess> engine_;
};

TEST_P(OptionList, PrintsEveryOptionInOrder) {
    auto printed = options();
    auto expected = expected_options(GetParam().multi_threaded, GetParam().engine_name);
    ASSERT_EQ(printed.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        if (expected[i] == UCI_ELO_PREFIX)
            EXPECT_EQ(printed[i].rfind(UCI_ELO_PREFIX, 0), 0u) << printed[i];
        else
            EXPECT_EQ(printed[i], expected[i]) << "line " << i;
    }
}

// The calibrated rating range: "UCI_Elo" inside it is taken, outside it is
// ignored without a word.
TEST_P(OptionList, UciEloStaysInTheCalibratedRange) {
    auto elo_line = [&] {
        for (const std::string& line : options())
            if (line.rfind(UCI_ELO_PREFIX, 0) == 0) return line;
        return std::string();
    };
    std::string line = elo_line();
    int low = 0, high = 0, value = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "option name UCI_Elo type spin min %d max %d default %d", &low, &high, &value), 3)
        << line;
    EXPECT_LE(low, value);
    EXPECT_LE(value, high);
    EXPECT_LE(high, 3500);
    if (high >= 2290) EXPECT_EQ(value, 2290);
    std::string range = "min " + std::to_string(low) + " max " + std::to_string(high) + " default ";
    struct Case {
        int set;
        int shown;
    };
    const Case cases[] = {{low, low}, {low - 1, low}, {high + 1, low}, {high, high}};
    for (const Case& c : cases) {
        engine_->send("setoption name UCI_Elo value " + std::to_string(c.set));
        EXPECT_EQ(elo_line(), "option name UCI_Elo type spin " + range + std::to_string(c.shown)) << c.set;
    }
    engine_->send("setoption name UCI_LimitStrength value true");
    engine_->send("position startpos");
    engine_->send("go movetime 200");
    EXPECT_TRUE(engine_->read_until_prefix("bestmove ", 10000));
    engine_->send("quit");
    EXPECT_EQ(engine_->wait_exit(), 0);
}

// Every line must read under the UCI grammar: "option name <id> type <t>" and
// the fields that type needs.
TEST_P(OptionList, LinesFollowTheUciGrammar) {
    for (const std::string& line : options()) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        ASSERT_EQ(word, "option") << line;
        words >> word;
        ASSERT_EQ(word, "name") << line;
        std::string name, type;
        while (words >> word && word != "type") name += (name.empty() ? "" : " ") + word;
        ASSERT_FALSE(name.empty()) << line;
        ASSERT_TRUE(words >> type) << line;
        std::string rest;
        std::getline(words, rest);
        auto has = [&](const char* field) { return (" " + rest + " ").find(std::string(" ") + field + " ") != std::string::npos; };
        if (type == "check") {
            EXPECT_TRUE(rest == " default true" || rest == " default false") << line;
        } else if (type == "spin") {
            int low = 0, high = 0, value = 0;
            std::istringstream fields(rest);
            std::string a, b, c;
            ASSERT_TRUE(fields >> a >> low >> b >> high >> c >> value) << line;
            EXPECT_EQ(a + b + c, "minmaxdefault") << line;
            EXPECT_LE(low, value) << line;
            EXPECT_LE(value, high) << line;
        } else if (type == "combo") {
            EXPECT_TRUE(has("default") && has("var")) << line;
        } else if (type == "string") {
            EXPECT_EQ(rest.rfind(" default", 0), 0u) << line;
        } else {
            EXPECT_EQ(type, "button") << line;
            EXPECT_EQ(rest, "") << line;
        }
    }
}

// Each value set shows in the next list in the units it was set in, and a
// "bench" hands every setting back as it found it.
TEST_P(OptionList, SetOptionShowsInTheNextListAndBenchKeepsIt) {
    options();
    struct Case {
        const char* setoption;
        const char* shown;  // the option's line in the next list
    };
    const Case cases[] = {
        {"setoption name Hash value 64", "option name Hash type spin min 1 max 2048 default 64"},
        {"setoption name MultiPV value 3", "option name MultiPV type spin min 1 max 127 default 3"},
        {"setoption name Playing Style value Solid",
         "option name Playing Style type combo default Solid var Active var Aggressive var Solid"},
        {"setoption name Book Mode value Wild",
         "option name Book Mode type combo default Wild var Wild var Surprise var Dynamic var Tournament"},
        // Level 1 shows as "Never" although tablebases stay on.
        {"setoption name Tablebase Depth value 1",
         "option name Use Tablebases type combo var Often var Normally var Rarely var Never default Never"},
        {"setoption name Retain Hash value false", "option name Retain Hash type check default false"},
        {"setoption name Search Selectivity value 3", "option name Search Selectivity type spin min 0 max 7 default 3"},
        {"setoption name OwnBook value false", "option name OwnBook type check default false"},
        {"setoption name Morvax Draw Value value 50", "option name Morvax Draw Value type spin min -100 max 100 default 50"},
        {"setoption name NalimovCache value 7", "option name NalimovCache type spin min 1 max 1024 default 7"},
        {"setoption name NalimovCache value 512", "option name NalimovCache type spin min 1 max 1024 default 7"},
        {"setoption name hash value 0", "option name Hash type spin min 1 max 2048 default 64"},
    };
    for (const Case& c : cases) engine_->send(c.setoption);
    auto before = options();
    for (const Case& c : cases) {
        std::string shown = c.shown;
        std::string start = shown.substr(0, shown.find(" type ") + 1);
        auto line = std::find_if(before.begin(), before.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; });
        EXPECT_EQ(line == before.end() ? std::string() : *line, shown) << c.setoption;
    }

    write_file(engine_->folder().file("one.fen"), "8/8/8/4k3/8/8/2PK4/8 w - - 0 1\n");
    engine_->send("bench one.fen 0");
    EXPECT_TRUE(engine_->read_until_prefix("average depth=", 10000));
    EXPECT_EQ(options(), before);
    engine_->send("quit");
    EXPECT_EQ(engine_->wait_exit(), 0);
}

INSTANTIATE_TEST_SUITE_P(Programs, OptionList, ::testing::ValuesIn(PROGRAMS),
                         [](const ::testing::TestParamInfo<Program>& info) {
                             return info.param.multi_threaded ? "vudu" : "sp";
                         });

}  // namespace
