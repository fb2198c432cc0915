// The scan of the "NalimovPath" folders: the names a part is looked for
// under, the folder order, split parts, the size checks and the files that
// end the program (run in a child process).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "config/settings.h"
#include "position/position.h"
#include "tablebase/cache.h"
#include "tablebase/decoder.h"
#include "tablebase/probe.h"
#include "tablebase/scan.h"
#include "tablebase/table_sides.h"
#include "tablebase/tablebase.h"
#include "tb_encoder.h"
#include "tb_file_helpers.h"
#include "tb_positions.h"
#include "temp_dir.h"

namespace {

constexpr int KPK = 1, KQK = 5, KRK = 4;

std::string printed;
void capture(const char* line) { printed += line; }

class ScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        printed.clear();
        tb_info_printer = capture;
        std::snprintf(saved_path_, sizeof(saved_path_), "%s", nalimov_path);
    }
    void TearDown() override {
        tb_info_printer = nullptr;
        std::snprintf(nalimov_path, sizeof(nalimov_path), "%s", saved_path_);
        free_tablebases();
    }

    // A plain table of `entries` one-byte entries.
    static void write_plain(const std::string& path, uint64_t entries) {
        tb_encoder::write_bytes(path, tb_test::sample_table(size_t(entries), 7));
    }
    // A compressed table of `entries` one-byte entries.
    static void write_compressed(const std::string& path, uint64_t entries, const tb_encoder::Options& options = {}) {
        tb_encoder::write_bytes(path, tb_encoder::encode(tb_test::sample_table(size_t(entries), 7), options).bytes);
    }
    // A file of `bytes` that takes no room on disk.
    static void write_sparse(const std::string& path, uint64_t bytes) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
        ASSERT_EQ(truncate(path.c_str(), off_t(bytes)), 0);
    }
    static std::string registered(int record, int side, int part = 0) {
        const char* name = tb_table_sides[record][side].part_names[part].load();
        return name != nullptr ? name : "";
    }
    static uint64_t length(int record, int side) { return tb_descriptors[size_t(record)].length[side]; }
    int scan(const std::string& path) {
        std::snprintf(nalimov_path, sizeof(nalimov_path), "%s", path.c_str());
        return scan_tablebases(nalimov_path);
    }

    TempDir dir_;
    char saved_path_[NALIMOV_PATH_CAPACITY] = "";
};

TEST_F(ScanTest, NamesTriedInOrder) {
    // kqk side 0: the plain name wins over the compressed ones.
    write_plain(dir_.file("kqk.nbw"), length(KQK, 0));
    write_compressed(dir_.file("kqk.nbw.emd"), length(KQK, 0));
    // kqk side 1: only compressed names, the first of them wins.
    write_compressed(dir_.file("kqk.nbb.emd"), length(KQK, 1));
    write_compressed(dir_.file("kqk_nbb.emd"), length(KQK, 1));
    // krk: the '_' names in their order, then the short name.
    write_compressed(dir_.file("krk_nbw.emd"), length(KRK, 0));
    write_compressed(dir_.file("krk_nbw_emd"), length(KRK, 0));
    write_compressed(dir_.file("krknbb.emd"), length(KRK, 1));
    // kpk side 1 only under the second '_' name.
    write_compressed(dir_.file("kpk_nbb_emd"), length(KPK, 1));
    // Six men are never looked for under the short name, split tables
    // never under the '_' names (these would not even be read).
    write_plain(dir_.file("knnknnnbw.emd"), 10);
    write_plain(dir_.file("knpknp.0_nbw.emd"), 10);
    write_plain(dir_.file("knpknp_nbw.emd"), 10);

    EXPECT_EQ(scan(dir_.path()), 3);
    EXPECT_EQ(registered(KQK, 0), dir_.file("kqk.nbw"));
    EXPECT_EQ(tb_table_sides[KQK][0].decoders[0], nullptr) << "a plain file";
    EXPECT_EQ(registered(KQK, 1), dir_.file("kqk.nbb.emd"));
    EXPECT_NE(tb_table_sides[KQK][1].decoders[0], nullptr);
    EXPECT_EQ(registered(KRK, 0), dir_.file("krk_nbw.emd"));
    EXPECT_EQ(registered(KRK, 1), dir_.file("krknbb.emd"));
    EXPECT_EQ(registered(KPK, 0), "");
    EXPECT_EQ(registered(KPK, 1), dir_.file("kpk_nbb_emd"));
    EXPECT_EQ(registered(tb_find_record("knnknn"), 0), "");
    EXPECT_EQ(registered(tb_find_record("knpknp"), 0), "");
}

