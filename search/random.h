// The engine's random numbers: one 32-bit linear congruential state, used for
// the book choice, the strength-limit noise and the weak-move choice.
#pragma once

#include <cstdint>

extern uint32_t random_state;

inline uint32_t next_random() {
    random_state = random_state * 328474821u + 1u;
    return random_state;
}

// Every reseed goes through here, so a test can fix the sequence.
inline void seed_random(uint32_t seed) { random_state = seed; }
