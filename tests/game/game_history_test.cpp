#include "game/game_history.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "game/repetition.h"
#include "output_capture.h"
#include "position/move_tests.h"
#include "position/position.h"
#include "position/setup.h"
#include "position_check.h"
#include "uci/dispatch.h"
#include "uci/fen.h"
#include "uci/move_text.h"
#include "uci/new_game.h"

namespace {

class GameHistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_protocol_ = protocol_state;
        protocol_state = PROTOCOL_UCI;
        start_new_game();
    }
    void TearDown() override {
        protocol_state = saved_protocol_;
        start_new_game();
    }
    // Plays a move given as text, as the "position" command does.
    bool play(const char* text) {
        Move move = parse_move_text(text);
        return move && validate_move(&main_position, &move) && play_game_move(move, main_position.side);
    }
    // A copy of the main position, to compare with what make and unmake leave.
    static std::unique_ptr<Position> snapshot() {
        auto copy = std::make_unique<Position>();
        copy_position(copy.get(), &main_position);
        return copy;
    }
    // The ply stack is the search's work space, not part of the game's state.
    static std::string changes_since(const std::unique_ptr<Position>& before) {
        auto after = snapshot();
        for (Position* pos : {before.get(), after.get()}) {
            reset_ply_stack(pos);
            std::memset(pos->ply_stack, 0, sizeof(pos->ply_stack));
        }
        return compare_positions(before.get(), after.get());
    }
    int saved_protocol_ = 0;
};

TEST_F(GameHistoryTest, PositionCommandPlaysMovesIntoTheHistory) {
    uint32_t start_lo = main_position.key_lo;
    ASSERT_EQ(dispatch_command("position startpos moves e2e4"), COMMAND_HANDLED);
    uint32_t after_e4_lo = main_position.key_lo, after_e4_hi = main_position.key_hi;
    ASSERT_EQ(dispatch_command("position startpos moves e2e4 e7e5"), COMMAND_HANDLED);
    EXPECT_EQ(current_game_record, &game_records[3]);
    EXPECT_EQ(game_ply, 3);
    const GameRecord& e5 = game_records[3];
    EXPECT_EQ(e5.move & MOVE_IDENTITY_MASK, encode_move(E7, E5, MK_QUIET));
    EXPECT_EQ(e5.mover, BLACK);
    EXPECT_EQ(e5.saved_key_lo, after_e4_lo);
    EXPECT_EQ(e5.saved_key_hi, after_e4_hi);
    EXPECT_EQ(game_records[2].saved_key_lo, start_lo);
    EXPECT_EQ(main_position.side, WHITE);
}

TEST_F(GameHistoryTest, ABadMoveWordEndsTheListWhereItStands) {
    OutputCapture output;
    ASSERT_EQ(dispatch_command("position startpos moves e2e4 e7e5 e1e3 g1f3"), COMMAND_HANDLED);
    EXPECT_EQ(game_ply, 3);
    EXPECT_EQ(main_position.side, WHITE);
    EXPECT_NE(output.text().find("<e1e3>"), std::string::npos);
}

TEST_F(GameHistoryTest, ARefusedFenKeepsTheGameAndIgnoresItsMoves) {
    ASSERT_EQ(dispatch_command("position startpos moves d2d4 d7d5"), COMMAND_HANDLED);
    auto before = snapshot();
    OutputCapture output;
    ASSERT_EQ(dispatch_command("position fen 8/8/8/8/8/8/8/8 w - - 0 1 moves e2e4"), COMMAND_HANDLED);
    EXPECT_EQ(changes_since(before), "");
    EXPECT_EQ(game_ply, 3);
    EXPECT_EQ(output.text().rfind("info string invalid FEN", 0), 0u);
}

TEST_F(GameHistoryTest, ChecksAreMarkedAndIllegalMovesRefused) {
    ASSERT_EQ(parse_fen("4k3/8/8/8/8/8/8/R3K3 w - - 0 1"), 1);
    ASSERT_TRUE(play("a1a8"));
    EXPECT_TRUE(current_game_record->move & MOVE_GIVES_CHECK);
    ASSERT_EQ(parse_fen("4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1"), 1);
    auto before = snapshot();
    Move pinned = encode_move(E2, D3, MK_QUIET);
    ASSERT_TRUE(validate_move(&main_position, &pinned));
    EXPECT_EQ(play_game_move(pinned, WHITE), 0);  // the bishop is pinned
    EXPECT_EQ(changes_since(before), "");
    EXPECT_EQ(current_game_record, &game_records[1]);
}

TEST_F(GameHistoryTest, DisambiguationFlags) {
    ASSERT_EQ(parse_fen("4k3/8/8/R7/8/5N2/8/RN2K3 w - - 0 1"), 1);
    EXPECT_EQ(san_disambiguation_flags(encode_move(B1, D2, MK_QUIET)), KNIGHT | 0x08);
    EXPECT_EQ(san_disambiguation_flags(encode_move(A1, A3, MK_QUIET)), ROOK | 0x10);
    EXPECT_EQ(san_disambiguation_flags(encode_move(A1, B1 + 1, MK_QUIET)), ROOK);
    EXPECT_EQ(san_disambiguation_flags(encode_move(F3, G5, MK_QUIET)), KNIGHT);
    ASSERT_EQ(parse_fen("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"), 1);
    EXPECT_EQ(san_disambiguation_flags(encode_move(E2, E4, MK_QUIET)), PAWN);
}

