#include "reference_tables.h"

#include <cstdio>

#include "config/settings.h"
#include "gaviota.h"
#include "tablebase/descriptor.h"
#include "tablebase/entry_value.h"
#include "tablebase/index/index_functions.h"
#include "tablebase/index/square_tables.h"
#include "tablebase/tablebase.h"
#include "tb_encoder.h"

namespace {

constexpr uint8_t NO_VALUE_BYTE = 127;

// The stored byte of a probe result.
uint8_t byte_of(int result) {
    if (result == TB_MATED_NOW) return uint8_t(-126);
    if (result > 0) return uint8_t(127 - result);
    if (result < 0) return uint8_t(-result - 126);
    return 0;
}

}  // namespace

std::vector<uint8_t>& ReferenceTables::table(int record, int side) {
    const TbDescriptor& d = tb_descriptors[size_t(record)];
    const int table_side = (d.flags & TB_SYMMETRIC) ? 0 : side;
    auto found = tables_.find({record, table_side});
    if (found == tables_.end())
        found = tables_.emplace(std::make_pair(record, table_side), std::vector<uint8_t>(d.length[table_side], NO_VALUE_BYTE))
                    .first;
    return found->second;
}

void ReferenceTables::store(int record, int side, const std::vector<tb_positions::Man>& men, const int* squares,
                            int invert, int en_passant, int result) {
    TbPieceList lists[2];
    tb_positions::fill_lists(men, squares, lists);
    const uint64_t index = tb_descriptors[size_t(record)].index[side](&lists[0], &lists[1], en_passant, invert);
    std::vector<uint8_t>& t = table(record, side);
    if (index >= t.size()) {
        ++conflicts_;
        return;
    }
    const uint8_t value = byte_of(result);
    if (t[index] != NO_VALUE_BYTE && t[index] != value) ++conflicts_;
    t[index] = value;
    // With the same men on both sides (kpkp) but two tables, a position is
    // also in the other table with the colours read the other way round; a
    // complete set of files holds both, and the probe may read either.
    const TbDescriptor& d = tb_descriptors[size_t(record)];
    const uint64_t other = d.index[side ^ 1](&lists[1], &lists[0], en_passant, invert ^ 1);
    if (!(d.flags & TB_SYMMETRIC) && tb_positions::same_men_both_sides(men) && other != TB_NO_INDEX) {
        std::vector<uint8_t>& u = table(record, side ^ 1);
        if (u[other] != NO_VALUE_BYTE && u[other] != value) ++conflicts_;
        u[other] = value;
    }
}

void ReferenceTables::fill_all(const char* name) {
    tb_init_index_functions();
    const int record = tb_find_record(name);
    const std::vector<tb_positions::Man> men = tb_positions::men_of(name);
    std::vector<int> squares(men.size());
    for (int side = 0; side < 2; ++side) {
        int en_passant = TB_NO_EN_PASSANT;
        auto leaf = [&] {
            if (!tb_positions::legal(men, squares.data(), side, 0, en_passant)) return;
            int result = 0;
            if (!gaviota::result_of(men, squares.data(), side, 0, en_passant, &result)) {
                ++unknown_;
                return;
            }
            store(record, side, men, squares.data(), 0, en_passant, result);
            auto longest = longest_.find(record);
            if (result > 0 && (longest == longest_.end() || result > longest->second.result))
                longest_[record] = Sample{record, side, 0, en_passant, squares, result};
        };
        tb_positions::place_canonical(men, squares, side, &en_passant, leaf);
    }
}

void ReferenceTables::fill_random(const char* name, int count, uint64_t seed) {
    tb_init_index_functions();
    const int record = tb_find_record(name);
    const std::vector<tb_positions::Man> men = tb_positions::men_of(name);
    const bool en_passant_possible = tb_positions::pawns_face_pawns(men);
    tb_positions::Random random;
    random.state ^= seed;
    std::vector<int> squares(men.size());
    for (int side = 0; side < 2; ++side)
        for (int n = 0; n < count; ++n) {
            const int invert = random.below(2);
            int en_passant = TB_NO_EN_PASSANT;
            tb_positions::random_position(men, side, invert, random, squares, &en_passant,
                                          en_passant_possible && n % 3 == 2);
            int result = 0;
            if (!gaviota::result_of(men, squares.data(), side, invert, en_passant, &result)) {
                ++unknown_;
                continue;
            }
            store(record, side, men, squares.data(), invert, en_passant, result);
            samples_.push_back({record, side, invert, en_passant, squares, result});
        }
}

std::string ReferenceTables::write_files() {
    int turn = 0;
    for (const auto& [key, data] : tables_) {
        const TbDescriptor& d = tb_descriptors[size_t(key.first)];
        const std::string file = dir_.file(std::string(d.name) + (key.second == 0 ? ".nbw" : ".nbb"));
        if (turn++ % 2 == 0)
            tb_encoder::write_bytes(file, data);
        else
            tb_encoder::write_bytes(file + ".emd", tb_encoder::encode(data).bytes);
    }
    return dir_.path();
}

void ReferenceTables::install() {
    write_files();
    saved_path_ = nalimov_path;
    saved_cache_bytes_ = nalimov_cache_bytes;
    std::snprintf(nalimov_path, sizeof(nalimov_path), "%s", dir_.path().c_str());
    nalimov_cache_bytes = 16 << 20;
    init_tablebases(1);
    installed_ = true;
}

ReferenceTables::~ReferenceTables() {
    if (!installed_) return;
    free_tablebases();
    std::snprintf(nalimov_path, sizeof(nalimov_path), "%s", saved_path_.c_str());
    nalimov_cache_bytes = saved_cache_bytes_;
}
