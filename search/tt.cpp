#include "search/tt.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "config/settings.h"
#include "eval/root_state.h"
#include "platform/memory.h"
#include "position/move_tests.h"
#include "position/position.h"

uint32_t* tt_tables[2] = {nullptr, nullptr};
TtGeometry tt_size = {0, 0, 0};
uint8_t tt_age = 1;
AgeWeights age_weights;
int learned_entries_changed = 0;

namespace {

// Threads read and write the shared words without locks; relaxed atomic
// access keeps that defined and costs nothing more than plain moves.
inline uint32_t load_word(uint32_t* word) {
    return std::atomic_ref<uint32_t>(*word).load(std::memory_order_relaxed);
}
inline void store_word(uint32_t* word, uint32_t value) {
    std::atomic_ref<uint32_t>(*word).store(value, std::memory_order_relaxed);
}

inline TtEntry load_entry(uint32_t* words) {
    return {load_word(words), load_word(words + 1), load_word(words + 2), load_word(words + 3)};
}
inline void store_entry(uint32_t* words, const TtEntry& e) {
    store_word(words, e.w0);
    store_word(words + 1, e.w1);
    store_word(words + 2, e.w2);
    store_word(words + 3, e.w3);
}

inline uint32_t* bucket_of(const Position* pos) {
    return tt_tables[pos->side] + size_t(tt_bucket_index(tt_size, pos->key_hi)) * TT_ENTRY_WORDS;
}

// The lower, the more the entry is worth keeping.
inline int replacement_value(uint32_t w2) {
    return age_weights[w2 & 0x1F] - int((w2 >> 6) & 0xFF);
}

inline int clamp_depth(int depth) {
    return depth < 0 ? 0 : depth > TT_MAX_DEPTH ? TT_MAX_DEPTH : depth;
}

inline uint32_t score_field(int stored) { return uint32_t(stored + TT_SCORE_BIAS) << 16; }

void rebuild_age_weights() {
    for (int i = 0; i < 16; ++i) age_weights[i] = ((tt_age - i) & 15) * 256 + 512;
    for (int i = 16; i < 32; ++i) age_weights[i] = 256;
}

// Builds the age weights before anything can probe or store.
[[maybe_unused]] const bool age_weights_ready = (rebuild_age_weights(), true);

}  // namespace

int tt_allocate_tables(int share_kb) {
    tt_free_tables();
    TtGeometry g = tt_geometry(share_kb);
    if (g.entries == 0) return 0;
    size_t bytes = size_t(g.entries) * TT_ENTRY_WORDS * sizeof(uint32_t);
    for (int side = 0; side < 2; ++side) {
        tt_tables[side] = static_cast<uint32_t*>(hash_table_allocator(bytes));
        if (tt_tables[side] == nullptr) {
            tt_free_tables();
            return 0;
        }
    }
    tt_size = g;
    return 1;
}

void tt_free_tables() {
    for (uint32_t*& table : tt_tables) {
        std::free(table);
        table = nullptr;
    }
    tt_size = {0, 0, 0};
}

void tt_clear_tables(int keep_learned) {
    if (!tt_allocated()) return;
    size_t words = size_t(tt_size.entries) * TT_ENTRY_WORDS;
    for (uint32_t* table : tt_tables) {
        if (!keep_learned) {
            std::memset(table, 0, words * sizeof(uint32_t));
            continue;
        }
        for (size_t i = 0; i < words; i += TT_ENTRY_WORDS)
            if (!(load_word(table + i + 2) & TT_LEARNED)) store_entry(table + i, {0, 0, 0, 0});
    }
}

void advance_hash_generation() {
    tt_age = tt_age >= 15 ? 1 : uint8_t(tt_age + 1);
    rebuild_age_weights();
}

TtEntry tt_read_entry(int side, uint32_t index) {
    return load_entry(tt_tables[side] + size_t(index) * TT_ENTRY_WORDS);
}

void tt_write_entry(int side, uint32_t index, const TtEntry& entry) {
    store_entry(tt_tables[side] + size_t(index) * TT_ENTRY_WORDS, entry);
}

