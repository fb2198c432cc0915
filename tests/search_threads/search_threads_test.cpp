// The search of the multi-threaded build on several threads: the same exact
// results as on one, searches stopped at any moment that still answer a
// legal move, the node counts of the helpers all reaching the main
// position, and the thread start-up when the system refuses a thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <ostream>
#include <mutex>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "config/build_config.h"
#include "config/settings.h"
#include "eval/root_state.h"
#include "game/game_history.h"
#include "game/repetition.h"
#include "mate_cases.h"
#include "output_capture.h"
#include "perft.h"
#include "platform/system.h"
#include "position/position.h"
#include "search/driver.h"
#include "search/hash_memory.h"
#include "search/polling.h"
#include "search/search.h"
#include "search/services.h"
#include "search/split.h"
#include "search/tt.h"
#include "search/time_control.h"
#include "search/threads.h"
#include "search_fixture.h"
#include "uci/dispatch.h"
#include "uci/new_game.h"

namespace {

static_assert(MULTI_THREADED, "this test runs against the multi-threaded build");

constexpr int THREADS = 8;

// The split-point figures of all slots added up.
struct Figures {
    uint64_t splits = 0, cutoffs = 0, helper_nodes = 0;
};

Figures figures() {
    Figures sum;
    for (const ThreadSlot& slot : thread_slots) {
        sum.splits += slot.splits.load();
        sum.cutoffs += slot.split_cutoffs.load();
        sum.helper_nodes += slot.helper_nodes.load();
    }
    return sum;
}

// Threads in use and "Busy Threads" for the searches that follow. With it on
// the idle workers spin as in a search the driver started.
// The settings change, as in the engine, only while the workers are parked.
void use_threads(int threads, bool busy) {
    park_helper_threads();
    set_active_threads(threads);
    engine_flags = busy ? engine_flags | EF_BUSY_THREADS : engine_flags & ~EF_BUSY_THREADS;
    search_flags = (search_flags & ~EF_BUSY_THREADS) | (engine_flags & EF_BUSY_THREADS);
    if (busy) wake_helper_threads();
}

class SearchThreads : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        threads_max = THREADS;
        start_threads(THREADS);
    }
    static void TearDownTestSuite() {
        stop_threads();
        threads_max = 1;
        set_active_threads(1);
    }
    void SetUp() override {
        ASSERT_EQ(threads_created, THREADS);
        prepare_search_engine();
        // The main thread polls the clock while it waits at a split point.
        deadline_ms = DEFAULT_TIME_CAP_MS;
        search_start_tick = tick_count_ms();
    }
    void TearDown() override {
        search_switches = 0;
        use_threads(1, false);
    }
};

// The configurations every test goes through: thread count, "Busy Threads".
struct ThreadCase {
    int threads;
    bool busy;
};
const ThreadCase THREAD_CASES[] = {{1, true}, {2, false}, {3, true}, {4, false}, {8, true}};

TEST_F(SearchThreads, PlainSearchIsExactAtEveryThreadCount) {
    // As in the single-threaded property test: without its selective parts
    // the search computes the plain minimax value, whoever searches which
    // move; and at one thread nothing splits.
    search_flags &= ~EF_SWINDLE;
    search_switches = SEARCH_PLAIN;
    std::mt19937 random(20240611);
    Figures before_all = figures();
    int compared = 0;
    while (compared < 5) {
        const int plies = 4 + int(random() % 40);
        if (!set_random_search_position(random, plies)) continue;
        ++compared;
        Position* pos = &main_position;
        reset_ply_stack(pos);
        search_mode = SEARCH_MODE_INFINITE;
        poll_countdown = 1 << 30;
        root_game_ply = game_ply;
        use_threads(1, false);  // no spinning workers beside the minimax walk
        const int expected3 = plain_minimax(pos, 1, 3);
        int expected4 = 0;
        for (const ThreadCase& c : THREAD_CASES) {
            use_threads(c.threads, c.busy);
            for (int depth : {3, 4}) {
                SCOPED_TRACE("plies " + std::to_string(plies) + " threads " + std::to_string(c.threads) + " depth " +
                             std::to_string(depth));
                stop_reason = 0;
                thread_slots[0].stop.store(0);
                pos->nodes = pos->merged_nodes = 0;
                const Figures before = figures();
                const int found = search(pos, 1, depth, 0, -SCORE_INFINITE, SCORE_INFINITE, 0, 0);
                const Figures after = figures();
                if (depth == 4 && c.threads == 1) expected4 = found;
                EXPECT_EQ(found, depth == 3 ? expected3 : expected4);
                // Every node a helper searched has reached the main position
                // by the time the search returns.
                EXPECT_EQ(pos->merged_nodes, after.helper_nodes - before.helper_nodes);
                if (c.threads == 1) {
                    EXPECT_EQ(after.splits, before.splits);
                }
            }
        }
        search_mode = SEARCH_MODE_IDLE;
    }
    const Figures after_all = figures();
    EXPECT_GT(after_all.splits, before_all.splits);
    EXPECT_GT(after_all.cutoffs, before_all.cutoffs);
}

