// The C library's random generator (rand, srand), one algorithm on every
// host: the 32-bit Windows C runtime's. C runtimes differ (glibc's additive
// feedback generator draws up to 2^31 - 1), and play takes every decision on
// a draw modulo 100, so each backend uses this one: a seed gives, on Linux,
// Windows, the headless bench and any later backend, the very draws that
// msvcrt.dll's rand gives.
//
// A linear congruential generator on 32 bits of state:
// state = state * 214013 + 2531011 (modulo 2^32), each draw bits 16 to 30 of
// the new state: values 0 to 32767 (RAND_MAX of that runtime). srand sets the
// state to the seed as given; before any srand it draws as after srand(1).
// Header only: every program and backend gets it without linking anything.
#pragma once

#include <cstdint>

namespace pf {

// The largest value rand returns.
inline constexpr int kRandMax = 0x7FFF;

namespace detail {

class RandomGenerator {
public:
    constexpr void Seed(uint32_t seed) { state_ = seed; }

    constexpr int Next() {
        state_ = state_ * 214013u + 2531011u;  // unsigned: wraps modulo 2^32
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

private:
    uint32_t state_ = 1;  // unseeded draws as after srand(1)
};

// One generator for the whole program, as the C library has.
inline RandomGenerator Random;

}  // namespace detail

inline void srand(unsigned seed) { detail::Random.Seed(seed); }
inline int rand() { return detail::Random.Next(); }

}  // namespace pf
