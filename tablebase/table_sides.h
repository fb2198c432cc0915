// The run-time state of each descriptor side: the part files registered for
// it, their open handles and decoders, and the cache buckets of its blocks.
// Registration and forgetting run while no search does; during a search the
// block cache opens files and drops the names of parts that fail, under the
// side's file lock.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/positioned_file.h"
#include "tablebase/descriptor.h"
#include "tablebase/spin_lock.h"

struct TbDecoder;
struct TbCacheBucket;

struct TbTableSide {
    TbSpinLock file_lock;                             // files, names being dropped, reads of this side's files
    std::atomic<char*> part_names[TB_MAX_PARTS]{};    // registered part files; null: none, or dropped
    PositionedFile files[TB_MAX_PARTS]{};             // opened on first use
    TbDecoder* decoders[TB_MAX_PARTS]{};              // null for a plain (uncompressed) part
    TbCacheBucket* buckets = nullptr;                 // TB_CACHE_BUCKETS, once a part is registered
};

extern TbTableSide tb_table_sides[TB_RECORD_COUNT][2];

// Registers part `part` of a side's table: a copy of the file name, the
// decoder of a compressed file (taken over; null for a plain one), the
// side's buckets, the material in the registry and, for a compressed part,
// the pool of decode states. A part already registered keeps its file and
// the new decoder is freed. Returns 0 or the error code of the decode-state
// pool.
int tb_attach_part(int record, int side, int part, const char* path, TbDecoder* decoder);

// The side whose table serves `side`: side 0 for a symmetric material.
inline int tb_table_side(const TbDescriptor& d, int side) { return (d.flags & TB_SYMMETRIC) ? 0 : side; }

// 1 when any of the first `parts` parts of the side has a registered name.
int tb_side_has_part(int record, int side, int parts);

// Men of the largest registered material (kings included), 0 when none.
int tb_registered_men();

// Closes every open tablebase file, each side under its file lock.
void tb_close_files();

// Forgets a part whose file failed, so that later reads of it fail at once.
// The caller holds the side's file lock: only holders of that lock read the
// name itself (the probe only tests it for null). Returns the name, which the
// caller now owns and frees (std::free), or null when another reader dropped
// the part first; so exactly one reader learns of each drop.
char* tb_drop_part(TbTableSide* side, int part);

// Forgets every registration: closes the files and frees names, decoders
// and buckets (the registry's leaves stay). The cache must be
// rebuilt before the next read.
void tb_forget_registrations();
