// How far the shortest planner moves a corner off its vertex for an agent's clearance where
// a leg is short: an end close by the corner, and the two corners round the end of a thin
// wall (the shapes of the agent pairs of maptest.raw that lose most against the exact path;
// the peer benchmark lists them). A corner with both leg ends far off moves the whole
// clearance along the bisector of its legs; with an end within the clearance of it, its
// legs clear it by no more than half that end's distance. A path grows by at most twice the clearance per corner, and no
// leg clips a wall.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "navigation/nav_mesh.h"
#include "navigation/navigation.h"
#include "navigation/shortest_path.h"
#include "tests/navigation/generated_maps.h"
#include "tests/navigation/route_test_support.h"
#include "tests/navigation/test_store.h"
#include "tools/nav_reference/exact_shortest_path.h"

namespace {

using nav::PathPoint;
using nav::PathResult;
using nav::ShortestStatus;
using navtest::setCell;
using navtest::walledSquare;

constexpr int32_t kAgentClearance = 150;

void build(const std::vector<uint8_t>& cells) { ASSERT_TRUE(navtest::buildWithClearance(cells)); }

ShortestStatus plan(PathResult& result, PathPoint from, PathPoint to, int32_t clearance) {
    return nav::findShortestPath(testMesh, navtest::testShortestState(),
                                 navtest::testShortestQuery(from.x, from.y, to.x, to.y, clearance), result);
}

double between(PathPoint a, PathPoint b) { return std::hypot(double(a.x) - b.x, double(a.y) - b.y); }

void expectLegsClear(const std::vector<uint8_t>& cells, int type, const PathResult& path) {
    navref::Point from{path.fromX, path.fromY};
    for (int i = 0; i < path.waypointCount; ++i) {
        const navref::Point to{path.waypoints[i].x, path.waypoints[i].y};
        EXPECT_TRUE(navref::segment_clear(cells.data(), type, from, to)) << "leg " << i;
        from = to;
    }
}

// Block (cells 20..29 on both axes); S (10, 25) on its left, G 100 units right of and 20
// below its corner V (20, 20) = (5120, 5120); the way bends at V (2964.15 exact). Moved
// the whole 150 along the bisector, to (5071, 4978), V would send the path 143 units past
// the goal's height and back (3078.3). G is 101.98 from V, so both legs keep 50.99 (half
// of that; the bisector move gives them 147.45 and 78.86): the start's leg touches that
// circle round V on the side away from the block with normal (-0.4631, -0.8863), the
// goal's with (0.3204, -0.9473); they meet at (5115.70, 5064.72), rounded (5116, 5065):
// 2993.37 long, 1.0099 of exact, each leg 50.6 or more from V.
TEST(ShortestClearance, ACornerByTheGoalMovesOnlyHalfTheGoalsDistance) {
    std::vector<uint8_t> cells = walledSquare(40);
    for (int y = 20; y < 30; ++y)
        for (int x = 20; x < 30; ++x) setCell(cells, x, y, 15);
    build(cells);
    const PathPoint s{10 * 256, 25 * 256}, g{5220, 5100}, v{5120, 5120};
    PathResult path;
    ASSERT_EQ(plan(path, s, g, 0), ShortestStatus::Found);
    ASSERT_EQ(path.waypointCount, 2);
    EXPECT_EQ(path.waypoints[0].x, v.x);
    EXPECT_EQ(path.waypoints[0].y, v.y);
    const double exact = between(s, v) + between(v, g);
    EXPECT_NEAR(exact, 2964.15, 0.01);

    ASSERT_EQ(plan(path, s, g, kAgentClearance), ShortestStatus::Found);
    ASSERT_EQ(path.waypointCount, 2);
    EXPECT_EQ(path.waypoints[0].x, 5116);
    EXPECT_EQ(path.waypoints[0].y, 5065);
    expectLegsClear(cells, 0, path);
    EXPECT_NEAR(nav::pathLengthOf(path), 2993.37, 0.01);
    // The other way round the corner lands on the same point (the rule is symmetric).
    ASSERT_EQ(plan(path, g, s, kAgentClearance), ShortestStatus::Found);
    ASSERT_EQ(path.waypointCount, 2);
    EXPECT_EQ(path.waypoints[0].x, 5116);
    EXPECT_EQ(path.waypoints[0].y, 5065);
}

// A wall one cell thick (cells x 20, y 10..29) between S (15, 22) and G (25, 22): the way
// wraps its top end, bending at A (20, 30) and B (21, 30), 256 apart (4960.83 exact). Each
// corner moves 150 up and outward; the second walks on from the triangle where the leg
// to the first ended. Worked out with the bisectors: A to (5047, 7811), B (from A's new
// place) to (5477, 7790); 5268.6 long, 1.062 of exact: the half-turn round a thin wall's
// end costs about twice the clearance, whatever the path's length.
TEST(ShortestClearance, CornersRoundAThinWallEndBothMove) {
    std::vector<uint8_t> cells = walledSquare(40);
    for (int y = 10; y < 30; ++y) setCell(cells, 20, y, 15);
    build(cells);
    const PathPoint s{15 * 256, 22 * 256}, g{25 * 256, 22 * 256};
    const PathPoint a{20 * 256, 30 * 256}, b{21 * 256, 30 * 256};
    PathResult path;
    ASSERT_EQ(plan(path, s, g, 0), ShortestStatus::Found);
    ASSERT_EQ(path.waypointCount, 3);
    EXPECT_EQ(path.waypoints[0].x, a.x);
    EXPECT_EQ(path.waypoints[0].y, a.y);
    EXPECT_EQ(path.waypoints[1].x, b.x);
    EXPECT_EQ(path.waypoints[1].y, b.y);
    const double exact = nav::pathLengthOf(path);
    EXPECT_NEAR(exact, 4960.83, 0.01);

    ASSERT_EQ(plan(path, s, g, kAgentClearance), ShortestStatus::Found);
    ASSERT_EQ(path.waypointCount, 3);
    EXPECT_EQ(path.waypoints[0].x, 5047);
    EXPECT_EQ(path.waypoints[0].y, 7811);
    EXPECT_EQ(path.waypoints[1].x, 5477);
    EXPECT_EQ(path.waypoints[1].y, 7790);
    EXPECT_NEAR(between(path.waypoints[0], a), 150.0, 0.71);
    EXPECT_NEAR(between(path.waypoints[1], b), 150.0, 0.71);
    expectLegsClear(cells, 0, path);
    EXPECT_NEAR(nav::pathLengthOf(path), 5268.58, 0.5);
}

// The agent pairs of maptest.raw that lost most against the exact path (the peer
// benchmark's list with the whole-clearance move: 1.412, 1.282, 1.141 and 1.122): the
// point agent's path is exact and the agent's clips no wall. The first two have an end
// near their one corner (the goal 19.6 from it, the start 96.1): the corner moves less
// than the clearance and the path stays within 1.12 of exact (1.009 and 1.108, worked out with the rule).
// The other two wrap thin wall ends with every end 256 or more off: every corner moves the
// whole clearance, and none adds more than twice the clearance (moving a corner by d
// lengthens each of its two legs by at most d).
TEST(ShortestClearance, WorstAgentPairsOfMaptestStayWithinTheirBound) {
    const std::vector<uint8_t> maptest = navtest::loadMapTest();
    ASSERT_FALSE(maptest.empty());
    build(maptest);
    struct Pair {
        int q[4];
        bool nearEnd;
    };
    const Pair pairs[] = {{{5502, 15298, 5101, 15365}, true},
                          {{14688, 16636, 14239, 17103}, true},
                          {{6248, 2660, 7655, 3191}, false},
                          {{23026, 18781, 20149, 16996}, false}};
    for (const auto& [q, nearEnd] : pairs) {
        SCOPED_TRACE(std::to_string(q[0]) + " " + std::to_string(q[1]) + " -> " + std::to_string(q[2]) + " " +
                     std::to_string(q[3]));
        const int type = maptest[(q[1] >> 8) * 256 + (q[0] >> 8)] & 15;
        navref::ExactShortestPaths oracle(maptest.data(), type);
        const double exact = oracle.shortest_length({q[0], q[1]}, {q[2], q[3]});
        ASSERT_GT(exact, 0);
        PathResult path;
        ASSERT_EQ(plan(path, {q[0], q[1]}, {q[2], q[3]}, 0), ShortestStatus::Found);
        EXPECT_NEAR(nav::pathLengthOf(path), exact, 1e-6 * exact);
        const int corners = path.waypointCount - 1;
        const PathResult exactPath = path;
        ASSERT_EQ(plan(path, {q[0], q[1]}, {q[2], q[3]}, kAgentClearance), ShortestStatus::Found);
        ASSERT_EQ(path.waypointCount - 1, corners);
        for (int i = 0; i < corners; ++i) {
            const double moved = between(path.waypoints[i], exactPath.waypoints[i]);
            if (nearEnd) {
                EXPECT_GT(moved, 1.0) << "corner " << i;
                EXPECT_LT(moved, 140.0) << "corner " << i;
            } else {
                EXPECT_NEAR(moved, 150.0, 0.71) << "corner " << i;
            }
        }
        expectLegsClear(maptest, type, path);
        EXPECT_GT(nav::pathLengthOf(path), exact);  // the corners did move
        EXPECT_LE(nav::pathLengthOf(path), exact + 2.0 * kAgentClearance * corners + 1.0 * corners);
        if (nearEnd) {
            EXPECT_LE(nav::pathLengthOf(path), 1.12 * exact);
        }
    }
}

}  // namespace
