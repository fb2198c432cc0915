// Colour symmetry of the whole evaluation: a position and its colour-mirrored
// twin (ranks flipped, colours and the side to move swapped, the root values
// mirrored too) get the same score for the side to move.
//
// A few terms depend on the order in which men are visited (piece-list slot
// order, which set-up assigns in board order, so a mirrored twin may visit
// its men in another order). A correct evaluation may differ there, so the
// corpus keeps off them (order_dependent() below):
//  1. a defender tied to two or more attacked men: its overload count grows
//     man by man and is charged to the men visited later;
//  2. a man attacked directly by two or more enemy line pieces: the line
//     threat through it weighs its defender's tie by the largest gain found
//     so far;
//  3. a man attacked with two or more x-ray-only defenders: the tied
//     defenders behind it are looked at until the first that is not needed;
//  4. two or more pawns of one side on its seventh rank: a passer's
//     promotion threat may overwrite both threat values of the other side;
//  5. bishop-and-pawns endings with two or more pawns on the bishop side:
//     the rules look at the pawn in the highest slot;
//  6. pawn endings where a side has two or more passed pawns: the race takes
//     the first of equally fast passers.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "eval_fixture.h"
#include "game/game_history.h"
#include "position/attack_units.h"
#include "position/make.h"
#include "position/movegen.h"
#include "position/setup.h"

