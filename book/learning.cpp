#include "book/learning.h"

#include <cstdio>
#include <unordered_map>
#include <vector>

#include "book/data_paths.h"
#include "config/build_config.h"
#include "config/settings.h"
#include "platform/files.h"
#include "platform/little_endian.h"
#include "position/position.h"
#include "search/tt.h"

LearningCounts learning_counts{};
int learn_record_count = 0;

namespace {

// Learning needs a table large enough to keep the learned entries apart.
constexpr int LEARNING_MIN_TT_KB = 1024;

LearnRecord learn_records[LEARN_RECORD_CAPACITY];

// The companion build keeps no learning file: it is neither read nor written,
// whatever the option says.
bool learning_table_ready() { return !COMPANION_BUILD && tt_allocated() && tt_share_kb >= LEARNING_MIN_TT_KB; }

LearnRecord decode_record(const uint8_t* b) {
    return LearnRecord{get_u32(b), get_u32(b + 4), get_u16(b + 8), int16_t(get_u16(b + 10)), get_u16(b + 12),
                       get_u16(b + 14)};
}

void encode_record(const LearnRecord& r, uint8_t* b) {
    put_u32(b, r.key_lo);
    put_u32(b + 4, r.key_hi);
    put_u16(b + 8, r.move);
    put_u16(b + 10, uint16_t(r.score));
    put_u16(b + 12, r.counter);
    put_u16(b + 14, r.flags);
}

// Reads the file's records into learn_records: their number, or -1 when the
// file is missing or not a learning file.
int read_learning_file() {
    std::FILE* file = std::fopen(learning_file_path().c_str(), "rb");
    if (!file) return -1;
    uint8_t magic[4];
    int count = -1;
    if (std::fread(magic, 1, sizeof(magic), file) == sizeof(magic) && get_u32(magic) == LEARNING_FILE_MAGIC) {
        count = 0;
        uint8_t bytes[LEARN_RECORD_BYTES];
        while (count < LEARN_RECORD_CAPACITY && std::fread(bytes, 1, sizeof(bytes), file) == sizeof(bytes))
            learn_records[count++] = decode_record(bytes);
    }
    std::fclose(file);
    return count;
}

int record_side(const LearnRecord& r) { return (r.flags & LEARN_SIDE_BIT) ? 1 : 0; }
int record_depth(uint32_t flags) { return int((flags >> 8) & 0x3F); }

// The records of this save by position and side to move.
struct RecordIndex {
    std::unordered_map<uint64_t, int> by_key[2];

