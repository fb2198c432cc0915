// The position learning file: learned table entries saved and loaded back,
// the merge with the records already in the file, and a file that is never
// left half-written.
#include "book/learning.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

#include "book/data_paths.h"
#include "key_position.h"
#include "platform/files.h"
#include "platform/little_endian.h"
#include "position/position.h"
#include "search/hash_memory.h"
#include "search/tt.h"
#include "temp_dir.h"
#include "config/settings.h"

namespace {

struct Entry {
    uint32_t key_hi, key_lo;
    int side;
    uint32_t bound;  // TT_UPPER, TT_LOWER, TT_EXACT
    int score, depth;
    uint16_t counter;
};

std::vector<uint8_t> file_bytes(const std::string& path) {
    std::string text = read_file(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

uint32_t u32_at(const std::vector<uint8_t>& b, size_t i) { return get_u32(&b[i]); }
uint16_t u16_at(const std::vector<uint8_t>& b, size_t i) { return get_u16(&b[i]); }

LearnRecord record_at(const std::vector<uint8_t>& b, int i) {
    size_t at = 4 + size_t(i) * LEARN_RECORD_BYTES;
    return LearnRecord{u32_at(b, at), u32_at(b, at + 4), u16_at(b, at + 8), int16_t(u16_at(b, at + 10)),
                       u16_at(b, at + 12), u16_at(b, at + 14)};
}

void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    write_file(path, std::string(bytes.begin(), bytes.end()));
}

std::vector<uint8_t> learning_file(const std::vector<LearnRecord>& records, uint32_t magic = LEARNING_FILE_MAGIC) {
    std::vector<uint8_t> b;
    auto put = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) b.push_back(uint8_t(v >> (8 * i)));
    };
    put(magic, 4);
    for (const LearnRecord& r : records) {
        put(r.key_lo, 4);
        put(r.key_hi, 4);
        put(r.move, 2);
        put(uint16_t(r.score), 2);
        put(r.counter, 2);
        put(r.flags, 2);
    }
    return b;
}

LearnRecord make_record(uint32_t key_hi, uint32_t key_lo, int side, int depth, int score, uint16_t counter) {
    return LearnRecord{key_lo, key_hi, 0, int16_t(score), counter,
                       uint16_t(TT_LEARNED | TT_EXACT | depth << 8 | side << 14)};
}

class LearningTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_paths_ = data_paths;
        saved_flags_ = engine_flags;
        saved_hash_kb_ = hash_size_kb;
        data_paths.data = folder_.path() + "/";
        engine_flags |= EF_POSITION_LEARNING;
        use_hash(2048);  // the smallest table that learns: 1024 KB
    }
    void TearDown() override {
        replace_file_before_rename = nullptr;
        learned_entries_changed = 0;
        data_paths = saved_paths_;
        engine_flags = saved_flags_;  // position learning off again: the old hash comes back without a load
        if (saved_hash_kb_ != hash_size_kb && saved_hash_kb_ > 0) set_hash_size(saved_hash_kb_);
    }

    // A new hash as the engine takes one: cleared, then loaded from the file.
    void use_hash(int kb) {
        ASSERT_EQ(set_hash_size(kb), kb);
        reload_position_learning();
    }

    // A learned entry as the search leaves it: written whole, as refreshed
    // (met again in this run) or not.
    void put_entry(const Entry& e, bool refreshed) {
        Position* pos = key_position(e.key_hi, e.key_lo, e.side);
        uint32_t w2 = tt_age | TT_LEARNED | e.bound | uint32_t(e.depth) << 8 | (refreshed ? TT_REFRESHED : 0) |
                      uint32_t(e.score + TT_SCORE_BIAS) << 16;
        uint32_t index = tt_bucket_index(tt_size, pos->key_hi);
        while ((tt_read_entry(e.side, index).w2 & 0xFFFF) != 0) ++index;  // next free slot of the bucket
        tt_write_entry(e.side, index,
                       tt_pack_entry<TT_LAYOUT>(e.key_hi, e.key_lo, tt_learned_move_word(e.key_hi, NO_MOVE), w2,
                                                tt_learned_w3(e.key_hi, e.counter, 0)));
        learned_entries_changed = 1;
    }

    struct Hit {
        int result, score, depth;
    };
    Hit probe(uint32_t key_hi, uint32_t key_lo, int side) {
        Hit hit{};
        Move move = NO_MOVE;
        hit.result = tt_probe(key_position(key_hi, key_lo, side), &hit.score, &hit.depth, 1, &move, 0);
        return hit;
    }

    std::string path() const { return folder_.file(LEARNING_FILE_NAME); }
    // New files of saves ("Morvax14.lrn.new-XXXXXX") in the data folder.
    size_t new_files() const {
        size_t count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder_.path()))
            if (entry.path().filename().string().rfind(std::string(LEARNING_FILE_NAME) + ".new-", 0) == 0) ++count;
        return count;
    }

    TempDir folder_;
    DataPaths saved_paths_;
    uint32_t saved_flags_;
    int saved_hash_kb_;
};

