// The tablebase locks: a 32-bit word taken by atomic exchange, spun on
// without yielding. They guard only short steps (a bucket walk, a list
// update, a seek and read), so threads never wait long. In the
// single-threaded builds taking and releasing one does nothing.
#pragma once

#include <atomic>
#include <cstdint>

#include "config/build_config.h"

struct TbSpinLock {
    std::atomic<uint32_t> word{0};

    void lock() {
        if constexpr (MULTI_THREADED) {
            while (word.exchange(1, std::memory_order_acquire) != 0)
                while (word.load(std::memory_order_relaxed) != 0) {
                }
        }
    }
    void unlock() {
        if constexpr (MULTI_THREADED) word.store(0, std::memory_order_release);
    }
    // Only while no other thread can hold it.
    void reset() { word.store(0, std::memory_order_relaxed); }
};

// Holds a lock for the rest of a scope.
class TbLockGuard {
public:
    explicit TbLockGuard(TbSpinLock& lock) : lock_(lock) { lock_.lock(); }
    ~TbLockGuard() { lock_.unlock(); }
    TbLockGuard(const TbLockGuard&) = delete;
    TbLockGuard& operator=(const TbLockGuard&) = delete;

private:
    TbSpinLock& lock_;
};