TEST_F(ScanTest, FoldersInOrder) {
    TempDir second;
    write_plain(dir_.file("kqk.nbw"), length(KQK, 0));
    write_plain(second.file("kqk.nbw"), length(KQK, 0));
    write_plain(second.file("kqk.nbb"), length(KQK, 1));
    write_plain(second.file("krk.nbw"), length(KRK, 0));
    // A trailing '/' gets no second one; ',' separates as ';' does.
    EXPECT_EQ(scan(dir_.path() + "/;" + second.path() + ",/nonexistent"), 3);
    EXPECT_EQ(registered(KQK, 0), dir_.file("kqk.nbw"));
    EXPECT_EQ(registered(KQK, 1), second.file("kqk.nbb"));
    EXPECT_EQ(registered(KRK, 0), second.file("krk.nbw"));
    EXPECT_EQ(scan("/nonexistent"), 0);
    EXPECT_EQ(registered(KQK, 0), "") << "a new scan forgets the old tables";
}

TEST_F(ScanTest, EmptyPieceIsTheWorkingDirectory) {
    const std::string here = "kpk.nbw";  // the tests run in a folder of their own
    write_plain(here, length(KPK, 0));
    EXPECT_EQ(scan("/nonexistent;"), 3);
    EXPECT_EQ(registered(KPK, 0), here);
    std::remove(here.c_str());
}

TEST_F(ScanTest, SplitPartsUpToTheFirstMissing) {
    // knpknp: one-byte entries in seven parts, all but the last 2^31 bytes.
    const int record = tb_find_record("knpknp");
    ASSERT_EQ(tb_part_count(tb_descriptors[size_t(record)], 0), 7);
    write_sparse(dir_.file("knpknp.0.nbw"), TB_PART_BYTES);
    write_sparse(dir_.file("knpknp.1.nbw"), TB_PART_BYTES);
    write_sparse(dir_.file("knpknp.3.nbw"), TB_PART_BYTES);
    write_sparse(dir_.file("knpknp.6.nbw"), length(record, 0) - 6 * TB_PART_BYTES);
    EXPECT_EQ(scan(dir_.path()), 6);
    EXPECT_EQ(registered(record, 0, 0), dir_.file("knpknp.0.nbw"));
    EXPECT_EQ(registered(record, 0, 1), dir_.file("knpknp.1.nbw"));
    for (int part = 2; part < TB_MAX_PARTS; ++part) EXPECT_EQ(registered(record, 0, part), "") << part;
}

TEST_F(ScanTest, CompressedContentUnderThePlainName) {
    write_compressed(dir_.file("kqk.nbw"), length(KQK, 0));
    EXPECT_EQ(scan(dir_.path()), 3);
    EXPECT_EQ(registered(KQK, 0), dir_.file("kqk.nbw"));
    EXPECT_NE(tb_table_sides[KQK][0].decoders[0], nullptr) << "read through the decompressor, not raw";
}