// Keys chosen to reach every part of the key: the bucket bits, bit 15
// (folded away in tables of 1025-2047 KB), the high half, both sides.
const Entry ENTRIES[] = {
    {0x12345678u, 0x9ABCDEF1u, 0, TT_EXACT, 120, 9, 960},
    {0xFFFFFFFFu, 0x00000002u, 1, TT_LOWER, -300, 14, 7},
    {0x0000FFFCu, 0x13572468u, 0, TT_UPPER, 8180, 3, 0},
    {0x8000F7FFu, 0xFFFFFFFFu, 1, TT_EXACT, -8100, 21, 32767},
};

TEST_F(LearningTest, LearnedEntriesComeBackAsTableHitsAtEveryTableSize) {
    for (int kb : {2048, 3000, 5120}) {
        std::filesystem::remove(path());
        use_hash(kb);
        for (const Entry& e : ENTRIES) put_entry(e, true);
        ASSERT_EQ(save_position_learning(), 1) << kb;
        EXPECT_EQ(learn_record_count, 4) << kb;
        EXPECT_EQ(learned_entries_changed, 0);
        // The table tells keys apart by their high half and low word only:
        // the file must hold the whole key.
        std::vector<uint8_t> b = file_bytes(path());
        ASSERT_EQ(b.size(), 4u + 4 * 16u);
        for (int i = 0; i < 4; ++i) {
            LearnRecord r = record_at(b, i);
            EXPECT_TRUE(std::any_of(std::begin(ENTRIES), std::end(ENTRIES), [&](const Entry& e) {
                return e.key_hi == r.key_hi && e.key_lo == r.key_lo && e.side == ((r.flags >> 14) & 1);
            })) << kb << " " << std::hex << r.key_hi << " " << r.key_lo;
        }

        clear_hash(1);  // a new run: the table is empty
        ASSERT_EQ(load_position_learning(), 1);
        for (const Entry& e : ENTRIES) {
            Hit hit = probe(e.key_hi, e.key_lo, e.side);
            EXPECT_EQ(hit.result, int(TT_LEARNED | e.bound)) << kb << " " << std::hex << e.key_hi;
            EXPECT_EQ(hit.score, e.score) << kb;
            EXPECT_EQ(hit.depth, std::abs(e.score) > 7800 ? 62 : e.depth) << kb;
            Hit other_side = probe(e.key_hi, e.key_lo, e.side ^ 1);
            EXPECT_EQ(other_side.result, 0) << kb;
        }
    }
}

TEST_F(LearningTest, TheFileHoldsTheRecordsFieldByField) {
    put_entry(ENTRIES[1], false);
    ASSERT_EQ(save_position_learning(), 1);
    std::vector<uint8_t> b = file_bytes(path());
    ASSERT_EQ(b.size(), 4u + 16u);
    EXPECT_EQ(u32_at(b, 0), LEARNING_FILE_MAGIC);
    LearnRecord r = record_at(b, 0);
    EXPECT_EQ(r.key_lo, 0x00000002u);
    EXPECT_EQ(r.key_hi, 0xFFFFFFFFu);
    EXPECT_EQ(r.move, 0);
    EXPECT_EQ(r.score, -300);
    EXPECT_EQ(r.counter, 7);  // a new record takes the entry's extra value
    EXPECT_EQ(r.flags, tt_age | TT_LEARNED | TT_LOWER | 14 << 8 | LEARN_SIDE_BIT);
}

