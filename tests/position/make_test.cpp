#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "position/make.h"
#include "position/material.h"
#include "position/position.h"
#include "position/setup.h"
#include "position/zobrist.h"
#include "support/naive_moves.h"
#include "support/position_check.h"
#include "support/test_board.h"

namespace {

Position& pos = main_position;

std::unique_ptr<Position> snapshot() {
    auto copy = std::make_unique<Position>();
    copy_position(copy.get(), &pos);
    return copy;
}

uint64_t man_key(int kind, int colour, int square) { return zobrist_keys[zobrist_index(kind, colour, square)]; }

struct MoveCase {
    const char* name;
    const char* fen;
    const char* move;
    std::function<void(const Position& before)> after_make;  // checks on the position after the move
};

// Sets up, makes the move, checks every derived field against a naive
// recomputation, takes the move back and compares the record with its
// snapshot.
void run_case(const MoveCase& c) {
    SCOPED_TRACE(std::string(c.name) + ": " + c.fen + " " + c.move);
    ASSERT_EQ(load_test_board(c.fen), 1);
    ASSERT_EQ(check_position(&pos), "");
    Move move = parse_test_move(&pos, c.move);
    ASSERT_NE(move, NO_MOVE);
    auto before = snapshot();
    make_move(&pos, move);
    EXPECT_EQ(check_position(&pos), "");
    EXPECT_EQ(pos.side, before->side ^ 1);
    EXPECT_EQ(pos.ply_index, before->ply_index + 1);
    EXPECT_EQ(current_ply_record(&pos)->move, move);
    if (c.after_make) c.after_make(*before);
    unmake_move(&pos);
    EXPECT_EQ(compare_positions(before.get(), &pos), "");
}

const PlyRecord& record() { return *current_ply_record(&pos); }

TEST(MakeMove, EveryMoveKindIsMadeAndTakenBackExactly) {
    const MoveCase cases[] = {
        {"quiet", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", "g1f3",
         [](const Position&) {
             EXPECT_EQ(pos.kind[F3], KNIGHT);
             EXPECT_EQ(pos.moved[F3], 1);
             EXPECT_EQ(pos.fifty, 1);
             EXPECT_EQ(pos.last_to, F3);
             EXPECT_EQ(pos.move_gain, 0);
         }},
        {"double step beside an enemy pawn", "rnbqkbnr/ppp1pppp/8/8/3p4/8/PPPPPPPP/RNBQKBNR w KQkq -", "e2e4",
         [](const Position&) {
             EXPECT_EQ(pos.ep_square, E3);
             EXPECT_EQ(pos.fifty, 0);
         }},
        {"double step with no pawn to take", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", "e2e4",
         [](const Position& before) {
             EXPECT_EQ(pos.ep_square, 0);
             uint64_t change = man_key(PAWN, WHITE, E2) ^ man_key(PAWN, WHITE, E4);
             EXPECT_EQ(pos.key_lo, before.key_lo ^ uint32_t(change));
         }},
        {"capture", "4k3/8/8/3p4/4P3/8/8/4K3 w - -", "e4d5",
         [](const Position& before) {
             EXPECT_EQ(record().captured, PAWN);
             EXPECT_EQ(record().captured_slots, before.slot_bit[D5]);
             EXPECT_EQ(pos.move_gain, 128);
             EXPECT_EQ(pos.material[BLACK], 0);
         }},
        {"en passant", "4k3/8/8/3pP3/8/8/8/4K3 w - d6", "e5d6",
         [](const Position& before) {
             EXPECT_EQ(pos.kind[D5], NO_KIND);
             EXPECT_EQ(record().captured, 0);
             EXPECT_EQ(record().captured_slots, before.slot_bit[D5]);
             EXPECT_EQ(pos.move_gain, 128);
         }},
        // The taken pawn and the taking pawn both leave the rank of the rook.
        {"en passant opening a rank", "8/8/8/KPp4r/8/8/8/4k3 w - c6", "b5c6", nullptr},
        {"black en passant opening a rank", "4K3/8/8/8/R4pPk/8/8/8 b - g3", "f4g3", nullptr},
        {"en passant beside a queen", "4k3/8/8/q1pP3R/8/8/8/4K3 w - c6", "d5c6", nullptr},
        {"queen promotion", "1n2k3/P7/8/8/8/8/8/4K3 w - -", "a7a8q",
         [](const Position&) {
             EXPECT_EQ(pos.kind[A8], QUEEN);
             EXPECT_EQ(pos.move_gain, 1120);
             EXPECT_EQ(pos.material[WHITE], 1248);
         }},
        {"knight promotion", "1n2k3/P7/8/8/8/8/8/4K3 w - -", "a7a8n", nullptr},
        {"rook promotion", "1n2k3/P7/8/8/8/8/8/4K3 w - -", "a7a8r", nullptr},
        {"bishop promotion", "1n2k3/P7/8/8/8/8/8/4K3 w - -", "a7a8b", nullptr},
        {"capturing queen promotion", "1n2k3/P7/8/8/8/8/8/4K3 w - -", "a7b8q",
         [](const Position&) { EXPECT_EQ(pos.move_gain, 416 + 1120); }},
        {"capturing knight promotion", "1n2k3/P7/8/8/8/8/8/4K3 w - -", "a7b8n", nullptr},
        {"capturing rook promotion", "1n2k3/P7/8/8/8/8/8/4K3 w - -", "a7b8r", nullptr},
        {"capturing bishop promotion", "1n2k3/P7/8/8/8/8/8/4K3 w - -", "a7b8b", nullptr},
        {"black capturing promotion onto a rook line", "4k3/8/8/8/8/8/1p6/R1N1K3 b - -", "b2a1q", nullptr},
        {"promotion to a third knight", "4k3/P7/8/8/8/8/8/1NN1K3 w - -", "a7a8n",
         [](const Position&) { EXPECT_EQ(pos.material_index[WHITE], 27 + MATERIAL_TABLE_LIMIT); }},
        {"promotion to a second dark bishop", "4k3/1P6/8/8/8/8/8/2B1K3 w - -", "b7b8b",
         [](const Position&) { EXPECT_EQ(pos.material_index[WHITE], 54 + 54 + MATERIAL_TABLE_LIMIT); }},
        {"promotion to a bishop of the other colour", "4k3/P7/8/8/8/8/8/2B1K3 w - -", "a7a8b",
         [](const Position&) { EXPECT_EQ(pos.material_index[WHITE], 27 + 54); }},
        {"taking a third rook back into the table", "R3k3/8/8/8/8/8/1r6/RR2K3 b - -", "b2b1",
         [](const Position&) { EXPECT_EQ(pos.material_index[WHITE], 216); }},
        {"castling h-side", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "e1g1",
         [](const Position&) {
             EXPECT_EQ(pos.kind[G1], KING);
             EXPECT_EQ(pos.kind[F1], ROOK);
             EXPECT_EQ(pos.moved[G1], 1);
             EXPECT_EQ(pos.moved[F1], 1);
             EXPECT_EQ(pos.move_gain, 64);
         }},
        {"castling a-side", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "e1c1",
         [](const Position&) {
             EXPECT_EQ(pos.kind[C1], KING);
             EXPECT_EQ(pos.kind[D1], ROOK);
         }},
        {"black castling h-side", "r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", "e8g8", nullptr},
        {"black castling a-side", "r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", "e8c8", nullptr},
        // The castled rook stands attacked by the bishop and only the king defends it.
        {"castling onto an attacked square", "4k3/8/b7/8/8/8/8/4K2R w K -", "e1g1",
         [](const Position&) { EXPECT_EQ(pos.hanging[F1], 640 - 416); }},
        {"castling with an enemy rook on the rank", "4k3/8/8/8/8/8/8/r3K2R w K -", "e1g1", nullptr},
        {"castling under a queen on the rank", "4k3/8/8/8/8/8/8/R3K2q w Q -", "e1c1", nullptr},
    };
    for (const MoveCase& c : cases) run_case(c);
}

TEST(MakeMove, Chess960CastlingPlacesKingAndRookLikeStandardCastling) {
    struct Case { const char* fen; const char* move; int king_to, rook_to; };
    const Case cases[] = {
        {"4k3/8/8/8/8/8/8/RK6 w A -", "b1a1", C1, D1},
        {"4k3/8/8/8/8/8/8/6KR w H -", "g1h1", G1, F1},          // the king does not move
        {"4k3/8/8/8/8/8/8/4K1R1 w G -", "e1g1", G1, F1},        // the rook stands on the king's destination
        {"4k3/8/8/8/8/8/8/5K1R w H -", "f1h1", G1, F1},         // the rook goes to the king's square
        {"4k3/8/8/8/8/8/8/R1K5 w A -", "c1a1", C1, D1},
        {"4k3/8/8/8/8/8/8/2RK4 w C -", "d1c1", C1, D1},         // king and rook swap squares
        {"4k3/8/8/8/8/8/8/4KR2 w F -", "e1f1", G1, F1},         // the rook does not move
        {"1r2k3/8/8/8/8/8/8/4K3 b b -", "e8b8", C8, D8},
        {"4k3/8/8/8/8/8/8/1R3K1r w B -", "f1b1", C1, D1},       // an enemy rook's line runs along the rank
        {"4k3/8/8/8/8/8/8/qR2K1Rr w BG -", "e1g1", G1, F1},     // lines from both corners
        {"4k3/8/8/8/8/8/8/qR2K1Rr w BG -", "e1b1", C1, D1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fen) + " " + c.move);
        ASSERT_EQ(load_test_board(c.fen), 1);
        Move move = parse_test_move(&pos, c.move);
        ASSERT_EQ(move_kind(move), MK_CASTLING);
        auto before = snapshot();
        int side = pos.side;
        make_move(&pos, move);
        EXPECT_EQ(pos.kind[c.king_to], KING);
        EXPECT_EQ(pos.colour[c.king_to], side);
        EXPECT_EQ(pos.kind[c.rook_to], ROOK);
        EXPECT_EQ(pos.colour[c.rook_to], side);
        EXPECT_EQ(pos.moved[c.king_to], 1);
        EXPECT_EQ(pos.moved[c.rook_to], 1);
        EXPECT_EQ(pos.last_to, move_to(move));
        EXPECT_EQ(check_position(&pos), "");
        unmake_move(&pos);
        EXPECT_EQ(compare_positions(before.get(), &pos), "");
    }
}

