// Words that search threads share without a lock (history tables, the
// deepest ply reached, node counters merged from other threads): a stale
// read or a lost update is accepted there, a torn or undefined one is not.
// The multi-threaded build makes every access a relaxed atomic one, which on
// the processors the engine runs on is the same plain load or store; the
// single-threaded builds keep plain accesses and every optimisation on them.
#pragma once

#include <atomic>

#include "config/build_config.h"

template <typename T>
inline T shared_load(const T& word) {
    if constexpr (MULTI_THREADED)
        return std::atomic_ref<T>(const_cast<T&>(word)).load(std::memory_order_relaxed);
    else
        return word;
}

template <typename T>
inline void shared_store(T& word, T value) {
    if constexpr (MULTI_THREADED)
        std::atomic_ref<T>(word).store(value, std::memory_order_relaxed);
    else
        word = value;
}

// An addition no other thread's addition may overwrite.
template <typename T>
inline void shared_add(T& word, T amount) {
    if constexpr (MULTI_THREADED)
        std::atomic_ref<T>(word).fetch_add(amount, std::memory_order_relaxed);
    else
        word += amount;
}