TEST_F(SearchThreads, FindsKnownMatesAtEveryThreadCount) {
    for (const ThreadCase& c : THREAD_CASES) {
        if (c.threads == 1) continue;  // the single-threaded reference test has it
        for (const MateCase& mate : MATE_CASES) {
            SCOPED_TRACE(std::string(mate.fen) + " threads " + std::to_string(c.threads));
            prepare_search_engine();
            use_threads(c.threads, c.busy);
            ASSERT_TRUE(set_search_position(mate.fen));
            FixedDepthResult result = search_fixed_depth(mate.depth);
            EXPECT_EQ(result.root_score, mate.score);
            if (*mate.first_moves) {
                EXPECT_NE(std::string(mate.first_moves).find(move_text(result.best)), std::string::npos)
                    << "played " << move_text(result.best);
            }
        }
    }
}

// ---- Searches stopped at random moments ------------------------------------

// The input of the engine while the test searches: a "stop" that arrives at
// a chosen moment, read by the main thread's polling as a real one is.
std::atomic<uint32_t> stop_arrives_ms{0};
std::atomic<bool> stop_pending{false};

int stop_waiting() { return stop_pending.load() && tick_count_ms() >= stop_arrives_ms.load() ? 1 : 0; }
void read_stop() {
    if (stop_waiting()) {
        stop_pending.store(false);
        stop_running_search();
    }
}

