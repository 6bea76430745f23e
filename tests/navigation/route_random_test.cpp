// Thousands of random path queries checked against the grid itself: a path exists exactly
// when a same-type 4-connected flood joins the two cells, every waypoint lies in a cell of
// the start's type, and no leg of the path enters a cell of another type.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "navigation/nav_mesh.h"
#include "navigation/navigation.h"
#include "navigation/path_smoothing.h"
#include "navigation/route_planning.h"
#include "tests/navigation/route_test_support.h"
#include "tests/navigation/test_store.h"

namespace {

using nav::PathPoint;
using nav::PathResult;

struct QueryStats {
    int queries = 0;
    int withPath = 0;
    int multiWaypoint = 0;
    double deepestGraze = 0;  // world units into a foreign cell, at most kGrazeTolerance
};

// Runs `count` queries between random points (a share of them between random cells of
// the same component, so that most maps yield many real paths).
QueryStats checkRandomQueries(const std::vector<uint8_t>& cells, uint32_t seed, int count) {
    testMesh.linkRule = navtest::sameLowBits;
    testMesh.clearanceLevel = 1;
    EXPECT_TRUE(nav::buildNavigation(testMesh, cells.data()));
    const std::vector<int> label = navtest::componentLabels(cells);
    const std::vector<int> walkable = navtest::walkableCells(label);

    navtest::TestRandom rnd(seed);
    static PathResult result;
    QueryStats stats;
    for (int q = 0; q < count; ++q) {
        PathPoint from{}, to{};
        if (q % 3 == 0) {
            from = {rnd.below(65536), rnd.below(65536)};
            to = {rnd.below(65536), rnd.below(65536)};
        } else {
            const int a = walkable[rnd.below(static_cast<int>(walkable.size()))];
            const int b = walkable[rnd.below(static_cast<int>(walkable.size()))];
            from = {(a % 256) * 256 + rnd.below(256), (a / 256) * 256 + rnd.below(256)};
            to = {(b % 256) * 256 + rnd.below(256), (b / 256) * 256 + rnd.below(256)};
        }
        nav::requestAgentPath(testMesh, testSearch, result, from.x, from.y, to.x, to.y, nav::kAgentGateFraction);
        ++stats.queries;
        const int startCell = (from.y >> 8) * 256 + (from.x >> 8);
        const int goalCell = (to.y >> 8) * 256 + (to.x >> 8);
        const bool connected = label[startCell] >= 0 && label[startCell] == label[goalCell];
        const std::string where = "query " + std::to_string(q) + " (" + std::to_string(from.x) + "," +
                                  std::to_string(from.y) + ")->(" + std::to_string(to.x) + "," +
                                  std::to_string(to.y) + ")";
        EXPECT_EQ(result.waypointCount > 0, connected) << where;
        if (result.waypointCount <= 0 || !connected) continue;
        ++stats.withPath;
        if (result.waypointCount > 1) ++stats.multiWaypoint;
        EXPECT_EQ(result.waypoints[result.waypointCount - 1].x, to.x) << where;
        EXPECT_EQ(result.waypoints[result.waypointCount - 1].y, to.y) << where;
        const int type = cells[startCell] & 15;
        PathPoint prev = from;
        for (int i = 0; i < result.waypointCount; ++i) {
            const PathPoint w = result.waypoints[i];
            EXPECT_EQ(navtest::cellType(cells, w.x >> 8, w.y >> 8), type) << where << " waypoint " << i;
            const double depth = navtest::segmentForeignDepth(cells, prev, w, type);
            EXPECT_LE(depth, navtest::kGrazeTolerance) << where << " leg " << i;
            stats.deepestGraze = std::max(stats.deepestGraze, depth);
            prev = w;
        }
        if (::testing::Test::HasFailure()) break;  // one broken query tells enough
    }
    return stats;
}

TEST(RouteRandom, MapTestPathsAgreeWithTheGrid) {
    const std::vector<uint8_t> cells = navtest::loadMapTest();
    ASSERT_FALSE(cells.empty()) << "maptest.raw missing from " STEERING_RESOURCE_DIR;
    const QueryStats stats = checkRandomQueries(cells, 1, 10000);
    ::testing::Test::RecordProperty("deepestGraze", std::to_string(stats.deepestGraze));
    if (::testing::Test::HasFailure()) return;
    EXPECT_GT(stats.withPath, 1000);
    EXPECT_GT(stats.multiWaypoint, 300);
}

TEST(RouteRandom, GeneratedMapPathsAgreeWithTheGrid) {
    for (uint32_t seed : {2u, 3u, 4u, 5u}) {
        SCOPED_TRACE("map seed " + std::to_string(seed));
        const QueryStats stats = checkRandomQueries(navtest::generatedMap(seed), seed * 77, 3000);
        ::testing::Test::RecordProperty("deepestGraze" + std::to_string(seed), std::to_string(stats.deepestGraze));
        if (::testing::Test::HasFailure()) break;
        EXPECT_GT(stats.withPath, 500);
        EXPECT_GT(stats.multiWaypoint, 100);
    }
}

TEST(RouteRandom, AnyFractionGivesTheSameWaypointCountAsTheMiddle) {
    testMesh.linkRule = navtest::sameLowBits;
    const std::vector<uint8_t> cells = navtest::generatedMap(9);
    ASSERT_TRUE(nav::buildNavigation(testMesh, cells.data()));
    navtest::TestRandom rnd(99);
    static PathResult middle, other;
    for (int q = 0; q < 3000; ++q) {
        const PathPoint from{rnd.below(65536), rnd.below(65536)}, to{rnd.below(65536), rnd.below(65536)};
        const int fraction = rnd.below(40000) - 10000;
        nav::requestAgentPath(testMesh, testSearch, middle, from.x, from.y, to.x, to.y, nav::kAgentGateFraction);
        nav::findGatePath(testMesh, testSearch, other, from.x, from.y, to.x, to.y, fraction, 0);
        ASSERT_EQ(other.waypointCount, middle.waypointCount) << q;
        // Each gate waypoint lies between that gate's two ends, inside the walkable area.
        const nav::GatePath& gates = testSearch.gatePath;
        const int type = navtest::cellType(cells, from.x >> 8, from.y >> 8);
        for (int i = 0; i + 1 < other.waypointCount; ++i) {
            const nav::Gate& g = gates.gates[i];
            const PathPoint w = other.waypoints[i];
            EXPECT_GE(w.x, std::min(g.x0, g.x1));
            EXPECT_LE(w.x, std::max(g.x0, g.x1));
            EXPECT_GE(w.y, std::min(g.y0, g.y1));
            EXPECT_LE(w.y, std::max(g.y0, g.y1));
            EXPECT_LE(navtest::pointForeignDepth(cells, w, type), navtest::kGrazeTolerance)
                << q << " waypoint " << i << " fraction " << fraction;
        }
    }
}

}  // namespace
