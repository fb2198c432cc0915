// bench_signature <FEN file> <depth> [--expect <nodes>] [--each] [--hash <MB>]
//                 [--threads <n>] [--busy on|off]:
// searches every position of the file (a blank line is the start position)
// to a fixed depth on one thread and prints the total node count, the
// signature, with the time the searches took (by the clock, and the processor
// time they had, which is steadier on a busy machine). A change meant only to
// make the engine faster must leave the total exactly as it was. With
// --expect the exit code is 1 when the total differs; --each also prints
// every position's count; --hash measures with another hash size (the
// signature is taken with 16 MB). Built against the multi-threaded engine
// (bench_signature_vudu) it searches with --threads search threads ("Busy
// Threads" as --busy says, on by default): one thread must count the
// signature exactly, more measure the time to depth.
//
// Each position is searched by a fresh engine: the tool starts the engine
// once and forks a child per position, so that no table and no value the
// engine carries from one search to the next (the transposition table, the
// history, the evaluation cache, the per-game evaluation state) can make the
// total depend on the order of the positions or on earlier runs. The child
// goes through the dispatcher's own "ucinewgame", "position" and
// "go depth", as an interface would.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "search/driver.h"
#include "config/build_config.h"
#include "config/settings.h"
#include "platform/system.h"
#include "search/hash_memory.h"
#include "search/threads.h"
#include "uci/dispatch.h"
#include "uci/engine.h"
#include "uci/new_game.h"

