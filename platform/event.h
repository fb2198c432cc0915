// An auto-reset event: one thread signals, the thread that owns the event
// waits for it. A signal that comes while nobody waits stays set until the
// next wait takes it, so a waiter that tested its condition just before the
// signal still wakes; a wait clears it. Signals do not pile up: several
// before a wait are one.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

class AutoResetEvent {
public:
    void signal();
    // Waits until signalled.
    void wait();
    // Waits at most `milliseconds`; true when signalled, false on timeout.
    bool wait_for_ms(uint32_t milliseconds);

private:
    std::mutex mutex_;
    std::condition_variable signalled_;
    bool set_ = false;
};

// A hint to the processor inside a spin-wait loop: lets a sibling hardware
// thread run and saves power, at no cost to the loop's latency.
inline void spin_pause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}
