#include "tablebase/scan.h"

#include <cstdio>
#include <cstring>

#include "platform/output.h"
#include "platform/positioned_file.h"
#include "tablebase/decoder.h"
#include "tablebase/descriptor.h"
#include "tablebase/index/index_functions.h"
#include "tablebase/registry.h"
#include "tablebase/table_sides.h"
#include "tablebase/tablebase.h"

int tb_compressed_files = 0;

namespace {

// A folder of "NalimovPath" (at most 254 characters), then the longest file name.
constexpr int FOLDER_CAPACITY = 256;
constexpr int STEM_CAPACITY = FOLDER_CAPACITY + 32;
constexpr int NAME_CAPACITY = STEM_CAPACITY + 16;

void print_bare(const char* text) { output_write(text, std::strlen(text)); }

[[noreturn]] void fatal_with_name(const char* format, const char* name, long long number = 0) {
    char message[NAME_CAPACITY + 96];
    std::snprintf(message, sizeof(message), format, name, number);
    tb_fatal(message);
}

// The names a part may be stored under, in the order they are tried: the
// plain name ("kqkr.nbb", split "knpknp.3.nbw"), then compressed names
// ("kqkr.nbb.emd"; unsplit also "kqkr_nbb.emd", "kqkr_nbb_emd"; up to five
// men also "kqkrnbb.emd").
int candidate_names(const char* folder, const TbDescriptor& d, int side, int part,
                    char names[][NAME_CAPACITY]) {
    const size_t folder_length = std::strlen(folder);
    const char* separator = folder_length == 0 || folder[folder_length - 1] == '/' ? "" : "/";
    char stem[STEM_CAPACITY];
    if (d.flags & TB_SPLIT) {
        const char part_char = char(part < 10 ? '0' + part : 'a' + part - 10);
        std::snprintf(stem, sizeof(stem), "%.255s%s%s.%c", folder, separator, d.name, part_char);
    } else {
        std::snprintf(stem, sizeof(stem), "%.255s%s%s", folder, separator, d.name);
    }
    const char* extension = side == 0 ? "nbw" : "nbb";
    int count = 0;
    std::snprintf(names[count++], NAME_CAPACITY, "%s.%s", stem, extension);
    std::snprintf(names[count++], NAME_CAPACITY, "%s.%s.emd", stem, extension);
    if (!(d.flags & TB_SPLIT)) {
        std::snprintf(names[count++], NAME_CAPACITY, "%s_%s.emd", stem, extension);
        std::snprintf(names[count++], NAME_CAPACITY, "%s_%s_emd", stem, extension);
        if (d.number <= TB_LAST_FIVE_MEN_RECORD) std::snprintf(names[count++], NAME_CAPACITY, "%s%s.emd", stem, extension);
    }
    return count;
}

// Opens a table file; anything but a regular file (a folder named like a
// table, say) counts as not found.
bool open_table_file(const char* name, PositionedFile* file) {
    if (!open_positioned_file(name, file)) return false;
    if (positioned_file_is_regular(*file)) return true;
    close_positioned_file(file);
    return false;
}

// The message of a decompressor error's kind, printed before the program ends.
void print_error_kind(int code) {
    switch (tb_error_kind(code)) {
        case TB_READ_ERROR: print_bare("read error\n"); break;
        case TB_OUT_OF_MEMORY: print_bare("out of memory\n"); break;
        case TB_CORRUPT_DATA: print_bare("file broken\n"); break;
        default: {
            char line[32];
            std::snprintf(line, sizeof(line), "error %d\n", code);
            print_bare(line);
        }
    }
}

// Reads a compressed part's header and returns its decoder. Bad headers end
// the program.
TbDecoder* open_compressed(PositionedFile file, const TbDescriptor& d, int side, int part, const char* name) {
    ++tb_compressed_files;
    TbDecoder* decoder = nullptr;
    const int code = decomp_open(&decoder, file);
    if (code != 0) {
        print_error_kind(code);
        fatal_with_name("*** Unable to read %s - %lld ", name, code);
    }
    if (decoder->block_size != TB_BLOCK_SIZE) {
        const long long block_size = decoder->block_size;
        decomp_free(decoder);
        fatal_with_name("*** %s: Unsupported block size %lld\n", name, block_size);
    }
    const uint64_t full_blocks = uint64_t(decoder->block_count) - 1;
    const uint64_t entries = tb_entry_width(d) == 2 ? full_blocks * (TB_BLOCK_SIZE / 2) + decoder->last_block_size / 2
                                                    : full_blocks * TB_BLOCK_SIZE + decoder->last_block_size;
    tb_check_file_size(d.number, side, part, entries, name);
    return decoder;
}

}  // namespace

