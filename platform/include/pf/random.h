// The C library's random generator (rand, srand), one algorithm on every
// host. C runtimes differ (glibc's additive feedback generator, Windows'
// linear congruential one), so play would take other decisions on each; every
// backend uses this one instead, glibc's, so a seed gives the same draws
// wherever the game runs and the Linux programs keep their sequences.
//
// glibc's TYPE_3 generator: 31 words of state seeded by the minimal standard
// generator (16807 modulo 2^31 - 1), 310 draws discarded, then
// state[i] += state[i - 3] (modulo 31 words), each draw the sum shifted
// right by one bit: values 0 to 2^31 - 1. Before any srand it draws as after
// srand(1). Header only: every program and backend gets it without linking
// anything.
#pragma once

#include <cstdint>

namespace pf {

namespace detail {

class RandomGenerator {
public:
    void Seed(uint32_t seed) {
        if (seed == 0) seed = 1;
        // Signed 32-bit arithmetic with a 64-bit intermediate, as glibc does it
        // on x86-64 (a seed of 2^31 or more starts negative).
        int32_t word = static_cast<int32_t>(seed);
        state_[0] = static_cast<uint32_t>(word);
        for (int i = 1; i < kWords; ++i) {
            const int64_t hi = word / 127773;
            const int64_t lo = word % 127773;
            word = static_cast<int32_t>(16807 * lo - 2836 * hi);
            if (word < 0) word += 2147483647;
            state_[i] = static_cast<uint32_t>(word);
        }
        front_ = kSeparation;
        rear_ = 0;
        seeded_ = true;
        for (int i = 0; i < 10 * kWords; ++i) Next();
    }

    int Next() {
        if (!seeded_) Seed(1);
        state_[front_] += state_[rear_];
        const uint32_t value = state_[front_];
        front_ = front_ + 1 == kWords ? 0 : front_ + 1;
        rear_ = rear_ + 1 == kWords ? 0 : rear_ + 1;
        return static_cast<int>(value >> 1);
    }

private:
    static constexpr int kWords = 31;
    static constexpr int kSeparation = 3;
    uint32_t state_[kWords] = {};
    int front_ = 0;
    int rear_ = 0;
    bool seeded_ = false;
};

// One generator for the whole program, as the C library has.
inline RandomGenerator Random;

}  // namespace detail

inline void srand(unsigned seed) { detail::Random.Seed(seed); }
inline int rand() { return detail::Random.Next(); }

}  // namespace pf
