// Tables of this engine's format written from Gaviota's values: each
// position is stored at the index the engine's index function gives it, the
// files are written under their real names into a folder and found by the
// folder scan, and the engine's probe is then compared with the reference.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tb_positions.h"
#include "temp_dir.h"

class ReferenceTables {
public:
    struct Sample {
        int record;
        int side;
        int invert;
        int en_passant;
        std::vector<int> squares;
        int result;  // the reference's
    };

    // Every reachable position of the material (in the canonical frame,
    // which reaches every index).
    void fill_all(const char* name);
    // `count` random reachable positions per side in any orientation,
    // every third one with an en-passant capture where pawns face pawns;
    // they are kept as samples.
    void fill_random(const char* name, int count, uint64_t seed);

    // Writes the files of the materials filled (plain or compressed by
    // turns); the folder.
    std::string write_files();
    // Writes the files and scans their folder.
    void install();
    // Undoes install.
    ~ReferenceTables();

    const std::vector<Sample>& samples() const { return samples_; }
    // Positions whose index already held another value, and positions the
    // reference had no value for (both 0 when all is well).
    int conflicts() const { return conflicts_; }
    // Of the positions filled by fill_all, one whose side to move wins in
    // the most moves.
    const Sample& longest_win(int record) const { return longest_.at(record); }
    int unknown() const { return unknown_; }

private:
    void store(int record, int side, const std::vector<tb_positions::Man>& men, const int* squares, int invert,
               int en_passant, int result);
    std::vector<uint8_t>& table(int record, int side);

    TempDir dir_;
    std::map<std::pair<int, int>, std::vector<uint8_t>> tables_;
    std::vector<Sample> samples_;
    std::map<int, Sample> longest_;
    int conflicts_ = 0;
    int unknown_ = 0;
    bool installed_ = false;
    std::string saved_path_;
    int saved_cache_bytes_ = 0;
};
