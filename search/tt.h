// The transposition table: two tables of TtEntry, one per side to move,
// shared by all search threads without locks. Each entry is four 32-bit words;
// in the multi-threaded build the key is folded into the data words by XOR,
// so that an entry torn by two writers fails the key test and reads as a
// miss instead of giving another position's data. The words are read and
// written one by one as relaxed atomics.
//
// Entry words (M = the stored move word, 16 bits):
//   w0  ((key_hi & 0xFFFF0000) | M), XOR w2 when folded
//   w1  key_lo, XOR w3 when folded
//   w2  bits 0-3 age (1..15, 0 empty), 0x10 learned, 0x20 forced, 0x40/0x80
//       upper/lower bound (0xC0 exact, 0 move only), bits 8-13 depth,
//       0x8000 refreshed, bits 16-31 score + 0x4000 (mates ply-independent)
//   w3  bits 0-5 depth at which the move was found, bits 6-9 the four threat
//       bits of the PlyRecord, bits 10-15 its threat byte, bits 16-31 static
//       evaluation + 0xA000 (bit 31 set whenever one is stored). Learned
//       entries keep their learned extra value in bits 16-31 instead and
//       bits 6-15 of key_hi in bits 6-15.
// For a learned entry M holds the move's 12 from/to bits and, in bits 12-13,
// bits 0-1 of key_hi. With bits 2-5 from the entry's index (every bucket
// mask keeps them, and folding never touches them) the learning file can
// rebuild the whole key at any table size.
#pragma once

#include <cstddef>
#include <cstdint>

#include "config/build_config.h"
#include "position/types.h"
#include "search/hash_memory.h"

struct Position;

// ---- w2 fields ----------------------------------------------------------------
constexpr uint32_t TT_AGE_MASK = 0xF;
constexpr uint32_t TT_LEARNED = 0x10;
constexpr uint32_t TT_FORCED = 0x20;
constexpr uint32_t TT_UPPER = 0x40;
constexpr uint32_t TT_LOWER = 0x80;
constexpr uint32_t TT_EXACT = 0xC0;
constexpr uint32_t TT_BOUND_MASK = 0xC0;
constexpr uint32_t TT_FLAG_MASK = 0xFF;         // age | learned | forced | bound, as callers pass them
constexpr uint32_t TT_REFRESHED = 0x8000;
constexpr int TT_DEPTH_SHIFT = 8;
constexpr int TT_MAX_DEPTH = 63;
constexpr int TT_SCORE_BIAS = 0x4000;

// ---- w3 fields ----------------------------------------------------------------
constexpr uint32_t TT_MOVE_DEPTH_MASK = 0x3F;
constexpr uint32_t TT_HAS_EVAL = 0x80000000;
constexpr uint32_t TT_EVAL_BIAS = 0xA000;

// ---- tt_probe result ------------------------------------------------------------
constexpr uint32_t TT_PROBE_FLAGS_MASK = 0xC0F0;  // learned, forced, bound, refreshed
constexpr uint32_t TT_EVAL_COPIED = 0x4000;        // the stored evaluation went into the PlyRecord
// Depth reported for a stored mate score until a mate is found at the root.
constexpr int TT_MATE_DEPTH = 62;

// tt_insert's result when it wrote the entry (0..3: the bucket slot of an
// existing entry that was kept); TT_INSERT_NO_TABLE when there is no table.
constexpr int TT_INSERT_WRITTEN = 4;
constexpr int TT_INSERT_NO_TABLE = -1;

constexpr int TT_BUCKET_ENTRIES = 4;
constexpr int TT_ENTRY_WORDS = 4;

// The two entry layouts. The program uses TT_LAYOUT; the other one can be
// exercised through the _as functions below.
enum class TtLayout { PLAIN, XOR_FOLDED };
inline constexpr TtLayout TT_LAYOUT = TT_XOR_FOLDED ? TtLayout::XOR_FOLDED : TtLayout::PLAIN;

// One entry's words as read from (or to be written to) the table.
struct TtEntry {
    uint32_t w0, w1, w2, w3;
};

