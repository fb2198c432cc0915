// Move picking: the entry moved to the front must be the first of the highest
// order, and the list must end up as a plain selection scan leaves it, since
// the order of equal moves decides the search's move order.
#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "search/search_moves.h"

namespace {

// The plain selection scan: first entry of the highest order, swapped to cur.
void reference_pick(MoveEntry* cur, MoveEntry* end) {
    MoveEntry* best = cur;
    for (MoveEntry* e = cur + 1; e < end; ++e)
        if (e->score > best->score) best = e;
    if (best != cur) std::swap(*best, *cur);
}

using Picker = void (*)(MoveEntry*, MoveEntry*);

// Picks every entry of a list in turn with each picker and the reference and
// compares the lists after each pick. Entries past the list's end carry high
// orders, which a read beyond the end would pick up.
void expect_same_picks(const std::vector<MoveEntry>& entries) {
    const MoveEntry guard{0xFFFF, 32767};
    for (const Picker pick : {Picker(pick_best_move), Picker(pick_best_move_in_own_list)}) {
        std::vector<MoveEntry> picked(entries), expected(entries);
        picked.insert(picked.end(), 8, guard);
        for (size_t i = 0; i < entries.size(); ++i) {
            pick(picked.data() + i, picked.data() + entries.size());
            reference_pick(expected.data() + i, expected.data() + entries.size());
            for (size_t j = 0; j < entries.size(); ++j) {
                ASSERT_EQ(picked[j].move, expected[j].move)
                    << "length " << entries.size() << " pick " << i << " entry " << j;
                ASSERT_EQ(picked[j].score, expected[j].score);
            }
        }
    }
}

TEST(PickBestMove, MatchesTheSelectionScanOnEveryListLength) {
    std::mt19937 random(12345);
    // Few distinct orders make ties common, many make them rare; the extreme
    // orders test the signed comparison of the whole 16-bit range.
    const std::vector<std::vector<int16_t>> order_sets = {
        {0, 1},
        {-30000, -29872, -29744, 0, 30003},
        {-32768, -1, 0, 1, 32767},
    };
    for (const auto& orders : order_sets)
        for (int length = 1; length <= 70; ++length)
            for (int round = 0; round < 20; ++round) {
                std::vector<MoveEntry> entries(length);
                for (int i = 0; i < length; ++i)
                    entries[i] = {Move(i + 1), orders[random() % orders.size()]};
                expect_same_picks(entries);
            }
}

TEST(PickBestMove, BestAtEitherEndOfTheList) {
    for (int length : {4, 5, 7, 8, 9, 33}) {
        std::vector<MoveEntry> entries(length);
        for (int i = 0; i < length; ++i) entries[i] = {Move(i + 1), int16_t(-100)};
        entries.back().score = 100;  // only in the last, overlapping step
        expect_same_picks(entries);
        entries.back().score = -100;
        entries.front().score = 100;
        expect_same_picks(entries);
    }
}

}  // namespace
