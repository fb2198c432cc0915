#include "search/time_control.h"

#include <gtest/gtest.h>

#include <cstring>

#include "config/settings.h"
#include "game/game_history.h"
#include "search/driver.h"
#include "search/polling.h"
#include "search/root.h"
#include "search/strength.h"

namespace {

// A fresh game at its first ply, tournament clock, no pondering, far from the book.
class TimeControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(game_records, 0, sizeof(game_records));
        game_ply = 1;
        current_game_record = &game_records[1];
        ply_base = 0;
        clock_side = 0;
        last_book_ply = -100;
        saved_flags_ = search_flags;
        search_flags = ENGINE_FLAGS_DEFAULT & ~(EF_PONDER | EF_GUI_TIME_LAG | EF_LIMIT_STRENGTH);
        search_mode = SEARCH_MODE_NORMAL;
        time_mode = TIME_MODE_TOURNAMENT;
    }
    void TearDown() override {
        search_flags = saved_flags_;
        search_mode = SEARCH_MODE_IDLE;
        time_mode = TIME_MODE_NO_CLOCK;
        for (TimeControlPeriod& period : time_control) period = {0, 0, 0, PERIOD_UNUSED};
    }
    // The "go" of the side to move, then the limits of its search.
    void go(int mtg, int time_ms, int increment_ms) {
        set_time_control(mtg, time_ms, increment_ms);
        reset_clocks();
        allocate_time(moves_to_go[0], time_left_ms[0], clock_increment_ms);
    }
    uint32_t saved_flags_ = 0;
};

TEST_F(TimeControlTest, SuddenDeathPlansAThirtiethOfTheTime) {
    go(0, 60000, 0);
    EXPECT_EQ(moves_to_go[0], 30);
    EXPECT_EQ(time_left_ms[0], 60000);
    EXPECT_EQ(soft_limit_ms, 1825);
    EXPECT_EQ(hard_limit_ms, 27375);
    EXPECT_EQ(panic_limit_ms, 1825 * 6 / 10);
}

TEST_F(TimeControlTest, AllocationAdjustments) {
    struct Case {
        const char* name;
        int mtg, time_ms, increment_ms;
        uint32_t flags;
        int plies_after_book;  // -1: far from the book
        int64_t soft;
    };
    const Case cases[] = {
        {"moves to go with increment", 40, 60000, 1000, 0, -1, 3044},
        {"the same, pondering", 40, 60000, 1000, EF_PONDER, -1, 3805},
        {"GUI lag keeps 8 s back", 0, 60000, 0, EF_GUI_TIME_LAG, -1, (56250 - 8000) / 30},
        {"GUI lag ignored with increment", 0, 60000, 16, EF_GUI_TIME_LAG, -1, (54750 + 15 * 29) / 30},
        {"three plies after the book", 0, 60000, 0, 0, 3, 1825 + ((5 * 1825) >> 4)},
        {"a flag never falls below 60 ms", 0, 1000, 0, 0, -1, 60 / 30},
    };
    for (const Case& c : cases) {
        search_flags = (ENGINE_FLAGS_DEFAULT & ~(EF_PONDER | EF_GUI_TIME_LAG | EF_LIMIT_STRENGTH)) | c.flags;
        last_book_ply = c.plies_after_book < 0 ? -100 : game_ply - c.plies_after_book;
        go(c.mtg, c.time_ms, c.increment_ms);
        EXPECT_EQ(soft_limit_ms, c.soft) << c.name;
        EXPECT_LE(soft_limit_ms, hard_limit_ms) << c.name;
    }
}

