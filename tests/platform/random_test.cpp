// The seam's random generator draws what the 32-bit Windows C runtime's rand
// draws: its known first values, values derived from its formula by another
// road (jumping ahead by composing the step), its range, and the draws before
// any seed. The Wine tests compare it with msvcrt.dll itself.
#include <gtest/gtest.h>

#include <cstdint>

#include "pf/random.h"

namespace {

// The state after n steps from state, computed by squaring the affine step
// x -> a x + c (modulo 2^32) rather than by stepping n times.
uint32_t JumpAhead(uint32_t state, uint64_t n) {
    uint32_t a = 214013u, c = 2531011u;  // the step, squared as n is walked
    uint32_t accA = 1u, accC = 0u;       // the composition so far
    while (n != 0) {
        if (n & 1u) {
            accA = accA * a;
            accC = accC * a + c;
        }
        c = c * a + c;
        a = a * a;
        n >>= 1;
    }
    return accA * state + accC;
}

int DrawAfter(uint32_t seed, uint64_t n) { return static_cast<int>((JumpAhead(seed, n) >> 16) & 0x7FFFu); }

TEST(Random, DrawsTheKnownValuesOfTheWindowsRuntime) {
    pf::srand(1);
    const int afterOne[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    for (const int value : afterOne) EXPECT_EQ(pf::rand(), value);

    pf::srand(0);
    for (const int value : {38, 7719, 21238, 2437, 8855}) EXPECT_EQ(pf::rand(), value);
    pf::srand(77);
    for (const int value : {290, 16146, 20523, 20304, 16645}) EXPECT_EQ(pf::rand(), value);
    pf::srand(0xFFFFFFFFu);
    for (const int value : {35, 29739, 3374, 11141, 31308}) EXPECT_EQ(pf::rand(), value);
    pf::srand(3000000000u);
    for (const int value : {23213, 5546, 14116, 23762, 2342}) EXPECT_EQ(pf::rand(), value);

    // The millionth draw after srand(1).
    pf::srand(1);
    int last = 0;
    for (int i = 0; i < 1000000; ++i) last = pf::rand();
    EXPECT_EQ(last, 12679);
}

TEST(Random, FollowsTheFormulaForEverySeedAndStaysInRange) {
    EXPECT_EQ(pf::kRandMax, 32767);
    bool sawZero = false, sawMax = false;
    for (uint32_t seed = 3; seed < 4000000000u; seed += 39916801u) {
        pf::srand(seed);
        for (uint64_t n = 1; n <= 2000; ++n) {
            const int value = pf::rand();
            ASSERT_EQ(value, DrawAfter(seed, n)) << "seed " << seed << " draw " << n;
            ASSERT_GE(value, 0);
            ASSERT_LE(value, pf::kRandMax);
            sawZero = sawZero || value == 0;
            sawMax = sawMax || value == pf::kRandMax;
        }
    }
    EXPECT_TRUE(sawZero);
    EXPECT_TRUE(sawMax);
    // Reseeding starts the sequence again.
    pf::srand(1234);
    const int first = pf::rand();
    pf::srand(1234);
    EXPECT_EQ(pf::rand(), first);
}

TEST(Random, UnseededDrawsAsAfterSeedOne) {
    pf::detail::RandomGenerator unseeded;
    pf::srand(1);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(unseeded.Next(), pf::rand()) << "unseeded draw " << i;
}

}  // namespace