TEST_F(ScanTest, AFolderNamedLikeATableIsNotFound) {
    // kqk side 0: a folder under the plain name, the table under the next.
    ASSERT_EQ(mkdir(dir_.file("kqk.nbw").c_str(), 0755), 0);
    write_compressed(dir_.file("kqk.nbw.emd"), length(KQK, 0));
    // krk side 1: folders under its names and nothing else.
    ASSERT_EQ(mkdir(dir_.file("krk.nbb").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(dir_.file("krk.nbb.emd").c_str(), 0755), 0);
    EXPECT_EQ(scan(dir_.path()), 3);
    EXPECT_EQ(registered(KQK, 0), dir_.file("kqk.nbw.emd"));
    EXPECT_EQ(registered(KRK, 1), "");
}

TEST_F(ScanTest, AnotherProgramsBannerIsReadAndProbed) {
    // kqk, white Ka1 Qd1 against Kh8, white to move: index 1768. The entry
    // there says the side to move mates in 7 (stored byte 127 - 7).
    std::vector<uint8_t> table = tb_test::sample_table(size_t(length(KQK, 0)), 7);
    table[1768] = 120;
    tb_encoder::write_bytes(dir_.file("kqk.nbw.emd"), tb_test::with_banner(tb_encoder::encode(table).bytes));
    const int saved_cache_bytes = nalimov_cache_bytes;
    nalimov_cache_bytes = 1 << 20;
    std::snprintf(nalimov_path, sizeof(nalimov_path), "%s", dir_.path().c_str());
    EXPECT_EQ(init_tablebases(1), 1);
    nalimov_cache_bytes = saved_cache_bytes;
    EXPECT_EQ(tb_max_pieces, 3);
    EXPECT_EQ(registered(KQK, 0), dir_.file("kqk.nbw.emd"));

    const std::vector<tb_positions::Man> men = tb_positions::men_of("kqk");
    const int squares[] = {tb_positions::square_of("a1"), tb_positions::square_of("h8"), tb_positions::square_of("d1")};
    ASSERT_EQ(tb_positions::set_up(men, squares, 0, 0), 1);
    int result = 0;
    ASSERT_EQ(tb_probe_position(&main_position, &result), 1);
    EXPECT_EQ(result, 7);
}

TEST_F(ScanTest, ScanAtStartUpBuildsTheCache) {
    write_plain(dir_.file("kqk.nbw"), length(KQK, 0));
    const int saved_cache_bytes = nalimov_cache_bytes;
    nalimov_cache_bytes = 1 << 20;
    std::snprintf(nalimov_path, sizeof(nalimov_path), "%s", dir_.path().c_str());
    EXPECT_EQ(init_tablebases(1), 1);
    EXPECT_EQ(tb_max_pieces, 3);
    EXPECT_EQ(tb_cache_nodes, 126u);
    EXPECT_EQ(printed, "info string TBS 3 pieces 1Mb cache\n");
    nalimov_cache_bytes = saved_cache_bytes;
}

// ---- Files that end the program: each in a child process ----

class ScanFatalTest : public ScanTest {
protected:
    void SetUp() override {
        ScanTest::SetUp();
        std::remove("debug.txt");
    }
    void TearDown() override {
        std::remove("debug.txt");
        ScanTest::TearDown();
    }
    // Scans the folder in a child process that must end with code 1, having
    // printed and logged `message`.
    void expect_fatal(const std::string& message) {
        const std::string path = dir_.path();
        EXPECT_EXIT(scan(path), ::testing::ExitedWithCode(1), "");
        EXPECT_NE(read_file("debug.txt").find(message), std::string::npos) << read_file("debug.txt");
    }
};

TEST_F(ScanFatalTest, PlainFileOfTheWrongSize) {
    write_plain(dir_.file("kqk.nbw"), length(KQK, 0) - 1);
    expect_fatal("*** " + dir_.file("kqk.nbw") + " corrupted ");
}

TEST_F(ScanFatalTest, CompressedFileOfTheWrongSize) {
    write_compressed(dir_.file("kqk.nbb.emd"), length(KQK, 1) + 1);
    expect_fatal("*** " + dir_.file("kqk.nbb.emd") + " corrupted ");
}

TEST_F(ScanFatalTest, ShortMiddlePart) {
    // Part 1 of seven with the size only the last part may have.
    const int record = tb_find_record("knpknp");
    write_sparse(dir_.file("knpknp.0.nbw"), TB_PART_BYTES);
    write_sparse(dir_.file("knpknp.1.nbw"), length(record, 0) - 6 * TB_PART_BYTES);
    expect_fatal("*** " + dir_.file("knpknp.1.nbw") + " corrupted ");
}

TEST_F(ScanFatalTest, OtherBlockSize) {
    tb_encoder::Options options;
    options.block_log = 12;
    write_compressed(dir_.file("kqk.nbw.emd"), length(KQK, 0), options);
    expect_fatal(": Unsupported block size 4096");
}

TEST_F(ScanFatalTest, BrokenHeader) {
    // Whatever the banner says, a header whose checksum or fixed fields fail
    // is not a table of this format.
    const std::vector<uint8_t> good =
        tb_test::with_banner(tb_encoder::encode(tb_test::sample_table(size_t(length(KQK, 0)), 7)).bytes);
    struct Case {
        const char* name;
        size_t at;
        uint8_t value;
        bool fix_checksum;
    };
    const Case cases[] = {
        {"checksum", 90, uint8_t(good[90] ^ 1), false},
        {"signature", 79, 0xF6, true},
        {"distance count", 71, 23, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> file = good;
        file[c.at] = c.value;
        if (c.fix_checksum) tb_encoder::refresh_header_crc(file);
        tb_encoder::write_bytes(dir_.file("kqk.nbw.emd"), file);
        std::remove("debug.txt");
        expect_fatal("*** Unable to read " + dir_.file("kqk.nbw.emd") + " - ");
    }
}

}  // namespace
