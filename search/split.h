// Split points of the multi-threaded search. A thread whose node has
// searched a move and still has moves left offers the rest of the node's
// move list to idle threads; the threads that join, and the owner itself,
// take the moves one at a time, search them on their own Position and merge
// the results under the split point's lock. A cut-off stops everyone at the
// split point and below it. The owner, once its own share is done, waits for
// the others and meanwhile helps only threads that work for it.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "config/settings.h"
#include "position/position.h"
#include "search/threads.h"

inline constexpr int SPLIT_POINTS_PER_THREAD = 8;
// A node is offered once this many nodes were counted in its move loop.
inline constexpr uint64_t SPLIT_MIN_NODES = 75;
inline constexpr int SPLIT_MAX_HELPERS = 4;

// What the moves of a node are searched with; fixed while a split point
// holds the node.
struct NodeFrame {
    int ply;
    int depth;      // whole plies
    int half_ply;   // the carried half ply
    uint32_t flags;
    int node_kind;
    int tt_flags;     // the node's table probe (bound and flag bits)
    Move null_threat; // the threat the node's null move found (slot in bits 12-15)
    int beta;
};

// The node's running results beside its alpha and best, handed to a split
// point and back.
struct NodeProgress {
    Move best_move;
    int moves_searched;
    int move_count;         // legal moves still considered
    MoveEntry* next;        // the first move not yet taken
    MoveEntry* end;
    MoveEntry* cut_entry;   // the move that cut off, if one did
    bool cut_threat;        // its child carried a threat flag
};

struct alignas(64) SplitPoint {
    std::mutex lock;  // guards what is marked "locked" and the stop words set at a cut-off

    // Set up under the global lock, fixed while the split point is active.
    NodeFrame frame;
    int owner;
    SplitPoint* parent;  // the split point the owner worked under, or none
    Position* positions[THREAD_SLOT_COUNT];
    int instance[THREAD_SLOT_COUNT];

    // Locked.
    NodeProgress progress;
    // Moves searched before the node's split and legal moves taken since: what
    // a move taken now counts as searched before it, as in the node's own loop
    // (the moves still being searched by other threads come before it there
    // too), for its reduction.
    int moves_taken;

    // Read without the lock during the searches; written under it.
    std::atomic<int> alpha;
    std::atomic<int> best;
    std::atomic<int> workers;             // threads still working here, the owner included
    std::atomic<uint32_t> worker_mask;    // bit i while thread i helps here
    std::atomic<bool> cut;                // a move cut off here: everything below stops
};

extern SplitPoint split_points[THREAD_SLOT_COUNT][SPLIT_POINTS_PER_THREAD];
extern std::atomic<int> split_count[THREAD_SLOT_COUNT];

// Clears the split-point stacks and the instance pool; before the workers start.
void init_split_points();

// May thread b help thread a: b owns no active split point, or thread a
// works for b's latest one (a thread waiting for its own split point helps
// only those who work for it). Read without the lock: a guess that the
// recruiting confirms.
inline bool thread_can_help(int a, int b) {
    const int count = split_count[b].load(std::memory_order_relaxed);
    if (count == 0) return true;
    return (split_points[b][count - 1].worker_mask.load(std::memory_order_relaxed) >> a) & 1;
}

// A thread other than t that is idle and may help t.
inline bool idle_helper_exists(int t) {
    const int used = threads_in_use;
    for (int i = 0; i < used; ++i) {
        if (i == t || thread_slots[i].state.load(std::memory_order_relaxed) >= THREAD_BUSY) continue;
        if (used == 2 || thread_can_help(t, i)) return true;
    }
    return false;
}

// The split test, made after each pick of the move loop: a move searched,
// three legal moves or more, depth 2 or more, a move left for a helper
// beside the one just picked, enough nodes since the loop began, and an idle
// thread that may help.
inline bool split_worth_offering(const Position* pos, int depth, int moves_searched, int move_count,
                                 int moves_left, uint64_t loop_start_nodes) {
    return moves_searched > 0 && depth >= 2 && move_count >= 3 && moves_left >= 2 && threads_in_use >= 2 &&
           pos->nodes - loop_start_nodes >= SPLIT_MIN_NODES && idle_helper_exists(pos->thread_index);
}

// Offers the node's remaining moves (from progress->next) to idle threads.
// true when the split took place: every move has been searched or a
// cut-off ended the node, and `alpha`, `best` and `progress` hold the node's
// results; when the
// thread's stop word is set afterwards the node was stopped and its results
// are not to be used. false when no split was made (nothing changed).
bool try_split(Position* pos, const NodeFrame& frame, int* alpha, int* best, NodeProgress* progress);

// The wait-and-work loop of thread t: waits until work is assigned and does
// it; at the top of a worker thread (sp none) until shutdown, at its own
// split point `sp` until every thread has left it.
void thread_wait_loop(int t, SplitPoint* sp);
