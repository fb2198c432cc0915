// The tablebase query texts through a stand-in probe: the texts, their
// order and the mate and illegal-move rules do not depend on real tables.
#include "companion/tb_queries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "eval/tablebase_probe.h"
#include "position/position.h"
#include "uci/fen.h"
#include "uci/new_game.h"

namespace {

// White to move wins in 3, Black to move loses in 2, whatever the board.
int fixed_probe(Position* pos, int* result) {
    *result = pos->side == WHITE ? 3 : -2;
    return 1;
}
int failing_probe(Position*, int*) { return 0; }

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class TbQueries : public testing::Test {
protected:
    void SetUp() override {
        saved_probe_ = tablebase_probe;
        saved_max_ = tb_max_pieces;
        tablebase_probe = fixed_probe;
        tb_max_pieces = 3;
    }
    void TearDown() override {
        tablebase_probe = saved_probe_;
        tb_max_pieces = saved_max_;
        start_new_game();
    }
    TablebaseProbe saved_probe_ = nullptr;
    int saved_max_ = 0;
};

// Black's king in the corner, White's king on b6, queen on h2: h2h8 mates.
const char* const QUEEN_MATES = "k7/8/1K6/8/8/8/7Q/8 w - - 0 1";

TEST_F(TbQueries, MovesListTheMateFirstAndEveryOtherLegalMove) {
    ASSERT_EQ(parse_fen(QUEEN_MATES), 1);
    std::string text;
    EXPECT_EQ(tb_query_moves(&text), 1);
    const auto lines = lines_of(text);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "WTM Win in 3");
    EXPECT_EQ(lines[1], "h2h8 : Win in 1");
    // Every other move leaves Black losing in 2: a win in 3. The king's
    // moves next to Black's king are illegal and never listed.
    for (size_t i = 2; i < lines.size(); ++i) EXPECT_EQ(lines[i].substr(4), " : Win in 3") << lines[i];
    for (const auto& line : lines) EXPECT_EQ(line.find("b6b7"), std::string::npos);
}

TEST_F(TbQueries, AllAnswersBothSidesAndAnUnknownPositionReplacesTheText) {
    ASSERT_EQ(parse_fen("8/8/8/8/8/2k5/8/K6Q w - - 0 1"), 1);
    std::string text;
    EXPECT_EQ(tb_query_all(&text), 1);
    const auto lines = lines_of(text);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "WTM Win in 3");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "BTM Loss in 2"), 1);

    tablebase_probe = failing_probe;
    ASSERT_EQ(parse_fen("8/8/8/8/8/2k5/8/K6Q w - - 0 1"), 1);
    EXPECT_EQ(tb_query_all(&text), 0);
    EXPECT_EQ(text, "Unknown - cannot find position in database\n");
}

TEST_F(TbQueries, LineEndsWithTheMateAndStopsBeyondTheTables) {
    ASSERT_EQ(parse_fen(QUEEN_MATES), 1);
    std::string text;
    tb_query_line(main_position.side, 1, &text);
    EXPECT_EQ(text, "h2h8 ");

    // A promotion that mates ends the line, its piece in upper case as in
    // the other answers (c8=Q and c8=R both mate: the first generated).
    ASSERT_EQ(parse_fen("k7/2P5/1K6/8/8/8/8/8 w - - 0 1"), 1);
    tb_query_line(main_position.side, 1, &text);
    EXPECT_TRUE(text == "c7c8Q " || text == "c7c8R ") << text;

    ASSERT_EQ(parse_fen("k7/8/1K6/8/8/8/7Q/6Q1 w - - 0 1"), 1);
    EXPECT_EQ(tb_query_line(main_position.side, 1, &text), 0);
    EXPECT_EQ(text, "Unknown - 4 pieces on board\n");
}

}  // namespace
