// The shortest planner against the exact visibility-graph reference (an independent
// oracle over the grid, not the mesh): same reachability as the classic planner, exact
// lengths without clearance, lengths within 1.20 of exact with the agents' clearance, and
// no leg entering a cell of another type (exact integer test).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "navigation/nav_mesh.h"
#include "navigation/navigation.h"
#include "navigation/route_planning.h"
#include "navigation/shortest_path.h"
#include "tests/navigation/generated_maps.h"
#include "tests/navigation/route_test_support.h"
#include "tools/nav_reference/exact_shortest_path.h"
#include "tools/nav_reference/random_pairs.h"
#include "tests/navigation/test_store.h"

namespace {

using nav::PathPoint;
using nav::PathResult;
using nav::ShortestStatus;
using navtest::mazeMap;
using navtest::narrowDoorsMap;
using navtest::setCell;
using navtest::specksMap;
using navtest::walledSquare;

// The agents' radius range is 75 to 225 world units; the tests use its upper end.
constexpr int32_t kAgentClearance = 225;

ShortestStatus shortest(PathResult& result, PathPoint from, PathPoint to, int32_t clearance) {
    return nav::findShortestPath(testMesh, navtest::testShortestState(),
                                 navtest::testShortestQuery(from.x, from.y, to.x, to.y, clearance), result);
}

void buildMap(const std::vector<uint8_t>& cells) { ASSERT_TRUE(navtest::buildWithClearance(cells)); }

struct Figures {
    int pairs = 0;
    int found = 0;
    double worstRatio = 0;
};

// Random pairs (connected ones, and arbitrary points): same answer as the classic planner
// and the flood fill; exact length without clearance; with the agents' clearance ending at
// the destination, within the ratio, every leg clear of other cells.
// maxRatio bounds length / exact with clearance; every map also keeps the bound that moving
// a corner by the clearance adds at most twice the clearance (triangle inequality).
Figures checkAgainstReference(const std::vector<uint8_t>& cells, uint32_t seed, int count, double maxRatio) {
    Figures f;
    buildMap(cells);
    if (::testing::Test::HasFatalFailure()) return f;
    const std::vector<int> label = navtest::componentLabels(cells);
    std::vector<std::unique_ptr<navref::ExactShortestPaths>> oracles(16);
    std::vector<navref::QueryPair> pairs = navref::random_pairs(cells.data(), count, seed, true);
    navtest::TestRandom rnd(seed);
    for (int i = 0; i < count / 4; ++i) {
        pairs.push_back({rnd.below(65536), rnd.below(65536), rnd.below(65536), rnd.below(65536)});
    }
    static PathResult exactPath, agentPath, classic;
    for (const navref::QueryPair& p : pairs) {
        const PathPoint from{p.fromX, p.fromY}, to{p.toX, p.toY};
        const std::string where = std::to_string(p.fromX) + " " + std::to_string(p.fromY) + " " +
                                  std::to_string(p.toX) + " " + std::to_string(p.toY);
        const int a = (from.y >> 8) * 256 + (from.x >> 8), b = (to.y >> 8) * 256 + (to.x >> 8);
        const bool connected = label[a] >= 0 && label[a] == label[b];
        const ShortestStatus status = shortest(exactPath, from, to, 0);
        nav::requestAgentPath(testMesh, testSearch, classic, from.x, from.y, to.x, to.y, nav::kAgentGateFraction);
        ++f.pairs;
        EXPECT_EQ(status == ShortestStatus::Found, connected) << where;
        EXPECT_EQ(exactPath.waypointCount > 0, classic.waypointCount > 0) << where;
        if (status != ShortestStatus::Found || !connected) continue;
        ++f.found;
        const int type = cells[a] & 15;
        if (!oracles[type]) oracles[type] = std::make_unique<navref::ExactShortestPaths>(cells.data(), type);
        const double exact = oracles[type]->shortest_length({from.x, from.y}, {to.x, to.y});
        EXPECT_NEAR(nav::pathLengthOf(exactPath), exact, 1e-6 * exact + 1e-6) << where;

        EXPECT_EQ(shortest(agentPath, from, to, kAgentClearance), ShortestStatus::Found) << where;
        if (agentPath.waypointCount <= 0) break;
        const int n = agentPath.waypointCount;
        EXPECT_EQ(agentPath.waypoints[n - 1].x, to.x) << where;
        EXPECT_EQ(agentPath.waypoints[n - 1].y, to.y) << where;
        const double ratio = exact > 0 ? nav::pathLengthOf(agentPath) / exact : 1.0;
        EXPECT_LE(ratio, maxRatio) << where;
        EXPECT_LE(nav::pathLengthOf(agentPath), exact + 2.0 * kAgentClearance * (n - 1) + 1.0) << where;
        f.worstRatio = std::max(f.worstRatio, ratio);
        navref::Point prev{from.x, from.y};
        for (int i = 0; i < n; ++i) {
            const navref::Point w{agentPath.waypoints[i].x, agentPath.waypoints[i].y};
            EXPECT_TRUE(navref::segment_clear(cells.data(), type, prev, w)) << where << " leg " << i;
            prev = w;
        }
        if (::testing::Test::HasFailure()) break;  // one broken pair tells enough
    }
    return f;
}

TEST(ShortestPath, MaptestPairsAreExactAndClear) {
    const std::vector<uint8_t> cells = navtest::loadMapTest();
    ASSERT_FALSE(cells.empty());
    const Figures f = checkAgainstReference(cells, 99, 600, 1.20);
    EXPECT_GT(f.found, 550);
}

TEST(ShortestPath, GeneratedMapsAreExactAndClear) {
    const struct {
        const char* name;
        std::vector<uint8_t> cells;
    } maps[] = {{"maze", mazeMap(5, 24)}, {"specks", specksMap(6)}, {"narrow doors", narrowDoorsMap(7)}};
    // Corridors one cell wide hold agents of this radius to their middle: no ratio bound
    // beyond the clearance one.
    for (const auto& m : maps) {
        SCOPED_TRACE(m.name);
        const Figures f = checkAgainstReference(m.cells, 11, 300, 1e9);
        EXPECT_GT(f.found, 200);
    }
}

// A 10 x 10 wall block between the ends (cells 20..29 on both axes): the path bends at two
// of its corners; worked out by hand, 2 * sqrt(5^2 + 5^2) + 10 cells.
TEST(ShortestPath, BendsAtTheCornersOfABlock) {
    std::vector<uint8_t> cells = walledSquare(40);
    for (int y = 20; y < 30; ++y)
        for (int x = 20; x < 30; ++x) setCell(cells, x, y, 15);
    buildMap(cells);
    PathResult path;
    ASSERT_EQ(shortest(path, {15 * 256, 25 * 256}, {35 * 256, 25 * 256}, 0), ShortestStatus::Found);
    ASSERT_EQ(path.waypointCount, 3);
    EXPECT_NEAR(nav::pathLengthOf(path), (2 * std::sqrt(50.0) + 10) * 256, 1e-6);
    EXPECT_EQ(path.waypoints[0].x, 20 * 256);
    EXPECT_EQ(path.waypoints[1].x, 30 * 256);
    EXPECT_EQ(path.waypoints[0].y, path.waypoints[1].y);
    EXPECT_TRUE(path.waypoints[0].y == 20 * 256 || path.waypoints[0].y == 30 * 256);

    // With clearance 100 the first corner moves 100 units away from the block along the
    // bisector of the turn: from (-5, +-5) cells and (+1, 0) the outward direction is
    // -(0.293, +-0.707) / 0.765, so by (-38.3, -+92.4).
    ASSERT_EQ(shortest(path, {15 * 256, 25 * 256}, {35 * 256, 25 * 256}, 100), ShortestStatus::Found);
    const int sign = path.waypoints[0].y < 25 * 256 ? -1 : 1;
    EXPECT_NEAR(path.waypoints[0].x, 20 * 256 - 38.3, 1.0);
    EXPECT_NEAR(path.waypoints[0].y, (sign < 0 ? 20 * 256 : 30 * 256) + sign * 92.4, 1.0);
}

// One search state serves queries under different link rules on one build: each query
// plans under its own rule. A 10 x 10 patch of type 3 (cells 20..29) lies between the
// ends; for type 0 under the same-type rule it is a block, bent round at two corners as in
// the test above (2 * sqrt(50) + 10 cells); under a rule linking every walkable type the
// way is the straight line through it (20 cells).
int anyWalkableType(uint8_t, uint8_t) { return 1; }

TEST(ShortestPath, EachQueryPlansUnderItsOwnLinkRule) {
    std::vector<uint8_t> cells = walledSquare(40);
    for (int y = 20; y < 30; ++y)
        for (int x = 20; x < 30; ++x) setCell(cells, x, y, 3);
    buildMap(cells);
    const double around = (2 * std::sqrt(50.0) + 10) * 256, straight = 20.0 * 256;
    const struct {
        nav::CellLinkRule rule;
        int waypoints;
        double length;
    } cases[] = {{navtest::sameLowBits, 3, around}, {anyWalkableType, 1, straight}, {navtest::sameLowBits, 3, around}};
    for (const auto& c : cases) {
        nav::ShortestQuery q;
        q.fromX = 15 * 256;
        q.fromY = q.toY = 25 * 256;
        q.toX = 35 * 256;
        q.linkRule = c.rule;
        q.passTableNumber = testMesh.clearanceLevel;
        PathResult path;
        ASSERT_EQ(nav::findShortestPath(testMesh, navtest::testShortestState(), q, path), ShortestStatus::Found);
        EXPECT_EQ(path.waypointCount, c.waypoints);
        EXPECT_NEAR(nav::pathLengthOf(path), c.length, 1e-6);
    }
}

// Likewise for the pass table: table 0 lets no edge pass, table 1 every edge, so the ends
// (in different triangles: one is a corner of the square, the other far from it) connect
// under table 1 only, whatever the previous query used.
TEST(ShortestPath, EachQueryPlansUnderItsOwnPassTable) {
    buildMap(walledSquare(40));
    const struct {
        int table;
        ShortestStatus status;
    } cases[] = {{1, ShortestStatus::Found}, {0, ShortestStatus::NoPath}, {1, ShortestStatus::Found}};
    for (const auto& c : cases) {
        nav::ShortestQuery q;
        q.fromX = q.fromY = 8 * 256;
        q.toX = 40 * 256;
        q.toY = 30 * 256;
        q.linkRule = navtest::sameLowBits;
        q.passTableNumber = c.table;
        PathResult path;
        EXPECT_EQ(nav::findShortestPath(testMesh, navtest::testShortestState(), q, path), c.status) << "table " << c.table;
    }
}

// Visible ends: one waypoint, the destination. Ends in one triangle likewise.
TEST(ShortestPath, VisibleEndsGiveTheDestinationOnly) {
    buildMap(walledSquare(40));
    PathResult path;
    ASSERT_EQ(shortest(path, {9 * 256, 9 * 256}, {40 * 256, 30 * 256}, kAgentClearance), ShortestStatus::Found);
    EXPECT_EQ(path.waypointCount, 1);
    EXPECT_EQ(path.waypoints[0].x, 40 * 256);
    EXPECT_NEAR(nav::pathLengthOf(path), std::hypot(31.0 * 256, 21.0 * 256), 1e-6);
}

// Ends in a wall, beyond the map, in a patch of another type, or in an enclosed pocket:
// no path, exactly as the classic planner answers.
TEST(ShortestPath, UnreachableEndsGiveNoPath) {
    std::vector<uint8_t> cells = walledSquare(40);
    for (int y = 30; y < 36; ++y)
        for (int x = 30; x < 36; ++x) setCell(cells, x, y, 3);  // patch of type 3
    for (int x = 10; x < 16; ++x) setCell(cells, x, 10, 15), setCell(cells, x, 15, 15);
    for (int y = 10; y < 16; ++y) setCell(cells, 10, y, 15), setCell(cells, 15, y, 15);  // pocket 11..14
    buildMap(cells);
    const PathPoint ground{20 * 256, 20 * 256};
    const PathPoint ends[] = {{2 * 256, 2 * 256}, {70000, 70000}, {32 * 256, 32 * 256}, {12 * 256, 12 * 256}};
    for (const PathPoint& end : ends) {
        SCOPED_TRACE(std::to_string(end.x) + "," + std::to_string(end.y));
        PathResult path, classic;
        EXPECT_EQ(shortest(path, ground, end, 0), ShortestStatus::NoPath);
        EXPECT_EQ(path.waypointCount, 0);
        nav::requestAgentPath(testMesh, testSearch, classic, ground.x, ground.y, end.x, end.y, nav::kAgentGateFraction);
        EXPECT_EQ(classic.waypointCount, 0);
    }
}

// A door one cell wide is narrower than twice the clearance: the corners keep less (or no)
// clearance, but no leg ever enters a wall.
TEST(ShortestPath, ClearanceNeverPushesIntoAWall) {
    std::vector<uint8_t> cells = walledSquare(40);
    for (int y = 8; y < 48; ++y) setCell(cells, 24, y, 15);
    setCell(cells, 24, 30, 0);
    buildMap(cells);
    PathResult path;
    ASSERT_EQ(shortest(path, {12 * 256, 10 * 256}, {40 * 256, 45 * 256}, 2000), ShortestStatus::Found);
    navref::Point prev{12 * 256, 10 * 256};
    for (int i = 0; i < path.waypointCount; ++i) {
        const navref::Point w{path.waypoints[i].x, path.waypoints[i].y};
        EXPECT_TRUE(navref::segment_clear(cells.data(), 0, prev, w)) << "leg " << i;
        prev = w;
    }
}

// The exact segment test itself, on cases worked out by hand around one wall cell (10, 10)
// and a diagonal pair (20, 20) + (21, 21).
TEST(ExactReference, SegmentTestCases) {
    std::vector<uint8_t> cells(navtest::kMapCells, 0);
    setCell(cells, 10, 10, 15);
    setCell(cells, 20, 20, 15);
    setCell(cells, 21, 21, 15);
    const struct {
        navref::Point a, b;
        bool clear;
    } cases[] = {
        {{2560 - 1, 2000}, {2560 - 1, 3000}, true},    // beside the cell's left side
        {{2560 + 1, 2000}, {2560 + 1, 3000}, false},   // just inside it
        {{2560, 2000}, {2560, 3000}, true},            // along its side: one side free
        {{2000, 2560}, {3200, 2560}, true},            // along its top
        {{2560 - 256, 2560 - 256}, {2560, 2560}, true},  // to its corner
        {{2560 - 256, 2560 - 256}, {2560 + 1, 2560 + 1}, false},  // one unit past the corner
        {{5386, 5176}, {5576, 5366}, true},            // inside the free cell (21, 20) beside the pair
        {{5120, 5120}, {5632, 5632}, false},           // through both cells of the pair
        {{5376 - 100, 5376 + 100}, {5376 + 100, 5376 - 100}, false},  // through the zero-width gap
        {{5376, 5376 - 200}, {5376, 5376 + 200}, false},  // along a side through the gap
        {{-10, 100}, {100, 100}, false},              // beyond the map
    };
    for (const auto& c : cases) {
        EXPECT_EQ(navref::segment_clear(cells.data(), 0, c.a, c.b), c.clear)
            << c.a.x << "," << c.a.y << " -> " << c.b.x << "," << c.b.y;
        EXPECT_EQ(navref::segment_clear(cells.data(), 0, c.b, c.a), c.clear) << "reversed";
    }
}

// The reference itself on the block case, by hand.
TEST(ExactReference, BlockDetourLength) {
    std::vector<uint8_t> cells = walledSquare(40);
    for (int y = 20; y < 30; ++y)
        for (int x = 20; x < 30; ++x) setCell(cells, x, y, 15);
    const navref::ExactShortestPaths reference(cells.data(), 0);
    EXPECT_NEAR(reference.shortest_length({15 * 256, 25 * 256}, {35 * 256, 25 * 256}), (2 * std::sqrt(50.0) + 10) * 256,
                1e-6);
    EXPECT_NEAR(reference.shortest_length({15 * 256, 15 * 256}, {35 * 256, 15 * 256}), 20 * 256, 1e-6);
    EXPECT_EQ(reference.shortest_length({15 * 256, 25 * 256}, {25 * 256, 25 * 256}), -1);  // inside the block
}

}  // namespace