// Ends the process when a search does not come back: a hang shows as a
// failure with its search named, not as a timeout of the whole run.
class Watchdog {
public:
    explicit Watchdog(int seconds) : thread_([this, seconds] { watch(seconds); }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> hold(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    void set_task(const std::string& task) {
        std::lock_guard<std::mutex> hold(mutex_);
        task_ = task;
        started_ = std::chrono::steady_clock::now();
    }

private:
    void watch(int seconds) {
        std::unique_lock<std::mutex> hold(mutex_);
        while (!done_) {
            wake_.wait_for(hold, std::chrono::milliseconds(100));
            if (!done_ && std::chrono::steady_clock::now() - started_ > std::chrono::seconds(seconds)) {
                std::fprintf(stderr, "search hangs: %s\n", task_.c_str());
                std::_Exit(3);
            }
        }
    }
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::string task_;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    std::thread thread_;
};

std::vector<std::string> bench_positions() {
    std::ifstream file(std::string(MORVAX_SOURCE_DIR) + "/bench/bench.fen");
    std::vector<std::string> fens;
    std::string line;
    while (std::getline(file, line))
        if (!line.empty()) fens.push_back(line);
    return fens;
}

int stress_search_count() {
    const char* text = std::getenv("MORVAX_THREAD_STRESS_SEARCHES");
    const int count = text ? std::atoi(text) : 0;
    return count > 0 ? count : 16;
}

TEST_F(SearchThreads, SearchesStoppedAtAnyMomentAnswerALegalMove) {
    const std::vector<std::string> fens = bench_positions();
    ASSERT_FALSE(fens.empty());
    const SearchServices saved = search_services;
    const char saved_mode = input_mode;
    search_services.has_pending_input = stop_waiting;
    search_services.process_input = read_stop;
    input_mode = '2';
    {
        OutputCapture options;  // the interface's first word opens the other commands
        dispatch_command("uci");
    }
    set_hash_size(16384);
    std::mt19937 random(4242);
    const Figures before = figures();
    const int searches = stress_search_count();
    {
        Watchdog watchdog(20);
        for (int n = 0; n < searches; ++n) {
            const std::string& fen = fens[random() % fens.size()];
            const bool busy = n % 2 == 0;
            const int move_time = 30 + int(random() % 171);
            const uint32_t stop_after = uint32_t(random() % uint32_t(move_time + 20));
            const std::string task = "search " + std::to_string(n) + " busy " + std::to_string(busy) +
                                     " movetime " + std::to_string(move_time) + " stop " +
                                     std::to_string(stop_after) + ": " + fen;
            SCOPED_TRACE(task);
            watchdog.set_task(task);
            dispatch_command(busy ? "setoption name Busy Threads value true" : "setoption name Busy Threads value false");
            dispatch_command(("setoption name Threads value " + std::to_string(THREADS)).c_str());
            ASSERT_EQ(threads_in_use, THREADS);
            if (n % 5 == 0) dispatch_command("ucinewgame");
            dispatch_command(("position fen " + fen).c_str());

            OutputCapture output;
            stop_arrives_ms.store(tick_count_ms() + stop_after);
            stop_pending.store(true);
            const uint64_t helpers_before = figures().helper_nodes;
            dispatch_command(("go movetime " + std::to_string(move_time)).c_str());
            const std::string text = output.text();
            stop_pending.store(false);

            std::smatch found;
            ASSERT_TRUE(std::regex_search(text, found, std::regex("\nbestmove (\\S+)"))) << text;
            const std::vector<Move> legal = legal_search_moves(&main_position);
            bool is_legal = false;
            for (Move move : legal) is_legal |= move_text(move) == found[1].str();
            EXPECT_TRUE(is_legal) << found[1].str();
            EXPECT_EQ(main_position.merged_nodes, figures().helper_nodes - helpers_before);
            EXPECT_FALSE(search_running());
        }
    }
    EXPECT_GT(figures().splits, before.splits);
    search_services = saved;
    input_mode = saved_mode;
}

// ---- A node whose split point a stop ended ----------------------------------

// What the transposition table holds for one position.
struct TableEntry {
    int found = 0, score = 0, depth = 0;
    Move move = NO_MOVE;
    bool operator==(const TableEntry&) const = default;
};
void PrintTo(const TableEntry& entry, std::ostream* out) {
    *out << "bound " << entry.found << " score " << entry.score << " depth " << entry.depth << " move "
         << move_text(entry.move);
}

// The node at which the main thread waits for its helpers when the stop
// comes: a copy of its position, its ply, and what the table held for it.
struct WaitingNode {
    std::unique_ptr<Position> position = std::make_unique<Position>();
    int ply = 0;
    TableEntry before;
    bool taken = false;
};
WaitingNode waiting_node;
uint32_t stop_not_before_ms = 0;

TableEntry table_entry(Position* pos, int ply) {
    TableEntry entry;
    entry.found = tt_probe(pos, &entry.score, &entry.depth, ply, &entry.move, 0) & int(TT_BOUND_MASK);
    return entry;
}

// The "stop" comes while the main thread waits at its own split point (it
// polls the input there while it spins), or late in any case.
bool main_thread_waits() {
    return tick_count_ms() >= stop_not_before_ms &&
           thread_slots[0].state.load() < THREAD_BUSY && split_count[0].load() > 0;
}
bool stop_is_late() { return tick_count_ms() >= stop_not_before_ms + 2000; }
int stop_while_waiting() { return !waiting_node.taken && (main_thread_waits() || stop_is_late()) ? 1 : 0; }
void stop_the_waiting_node() {
    if (waiting_node.taken) return;
    if (!main_thread_waits()) {
        if (stop_is_late()) stop_running_search();
        return;
    }
    const SplitPoint& sp = split_points[0][split_count[0].load() - 1];
    copy_search_instance(waiting_node.position.get(), &main_position, sp.frame.ply, 0);
    waiting_node.ply = sp.frame.ply;
    waiting_node.before = table_entry(waiting_node.position.get(), waiting_node.ply);
    waiting_node.taken = true;
    stop_running_search();
}

TEST_F(SearchThreads, ANodeWhoseSplitWasStoppedStoresNothing) {
    // Its move list was not finished: a bound from it would outlive the
    // search in the table.
    const SearchServices saved = search_services;
    search_services.has_pending_input = stop_while_waiting;
    search_services.process_input = stop_the_waiting_node;
    input_mode = '2';
    const std::vector<std::string> fens = bench_positions();
    int checked = 0;
    for (size_t i = 0; i < fens.size() && checked < 3; i += 7) {
        SCOPED_TRACE(fens[i]);
        prepare_search_engine();
        input_mode = '2';
        use_threads(THREADS, true);
        ASSERT_TRUE(set_search_position(fens[i].c_str()));
        waiting_node.taken = false;
        stop_not_before_ms = tick_count_ms() + 20;  // some way into the search
        {
            OutputCapture output;
            search_fixed_depth(40);
        }
        if (!waiting_node.taken) continue;  // stopped late, somewhere else
        ++checked;
        EXPECT_EQ(table_entry(waiting_node.position.get(), waiting_node.ply), waiting_node.before)
            << "stored at ply " << waiting_node.ply;
    }
    EXPECT_GT(checked, 0);
    search_services = saved;
    input_mode = 0;
}

// ---- Start-up ---------------------------------------------------------------

bool (*const system_thread_creation)(int) = create_helper_thread;
bool refuse_from_third(int index) { return index < 3 && system_thread_creation(index); }

TEST(SearchThreadStart, ARefusedThreadEndsTheStartWithTheThreadsStarted) {
    stop_threads();
    create_helper_thread = refuse_from_third;
    threads_max = THREADS;
    start_threads(THREADS);
    create_helper_thread = system_thread_creation;
    EXPECT_EQ(threads_created, 3);
    EXPECT_EQ(threads_max, 3);
    EXPECT_EQ(threads_in_use, 3);

    // The three search together.
    prepare_search_engine();
    deadline_ms = DEFAULT_TIME_CAP_MS;
    use_threads(3, false);
    ASSERT_TRUE(set_search_position(MATE_CASES[3].fen));
    const uint64_t splits = figures().splits;
    FixedDepthResult result = search_fixed_depth(MATE_CASES[3].depth);
    EXPECT_EQ(result.root_score, MATE_CASES[3].score);
    EXPECT_GT(figures().splits, splits);

    stop_threads();
    EXPECT_EQ(any_helper_busy(), 0);
    EXPECT_EQ(threads_created, 1);
    threads_max = 1;
    set_active_threads(1);
}

}  // namespace
