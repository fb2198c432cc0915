#include "search/split.h"

#include <algorithm>
#include <thread>

#include "config/build_config.h"
#include "platform/event.h"
#include "platform/fatal_error.h"
#include "position/make.h"
#include "search/driver.h"
#include "search/polling.h"
#include "search/search.h"
#include "search/search_constants.h"
#include "search/search_moves.h"

SplitPoint split_points[THREAD_SLOT_COUNT][SPLIT_POINTS_PER_THREAD];
std::atomic<int> split_count[THREAD_SLOT_COUNT];

namespace {

// Instance 0 is the main thread's; the others are handed out one per worker
// per split point. Taken under the global lock, given back by the worker.
std::atomic<bool> instance_in_use[SEARCH_INSTANCE_COUNT];

// The pool cannot run dry: a worker holds one instance for its work and one
// more for each of its own split points (at most eight) where it is
// recruited while it waits, the main thread only the latter; 23 x 9 + 8 of
// the 215 instances. Should it still happen, the process ends as on any
// fatal failure, from whichever thread finds it.
[[noreturn]] void instances_exceeded(int worker) {
    fatal_error("info string INSTANCES EXCEEDED %d %d\n", worker, SEARCH_INSTANCE_COUNT);
}

// Adds to a figure of the thread's own slot (it has no other writer).
void add_to_figure(std::atomic<uint64_t>& figure, uint64_t amount) {
    figure.store(figure.load(std::memory_order_relaxed) + amount, std::memory_order_relaxed);
}

// Under the global lock.
int take_instance(int worker) {
    for (int s = 1; s < SEARCH_INSTANCE_COUNT; ++s)
        if (!instance_in_use[s].load(std::memory_order_acquire)) {
            instance_in_use[s].store(true, std::memory_order_relaxed);
            return s;
        }
    instances_exceeded(worker);
}

// A split point above `sp` (sp included) where a move cut off: whatever is
// searched below it is refuted. The chain stays valid: no split point ends
// while a thread still works under it.
bool cut_above(const SplitPoint* sp) {
    for (; sp != nullptr; sp = sp->parent)
        if (sp->cut.load(std::memory_order_seq_cst)) return true;
    return false;
}

// Under sp's lock: the stop word of every thread still helping at sp. A
// helper that waits at a split point of its own below is woken to pass the
// stop on to its helpers there.
void stop_helpers(SplitPoint* sp, int except) {
    uint32_t mask = sp->worker_mask.load(std::memory_order_relaxed);
    for (; mask != 0; mask &= mask - 1) {
        const int i = __builtin_ctz(mask);
        if (i == except) continue;
        thread_slots[i].stop.store(1, std::memory_order_seq_cst);
        signal_thread(i);
    }
}

// The moves searched by thread t at sp, taken one at a time until none is
// left, the node has cut off or t is told to stop; then t leaves sp.
void split_worker(SplitPoint* sp, int t) {
    ThreadSlot& slot = thread_slots[t];
    SplitPoint* const outer = slot.working_at;
    slot.working_at = sp;
    Position* const pos = sp->positions[t];
    const NodeFrame& frame = sp->frame;
    const int owner = sp->owner;
    const bool in_check = (current_ply_record(pos)->flags & PLY_IN_CHECK) != 0;
    Move* const owner_line = pv_line(sp->positions[owner], frame.ply);

    while (sp->alpha.load(std::memory_order_relaxed) < frame.beta && !slot.stop.load(std::memory_order_relaxed)) {
        MoveEntry* entry;
        int searched;
        {
            std::lock_guard<std::mutex> hold(sp->lock);
            NodeProgress& node = sp->progress;
            if (node.next >= node.end) break;
            entry = node.next++;
            pick_best_move(entry, node.end);
            searched = sp->moves_taken++;
        }
        const Move move = entry->move;
        int score;
        if (!search_split_move(pos, frame, move, entry->score, sp->alpha.load(std::memory_order_relaxed),
                               sp->best.load(std::memory_order_relaxed), searched, &score)) {
            std::lock_guard<std::mutex> hold(sp->lock);
            entry->score = int16_t(ORDER_ILLEGAL);
            --sp->progress.move_count;
            --sp->moves_taken;
            continue;
        }
        const PlyRecord* const child = current_ply_record(pos);
        {
            std::lock_guard<std::mutex> hold(sp->lock);
            NodeProgress& node = sp->progress;
            ++node.moves_searched;
            if (score < -MATE_SCORE_BOUND && in_check) --node.move_count;
            if (score > sp->best.load(std::memory_order_relaxed) && !slot.stop.load(std::memory_order_relaxed)) {
                sp->best.store(score, std::memory_order_relaxed);
                node.best_move = move & MOVE_IDENTITY_MASK;
                if (score > sp->alpha.load(std::memory_order_relaxed)) {
                    const Move shown =
                        (move & MOVE_IDENTITY_MASK) | ((child->flags & PLY_IN_CHECK) ? MOVE_GIVES_CHECK : 0);
                    copy_line(owner_line, shown, pv_line(pos, frame.ply + 1));
                    sp->alpha.store(score, std::memory_order_relaxed);
                    if (score >= frame.beta) {
                        node.cut_threat = (child->flags & (PLY_NEW_THREAT | PLY_CONNECTED_THREAT)) != 0;
                        entry->score = cut_move_order(frame.depth);
                        node.cut_entry = entry;
                        add_to_figure(slot.split_cutoffs, 1);
                        // The flag first: a thread below that clears its own
                        // stop word looks at it afterwards (try_split).
                        sp->cut.store(true, std::memory_order_seq_cst);
                        if (owner != t) thread_slots[owner].stop.store(1, std::memory_order_seq_cst);
                        stop_helpers(sp, t);
                    }
                }
            }
        }
        unmake_move(pos);
    }

    // Leave: the nodes counted here and the instance go back before the
    // owner can see the split point finished.
    bool last = false;
    {
        std::lock_guard<std::mutex> hold(sp->lock);
        if (t != owner) {
            shared_add(sp->positions[owner]->merged_nodes, pos->nodes + shared_load(pos->merged_nodes));
            add_to_figure(slot.helper_nodes, pos->nodes);
            instance_in_use[sp->instance[t]].store(false, std::memory_order_release);
            sp->worker_mask.fetch_and(~(1u << t), std::memory_order_relaxed);
        } else if (slot.stop.load(std::memory_order_relaxed)) {
            // A stop that reached the owner from above reaches its helpers.
            stop_helpers(sp, t);
        }
        last = sp->workers.fetch_sub(1, std::memory_order_acq_rel) == 1;
    }
    slot.working_at = outer;
    if (last && t != owner) signal_thread(owner);
}

// A spinning thread gives its processor away now and then: with more threads
// spinning than processors free, the one that is waited for still runs.
void spin_round(unsigned* spins) {
    spin_pause();
    if ((++*spins & 63) == 0) std::this_thread::yield();
}

// One round of a wait for work: the main thread keeps polling the clock and
// the input (it is the only one that does); a worker spins while a search
// runs with "Busy Threads" on, else sleeps on its event. An owner waiting at
// its own split point wakes now and then to pass on a cut-off above.
void wait_round(int t, const SplitPoint* sp, unsigned* spins) {
    if (t == 0) {
        // Once the search is stopped the helpers leave soon: no more polls
        // meanwhile (the stop reason is set on this thread only).
        const bool stopped = stop_reason != 0;
        if (search_flags & EF_BUSY_THREADS) {
            spin_round(spins);
            if (--poll_countdown <= 0 && !stopped) poll_search(0);
        } else if (!wait_on_thread_event_ms(0, 10) && !stopped) {
            poll_search(0);
        }
    } else if (t >= helpers_go.load(std::memory_order_acquire)) {
        if (sp != nullptr)
            wait_on_thread_event_ms(t, 10);
        else
            wait_on_thread_event(t);
    } else {
        spin_round(spins);
    }
}

}  // namespace

