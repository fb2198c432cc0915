#include "search/strength.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "search/random.h"
#include "config/settings.h"
#include "game/game_history.h"
#include "output_capture.h"
#include "position/position.h"
#include "search/driver.h"
#include "search/polling.h"
#include "search/time_control.h"
#include "search/tt.h"
#include "search/hash_memory.h"
#include "platform/system.h"
#include "uci/new_game.h"
#include "uci/options.h"

namespace {

// The rating range, the rating and the limit flags as a test found them.
class StrengthTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = {uci_elo, uci_elo_min, uci_elo_max, engine_flags, search_flags, node_rate_limit, random_state};
    }
    void TearDown() override {
        uci_elo = saved_.elo;
        uci_elo_min = saved_.min;
        uci_elo_max = saved_.max;
        engine_flags = saved_.engine;
        search_flags = saved_.search;
        node_rate_limit = saved_.rate;
        seed_random(saved_.seed);
    }
    static void limit_at(int elo) {
        uci_elo = elo;
        search_flags |= EF_LIMIT_STRENGTH;
    }

private:
    struct {
        int elo, min, max;
        uint32_t engine, search;
        int rate;
        uint32_t seed;
    } saved_{};
};

TEST_F(StrengthTest, RatingFromNodeRate) {
    const struct {
        uint64_t rate;
        int elo;
    } cases[] = {{0, 650},         {1, 650},          {2, 820},      {3, 905},         {512, 2150},
                 {1024, 2290},     {100000, 2956},    {1000000, 3145}, {1u << 27, 3500}, {(1u << 27) + 1, 3500},
                 {240000000, 3500}, {~uint64_t(0), 3500}};
    for (const auto& c : cases) EXPECT_EQ(elo_from_rate(c.rate), c.elo) << c.rate;
}

TEST_F(StrengthTest, NodeRateFromRating) {
    const struct {
        int elo;
        uint32_t rate;
    } cases[] = {{750, 14},    {1000, 24},   {1399, 40},   {1400, 40},      {1500, 40},        {2000, 256},
                 {2150, 512},  {2290, 1024}, {2500, 3413}, {3500, 1u << 27}, {3600, 1u << 27}, {9999, 1u << 27}};
    for (const auto& c : cases) EXPECT_EQ(elo_to_strength_limit(c.elo), c.rate) << c.elo;
}

// Above the floor of 40 nodes per second, the two conversions undo each other.
TEST_F(StrengthTest, ConversionsRoundTripOnPowersOfTwo) {
    for (int k = 6; k <= 27; ++k)
        EXPECT_EQ(elo_to_strength_limit(elo_from_rate(uint64_t(1) << k)), uint32_t(1) << k) << k;
}

// The unit tests link the one-thread program: the maximum is the rating of
// the measured rate itself.
TEST_F(StrengthTest, CalibratedRange) {
    const struct {
        uint64_t nodes;
        int min, max, elo;
    } cases[] = {
        {1000000, 750, 3145, 2290},
        {512, 750, 2150, 2150},  // a slow machine: the default comes down into the range
        {20, 750, 1372, 1372},
        {1, 750, 750, 750},  // hardly anything searched: still a well-formed range
        {0, 750, 750, 750},
        {uint64_t(1) << 40, 750, 3500, 2290},
    };
    for (const auto& c : cases) {
        calibrate_elo_range(c.nodes, 1);
        EXPECT_EQ(uci_elo_min, c.min) << c.nodes;
        EXPECT_EQ(uci_elo_max, c.max) << c.nodes;
        EXPECT_EQ(uci_elo, c.elo) << c.nodes;
        EXPECT_EQ(node_rate_estimate, uint32_t(std::min<uint64_t>(c.nodes, UINT32_MAX))) << c.nodes;
    }
}

TEST_F(StrengthTest, RatingOptionSetsTheNodeRateOnlyUnderTheLimit) {
    calibrate_elo_range(1000000, 1);
    node_rate_limit = 0;
    set_uci_elo(1000);
    EXPECT_EQ(uci_elo, 1000);
    EXPECT_EQ(node_rate_limit, 0);
    EXPECT_EQ(enable_limit_strength(), 24);
    EXPECT_EQ(node_rate_limit, 24);
    set_uci_elo(2290);
    EXPECT_EQ(node_rate_limit, 1024);
    set_uci_elo(749);   // outside the range: nothing changes
    set_uci_elo(3146);
    EXPECT_EQ(uci_elo, 2290);
    EXPECT_EQ(node_rate_limit, 1024);
}

