// The transposition table: geometry, both entry layouts, mate scores by ply,
// the merge and replacement rules, ages, learned entries.
#include "search/tt.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <type_traits>

#include "config/settings.h"
#include "eval/eval_tables.h"
#include "eval/root_state.h"
#include "position/history_tables.h"
#include "position/position.h"
#include "key_position.h"
#include "test_board.h"

namespace {

constexpr const char* START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// Keys that share one bucket: same low half of key_hi, different high halves.
Position* bucket_mate(int n) { return key_position(uint32_t(n + 1) << 16 | 0x0100, 0x1000u + uint32_t(n)); }

struct Probe {
    int result = -1;
    int score = 0;
    int depth = 0;
    Move move = 0xFFFF;
};

template <TtLayout L>
Probe probe(Position* pos, int ply, int want_eval = 0) {
    Probe p;
    p.result = tt_probe_as<L>(pos, &p.score, &p.depth, ply, &p.move, want_eval);
    return p;
}

// The raw words of the position's entry, if it has one.
template <TtLayout L>
std::optional<TtEntry> raw_entry(const Position* pos, int* slot = nullptr) {
    uint32_t first = tt_bucket_index(tt_size, pos->key_hi);
    for (int i = 0; i < TT_BUCKET_ENTRIES; ++i) {
        TtEntry e = tt_read_entry(pos->side, first + uint32_t(i));
        if ((e.w2 & 0xFFFF) != 0 && tt_entry_matches<L>(e, pos->key_hi, pos->key_lo)) {
            if (slot) *slot = i;
            return e;
        }
    }
    return std::nullopt;
}

// Sets the age the table counts as current (and its weights).
void set_age(int age) {
    tt_age = uint8_t(age == 1 ? 15 : age - 1);
    advance_hash_generation();
    ASSERT_EQ(tt_age, age);
}

class TtTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_engine_flags_ = engine_flags;
        saved_search_flags_ = search_flags;
        saved_state_flags_ = search_state_flags;
        engine_flags &= ~EF_POSITION_LEARNING;  // the learning file is not this test's business
        search_flags = engine_flags & ~EF_RETAIN_HASH;
        search_state_flags = 0;
        ASSERT_EQ(set_hash_size(1024), 1024);
        set_age(5);
    }
    void TearDown() override {
        free_hash_tables();
        engine_flags = saved_engine_flags_;
        search_flags = saved_search_flags_;
        search_state_flags = saved_state_flags_;
    }
    static uint32_t flags(uint32_t bound) { return tt_age | bound; }

private:
    uint32_t saved_engine_flags_ = 0, saved_search_flags_ = 0, saved_state_flags_ = 0;
};

template <typename T>
class TtLayoutTest : public TtTest {};
using Layouts = ::testing::Types<std::integral_constant<TtLayout, TtLayout::PLAIN>,
                                 std::integral_constant<TtLayout, TtLayout::XOR_FOLDED>>;
TYPED_TEST_SUITE(TtLayoutTest, Layouts);

// ---- Geometry ---------------------------------------------------------------------

TEST(TtGeometry, NumbersOfTheDefaultAndOfAnUnevenSize) {
    // 128 MB: half for the cache, 64 MB of table: 2^21 entries a side, no folding.
    TtGeometry big = tt_geometry(65536);
    EXPECT_EQ(big.entries, 1u << 21);
    EXPECT_EQ(big.mask, 0x1FFFFCu);
    EXPECT_EQ(big.fold, 1u << 20);
    // 3000 KB: 1024 for the cache, 1976 for the table.
    TtGeometry odd = tt_geometry(1976);
    EXPECT_EQ(odd.entries, 63232u);
    EXPECT_EQ(odd.mask, 0xFFFCu);
    EXPECT_EQ(odd.fold, 32768u);
    EXPECT_EQ(tt_bucket_index(odd, 0xABCD0000u | 63228u), 63228u);
    EXPECT_EQ(tt_bucket_index(odd, 0xFFFCu), 0xFFFCu - 32768u);
}

TEST(TtGeometry, EveryBucketLiesWholeInsideItsTable) {
    for (int share : {16, 17, 31, 100, 513, 1000, 1023, 1024, 1025, 1976, 3000, 4095, 4096, 65536}) {
        TtGeometry g = tt_geometry(share);
        ASSERT_EQ(g.entries, uint32_t(share) * 32);
        for (uint32_t key = 0; key <= g.mask; key += 4) {
            uint32_t i = tt_bucket_index(g, key | 0xFFFF0000u);
            ASSERT_EQ(i % 4, 0u) << share;
            ASSERT_LE(i + 3, g.entries - 1) << "share " << share << " key " << key;
        }
    }
}

