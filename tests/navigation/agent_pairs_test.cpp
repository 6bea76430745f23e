// The random pairs that benchmarks and navtool draw where agents walk: both ends in cells
// 0..127 of each axis and in one component; over the whole map without that limit.
#include <gtest/gtest.h>

#include <vector>

#include "tests/navigation/route_test_support.h"
#include "tools/nav_reference/random_pairs.h"

namespace {

int cellOf(int x, int y) { return (y >> 8) * 256 + (x >> 8); }

TEST(AgentPairs, BothEndsWhereAgentsWalkAndConnected) {
    const std::vector<uint8_t> maptest = navtest::loadMapTest();
    ASSERT_FALSE(maptest.empty());
    const std::vector<int> label = navref::cell_components(maptest.data());
    const std::vector<navref::QueryPair> pairs = navref::random_pairs(maptest.data(), 2000, 17, true, navref::kAgentReach);
    ASSERT_EQ(pairs.size(), 2000u);
    int farX = 0, farY = 0;
    for (const navref::QueryPair& p : pairs) {
        for (const int v : {p.fromX, p.fromY, p.toX, p.toY}) {
            ASSERT_GE(v, 0);
            ASSERT_LT(v, navref::kAgentReach * 256);
        }
        farX += p.fromX >= 96 * 256 || p.toX >= 96 * 256;
        farY += p.fromY >= 96 * 256 || p.toY >= 96 * 256;
        const int a = cellOf(p.fromX, p.fromY), b = cellOf(p.toX, p.toY);
        ASSERT_GE(label[a], 0);
        ASSERT_EQ(label[a], label[b]);
    }
    // The whole square is drawn from, not a corner of it.
    EXPECT_GT(farX, 100);
    EXPECT_GT(farY, 100);

    // Over the whole map three quarters of the ground lies beyond cell 127 on some axis.
    int beyond = 0;
    for (const navref::QueryPair& p : navref::random_pairs(maptest.data(), 2000, 17, true)) {
        beyond += p.fromX >= 128 * 256 || p.fromY >= 128 * 256;
    }
    EXPECT_GT(beyond, 1000);
}

}  // namespace
