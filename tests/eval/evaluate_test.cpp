// The evaluation driver's early exits, its result kinds, the cache, the
// score limits and what it leaves in the PlyRecord and the move-gain table.
#include "eval/evaluate.h"

#include <gtest/gtest.h>

#include <cstring>

#include "config/settings.h"
#include "eval/eval_cache.h"
#include "eval/eval_tables.h"
#include "eval/hanging.h"
#include "eval/material.h"
#include "eval/root_state.h"
#include "position/make.h"
#include "position/position.h"
#include "position_check.h"
#include "search/hash_memory.h"
#include "test_board.h"

namespace {

class EvaluateTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_engine_flags_ = engine_flags;
        saved_search_flags_ = search_flags;
        engine_flags &= ~EF_POSITION_LEARNING;
        search_flags = engine_flags & ~EF_SWINDLE;
        ASSERT_EQ(set_hash_size(1024), 1024);
        draw_score[WHITE] = -25;
        draw_score[BLACK] = 25;
        tb_men_limit = 0;
        search_ply_limit = MAX_PLY;
        hanging_shift[WHITE] = hanging_shift[BLACK] = HANGING_SHIFT_DEFAULT;
    }
    void TearDown() override {
        free_hash_tables();
        draw_score[WHITE] = draw_score[BLACK] = 0;
        root_material[WHITE] = root_material[BLACK] = 0;
        engine_flags = saved_engine_flags_;
        search_flags = saved_search_flags_;
    }

    // The main position set up as a search root: material term, phase and
    // evaluation tables ready, a clean record.
    static Position* root(const char* fen) {
        EXPECT_EQ(load_test_board(fen), 1) << fen;
        Position* pos = &main_position;
        reset_material_term(pos);
        eval_material(pos, 1);
        prepare_evaluation(pos);
        root_material[WHITE] = pos->material[WHITE];
        root_material[BLACK] = pos->material[BLACK];
        *current_ply_record(pos) = PlyRecord{};
        pos->ply_stack[0] = PlyRecord{};
        return pos;
    }
    static PlyRecord* record(Position* pos) { return current_ply_record(pos); }

private:
    uint32_t saved_engine_flags_ = 0, saved_search_flags_ = 0;
};

TEST_F(EvaluateTest, ASideThatCannotMoveScoresItsDrawValue) {
    struct Case {
        const char* fen;
        bool stalemate;
    } cases[] = {
        {"k7/2Q5/8/8/8/8/8/4K3 b - - 0 1", true},      // bare king boxed in
        {"k7/2Q5/8/8/8/p7/P7/4K3 b - - 0 1", true},    // and a pawn blocked head-on
        {"k7/2Q5/8/8/8/p7/PP6/4K3 b - - 0 1", false},  // the pawn can take on b2
        {"k7/2Q5/8/8/p7/8/P7/4K3 b - - 0 1", false},   // the pawn can advance
        {"k7/8/2Q5/8/8/8/8/4K3 b - - 0 1", false},     // a free king square (a7)
    };
    for (const Case& c : cases) {
        Position* pos = root(c.fen);
        int score = evaluate(pos, 1, 1, -8192, 8192);
        if (c.stalemate) {
            EXPECT_EQ(score, draw_score[BLACK]) << c.fen;
            EXPECT_EQ(record(pos)->flags, KIND_STALEMATE) << c.fen;
            EXPECT_EQ(record(pos)->eval, draw_score[BLACK]) << c.fen;
        } else {
            EXPECT_NE(record(pos)->flags & PLY_KIND_MASK, KIND_STALEMATE) << c.fen;
        }
    }
}

TEST_F(EvaluateTest, DrawnMaterialAndMinorPieceEndings) {
    struct Case {
        const char* fen;
        uint32_t kind;
        int score;
    } cases[] = {
        // Bare kings and a lone minor: the material difference in pawns plus
        // the draw value, with the drawn-material kind.
        {"8/8/8/4k3/8/8/8/4K3 w - - 0 1", KIND_DRAWN_MATERIAL, -25},
        {"8/8/8/4k3/8/8/8/2N1K3 w - - 0 1", KIND_DRAWN_MATERIAL, 3 - 25},
        {"8/8/8/4k3/8/8/8/2N1K3 b - - 0 1", KIND_DRAWN_MATERIAL, -4 + 25},
        // Two bishops on one square colour are one bishop: no mate, and two
        // dark-square ones must not count as a rook.
        {"4k3/8/8/8/8/4B3/8/2B1K3 w - - 0 1", KIND_DRAWN_MATERIAL, 6 - 25},
        {"4k3/8/8/8/8/3B4/8/4KB2 w - - 0 1", KIND_DRAWN_MATERIAL, 6 - 25},
        // Minor against minor: drawn, unless the king of the side not to move
        // is in a corner, where the plain draw value is given without a kind.
        {"4k3/8/8/8/8/8/8/1N2K2b w - - 0 1", KIND_DRAWN_MATERIAL, -25},
        {"7k/8/8/8/8/8/8/1N2K2b w - - 0 1", 0, -25},
    };
    for (const Case& c : cases) {
        Position* pos = root(c.fen);
        EXPECT_EQ(evaluate(pos, 3, 1, -8192, 8192), c.score) << c.fen;
        EXPECT_EQ(record(pos)->flags & PLY_KIND_MASK, c.kind) << c.fen;
        EXPECT_EQ(record(pos)->eval, c.score) << c.fen;
        EXPECT_FALSE(record(pos)->flags & PLY_EVAL_PRESENT) << c.fen;
    }
}

