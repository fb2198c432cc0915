// Small move-loop helpers shared by the searches.
#pragma once

#include <algorithm>
#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "eval/eval_cache.h"
#include "position/make.h"
#include "position/movegen.h"
#include "position/position.h"
#include "search/search_constants.h"
#include "search/tt.h"

// Moves the entry with the highest order among cur..end-1 (the first of
// equal orders) to cur: a selection scan, no sort.
inline void pick_best_move(MoveEntry* cur, MoveEntry* end) {
    const ptrdiff_t count = end - cur;
    if (count <= 1) return;
    MoveEntry* best = cur;
#if defined(__SSE2__)
    if (count >= 4) {
        // Late moves' lists run to forty entries and more: four entries a
        // step, first the highest order, then the first entry that has it.
        // An entry is 32 bits with the order in the high half, so a signed
        // 16-bit maximum of whole entries holds the highest order in every
        // high half (the low halves, the moves, are ignored). The last step
        // reads the final four entries, overlapping the step before: that
        // changes no maximum, and no first match, as the entries read twice
        // did not match the first time.
        const auto four_at = [cur](ptrdiff_t i) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(cur + i));
        };
        const auto highest = [](__m128i top) {
            top = _mm_max_epi16(top, _mm_shuffle_epi32(top, 0x4E));
            return _mm_max_epi16(top, _mm_shuffle_epi32(top, 0xB1));
        };
        constexpr int ORDER_BYTES = 0xCCCC;  // the byte-mask bits of the four high halves
        if (count <= 8) {
            // Up to eight entries: two groups (the second overlapping the
            // first when there are fewer) and no loop, whose end would often
            // be mispredicted; each entry has four bits in the joint mask.
            const __m128i first = four_at(0), second = four_at(count - 4);
            const __m128i top = highest(_mm_max_epi16(first, second));
            const uint32_t hits =
                (uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi16(first, top))) & ORDER_BYTES) |
                (uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi16(second, top))) & ORDER_BYTES) << (4 * (count - 4));
            best = cur + (__builtin_ctz(hits) >> 2);
            if (best != cur) std::swap(*best, *cur);
            return;
        }
        __m128i top = four_at(count - 4);
        for (ptrdiff_t i = 0; i < count - 4; i += 4) top = _mm_max_epi16(top, four_at(i));
        top = highest(top);
        for (ptrdiff_t i = 0;; i += 4) {
            i = std::min(i, count - 4);
            const int hits = _mm_movemask_epi8(_mm_cmpeq_epi16(four_at(i), top)) & ORDER_BYTES;
            if (hits != 0) {
                best = cur + i + (__builtin_ctz(unsigned(hits)) >> 2);
                break;
            }
        }
        if (best != cur) std::swap(*best, *cur);
        return;
    }
#endif
    int best_score = cur->score;
    // Written as selections, which the compiler turns into conditional
    // moves: whether an entry beats the best so far is a coin toss that a
    // branch would often guess wrong.
    for (MoveEntry* e = cur + 1; e < end; ++e) {
        const int score = e->score;
        best = score > best_score ? e : best;
        best_score = score > best_score ? score : best_score;
    }
    if (best != cur) std::swap(*best, *cur);
}

// After make_move: the mover left its own king attacked.
inline bool mover_king_attacked(const Position* pos) {
    return own_attacks(pos)[king_square(pos, pos->side ^ 1)].direct != 0;
}

// The side to move has a legal move among those generated into the list of
// `ply` (the evasions when it is in check).
inline bool has_legal_reply(Position* pos, int ply, bool in_check) {
    MoveEntry* list = move_list_start(pos, ply);
    const int count = in_check ? gen_evasions(pos, nullptr, ply, 0, list) : gen_moves(pos, ply, 0, list);
    for (int i = 0; i < count; ++i) {
        make_move(pos, list[i].move & MOVE_IDENTITY_MASK);
        const bool legal = !mover_king_attacked(pos);
        unmake_move(pos);
        if (legal) return true;
    }
    return false;
}

// The evaluation-cache slot of a position (side to move, key_hi) and, when
// it will be probed, its transposition-table bucket start loading from
// memory. Issued before a move is made, the make hides the latency.
[[gnu::always_inline]] inline void prefetch_entries(int side, uint32_t key_hi, bool table_too) {
    if (table_too) tt_prefetch(side, key_hi);
    eval_cache_prefetch(side, key_hi);
}

[[gnu::always_inline]] inline void prefetch_child_entries(const Position* pos, Move move, bool table_too) {
    prefetch_entries(pos->side ^ 1, key_hi_after(pos, move), table_too);
}

// dest = first, then the child's line up to its 0. A line of ply p has room
// for one move more than the line of ply p + 1.
inline void copy_line(Move* dest, Move first, const Move* child) {
    dest[0] = first;
    int i = 0;
    while ((dest[i + 1] = child[i]) != NO_MOVE) ++i;
}

// Mate-distance pruning: no score can be better than mating at the next ply
// or worse than being mated here. Narrows the window; true with *cutoff set
// when the window closes.
inline bool mate_distance_cutoff(int ply, int* alpha, int* beta, int* cutoff) {
    const int worst = ply - (SCORE_INFINITE - 1);
    if (worst > *alpha) {
        if (worst >= *beta) {
            *cutoff = worst;
            return true;
        }
        *alpha = worst;
    }
    const int best = SCORE_INFINITE - ply;
    if (best < *beta) {
        if (*alpha >= best) {
            *cutoff = best;
            return true;
        }
        *beta = best;
    }
    return false;
}

// The MoveGainTable row of a moving piece: White's pawn..king 0-5, Black's 6-11.
constexpr int history_row(int kind, int side) { return kind - 1 + (side == BLACK ? 6 : 0); }

// Order given to a move that cut off (or led an iterative-deepening pass).
constexpr int16_t cut_move_order(int depth) { return int16_t(std::min(ORDER_TT_MOVE + depth, 32767)); }