TEST_F(LearningTest, LoadingStopsAtTheRecordCapacity) {
    std::vector<LearnRecord> records;
    for (uint32_t i = 0; i < LEARN_RECORD_CAPACITY + 4; ++i)
        records.push_back(make_record(i << 2, 0x5000u + i, 0, 5, int(i % 100), 1));
    write_bytes(path(), learning_file(records));
    ASSERT_EQ(load_position_learning(), 1);
    EXPECT_EQ(learn_record_count, LEARN_RECORD_CAPACITY);
    EXPECT_EQ(probe(records[4095].key_hi, records[4095].key_lo, 0).result, int(TT_LEARNED | TT_EXACT));
    EXPECT_EQ(probe(records[4096].key_hi, records[4096].key_lo, 0).result, 0);
}

TEST_F(LearningTest, AStoredRecordTakesADeeperResultAndOtherwiseOnlyItsCounterChanges) {
    struct Case {
        const char* name;
        int record_depth;
        uint16_t record_counter;
        int entry_depth;
        bool refreshed;
        int expected_depth;
        int expected_score;
        uint16_t expected_counter;
    } cases[] = {
        {"deeper, met again", 10, 500, 12, true, 12, 77, 564},
        {"as deep, not met", 10, 500, 10, false, 10, 77, 499},
        {"shallower, met again", 10, 500, 8, true, 10, 100, 564},
        {"shallower, not met", 10, 0, 8, false, 10, 100, 0},
        {"the counter stops at its top", 10, 32760, 8, true, 10, 100, 32767},
    };
    for (const Case& c : cases) {
        clear_hash(1);
        const uint32_t key_hi = 0x0BADF00Du, key_lo = 0x600DCAFEu;
        std::vector<uint8_t> old = learning_file({make_record(key_hi, key_lo, 0, c.record_depth, 100, c.record_counter)});
        write_bytes(path(), old);
        put_entry({key_hi, key_lo, 0, TT_EXACT, 77, c.entry_depth, 9}, c.refreshed);
        ASSERT_EQ(save_position_learning(), 1);
        std::vector<uint8_t> b = file_bytes(path());
        ASSERT_EQ(b.size(), 20u) << c.name;
        LearnRecord r = record_at(b, 0);
        EXPECT_EQ((r.flags >> 8) & 0x3F, c.expected_depth) << c.name;
        EXPECT_EQ(r.score, c.expected_score) << c.name;
        EXPECT_EQ(r.counter, c.expected_counter) << c.name;
    }
}

TEST_F(LearningTest, AFullFileMakesRoomOnlyForPositionsMetAgain) {
    std::vector<LearnRecord> records;
    for (uint32_t i = 0; i < LEARN_RECORD_CAPACITY; ++i)
        records.push_back(make_record(0x40000000u | i << 2, 0x7000u + i, 1, 5, 0, uint16_t(i == 1234 ? 3 : 100)));
    std::vector<uint8_t> old = learning_file(records);
    write_bytes(path(), old);
    const Entry met_again{0x11110000u, 0x1u, 0, TT_EXACT, 50, 7, 40};
    const Entry not_met{0x22220000u, 0x2u, 0, TT_EXACT, 60, 7, 40};
    put_entry(met_again, true);
    put_entry(not_met, false);
    ASSERT_EQ(save_position_learning(), 1);
    std::vector<uint8_t> b = file_bytes(path());
    ASSERT_EQ(b.size(), 4u + 16u * LEARN_RECORD_CAPACITY);
    LearnRecord replaced = record_at(b, 1234);  // the smallest counter
    EXPECT_EQ(replaced.key_hi, met_again.key_hi);
    EXPECT_EQ(replaced.key_lo, met_again.key_lo);
    EXPECT_EQ(replaced.counter, 40);
    for (int i = 0; i < LEARN_RECORD_CAPACITY; ++i) EXPECT_NE(record_at(b, i).key_hi, not_met.key_hi);
    EXPECT_EQ(record_at(b, 1233).key_lo, records[1233].key_lo);
}

