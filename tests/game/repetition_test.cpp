// The repetition tests: the game history's look back at the root, and the
// search's look back through its own stack and then the game.
#include "game/repetition.h"

#include <gtest/gtest.h>

#include "game/game_history.h"
#include "position/make.h"
#include "position/position.h"
#include "position/setup.h"
#include "support/test_board.h"

namespace {

Position& pos = main_position;

// Plays a move onto the main position and records it in the game history
// the way the game does: the record of ply n keeps the key before its move.
void play_recorded(const char* text) {
    Move move = parse_test_move(&pos, text);
    ASSERT_NE(move, NO_MOVE) << text;
    GameRecord& record = game_records[pos.ply + 1];
    record.saved_key_lo = pos.key_lo;
    record.saved_key_hi = pos.key_hi;
    make_move(&pos, move);
    reset_ply_stack(&pos);
}

TEST(Repetition, CountRepetitionsLooksBackWithinTheFiftyMoveWindow) {
    ASSERT_EQ(setup_game(SETUP_START_POSITION, SETUP_ALL_CASTLING), 1);
    const char* shuffle[] = {"g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1", "f6g8"};
    // From ply 5 on the position of four plies back recurs each time; at ply 9
    // the start position is the second repetition.
    int expected[] = {0, 0, 0, 1, 1, 1, 1, 2};
    for (int i = 0; i < 8; ++i) {
        play_recorded(shuffle[i]);
        EXPECT_EQ(count_repetitions(&pos), expected[i]) << "after " << i + 1 << " plies";
    }
    // Three plies back to the start are not enough: fifty 3 gives 0.
    ASSERT_EQ(setup_game(SETUP_START_POSITION, SETUP_ALL_CASTLING), 1);
    for (int i = 0; i < 3; ++i) play_recorded(shuffle[i]);
    EXPECT_EQ(pos.fifty, 3);
    EXPECT_EQ(count_repetitions(&pos), 0);
    // After a pawn move the window starts at the position it made.
    ASSERT_EQ(setup_game(SETUP_START_POSITION, SETUP_ALL_CASTLING), 1);
    for (const char* m : {"e2e3", "g8f6", "g1f3", "f6g8", "f3g1"}) play_recorded(m);
    EXPECT_EQ(pos.fifty, 4);
    EXPECT_EQ(count_repetitions(&pos), 1);
}

TEST(Repetition, RepetitionsAreFoundInTheGameAndInTheSearch) {
    ASSERT_EQ(setup_game(SETUP_START_POSITION, SETUP_ALL_CASTLING), 1);
    for (const char* m : {"g1f3", "g8f6", "f3g1", "f6g8"})
        ASSERT_EQ(play_game_move(parse_test_move(&pos, m), pos.side), 1) << m;
    reset_ply_stack(&pos);
    root_game_ply = game_ply;
    EXPECT_EQ(is_repetition(&pos), 1) << "the start position, four plies back in the game";
    // Below the root: the first two moves repeat game positions, the next two
    // the positions searched before them; a new move repeats nothing.
    const char* moves[] = {"g1f3", "g8f6", "f3g1", "f6g8", "b1c3"};
    const int expected[] = {1, 1, 1, 1, 0};
    for (int i = 0; i < 5; ++i) {
        make_move(&pos, parse_test_move(&pos, moves[i]));
        EXPECT_EQ(is_repetition(&pos), expected[i]) << moves[i];
    }
    for (int i = 0; i < 5; ++i) unmake_move(&pos);
    // A pawn move resets the count: nothing before it can repeat.
    make_move(&pos, parse_test_move(&pos, "e2e4"));
    EXPECT_EQ(is_repetition(&pos), 0);
    unmake_move(&pos);
}

}  // namespace