TEST(MakeMove, CheckFlagsTellDirectFromDiscoveredCheck) {
    struct Case { const char* fen; const char* move; uint32_t flags; };
    const Case cases[] = {
        {"4k3/8/8/8/8/8/8/R3K3 w - -", "a1a8", PLY_IN_CHECK},
        {"4k3/8/8/8/8/8/8/R3K3 w - -", "a1a7", 0},
        {"4k3/8/8/8/8/8/4B3/4RK2 w - -", "e2d3", PLY_IN_CHECK | PLY_DISCOVERED_CHECK},
        {"4k3/8/8/8/8/8/4B3/4RK2 w - -", "e2b5", PLY_IN_CHECK | PLY_DISCOVERED_CHECK},  // double check
        {"4k3/8/8/8/8/8/8/4K2R w K -", "e1g1", 0},
        {"5k2/8/8/8/8/8/8/4K2R w K -", "e1g1", PLY_IN_CHECK | PLY_DISCOVERED_CHECK},    // the rook checks
        {"4k3/8/8/8/3pP3/8/8/4K3 b - e3", "d4e3", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fen) + " " + c.move);
        ASSERT_EQ(load_test_board(c.fen), 1);
        make_move(&pos, parse_test_move(&pos, c.move));
        EXPECT_EQ(record().flags, c.flags);
        EXPECT_EQ(check_position(&pos), "");
    }
}