template <TtLayout L>
int tt_probe_as(Position* pos, int* score, int* depth, int ply, Move* move, int want_eval) {
    if (!tt_allocated()) return 0;
    uint32_t* bucket = bucket_of(pos);
    for (int i = 0; i < TT_BUCKET_ENTRIES; ++i) {
        uint32_t* slot = bucket + i * TT_ENTRY_WORDS;
        TtEntry e = load_entry(slot);
        if (!tt_entry_matches<L>(e, pos->key_hi, pos->key_lo)) continue;

        const uint32_t d = e.w2;
        if ((d & 0xFFFF) == 0) return 0;
        const bool learned = (d & TT_LEARNED) != 0;
        const bool current_age = (d & TT_AGE_MASK) == tt_age;
        if (!current_age && !learned && !(search_flags & EF_RETAIN_HASH)) return 0;

        const uint32_t move_word = tt_entry_move_word<L>(e);
        Move found = Move(learned ? move_word & 0xFFF : move_word);
        if (found != NO_MOVE && !validate_move(pos, &found)) {
            *move = NO_MOVE;
            return 0;
        }
        *move = found;

        int result = int(d & TT_PROBE_FLAGS_MASK);
        if (!current_age) {
            // Bring the entry up to the current age. Its evaluation and threat
            // data belong to another search and are dropped; a learned entry's
            // extra value is not search data and stays.
            uint32_t w2 = tt_age | TT_REFRESHED | (d & ~TT_AGE_MASK);
            uint32_t w3 = learned ? e.w3 : (e.w3 & TT_MOVE_DEPTH_MASK);
            store_entry(slot, tt_pack_entry<L>(pos->key_hi, pos->key_lo, move_word, w2, w3));
        } else if (want_eval && (e.w3 & TT_HAS_EVAL) && !learned) {
            // A learned entry's top half is its extra value, not an evaluation.
            PlyRecord* record = current_ply_record(pos);
            record->flags |= ((e.w3 >> 6) & 0xF) | 0x80;
            record->threat = uint8_t((e.w3 >> 10) & 0x3F);
            record->eval = int16_t(uint16_t((e.w3 >> 16) + 0x6000));
            result |= int(TT_EVAL_COPIED);
        }

        *depth = int((d >> TT_DEPTH_SHIFT) & 0x3F);
        int stored = int(d >> 16) - TT_SCORE_BIAS;
        *score = tt_score_from_stored(stored, ply);
        if ((stored > MATE_SCORE_BOUND || stored < -MATE_SCORE_BOUND) && !(search_state_flags & SEARCH_MATE_FOUND))
            *depth = TT_MATE_DEPTH;
        return result;
    }
    return 0;
}