TEST_F(EvaluateTest, DrawnWithoutPawnsDependsOnDepthAndSwindle) {
    const char* fen = "r3k3/8/8/8/8/8/8/4K2R w - - 0 1";  // rook against rook
    Position* pos = root(fen);
    EXPECT_EQ(evaluate(pos, 3, 2, -8192, 8192), -25);
    EXPECT_EQ(record(pos)->flags, PLY_DRAWN_BY_MATERIAL);

    *record(pos) = PlyRecord{};
    EXPECT_EQ(evaluate(pos, 3, 0, -8192, 8192), -25);
    EXPECT_EQ(record(pos)->flags, 0u);

    *record(pos) = PlyRecord{};
    EXPECT_EQ(evaluate(pos, 1, ROOT_KIND_DEPTH, -16384, 16384), -25);
    EXPECT_EQ(record(pos)->flags, PLY_FINAL);

    // Swindle Opponent plays the root's own drawish material out.
    search_flags |= EF_SWINDLE;
    *record(pos) = PlyRecord{};
    evaluate(pos, 3, 2, -8192, 8192);
    EXPECT_FALSE(record(pos)->flags & PLY_DRAWN_BY_MATERIAL);
    EXPECT_TRUE(record(pos)->flags & PLY_EVAL_PRESENT);
}

TEST_F(EvaluateTest, CacheHitGivesTheStoredScoreUntilTheCacheAgeMoves) {
    Position* pos = root("rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2");
    clear_small_tables();
    const int fresh = evaluate(pos, 2, 3, -8192, 8192);
    ASSERT_TRUE(record(pos)->flags & PLY_EVAL_PRESENT);
    uint32_t* slot = eval_cache_slot(pos->side, pos->key_hi);
    uint32_t word1 = 0;
    ASSERT_TRUE(eval_cache_read(slot, pos->key_lo, &word1));
    EXPECT_EQ(eval_cache_score(word1), fresh);

    // A stored entry is taken as it is: no term runs.
    eval_cache_write(slot, pos->key_lo, eval_cache_word(eval_cache_age, 0x3, 5, 1234));
    *record(pos) = PlyRecord{};
    EXPECT_EQ(evaluate(pos, 2, 3, -8192, 8192), 1234);
    EXPECT_EQ(record(pos)->flags, PLY_EVAL_PRESENT | 0x3);
    EXPECT_EQ(record(pos)->threat, 5);
    EXPECT_EQ(record(pos)->eval, 1234);

    // A torn entry is a miss.
    slot[0] ^= 1;
    *record(pos) = PlyRecord{};
    EXPECT_EQ(evaluate(pos, 2, 3, -8192, 8192), fresh);

    // After a change of the root material the old entries are stale.
    eval_cache_write(slot, pos->key_lo, eval_cache_word(eval_cache_age, 0, 0, 1234));
    advance_eval_cache_age();
    *record(pos) = PlyRecord{};
    EXPECT_EQ(evaluate(pos, 2, 3, -8192, 8192), fresh);
}

TEST(EvalCache, AZeroedSlotIsEmptyForEveryKeyAndAge) {
    uint32_t slot[2] = {0, 0};
    uint32_t word1 = 0;
    const uint8_t saved_age = eval_cache_age;
    eval_cache_age = 0;
    EXPECT_FALSE(eval_cache_read(slot, 0, &word1));
    eval_cache_age = saved_age;
    // The score field covers the whole range the evaluation returns.
    for (int score : {-EVAL_SCORE_LIMIT, -1, 0, EVAL_SCORE_LIMIT})
        EXPECT_EQ(eval_cache_score(eval_cache_word(15, 15, 63, score)), score);
}

TEST_F(EvaluateTest, InCheckTheQuiescenceSearchGetsTheLazyValueUncached) {
    Position* pos = root("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3");
    clear_small_tables();
    pos->ply_stack[pos->ply_index - 1].eval = 40;
    pos->move_gain = 128;
    EXPECT_EQ(evaluate(pos, 4, 0, -8192, 8192), 16 - 40 - 128);
    EXPECT_FALSE(record(pos)->flags & PLY_EVAL_PRESENT);
    uint32_t word1 = 0;
    EXPECT_FALSE(eval_cache_read(eval_cache_slot(pos->side, pos->key_hi), pos->key_lo, &word1));
}