TEST(MakeMove, CastlingRightsLeaveTheKeyOnlyByMovesOfKingOrRook) {
    const char* fen = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -";
    struct Case { const char* move; uint32_t rights_lost; };
    // A rook taken on its corner keeps its side's right in the key.
    const Case cases[] = {
        {"a1a8", castle_ep_keys[A1]},
        {"h1h8", castle_ep_keys[H1]},
        {"e1f1", castle_ep_keys[A1] ^ castle_ep_keys[H1]},
        {"a1a2", castle_ep_keys[A1]},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.move);
        ASSERT_EQ(load_test_board(fen), 1);
        uint64_t board = 0;
        for (int sq = 0; sq < 64; ++sq)
            if (pos.colour[sq] != NO_COLOUR) board ^= man_key(pos.kind[sq], pos.colour[sq], sq);
        uint32_t rights_part = pos.key_lo ^ uint32_t(board);
        make_move(&pos, parse_test_move(&pos, c.move));
        board = 0;
        for (int sq = 0; sq < 64; ++sq)
            if (pos.colour[sq] != NO_COLOUR) board ^= man_key(pos.kind[sq], pos.colour[sq], sq);
        EXPECT_EQ(pos.key_lo ^ uint32_t(board), rights_part ^ c.rights_lost);
        EXPECT_EQ(pos.key_hi, uint32_t(board >> 32));
    }
    // In Chess960 only the castling rook square holds a right: the unmoved
    // a1 rook here is not the a-side castling rook (b1 is).
    ASSERT_EQ(load_test_board("4k3/8/8/8/8/8/8/RR2K2R w BH -"), 1);
    uint32_t key_lo = pos.key_lo;
    make_move(&pos, parse_test_move(&pos, "a1a2"));
    EXPECT_EQ(pos.key_lo, key_lo ^ uint32_t(man_key(ROOK, WHITE, A1) ^ man_key(ROOK, WHITE, A2)));
    EXPECT_EQ(check_position(&pos), "");
}