TEST_F(StrengthTest, RootMarginByRating) {
    const struct {
        int elo;
        uint32_t mode;
        int margin;
    } cases[] = {{750, SEARCH_MODE_NORMAL, 2048}, {1000, SEARCH_MODE_NORMAL, 968}, {1350, SEARCH_MODE_NORMAL, 128},
                 {1400, SEARCH_MODE_NORMAL, 96},  {1500, SEARCH_MODE_NORMAL, 96},  {1501, SEARCH_MODE_NORMAL, 96},
                 {750, SEARCH_MODE_INFINITE, 96}, {750, SEARCH_MODE_ADVICE, 192}};
    for (const auto& c : cases) {
        limit_at(c.elo);
        EXPECT_EQ(strength_root_margin(c.mode), c.margin) << c.elo << " mode " << c.mode;
    }
    search_flags &= ~EF_LIMIT_STRENGTH;
    EXPECT_EQ(strength_root_margin(SEARCH_MODE_NORMAL), 96);
}

// The iteration's ply limit: the early table caps a large step for the first
// four iterations, then the step rules; never beyond the maximum depth.
TEST_F(StrengthTest, PlyLimitByRatingAndIteration) {
    const struct {
        int elo;
        int limits[6];  // iterations 1..6
    } cases[] = {{750, {2, 3, 4, 5, 6, 7}},     {1500, {2, 3, 4, 5, 6, 7}},   {1650, {5, 6, 7, 8, 9, 10}},
                 {1750, {4, 8, 9, 10, 11, 12}}, {2000, {4, 6, 8, 10, 16, 17}}, {3500, {4, 6, 8, 10, 46, 47}}};
    for (const auto& c : cases) {
        uci_elo = c.elo;
        for (int it = 1; it <= 6; ++it) EXPECT_EQ(strength_ply_limit(it), c.limits[it - 1]) << c.elo << " it " << it;
    }
    uci_elo = 3500;
    EXPECT_EQ(strength_ply_limit(40), DEFAULT_MAX_DEPTH);
}

// Seeds the generator so that its next draw is `value`.
void next_draw_is(uint32_t value) {
    uint32_t inverse = 328474821u;  // Newton's steps to the multiplier's inverse modulo 2^32
    for (int i = 0; i < 5; ++i) inverse *= 2u - 328474821u * inverse;
    seed_random((value - 1u) * inverse);
}

// Over every value of the ten masked bits, the noise fires 74 times in 1024
// at 1599, and never from 1600 on nor for a mate-like score.
TEST_F(StrengthTest, RootScoreNoise) {
    const struct {
        int elo, score, fired;
    } cases[] = {{1599, 30, 74}, {1600, 30, 0}, {1599, 7800, 0}, {1599, -7799, 74}, {750, 0, 1024 - 101}};
    for (const auto& c : cases) {
        uci_elo = c.elo;
        int fired = 0;
        for (uint32_t low = 0; low < 1024; ++low) {
            next_draw_is(low);
            uint32_t start = random_state;
            int score = strength_noisy_score(c.score);
            bool second_draw = random_state != start && random_state != low;
            fired += second_draw;
            EXPECT_LE(std::abs(score - c.score), 8);
            if (!second_draw) {
                EXPECT_EQ(score, c.score);
            }
        }
        EXPECT_EQ(fired, c.fired) << c.elo << " " << c.score;
    }
}

// The book is left when (x & 127) * (ply / 2) reaches the rating less 622.
TEST_F(StrengthTest, BookSkipByRatingAndPly) {
    uci_elo = 750;
    for (int ply : {1, 2, 3, 4, 5, 6}) {
        int skipped = 0;
        for (uint32_t low = 0; low < 128; ++low) {
            next_draw_is(low);
            bool skip = strength_skips_book(ply);
            skipped += skip;
            if (ply / 2 == 2) {
                EXPECT_EQ(skip, low >= 64) << low;
            }
        }
        int expected = ply < 4 ? 0 : ply / 2 == 2 ? 64 : 85;  // 43..127 at ply 6
        EXPECT_EQ(skipped, expected) << ply;
    }
}

// The calibration searches for its second without a word, plays nothing,
// keeps the move time a "go" left, and sets a well-formed range.
TEST_F(StrengthTest, CalibrationIsSilentAndKeepsTheSettings) {
    if (!tt_allocated()) set_hash_size(4096);
    start_new_game();
    set_move_time(50);  // a "go movetime" earlier must not shorten the calibration
    uint32_t started = tick_count_ms();
    {
        OutputCapture output;
        calibrate_strength(1, 0);
        EXPECT_EQ(output.text(), "");
    }
    uint32_t took = tick_count_ms() - started;
    EXPECT_GE(took, 900u);
    EXPECT_LE(took, 3000u);
    EXPECT_EQ(move_time_ms, 50);
    set_move_time(DEFAULT_TIME_CAP_MS);
    EXPECT_EQ(current_game_record, &game_records[1]);
    EXPECT_EQ(game_records[2].move, 0);
    EXPECT_GT(node_rate_estimate, 0u);
    EXPECT_EQ(uci_elo_min, 750);
    EXPECT_LE(uci_elo_min, uci_elo);
    EXPECT_LE(uci_elo, uci_elo_max);
    start_new_game();
}

}  // namespace
