#include "uci/fen.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "config/settings.h"
#include "game/game_history.h"
#include "position/position.h"
#include "position/setup.h"
#include "position/zobrist.h"
#include "uci/new_game.h"

namespace {

// Everything a refused FEN must leave as it was.
struct GameSnapshot {
    std::vector<uint8_t> position;
    std::vector<uint8_t> records;
    uint32_t engine, search;
    uint8_t rooks[2][2];
    int ply_base_, game_ply_;

    GameSnapshot()
        : position(reinterpret_cast<const uint8_t*>(&main_position),
                   reinterpret_cast<const uint8_t*>(&main_position) + POSITION_COPY_SIZE),
          records(reinterpret_cast<const uint8_t*>(game_records),
                  reinterpret_cast<const uint8_t*>(game_records) + sizeof(game_records)),
          engine(engine_flags), search(search_flags), ply_base_(ply_base), game_ply_(game_ply) {
        std::memcpy(rooks, castle_rook_squares, sizeof(rooks));
    }
    bool operator==(const GameSnapshot& other) const {
        return position == other.position && records == other.records && engine == other.engine &&
               search == other.search && std::memcmp(rooks, other.rooks, sizeof(rooks)) == 0 &&
               ply_base_ == other.ply_base_ && game_ply_ == other.game_ply_;
    }
};

const char* const START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

class FenTest : public ::testing::Test {
protected:
    void SetUp() override { start_new_game(); }
    void TearDown() override { start_new_game(); }
};

TEST_F(FenTest, StartPositionFenEqualsTheNewGame) {
    uint32_t key_lo = main_position.key_lo, key_hi = main_position.key_hi;
    ASSERT_EQ(parse_fen(START_FEN), 1);
    EXPECT_EQ(main_position.key_lo, key_lo);
    EXPECT_EQ(main_position.key_hi, key_hi);
    EXPECT_EQ(main_position.side, WHITE);
    EXPECT_EQ(ply_base, 0);
    EXPECT_EQ(fen_tag_text, START_FEN);
}

TEST_F(FenTest, FieldsAreRead) {
    struct Case {
        const char* fen;
        int side, ep_square, ply_base;
    };
    const Case cases[] = {
        {"rnbqkbnr/pppp1ppp/8/8/4Pp2/8/PPPP2PP/RNBQKBNR b KQkq e3 0 3", BLACK, E3, 5},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 40", WHITE, D6, 78},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d3 0 40", WHITE, 0, 0},    // wrong rank: the rest is not read
        {"4k3/8/8/8/8/8/8/4K3 b - - 0 300", BLACK, 0, 599},      // no wrap at 256
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 99999999999", WHITE, 0, 1999998},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 0", WHITE, 0, 0},
        {"4k3/8/8/8/8/8/8/4K3 w", WHITE, 0, 0},
        {"4k3/8/8/8/8/8/8/4K3", WHITE, 0, 0},
        {"4k3/8/8/8/8/8/8/4K3 w moves e1e2", WHITE, 0, 0},        // "moves" is not a castling field
        {"4k3/8/8/8/8/8/8/4K3 w {a comment} - - 0 1", WHITE, 0, 0},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(parse_fen(c.fen), 1) << c.fen;
        EXPECT_EQ(main_position.side, c.side) << c.fen;
        EXPECT_EQ(main_position.ep_square, c.ep_square) << c.fen;
        EXPECT_EQ(ply_base, c.ply_base) << c.fen;
        EXPECT_EQ(game_ply, 1) << c.fen;
    }
}