TEST(MakeMove, NullMoveClearsTheEnPassantSquareAndIsRestoredExactly) {
    ASSERT_EQ(load_test_board("4k3/8/8/8/3pP3/8/8/4K3 b - e3"), 1);
    ASSERT_EQ(pos.ep_square, E3);
    make_move(&pos, parse_test_move(&pos, "e8d8"));  // leave stale data in the next record
    unmake_move(&pos);
    auto before = snapshot();
    make_null_move(&pos);
    EXPECT_EQ(pos.side, WHITE);
    EXPECT_EQ(pos.ep_square, 0);
    EXPECT_EQ(pos.key_lo, before->key_lo ^ castle_ep_keys[E3]);
    EXPECT_EQ(pos.key_hi, before->key_hi);
    EXPECT_EQ(pos.last_to, 0);
    EXPECT_EQ(pos.move_gain, 0);
    EXPECT_EQ(pos.fifty, 1);
    const PlyRecord& r = record();
    EXPECT_EQ(r.move, NULL_MOVE);
    EXPECT_EQ(r.captured, 0);
    EXPECT_EQ(r.captured_slots, 0);
    EXPECT_EQ(r.saved_moved, 0);
    EXPECT_EQ(r.flags, 0u);
    EXPECT_EQ(check_position(&pos), "");
    unmake_null_move(&pos);
    EXPECT_EQ(compare_positions(before.get(), &pos), "");
}

// The tables are kept per ply: a null move takes no slot, so the move made
// after it must still find its own slot and leave the one before untouched.
TEST(MakeMove, MoveAfterANullMoveIsTakenBackToTheTablesBeforeBoth) {
    ASSERT_EQ(load_test_board("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -"), 1);
    auto before = snapshot();
    make_null_move(&pos);
    make_move(&pos, parse_test_move(&pos, "b4c3"));
    EXPECT_EQ(check_position(&pos), "");
    make_move(&pos, parse_test_move(&pos, "d2c3"));
    EXPECT_EQ(check_position(&pos), "");
    unmake_move(&pos);
    unmake_move(&pos);
    EXPECT_EQ(check_position(&pos), "");
    unmake_null_move(&pos);
    EXPECT_EQ(compare_positions(before.get(), &pos), "");
}