    static uint64_t key(uint32_t lo, uint32_t hi) { return uint64_t(hi) << 32 | lo; }
    int find(int side, uint32_t lo, uint32_t hi) const {
        auto it = by_key[side].find(key(lo, hi));
        return it == by_key[side].end() ? -1 : it->second;
    }
    void add(int i) { by_key[record_side(learn_records[i])][key(learn_records[i].key_lo, learn_records[i].key_hi)] = i; }
    void remove(int i) {
        by_key[record_side(learn_records[i])].erase(key(learn_records[i].key_lo, learn_records[i].key_hi));
    }
};

// Copies a learned entry into a record; a record that stays keeps (and
// ages) its counter.
void update_learning_record(const TtEntry& e, uint32_t move_word, LearnRecord* r, int side, bool is_new,
                            uint32_t key_lo, uint32_t key_hi) {
    if (is_new || record_depth(e.w2) >= record_depth(r->flags)) {
        r->flags = uint16_t((e.w2 & 0xFFFF & ~uint32_t(LEARN_SIDE_BIT)) | uint32_t(side) << 14);
        r->move = uint16_t(move_word & 0xFFF);
        r->score = int16_t(int(e.w2 >> 16) - TT_SCORE_BIAS);
        r->key_lo = key_lo;
        r->key_hi = key_hi;
        if (is_new) {
            r->counter = uint16_t(e.w3 >> 16);
            ++learning_counts.added;
            return;
        }
        ++learning_counts.updated;
    }
    if (e.w2 & TT_REFRESHED) {
        int counter = r->counter + LEARN_COUNTER_STEP;
        r->counter = uint16_t(counter > LEARN_COUNTER_MAX ? LEARN_COUNTER_MAX : counter);
        ++learning_counts.refreshed;
    } else if (r->counter > 0) {
        --r->counter;
    }
}

// Finds or adds the record of one learned entry. With the records full, an
// entry met again in this run takes the place of the record with the
// smallest counter; others are dropped.
void find_learning_record(int side, const TtEntry& e, uint32_t index, RecordIndex* records) {
    const uint32_t key_lo = tt_learned_key_lo<TT_LAYOUT>(e);
    const uint32_t key_hi = tt_learned_key_hi<TT_LAYOUT>(e, index);
    const uint32_t move_word = tt_entry_move_word<TT_LAYOUT>(e);
    const int found = records->find(side, key_lo, key_hi);
    if (found >= 0) {
        update_learning_record(e, move_word, &learn_records[found], side, false, key_lo, key_hi);
        return;
    }
    int slot = learn_record_count;
    if (learn_record_count == LEARN_RECORD_CAPACITY) {
        if (!(e.w2 & TT_REFRESHED)) return;
        slot = 0;
        for (int i = 1; i < learn_record_count; ++i)
            if (learn_records[i].counter < learn_records[slot].counter) slot = i;
        records->remove(slot);
    } else {
        ++learn_record_count;
    }
    update_learning_record(e, move_word, &learn_records[slot], side, true, key_lo, key_hi);
    records->add(slot);
}

void collect_learned_entries(RecordIndex* records) {
    for (int side = 0; side < 2; ++side)
        for (uint32_t index = 0; index < tt_size.entries; ++index) {
            const TtEntry e = tt_read_entry(side, index);
            if (e.w2 & TT_LEARNED) find_learning_record(side, e, index, records);
        }
}

bool write_learning_file() {
    std::vector<uint8_t> bytes(4 + size_t(learn_record_count) * LEARN_RECORD_BYTES);
    put_u32(bytes.data(), LEARNING_FILE_MAGIC);
    for (int i = 0; i < learn_record_count; ++i) encode_record(learn_records[i], bytes.data() + 4 + i * LEARN_RECORD_BYTES);
    return replace_file(learning_file_path(), bytes.data(), bytes.size());
}

}  // namespace

std::string learning_file_path() { return data_paths.data + LEARNING_FILE_NAME; }

int load_position_learning() {
    if (!learning_table_ready()) return 0;
    const int count = read_learning_file();
    learn_record_count = count > 0 ? count : 0;
    if (count > 0) {
        // The table is keyed by the position: each record is inserted as the
        // main position with the record's key and side to move.
        Position* pos = &main_position;
        const uint32_t key_lo = pos->key_lo, key_hi = pos->key_hi;
        const int side = pos->side;
        for (int i = 0; i < count; ++i) {
            LearnRecord& r = learn_records[i];
            pos->key_lo = r.key_lo;
            pos->key_hi = r.key_hi;
            pos->side = record_side(r);
            r.flags &= uint16_t(~(0xFu | LEARN_SIDE_BIT | LEARN_REFRESHED_BIT));
            tt_insert(pos, r.flags & 0xF0u, r.score, record_depth(r.flags), 1, Move(r.move & 0xFFF), r.counter);
        }
        pos->key_lo = key_lo;
        pos->key_hi = key_hi;
        pos->side = side;
    }
    learned_entries_changed = 0;
    return 1;
}

int save_position_learning() {
    if (!learning_table_ready()) return 0;
    learning_counts = {};
    const int count = read_learning_file();
    learn_record_count = count > 0 ? count : 0;
    RecordIndex records;
    for (int i = 0; i < learn_record_count; ++i) records.add(i);
    collect_learned_entries(&records);
    if (learn_record_count > 0) write_learning_file();
    learned_entries_changed = 0;
    return 1;
}

void reload_position_learning() {
    if (engine_flags & EF_POSITION_LEARNING) load_position_learning();
}

void save_position_learning_at_exit() {
    if ((engine_flags & EF_POSITION_LEARNING) && learned_entries_changed) save_position_learning();
}
