// The open human-games book: loading, the record search, the root's choice
// and the learning written back, against small books from the writer.
#include "companion/human_book.h"

#include <gtest/gtest.h>

#include <string>

#include "config/settings.h"
#include "position/movegen.h"
#include "human_book_writer.h"
#include "position/position.h"
#include "search/root.h"
#include "temp_dir.h"
#include "uci/fen.h"
#include "uci/new_game.h"
#include "search/random.h"

namespace {

class HumanBook : public testing::Test {
protected:
    void SetUp() override {
        saved_options_ = book_options;
        saved_flags_ = engine_flags;
        ASSERT_EQ(alloc_human_book_buffer(), 1);
    }
    void TearDown() override {
        close_human_book();
        book_options = search_book_options = saved_options_;
        engine_flags = saved_flags_;
        start_new_game();
    }
    // Writes the book made from `source`; its path.
    std::string write_book(const std::string& source, const char* name = "book.vrh") {
        HumanBookSource book;
        std::string error;
        EXPECT_TRUE(compile_human_book(source, &book, &error)) << error;
        const std::string path = folder_.file(name);
        write_file(path, human_book_bytes(book));
        start_new_game();
        return path;
    }
    TempDir folder_;
    uint32_t saved_options_ = 0;
    uint32_t saved_flags_ = 0;
};

// Root moves of the main position, as the root preparation lists them.
Move root_lines[MAX_ROOT_MOVES][ROOT_LINE_SIZE];
void list_root_moves() {
    Position* pos = &main_position;
    pos->move_list[1] = 0;
    MoveEntry* list = move_list_start(pos, 1);
    const int count = gen_moves(pos, 1, 0, list);
    root_move_count = 0;
    for (int i = 0; i < count && i < MAX_ROOT_MOVES; ++i) {
        RootMove& rm = root_moves[root_move_count++];
        rm = RootMove{};
        rm.line = root_lines[i];
        rm.line[1] = list[i].move;
        rm.line[2] = NO_MOVE;
    }
}

constexpr uint32_t TOURNAMENT = 4u << BO_BOOK_MODE_SHIFT;

TEST_F(HumanBook, FilesThatAreNoBookAreClosedAndNeverUsed) {
    const std::string book = write_book("position startpos\nmove e2e4 class 5\n");
    const std::string bytes = read_file(book);
    struct Case {
        const char* name;
        std::string content;
    };
    std::string wrong_magic = bytes;
    wrong_magic[0] ^= 1;
    const Case cases[] = {
        {"empty", ""},
        {"short header", bytes.substr(0, 20)},
        {"wrong magic", wrong_magic},
    };
    for (const Case& c : cases) {
        const std::string path = folder_.file(c.name);
        write_file(path, c.content);
        book_options |= BO_OWN_BOOK;
        EXPECT_EQ(load_human_book(path.c_str()), 0) << c.name;
        EXPECT_EQ(book_options & BO_HUMAN_BOOK, 0u) << c.name;
        EXPECT_EQ(human_book_header.positions, 0u) << c.name;
        // Learning finds no book to write into.
        EXPECT_EQ(learn_human_book_move(position_key_word1(), position_key_word2(), 64 + 5, 0), 64u + 5) << c.name;
        EXPECT_EQ(read_file(path), c.content) << c.name;
    }
    EXPECT_EQ(load_human_book(folder_.file("missing").c_str()), 0);
    EXPECT_EQ(load_human_book(book.c_str()), 1);
    EXPECT_NE(book_options & BO_HUMAN_BOOK, 0u);
}

TEST_F(HumanBook, SearchFindsTheFirstRecordOfAKeyInItsWindow) {
    std::string source = "key 10 1\n";
    for (int i = 0; i < 70; ++i) source += "move a1a2 class 3\n";
    source += "key 20 1\nmove b1b2 class 3\nkey 5 1\nmove c1c2 class 3\n";
    ASSERT_EQ(load_human_book(write_book(source).c_str()), 1);
    int64_t index = -1;
    HumanBookRecord* record = nullptr;
    // The first record of the file.
    ASSERT_EQ(find_human_book_record(5, &index, &record), 1);
    EXPECT_EQ(index, 0);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->key_word1, 5u);
    // A run longer than half the window: its first records before the
    // window are not reached.
    // Keys are hexadecimal in the source: records 0x5, 70 x 0x10, 0x20. The
    // search meets 0x10 at record 35 and reads its window from record 5.
    ASSERT_EQ(find_human_book_record(0x10, &index, &record), 1);
    EXPECT_EQ(index, 35 - 30);
    EXPECT_EQ(find_human_book_record(0x20, &index, &record), 1);
    EXPECT_EQ(index, 71);
    // Missing keys below, between and above.
    for (uint32_t key : {1u, 0x15u, 0xFFFFFFFFu}) {
        EXPECT_EQ(find_human_book_record(key, &index, &record), 0) << key;
        EXPECT_EQ(record, nullptr);
    }
}

