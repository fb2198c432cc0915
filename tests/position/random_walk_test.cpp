#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "position/make.h"
#include "position/position.h"
#include "support/naive_moves.h"
#include "support/position_check.h"
#include "support/test_board.h"

namespace {

Position& pos = main_position;

std::string move_text(Move m) {
    std::string text;
    for (int sq : {move_from(m), move_to(m)}) {
        text += char('a' + file_of(sq));
        text += char('1' + rank_of(sq));
    }
    return text + "/" + std::to_string(move_kind(m));
}

bool mover_king_safe() {
    int mover = pos.side ^ 1;
    return pos.attacks[pos.side][king_square(&pos, mover)].direct == 0;
}

// Walks random games from a position. At every node each pseudo-legal move
// (and a null move) is made, checked against the naive recomputation and
// taken back, and the record must equal its snapshot; then one legal move
// is played at random. Moves are taken back in turn by unmake_move (tables
// copied back) and take_back_move (tables built afresh).
void walk(const char* fen, unsigned seed, int games, int plies) {
    std::mt19937 random(seed);
    auto before = std::make_unique<Position>();
    std::vector<std::string> line;
    for (int game = 0; game < games; ++game) {
        ASSERT_EQ(load_test_board(fen), 1) << fen;
        line.clear();
        for (int ply = 0; ply < plies; ++ply) {
            copy_position(before.get(), &pos);
            std::vector<Move> legal;
            bool copy_back = (ply & 1) != 0;
            for (Move m : naive_pseudo_legal_moves(&pos)) {
                make_move(&pos, m);
                std::string problems = check_position(&pos);
                bool safe = mover_king_safe();
                copy_back = !copy_back;
                if (copy_back)
                    unmake_move(&pos);
                else
                    take_back_move(&pos);
                std::string restore = compare_positions(before.get(), &pos);
                if (!problems.empty() || !restore.empty()) {
                    std::string path;
                    for (const std::string& s : line) path += s + " ";
                    FAIL() << fen << "\nline: " << path << "\nmove " << move_text(m) << "\nafter make:\n"
                           << problems << "after unmake:\n" << restore;
                }
                if (safe) legal.push_back(m);
            }
            if (pos.attacks[pos.side ^ 1][king_square(&pos, pos.side)].direct == 0) {
                make_null_move(&pos);
                std::string problems = check_position(&pos);
                unmake_null_move(&pos);
                ASSERT_EQ(problems, "") << "null move";
                ASSERT_EQ(compare_positions(before.get(), &pos), "") << "null move";
            }
            if (legal.empty()) break;
            Move chosen = legal[random() % legal.size()];
            line.push_back(move_text(chosen));
            make_move(&pos, chosen);
        }
    }
}

TEST(RandomWalk, StandardPositions) {
    const char* fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -",
        "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -",
        "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -",
        "4k3/1P4P1/8/8/8/8/1p4p1/4K3 w - -",  // promotions on both sides
    };
    unsigned seed = 1;
    for (const char* fen : fens) walk(fen, seed++, 8, 120);
}

TEST(RandomWalk, Chess960Positions) {
    const char* fens[] = {
        "bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf -",
        "2nnrbkr/p1qppppp/8/1ppb4/6PP/3PP3/PPP2P2/BQNNRBKR w HEhe -",
        "b1q1rrkb/pppppppp/3nn3/8/P7/1PPP4/4PPPP/BQNNRKRB w GE -",
        "qbbnnrkr/2pp2pp/p7/1p2pp2/8/P3PP2/1PPP1KPP/QBBNNR1R w hf -",
        "1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/1R2K1R1 w GBgb -",
        "rk5r/8/8/8/8/8/8/RK5R w HAha -",
    };
    unsigned seed = 100;
    for (const char* fen : fens) walk(fen, seed++, 8, 120);
}

}  // namespace
