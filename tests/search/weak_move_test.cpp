#include "search/weak_move.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "config/settings.h"
#include "eval/root_state.h"
#include "game/game_history.h"
#include "output_capture.h"
#include "position/make.h"
#include "position/position.h"
#include "search/driver.h"
#include "search/random.h"
#include "search/root.h"
#include "search/strength.h"
#include "search/time_control.h"
#include "search/tt.h"
#include "search_fixture.h"
#include "uci/new_game.h"
#include "uci/options.h"

namespace {

constexpr const char* START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
// Seeds 0..8191 give every value of the low 13 bits once as the first draw
// (the multiplier is odd), so counts over them are exact.
constexpr uint32_t ALL_LOW_BITS = 8192;

// One candidate of a root list: the move, its score and the reply its line
// continues with ("" for none).
struct Candidate {
    const char* move;
    int score;
    const char* reply = "";
};

class WeakMoveTest : public ::testing::Test {
protected:
    void SetUp() override {
        prepare_search_engine();
        saved_ = {uci_elo, engine_flags, search_flags, node_rate_limit, random_state, weak_move_seed_source};
        root_evaluation = 0;
    }
    void TearDown() override {
        uci_elo = saved_.elo;
        engine_flags = saved_.engine;
        search_flags = saved_.search;
        node_rate_limit = saved_.rate;
        seed_random(saved_.seed);
        weak_move_seed_source = saved_.source;
        search_mode = SEARCH_MODE_IDLE;
        search_state_flags = 0;
        // No entry may keep pointing at a line of this test.
        for (int i = 0; i < root_move_count; ++i) root_moves[i] = RootMove{};
        root_move_count = 0;
        start_new_game();
    }

    // The position after `moves` from `fen`, as the driver sees its root.
    static void set_root(const char* fen, const char* moves) {
        ASSERT_TRUE(set_search_position(fen, moves)) << fen << " " << moves;
        load_base_ply_record();
    }

    // A root list in the driver's form; the replies are read on the board
    // after their move.
    void make_list(const std::vector<Candidate>& candidates) {
        list_.assign(candidates.size(), RootMove{});
        lines_.assign(candidates.size(), std::vector<Move>(4, NO_MOVE));
        for (size_t i = 0; i < candidates.size(); ++i) {
            Move move = position_move(candidates[i].move);
            ASSERT_NE(move, NO_MOVE) << candidates[i].move;
            lines_[i][1] = move;
            if (*candidates[i].reply) {
                make_move(&main_position, move);
                lines_[i][2] = position_move(candidates[i].reply);
                unmake_move(&main_position);
                ASSERT_NE(lines_[i][2], NO_MOVE) << candidates[i].reply;
            }
            list_[i].line = lines_[i].data();
            list_[i].score = candidates[i].score;
            list_[i].depth = 4;
        }
    }

    int choose(uint32_t seed, uint32_t elapsed_ms = 0) {
        return choose_weak_move(list_.data(), int(list_.size()), &main_position, seed, elapsed_ms);
    }

    // Over every low-bit seed: how often each index is chosen.
    std::vector<int> tally() {
        std::vector<int> counts(list_.size(), 0);
        for (uint32_t seed = 0; seed < ALL_LOW_BITS; ++seed) ++counts[size_t(choose(seed))];
        return counts;
    }