void tb_check_file_size(int record, int side, int part, uint64_t entries, const char* name) {
    const TbDescriptor& d = tb_descriptors[size_t(record)];
    const uint64_t length = d.length[side];
    if (length == 0) return;
    uint64_t full = length, last = length;
    uint64_t expected = length;
    if (d.flags & TB_SPLIT) {
        // Every part but the last is full.
        const int parts = tb_part_count(d, side);
        full = TB_PART_BYTES / uint64_t(tb_entry_width(d));
        last = length - uint64_t(parts - 1) * full;
        expected = part + 1 < parts ? full : last;
    }
    if (entries == expected) return;
    char line[NAME_CAPACITY + 96];
    std::snprintf(line, sizeof(line), "*** %s corrupted %llu %llu %llu\n", name, (unsigned long long)full,
                  (unsigned long long)last, (unsigned long long)entries);
    print_bare(line);
    fatal_with_name("*** %s corrupted ", name);
}

int register_tablebase_file(const char* folder, int record, int side, int part) {
    const TbDescriptor& d = tb_descriptors[size_t(record)];
    TbTableSide& table = tb_table_sides[record][tb_table_side(d, side)];
    if (table.part_names[part].load(std::memory_order_relaxed) != nullptr) return 1;

    char names[5][NAME_CAPACITY];
    const int count = candidate_names(folder, d, side, part, names);
    PositionedFile file;
    int found = 0;
    while (found < count && !open_table_file(names[found], &file)) ++found;
    if (found == count) return 0;
    const char* name = names[found];

    // A compressed file is recognised by its content under any name; under
    // the plain name a file without a compressed header is the table itself.
    TbDecoder* decoder = nullptr;
    if (found > 0 || tb_has_compressed_header(file)) {
        decoder = open_compressed(file, d, side, part, name);
    } else {
        const int64_t bytes = positioned_file_size(file);
        if (bytes < 0) fatal_with_name("*** Seek in %s failed\n", name);
        const uint64_t width = uint64_t(tb_entry_width(d));
        tb_check_file_size(record, side, part, uint64_t(bytes) % width == 0 ? uint64_t(bytes) / width : UINT64_MAX, name);
    }
    close_positioned_file(&file);
    if (const int code = tb_attach_part(record, tb_table_side(d, side), part, name, decoder)) {
        char message[80];
        std::snprintf(message, sizeof(message), "*** Cannot allocate decode block: error code %d\n", code);
        tb_fatal(message);
    }
    return 1;
}

int register_tablebase_side(int record, const char* folder, int side) {
    const TbDescriptor& d = tb_descriptors[size_t(record)];
    const int parts = tb_part_count(d, side);
    int registered = 0;
    for (int part = 0; part < parts && register_tablebase_file(folder, record, side, part); ++part) registered = 1;
    return registered;
}

int scan_tablebases(const char* folders) {
    tb_init_index_functions();
    build_tb_trie();
    tb_forget_registrations();
    int largest = 0;
    for (const char* piece = folders;;) {
        const char* end = piece;
        while (*end != '\0' && *end != ',' && *end != ';') ++end;
        char folder[FOLDER_CAPACITY];
        std::snprintf(folder, sizeof(folder), "%.*s", int(end - piece), piece);
        for (int record = 1; record < TB_RECORD_COUNT; ++record) {
            int found = register_tablebase_side(record, folder, 0);
            if (!(tb_descriptors[size_t(record)].flags & TB_SYMMETRIC))
                found = register_tablebase_side(record, folder, 1) | found;
            if (found && record > largest) largest = record;
        }
        if (*end == '\0') break;
        piece = end + 1;
    }
    return tb_record_men(largest) > 2 ? tb_record_men(largest) : 0;
}
