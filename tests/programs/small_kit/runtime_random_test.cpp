// The programs' own 15-bit generator: the runtime's sequence from seed 1, independently of
// the C library that the test runs on.
#include <gtest/gtest.h>

#include <cstdint>

#include "programs/small_kit/runtime_random.h"

namespace small_kit {
namespace {

TEST(RandomGenerator, StartsWithTheRuntimeSequenceOfSeedOne) {
    RandomGenerator random;
    EXPECT_EQ(random.next(), 41);
    EXPECT_EQ(random.next(), 18467);
    EXPECT_EQ(random.next(), 6334);
    EXPECT_EQ(random.next(), 26500);
    EXPECT_EQ(random.next(), 19169);
}

TEST(RandomGenerator, MatchesA64BitReferenceOverALongRun) {
    RandomGenerator random;
    uint64_t seed = 1;
    for (int i = 0; i < 100000; ++i) {
        seed = (seed * 214013 + 2531011) % 4294967296ULL;
        ASSERT_EQ(random.next(), static_cast<int>((seed >> 16) & 0x7FFF)) << "draw " << i;
    }
}

TEST(RandomGenerator, UnitRandomStaysWithinPlusMinusOneOnA1024StepLattice) {
    RandomGenerator random;
    RandomGenerator mirror;
    bool sawMinusOne = false;
    bool sawPlusOne = false;
    for (int i = 0; i < 100000; ++i) {
        const double u = unitRandom(random);
        const int r = mirror.next() >> 5;
        ASSERT_GE(u, -1.0);
        ASSERT_LE(u, 1.0);
        EXPECT_NEAR(u, 2.0 * r / 1023.0 - 1.0, 1e-15);
        sawMinusOne = sawMinusOne || u == -1.0;
        sawPlusOne = sawPlusOne || u == 1.0;
    }
    EXPECT_TRUE(sawMinusOne);
    EXPECT_TRUE(sawPlusOne);
}

TEST(RandomGenerator, FirstUnitValueIsTheOneTheFirstObstacleGets) {
    // rand() = 41, 41 >> 5 = 1: 2 / 1023 - 1.
    RandomGenerator random;
    EXPECT_DOUBLE_EQ(unitRandom(random), 2.0 / 1023.0 - 1.0);
}

}  // namespace
}  // namespace small_kit
