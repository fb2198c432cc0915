#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/settings.h"
#include "game/game_history.h"
#include "position/make.h"
#include "position/material.h"
#include "position/position.h"
#include "position/setup.h"
#include "position/zobrist.h"
#include "support/position_check.h"
#include "support/test_board.h"

namespace {

Position& pos = main_position;

int slot_of(int square) { return __builtin_ctz(pos.slot_bit[square]); }

TEST(Setup, StartPositionSlotsAndRights) {
    ASSERT_EQ(setup_position(SETUP_START_POSITION, SETUP_ALL_CASTLING), 1);
    EXPECT_EQ(check_position(&pos), "");
    EXPECT_EQ(pos.side, WHITE);
    EXPECT_EQ(pos.ply, 1);
    EXPECT_EQ(pos.fifty, 0);
    const struct { int square, slot; } expected[] = {
        {E1, 0}, {D1, 1}, {A1, 2}, {H1, 3}, {F1, 4}, {C1, 5}, {B1, 6}, {G1, 7},
        {A2, 15}, {B2, 14}, {H2, 8}, {E8, 0}, {D8, 1}, {C8, 4}, {F8, 5}, {A7, 15}};
    for (auto e : expected) EXPECT_EQ(slot_of(e.square), e.slot) << "square " << e.square;
    for (int sq = 0; sq < 64; ++sq) EXPECT_EQ(pos.moved[sq], 0) << sq;
    EXPECT_EQ(pos.material_index[WHITE], 8 + 18 + 27 + 54 + 216 + 324);
    EXPECT_EQ(material_signature(pos.material_counts[BLACK]), 8 + 0x20 + 0x80 + 0x200 + 0x400);

    // Without the rights every corner entry is in the key.
    uint32_t with_rights = pos.key_lo;
    ASSERT_EQ(setup_position(SETUP_START_POSITION, 0), 1);
    EXPECT_EQ(pos.key_lo, with_rights ^ castle_ep_keys[A1] ^ castle_ep_keys[H1] ^ castle_ep_keys[A8] ^
                              castle_ep_keys[H8]);
    EXPECT_EQ(pos.moved[A1], 1);
    EXPECT_EQ(pos.moved[H8], 1);
}

TEST(Setup, KeysOfOneBoardDifferExactlyByTheLostRightsCorner) {
    const char* board = "r3k2r/8/8/8/8/8/8/R3K2R";
    ASSERT_EQ(load_test_board((std::string(board) + " w KQkq -").c_str()), 1);
    uint32_t all_lo = pos.key_lo, all_hi = pos.key_hi;
    ASSERT_EQ(load_test_board((std::string(board) + " w Kkq -").c_str()), 1);
    EXPECT_EQ(pos.key_lo, all_lo ^ castle_ep_keys[A1]);
    EXPECT_EQ(pos.key_hi, all_hi);
    EXPECT_EQ(check_position(&pos), "");
}

TEST(Setup, ThirdKnightTakesAnExtraSlotAndLeavesTheMaterialTable) {
    ASSERT_EQ(load_test_board("4k3/8/8/8/8/8/8/1NNNK3 w - -"), 1);
    EXPECT_EQ(slot_of(B1), 6);
    EXPECT_EQ(slot_of(C1), 7);
    EXPECT_EQ(slot_of(D1), 8);
    // Three knights are outside the material table's range; the plain sum
    // (27) would read as one light-squared bishop.
    EXPECT_EQ(pos.material_index[WHITE], 27 + MATERIAL_TABLE_LIMIT);
    EXPECT_EQ(check_position(&pos), "");
}

// With all eight pawns in slots 8-15 an extra man of a kind whose own slots
// are taken must still find one.
TEST(Setup, ExtraMenFindASlotBesideEightPawns) {
    const struct {
        const char* fen;
        int men;
    } boards[] = {
        {"4k3/8/8/8/8/8/PPPPPPPP/NNN1K3 w - - 0 1", 12},
        {"4k3/8/8/8/8/8/PPPPPPPP/RRR1K3 w - - 0 1", 12},
        {"4k3/8/8/8/8/8/PPPPPPPP/1B1BK3 w - - 0 1", 11},
    };
    for (const auto& board : boards) {
        ASSERT_EQ(load_test_board(board.fen), 1) << board.fen;
        EXPECT_EQ(check_position(&main_position), "") << board.fen;
        EXPECT_EQ(__builtin_popcount(main_position.slots[WHITE]), board.men) << board.fen;
    }
}

TEST(Setup, MaterialIndexMarksEveryMaterialOutsideTheTable) {
    struct Case { const char* fen; int index; };
    const Case cases[] = {
        {"4k3/8/8/8/8/8/8/2B1KB2 w - -", 27 + 54},                     // one bishop of each colour
        {"4k3/8/8/8/8/8/8/B1B1K3 w - -", 54 + 54 + MATERIAL_TABLE_LIMIT},  // two dark bishops
        {"4k3/8/8/8/8/8/8/RRR1K3 w - -", 324 + MATERIAL_TABLE_LIMIT},
        {"4k3/8/8/8/8/8/8/QQ2K3 w - -", 648},                           // a second queen reaches it alone
        {"4k3/pppppppp/8/8/8/8/8/1NN1K2R w - -", 18 + 108},             // black: 8 pawns
    };
    for (const Case& c : cases) {
        ASSERT_EQ(load_test_board(c.fen), 1) << c.fen;
        EXPECT_EQ(pos.material_index[WHITE], c.index) << c.fen;
        EXPECT_EQ(check_position(&pos), "") << c.fen;
    }
    EXPECT_EQ(pos.material_index[BLACK], 8);
}

TEST(Setup, EnPassantSquareOnlyWhereItCanBeTaken) {
    struct Case { const char* fen; int ep; };
    const Case cases[] = {
        {"4k3/8/8/8/3pP3/8/8/4K3 b - e3", E3},   // just double-stepped beside a black pawn
        {"4k3/8/8/8/4P3/8/8/4K3 b - e3", 0},     // no pawn can take
        {"4k3/8/8/8/3pP3/8/4P3/4K3 b - e3", 0},  // e2 occupied: no double step can have happened
        {"4k3/8/8/8/3pP3/8/8/4K3 w - e3", 0},    // wrong side to move for that square
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6", D6},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(load_test_board(c.fen), 1) << c.fen;
        EXPECT_EQ(pos.ep_square, c.ep) << c.fen;
        EXPECT_EQ(check_position(&pos), "") << c.fen;
        uint32_t key_lo = pos.key_lo;
        std::string without_ep(c.fen);
        without_ep.resize(without_ep.rfind(' '));
        ASSERT_EQ(load_test_board((without_ep + " -").c_str()), 1);
        EXPECT_EQ(key_lo, c.ep ? pos.key_lo ^ castle_ep_keys[c.ep] : pos.key_lo) << c.fen;
    }
}

TEST(Setup, CastlingRightsOnlyWhereKingAndRookStand) {
    // No h-side rooks: those rights are dropped as if absent.
    ASSERT_EQ(load_test_board("r3k3/8/8/8/8/8/8/R3K3 w KQkq -"), 1);
    uint32_t dropped = pos.key_lo;
    ASSERT_EQ(load_test_board("r3k3/8/8/8/8/8/8/R3K3 w Qq -"), 1);
    EXPECT_EQ(pos.key_lo, dropped);
    EXPECT_EQ(pos.moved[E1], 0);
    EXPECT_EQ(pos.moved[A1], 0);
    EXPECT_EQ(pos.moved[H1], 0);  // empty squares stay 0
    // A king off the e-file keeps no standard rights.
    ASSERT_EQ(load_test_board("4k3/8/8/8/8/8/8/R2K3R w KQ -"), 1);
    EXPECT_NE(pos.moved[D1], 0);
    EXPECT_NE(pos.moved[A1], 0);
    EXPECT_NE(pos.moved[H1], 0);
    EXPECT_EQ(check_position(&pos), "");
}

TEST(Setup, Chess960RookSquaresAndKeys) {
    ASSERT_EQ(load_test_board("1r2k1r1/8/8/8/8/8/8/1R2K1R1 w GBgb -"), 1);
    EXPECT_TRUE(engine_flags & EF_CHESS960);
    EXPECT_TRUE(search_flags & EF_CHESS960);
    EXPECT_EQ(castle_rook_squares[CASTLE_A_SIDE][WHITE], B1);
    EXPECT_EQ(castle_rook_squares[CASTLE_H_SIDE][WHITE], G1);
    EXPECT_EQ(castle_rook_squares[CASTLE_A_SIDE][BLACK], B8);
    EXPECT_EQ(castle_rook_squares[CASTLE_H_SIDE][BLACK], G8);
    EXPECT_EQ(castle_ep_keys[B1], CASTLE_EP_KEYS_DEFAULT[A1]);
    EXPECT_EQ(castle_ep_keys[G8], CASTLE_EP_KEYS_DEFAULT[H8]);
    for (int sq : {B1, G1, B8, G8, E1, E8}) EXPECT_EQ(pos.moved[sq], 0) << sq;
    EXPECT_EQ(check_position(&pos), "");

    // A later standard set-up starts from the standard tables again.
    ASSERT_EQ(setup_position(SETUP_START_POSITION, SETUP_ALL_CASTLING), 1);
    EXPECT_FALSE(engine_flags & EF_CHESS960);
    EXPECT_EQ(castle_rook_squares[CASTLE_A_SIDE][WHITE], A1);
    EXPECT_EQ(castle_rook_squares[CASTLE_H_SIDE][BLACK], H8);
    EXPECT_EQ(castle_ep_keys[B1], CASTLE_EP_KEYS_DEFAULT[B1]);
}

TEST(Setup, RefusedBoardsChangeNothingButTheBoardArrays) {
    const char* refused[] = {
        "4k3/8/8/8/8/8/4r3/4K3 b - -",                   // side not to move is in check
        "4k3/8/8/8/8/8/8/3KK3 w - -",                    // two white kings
        "8/8/8/8/8/8/8/4K3 w - -",                       // no black king
        "P3k3/8/8/8/8/8/8/4K3 w - -",                    // pawn on the last rank
        "4k3/8/8/8/8/8/8/p3K3 w - -",                    // black pawn on the first rank
        "4k3/8/8/8/8/NNNNNNNN/PPPPPPPP/4K3 w - -",       // 17 white men
        "4k3/8/8/8/P7/8/PPPPPPPP/4K3 w - -",             // nine pawns
    };
    // A Chess960 game is under way: its globals must survive every refusal.
    ASSERT_EQ(load_test_board("1r2k1r1/8/8/8/8/8/8/1R2K1R1 w GBgb -"), 1);
    make_move(&pos, parse_test_move(&pos, "b1b2"));
    uint32_t flags = engine_flags;
    GameRecord first = game_records[1];
    uint8_t rooks[2][2];
    std::memcpy(rooks, castle_rook_squares, sizeof rooks);
    auto keys = castle_ep_keys;
    uint32_t key_lo = pos.key_lo;
    int ply = pos.ply;
    for (const char* fen : refused) {
        EXPECT_EQ(load_test_board(fen), 0) << fen;
        EXPECT_EQ(engine_flags, flags) << fen;
        EXPECT_EQ(std::memcmp(&game_records[1], &first, sizeof first), 0) << fen;
        EXPECT_EQ(std::memcmp(rooks, castle_rook_squares, sizeof rooks), 0) << fen;
        EXPECT_EQ(castle_ep_keys, keys) << fen;
        EXPECT_EQ(pos.key_lo, key_lo) << fen;
        EXPECT_EQ(pos.ply, ply) << fen;
    }
    // Unknown kind and colour values are refused too.
    ASSERT_EQ(load_test_board("4k3/8/8/8/8/8/8/4K3 w - -"), 1);
    pos.kind[D4] = 7;
    pos.colour[D4] = WHITE;
    EXPECT_EQ(setup_position(WHITE, 0), 0);
    pos.kind[D4] = PAWN;
    pos.colour[D4] = 3;
    EXPECT_EQ(setup_position(WHITE, 0), 0);
}

TEST(Setup, HasNoLegalMove) {
    struct Case { const char* fen; int stalemate; };
    const Case cases[] = {
        {"k7/p7/P7/1Q6/8/8/8/7K b - -", 1},        // blocked pawn, king boxed in
        {"k7/8/1Q6/8/8/8/8/7K b - -", 1},          // bare king boxed in
        {"k7/b7/8/2N1B3/R7/8/8/7K b - -", 1},      // bishop pinned on a file cannot move
        {"k7/1b6/8/1N2B3/4Q3/8/8/7K b - -", 0},    // pinned bishop can take its pinner
        {"k7/p7/8/1Q6/8/8/8/7K b - -", 0},         // the pawn can push
        {"k7/8/1Q6/8/8/8/8/n6K b - -", 0},         // a knight always has a square here
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -", 0},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(load_test_board(c.fen), 1) << c.fen;
        EXPECT_EQ(has_no_legal_move(pos.side), c.stalemate) << c.fen;
    }
}

}  // namespace