// However small the clock, neither a planned time nor the deadline, the
// largest time extension added, reaches it: a margin stays for what the
// clock counts after the deadline.
TEST_F(TimeControlTest, NoPlanReachesTheClock) {
    struct Case {
        int time_ms, increment_ms;
        int64_t hard;
    };
    const Case cases[] = {
        {1000, 0, 30},     // the 60 ms floor fits: a thirtieth planned, half the floor at most
        {100, 1000, 50},   // the floor would pass the clock: half of it, 50 ms at most, stays back
        {50, 1000, 25},
        {20, 1000, 10},
        {1, 0, 0},         // a clock all but gone: the answer at once
    };
    for (const Case& c : cases) {
        for (uint32_t ponder : {0u, EF_PONDER}) {
            search_flags = (search_flags & ~EF_PONDER) | ponder;
            go(0, c.time_ms, c.increment_ms);
            EXPECT_EQ(hard_limit_ms, c.hard) << c.time_ms << "+" << c.increment_ms;
            EXPECT_LE(soft_limit_ms, hard_limit_ms) << c.time_ms << "+" << c.increment_ms;
            time_extension_ms = 8 * soft_limit_ms;  // a root that fails low
            check_time_and_input(0);
            EXPECT_LE(deadline_ms, uint32_t(c.hard)) << c.time_ms << "+" << c.increment_ms;
        }
    }
    time_extension_ms = 0;
    stop_reason = 0;
}

TEST_F(TimeControlTest, StrengthLimitPlansLess) {
    int saved_elo = uci_elo;
    search_flags |= EF_LIMIT_STRENGTH;
    uci_elo = 1800;
    go(0, 60000, 0);
    EXPECT_EQ(soft_limit_ms, 1825 - (1825 >> 1));
    uci_elo = 2300;
    go(0, 60000, 0);
    EXPECT_EQ(soft_limit_ms, 1825 - (1825 >> 2));
    uci_elo = saved_elo;
}

TEST_F(TimeControlTest, BookedMoveAdvancesTheClock) {
    go(5, 60000, 1000);
    EXPECT_EQ(moves_to_go[0], 5);
    EXPECT_EQ(time_left_ms[0], 60000);

    // White's move, played at ply 2, took 1500 ms.
    game_ply = 2;
    current_game_record = &game_records[2];
    game_records[2].mover = 0;
    record_ply_stats(2, 9, 20, 1500, 0x10);
    update_side_clock(0);
    EXPECT_EQ(moves_to_go[0], 4);
    EXPECT_EQ(time_left_ms[0], 60000 + 1000 - 1500);
    EXPECT_EQ(game_records[2].clock_ms, 1500);
    EXPECT_EQ(game_records[2].score, 20);
    EXPECT_EQ(game_records[2].san_depth >> 10, 9);
    EXPECT_EQ(get_ply_clock(2)->move_ms, 1500);
}

TEST_F(TimeControlTest, AHugeMovesToGoStaysWithinSixteenBits) {
    go(65536, 60000, 0);  // must not make a period of 0 moves
    EXPECT_EQ(time_control[1].moves, 65535);
    EXPECT_GT(soft_limit_ms, 0);
}

TEST_F(TimeControlTest, AMoveWithoutScoreTakesTheNegatedScoreBeforeIt) {
    game_records[3].score = 75;
    record_ply_stats(4, 0, NO_SCORE, 10, 0);
    EXPECT_EQ(game_records[4].score, -75);
    EXPECT_EQ(game_records[4].san_depth >> 10, 1);

    record_move_time(0, 5, 0, 12, 4);
    EXPECT_EQ(clock_side, 1);
    EXPECT_EQ(booked_ply, 4);
}

TEST_F(TimeControlTest, NoClockMeansNoPracticalLimit) {
    time_mode = TIME_MODE_NO_CLOCK;
    allocate_time(0, 0, 0);
    EXPECT_EQ(soft_limit_ms, 238000000);
    EXPECT_EQ(hard_limit_ms, 1524000000);
    time_mode = TIME_MODE_TOURNAMENT;
    search_mode = SEARCH_MODE_INFINITE;
    allocate_time(30, 1000, 0);
    EXPECT_EQ(soft_limit_ms, 238000000);
}

}  // namespace