TEST_F(LearningTest, NothingToSaveWritesNothingAndAForeignFileIsReplaced) {
    ASSERT_EQ(save_position_learning(), 1);
    EXPECT_FALSE(regular_file_exists(path()));

    write_file(path(), "not a learning file");
    put_entry(ENTRIES[0], false);
    ASSERT_EQ(save_position_learning(), 1);
    std::vector<uint8_t> b = file_bytes(path());
    ASSERT_EQ(b.size(), 20u);
    EXPECT_EQ(u32_at(b, 0), LEARNING_FILE_MAGIC);
    EXPECT_EQ(record_at(b, 0).key_hi, ENTRIES[0].key_hi);
}

TEST_F(LearningTest, ATableBelow1024KbNeitherLoadsNorSaves) {
    std::vector<uint8_t> old = learning_file({make_record(0x100u, 0x200u, 0, 5, 10, 1)});
    write_bytes(path(), old);
    use_hash(1024);  // 512 KB of table
    EXPECT_EQ(probe(0x100u, 0x200u, 0).result, 0);
    put_entry(ENTRIES[0], true);
    EXPECT_EQ(save_position_learning(), 0);
    EXPECT_EQ(file_bytes(path()), old);
}

TEST_F(LearningTest, ARunWithoutLearnedResultsLeavesTheFileAsItWas) {
    std::vector<uint8_t> old = learning_file({make_record(0x100u, 0x200u, 0, 5, 10, 1)});
    write_bytes(path(), old);
    use_hash(4096);  // loads the file
    EXPECT_EQ(probe(0x100u, 0x200u, 0).result, int(TT_LEARNED | TT_EXACT));
    save_position_learning_at_exit();  // shutdown: nothing changed, nothing saved
    EXPECT_EQ(file_bytes(path()), old);
}

TEST_F(LearningTest, AnEndDuringTheSaveLeavesTheOldFile) {
    std::vector<uint8_t> old = learning_file({make_record(0x100u, 0x200u, 0, 5, 10, 1)});
    write_bytes(path(), old);
    put_entry(ENTRIES[0], true);
    EXPECT_EXIT(
        {
            replace_file_before_rename = [](const std::string&) { _exit(3); };
            save_position_learning();
        },
        ::testing::ExitedWithCode(3), "");
    EXPECT_EQ(file_bytes(path()), old);

    // The ended save left its new file behind; the next save removes it,
    // but not the new file of a save still under way (it holds a lock).
    EXPECT_EQ(new_files(), 1u);
    const std::string busy = path() + ".new-Busy01";
    write_file(busy, "");
    const int busy_fd = open(busy.c_str(), O_RDONLY);
    ASSERT_GE(busy_fd, 0);
    ASSERT_EQ(flock(busy_fd, LOCK_EX), 0);
    ASSERT_EQ(save_position_learning(), 1);
    close(busy_fd);
    EXPECT_EQ(new_files(), 1u);
    EXPECT_TRUE(std::filesystem::exists(busy));
    std::vector<uint8_t> b = file_bytes(path());
    EXPECT_EQ(b.size(), 4u + 2 * 16u);
    EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 20), old);
}

TEST_F(LearningTest, ASaveKeepsTheFilesRightsAndWritesThroughALink) {
    // The learning file is a link to a file elsewhere, readable by its owner only.
    TempDir elsewhere;
    const std::string target = elsewhere.file("kept.lrn");
    std::vector<uint8_t> old = learning_file({make_record(0x100u, 0x200u, 0, 5, 10, 1)});
    write_bytes(target, old);
    ASSERT_EQ(chmod(target.c_str(), 0600), 0);
    std::filesystem::create_symlink("../" + std::filesystem::path(elsewhere.path()).filename().string() + "/kept.lrn",
                                    path());
    put_entry(ENTRIES[0], true);
    ASSERT_EQ(save_position_learning(), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(path()));
    EXPECT_EQ(file_bytes(target).size(), 4u + 2 * 16u);
    struct stat info {};
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(new_files(), 0u);
    for (const auto& entry : std::filesystem::directory_iterator(elsewhere.path()))
        EXPECT_EQ(entry.path().filename(), "kept.lrn");
}

}  // namespace