void init_split_points() {
    for (std::atomic<int>& count : split_count) count.store(0);
    for (std::atomic<bool>& used : instance_in_use) used.store(false);
    instance_in_use[0].store(true);
}

void thread_wait_loop(int t, SplitPoint* sp) {
    ThreadSlot& slot = thread_slots[t];
    slot.state.fetch_or(THREAD_WAITING, std::memory_order_release);
    bool passed_on = false;
    unsigned spins = 0;
    for (;;) {
        while (slot.state.load(std::memory_order_acquire) < THREAD_WORK) {
            if (sp != nullptr) {
                if (sp->workers.load(std::memory_order_acquire) == 0) break;
                // A cut-off above this split point: the threads still here
                // search refuted moves.
                if (!passed_on && cut_above(sp->parent)) {
                    passed_on = true;
                    std::lock_guard<std::mutex> hold(sp->lock);
                    stop_helpers(sp, t);
                }
            }
            wait_round(t, sp, &spins);
        }
        if (helpers_quit.load(std::memory_order_acquire)) {
            slot.state.store(0, std::memory_order_release);
            return;
        }
        if (slot.state.load(std::memory_order_acquire) >= THREAD_WORK) {
            SplitPoint* const work = slot.split;
            slot.state.fetch_and(~THREAD_WORK, std::memory_order_relaxed);
            split_worker(work, t);
            slot.state.fetch_and(~THREAD_BUSY, std::memory_order_release);
        }
        if (sp != nullptr && sp->workers.load(std::memory_order_acquire) == 0) return;
    }
}

