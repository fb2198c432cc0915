// Properties checked at every node of a shallow walk over the legal move
// trees of the reference positions: the incremental tables stay exact, the
// generators agree with an independent naive generator and with each other,
// validate_move accepts exactly the pseudo-legal moves, and gives_check
// agrees with the board after the move.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "move_list_helpers.h"
#include "naive_moves.h"
#include "position/make.h"
#include "position/geometry.h"
#include "position/move_tests.h"
#include "position/movegen.h"
#include "position/position.h"
#include "position_check.h"
#include "test_board.h"

namespace {

struct WalkCase {
    const char* fen;
    int depth;
};

// The perft positions, a promotion race where both sides already have two
// knights, Chess960 set-ups, and en-passant positions with pins and checks.
const WalkCase WALK_CASES[] = {
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 3},
    {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", 3},
    {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", 4},
    {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 3},
    {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 3},
    {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 3},
    {"n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1", 4},
    {"bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9", 3},
    {"1nbbnrkr/p1p1ppp1/3p4/1p3P1p/3Pq2P/8/PPP1P1P1/QNBBNRKR w HFhf - 0 9", 3},
    {"8/8/8/KPp4r/8/8/8/7k w - c6 0 2", 4},    // the en-passant capture would uncover the rook
    {"8/8/3k4/8/2pPp3/8/8/4K2R b K d3 0 1", 4},  // two pawns may take en passant
    {"4k3/8/8/2pP4/8/8/8/4K3 w - c6 0 1", 4},   // en passant with bare kings
};

std::string path_text(const std::vector<Move>& path) {
    std::string text;
    for (Move move : path) text += move_text(move) + " ";
    return text.empty() ? "(root)" : text;
}

// Calls visit(pos, ply, path) at every node of the legal tree below the main
// position; stops descending after the first failure.
template <typename Visit>
void walk(Position* pos, int ply, int depth, std::vector<Move>& path, Visit& visit) {
    visit(pos, ply, path);
    if (depth == 0 || testing::Test::HasFailure()) return;
    const std::vector<Move> moves = generate_replies(pos, ply);
    for (Move move : moves) {
        make_move(pos, move);
        if (own_attacks(pos)[king_square(pos, pos->side ^ 1)].direct == 0) {
            path.push_back(move);
            walk(pos, ply + 1, depth - 1, path, visit);
            path.pop_back();
        }
        unmake_move(pos);
        if (testing::Test::HasFailure()) return;
    }
}

template <typename Visit>
void walk_all(Visit visit, int max_depth = 99) {
    for (const WalkCase& c : WALK_CASES) {
        SCOPED_TRACE(c.fen);
        ASSERT_EQ(load_test_board(c.fen), 1);
        std::vector<Move> path;
        walk(&main_position, PERFT_ROOT_PLY, std::min(c.depth, max_depth), path, visit);
        if (testing::Test::HasFailure()) return;
    }
}

int live_men_of_kind(const Position* pos, int side, int kind) {
    int count = 0;
    for (int sq = 0; sq < 64; ++sq) count += pos->colour[sq] == side && pos->kind[sq] == kind;
    return count;
}

// Under-promotions to a fourth man of a kind are intentionally not generated.
std::vector<Move> without_fourth_men(const Position* pos, const std::vector<Move>& moves) {
    std::vector<Move> kept;
    for (Move move : moves) {
        const int made = PROMOTION_KIND_MAP[move_kind(move)];
        if (made != 0 && made != QUEEN && live_men_of_kind(pos, pos->side, made) >= 3) continue;
        kept.push_back(move);
    }
    return kept;
}

std::vector<Move> without_castling(const std::vector<Move>& moves) {
    std::vector<Move> kept;
    for (Move move : moves)
        if (move_kind(move) != MK_CASTLING) kept.push_back(move);
    return kept;
}

// The tables, key, material and hanging values match a naive recomputation
// after every make (legal or not), and unmake gives back the record exactly.
void walk_checking_tables(Position* pos, int ply, int depth, std::vector<Move>& path, Position* snapshots) {
    if (depth == 0) return;
    const std::vector<Move> moves = generate_replies(pos, ply);
    Position* snapshot = &snapshots[depth];
    copy_position(snapshot, pos);
    for (Move move : moves) {
        path.push_back(move);
        make_move(pos, move);
        ASSERT_EQ(check_position(pos), "") << "after " << path_text(path);
        if (own_attacks(pos)[king_square(pos, pos->side ^ 1)].direct == 0) {
            walk_checking_tables(pos, ply + 1, depth - 1, path, snapshots);
            if (testing::Test::HasFatalFailure()) return;
        }
        unmake_move(pos);
        ASSERT_EQ(compare_positions(snapshot, pos), "") << "taking back " << path_text(path);
        path.pop_back();
    }
}

TEST(WalkTest, TablesStayExactThroughMakeAndUnmake) {
    auto snapshots = std::make_unique<Position[]>(8);
    for (const WalkCase& c : WALK_CASES) {
        SCOPED_TRACE(c.fen);
        ASSERT_EQ(load_test_board(c.fen), 1);
        ASSERT_EQ(check_position(&main_position), "");
        std::vector<Move> path;
        walk_checking_tables(&main_position, PERFT_ROOT_PLY, std::min(c.depth, 3), path, snapshots.get());
        if (HasFatalFailure()) return;
    }
}

// Out of check the lists are compared as generated (the engine leaves out
// king steps into attacks, which are never legal); in check, the legal moves.
TEST(WalkTest, MovesAgreeWithNaiveGenerator) {
    walk_all([](Position* pos, int ply, const std::vector<Move>& path) {
        const std::vector<Move> naive = without_fourth_men(pos, naive_pseudo_legal_moves(pos));
        if (side_to_move_in_check(pos)) {
            EXPECT_EQ(moves_text(legal_only(pos, generate_evasions(pos, ply))),
                      moves_text(legal_only(pos, naive)))
                << "at " << path_text(path);
            return;
        }
        const int king = king_square(pos, pos->side);
        std::vector<Move> expected;
        for (Move move : naive)
            if (move_from(move) != king || move_kind(move) == MK_CASTLING ||
                !naive_square_attacked(pos, pos->side ^ 1, move_to(move)))
                expected.push_back(move);
        EXPECT_EQ(moves_text(generate_all(pos, ply)), moves_text(expected)) << "at " << path_text(path);
    });
}

TEST(WalkTest, EvasionsAreExactlyTheLegalRepliesToCheck) {
    int checks_seen = 0;
    walk_all([&](Position* pos, int ply, const std::vector<Move>& path) {
        if (!side_to_move_in_check(pos)) return;
        ++checks_seen;
        uint32_t info = 0;
        const std::vector<Move> evasions = generate_evasions(pos, ply, &info);
        const std::vector<Move> all = without_castling(generate_all(pos, ply));
        EXPECT_EQ(moves_text(legal_only(pos, evasions)), moves_text(legal_only(pos, all)))
            << "at " << path_text(path);

        // The generator tests pins itself: only en passant can still be illegal.
        const int king = king_square(pos, pos->side);
        int king_moves = 0;
        for (Move move : evasions) {
            king_moves += move_from(move) == king;
            if (move_kind(move) != MK_EN_PASSANT) {
                EXPECT_TRUE(is_legal_move(pos, move)) << move_text(move) << " at " << path_text(path);
            }
        }
        EXPECT_EQ(int(info & CHECK_KING_MOVE_MASK), king_moves) << "at " << path_text(path);
        const bool double_check = opp_attacks(pos)[king].direct >= TWO_ATTACKERS;
        EXPECT_EQ((info & CHECK_DOUBLE) != 0, double_check) << "at " << path_text(path);
        if (double_check) {
            EXPECT_EQ(king_moves, int(evasions.size())) << "at " << path_text(path);
        }
    });
    EXPECT_GT(checks_seen, 1000);
}

// A generated move stripped to from/to (and an under-promotion's kind), as a
// hash entry or move text gives it, completes back to itself; bit 15 stays.
TEST(WalkTest, ValidateMoveCompletesGeneratedMoves) {
    walk_all([](Position* pos, int ply, const std::vector<Move>& path) {
        const bool in_check = side_to_move_in_check(pos);
        for (Move move : generate_all(pos, ply)) {
            const int kind = move_kind(move);
            if (in_check && kind == MK_CASTLING) continue;  // the generator is not asked in check
            const bool under_promotion = kind == MK_PROMOTE_KNIGHT || kind == MK_PROMOTE_ROOK ||
                                         kind == MK_PROMOTE_BISHOP;
            Move stripped = Move((move & 0xFFF) | (under_promotion ? kind << 12 : 0));
            ASSERT_EQ(validate_move(pos, &stripped), 1) << move_text(move) << " at " << path_text(path);
            EXPECT_EQ(stripped, move) << "at " << path_text(path);
            Move flagged = Move(move | MOVE_GIVES_CHECK);
            ASSERT_EQ(validate_move(pos, &flagged), 1) << move_text(move) << " at " << path_text(path);
            EXPECT_EQ(flagged, Move(move | MOVE_GIVES_CHECK));
        }
    });
}

// Every one of the 65536 words is tried: accepted exactly when some
// generated move has its from/to and the word's kind is that move's kind or
// 0 (completed), an under-promotion also where only the fourth-man rule kept
// it out of the list. So no word that make_move could not take back passes.
TEST(WalkTest, ValidateMoveAcceptsExactlyThePseudoLegalMoves) {
    walk_all(
        [](Position* pos, int ply, const std::vector<Move>& path) {
            std::vector<uint8_t> allowed_kinds(4096, 0);  // by from/to: bit per given kind
            std::vector<Move> completion(4096, 0);        // the move a plain from/to becomes
            std::vector<Move> generated = generate_all(pos, ply);
            if (side_to_move_in_check(pos)) generated = without_castling(generated);
            for (Move move : generated) {
                const int pair = move & 0xFFF, kind = move_kind(move);
                allowed_kinds[pair] |= uint8_t(1 << kind);
                if (kind == MK_PROMOTE_QUEEN)
                    allowed_kinds[pair] |=
                        1 << MK_PROMOTE_KNIGHT | 1 << MK_PROMOTE_ROOK | 1 << MK_PROMOTE_BISHOP;
                if (kind == MK_QUIET || !is_promotion(move) || kind == MK_PROMOTE_QUEEN) {
                    allowed_kinds[pair] |= 1;
                    completion[pair] = move;
                }
            }
            for (uint32_t word = 0; word < 0x10000; ++word) {
                Move move = Move(word);
                const int pair = word & 0xFFF, kind = move_kind(move);
                const int accepted = validate_move(pos, &move);
                const bool expected = (allowed_kinds[pair] >> kind & 1) != 0;
                ASSERT_EQ(accepted, expected ? 1 : 0)
                    << "word " << std::hex << word << " (" << move_text(Move(word)) << ") at "
                    << path_text(path);
                if (!accepted) {
                    EXPECT_EQ(move, Move(word)) << "a rejected move is left as it was";
                    continue;
                }
                const Move completed = kind == 0 ? completion[pair] : Move(word & 0x7FFF);
                ASSERT_EQ(move, Move((word & MOVE_GIVES_CHECK) | completed))
                    << "word " << std::hex << word << " at " << path_text(path);
            }
        },
        2);
}

// After the move, the mover's pieces attack the enemy king exactly when
// gives_check says so, and its answer names a checking man: a man of that
// kind stands on the line (or knight step) it gives, toward the king.
TEST(WalkTest, GivesCheckAgreesWithTheBoard) {
    walk_all([](Position* pos, int ply, const std::vector<Move>& path) {
        const int side = pos->side, enemy_king = king_square(pos, side ^ 1);
        for (Move move : generate_all(pos, ply)) {
            if (move_kind(move) == MK_CASTLING) continue;  // the rook's check is not detected
            const int check = gives_check(pos, move);
            make_move(pos, move);
            const bool checked = pos->attacks[side][enemy_king].direct != 0;
            bool names_checker = true;
            if (check != 0) {
                const int kind = check & 7, d = check >> 3;
                int square = move_to(move);  // a pawn or knight checks from there
                if (check != 1 && is_line_direction(d)) {
                    square = enemy_king;
                    do square = next_square[OPPOSITE_DIRECTION[d]][square];
                    while (square != NO_SQUARE && pos->kind[square] == NO_KIND);
                } else if (check != 1 && direction_of[enemy_king][square] != d) {
                    square = NO_SQUARE;
                }
                names_checker =
                    square != NO_SQUARE && pos->kind[square] == kind && pos->colour[square] == side;
            }
            unmake_move(pos);
            // A check uncovered by the pawn taken en passant is the documented miss.
            if (move_kind(move) == MK_EN_PASSANT && check == 0 && checked) continue;
            EXPECT_EQ(check != 0, checked) << move_text(move) << " at " << path_text(path);
            EXPECT_TRUE(names_checker) << move_text(move) << " gives " << check << " at " << path_text(path);
        }
    });
}

// With mode 2 the quiescence generator gives: every capture and en-passant
// capture, queen promotions only, and the quiet moves that check - all of
// them but castling and discovered checks whose uncovered line men all hang.
TEST(WalkTest, QuiescenceGeneratorGivesCapturesPromotionsAndQuietChecks) {
    walk_all([](Position* pos, int ply, const std::vector<Move>& path) {
        if (side_to_move_in_check(pos)) return;
        const int side = pos->side, enemy_king = king_square(pos, side ^ 1);
        std::vector<Move> expected_tactical, expected_checks;
        for (Move move : generate_all(pos, ply)) {
            const int kind = move_kind(move);
            if (kind == MK_CAPTURE || kind == MK_EN_PASSANT || kind == MK_PROMOTE_QUEEN) {
                expected_tactical.push_back(move);
                continue;
            }
            if (kind != MK_QUIET) continue;
            uint32_t before_hanging[16];
            for (int slot = 0; slot < 16; ++slot) {
                const int sq = pos->piece_list[side][slot];
                before_hanging[slot] = sq == NO_SQUARE ? 0 : uint32_t(pos->hanging[sq]);
            }
            make_move(pos, move);
            const uint32_t checkers = pos->attacks[side][enemy_king].direct & ATTACK_SLOT_MASK;
            const uint32_t mover = pos->slot_bit[move_to(move)];
            bool found = (checkers & mover) != 0;
            for (uint32_t rest = checkers & ~mover; rest != 0; rest &= rest - 1)
                if (before_hanging[slot_index(rest & -rest)] == 0) found = true;
            unmake_move(pos);
            if (found) expected_checks.push_back(move);
        }

        MoveEntry* start = move_list_start(pos, ply);
        const int count = gen_quiet_checks(pos, ply, 2, start);
        std::vector<Move> tactical, checks;
        for (int i = 0; i < count; ++i) {
            const Move move = start[i].move & MOVE_IDENTITY_MASK;
            if (move_kind(move) == MK_QUIET) {
                checks.push_back(move);
                EXPECT_NE(start[i].move & MOVE_GIVES_CHECK, 0)
                    << move_text(move) << " at " << path_text(path);
            } else {
                tactical.push_back(move);
            }
        }
        EXPECT_EQ(moves_text(tactical), moves_text(expected_tactical)) << "at " << path_text(path);
        EXPECT_EQ(moves_text(checks), moves_text(expected_checks)) << "at " << path_text(path);
    });
}

}  // namespace
