#include "search/output.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "output_capture.h"
#include "search/driver.h"
#include "search/search_info.h"

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
    EXPECT_STREQ(move_to_text(encode_move(E2, E4, MK_QUIET)), "e2e4 ");
    EXPECT_STREQ(move_to_text(encode_move(E7, E8, MK_PROMOTE_QUEEN)), "e7e8Q ");
    EXPECT_STREQ(move_to_text(encode_move(B2, A1, MK_PROMOTE_KNIGHT)), "b2a1N ");
    EXPECT_STREQ(move_to_text(encode_move(E1, G1, MK_CASTLING)), "e1g1 ");
    EXPECT_STREQ(move_to_text(NULL_MOVE), "0000 ");
}

class SearchOutputLines : public ::testing::Test {
protected:
    void SetUp() override {
        seldepth = 25;
        total_nodes = 4567890;
        reported_nps = 1321000;
        tb_hit_count = 0;
        search_mode = SEARCH_MODE_NORMAL;
    }
    void TearDown() override { search_mode = SEARCH_MODE_IDLE; }
};

// The time field depends on the clock: compare the line with it masked.
std::string without_time(const std::string& line) {
    return std::regex_replace(line, std::regex(" time [0-9]+ "), " time T ");
}

TEST_F(SearchOutputLines, PrincipalVariationLine) {
    const Move line[] = {0, encode_move(E2, E4, MK_QUIET), encode_move(E7, E5, MK_QUIET), 0};
    OutputCapture output;
    print_pv_info(line, 2, BOUND_KIND_UPPER, 64, 12);
    EXPECT_EQ(without_time(output.text()),
              "info multipv 2 depth 12 seldepth 25 time T nodes 4567890 nps 1321000 score cp 50 upperbound  pv e2e4 e7e5 \n");
}

TEST_F(SearchOutputLines, NoScoreTablebaseHitsAndNullMoves) {
    const Move line[] = {0, NULL_MOVE, encode_move(G8, F6, MK_QUIET), 0};
    tb_hit_count = 7;
    OutputCapture output;
    print_pv_info(line, 0, BOUND_KIND_EXACT, NO_SCORE_TO_PRINT, 3);
    EXPECT_EQ(without_time(output.text()),
              "info depth 3 seldepth 25 time T nodes 4567890 nps 1321000 tbhits 7 pv 0000 g8f6 \n");
}

TEST_F(SearchOutputLines, InternalSearchesPrintNoLine) {
    const Move line[] = {0, encode_move(E2, E4, MK_QUIET), 0};
    search_mode = SEARCH_MODE_CALIBRATION;
    OutputCapture output;
    print_pv_info(line, 0, BOUND_KIND_EXACT, 10, 3);
    EXPECT_EQ(output.text(), "");
}

TEST_F(SearchOutputLines, BestMoveWithAndWithoutPonder) {
    const Move with_ponder[] = {0, encode_move(E2, E4, MK_QUIET), encode_move(E7, E5, MK_QUIET), 0};
    const Move alone[] = {0, encode_move(E2, E4, MK_QUIET), 0};
    OutputCapture output;
    print_bestmove(with_ponder, 1000);
    std::string first = output.text();
    EXPECT_EQ(first.substr(first.find('\n') + 1), "bestmove e2e4  ponder e7e5 \n");
    EXPECT_EQ(first.rfind("info time ", 0), 0u);
    EXPECT_NE(first.find(" nodes 1000\n"), std::string::npos);
    print_bestmove(alone, 1000);
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
    EXPECT_EQ(output.text(),
              "info depth 7 seldepth 25\n"
              "info currmovenumber 3 currmove g1f3 \n"
              "info nodes 12345 nps 1321000\n"
              "info nodes 4567890 nps 1321000 currline d2d4 d7d5 \n");
}

}  // namespace