namespace {

using namespace eval_test;

struct Board {
    uint8_t kind[64];
    uint8_t colour[64];
    int side;
    uint32_t flags;  // castling and en passant, as setup_game takes them
    std::string origin;
};

Board capture_board(const Position* pos, const std::string& origin) {
    Board b{};
    std::memcpy(b.kind, pos->kind, 64);
    std::memcpy(b.colour, pos->colour, 64);
    b.side = pos->side;
    auto unmoved = [&](int sq, int kind, int colour) {
        return pos->kind[sq] == kind && pos->colour[sq] == colour && pos->moved[sq] == 0;
    };
    if (unmoved(E1, KING, WHITE)) {
        if (unmoved(H1, ROOK, WHITE)) b.flags |= SETUP_WHITE_H_SIDE;
        if (unmoved(A1, ROOK, WHITE)) b.flags |= SETUP_WHITE_A_SIDE;
    }
    if (unmoved(E8, KING, BLACK)) {
        if (unmoved(H8, ROOK, BLACK)) b.flags |= SETUP_BLACK_H_SIDE;
        if (unmoved(A8, ROOK, BLACK)) b.flags |= SETUP_BLACK_A_SIDE;
    }
    if (pos->ep_square != 0) b.flags |= SETUP_EP_GIVEN | uint32_t(pos->ep_square);
    b.origin = origin;
    return b;
}

Board mirrored(const Board& b) {
    Board m{};
    for (int sq = 0; sq < 64; ++sq) {
        m.kind[sq ^ 56] = b.kind[sq];
        m.colour[sq ^ 56] = b.colour[sq] == NO_COLOUR ? uint8_t(NO_COLOUR) : uint8_t(b.colour[sq] ^ 1);
    }
    m.side = b.side ^ 1;
    if (b.flags & SETUP_WHITE_H_SIDE) m.flags |= SETUP_BLACK_H_SIDE;
    if (b.flags & SETUP_WHITE_A_SIDE) m.flags |= SETUP_BLACK_A_SIDE;
    if (b.flags & SETUP_BLACK_H_SIDE) m.flags |= SETUP_WHITE_H_SIDE;
    if (b.flags & SETUP_BLACK_A_SIDE) m.flags |= SETUP_WHITE_A_SIDE;
    if (b.flags & SETUP_EP_GIVEN) m.flags |= SETUP_EP_GIVEN | ((b.flags & SETUP_EP_SQUARE_MASK) ^ 56);
    m.origin = b.origin + " (mirrored)";
    return m;
}

bool set_up(const Board& b) {
    std::memcpy(main_position.kind, b.kind, 64);
    std::memcpy(main_position.colour, b.colour, 64);
    return setup_game(b.side, b.flags) == 1;
}

int popcount(uint32_t x) { return __builtin_popcount(x); }

bool order_dependent(const Position* pos) {
    for (int side = WHITE; side <= BLACK; ++side) {
        const int enemy = side ^ 1;
        const AttackRecord* own = pos->attacks[side];
        const AttackRecord* them = pos->attacks[enemy];
        int tied[16] = {};
        for (uint32_t men = pos->slots[side] & ~1u; men; men &= men - 1) {
            const int sq = pos->piece_list[side][__builtin_ctz(men)];
            if (them[sq].direct == 0) continue;
            if (popcount(them[sq].direct & pos->line_pieces[enemy] & pos->slots[enemy] & 0xFFFF) >= 2) return true;
            if (pos->hanging[sq] != 0) continue;
            for (uint32_t d = own[sq].xray & 0xFFFE; d; d &= d - 1) ++tied[__builtin_ctz(d)];
            if (popcount(own[sq].xray & ~own[sq].direct & 0xFFFE) >= 2) return true;
        }
        for (int t : tied)
            if (t >= 2) return true;

        const int seventh = side == WHITE ? 6 : 1;
        if (popcount(pos->pawn_rank_slots[side][seventh] & pos->slots[side]) >= 2) return true;

        const uint32_t sig = pos->material_counts[side] >> 16;
        const uint32_t other_weight = pos->material_counts[enemy] & 0xFF;
        if ((sig & 0xFFF0) == 0x40 && (sig & 15) >= 2 && other_weight <= 1) return true;

        if ((pos->material_counts[WHITE] & 0xFF) == 0 && (pos->material_counts[BLACK] & 0xFF) == 0) {
            int passers = 0;
            const uint8_t* theirs = pawn_files(pos, enemy);
            for (uint32_t p = pos->pawn_slots[side] & pos->slots[side]; p; p &= p - 1) {
                const int sq = pos->piece_list[side][__builtin_ctz(p)];
                const int f = file_of(sq), r = rank_of(sq);
                const uint32_t front = side == WHITE ? (0xFFu << (r + 1)) & 0xFF : (1u << r) - 1;
                if (((theirs[f - 1] | theirs[f] | theirs[f + 1]) & front) == 0) ++passers;
            }
            if (passers >= 2) return true;
        }
    }
    return false;
}

// Random legal play from the start and from a few middle-game openings,
// sampled every few plies; deterministic.
std::vector<Board> random_play_corpus() {
    std::vector<Board> corpus;
    uint32_t rng = 12345;
    auto next = [&]() {
        rng = rng * 1664525u + 1013904223u;
        return rng >> 8;
    };
    const char* starts[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4",
        "rnbq1rk1/ppp1bppp/4pn2/3p4/2PP4/2N2N2/PP2PPPP/R1BQKB1R w KQ - 4 6",
        "r3k2r/pp1n1ppp/2pbpn2/q7/3P4/2NBPN2/PPQ2PPP/R3K2R b KQkq - 3 11",
    };
    for (int game = 0; game < 48; ++game) {
        if (load_test_board(starts[game % 4]) != 1) continue;
        Position* pos = &main_position;
        for (int ply = 1; ply <= 60; ++ply) {
            const int side = pos->side;
            MoveEntry* list = move_list_start(pos, 1);
            uint32_t info = 0;
            const bool in_check = pos->attacks[side ^ 1][king_square(pos, side)].direct != 0;
            const int count = in_check ? gen_evasions(pos, &info, 1, 0, list) : gen_moves(pos, 1, 0, list);
            std::vector<Move> legal;
            for (int i = 0; i < count; ++i) {
                const Move m = list[i].move & MOVE_IDENTITY_MASK;
                make_move(pos, m);
                if (pos->attacks[pos->side][king_square(pos, side)].direct == 0) legal.push_back(m);
                unmake_move(pos);
            }
            if (legal.empty()) break;
            make_move(pos, legal[next() % legal.size()]);
            if (ply % 5 == 0) corpus.push_back(capture_board(pos, "game " + std::to_string(game) + " ply " + std::to_string(ply)));
        }
    }
    return corpus;
}

// Chosen endgames and middle games for the special terms.
const char* const CHOSEN[] = {
    "8/8/8/4k3/8/8/4P3/4K3 w - - 0 1",              // king and pawn
    "8/8/1k6/8/8/8/P7/K7 b - - 0 1",
    "k7/8/8/8/8/8/7P/6K1 w - - 0 1",
    "8/8/8/8/8/2k5/8/K1N5 w - - 0 1",               // knight against king
    "8/8/8/3k4/8/8/2B5/2K5 w - - 0 1",              // bishop against king
    "k7/8/8/8/8/8/8/KNN5 w - - 0 1",                // two knights
    "7k/8/6K1/7P/8/8/8/2B5 w - - 0 1",              // wrong bishop
    "8/8/8/3k4/8/8/8/KBN5 w - - 0 1",               // bishop and knight
    "8/8/8/3k4/8/8/8/KRR5 b - - 0 1",               // rooks against king
    "4k3/8/8/8/8/8/8/Q3K3 w - - 0 1",
    "8/4k3/8/4P3/4K3/8/r7/4R3 w - - 0 1",           // rook and pawn against rook
    "8/1P6/8/8/8/k7/8/6KQ w - - 0 1",
    "8/8/8/8/8/8/pk6/6KQ w - - 0 1",                // pawn against queen
    "8/5k2/8/8/8/8/8/R3K2R w - - 0 1",
    "2r3k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1",
    "6k1/5ppp/8/8/7q/8/2Q2PPP/R5K1 b - - 0 1",      // back-rank mate threat
    "8/pp3k2/8/8/8/8/5PPP/6K1 w - - 0 1",           // pawn endings
    "8/8/4k3/8/2p5/8/PP6/4K3 b - - 0 1",
    "8/5pk1/6p1/8/8/6P1/5PK1/8 w - - 0 1",
    "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - 0 8",
    "r2q1rk1/1p1bbppp/p1np1n2/4p3/4P3/1NN1B3/PPP1BPPP/R2Q1RK1 w - - 0 11",
    "2rr2k1/pp3ppp/2n1b3/4p3/4P3/2N1B3/PPP2PPP/2RR2K1 b - - 0 20",
    "6k1/5p2/6p1/3P4/8/6P1/5PK1/8 w - - 0 1",       // passed pawn
    "8/3P4/8/1k6/8/8/5K2/8 w - - 0 1",
    "3r2k1/3P1ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1",
    "5rk1/pp4pp/2p5/3pB3/3P4/2P5/PP4PP/5RK1 w - - 0 1",
    "r4rk1/1pq2ppp/p2p1n2/4p3/4P3/1PN2Q2/1PP2PPP/R4RK1 w - - 0 15",
    "4k3/pppppppp/8/8/8/8/PPPPPPPP/4K3 w - - 0 1",
    "1k6/1p6/1P6/8/8/8/8/1K6 w - - 0 1",
};

void expect_mirror_equal(const std::vector<Board>& corpus, int style, bool hyper_modern, int* compared) {
    NoEvalCache no_cache;
    const uint32_t saved_flags = search_flags;
    if (hyper_modern) search_flags |= EF_HYPER_MODERN;
    else search_flags &= ~EF_HYPER_MODERN;
    for (const Board& b : corpus) {
        if (!set_up(b)) continue;
        if (order_dependent(&main_position)) continue;
        prepare_root(style);
        const int score = full_evaluation();
        const uint32_t flags = root_flags() & PLY_THREAT_BITS;

        const Board m = mirrored(b);
        ASSERT_TRUE(set_up(m)) << m.origin;
        ASSERT_FALSE(order_dependent(&main_position)) << m.origin;
        prepare_root(style);
        const int mirrored_score = full_evaluation();
        const uint32_t mirrored_flags = root_flags() & PLY_THREAT_BITS;
        // The threat bits swap sides: mate threat 1 << side, king attack 4 << side.
        const uint32_t swapped = ((mirrored_flags & 0x5) << 1) | ((mirrored_flags & 0xA) >> 1);
        EXPECT_EQ(score, mirrored_score) << b.origin << " style " << style;
        EXPECT_EQ(flags, swapped) << b.origin << " style " << style;
        ++*compared;
    }
    search_flags = saved_flags;
}

std::vector<Board> chosen_corpus() {
    std::vector<Board> corpus;
    for (const char* fen : CHOSEN) {
        EXPECT_EQ(load_test_board(fen), 1) << fen;
        corpus.push_back(capture_board(&main_position, fen));
    }
    return corpus;
}

TEST(EvalSymmetryTest, RandomPlayAndChosenPositionsMirror) {
    std::vector<Board> corpus = random_play_corpus();
    for (Board& b : chosen_corpus()) corpus.push_back(b);
    int compared = 0;
    expect_mirror_equal(corpus, 0, false, &compared);
    EXPECT_GE(compared, 200) << "the corpus lost too many positions to the order-dependent terms";
}

TEST(EvalSymmetryTest, PlayingStylesAndHyperModernMirror) {
    std::vector<Board> corpus = random_play_corpus();
    corpus.resize(corpus.size() / 3);
    for (Board& b : chosen_corpus()) corpus.push_back(b);
    int compared = 0;
    expect_mirror_equal(corpus, 1, false, &compared);
    expect_mirror_equal(corpus, 2, true, &compared);
    EXPECT_GE(compared, 100);
}

}  // namespace
