// The tablebase tests' fixture: table files in a temporary folder registered
// as parts of descriptor sides, index functions installed for the test, a
// cache, and everything undone afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tablebase/descriptor.h"
#include "tb_encoder.h"
#include "temp_dir.h"

class TablebaseTest : public ::testing::Test {
protected:
    void TearDown() override;

    // Writes the bytes as a compressed file and registers it; the path.
    std::string attach_compressed(int record, int side, int part, const std::vector<uint8_t>& data,
                                  const tb_encoder::Options& options = {});
    // Writes a compressed file's bytes and registers it.
    std::string attach_compressed_file(int record, int side, int part, const std::vector<uint8_t>& file);
    // Writes the bytes as they are (a plain file) and registers it.
    std::string attach_plain(int record, int side, int part, const std::vector<uint8_t>& data);
    // Registers an existing plain file.
    void attach_plain_path(int record, int side, int part, const std::string& path);

    // Index functions for the rest of the test.
    void install(int record, TbIndexFn side0, TbIndexFn side1);

    // A cache of `bytes` and the availability bits for the registered tables.
    void start(uint64_t bytes = 1 << 20);

    TempDir dir_;

private:
    struct Saved {
        int record;
        TbIndexFn index[2];
    };
    std::vector<Saved> saved_;
    int files_ = 0;
    int saved_cache_bytes_ = -1;
};
