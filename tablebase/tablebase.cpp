#include "tablebase/tablebase.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/settings.h"
#include "platform/output.h"
#include "platform/system.h"
#include "search/services.h"
#include "tablebase/availability.h"
#include "tablebase/best_line.h"
#include "tablebase/cache.h"
#include "tablebase/probe.h"
#include "tablebase/scan.h"
#include "tablebase/table_sides.h"

void (*tb_info_printer)(const char* line) = nullptr;
void (*tb_fatal_handler)(const char* message) = nullptr;

namespace {

constexpr int MIN_CACHE_BYTES = 1 << 20;

// Where a fatal failure is recorded, in the working directory.
constexpr const char* DEBUG_LOG = "debug.txt";

}  // namespace

void tb_info(const char* line) {
    if (tb_info_printer != nullptr) tb_info_printer(line);
}

int init_tablebases(int rescan) {
    // The evaluation and the root reach the tables through these.
    tablebase_probe = tb_probe_position;
    search_services.tb_build_line = tb_build_line;
    if (rescan) tb_max_pieces = scan_tablebases(nalimov_path);
    if (tb_max_pieces == 0) {
        // Nothing to read: no cache, and no node left pointing into buckets
        // a rescan has freed.
        tb_cache_free();
        tb_availability_free();
        return 1;
    }
    while (!tb_cache_allocate(uint64_t(nalimov_cache_bytes))) {
        nalimov_cache_bytes /= 2;
        tb_info("info string no tbs cache!?\n");
        if (nalimov_cache_bytes < MIN_CACHE_BYTES) {
            tb_max_pieces = 0;
            tb_info("info string tablebases disabled: no memory for their cache\n");
            tb_availability_free();
            return 1;
        }
    }
    char line[80];
    std::snprintf(line, sizeof(line), "info string TBS %d pieces %ldMb cache\n", tb_max_pieces,
                  long(nalimov_cache_bytes >> 20));
    tb_info(line);
    if (!tb_availability_allocate(tb_max_pieces)) {
        tb_max_pieces = 0;
        tb_info("info string tablebases disabled: no memory for their availability bits\n");
    }
    return 1;
}

void free_tablebases() {
    tb_cache_free();
    tb_availability_free();
    tb_forget_registrations();
    tb_max_pieces = 0;
}

void tb_fatal(const char* message) {
    if (std::FILE* log = std::fopen(DEBUG_LOG, "a+")) {
        std::fputs(message, log);
        std::fclose(log);
    }
    if (tb_fatal_handler != nullptr) tb_fatal_handler(message);
    output_write(message, std::strlen(message));
    exit_now(1);
}