TEST_F(TtTest, HashSizeIsSplitBetweenCacheAndTable) {
    ASSERT_EQ(set_hash_size(3000), 3000);
    EXPECT_EQ(hash_size_kb, 3000);
    EXPECT_EQ(tt_share_kb, 1976);
    EXPECT_EQ(tt_size.entries, 63232u);
    EXPECT_EQ(tt_size.mask, 0xFFFCu);
    EXPECT_EQ(tt_size.fold, 32768u);
}

TEST_F(TtTest, GenerationCyclesThroughOneToFifteen) {
    set_age(14);
    advance_hash_generation();
    EXPECT_EQ(tt_age, 15);
    advance_hash_generation();
    EXPECT_EQ(tt_age, 1);
    // The weights count the distance from the current age modulo 16: the
    // current age 512, one back 768 (for age 1 that is the empty entry, 0),
    // and so on; learned entries 256 whatever their age.
    EXPECT_EQ(age_weights[1], 512);
    EXPECT_EQ(age_weights[0], 768);
    EXPECT_EQ(age_weights[15], 1024);
    EXPECT_EQ(age_weights[2], 15 * 256 + 512);
    EXPECT_EQ(age_weights[16 + 3], 256);
    advance_hash_generation();
    EXPECT_EQ(age_weights[1], 768);
    EXPECT_EQ(age_weights[0], 1024);
}

// ---- Both layouts -------------------------------------------------------------------

TYPED_TEST(TtLayoutTest, MateScoresAreKeptRelativeToTheNode) {
    constexpr TtLayout L = TypeParam::value;
    struct Case {
        int score, store_ply, probe_ply, kept, read;
    } cases[] = {
        {8180, 10, 4, 8189, 8186},
        {-8180, 10, 4, -8189, -8186},
        {7800, 10, 4, 7800, 7800},  // the bound itself is no mate
        {-7801, 2, 3, -7802, -7800},
        {350, 10, 4, 350, 350},
    };
    int n = 0;
    for (const Case& c : cases) {
        Position* pos = key_position(0x12340000u + uint32_t(n) * 0x10000u + uint32_t(n) * 64, 0xABCDu + uint32_t(n));
        ++n;
        tt_store_as<L>(pos, this->flags(TT_EXACT), c.score, 9, c.store_ply, NO_MOVE);
        std::optional<TtEntry> e = raw_entry<L>(pos);
        ASSERT_TRUE(e) << c.score;
        EXPECT_EQ(int(e->w2 >> 16) - TT_SCORE_BIAS, c.kept) << c.score;

        Probe p = probe<L>(pos, c.probe_ply);
        EXPECT_EQ(p.result, int(TT_EXACT)) << c.score;
        EXPECT_EQ(p.score, c.read) << c.score;
        const bool mate = c.kept > MATE_SCORE_BOUND || c.kept < -MATE_SCORE_BOUND;
        EXPECT_EQ(p.depth, mate ? TT_MATE_DEPTH : 9) << c.score;
        search_state_flags = SEARCH_MATE_FOUND;
        EXPECT_EQ(probe<L>(pos, c.probe_ply).depth, 9) << c.score;
        search_state_flags = 0;
    }
}

TYPED_TEST(TtLayoutTest, StoredEvaluationAndThreatsComeBackOnRequest) {
    constexpr TtLayout L = TypeParam::value;
    for (int eval : {-7799, -321, 0, 7799}) {
        Position* pos = key_position(0x77770000u | uint32_t(eval & 0xFFFC), 0x5150u + uint32_t(eval));
        PlyRecord* r = current_ply_record(pos);
        r->flags = 0x80 | 0x5;
        r->threat = 17;
        r->eval = int16_t(eval);
        tt_store_as<L>(pos, this->flags(TT_LOWER), 100, 4, 3, NO_MOVE);

        *r = PlyRecord{};
        Probe without = probe<L>(pos, 3, 0);
        EXPECT_EQ(without.result, int(TT_LOWER));
        EXPECT_EQ(r->flags, 0u);

        Probe with = probe<L>(pos, 3, 1);
        EXPECT_EQ(with.result, int(TT_LOWER | TT_EVAL_COPIED));
        EXPECT_EQ(r->flags, 0x85u);
        EXPECT_EQ(r->threat, 17);
        EXPECT_EQ(r->eval, eval);
    }
}

