#include "tablebase/table_sides.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "tablebase/cache.h"
#include "tablebase/decoder.h"
#include "tablebase/registry.h"

TbTableSide tb_table_sides[TB_RECORD_COUNT][2];

int tb_attach_part(int record, int side, int part, const char* path, TbDecoder* decoder) {
    TbTableSide& s = tb_table_sides[record][side];
    if (s.part_names[part].load(std::memory_order_relaxed) != nullptr) {
        decomp_free(decoder);
        return 0;
    }
    tb_register(tb_descriptors[size_t(record)]);
    const size_t length = std::strlen(path) + 1;
    char* name = static_cast<char*>(tb_alloc(length));
    std::memcpy(name, path, length);
    decomp_free(s.decoders[part]);
    s.decoders[part] = decoder;
    if (s.buckets == nullptr) {
        s.buckets = static_cast<TbCacheBucket*>(tb_alloc(sizeof(TbCacheBucket) * TB_CACHE_BUCKETS));
        for (int b = 0; b < TB_CACHE_BUCKETS; ++b) new (&s.buckets[b]) TbCacheBucket();
    }
    s.part_names[part].store(name, std::memory_order_relaxed);
    return decoder != nullptr ? tb_fill_decode_pool() : 0;
}

int tb_side_has_part(int record, int side, int parts) {
    const TbTableSide& s = tb_table_sides[record][side];
    for (int part = 0; part < parts; ++part)
        if (s.part_names[part].load(std::memory_order_relaxed) != nullptr) return 1;
    return 0;
}

int tb_registered_men() {
    for (int record = TB_RECORD_COUNT - 1; record > 0; --record)
        for (int side = 0; side < 2; ++side)
            if (tb_side_has_part(record, side, TB_MAX_PARTS)) return tb_record_men(record);
    return 0;
}

void tb_close_files() {
    for (auto& record : tb_table_sides)
        for (TbTableSide& s : record) {
            TbLockGuard guard(s.file_lock);
            for (PositionedFile& file : s.files) close_positioned_file(&file);
        }
}

char* tb_drop_part(TbTableSide* side, int part) {
    return side->part_names[part].exchange(nullptr, std::memory_order_relaxed);
}

void tb_forget_registrations() {
    tb_close_files();
    for (auto& record : tb_table_sides)
        for (TbTableSide& s : record) {
            s.file_lock.reset();
            for (int part = 0; part < TB_MAX_PARTS; ++part) {
                std::free(s.part_names[part].exchange(nullptr, std::memory_order_relaxed));
                decomp_free(s.decoders[part]);
                s.decoders[part] = nullptr;
            }
            std::free(s.buckets);
            s.buckets = nullptr;
        }
    tb_free_decode_pool();
}