// A copy (a split point's worker instance) works on tables of its own: its
// moves leave the original as it was, and it reads what the original held.
TEST(MakeMove, CopyMakesItsMovesOnItsOwnTables) {
    ASSERT_EQ(load_test_board("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -"), 1);
    make_move(&pos, parse_test_move(&pos, "e5f7"));  // a copy made below the root, off the base slot
    auto original = snapshot();
    auto copy = std::make_unique<Position>();
    copy_search_instance(copy.get(), &pos, 1, 0);
    EXPECT_EQ(check_position(copy.get()), "");
    EXPECT_EQ(compare_positions(original.get(), copy.get()), "");
    for (Move move : naive_pseudo_legal_moves(copy.get())) {
        make_move(copy.get(), move);
        EXPECT_EQ(check_position(copy.get()), "") << move;
        unmake_move(copy.get());
    }
    EXPECT_EQ(compare_positions(original.get(), copy.get()), "");
    EXPECT_EQ(compare_positions(original.get(), &pos), "");
    unmake_move(&pos);
}

// The hanging values are shared with the ply before until a move changes one
// of them: the move that does must work on a copy of its own, and a copy of
// the Position must take the shared values into its own slot.
TEST(MakeMove, HangingValuesAreCopiedOnlyByTheMoveThatChangesThem) {
    // The a7 pawn hangs to the rook; h2h3 changes no hanging value.
    ASSERT_EQ(load_test_board("4k3/p7/8/8/8/8/7P/R3K3 w - -"), 1);
    ASSERT_EQ(pos.hanging[A7], PIECE_VALUES[PAWN]);
    auto root = snapshot();
    make_move(&pos, parse_test_move(&pos, "h2h3"));
    EXPECT_EQ(pos.hanging_table, &pos.ply_tables[PLY_STACK_BASE].hanging);
    auto shared = snapshot();
    EXPECT_EQ(check_position(shared.get()), "");

    for (Position* p : {&pos, shared.get()}) {
        make_move(p, parse_test_move(p, "a7a6"));  // the hanging pawn moves on, still hanging
        EXPECT_EQ(p->hanging[A7], 0);
        EXPECT_EQ(p->hanging[A6], PIECE_VALUES[PAWN]);
        EXPECT_EQ(check_position(p), "");
        unmake_move(p);
        EXPECT_EQ(p->hanging[A7], PIECE_VALUES[PAWN]);
    }
    EXPECT_EQ(compare_positions(shared.get(), &pos), "");
    unmake_move(&pos);
    EXPECT_EQ(compare_positions(root.get(), &pos), "");
}

// unmake_move puts the material indexes of a capture or promotion back from
// the move's slot; the game's take-back finds that slot overwritten by later
// moves, so it must work them out from the board.
TEST(MakeMove, TakeBackMoveWorksTheMaterialIndexesOutFromTheBoard) {
    // A capture that brings a third rook back into the table, a promotion to a
    // second dark bishop: both indexes change by more than the man's increment.
    for (const auto& [fen, move] : {std::pair{"R3k3/8/8/8/8/8/1r6/RR2K3 b - -", "b2b1"},
                                    std::pair{"1n2k3/1P6/8/8/8/8/8/2B1K3 w - -", "b7b8b"},
                                    std::pair{"1n2k3/P7/8/8/8/8/8/2B1K3 w - -", "a7b8b"}}) {
        SCOPED_TRACE(std::string(fen) + " " + move);
        ASSERT_EQ(load_test_board(fen), 1);
        auto before = snapshot();
        make_move(&pos, parse_test_move(&pos, move));
        for (int16_t& index : pos.ply_tables[pos.table_index].saved_material_index) index = 7;
        take_back_move(&pos);
        EXPECT_EQ(check_position(&pos), "");
        EXPECT_EQ(pos.material_index[WHITE], before->material_index[WHITE]);
        EXPECT_EQ(pos.material_index[BLACK], before->material_index[BLACK]);
    }
}