TYPED_TEST(TtLayoutTest, TornEntryIsAMissOnlyWhereTheWordsAreFolded) {
    constexpr TtLayout L = TypeParam::value;
    const uint32_t a_hi = bucket_mate(0)->key_hi, a_lo = bucket_mate(0)->key_lo;
    const uint32_t b_hi = bucket_mate(1)->key_hi, b_lo = bucket_mate(1)->key_lo;
    tt_store_as<L>(key_position(a_hi, a_lo), this->flags(TT_EXACT), 111, 7, 1, NO_MOVE);
    int slot = -1;
    TtEntry first = *raw_entry<L>(key_position(a_hi, a_lo), &slot);

    // Another position's data words land in the same slot, as when two
    // threads write it at once.
    TtEntry other = tt_pack_entry<L>(b_hi, b_lo, 0, this->flags(TT_UPPER) | 3 << 8 | uint32_t(-50 + TT_SCORE_BIAS) << 16, 0);
    uint32_t index = tt_bucket_index(tt_size, a_hi) + uint32_t(slot);
    tt_write_entry(WHITE, index, {first.w0, first.w1, other.w2, other.w3});

    Probe p = probe<L>(key_position(a_hi, a_lo), 1);
    Probe q = probe<L>(key_position(b_hi, b_lo), 1);
    EXPECT_EQ(q.result, 0);
    if constexpr (L == TtLayout::XOR_FOLDED) {
        EXPECT_EQ(p.result, 0);
    } else {
        // Unfolded, the key words alone decide: only the single-threaded
        // builds use this layout.
        EXPECT_EQ(p.result, int(TT_UPPER));
        EXPECT_EQ(p.score, -50);
    }
}

TYPED_TEST(TtLayoutTest, EntriesOfTheOtherSideToMoveAreNotSeen) {
    constexpr TtLayout L = TypeParam::value;
    tt_store_as<L>(key_position(0x31410000u, 0x2718u, WHITE), this->flags(TT_EXACT), 42, 5, 1, NO_MOVE);
    EXPECT_EQ(probe<L>(key_position(0x31410000u, 0x2718u, BLACK), 1).result, 0);
    EXPECT_EQ(probe<L>(key_position(0x31410000u, 0x2718u, WHITE), 1).score, 42);
}

// ---- Merge and replacement ------------------------------------------------------------

TEST_F(TtTest, StoreOnTheSamePositionKeepsTheDeeperMoveAndTheFlagBits) {
    ASSERT_EQ(load_test_board(START_FEN), 1);
    Position* pos = &main_position;
    const Move d2d4 = parse_test_move(pos, "d2d4");
    const Move g1f3 = parse_test_move(pos, "g1f3");

    tt_store(pos, flags(TT_LOWER) | TT_FORCED, 30, 8, 1, d2d4);
    tt_store(pos, flags(TT_LOWER), 30, 3, 1, g1f3);   // found shallower
    tt_store(pos, flags(TT_LOWER), 30, 10, 1, NO_MOVE);  // no move
    Probe p = probe<TT_LAYOUT>(pos, 1);
    EXPECT_EQ(p.move, d2d4);
    EXPECT_TRUE(p.result & TT_FORCED);

    tt_store(pos, flags(TT_LOWER), 30, 9, 1, g1f3);  // at least as deep as d2d4 was found
    EXPECT_EQ(probe<TT_LAYOUT>(pos, 1).move, g1f3);
}

TEST_F(TtTest, StoreKeepsTheMoreValuableDataUntilItsAgeIsPast) {
    Position* pos = key_position(0x0BAD0000u, 0xF00Du);
    tt_store(pos, flags(TT_EXACT), 100, 10, 1, NO_MOVE);
    tt_store(pos, flags(TT_UPPER), -50, 2, 1, NO_MOVE);
    Probe p = probe<TT_LAYOUT>(pos, 1);
    EXPECT_EQ(p.result, int(TT_EXACT));
    EXPECT_EQ(p.score, 100);
    EXPECT_EQ(p.depth, 10);

    advance_hash_generation();  // the deep entry now belongs to an older search
    tt_store(pos, flags(TT_UPPER), -50, 2, 1, NO_MOVE);
    p = probe<TT_LAYOUT>(pos, 1);
    EXPECT_EQ(p.result, int(TT_UPPER));
    EXPECT_EQ(p.score, -50);
    EXPECT_EQ(p.depth, 2);
}

