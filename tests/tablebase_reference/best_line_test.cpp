// The tablebase best line on tables written from Gaviota's values: lines of
// known length end in mate, and the line stops where the result is not
// decided, at a repetition and where it runs out of room.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_process.h"
#include "game/repetition.h"
#include "gaviota.h"
#include "position/make.h"
#include "position/movegen.h"
#include "position/position.h"
#include "reference_tables.h"
#include "search/search_moves.h"
#include "tablebase/best_line.h"
#include "tablebase/descriptor.h"
#include "test_board.h"

namespace {

constexpr int FIRST_PLY = 2;  // the root search asks for the line after a root move

// The main position as FEN (placement and side to move).
std::string fen_of(const Position* pos) {
    std::string fen;
    for (int rank = 7; rank >= 0; --rank) {
        int empty = 0;
        for (int file = 0; file < 8; ++file) {
            const int s = square_at(file, rank);
            if (pos->kind[s] == NO_KIND) {
                ++empty;
                continue;
            }
            if (empty) fen += char('0' + empty), empty = 0;
            fen += PIECE_LETTERS[pos->kind[s] + (pos->colour[s] == BLACK ? 6 : 0)];
        }
        if (empty) fen += char('0' + empty);
        if (rank) fen += '/';
    }
    return fen + (pos->side == WHITE ? " w - - 0 1" : " b - - 0 1");
}

class BestLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!gaviota::available(&why)) GTEST_SKIP() << why;
    }

    // The line from the main position as set up, starting at `ply`.
    static int build(int ply, Move* line) {
        Position* pos = &main_position;
        root_game_ply = pos->ply;
        set_move_list_end(pos, ply - 1, move_list_start(pos, ply - 1));
        for (int i = 0; i < 70; ++i) line[i] = 0x7777;
        return tb_build_line(pos->side, ply, line);
    }

    // Plays the line from `ply` to its 0; the number of moves, or -1 when a
    // move is illegal. The position is restored.
    static int play(const Move* line, int ply, bool* mated) {
        Position* pos = &main_position;
        int made = 0;
        for (; line[ply + made] != NO_MOVE; ++made) {
            make_move(pos, line[ply + made] & MOVE_IDENTITY_MASK);
            if (mover_king_attacked(pos)) {
                unmake_move(pos);
                made = -1 - made;
                break;
            }
            const bool check = (current_ply_record(pos)->flags & PLY_IN_CHECK) != 0;
            EXPECT_EQ(check, (line[ply + made] & MOVE_GIVES_CHECK) != 0) << "check bit of move " << made;
        }
        if (made < 0) {
            for (int i = 0; i < -1 - made; ++i) unmake_move(pos);
            return -1;
        }
        *mated = false;
        if (current_ply_record(pos)->flags & PLY_IN_CHECK) {
            MoveEntry* list = move_list_start(pos, 100);
            const int count = gen_evasions(pos, nullptr, 100, 0, list);
            bool any = false;
            for (int i = 0; i < count && !any; ++i) {
                make_move(pos, list[i].move & MOVE_IDENTITY_MASK);
                any = !mover_king_attacked(pos);
                unmake_move(pos);
            }
            *mated = !any;
        }
        for (int i = 0; i < made; ++i) unmake_move(pos);
        return made;
    }
};

// The longest mates of KQK (10 moves), KRK (16) and KBNK (33): the line of
// a position with the longest mate ends in mate after as many moves of the
// winner; KBNK's does not fit up to ply 62 and is cut there, and from the
// position four winning moves on it runs to mate in 29.
TEST_F(BestLineTest, LongestMatesEndInMate) {
    ReferenceTables tables;
    for (const char* name : {"kqk", "krk", "knk", "kbk", "kbnk"}) tables.fill_all(name);
    ASSERT_EQ(tables.conflicts(), 0);
    tables.install();
    Move line[70];
    auto expect_mate = [&](int moves) {
        ASSERT_EQ(build(FIRST_PLY, line), 1);
        bool mated = false;
        EXPECT_EQ(play(line, FIRST_PLY, &mated), 2 * moves - 1);
        EXPECT_TRUE(mated);
        EXPECT_NE(line[FIRST_PLY + 2 * moves - 2] & MOVE_GIVES_CHECK, 0) << "the mating move checks";
    };
    for (const auto& [name, moves] : {std::pair{"kqk", 10}, std::pair{"krk", 16}}) {
        SCOPED_TRACE(name);
        const ReferenceTables::Sample& longest = tables.longest_win(tb_find_record(name));
        ASSERT_EQ(longest.result, moves);
        const std::vector<tb_positions::Man> men = tb_positions::men_of(name);
        ASSERT_EQ(tb_positions::set_up(men, longest.squares.data(), longest.side, 0), 1);
        expect_mate(moves);
    }

    const ReferenceTables::Sample& longest = tables.longest_win(tb_find_record("kbnk"));
    ASSERT_EQ(longest.result, 33);
    const std::vector<tb_positions::Man> men = tb_positions::men_of("kbnk");
    ASSERT_EQ(tb_positions::set_up(men, longest.squares.data(), longest.side, 0), 1);
    ASSERT_EQ(build(FIRST_PLY, line), 1);
    for (int ply = FIRST_PLY; ply <= TB_LINE_LAST_PLY; ++ply) ASSERT_NE(line[ply], NO_MOVE) << ply;
    EXPECT_EQ(line[TB_LINE_LAST_PLY + 1], NO_MOVE);
    EXPECT_EQ(line[TB_LINE_LAST_PLY + 2], 0x7777) << "nothing written beyond the end";

    Position* pos = &main_position;
    for (int ply = FIRST_PLY; ply < FIRST_PLY + 8; ++ply) make_move(pos, line[ply] & MOVE_IDENTITY_MASK);
    ASSERT_TRUE(load_test_board(fen_of(pos).c_str()));
    expect_mate(29);
}