bool try_split(Position* pos, const NodeFrame& frame, int* alpha, int* best, NodeProgress* progress) {
    const int t = pos->thread_index;
    ThreadSlot& own = thread_slots[t];
    SplitPoint* sp;
    int index;
    uint32_t recruits = 0;
    {
        std::lock_guard<std::mutex> hold(threads_lock);
        if (own.stop.load(std::memory_order_relaxed) || !idle_helper_exists(t)) return false;
        index = split_count[t].load(std::memory_order_relaxed);
        if (index >= SPLIT_POINTS_PER_THREAD) return false;
        split_count[t].store(index + 1, std::memory_order_relaxed);
        sp = &split_points[t][index];

        sp->frame = frame;
        sp->owner = t;
        sp->parent = own.working_at;
        sp->positions[t] = pos;
        sp->progress = *progress;
        sp->progress.cut_entry = nullptr;
        sp->progress.cut_threat = false;
        sp->moves_taken = progress->moves_searched;
        sp->alpha.store(*alpha, std::memory_order_relaxed);
        sp->best.store(*best, std::memory_order_relaxed);
        sp->cut.store(false, std::memory_order_relaxed);
        own.split = sp;

        // At most four helpers, never more than the node's legal moves beyond
        // the two its owner searches, nor than the moves left beside the one
        // the owner takes first.
        int wanted = std::min({SPLIT_MAX_HELPERS, progress->move_count - 2, int(progress->end - progress->next) - 1});
        const int used = threads_in_use;
        int workers = 1;
        for (int i = 0; i < used && wanted > 0; ++i) {
            if (i == t || thread_slots[i].state.load(std::memory_order_acquire) >= THREAD_BUSY) continue;
            if (used != 2 && !thread_can_help(t, i)) continue;
            const int s = take_instance(i);
            copy_search_instance(&search_instances[s], pos, frame.ply, i);
            sp->positions[i] = &search_instances[s];
            sp->instance[i] = s;
            thread_slots[i].split = sp;
            recruits |= 1u << i;
            ++workers;
            --wanted;
        }
        sp->worker_mask.store(recruits, std::memory_order_relaxed);
        sp->workers.store(workers, std::memory_order_relaxed);
        // The owner's stop word was clear above; a recruit's may still hold
        // the stop of the split point it worked at last.
        for (uint32_t mask = recruits; mask != 0; mask &= mask - 1) {
            ThreadSlot& slot = thread_slots[__builtin_ctz(mask)];
            slot.stop.store(0, std::memory_order_relaxed);
            slot.state.fetch_or(THREAD_BUSY | THREAD_WORK, std::memory_order_release);
        }
        own.state.fetch_or(THREAD_BUSY | THREAD_WORK, std::memory_order_release);
    }
    add_to_figure(own.splits, 1);
    // Recruits are woken whether they spin or sleep: a signal to a spinning
    // thread only makes its next wait return once.
    for (uint32_t mask = recruits; mask != 0; mask &= mask - 1) signal_thread(__builtin_ctz(mask));

    thread_wait_loop(t, sp);

    {
        std::lock_guard<std::mutex> hold(sp->lock);
        *progress = sp->progress;
        *alpha = sp->alpha.load(std::memory_order_relaxed);
        *best = sp->best.load(std::memory_order_relaxed);
    }
    {
        std::lock_guard<std::mutex> hold(threads_lock);
        own.state.fetch_or(THREAD_BUSY, std::memory_order_relaxed);
        // A cut-off here set the owner's stop word; a global stop or a
        // cut-off at a split point above must stay set. The word is cleared
        // before the flags above are read, so that a cut-off above that comes
        // meanwhile is seen or sets the word again after the clear.
        own.stop.store(0, std::memory_order_seq_cst);
        if (stop_reason != 0 || cut_above(sp->parent)) own.stop.store(1, std::memory_order_seq_cst);
        split_count[t].store(index, std::memory_order_relaxed);
    }
    return true;
}
