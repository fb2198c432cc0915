#include "eval/pawn_facts.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "eval/eval_constants.h"
#include "eval/pawns.h"
#include "position/attack_units.h"
#include "position/position.h"
#include "support/naive_moves.h"
#include "support/test_board.h"

namespace {

Position& pos = main_position;

int weak_penalty(int us, int square) { return WEAK_PAWN_PENALTY[us == WHITE ? square : square ^ 56]; }

// The facts of one pawn as the attack tables and the board tell them: the
// definitions the pawn-file arithmetic of analyse_pawns must agree with.
// Adds the pawn's pawn-only value to *fixed.
uint32_t reference_flags(int us, int q, int* fixed) {
    const int them = us ^ 1;
    const AttackRecord* A = pos.attacks[us];
    const AttackRecord* E = pos.attacks[them];
    const uint8_t* own = pawn_files(&pos, us);
    const uint8_t* their = pawn_files(&pos, them);
    const int step = us == WHITE ? 8 : -8;
    const int f = file_of(q);
    const int front = q + step;
    const uint32_t in_front = ranks_in_front(us, rank_of(q));
    const bool front_guarded = (A[front].direct & PAWN_CLASS_MASK) != 0;
    const bool enemy_in_front = pos.kind[front] == PAWN && pos.colour[front] == them;
    const bool open_file = ((own[f] | their[f]) & in_front) == 0;
    const uint32_t adjacent = own[f - 1] | own[f + 1];
    const bool isolated = adjacent == 0;
    const bool weak = (adjacent & ranks_behind_or_level(us, rank_of(q))) == 0 && (!front_guarded || open_file);
    uint32_t flags = 0;
    if (front_guarded) flags |= PAWN_FRONT_GUARDED;
    if (enemy_in_front) flags |= PAWN_ENEMY_IN_FRONT;
    if (open_file) flags |= PAWN_OPEN_FILE;
    if (E[q].direct & PAWN_CLASS_MASK) flags |= PAWN_ATTACKED;
    if ((A[front].direct | A[q].direct) & PAWN_CLASS_MASK) flags |= PAWN_SHELTER_GUARD;
    if (pos.kind[front] == PAWN && (E[front].direct & PAWN_CLASS_MASK)) flags |= PAWN_STORM_HALVED;
    bool backward = false;
    if (weak) {
        flags |= PAWN_WEAK;
        if (!front_guarded && !enemy_in_front) *fixed -= weak_penalty(us, q);
        if (isolated) {
            flags |= PAWN_ISOLATED;
            *fixed -= ISOLATED_PAWN_PENALTY[f];
        }
        const uint32_t ahead = (their[f - 1] | their[f + 1]) & in_front;
        const int enemy_rank = ahead == 0 ? -1 : us == WHITE ? __builtin_ctz(ahead) : 31 - __builtin_clz(ahead);
        backward = !isolated && enemy_rank >= 0;
        if (backward) {
            flags |= PAWN_BACKWARD;
            if (!enemy_in_front) {
                int t = front;
                if (RELATIVE_RANK[us][enemy_rank] < 4) t = square_at(f, enemy_rank) - step;
                const int enemy_count = pawn_attackers(E[t].direct);
                const int own_count = pawn_attackers(A[t].direct);
                if (enemy_count > own_count) {
                    const int pen = weak_penalty(us, t - step) + BACKWARD_STOP_VALUE[RELATIVE_RANK[us][rank_of(t)]];
                    *fixed -= enemy_count - own_count >= 2 ? 2 * pen : pen;
                }
            }
        }
    }
    if (__builtin_popcount(own[f]) >= 2) {
        flags |= PAWN_DOUBLED;
        *fixed -= weak ? 9 : 4;
    }
    const uint32_t enemy_adjacent_front = (their[f - 1] | their[f + 1]) & in_front;
    if (open_file && !backward && enemy_adjacent_front == 0) {
        flags |= PAWN_PASSED;
    } else if (open_file && enemy_adjacent_front != 0) {
        const uint32_t behind = ranks_behind_or_level(us, rank_of(q));
        const int sentries = __builtin_popcount(their[f - 1] & in_front) + __builtin_popcount(their[f + 1] & in_front);
        const int helpers = __builtin_popcount(own[f - 1] & behind) + __builtin_popcount(own[f + 1] & behind);
        if (helpers >= sentries) flags |= PAWN_CANDIDATE;
    }
    return flags;
}

// Every pawn of both sides once, in file order, with its reference flags;
// the fixed values summed; and the cached facts the same as fresh ones.
void expect_facts_agree(const std::string& where) {
    const PawnSideFacts* cached = pawn_facts(&pos);
    for (int us = WHITE; us <= BLACK; ++us) {
        PawnSideFacts facts;
        analyse_pawns(&pos, us, &facts);
        int fixed = 0;
        int index = 0;
        for (int square_in_file_order = 0; square_in_file_order < 64; ++square_in_file_order) {
            const int q = square_at(square_in_file_order / 8, square_in_file_order % 8);
            if (pos.kind[q] != PAWN || pos.colour[q] != us) continue;
            ASSERT_LT(index, MAX_PAWNS) << where;
            EXPECT_EQ(facts.flags[index], reference_flags(us, q, &fixed)) << where << " side " << us << " pawn " << q;
            EXPECT_EQ(cached[us].flags[index], facts.flags[index]) << where << " side " << us << " pawn " << q;
            ++index;
        }
        EXPECT_EQ(facts.fixed_value, fixed) << where << " side " << us;
        EXPECT_EQ(cached[us].fixed_value, facts.fixed_value) << where << " side " << us;
    }
}

TEST(PawnFacts, AgreeWithTheAttackTablesThroughRandomGames) {
    // Isolated, doubled, backward, passed and candidate pawns of both sides,
    // pawns on the edge files and on the seventh ranks.
    const char* fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
        "r3k2r/pp3p1p/2p1p1p1/3pP3/P2P3P/2P5/1P3PP1/R3K2R w KQkq -",
        "6k1/p1p3pp/1p1p4/3P1P2/2P3P1/1P5P/P7/6K1 w - -",
        "4k3/1P1p2p1/p3p3/P1pP1pP1/2P2P2/8/6p1/4K3 b - -",
    };
    std::mt19937 random(14);
    for (const char* fen : fens) {
        for (int game = 0; game < 4; ++game) {
            ASSERT_EQ(load_test_board(fen), 1) << fen;
            for (int ply = 0; ply < 60; ++ply) {
                expect_facts_agree(std::string(fen) + " ply " + std::to_string(ply));
                if (HasFatalFailure()) return;
                if (!play_random_legal_move(&pos, random)) break;
            }
        }
    }
}

}  // namespace