TEST_F(BestLineTest, WhereTheLineEnds) {
    ReferenceTables tables;
    for (const char* name : {"kqk", "krk", "kbk"}) tables.fill_all(name);
    tables.install();
    Move line[70];

    // Mate in one: the mating move with its check bit, then the end.
    ASSERT_TRUE(load_test_board("7k/8/6K1/8/8/8/8/1Q6 w - - 0 1"));
    EXPECT_EQ(build(FIRST_PLY, line), 1);
    EXPECT_EQ(line[FIRST_PLY] & MOVE_IDENTITY_MASK, encode_move(B1, B8, MK_QUIET));
    EXPECT_NE(line[FIRST_PLY] & MOVE_GIVES_CHECK, 0);
    EXPECT_EQ(line[FIRST_PLY + 1], NO_MOVE);

    // Mated already: no line, and the answer says so.
    ASSERT_TRUE(load_test_board("1Q5k/8/6K1/8/8/8/8/8 b - - 0 1"));
    EXPECT_EQ(build(FIRST_PLY, line), 0);
    EXPECT_EQ(line[FIRST_PLY], NO_MOVE);

    // A drawn ending: no move keeps a decided result.
    ASSERT_TRUE(load_test_board("8/8/3k4/8/8/2B5/8/4K3 w - - 0 1"));
    EXPECT_EQ(build(FIRST_PLY, line), 1);
    EXPECT_EQ(line[FIRST_PLY], NO_MOVE);

    // The lone king takes the rook: bare kings are a draw, which beats every
    // losing move.
    ASSERT_TRUE(load_test_board("8/8/8/8/8/2k5/2R5/6K1 b - - 0 1"));
    EXPECT_EQ(build(FIRST_PLY, line), 1);
    EXPECT_EQ(line[FIRST_PLY], NO_MOVE);
    EXPECT_EQ(move_list_start(&main_position, FIRST_PLY)->move & MOVE_IDENTITY_MASK, encode_move(C3, C2, MK_CAPTURE));
}

TEST_F(BestLineTest, RepetitionScoresAsADraw) {
    ReferenceTables tables;
    tables.fill_all("kqk");
    tables.install();
    // Four king moves back and forth; then the lone king's move back to h8
    // repeats the first position and is taken although every move loses.
    ASSERT_TRUE(load_test_board("7k/8/8/8/8/8/8/KQ6 w - - 0 1"));
    Position* pos = &main_position;
    root_game_ply = pos->ply;
    const char* moves[] = {"a1a2", "h8g8", "a2a1"};
    for (const char* text : moves) make_move(pos, parse_test_move(pos, text));
    Move line[70];
    set_move_list_end(pos, 4, move_list_start(pos, 4));
    for (Move& m : line) m = 0x7777;
    ASSERT_EQ(tb_build_line(pos->side, 5, line), 1);
    EXPECT_EQ(line[5], NO_MOVE);
    const MoveEntry* best = move_list_start(pos, 5);
    EXPECT_EQ(best->move & MOVE_IDENTITY_MASK, encode_move(G8, H8, MK_QUIET));
    EXPECT_EQ(best->score, 0);
    for (int i = 0; i < 3; ++i) unmake_move(pos);
}

// The engine itself: with the tables on "NalimovPath" a search of the
// longest KQK mate prints the whole line to mate.
TEST_F(BestLineTest, EnginePrintsTheLineToMate) {
    ReferenceTables tables;
    tables.fill_all("kqk");
    const ReferenceTables::Sample longest = tables.longest_win(tb_find_record("kqk"));
    const std::string folder = tables.write_files();
    ASSERT_EQ(tb_positions::set_up(tb_positions::men_of("kqk"), longest.squares.data(), longest.side, 0), 1);
    const std::string fen = fen_of(&main_position);

    EngineProcess engine(MORVAX_SP_PATH);
    ASSERT_TRUE(engine.read_line(10000));
    engine.send("uci");
    ASSERT_FALSE(engine.read_until("uciok", 20000).empty());
    engine.send("setoption name NalimovPath value " + folder);
    EXPECT_EQ(engine.read_line(), "info string TBS 3 pieces 32Mb cache");
    engine.send("position fen " + fen);
    engine.send("go depth 9");
    std::vector<std::string> lines;
    while (auto line = engine.read_line(20000)) {
        lines.push_back(*line);
        if (line->rfind("bestmove", 0) == 0) break;
    }
    ASSERT_FALSE(lines.empty());
    ASSERT_EQ(lines.back().rfind("bestmove", 0), 0u);
    std::string last_pv;
    for (const std::string& line : lines)
        if (line.find(" pv ") != std::string::npos) last_pv = line;
    EXPECT_NE(last_pv.find("score mate 10 "), std::string::npos) << last_pv;
    const std::string pv = last_pv.substr(last_pv.find(" pv ") + 4);
    int moves = 0;
    for (size_t i = 0; i < pv.size(); ++i)
        if (pv[i] != ' ' && (i == 0 || pv[i - 1] == ' ')) ++moves;
    EXPECT_EQ(moves, 19) << last_pv;
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
}

}  // namespace