TEST_F(HumanBook, HeaderCountsTheFileCannotBackAreNotFound) {
    const std::string path = write_book("key 10 1\nmove a1a2 class 3\nkey 20 1\nmove b1b2 class 3\n");
    std::string bytes = read_file(path);
    struct Case {
        uint8_t positions;
        uint32_t key;
    };
    // 0 positions finds nothing; 9 positions over a file of 2 records
    // finds nothing beyond the file.
    for (const Case c : {Case{0, 0x10}, Case{0, 0x20}, Case{9, 0x30}, Case{9, 0xFFFFFFF0u}}) {
        bytes[4] = char(c.positions);
        write_file(path, bytes);
        ASSERT_EQ(load_human_book(path.c_str()), 1);
        int64_t index;
        HumanBookRecord* record;
        EXPECT_EQ(find_human_book_record(c.key, &index, &record), 0) << int(c.positions) << " " << c.key;
    }
}

TEST_F(HumanBook, TournamentModeNeedsWeightTwelve) {
    engine_flags |= EF_BOOK_LEARNING;
    for (int weight : {11, 12}) {
        const std::string path =
            write_book("position startpos\nmove e2e4 class 3 learn " + std::to_string(weight) + "\n");
        ASSERT_EQ(load_human_book(path.c_str()), 1);
        list_root_moves();
        random_state = 12345;
        const Move chosen = choose_human_book_move(book_options | TOURNAMENT, main_position.side);
        EXPECT_EQ(chosen != NO_MOVE, weight == 12) << weight;
        if (chosen) {
            EXPECT_EQ(chosen & 0xFFF, encode_move(12, 28, 0));
        }
        close_human_book();
    }
}

TEST_F(HumanBook, LearningRewritesOnlyTheLearningByte) {
    const std::string path = write_book(
        "position startpos\nmove e2e4 class 4 learn 16 result 3/2/1 elo 2200/2100 year 2001\n"
        "move d2d4 class 3 learn 12\n");
    ASSERT_EQ(load_human_book(path.c_str()), 1);
    const std::string before = read_file(path);
    const uint32_t key1 = position_key_word1();
    const uint32_t key2 = position_key_word2();
    const Move e2e4 = encode_move(12, 28, 0);

    // A neutral result with no flag bits writes nothing.
    EXPECT_EQ(learn_human_book_move(key1, key2, 64, e2e4), 64u);
    EXPECT_EQ(read_file(path), before);

    // A win raises the weight: byte 10 of the record, nothing else.
    learn_human_book_move(key1, key2, 64 + 3, e2e4);
    const std::string after = read_file(path);
    ASSERT_EQ(after.size(), before.size());
    int index = -1;
    for (size_t i = 0; i < after.size(); ++i)
        if (after[i] != before[i]) {
            EXPECT_EQ(index, -1) << "second byte changed at " << i;
            index = int(i);
        }
    ASSERT_NE(index, -1);
    EXPECT_EQ(index % 32, 10);
    EXPECT_EQ(uint8_t(after[size_t(index)]) & LEARNED_WEIGHT_MASK, 19);
}

}  // namespace
