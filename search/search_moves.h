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

namespace pick_detail {

// Swaps the entry picked to the front, also when it is there already: a
// test would be mispredicted about as often as it spared the swap.
inline void take(MoveEntry* cur, MoveEntry* best) {
    const MoveEntry picked = *best;
    *best = *cur;
    *cur = picked;
}

// The plain scan of a short list (at least one entry).
inline void pick_by_scan(MoveEntry* cur, MoveEntry* end) {
    MoveEntry* best = cur;
    int best_score = cur->score;
    // Written as selections, which the compiler turns into conditional
    // moves: whether an entry beats the best so far is a coin toss that a
    // branch would often guess wrong.
    for (MoveEntry* e = cur + 1; e < end; ++e) {
        const int score = e->score;
        best = score > best_score ? e : best;
        best_score = score > best_score ? score : best_score;
    }
    take(cur, best);
}

#if defined(__SSE2__)
// Four entries a step: first the highest order, then the first entry that
// has it. An entry is 32 bits with the order in the high half, so a signed
// 16-bit maximum of whole entries holds the highest order in every high half
// (the low halves, the moves, are ignored).
inline __m128i four_at(const MoveEntry* entries) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(entries));
}
inline __m128i highest(__m128i top) {
    top = _mm_max_epi16(top, _mm_shuffle_epi32(top, 0x4E));
    return _mm_max_epi16(top, _mm_shuffle_epi32(top, 0xB1));
}
constexpr uint32_t ORDER_BYTES = 0xCCCC;  // the byte-mask bits of the four high halves
inline uint32_t order_hits(__m128i entries, __m128i top) {
    return uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi16(entries, top))) & ORDER_BYTES;
}

// Up to eight entries (at least four): two groups, the second overlapping
// the first when there are fewer, and no loop, whose end would often be
// mispredicted; each entry has four bits in the joint mask.
inline void pick_in_two_groups(MoveEntry* cur, ptrdiff_t count) {
    const __m128i first = four_at(cur), second = four_at(cur + count - 4);
    const __m128i top = highest(_mm_max_epi16(first, second));
    const uint32_t hits = order_hits(first, top) | order_hits(second, top) << (4 * (count - 4));
    take(cur, cur + (__builtin_ctz(hits) >> 2));
}

// Late moves' lists run to forty entries and more. The last step reads the
// final four entries, overlapping the step before: that changes no maximum,
// and no first match, as the entries read twice did not match the first time.
inline void pick_in_long_list(MoveEntry* cur, ptrdiff_t count) {
    __m128i top = four_at(cur + count - 4);
    for (ptrdiff_t i = 0; i < count - 4; i += 4) top = _mm_max_epi16(top, four_at(cur + i));
    top = highest(top);
    for (ptrdiff_t i = 0;; i += 4) {
        i = std::min(i, count - 4);
        if (const uint32_t hits = order_hits(four_at(cur + i), top); hits != 0) {
            take(cur, cur + i + (__builtin_ctz(hits) >> 2));
            return;
        }
    }
}
#endif

}  // namespace pick_detail

// Moves the entry with the highest order among cur..end-1 (the first of
// equal orders) to cur: a selection scan, no sort. Reads nothing outside the
// list, which may be another thread's.
inline void pick_best_move(MoveEntry* cur, MoveEntry* end) {
    using namespace pick_detail;
    const ptrdiff_t count = end - cur;
    if (count <= 1) return;
#if defined(__SSE2__)
    if (count >= 4) {
        if (count <= 8)
            pick_in_two_groups(cur, count);
        else
            pick_in_long_list(cur, count);
        return;
    }
#endif
    pick_by_scan(cur, end);
}

// pick_best_move for a list (of at least one entry) that the calling thread
// generated itself: it reads up to seven entries past the end, which lie in
// the move buffer and which no other thread writes.
inline void pick_best_move_in_own_list(MoveEntry* cur, MoveEntry* end) {
    using namespace pick_detail;
    const ptrdiff_t count = end - cur;
#if defined(__SSE2__)
    if (count <= 8) {
        // Up to eight entries: two groups and no branch on the length, whose
        // tests would often be mispredicted (the quiescence search's lists
        // are short and of every length). The entries past the end are read
        // as the lowest order, which they share at most with entries before
        // them, so they are never the first with the highest.
        const __m128i length = _mm_set1_epi32(int(count));
        const __m128i lowest = _mm_set1_epi32(int(0x80000000u));
        const auto within = [&](__m128i entries, __m128i lanes) {
            const __m128i keep = _mm_cmpgt_epi32(length, lanes);
            return _mm_or_si128(_mm_and_si128(keep, entries), _mm_andnot_si128(keep, lowest));
        };
        const __m128i first = within(four_at(cur), _mm_setr_epi32(0, 1, 2, 3));
        const __m128i second = within(four_at(cur + 4), _mm_setr_epi32(4, 5, 6, 7));
        const __m128i top = highest(_mm_max_epi16(first, second));
        take(cur, cur + (__builtin_ctz(order_hits(first, top) | order_hits(second, top) << 16) >> 2));
        return;
    }
    pick_in_long_list(cur, count);
#else
    if (count > 1) pick_by_scan(cur, end);
#endif
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
