// The seam's random generator draws exactly what the C library on Linux
// draws, for any seed (zero, above 2^31) and before any seed, so the Linux
// programs keep their sequences and every host shares them.
#include <gtest/gtest.h>

#include <cstdlib>

#include "pf/random.h"

namespace {

TEST(Random, DrawsAsTheCLibraryDoes) {
    // Unseeded, both draw as after a seed of 1.
    pf::detail::RandomGenerator unseeded;
    std::srand(1);
    for (int i = 0; i < 50; ++i) ASSERT_EQ(unseeded.Next(), std::rand()) << "unseeded draw " << i;
    const unsigned seeds[] = {0u, 1u, 77u, 1234u, 127773u, 0x7FFFFFFFu, 0x80000000u,
                              0x80000001u, 3000000000u, 4294967000u, 0xFFFFFFFFu};
    for (const unsigned seed : seeds) {
        pf::srand(seed);
        std::srand(seed);
        for (int i = 0; i < 2000; ++i) ASSERT_EQ(pf::rand(), std::rand()) << "seed " << seed << " draw " << i;
    }
    for (unsigned seed = 5; seed < 4000000000u; seed += 39916801u) {
        pf::srand(seed);
        std::srand(seed);
        for (int i = 0; i < 20; ++i) ASSERT_EQ(pf::rand(), std::rand()) << "seed " << seed;
    }
}

}  // namespace
