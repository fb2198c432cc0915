#include "tb_fixture.h"

#include "config/settings.h"
#include "tablebase/decoder.h"
#include "tablebase/probe.h"
#include "tablebase/table_sides.h"
#include "tablebase/tablebase.h"
#include "tb_file_helpers.h"

void TablebaseTest::TearDown() {
    free_tablebases();
    if (saved_cache_bytes_ >= 0) nalimov_cache_bytes = saved_cache_bytes_;
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        tb_descriptors[size_t(it->record)].index[0] = it->index[0];
        tb_descriptors[size_t(it->record)].index[1] = it->index[1];
    }
}

std::string TablebaseTest::attach_compressed(int record, int side, int part, const std::vector<uint8_t>& data,
                                             const tb_encoder::Options& options) {
    return attach_compressed_file(record, side, part, tb_encoder::encode(data, options).bytes);
}

std::string TablebaseTest::attach_compressed_file(int record, int side, int part, const std::vector<uint8_t>& bytes) {
    const std::string path = dir_.file("compressed" + std::to_string(files_++) + ".emd");
    tb_encoder::write_bytes(path, bytes);
    TbDecoder* decoder = nullptr;
    {
        tb_test::OpenFile file(path);
        EXPECT_EQ(decomp_open(&decoder, file.file()), 0) << path;
    }
    EXPECT_EQ(tb_attach_part(record, side, part, path.c_str(), decoder), 0);
    return path;
}

std::string TablebaseTest::attach_plain(int record, int side, int part, const std::vector<uint8_t>& data) {
    const std::string path = dir_.file("plain" + std::to_string(files_++) + ".nbw");
    tb_encoder::write_bytes(path, data);
    attach_plain_path(record, side, part, path);
    return path;
}

void TablebaseTest::attach_plain_path(int record, int side, int part, const std::string& path) {
    EXPECT_EQ(tb_attach_part(record, side, part, path.c_str(), nullptr), 0);
}

void TablebaseTest::install(int record, TbIndexFn side0, TbIndexFn side1) {
    TbDescriptor& d = tb_descriptors[size_t(record)];
    saved_.push_back({record, {d.index[0], d.index[1]}});
    d.index[0] = side0;
    d.index[1] = side1;
}

void TablebaseTest::start(uint64_t bytes) {
    if (saved_cache_bytes_ < 0) saved_cache_bytes_ = nalimov_cache_bytes;
    nalimov_cache_bytes = int(bytes);
    tb_max_pieces = tb_registered_men();
    init_tablebases(0);
}