TEST_F(EvaluateTest, ScoresStayInsideTheNonMateRange) {
    for (const char* fen : {"4k3/8/8/8/8/8/8/QQQQKQQQ w - - 0 1", "4k3/8/8/8/8/8/8/QQQQKQQQ b - - 0 1"}) {
        Position* pos = root(fen);
        clear_small_tables();
        const int expected = pos->side == WHITE ? EVAL_SCORE_LIMIT : -EVAL_SCORE_LIMIT;
        EXPECT_EQ(evaluate(pos, 2, 1, -8192, 8192), expected) << fen;
        *record(pos) = PlyRecord{};
        EXPECT_EQ(evaluate(pos, 2, 1, -8192, 8192), expected) << fen << " (from the cache)";
        *record(pos) = PlyRecord{};
        EXPECT_EQ(evaluate(pos, 1, ROOT_KIND_DEPTH, -16384, 16384), expected) << fen << " (root kind)";
    }
}

TEST_F(EvaluateTest, RootKindCountsTheOtherSidesHangingMenAsWon) {
    Position* pos = root("4k3/8/8/3n4/8/8/8/3RK3 w - - 0 1");
    ASSERT_GT(pos->hanging_sum[BLACK], 0);
    clear_small_tables();
    const int searched = evaluate(pos, 2, 1, -8192, 8192);
    *record(pos) = PlyRecord{};
    EXPECT_EQ(evaluate(pos, 2, ROOT_KIND_DEPTH, -16384, 16384), searched + pos->hanging_sum[BLACK]);
    EXPECT_TRUE(record(pos)->flags & PLY_FINAL);
}

TEST_F(EvaluateTest, AQuietMoveTeachesTheMoveGainTable) {
    Position* pos = root("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    clear_move_gain_table();
    current_ply_record(pos)->eval = -10;
    make_move(pos, parse_test_move(pos, "g1f3"));
    const int score = evaluate(pos, 2, 1, -8192, 8192);
    // White's knight moved, Black is to move: White's knight row.
    EXPECT_EQ(move_gain_tables[0][KNIGHT - 1][F3], -(-10 + score));
    EXPECT_EQ(move_gain_tables[0][6 + KNIGHT - 1][F3], 0);

    move_gain_tables[0][KNIGHT - 1][F3] = 9999;
    evaluate(pos, 2, 1, -8192, 8192);
    EXPECT_EQ(move_gain_tables[0][KNIGHT - 1][F3], 9998);  // a smaller gain only wears the entry down
    unmake_move(pos);
}

TEST_F(EvaluateTest, TheAttackTablesAreTheSameAfterAnEvaluationInCheck) {
    Position* pos = root("4k3/8/8/8/8/2b5/8/r3K3 w - - 0 1");  // rook and bishop give check
    AttackRecord before[2][64];
    for (int side = WHITE; side <= BLACK; ++side) std::memcpy(before[side], pos->attacks[side], sizeof(before[side]));
    evaluate(pos, 3, 1, -8192, 8192);
    for (int side = WHITE; side <= BLACK; ++side)
        EXPECT_EQ(std::memcmp(before[side], pos->attacks[side], sizeof(before[side])), 0);
    EXPECT_EQ(check_position(pos), "");
}

TEST(EvalMaterial, PhaseFollowsThePiecesAndIsComputedAfterAReset) {
    struct Case {
        const char* fen;
        int phase;
    } cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 16},
        {"rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/RNB1KBNR w KQkq - 0 1", 10},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", 1},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(load_test_board(c.fen), 1);
        Position* pos = &main_position;
        set_phase(pos, c.phase == 16 ? 1 : 16);  // whatever an earlier position left
        reset_material_term(pos);
        eval_material(pos, 0);
        EXPECT_EQ(pos->phase, c.phase) << c.fen;
        EXPECT_EQ(pos->phase_rest, 17 - c.phase) << c.fen;
    }
}

TEST(EvalHanging, ARookPinnedToAnUndefendedQueenBehindIt) {
    // The black rook on d8 attacks the white rook on d4 with the white queen
    // behind it on d1: once the rook has gone the queen is lost for a rook.
    // (The black rook reaches d1 as an x-ray already: it must count as one
    // rook there, neither twice nor as a queen.)
    ASSERT_EQ(load_test_board("3rk3/8/8/8/3R4/8/7K/3Q4 w - - 0 1"), 1);
    Position* pos = &main_position;
    int acc = 0;
    EXPECT_EQ(eval_hanging(pos, WHITE, D4, &acc), 1248 - 640);
    EXPECT_EQ(acc, -(3 + ((640 + 608) >> 7)));

    // Nothing stands behind the black rook on its line.
    acc = 0;
    EXPECT_EQ(eval_hanging(pos, BLACK, D8, &acc), 0);
    EXPECT_EQ(acc, 0);
}

}  // namespace