template <TtLayout L>
void tt_store_as(Position* pos, uint32_t flags, int score, int depth, int ply, Move move) {
    if (!tt_allocated()) return;
    depth = clamp_depth(depth);
    const int stored = tt_score_to_stored(score, ply);
    const PlyRecord* record = current_ply_record(pos);
    const uint32_t threat_bits = (record->flags & 15) << 6 | uint32_t(record->threat & 63) << 10;
    const bool has_eval = (record->flags & 0x80) != 0;
    const uint32_t eval_bits = has_eval ? uint32_t(uint16_t(record->eval + int(TT_EVAL_BIAS))) << 16 : 0;
    uint32_t a = (flags & TT_FLAG_MASK) | uint32_t(depth) << TT_DEPTH_SHIFT;

    uint32_t* bucket = bucket_of(pos);
    int victim = 0;
    int victim_value = -0x7FFFFFFF;
    for (int i = 0; i < TT_BUCKET_ENTRIES; ++i) {
        uint32_t* slot = bucket + i * TT_ENTRY_WORDS;
        TtEntry e = load_entry(slot);
        if (tt_entry_matches<L>(e, pos->key_hi, pos->key_lo)) {
            const uint32_t d = e.w2;
            a |= d & (TT_LEARNED | TT_FORCED);
            const bool learned = (a & TT_LEARNED) != 0;

            uint32_t move_word = tt_entry_move_word<L>(e);
            uint32_t move_depth = e.w3 & TT_MOVE_DEPTH_MASK;
            if (move != NO_MOVE && uint32_t(depth) >= move_depth) {
                move_word = learned ? tt_learned_move_word(pos->key_hi, move) : move;
                move_depth = uint32_t(depth);
            }

            // A learned entry's w3 keeps its extra value and key bits: never
            // overwritten by an evaluation.
            uint32_t w3;
            if (learned)
                w3 = tt_learned_w3(pos->key_hi, (d & TT_LEARNED) ? e.w3 >> 16 : 0, move_depth);
            else if (has_eval)
                w3 = threat_bits | eval_bits | move_depth;
            else
                w3 = (e.w3 & ~TT_MOVE_DEPTH_MASK) | move_depth;

            uint32_t w2 = replacement_value(d) < replacement_value(a) ? d : a | score_field(stored);
            store_entry(slot, tt_pack_entry<L>(pos->key_hi, pos->key_lo, move_word, w2, w3));
            return;
        }
        int value = replacement_value(e.w2);
        if (value > victim_value) {
            victim_value = value;
            victim = i;
        }
    }

    uint32_t w3 = move != NO_MOVE ? uint32_t(depth) : 0;
    if (a & TT_LEARNED)
        w3 = tt_learned_w3(pos->key_hi, 0, w3);
    else if (has_eval)
        w3 |= threat_bits | eval_bits;
    uint32_t move_word = (a & TT_LEARNED) ? tt_learned_move_word(pos->key_hi, move) : move;
    store_entry(bucket + victim * TT_ENTRY_WORDS,
                tt_pack_entry<L>(pos->key_hi, pos->key_lo, move_word, a | score_field(stored), w3));
}

template <TtLayout L>
int tt_insert_as(Position* pos, uint32_t flags, int score, int depth, int ply, Move move, int extra) {
    if (!tt_allocated()) return TT_INSERT_NO_TABLE;
    depth = clamp_depth(depth);
    const int stored = tt_score_to_stored(score, ply);
    flags &= TT_FLAG_MASK;
    const uint32_t a = flags | uint32_t(depth) << TT_DEPTH_SHIFT;
    const int new_value = replacement_value(a);

    uint32_t* bucket = bucket_of(pos);
    int victim = -1;
    int victim_value = -0x7FFFFFFF;
    for (int i = 0; i < TT_BUCKET_ENTRIES; ++i) {
        TtEntry e = load_entry(bucket + i * TT_ENTRY_WORDS);
        int value = replacement_value(e.w2);
        if (tt_entry_matches<L>(e, pos->key_hi, pos->key_lo)) {
            if (value < new_value) return i;
            victim = i;
            break;
        }
        if (value > victim_value) {
            victim_value = value;
            victim = i;
        }
    }

    const bool learned = (flags & TT_LEARNED) != 0;
    const uint32_t move_depth = (move & 0xFFF) ? uint32_t(depth) : 0;
    uint32_t w3 = learned ? tt_learned_w3(pos->key_hi, uint32_t(extra), move_depth) : move_depth;
    uint32_t move_word = learned ? tt_learned_move_word(pos->key_hi, move) : move;
    store_entry(bucket + victim * TT_ENTRY_WORDS,
                tt_pack_entry<L>(pos->key_hi, pos->key_lo, move_word, a | score_field(stored), w3));
    return TT_INSERT_WRITTEN;
}

template int tt_probe_as<TtLayout::PLAIN>(Position*, int*, int*, int, Move*, int);
template int tt_probe_as<TtLayout::XOR_FOLDED>(Position*, int*, int*, int, Move*, int);
template void tt_store_as<TtLayout::PLAIN>(Position*, uint32_t, int, int, int, Move);
template void tt_store_as<TtLayout::XOR_FOLDED>(Position*, uint32_t, int, int, int, Move);
template int tt_insert_as<TtLayout::PLAIN>(Position*, uint32_t, int, int, int, Move, int);
template int tt_insert_as<TtLayout::XOR_FOLDED>(Position*, uint32_t, int, int, int, Move, int);