    std::vector<RootMove> list_;
    std::vector<std::vector<Move>> lines_;

private:
    struct {
        int elo;
        uint32_t engine, search;
        int rate;
        uint32_t seed;
        WeakMoveSeedSource source;
    } saved_{};
};

TEST_F(WeakMoveTest, WeightByRatingAndThinkingTime) {
    const struct {
        int elo;
        bool opponent_has_pieces;
        uint32_t elapsed_ms;
        int weight;
    } cases[] = {
        {750, true, 0, 5120},     {1000, true, 0, 1328},     {1200, true, 0, 444},    {1500, true, 0, 50},
        {750, false, 0, 576},     {1500, false, 0, 25},      {1549, true, 0, 4},      // the floor
        {750, true, 2000, 5120},  {750, true, 2001, 2560},   {750, true, 4000, 2560}, {750, true, 4001, 1280},
        {750, true, 8001, 640},   {1500, true, 8001, 6},     {1500, true, 16001, 4},  {750, true, UINT32_MAX, 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(weak_move_weight(c.elo, c.opponent_has_pieces, c.elapsed_ms), c.weight)
            << c.elo << " " << c.opponent_has_pieces << " " << c.elapsed_ms;
}

// A capture among the candidates is seen unless the draw falls at or below
// its distance weight: distance x 5120 / 36 at 750, a quarter of that on the
// square the opponent just moved to, a sixteenth when that move took a man
// there. The quiet move after it is then always played (its man guards its
// destination, the scores are level), so the weak moves count exactly the
// captures overlooked.
TEST_F(WeakMoveTest, CapturesAreSeenByDistance) {
    const struct {
        const char* fen;
        const char* moves;
        const char* capture;
        const char* quiet;
        int overlooked;
    } cases[] = {
        {START, "g1f3 e7e5 a2a3 h7h6", "f3e5", "h2h3", 5121},   // a knight's jump: 36
        {START, "e2e4 d7d5 a2a3 h7h6", "e4d5", "h2h3", 143},    // a pawn's step: 1
        {START, "e2e4 e7e5 d1h5 a7a6", "h5f7", "h2h3", 2276},   // four squares: 16
        {START, "g1f3 e7e5 b1c3 e5e4", "c3e4", "h2h3", 1281},   // on the square just moved to
        {START, "e2e4 d7d5 b1c3 d5e4", "c3e4", "h2h3", 321},    // taking back what was taken
        // Before any move of the game there is no square just moved to, a1
        // no more than another.
        {"4k3/8/8/8/8/1N6/8/n3K3 w - - 0 1", "", "b3a1", "e1e2", 5121},
    };
    uci_elo = 750;
    for (const auto& c : cases) {
        set_root(c.fen, c.moves);
        make_list({{c.capture, 0}, {c.quiet, 0}});
        std::vector<int> counts = tally();
        EXPECT_EQ(counts[1], c.overlooked) << c.moves << " " << c.capture;
        EXPECT_EQ(counts[0] + counts[1], int(ALL_LOW_BITS));
    }
}

// A capture in the candidate's line is noticed unless the draw falls at or
// below weight x distance / 18; a capture on the candidate's own square uses
// an eighth of the weight. Noticed, the candidate is dropped; overlooked, it
// is played (the capturing square is guarded, the scores level).
TEST_F(WeakMoveTest, RefutationsAreNoticedByDistance) {
    const struct {
        const char* moves;
        Candidate candidate;
        int overlooked;
    } cases[] = {
        {"g1f3 e7e5 a2a3 h7h6", {"d2d4", 0, "e5d4"}, 36},    // a pawn takes on the square: 640 / 18
        {"g1f3 b8c6 a2a3 h7h6", {"f3d4", 0, "c6d4"}, 1281},  // a knight takes on the square: 640 x 36 / 18
        // A pawn takes elsewhere: 5120 / 18. Overlooked, the guarded square it
        // takes on is the one weighed, not the pawn push's unguarded one.
        {"e2e4 d7d5 b1c3 h7h6", {"h2h4", 0, "d5e4"}, 285},
    };
    uci_elo = 750;
    for (const auto& c : cases) {
        set_root(START, c.moves);
        make_list({{"b2b3", 0}, c.candidate});
        std::vector<int> counts = tally();
        EXPECT_EQ(counts[1], c.overlooked) << c.moves << " " << c.candidate.move;
    }
}

// With many pieces on the board a rook is not lifted from its corner one
// square up the file; any other rook move stays a candidate.
TEST_F(WeakMoveTest, NoCornerRookLiftWhileThePiecesAreOn) {
    const struct {
        const char* fen;
        const char* best;
        const char* move;
        int played;
    } cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/1PPPPPPP/R1BQKBNR w KQkq - 0 1", "h2h3", "a1a2", 0},
        {"rnbqkbnr/pppppppp/8/8/8/8/1PPPPPPP/R1BQKBNR w KQkq - 0 1", "h2h3", "a1b1", 8192},
        {"rnbqkbnr/ppppppp1/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1", "b7b6", "h8h7", 0},
        {"3qk3/8/8/8/8/8/1P6/R3K3 w - - 0 1", "b2b3", "a1a2", 8192},  // too few pieces left to care
    };
    uci_elo = 750;
    for (const auto& c : cases) {
        set_root(c.fen, "");
        make_list({{c.best, 0}, {c.move, 0}});
        EXPECT_EQ(tally()[1], c.played) << c.fen << " " << c.move;
    }
}

// When a capture among the candidates is seen, the moves from it downwards
// are weighed; of several seen, the lowest in the list counts.
TEST_F(WeakMoveTest, TheLowestCaptureSeenCounts) {
    uci_elo = 750;
    set_root(START, "e2e4 d7d5 g1f3 e7e5");
    make_list({{"h2h3", 0}, {"e4d5", 0}, {"f3e5", 0}});
    // The pawn's capture is missed for 143 values of its draw in 8192; seen,
    // it is played (its square guarded, the scores level).
    EXPECT_GE(tally()[1], 7900);
}

// Where the candidate's man goes and what threatens decide how readily it
// comes to mind: narrow masks for the man the last move attacks, for any man
// while the best move's man hangs, and for a guarded square; wide masks for
// a pawn pushed to an unguarded square. A square an enemy pawn guards keeps
// a piece away even then.
TEST_F(WeakMoveTest, WhatComesToMindFirst) {
    const struct {
        const char* what;
        const char* moves;
        int elo;
        Candidate best, candidate;
        int at_least, at_most;
    } cases[] = {
        // Weight 1660 once grown: the first draw alone passes for twice each
        // value below 1660 in 0..4095.
        {"the knight the pawn attacks", "g1f3 e7e5 b1c3 e5e4", 1000, {"a2a3", 0}, {"f3d4", 0}, 2 * 1660, 8192},
        {"a pawn push, nothing threatened", "g1f3 e7e5 b1c3 e5e4", 1000, {"h2h3", 0}, {"g2g4", 0}, 0, 300},
        {"a pawn push while the best move's man hangs", "g1f3 e7e5 a2a3 e5e4 h2h3 a7a6", 1000, {"f3d4", 0},
         {"c2c4", 0}, 2 * 1660, 8192},
        // Only the widest draw can pass at 500 below the best: weight 6400 in
        // 0..65535, shifted out of reach on a square a pawn guards.
        {"a knight's move, 500 below", "b1c3 d7d5 a2a3 h7h6", 750, {"h2h3", 0}, {"c3b5", -500}, 400, 1600},
        {"a knight's move onto a pawn's square", "b1c3 d7d5 a2a3 h7h6", 750, {"h2h3", 0}, {"c3e4", -500}, 0, 50},
    };
    for (const auto& c : cases) {
        uci_elo = c.elo;
        set_root(START, c.moves);
        make_list({c.best, c.candidate});
        const int played = tally()[1];
        EXPECT_GE(played, c.at_least) << c.what;
        EXPECT_LE(played, c.at_most) << c.what;
    }
}

// Small positions at a fixed seed and time: the choice is pinned.
TEST_F(WeakMoveTest, TacticalPositionsAtAFixedSeed) {
    // The knight on f3 hangs to the pawn that just came to e4; taking that
    // pawn back is best, the knight's retreat is next, leaving it is bad.
    const std::vector<Candidate> hanging_knight = {{"c3e4", 60}, {"f3d4", 40}, {"h2h3", -150}};
    // Taking the e5 pawn loses the knight to the c6 knight; developing moves
    // are level.
    const std::vector<Candidate> refuted_capture = {{"f1c4", 40}, {"f3e5", -250, "c6e5"}, {"d2d3", 30}};
    const struct {
        const char* what;
        const char* moves;
        int elo;
        const std::vector<Candidate>& list;
        uint32_t seed;
        uint32_t elapsed_ms;
        int chosen;
    } cases[] = {
        {"recapture seen", "g1f3 e7e5 b1c3 e5e4", 1000, hanging_knight, 3, 0, 0},
        {"recapture overlooked, the knight saved", "g1f3 e7e5 b1c3 e5e4", 1000, hanging_knight, 125, 0, 1},
        {"recapture overlooked, the knight left", "g1f3 e7e5 b1c3 e5e4", 1000, hanging_knight, 0, 0, 2},
        {"... but not after nine seconds", "g1f3 e7e5 b1c3 e5e4", 1000, hanging_knight, 0, 9000, 0},
        {"capture seen, refutation noticed", "e2e4 e7e5 g1f3 b8c6", 750, refuted_capture, 26, 0, 0},
        {"capture seen, refutation overlooked", "e2e4 e7e5 g1f3 b8c6", 750, refuted_capture, 156, 0, 1},
        {"... but not after nine seconds", "e2e4 e7e5 g1f3 b8c6", 750, refuted_capture, 156, 9000, 0},
        {"capture overlooked, a level move", "e2e4 e7e5 g1f3 b8c6", 750, refuted_capture, 0, 0, 2},
    };
    for (const auto& c : cases) {
        set_root(START, c.moves);
        uci_elo = c.elo;
        make_list(c.list);
        EXPECT_EQ(choose(c.seed, c.elapsed_ms), c.chosen) << c.what;
    }
}

// Only a limited search at 1500 or below, in normal play, with a searched
// root, plays a weaker move; the list and the output are untouched otherwise.
TEST_F(WeakMoveTest, RunsOnlyAfterALimitedNormalSearch) {
    const struct {
        const char* what;
        int elo;
        bool limited;
        uint32_t mode;
        uint32_t state_flags;
        uint32_t first_flags;
        bool played;
    } cases[] = {
        {"limited at 750", 750, true, SEARCH_MODE_NORMAL, 0, 0, true},
        {"1501", 1501, true, SEARCH_MODE_NORMAL, 0, 0, false},
        {"no limit", 750, false, SEARCH_MODE_NORMAL, 0, 0, false},
        {"analysis", 750, true, SEARCH_MODE_INFINITE, 0, 0, false},
        {"pondering", 750, true, SEARCH_MODE_PONDER, 0, 0, false},
        {"decided root", 750, true, SEARCH_MODE_NORMAL, SEARCH_ROOT_DECIDED, 0, false},
        {"book move", 750, true, SEARCH_MODE_NORMAL, 0, RM_BOOK | RM_KNOWN, false},
    };
    set_root(START, "g1f3 e7e5 a2a3 h7h6");
    weak_move_seed_source = [] { return 5u; };
    for (const auto& c : cases) {
        make_list({{"h2h3", 0}, {"b1c3", 0}});
        for (size_t i = 0; i < list_.size(); ++i) root_moves[i] = list_[i];
        root_move_count = int(list_.size());
        root_moves[0].flags = c.first_flags;
        uci_elo = c.elo;
        search_flags = c.limited ? (search_flags | EF_LIMIT_STRENGTH) : (search_flags & ~EF_LIMIT_STRENGTH);
        search_mode = c.mode;
        search_state_flags = c.state_flags;
        bool played = false;
        std::string text;
        {
            OutputCapture output;
            restart_move_timer();  // the search has just begun: the full weight
            played = play_weak_move(5);
            text = output.text();
        }
        EXPECT_EQ(played, c.played) << c.what;
        EXPECT_EQ(root_moves[0].line[1], lines_[c.played ? 1 : 0][1]) << c.what;
        EXPECT_EQ(text.find(" pv b1c3 ") != std::string::npos, c.played) << c.what << ": " << text;
    }
}

// Through the driver: a limited search at 750 takes the seed once, after the
// search, and its answer varies with it; the answer is the move it printed
// last. At 1501 the choice never runs.
TEST_F(WeakMoveTest, TheDriverPlaysTheWeakMove) {
    static uint32_t seed = 0;
    static int seed_calls = 0;
    weak_move_seed_source = [] {
        ++seed_calls;
        return seed;
    };
    auto answers = [](int elo) {
        std::vector<std::string> moves;
        seed_calls = 0;
        for (seed = 0; seed < 6; ++seed) {
            start_new_game();
            clear_hash(1);
            seed_random(99);
            engine_flags |= EF_LIMIT_STRENGTH;
            uci_elo = elo;
            node_rate_limit = 0;
            go_depth_limit = 3;
            set_search_mode(3, 0);
            std::string text;
            {
                OutputCapture output;
                think(main_position.side, SEARCH_MODE_NORMAL, 0, 0, 0);
                text = output.text();
            }
            size_t answer = text.rfind("bestmove ");
            size_t last_line = text.rfind(" pv ");
            EXPECT_NE(answer, std::string::npos) << text;
            EXPECT_NE(last_line, std::string::npos) << text;
            if (answer == std::string::npos || last_line == std::string::npos) continue;
            moves.push_back(text.substr(answer + 9, 5));
            EXPECT_EQ(moves.back(), text.substr(last_line + 4, 5)) << text;
        }
        go_depth_limit = iteration_depth_limit = DEFAULT_MAX_DEPTH;
        return moves;
    };
    std::vector<std::string> weak = answers(750);
    EXPECT_EQ(seed_calls, 6);
    ASSERT_FALSE(weak.empty());
    EXPECT_NE(std::count(weak.begin(), weak.end(), weak.front()), std::ptrdiff_t(weak.size()));
    answers(1501);
    EXPECT_EQ(seed_calls, 0);
}

}  // namespace
