// Order scores of score_moves and flag_checks_and_see on positions where the
// exchange, the history, the killers and the check analysis each decide.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "move_list_helpers.h"
#include "position/history_tables.h"
#include "position/move_order.h"
#include "position/movegen.h"
#include "position/position.h"
#include "test_board.h"

namespace {

constexpr int PLY = PERFT_ROOT_PLY;

int square_of(const char* text) { return square_at(text[0] - 'a', text[1] - '1'); }

// Starts every test from empty history and killers and puts back what other
// tests of the binary may have left there.
class MoveOrderTest : public testing::Test {
protected:
    void SetUp() override {
        std::memcpy(saved_ratio_, history_ratio, sizeof history_ratio);
        std::memset(history_ratio, 0, sizeof history_ratio);
        main_position.check_bonus = 0;
    }
    void TearDown() override {
        std::memcpy(history_ratio, saved_ratio_, sizeof history_ratio);
        main_position.killer1[PLY] = main_position.killer2[PLY] = 0;
        main_position.check_bonus = 0;
    }

    // Loads the position and generates: mode 0 with gen_moves (score_moves),
    // any other mode with the quiescence generator.
    void generate(const char* fen, int mode = 0) {
        ASSERT_EQ(load_test_board(fen), 1) << fen;
        regenerate(mode);
    }
    void regenerate(int mode = 0) {
        MoveEntry* list = move_list_start(&main_position, PLY);
        count_ = mode == 0 ? gen_moves(&main_position, PLY, 0, list)
                           : gen_quiet_checks(&main_position, PLY, mode, list);
    }
    const MoveEntry* entry(const char* text) const {
        const MoveEntry* list = move_list_start(&main_position, PLY);
        for (int i = 0; i < count_; ++i)
            if (move_text(list[i].move) == text) return &list[i];
        return nullptr;
    }
    int score(const char* text) const {
        const MoveEntry* e = entry(text);
        return e == nullptr ? -99999 : e->score;
    }

    int count_ = 0;
    uint8_t saved_ratio_[HISTORY_BANDS][HISTORY_BAND_SIZE];
};

// The knight steps onto a square a pawn attacks and a pawn defends: it
// loses 416 - 128.
TEST_F(MoveOrderTest, QuietMoveIntoAnExchangeLosesTheDifference) {
    const char* fen = "4k3/8/8/4p3/8/1NP5/8/4K3 w - - 0 1";
    generate(fen);
    EXPECT_EQ(score("b3d4"), -30000 - 288);
    EXPECT_EQ(score("b3a5"), -30000);

    // A losing move keeps its raw history byte, a safe one gets it x 128.
    history_ratio[history_band(PLY)][history_index(WHITE, KNIGHT, square_of("d4"))] = 10;
    history_ratio[history_band(PLY)][history_index(WHITE, KNIGHT, square_of("a5"))] = 10;
    regenerate();
    EXPECT_EQ(score("b3d4"), -30000 + 10 - 288);
    EXPECT_EQ(score("b3a5"), -30000 + 10 * 128);
}

TEST_F(MoveOrderTest, PawnPushOntoAnUndefendedAttackedSquareLosesThePawn) {
    generate("4k3/8/8/4n3/8/8/3P4/4K3 w - - 0 1");
    EXPECT_EQ(score("d2d3"), -30000 - 128);
    EXPECT_EQ(score("d2d4"), -30000);
}

// Killers rank above every history value and skip the exchange test.
TEST_F(MoveOrderTest, KillersScoreAboveHistoryWithoutExchangeTest) {
    ASSERT_EQ(load_test_board("4k3/8/8/4p3/8/1NP5/8/4K3 w - - 0 1"), 1);
    main_position.killer1[PLY] = uint16_t(history_piece_index(KNIGHT, square_of("d4")));  // into the exchange
    main_position.killer2[PLY] = uint16_t(history_piece_index(KING, square_of("d2")));
    history_ratio[history_band(PLY)][history_index(WHITE, KNIGHT, square_of("a5"))] = 253;
    regenerate();
    EXPECT_EQ(score("b3d4"), 2640);
    EXPECT_EQ(score("e1d2"), 2512);
    EXPECT_EQ(score("b3a5"), -30000 + 253 * 128);  // the best history stays below the killers
}

TEST_F(MoveOrderTest, CaptureBands) {
    // The queen takes a pawn that a pawn defends, the rook a free knight.
    generate("4k3/4p3/3p4/8/R7/8/n7/3QK3 w - - 0 1");
    EXPECT_EQ(score("d1d6"), 128 - 1248 - 30000);
    EXPECT_EQ(score("a4a2"), 416 + 30003);
}

// The rook behind the pawn defends the promotion square once the pawn has
// left: the queen is lost for a rook (1248 - 640), not for nothing.
TEST_F(MoveOrderTest, RookBehindThePromotingPawnDefends) {
    generate("7r/1P5k/8/8/8/8/8/1R2K3 w - - 0 1");
    EXPECT_EQ(score("b7b8q"), 1056 - 608 + 30003);
    EXPECT_EQ(score("b7b8n"), -480 - 30000);  // an under-promotion risks a pawn's worth only

    generate("7r/1P5k/8/8/8/8/8/4K1R1 w - - 0 1");  // no rook behind
    EXPECT_EQ(score("b7b8q"), 1056 - 1248 - 30000);
}

// A safe rook check along the back rank, the king walled in by its pawns:
// +2000 on top of the check bonus; with a flight square, only the bonus.
TEST_F(MoveOrderTest, CheckWithoutEscapeGetsTheBonus) {
    const int distance_terms = 4 * ROOK - 4 * 6 - 4 * 0;  // a8 to g8
    generate("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", 2);
    ASSERT_NE(entry("a1a8"), nullptr);
    EXPECT_NE(entry("a1a8")->move & MOVE_GIVES_CHECK, 0);
    EXPECT_EQ(score("a1a8"), 2000 + distance_terms);

    main_position.check_bonus = 66;
    regenerate(2);
    EXPECT_EQ(score("a1a8"), 2000 + 66 + distance_terms);

    generate("6k1/5pp1/8/8/8/8/8/R5K1 w - - 0 1", 2);  // h7 is free
    EXPECT_EQ(score("a1a8"), 66 + distance_terms);
}

// Without the check analysis only the exchange and the hanging value count:
// every move of the hanging knight gets 416 >> 6.
TEST_F(MoveOrderTest, MovingAHangingManIsPreferred) {
    ASSERT_EQ(load_test_board("4k3/8/8/8/3p4/4N3/8/4K3 w - - 0 1"), 1);
    MoveEntry* list = move_list_start(&main_position, PLY);
    count_ = gen_moves(&main_position, PLY, 1, list);
    EXPECT_EQ(score("e3c2"), 416 >> 6);
    EXPECT_EQ(score("e3g4"), 416 >> 6);
    EXPECT_EQ(score("e1d1"), 0);
}

}  // namespace