TEST_F(TtTest, ReplacementTakesTheOldestThenTheShallowestAndLearnedLast) {
    // Positions 0..3 fill one bucket: two ages back, one age back, the current
    // age, and a learned entry.
    set_age(3);
    tt_store(bucket_mate(0), flags(0), 0, 0, 1, NO_MOVE);
    advance_hash_generation();
    tt_store(bucket_mate(1), flags(0), 0, 0, 1, NO_MOVE);
    advance_hash_generation();
    tt_store(bucket_mate(2), flags(0), 0, 0, 1, NO_MOVE);
    tt_insert(bucket_mate(3), flags(0) | TT_LEARNED, 0, 0, 1, NO_MOVE, 1);
    for (int n = 0; n < 4; ++n) ASSERT_TRUE(raw_entry<TT_LAYOUT>(bucket_mate(n))) << n;

    auto present = [](std::initializer_list<int> expected, std::initializer_list<int> gone) {
        for (int n : expected) EXPECT_TRUE(raw_entry<TT_LAYOUT>(bucket_mate(n))) << "kept " << n;
        for (int n : gone) EXPECT_FALSE(raw_entry<TT_LAYOUT>(bucket_mate(n))) << "replaced " << n;
    };
    tt_store(bucket_mate(4), flags(0), 0, 0, 1, NO_MOVE);
    present({1, 2, 3, 4}, {0});
    tt_store(bucket_mate(5), flags(0), 0, 0, 1, NO_MOVE);
    present({2, 3, 4, 5}, {1});
    // Now all of the current age but the learned one: the first of equal
    // values goes...
    tt_store(bucket_mate(6), flags(TT_EXACT), 0, 4, 1, NO_MOVE);
    present({2, 3, 5, 6}, {4});
    // ... but depth and bound make an entry worth more than a move-only one.
    tt_store(bucket_mate(7), flags(0), 0, 0, 1, NO_MOVE);
    present({2, 3, 6, 7}, {5});
}

TEST_F(TtTest, AnEmptySlotIsTakenBeforeAnyEntry) {
    set_age(1);  // an empty entry then weighs exactly what the previous age weighs
    tt_store(bucket_mate(0), flags(TT_EXACT), 0, 1, 1, NO_MOVE);
    tt_store(bucket_mate(1), flags(TT_EXACT), 0, 1, 1, NO_MOVE);
    EXPECT_TRUE(raw_entry<TT_LAYOUT>(bucket_mate(0)));
    EXPECT_TRUE(raw_entry<TT_LAYOUT>(bucket_mate(1)));
}

TEST_F(TtTest, InsertLeavesAMoreValuableEntryAlone) {
    Position* pos = key_position(0x4A4A0000u, 0x99u);
    tt_store(pos, flags(TT_EXACT), 70, 20, 1, NO_MOVE);
    int slot = -1;
    ASSERT_TRUE(raw_entry<TT_LAYOUT>(pos, &slot));
    EXPECT_EQ(tt_insert(pos, flags(0), 5, 5, 1, NO_MOVE, 0), slot);
    EXPECT_EQ(probe<TT_LAYOUT>(pos, 1).score, 70);

    EXPECT_EQ(tt_insert(pos, flags(TT_LOWER) | TT_LEARNED, 5, 5, 1, NO_MOVE, 321), TT_INSERT_WRITTEN);
    Probe p = probe<TT_LAYOUT>(pos, 1);
    EXPECT_EQ(p.result, int(TT_LOWER | TT_LEARNED));
    EXPECT_EQ(p.score, 5);
    EXPECT_EQ(raw_entry<TT_LAYOUT>(pos)->w3 >> 16, 321u);
}

// ---- Ages and learned entries ---------------------------------------------------------

TEST_F(TtTest, AnOlderEntryNeedsRetainHashAndIsThenRefreshedWithoutItsEvaluation) {
    Position* pos = key_position(0x65430000u, 0x1111u);
    PlyRecord* r = current_ply_record(pos);
    r->flags = 0x80;
    r->eval = 77;
    tt_store(pos, flags(TT_EXACT), 12, 6, 1, NO_MOVE);
    advance_hash_generation();

    *r = PlyRecord{};
    EXPECT_EQ(probe<TT_LAYOUT>(pos, 1, 1).result, 0);
    search_flags |= EF_RETAIN_HASH;
    Probe p = probe<TT_LAYOUT>(pos, 1, 1);
    EXPECT_EQ(p.result, int(TT_EXACT));
    EXPECT_EQ(p.score, 12);
    EXPECT_EQ(r->flags, 0u);  // no evaluation from another search

    TtEntry e = *raw_entry<TT_LAYOUT>(pos);
    EXPECT_EQ(e.w2 & TT_AGE_MASK, tt_age);
    EXPECT_TRUE(e.w2 & TT_REFRESHED);
    EXPECT_EQ(e.w3 & ~TT_MOVE_DEPTH_MASK, 0u);
    search_flags &= ~EF_RETAIN_HASH;
    EXPECT_EQ(probe<TT_LAYOUT>(pos, 1, 1).result, int(TT_EXACT | TT_REFRESHED));  // now of this age
    EXPECT_EQ(r->flags, 0u);
}

