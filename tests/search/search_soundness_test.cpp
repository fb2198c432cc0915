// The places where the search had to be made sound: history ratios that
// saturate, reductions for any move count, a move loop at depth 0, root
// lists of every size, the MultiPV threshold with few moves, searchmoves
// that name no legal move, the deepest ply, and the forcing class of a move.
#include <gtest/gtest.h>

#include <random>

#include "config/settings.h"
#include "eval/evaluate.h"
#include "game/game_history.h"
#include "game/repetition.h"
#include "naive_moves.h"
#include "position/make.h"
#include "position/position.h"
#include "search/driver.h"
#include "search/extensions.h"
#include "search/history_update.h"
#include "search/polling.h"
#include "search/qsearch.h"
#include "search/root.h"
#include "search/search.h"
#include "search/search_constants.h"
#include "search/threads.h"
#include "search_fixture.h"
#include "uci/dispatch.h"

namespace {

const char* const START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

class SearchSoundness : public ::testing::Test {
protected:
    void SetUp() override { prepare_search_engine(); }
    void TearDown() override {
        multi_pv = 1;
        searchmoves_count = 0;
        search_mode = SEARCH_MODE_IDLE;
    }

    // For direct calls of search and qsearch below the root.
    Position* direct(const char* fen) {
        EXPECT_TRUE(set_search_position(fen));
        search_mode = SEARCH_MODE_INFINITE;
        stop_reason = 0;
        thread_slots[0].stop.store(0);
        poll_countdown = 1 << 30;
        reset_ply_stack(&main_position);
        root_game_ply = game_ply;
        return &main_position;
    }
};

TEST_F(SearchSoundness, HistoryRatioSaturatesInsteadOfWrapping) {
    EXPECT_EQ(history_ratio_of(5, 5), 255);                          // every trial a success
    EXPECT_EQ(history_ratio_of(0xFFFFFF + 3000, 0xFFFFFF + 3001), 255);  // no 32-bit overflow either
    EXPECT_EQ(history_ratio_of(1, 4), 64);
    EXPECT_EQ(history_ratio_of(0, 1), 0);

    // A move that cuts off every time keeps the top ratio through the aging
    // of its bands.
    history_reset();
    const int index = history_index(WHITE, KNIGHT, F3);
    bool aged = false;
    for (int i = 0; i < 5000 && !aged; ++i) {
        const uint32_t before = history_tried[1][index];
        history_record_success(1, index, 60);
        aged = history_tried[1][index] < before;
    }
    ASSERT_TRUE(aged);
    for (int band = HISTORY_UPDATE_LO[1]; band <= HISTORY_UPDATE_HI[1]; ++band) {
        EXPECT_LT(history_tried[band][index], HISTORY_AGE_LIMIT);
        EXPECT_GE(history_ratio[band][index], 254) << band;
    }
    EXPECT_EQ(history_tried[HISTORY_UPDATE_HI[1] + 1][index], 1u) << "only the group's bands learn";
}

TEST_F(SearchSoundness, ReductionCountsAnyNumberOfMoves) {
    const struct {
        uint32_t moves;
        int log2;
    } cases[] = {{1, 0}, {2, 1}, {3, 1}, {4, 2}, {64, 6}, {65, 6}, {128, 7}, {200, 7}, {255, 7}, {256, 8}};
    for (const auto& c : cases) EXPECT_EQ(floor_log2(c.moves), c.log2) << c.moves;
}

TEST_F(SearchSoundness, MoveLoopRunsAtDepthZero) {
    // A zero-window node whose evaluation asks for one ply less reaches its
    // move loop at depth 0; the pruning tables are read at their depth-1 entry.
    EXPECT_EQ(pruning_table_index(0), 0);
    EXPECT_EQ(pruning_table_index(1), 0);
    EXPECT_EQ(pruning_table_index(7), 6);
    std::mt19937 random(5);
    for (int game = 0; game < 20; ++game) {
        Position* pos = direct(START_FEN);
        for (int ply = 0; ply < 12; ++ply) {
            std::vector<Move> moves = naive_pseudo_legal_moves(pos);
            std::shuffle(moves.begin(), moves.end(), random);
            bool played = false;
            for (Move move : moves)
                if (play_game_move(move, pos->side)) {
                    played = true;
                    break;
                }
            if (!played) break;
        }
        reset_ply_stack(pos);
        root_game_ply = game_ply;
        const int score = search(pos, 1, 0, 0, -1, 0, 0, -1);
        EXPECT_GT(score, -SCORE_INFINITE);
        EXPECT_LT(score, SCORE_INFINITE);
    }
}

TEST_F(SearchSoundness, RootHoldsTheLargestMoveList) {
    ASSERT_TRUE(set_search_position("R6R/3Q4/1Q4Q1/4Q3/2Q4Q/Q4Q2/pp1Q4/kBNN1KB1 w - - 0 1"));
    FixedDepthResult result = search_fixed_depth(1);
    EXPECT_FALSE(result.decided);
    EXPECT_EQ(root_move_count, 218);
    for (int i = 0; i < root_move_count; ++i) EXPECT_NE(root_moves[i].line[1], NO_MOVE);
}

TEST_F(SearchSoundness, MultiPvLargerThanTheMoveCount) {
    const char* fen = "6k1/5ppp/8/8/8/4N2P/4RPP1/r6K w - - 0 1";  // four replies to the check
    ASSERT_TRUE(set_search_position(fen));
    FixedDepthResult single = search_fixed_depth(4);
    ASSERT_EQ(root_move_count, 4);

    // Entries past the list's end hold what an earlier search left there: a
    // searched-looking entry with a high score must not become the
    // threshold of the MultiPV places.
    prepare_search_engine();
    multi_pv = 6;
    ASSERT_TRUE(set_search_position(fen));
    for (int i = 4; i < 6; ++i) {
        root_moves[i].depth = 4;
        root_moves[i].score = 5000;
    }
    FixedDepthResult multi = search_fixed_depth(4);
    ASSERT_EQ(root_move_count, 4);
    EXPECT_EQ(multi.best, single.best);
    EXPECT_NEAR(multi.root_score, single.root_score, 64);  // full windows prune a little differently
    for (int i = 0; i < root_move_count; ++i) {
        EXPECT_EQ(root_moves[i].depth, 4) << "every move is searched";
        if (i > 0) {
            EXPECT_GE(root_moves[i - 1].score, root_moves[i].score);
        }
    }
}

TEST_F(SearchSoundness, SearchmovesWithoutALegalMoveAreIgnored) {
    ASSERT_TRUE(set_search_position(START_FEN));
    searchmoves[0] = encode_move(E2, E5, MK_QUIET);  // no such move
    searchmoves_count = 1;
    FixedDepthResult result = search_fixed_depth(2);
    EXPECT_FALSE(result.decided);
    EXPECT_EQ(root_move_count, 20);
    EXPECT_EQ(searchmoves_count, 0);

    ASSERT_TRUE(set_search_position(START_FEN));
    searchmoves[0] = position_move("e2e4");
    searchmoves[1] = position_move("d2d4");
    searchmoves[2] = encode_move(E2, E5, MK_QUIET);
    searchmoves_count = 3;
    result = search_fixed_depth(2);
    EXPECT_EQ(root_move_count, 2);
    EXPECT_TRUE(move_text(result.best) == "e2e4" || move_text(result.best) == "d2d4");
}

TEST_F(SearchSoundness, DeepestPlyReturnsTheStaticEvaluation) {
    Position* pos = direct("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
    current_ply_record(pos)->flags &= PLY_IN_CHECK;
    const int eval = evaluate(pos, SEARCH_PLY_GUARD, 5, -SCORE_INFINITE, SCORE_INFINITE);
    const uint64_t nodes = pos->nodes;
    EXPECT_EQ(search(pos, SEARCH_PLY_GUARD, 5, 0, -SCORE_INFINITE, SCORE_INFINITE, 0, 0), eval);
    EXPECT_EQ(qsearch(pos, SEARCH_PLY_GUARD, -3, -SCORE_INFINITE, SCORE_INFINITE, 0),
              evaluate(pos, SEARCH_PLY_GUARD, -3, -SCORE_INFINITE, SCORE_INFINITE));
    EXPECT_EQ(pos->nodes, nodes);
}

TEST_F(SearchSoundness, ForcingClassNeedsARealThreat) {
    // Ng5-e6 forks the two loose rooks from a square the d7 pawn attacks:
    // its threats outweigh what it risks.
    Position* pos = direct("4k3/2rp2r1/8/6N1/8/8/8/4K3 w - - 0 1");
    make_move(pos, position_move("g5e6"));
    ASSERT_GT(pos->threat_gain, 0);
    int acc = 0;
    classify_move_extensions(pos, 0, &acc, -1);
    EXPECT_EQ(current_ply_record(pos)->move_class, MOVE_CLASS_FORCING);
    unmake_move(pos);

    // A quiet king move to a safe square threatens nothing: class 0.
    make_move(pos, position_move("e1d2"));
    ASSERT_EQ(pos->threat_gain, 0);
    acc = 0;
    classify_move_extensions(pos, 0, &acc, -1);
    EXPECT_EQ(current_ply_record(pos)->move_class, 0);
    unmake_move(pos);
}

}  // namespace