template <TtLayout L>
constexpr TtEntry tt_pack_entry(uint32_t key_hi, uint32_t key_lo, uint32_t move_word, uint32_t w2,
                                uint32_t w3) {
    uint32_t w0 = (key_hi & 0xFFFF0000u) | (move_word & 0xFFFFu);
    if constexpr (L == TtLayout::XOR_FOLDED) return {w0 ^ w2, key_lo ^ w3, w2, w3};
    return {w0, key_lo, w2, w3};
}

template <TtLayout L>
constexpr bool tt_entry_matches(const TtEntry& e, uint32_t key_hi, uint32_t key_lo) {
    if constexpr (L == TtLayout::XOR_FOLDED)
        return ((e.w0 ^ e.w2) & 0xFFFF0000u) == (key_hi & 0xFFFF0000u) && (e.w1 ^ e.w3) == key_lo;
    return (e.w0 & 0xFFFF0000u) == (key_hi & 0xFFFF0000u) && e.w1 == key_lo;
}

template <TtLayout L>
constexpr uint32_t tt_entry_move_word(const TtEntry& e) {
    if constexpr (L == TtLayout::XOR_FOLDED) return (e.w0 ^ e.w2) & 0xFFFFu;
    return e.w0 & 0xFFFFu;
}

// Learned entries stored in the table and not yet saved to the learning file.
extern int learned_entries_changed;

// The move word of a learned entry: 12 move bits and key_hi bits 0-1.
constexpr uint32_t tt_learned_move_word(uint32_t key_hi, Move move) {
    return (key_hi & 3u) << 12 | (move & 0xFFFu);
}

// w3 of a learned entry: the extra value, key_hi bits 6-15 and the move depth.
constexpr uint32_t TT_LEARNED_KEY_BITS = 0xFFC0;
constexpr uint32_t tt_learned_w3(uint32_t key_hi, uint32_t extra, uint32_t move_depth) {
    return (extra & 0xFFFFu) << 16 | (key_hi & TT_LEARNED_KEY_BITS) | (move_depth & 0x3Fu);
}

// The key of a learned entry read from `index` of its table.
template <TtLayout L>
constexpr uint32_t tt_learned_key_lo(const TtEntry& e) {
    if constexpr (L == TtLayout::XOR_FOLDED) return e.w1 ^ e.w3;
    return e.w1;
}
template <TtLayout L>
constexpr uint32_t tt_learned_key_hi(const TtEntry& e, uint32_t index) {
    uint32_t w0 = L == TtLayout::XOR_FOLDED ? e.w0 ^ e.w2 : e.w0;
    return (w0 & 0xFFFF0000u) | (e.w3 & TT_LEARNED_KEY_BITS) | (index & 0x3Cu) | ((w0 >> 12) & 3u);
}

// Mate scores are kept relative to the node: a score beyond the mate bound
// is stored one step further from zero per ply below the root.
constexpr int tt_score_to_stored(int score, int ply) {
    if (score > MATE_SCORE_BOUND) return score + ply - 1;
    if (score < -MATE_SCORE_BOUND) return score + 1 - ply;
    return score;
}
constexpr int tt_score_from_stored(int stored, int ply) {
    if (stored > MATE_SCORE_BOUND) return stored - ply + 1;
    if (stored < -MATE_SCORE_BOUND) return stored + ply - 1;
    return stored;
}

// ---- Geometry -------------------------------------------------------------------
// With E the transposition-table share of the hash in KB each table has
// 32 x E entries. P2 = 2^(floor(log2(E - 1)) + 7); the bucket of a key is
// key_hi & mask with mask = ((P2 - 1) >> 1) & ~3, and an index at or beyond
// the end of the table is folded back by P2 / 4.
struct TtGeometry {
    uint32_t entries;  // per table
    uint32_t mask;
    uint32_t fold;
};

constexpr TtGeometry tt_geometry(int share_kb) {
    if (share_kb < 2) return {0, 0, 0};
    int log2 = 0;
    while ((uint32_t(share_kb - 1) >> (log2 + 1)) != 0) ++log2;
    uint32_t p2 = uint32_t(1) << (log2 + 7);
    return {uint32_t(share_kb) * 32, ((p2 - 1) >> 1) & ~3u, p2 / 4};
}