TEST_F(TtTest, LearnedEntriesKeepTheirMoveKeyBitsAndExtraValueThroughEveryUpdate) {
    ASSERT_EQ(load_test_board(START_FEN), 1);
    Position* pos = &main_position;
    const Move e2e4 = parse_test_move(pos, "e2e4");
    const int extra = 0x9123;  // top bit set: it must never read as a stored evaluation
    ASSERT_EQ(tt_insert(pos, flags(TT_EXACT) | TT_LEARNED, 40, 12, 1, e2e4, extra), TT_INSERT_WRITTEN);

    auto check = [&](const char* when) {
        TtEntry e = *raw_entry<TT_LAYOUT>(pos);
        uint32_t m = tt_entry_move_word<TT_LAYOUT>(e);
        EXPECT_EQ(m & 0xFFF, e2e4 & 0xFFFu) << when;
        EXPECT_EQ(m >> 12, pos->key_hi & 3) << when;
        EXPECT_EQ(e.w3 >> 16, uint32_t(extra)) << when;
        EXPECT_EQ(e.w3 & 0xFFC0, pos->key_hi & 0xFFC0) << when;  // the key bits the learning file needs
    };
    check("inserted");

    advance_hash_generation();
    PlyRecord* r = current_ply_record(pos);
    *r = PlyRecord{};
    Probe p = probe<TT_LAYOUT>(pos, 1, 1);  // older, but learned: used without Retain Hash
    EXPECT_EQ(p.result, int(TT_EXACT | TT_LEARNED));
    EXPECT_EQ(p.move, e2e4);
    EXPECT_EQ(r->flags, 0u);
    check("refreshed by a probe");

    r->flags = 0x80 | 0xA;
    r->threat = 9;
    r->eval = -200;
    tt_store(pos, flags(TT_UPPER), 10, 13, 1, e2e4);
    check("stored over with an evaluation");
    r->flags = 0;
    p = probe<TT_LAYOUT>(pos, 1, 1);
    EXPECT_TRUE(p.result & TT_LEARNED);
    EXPECT_FALSE(p.result & TT_EVAL_COPIED);
    EXPECT_EQ(r->flags, 0u);
}

TEST_F(TtTest, ClearHashZeroKeepsLearnedEntriesAndResetsTheSearchTables) {
    Position* plain = key_position(0x10100000u, 0x1u);
    tt_store(plain, flags(TT_EXACT), 1, 1, 1, NO_MOVE);
    Position* learned = bucket_mate(9);
    tt_insert(learned, flags(TT_EXACT) | TT_LEARNED, 2, 2, 1, NO_MOVE, 5);
    move_gain_tables[0][3][10] = 55;
    history_good[2][5] = 7;
    history_tried[2][5] = 9;
    main_position.killer1[4] = 33;

    clear_hash(0);
    EXPECT_FALSE(raw_entry<TT_LAYOUT>(key_position(0x10100000u, 0x1u)));
    EXPECT_TRUE(raw_entry<TT_LAYOUT>(bucket_mate(9)));
    EXPECT_EQ(move_gain_tables[0][3][10], 0);
    EXPECT_EQ(history_good[2][5], 0u);
    EXPECT_EQ(history_tried[2][5], 1u);
    EXPECT_EQ(main_position.killer1[4], 0);

    clear_hash(1);
    EXPECT_FALSE(raw_entry<TT_LAYOUT>(bucket_mate(9)));
}

TEST_F(TtTest, AMoveThatDoesNotFitThePositionMakesTheProbeAMiss) {
    ASSERT_EQ(load_test_board(START_FEN), 1);
    Position* pos = &main_position;
    // A knight "move" from an empty square, as a key collision would bring.
    tt_store(pos, flags(TT_EXACT), 5, 3, 1, encode_move(D4, D6, MK_QUIET));
    Probe p = probe<TT_LAYOUT>(pos, 1);
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.move, NO_MOVE);
}

}  // namespace