// The search starts from the base record whatever the game played before:
// the current tables move into the base slot with it.
TEST(MakeMove, ResetPlyStackTakesTheCurrentTablesToTheBase) {
    ASSERT_EQ(load_test_board("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"), 1);
    for (const char* move : {"e2e4", "d7d5", "e4d5", "d8d5", "b1c3"}) make_move(&pos, parse_test_move(&pos, move));
    reset_ply_stack(&pos);
    EXPECT_EQ(pos.ply_index, PLY_STACK_BASE);
    EXPECT_EQ(pos.table_index, PLY_STACK_BASE);
    EXPECT_EQ(check_position(&pos), "");
}

TEST(MakeMove, MovedCountSaturatesInsteadOfWrappingToUnmoved) {
    ASSERT_EQ(load_test_board("4k3/8/8/8/8/8/8/R3K3 w - -"), 1);
    pos.moved[A1] = 255;
    make_move(&pos, parse_test_move(&pos, "a1a2"));
    EXPECT_EQ(pos.moved[A2], 255);
    unmake_move(&pos);
    EXPECT_EQ(pos.moved[A1], 255);
    pos.moved[A1] = 254;
    make_move(&pos, parse_test_move(&pos, "a1a2"));
    EXPECT_EQ(pos.moved[A2], 255);
    unmake_move(&pos);
    EXPECT_NE(pos.moved[A1], 0);
}

TEST(MakeMove, FiftyCounterIsSavedBeyondOneByte) {
    ASSERT_EQ(load_test_board("4k3/8/8/8/8/8/8/R3K3 w - -"), 1);
    pos.fifty = 300;
    make_move(&pos, parse_test_move(&pos, "a1a2"));
    EXPECT_EQ(pos.fifty, 301);
    EXPECT_EQ(record().saved_fifty, 300);
    unmake_move(&pos);
    EXPECT_EQ(pos.fifty, 300);
}

}  // namespace

namespace {

TEST(MakeMove, GainsOfAMovedManThatHangs) {
    // The knight goes to b3, where the a4 pawn takes it for nothing; from
    // there it attacks the undefended rook and defends the attacked bishop.
    ASSERT_EQ(load_test_board("2r1k3/8/8/r7/p7/8/3N4/2B1K3 w - -"), 1);
    EXPECT_EQ(pos.hanging[C1], 416);
    make_move(&pos, parse_test_move(&pos, "d2b3"));
    EXPECT_EQ(check_position(&pos), "");
    EXPECT_EQ(pos.hanging[B3], 416);
    EXPECT_EQ(pos.threat_gain, 640);
    EXPECT_EQ(pos.defence_gain, 416);
    EXPECT_EQ(current_ply_record(&pos)->opp_hanging_delta, 640);
    EXPECT_EQ(current_ply_record(&pos)->own_hanging_delta, 416 - 416);
    unmake_move(&pos);
    // From b1 the knight defends nothing and hangs nowhere: no gains.
    make_move(&pos, parse_test_move(&pos, "d2b1"));
    EXPECT_EQ(pos.hanging[B1], 0);
    EXPECT_EQ(pos.threat_gain, 0);
    EXPECT_EQ(pos.defence_gain, 0);
}

TEST(MakeMove, KeyHighHalfIsKnownBeforeTheMove) {
    // Every kind but castling: quiet moves, double steps, captures, en
    // passant, promotions with and without a capture.
    const char* fens[] = {
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
        "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6",
        "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - -",
    };
    for (const char* fen : fens) {
        ASSERT_EQ(load_test_board(fen), 1) << fen;
        for (Move move : naive_pseudo_legal_moves(&pos)) {
            if (move_kind(move) == MK_CASTLING) continue;
            const uint32_t predicted = key_hi_after(&pos, move);
            make_move(&pos, move);
            EXPECT_EQ(predicted, pos.key_hi) << fen << " move " << move;
            unmake_move(&pos);
        }
    }
}

}  // namespace