TEST_F(FenTest, RefusedFensChangeNothing) {
    const char* const refused[] = {
        "rnbq1bnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",    // no black king
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKKNR w KQkq - 0 1",    // two white kings
        "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",    // digit 9
        "rnbqkbnr/pppppppp/08/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",   // digit 0
        "rnbqkbnr/ppppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",   // nine squares
        "rnbqkbnr/ppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",     // seven squares
        "rnbqkbnr/pppppppp/8/8/8/7/PPPPPPPP/RNBQKBNR w KQkq - 0 1",    // seven empty squares
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNX w KQkq - 0 1",    // unknown letter
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq i3 0 1",   // en-passant file
        "rnbqkbnP/pppppppp/8/8/8/8/PPPPPPP1/RNBQKBNR w KQkq - 0 1",    // pawn on the last rank
        "4k3/8/8/8/8/8/PPPPPPPP/P3K3 w - - 0 1",                       // pawn on the first rank
        "4k3/8/8/8/P7/8/PPPPPPPP/4K3 w - - 0 1",                       // nine pawns
        "4k3/8/8/8/8/8/8/NNNNK3 w - - 0 1",                            // four knights
        "4k3/8/8/8/8/8/PPPPPPPP/NNN1K3 w - - 0 1",                     // more men than promotions allow
        "4k3/8/8/8/8/8/Q7/QQQQKQQQ w - - 0 1",                         // eight queens
        "4k3/8/8/8/8/8/PPPPPPPP/RN2KBNB w - - 0 1",                    // eight pawns, two light bishops
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1",             // seven ranks
        "4k3/8/8/8/8/8/8/4K2R x - - 0 1",                              // side neither w nor b
        "4k3/8/8/8/8/8/8/4K2R B - - 0 1",
        "4k3/8/8/8/8/8/8/4K2R white - - 0 1",
        "",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 extra words here and more",
        "rnbqkbnrrnbqkbnrrnbqkbnrrnbqkbnrr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1",  // field too long
    };
    // Play a few moves so that the history holds something to lose.
    ASSERT_EQ(parse_fen("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"), 1);
    GameSnapshot before;
    for (const char* fen : refused) {
        const char* reason = nullptr;
        EXPECT_EQ(parse_fen(fen, &reason), 0) << fen;
        EXPECT_NE(reason, nullptr) << fen;
        EXPECT_TRUE(GameSnapshot() == before) << fen;
    }
    // The side not to move in check is an illegal position.
    EXPECT_EQ(parse_fen("4k3/8/8/8/8/8/8/4K2r b - - 0 1"), 0);
    EXPECT_TRUE(GameSnapshot() == before);
    EXPECT_EQ(parse_fen("4k3/8/8/8/8/8/8/4K2r w - - 0 1"), 1);
}

TEST_F(FenTest, ChessNineSixtyCastlingLetters) {
    // Rook-file letters.
    ASSERT_EQ(parse_fen("bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9"), 1);
    EXPECT_TRUE(engine_flags & EF_CHESS960);
    EXPECT_EQ(castle_rook_squares[CASTLE_H_SIDE][WHITE], H1);
    EXPECT_EQ(castle_rook_squares[CASTLE_A_SIDE][WHITE], F1);
    EXPECT_EQ(castle_rook_squares[CASTLE_H_SIDE][BLACK], H8);
    EXPECT_EQ(castle_rook_squares[CASTLE_A_SIDE][BLACK], F8);
    uint32_t shredder_lo = main_position.key_lo, shredder_hi = main_position.key_hi;
    // The same rights written as X-FEN: K and Q name the outermost rooks.
    ASSERT_EQ(parse_fen("bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w KQkq - 2 9"), 1);
    EXPECT_EQ(castle_rook_squares[CASTLE_A_SIDE][WHITE], F1);
    EXPECT_EQ(main_position.key_lo, shredder_lo);
    EXPECT_EQ(main_position.key_hi, shredder_hi);
    // Standard chess again.
    ASSERT_EQ(parse_fen(START_FEN), 1);
    EXPECT_FALSE(engine_flags & EF_CHESS960);
    EXPECT_EQ(castle_rook_squares[CASTLE_A_SIDE][WHITE], A1);
}

TEST_F(FenTest, SplitFieldsStaysInsideItsBuffers) {
    FenFields fields;
    EXPECT_EQ(split_fen_fields("8/8/8/8/8/8/8/8 w - - 0 1", &fields), 13);
    EXPECT_STREQ(fields.field[7], "8");
    EXPECT_STREQ(fields.field[9], "-");
    EXPECT_EQ(split_fen_fields(std::string(200, 'p').c_str(), &fields), -1);
    EXPECT_EQ(split_fen_fields("a b c d e f g h i j k l m n", &fields), -1);
    EXPECT_EQ(split_fen_fields("8/8/8/8 w \x01", &fields), -1);
}

}  // namespace