// Index of the first entry of the key's bucket.
constexpr uint32_t tt_bucket_index(const TtGeometry& g, uint32_t key_hi) {
    uint32_t i = key_hi & g.mask;
    return i >= g.entries ? i - g.fold : i;
}

// ---- State ------------------------------------------------------------------------
extern uint32_t* tt_tables[2];  // by side to move; TT_ENTRY_WORDS words per entry
extern TtGeometry tt_size;
extern uint8_t tt_age;          // the current hash generation, 1..15

// Replacement weight by w2 & 0x1F (age and learned bit); the entry with the
// largest weight - ((w2 >> 6) & 0xFF) in a bucket is replaced first.
using AgeWeights = int32_t[32];
extern AgeWeights age_weights;

inline bool tt_allocated() { return tt_tables[0] != nullptr; }

// Starts loading the bucket of a key into the cache; nothing else. A probe
// that follows by a few hundred instructions (the child's, after make_move)
// finds it there instead of waiting for memory. Always inlined: GCC takes a
// function whose only effect is a prefetch for one without effect and drops
// the calls (so also for the prefetch helpers of the eval cache and search).
[[gnu::always_inline]] inline void tt_prefetch(int side, uint32_t key_hi) {
    if (tt_tables[side] != nullptr)
        __builtin_prefetch(tt_tables[side] + size_t(tt_bucket_index(tt_size, key_hi)) * TT_ENTRY_WORDS);
}

// Allocates both tables (zero-filled) for a share of share_kb; 1, or 0 with
// nothing allocated.
int tt_allocate_tables(int share_kb);
void tt_free_tables();
// Zeroes both tables; with keep_learned, every entry but the learned ones.
void tt_clear_tables(int keep_learned);

// Next age (15 wraps to 1) and the replacement weights that go with it.
void advance_hash_generation();

// ---- Probe and store ----------------------------------------------------------------
// tt_probe: looks up the position (its key in the table of its side to move).
// Returns 0 on a miss, else the entry's w2 & TT_PROBE_FLAGS_MASK, plus
// TT_EVAL_COPIED when want_eval asked for the stored evaluation and it was
// copied into the current PlyRecord. *move is written whenever an entry
// matched (0 when its move failed validate_move, which also makes the probe a
// miss); a plain miss leaves it untouched. On a hit *score is the stored
// score for this ply and *depth the stored depth (TT_MATE_DEPTH for mate
// scores until a mate has been found at the root in this search).
template <TtLayout L>
int tt_probe_as(Position* pos, int* score, int* depth, int ply, Move* move, int want_eval);
// tt_store: flags = age | bound | learned/forced bits as the caller keeps
// them. The PlyRecord's threat bits, threat byte and evaluation go with it.
template <TtLayout L>
void tt_store_as(Position* pos, uint32_t flags, int score, int depth, int ply, Move move);
// tt_insert: writes an entry whole (PV moves, learned results); extra is the
// learned value kept in w3 of a learned entry. Returns the bucket slot of an
// existing entry of the same position that was worth more and kept,
// TT_INSERT_WRITTEN when it wrote, TT_INSERT_NO_TABLE without a table.
template <TtLayout L>
int tt_insert_as(Position* pos, uint32_t flags, int score, int depth, int ply, Move move, int extra);

inline int tt_probe(Position* pos, int* score, int* depth, int ply, Move* move, int want_eval) {
    return tt_probe_as<TT_LAYOUT>(pos, score, depth, ply, move, want_eval);
}
inline void tt_store(Position* pos, uint32_t flags, int score, int depth, int ply, Move move) {
    tt_store_as<TT_LAYOUT>(pos, flags, score, depth, ply, move);
}
inline int tt_insert(Position* pos, uint32_t flags, int score, int depth, int ply, Move move, int extra) {
    return tt_insert_as<TT_LAYOUT>(pos, flags, score, depth, ply, move, extra);
}

// The words of one entry, read as the probe reads them (for the learning
// file and for tests): side's table, entry index.
TtEntry tt_read_entry(int side, uint32_t index);
void tt_write_entry(int side, uint32_t index, const TtEntry& entry);
