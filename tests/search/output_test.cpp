#include "search/output.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "output_capture.h"
#include "platform/system.h"
#include "position/position.h"
#include "search/driver.h"
#include "search/search_info.h"
#include "search/time_control.h"

namespace {

TEST(SearchOutput, ScoresInCentipawnsAndMates) {
    struct Case {
        int score, bound_kind;
        const char* text;
    };
    const Case cases[] = {
        {128, 4, "cp 100"},          {-1, 4, "cp 0"},          {-129, 3, "cp -100"},
        {64, 2, "cp 50 upperbound "}, {64, 6, "cp 50 lowerbound "},
        {8191, 4, "mate 1"},         {8189, 2, "mate 2"},      {-8190, 4, "mate -1"},
        {-8188, 6, "mate -2"},       {7799, 4, "cp 6092"},
    };
    for (const Case& c : cases) EXPECT_STREQ(format_score(c.score, c.bound_kind), c.text) << c.score;
}

TEST(SearchOutput, BoundBytesMapToTheirKinds) {
    EXPECT_EQ(bound_kind_of(0x40), BOUND_KIND_UPPER);
    EXPECT_EQ(bound_kind_of(0x80), BOUND_KIND_LOWER);
    EXPECT_EQ(bound_kind_of(0xC0), BOUND_KIND_EXACT);
    EXPECT_EQ(bound_kind_of(6), 6);
    EXPECT_STREQ(format_score(64, bound_kind_of(0x80)), "cp 50 lowerbound ");
}

TEST(SearchOutput, MovesInCoordinateFormWithABlank) {
    struct Case {
        Move move;
        const char* text;
    };
    // Promotion letters are lower case, as every UCI client reads them.
    const Case cases[] = {
        {encode_move(E2, E4, MK_QUIET), "e2e4 "},
        {encode_move(E7, E8, MK_PROMOTE_QUEEN), "e7e8q "},
        {encode_move(B2, A1, MK_PROMOTE_KNIGHT), "b2a1n "},
        {encode_move(H7, G8, MK_PROMOTE_ROOK), "h7g8r "},
        {encode_move(A2, A1, MK_PROMOTE_BISHOP), "a2a1b "},
        {encode_move(E1, G1, MK_CASTLING), "e1g1 "},
        {NULL_MOVE, "0000 "},
    };
    for (const Case& c : cases) EXPECT_STREQ(move_to_text(c.move), c.text) << c.text;
}

class SearchOutputLines : public ::testing::Test {
protected:
    void SetUp() override {
        seldepth = 25;
        main_position.nodes = 4567890;
        main_position.merged_nodes = 0;
        ponder_offset_ms = 0;
        restart_move_timer();
        tb_hit_count = 0;
        search_mode = SEARCH_MODE_NORMAL;
    }
    void TearDown() override {
        search_mode = SEARCH_MODE_IDLE;
        main_position.nodes = main_position.merged_nodes = 0;
        ponder_offset_ms = 0;
    }
};

// The time and the rate depend on the clock: compare the line with them masked.
std::string without_time(const std::string& line) {
    return std::regex_replace(std::regex_replace(line, std::regex(" time [0-9]+"), " time T"),
                              std::regex(" nps [0-9]+"), " nps R");
}

TEST_F(SearchOutputLines, PrincipalVariationLine) {
    const Move line[] = {0, encode_move(E2, E4, MK_QUIET), encode_move(E7, E5, MK_QUIET), 0};
    OutputCapture output;
    print_pv_info(line, 2, BOUND_KIND_UPPER, 64, 12);
    EXPECT_EQ(without_time(output.text()),
              "info multipv 2 depth 12 seldepth 25 time T nodes 4567890 nps R score cp 50 upperbound  pv e2e4 e7e5 \n");
}

TEST_F(SearchOutputLines, NoScoreTablebaseHitsAndNullMoves) {
    const Move line[] = {0, NULL_MOVE, encode_move(G8, F6, MK_QUIET), 0};
    tb_hit_count = 7;
    OutputCapture output;
    print_pv_info(line, 0, BOUND_KIND_EXACT, NO_SCORE_TO_PRINT, 3);
    EXPECT_EQ(without_time(output.text()),
              "info depth 3 seldepth 25 time T nodes 4567890 nps R tbhits 7 pv 0000 g8f6 \n");
}

TEST_F(SearchOutputLines, InternalSearchesPrintNoLine) {
    const Move line[] = {0, encode_move(E2, E4, MK_QUIET), 0};
    search_mode = SEARCH_MODE_CALIBRATION;
    OutputCapture output;
    print_pv_info(line, 0, BOUND_KIND_EXACT, 10, 3);
    EXPECT_EQ(output.text(), "");
}

TEST_F(SearchOutputLines, AFinishedGameShowsItsScoreWithoutALine) {
    const Move no_line[] = {0, 0};
    OutputCapture output;
    print_pv_info(no_line, 0, BOUND_KIND_EXACT, -8192, 0);
    EXPECT_EQ(without_time(output.text()), "info depth 0 seldepth 25 time T nodes 4567890 nps R score mate 0\n");
}

TEST_F(SearchOutputLines, BestMoveWithAndWithoutPonder) {
    const Move with_ponder[] = {0, encode_move(E2, E4, MK_QUIET), encode_move(E7, E5, MK_QUIET), 0};
    const Move alone[] = {0, encode_move(E2, E4, MK_QUIET), 0};
    main_position.nodes = 1000;
    OutputCapture output;
    print_bestmove(with_ponder);
    std::string first = output.text();
    EXPECT_EQ(first.substr(first.find('\n') + 1), "bestmove e2e4  ponder e7e5 \n");
    EXPECT_EQ(first.rfind("info time ", 0), 0u);
    EXPECT_NE(first.find(" nodes 1000\n"), std::string::npos);
    print_bestmove(alone);
    std::string both = output.text();
    EXPECT_EQ(both.substr(both.rfind('\n', both.size() - 2) + 1), "bestmove e2e4 \n");
}

TEST_F(SearchOutputLines, PeriodicLines) {
    OutputCapture output;
    print_depth(7);
    print_currmove(encode_move(G1, F3, MK_QUIET), 3);
    print_nodes_nps(12345);
    current_line[0] = encode_move(D2, D4, MK_QUIET);
    current_line[1] = encode_move(D7, D5, MK_QUIET);
    current_line[2] = 0;
    print_currline();
    EXPECT_EQ(without_time(output.text()),
              "info depth 7 seldepth 25\n"
              "info currmovenumber 3 currmove g1f3 \n"
              "info nodes 12345 nps R\n"
              "info nodes 4567890 nps R currline d2d4 d7d5 \n");
}

// Every line that shows the node count and rate counts them as it prints,
// over the time spent pondering too; figures left from an earlier poll (or
// from none) never show.
TEST_F(SearchOutputLines, NodeFiguresAreCountedWhenALinePrints) {
    const uint64_t nodes = 3000000000ull + 123;
    main_position.nodes = 3000000000ull;
    main_position.merged_nodes = 123;
    ponder_offset_ms = 700;
    search_start_tick = tick_count_ms() - 2000;
    const Move line[] = {0, encode_move(E2, E4, MK_QUIET), encode_move(E7, E5, MK_QUIET), 0};
    current_line[0] = encode_move(D2, D4, MK_QUIET);
    current_line[1] = 0;
    struct Case {
        const char* name;
        void (*print)(const Move*);
    };
    const Case cases[] = {
        {"pv", [](const Move* l) { print_pv_info(l, 0, BOUND_KIND_EXACT, 10, 5); }},
        {"nodes", [](const Move*) { print_nodes_nps(3000000000ull + 123); }},
        {"currline", [](const Move*) { print_currline(); }},
        {"bestmove", [](const Move* l) { print_bestmove(l); }},
    };
    for (const Case& c : cases) {
        total_nodes = 0;  // stale figures, as before the first periodic output
        reported_nps = 100000;
        uint32_t before = get_elapsed_ms();
        OutputCapture output;
        c.print(line);
        uint32_t after = get_elapsed_ms();
        std::string text = output.text();
        std::smatch found;
        ASSERT_TRUE(std::regex_search(text, found, std::regex(" nodes ([0-9]+)"))) << c.name;
        EXPECT_EQ(std::stoull(found[1].str()), nodes) << c.name;
        ASSERT_TRUE(std::regex_search(text, found, std::regex(" nps ([0-9]+)"))) << c.name;
        uint64_t nps = std::stoull(found[1].str());
        EXPECT_GE(nps, nodes * 1000 / (700 + after + 1)) << c.name << ": " << text;
        EXPECT_LE(nps, nodes * 1000 / (700 + before + 1)) << c.name << ": " << text;
    }
}

}  // namespace