TEST_F(GameHistoryTest, TakeBackRestoresEveryMoveKindExactly) {
    const char* fen = "r3k2r/pPp2ppp/8/3pP3/8/8/PPP2PPP/R3K2R w KQkq d6 0 1";
    const char* moves[] = {"e5d6", "b7a8q", "b7b8n", "e1g1", "e1c1", "a1b1", "e1e2"};
    for (const char* text : moves) {
        ASSERT_EQ(parse_fen(fen), 1);
        auto before = snapshot();
        ASSERT_TRUE(play(text)) << text;
        take_back_game_move();
        EXPECT_EQ(changes_since(before), "") << text;
        EXPECT_EQ(current_game_record, &game_records[1]) << text;
    }
    ASSERT_EQ(parse_fen(fen), 1);
    auto before = snapshot();
    ASSERT_TRUE(play_game_move(NULL_MOVE, WHITE));
    EXPECT_EQ(main_position.side, BLACK);
    take_back_game_move();
    EXPECT_EQ(changes_since(before), "");
}

TEST_F(GameHistoryTest, ReplayKeepsBookedDataUntilTheGameDiverges) {
    ASSERT_EQ(dispatch_command("position startpos moves e2e4 e7e5"), COMMAND_HANDLED);
    game_records[2].score = 31;
    game_records[2].clock_ms = 1200;
    game_records[2].san_depth |= 12 << 10;
    game_records[3].score = -20;
    game_records[3].clock_ms = 800;
    ASSERT_EQ(dispatch_command("position startpos moves e2e4 e7e5 g1f3"), COMMAND_HANDLED);
    EXPECT_EQ(game_records[2].score, 31);
    EXPECT_EQ(game_records[2].clock_ms, 1200);
    EXPECT_EQ(game_records[2].san_depth >> 10, 12);
    EXPECT_EQ(game_records[3].clock_ms, 800);
    // A different second move: its record and every later one lose their data.
    ASSERT_EQ(dispatch_command("position startpos moves e2e4 c7c5"), COMMAND_HANDLED);
    EXPECT_EQ(game_records[2].score, 31);
    EXPECT_EQ(game_records[3].score, 0);
    EXPECT_EQ(game_records[3].clock_ms, 0);
    EXPECT_EQ(game_records[4].clock_ms, 0);
}

TEST_F(GameHistoryTest, ReplayOfTheNextRecord) {
    ASSERT_TRUE(play("g1f3"));
    ASSERT_TRUE(play("g8f6"));
    auto after = snapshot();
    take_back_game_move();
    take_back_game_move();
    ASSERT_TRUE(play_game_move(NO_MOVE, WHITE));
    ASSERT_TRUE(play_game_move(NO_MOVE, BLACK));
    EXPECT_EQ(changes_since(after), "");
    EXPECT_EQ(game_ply, 3);
}

TEST_F(GameHistoryTest, CompactionKeepsTheRepetitionWindow) {
    // Knights out and back: long runs of reversible moves, a capture-free game.
    ASSERT_TRUE(play("e2e4"));
    ASSERT_TRUE(play("e7e5"));
    const char* cycle[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    int played = 0;
    while (main_position.ply < GAME_COMPACT_PLY - 1) {
        ASSERT_TRUE(play(cycle[played++ % 4]));
    }
    int fifty = main_position.fifty;
    ASSERT_TRUE(play(cycle[played++ % 4]));  // reaches the compaction ply
    int kept = std::min(fifty + 1, GAME_RECORD_COUNT - 5);
    EXPECT_EQ(main_position.ply, kept + 2);
    EXPECT_EQ(current_game_record, &game_records[kept + 2]);
    EXPECT_EQ(game_ply, main_position.ply);
    // The position occurred four plies back: the history still shows it.
    EXPECT_GE(count_repetitions(&main_position), 1);
    // The history now starts after 1.e4 (the pawn move the kept plies follow):
    // that position is kept, with its place in the game.
    EXPECT_EQ(compacted_plies, GAME_COMPACT_PLY - kept - 2);
    EXPECT_EQ(fen_text(compacted_start), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1");
    EXPECT_EQ(uncompacted_game_ply(), GAME_COMPACT_PLY);
    // And play goes on.
    ASSERT_TRUE(play(cycle[played++ % 4]));
    EXPECT_EQ(uncompacted_game_ply(), GAME_COMPACT_PLY + 1);
}

TEST_F(GameHistoryTest, CompactionKeepsThePositionBeforeTheFirstKeptPly) {
    // 1.Nc3 Nc6 2.Nd5 Nd4 3.Nxc7+ Qxc7, then only reversible moves: the
    // history keeps the plies from 3...Qxc7 on.
    for (const char* move : {"b1c3", "b8c6", "c3d5", "c6d4", "d5c7", "d8c7"}) ASSERT_TRUE(play(move));
    const char* cycle[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    int played = 0;
    while (uncompacted_game_ply() < GAME_COMPACT_PLY) ASSERT_TRUE(play(cycle[played++ % 4]));
    EXPECT_EQ(compacted_plies, 5);  // records 2-6 dropped: Qxc7 is record 2 now
    EXPECT_EQ(game_records[2].move & 0xFFF, encode_move(D8, C7, 0));
    // The game starts after 3.Nxc7+, Black to move and in check.
    EXPECT_EQ(fen_text(compacted_start), "r1bqkbnr/ppNppppp/8/8/3n4/8/PPPPPPPP/R1BQKBNR b KQkq - 0 3");
    EXPECT_EQ(game_records[1].saved_key_lo, game_records[2].saved_key_lo);
    EXPECT_EQ(game_records[1].saved_key_hi, game_records[2].saved_key_hi);
    EXPECT_EQ(game_records[1].ply_flags, PLY_IN_CHECK);
    ASSERT_TRUE(play(cycle[played++ % 4]));
}

}  // namespace