namespace {

// The table size is part of what the signature measures: fixed, not the
// engine's default, so that a new default leaves the signature alone.
constexpr long long SIGNATURE_HASH_MB = 16;

// What a child hands back, in memory shared with the parent.
struct SearchFigures {
    uint64_t nodes;
    int64_t nanoseconds;
    int64_t cpu_nanoseconds;  // the processor time the search had: steadier than the clock on a busy machine
};

int64_t cpu_time_ns() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool read_count(const char* text, long long* value) {
    char* end = nullptr;
    *value = std::strtoll(text, &end, 10);
    return end != text && *end == '\0' && *value >= 0;
}

// Search threads and "Busy Threads" of the multi-threaded build.
struct ThreadSettings {
    long long threads = 1;
    bool busy = true;
};

// Runs in the child: one search, its figures into *figures.
bool search_one(const std::string& fen, const std::string& go, int hash_kb, const ThreadSettings& threads,
                SearchFigures* figures) {
    // Threads do not survive a fork: the child starts its own, all that the
    // engine would start, and uses as many as asked.
    if (MULTI_THREADED) {
        threads_max = std::min(processor_count(), MAX_THREADS);
        start_threads(threads_max);
    }
    if (threads_max < threads.threads) return false;
    dispatch_command(("setoption name Threads value " + std::to_string(threads.threads)).c_str());
    dispatch_command(threads.busy ? "setoption name Busy Threads value true" : "setoption name Busy Threads value false");
    // The child takes its own hash: pages shared with the parent would be
    // copied on the first write of each, which costs far more than fresh
    // ones. The allocation clears them before the clock starts.
    if (set_hash_size(hash_kb) != hash_kb) return false;
    dispatch_command("ucinewgame");
    dispatch_command(fen.empty() ? "position startpos" : ("position fen " + fen).c_str());
    const auto start = std::chrono::steady_clock::now();
    const int64_t cpu_start = cpu_time_ns();
    dispatch_command(go.c_str());
    figures->cpu_nanoseconds = cpu_time_ns() - cpu_start;
    const auto time = std::chrono::steady_clock::now() - start;
    figures->nodes = last_search_nodes();
    figures->nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(time).count();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    long long depth = 0;
    long long expected = -1;
    long long hash_mb = SIGNATURE_HASH_MB;
    bool each = false;
    ThreadSettings threads;
    bool usage_ok = argc >= 3 && read_count(argv[2], &depth) && depth >= 1 && depth <= 60;
    for (int i = 3; usage_ok && i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--each")
            each = true;
        else if (option == "--expect" && i + 1 < argc)
            usage_ok = read_count(argv[++i], &expected);
        else if (option == "--hash" && i + 1 < argc)
            usage_ok = read_count(argv[++i], &hash_mb) && hash_mb >= 1 && hash_mb <= 4096;
        else if (option == "--threads" && i + 1 < argc)
            usage_ok = read_count(argv[++i], &threads.threads) && threads.threads >= 1 &&
                       threads.threads <= MAX_THREADS;
        else if (option == "--busy" && i + 1 < argc && (std::string(argv[i + 1]) == "on" || std::string(argv[i + 1]) == "off"))
            threads.busy = std::string(argv[++i]) == "on";
        else
            usage_ok = false;
    }
    if (!usage_ok) {
        std::fprintf(stderr, "usage: bench_signature <FEN file> <depth 1..60> [--expect <nodes>] [--each]"
                             " [--hash <MB 1..4096>] [--threads <n>] [--busy on|off]\n");
        return 2;
    }
    std::ifstream file(argv[1]);
    if (!file) {
        std::fprintf(stderr, "bench_signature: cannot read %s\n", argv[1]);
        return 2;
    }

    // The engine prints its "info" and "bestmove" lines on standard output:
    // send them nowhere and keep the real output for the report.
    std::fflush(stdout);
    const int report_fd = dup(STDOUT_FILENO);
    const int null_fd = open("/dev/null", O_WRONLY);
    if (report_fd < 0 || null_fd < 0 || dup2(null_fd, STDOUT_FILENO) < 0) {
        std::fprintf(stderr, "bench_signature: cannot redirect the engine output\n");
        return 2;
    }
    close(null_fd);
    FILE* report = fdopen(report_fd, "w");

    // What the engine's start-up does that the search depends on; no data
    // folders, book or calibration search.
    init_engine_data(1);
    set_default_settings();
    start_new_game();
    dispatch_command("uci");

    auto* figures = static_cast<SearchFigures*>(
        mmap(nullptr, sizeof(SearchFigures), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    if (figures == MAP_FAILED) {
        std::fprintf(stderr, "bench_signature: no shared memory\n");
        return 2;
    }

    const std::string go = "go depth " + std::to_string(depth);
    uint64_t nodes = 0;
    int64_t nanoseconds = 0;
    int64_t cpu_nanoseconds = 0;
    int positions = 0;
    std::string fen;
    while (std::getline(file, fen)) {
        while (!fen.empty() && (fen.back() == '\r' || fen.back() == '\n')) fen.pop_back();
        *figures = SearchFigures{0, 0, 0};
        std::fflush(report);
        const pid_t child = fork();
        if (child < 0) {
            std::fprintf(stderr, "bench_signature: cannot fork\n");
            return 2;
        }
        if (child == 0) {
            // exit, not _exit: a build for profile-guided optimisation writes
            // the child's counts at exit.
            const bool searched = search_one(fen, go, int(hash_mb * 1024), threads, figures);
            stop_threads();  // exit with threads still running would end in terminate
            std::exit(searched ? 0 : 1);
        }
        int status = 0;
        if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "bench_signature: the search of line %d failed: %s\n", positions + 1,
                         fen.c_str());
            return 2;
        }
        if (each)
            std::fprintf(report, "%3d %10llu %s\n", positions + 1, (unsigned long long)figures->nodes,
                         fen.empty() ? "startpos" : fen.c_str());
        nodes += figures->nodes;
        nanoseconds += figures->nanoseconds;
        cpu_nanoseconds += figures->cpu_nanoseconds;
        ++positions;
    }

    const double seconds = double(nanoseconds) / 1e9;
    std::fprintf(report, "positions %d depth %lld nodes %llu time %.3f s nps %.0f cpu %.3f s\n", positions, depth,
                 (unsigned long long)nodes, seconds, seconds > 0 ? double(nodes) / seconds : 0.0,
                 double(cpu_nanoseconds) / 1e9);
    int status = 0;
    if (expected >= 0 && nodes != uint64_t(expected)) {
        std::fprintf(report, "signature changed: expected %lld nodes, searched %llu\n", expected,
                     (unsigned long long)nodes);
        status = 1;
    }
    std::fclose(report);
    return status;
}
