// Path queries on built meshes: reachability through regions, the corridor search and its
// heap, the link rules, clearance tables and the region id budget.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "navigation/nav_mesh.h"
#include "navigation/navigation.h"
#include "navigation/route_planning.h"
#include "navigation/triangulation.h"
#include "tests/navigation/route_test_support.h"
#include "tests/navigation/test_store.h"

namespace {

using nav::PathResult;

std::vector<uint8_t> openMap() { return std::vector<uint8_t>(navtest::kMapCells, 0); }

void fillCells(std::vector<uint8_t>& cells, int x0, int y0, int w, int h, uint8_t v) {
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) cells[y * navtest::kMapSide + x] = v;
}

void buildWith(const std::vector<uint8_t>& cells, nav::CellLinkRule rule = navtest::sameLowBits) {
    testMesh.linkRule = rule;
    testMesh.clearanceLevel = 1;
    testSearch.passTableIndex = 1;  // what the agents' queries use at level 1, for direct searches
    ASSERT_TRUE(nav::buildNavigation(testMesh, cells.data()));
}

// World point at the centre of cell (x, y).
constexpr int centre(int cell) { return cell * 256 + 128; }

PathResult result;

// Region table counts against a scan of the triangles.
void expectRegionCountsMatchTriangles() {
    std::vector<int> counted(nav::kMaxRegions, 0);
    for (int t = 0; t < testMesh.triangleHighWater; ++t) {
        if (nav::isLive(testMesh.triangles[t])) ++counted[nav::regionOf(testMesh.triangles[t])];
    }
    for (int id = 1; id < nav::kMaxRegions; ++id) EXPECT_EQ(testMesh.regions[id].count, counted[id]) << "id " << id;
}

// ---- Queries ---------------------------------------------------------------------------

TEST(RouteQuery, EndsInOneTriangleGiveTheDestinationAlone) {
    buildWith(openMap());
    const int a = nav::locateForQuery(testMesh, 3000, 20000);
    const int b = nav::locateForQuery(testMesh, 3300, 20100);
    ASSERT_EQ(a, b);
    nav::requestAgentPath(testMesh, testSearch, result, 3000, 20000, 3300, 20100, nav::kAgentGateFraction);
    EXPECT_EQ(testSearch.routeSteps, 0);
    ASSERT_EQ(result.waypointCount, 1);
    EXPECT_EQ(result.waypoints[0].x, 3300);
    EXPECT_EQ(result.waypoints[0].y, 20100);
    EXPECT_EQ(result.fromX, 3000);
    EXPECT_EQ(result.fromY, 20000);
    EXPECT_EQ(result.toX, 3300);
    EXPECT_EQ(result.toY, 20100);
}

TEST(RouteQuery, DestinationInAWallAnswersWithoutFillOrSearch) {
    auto cells = openMap();
    fillCells(cells, 40, 40, 10, 10, 15);
    buildWith(cells);
    const uint8_t generation = testMesh.markGeneration;
    nav::requestAgentPath(testMesh, testSearch, result, centre(10), centre(10), centre(45), centre(45), nav::kAgentGateFraction);
    EXPECT_EQ(result.waypointCount, 0);
    EXPECT_EQ(result.toX, centre(45));
    EXPECT_EQ(testMesh.markGeneration, generation);  // no search started
    for (int id = 1; id < nav::kMaxRegions; ++id) EXPECT_EQ(testMesh.regions[id].count, 0);
    // The start in the wall is refused the same way.
    nav::requestAgentPath(testMesh, testSearch, result, centre(45), centre(45), centre(10), centre(10), nav::kAgentGateFraction);
    EXPECT_EQ(result.waypointCount, 0);
}

TEST(RouteQuery, PointsOutsideTheMapHaveNoPath) {
    buildWith(openMap());
    nav::requestAgentPath(testMesh, testSearch, result, -5000, 3000, centre(10), centre(10), nav::kAgentGateFraction);
    EXPECT_EQ(result.waypointCount, 0);
    nav::requestAgentPath(testMesh, testSearch, result, centre(10), centre(10), 2000000000, -2000000000, nav::kAgentGateFraction);
    EXPECT_EQ(result.waypointCount, 0);
}

TEST(RouteQuery, AdjacentAreaOfAnotherTypeIsOneRegionButNoRoute) {
    auto cells = openMap();
    fillCells(cells, 100, 100, 30, 30, 3);
    buildWith(cells);
    const int start = nav::locateForQuery(testMesh, centre(90), centre(110));
    const int goal = nav::locateForQuery(testMesh, centre(115), centre(115));
    ASSERT_EQ(testMesh.triangles[goal].type, 3);
    EXPECT_TRUE(nav::sameRegion(testMesh, testSearch, start, goal));
    nav::requestAgentPath(testMesh, testSearch, result, centre(90), centre(110), centre(115), centre(115), nav::kAgentGateFraction);
    EXPECT_EQ(result.waypointCount, 0);
    EXPECT_EQ(testSearch.routeSteps, -1);
    // Within the type-3 area a path exists.
    nav::requestAgentPath(testMesh, testSearch, result, centre(102), centre(102), centre(127), centre(127), nav::kAgentGateFraction);
    EXPECT_GT(result.waypointCount, 0);
}

TEST(RouteQuery, SecondQueryBetweenUnreachableAreasNeedsNoFill) {
    auto cells = openMap();
    fillCells(cells, 0, 120, 256, 2, 15);  // a wall across the whole map
    buildWith(cells);
    nav::requestAgentPath(testMesh, testSearch, result, centre(20), centre(20), centre(20), centre(200), nav::kAgentGateFraction);
    EXPECT_EQ(result.waypointCount, 0);
    const int start = testSearch.startTriangle;
    const int id = nav::regionOf(testMesh.triangles[start]);
    ASSERT_NE(id, 0);
    EXPECT_EQ(testMesh.regions[id].valid, 1);
    const int filledIds = static_cast<int>(std::count_if(testMesh.regions + 1, testMesh.regions + nav::kMaxRegions,
                                                         [](const nav::NavRegion& r) { return r.count > 0; }));
    EXPECT_EQ(filledIds, 1);
    nav::requestAgentPath(testMesh, testSearch, result, centre(30), centre(25), centre(40), centre(210), nav::kAgentGateFraction);
    EXPECT_EQ(result.waypointCount, 0);
    // The start's region was known; nothing was labelled anew.
    EXPECT_EQ(nav::regionOf(testMesh.triangles[testSearch.startTriangle]), id);
    const int filledAfter = static_cast<int>(std::count_if(testMesh.regions + 1, testMesh.regions + nav::kMaxRegions,
                                                           [](const nav::NavRegion& r) { return r.count > 0; }));
    EXPECT_EQ(filledAfter, 1);
    expectRegionCountsMatchTriangles();
}

TEST(RouteQuery, ReachableGoalGetsWaypointsEndingAtTheDestination) {
    auto cells = openMap();
    fillCells(cells, 50, 0, 4, 200, 15);  // a long wall to walk around
    buildWith(cells);
    nav::requestAgentPath(testMesh, testSearch, result, centre(20), centre(20), centre(90), centre(30), nav::kAgentGateFraction);
    ASSERT_GE(result.waypointCount, 2);
    EXPECT_EQ(result.waypoints[result.waypointCount - 1].x, centre(90));
    EXPECT_EQ(result.waypoints[result.waypointCount - 1].y, centre(30));
    // The path has to pass below the wall's end (row 200).
    const auto lowest = std::max_element(result.waypoints, result.waypoints + result.waypointCount,
                                         [](const nav::PathPoint& a, const nav::PathPoint& b) { return a.y < b.y; });
    EXPECT_GE(lowest->y, 200 * 256);
}

TEST(RouteQuery, FailedBuildAnswersNoPath) {
    std::vector<uint8_t> cells(navtest::kMapCells);
    for (int i = 0; i < navtest::kMapCells; ++i) cells[i] = ((i % 256) + (i / 256)) % 2 ? 15 : 0;  // checkerboard
    testMesh.linkRule = navtest::sameLowBits;
    EXPECT_FALSE(nav::buildNavigation(testMesh, cells.data()));
    nav::requestAgentPath(testMesh, testSearch, result, centre(0), centre(0), centre(0) + 10, centre(0) + 10, nav::kAgentGateFraction);
    EXPECT_EQ(result.waypointCount, 0);
    EXPECT_EQ(result.toX, centre(0) + 10);
    // A later successful build makes queries work again.
    buildWith(openMap());
    nav::requestAgentPath(testMesh, testSearch, result, centre(0), centre(0), centre(200), centre(100), nav::kAgentGateFraction);
    EXPECT_GT(result.waypointCount, 0);
}

// ---- Link rules and clearance ----------------------------------------------------------------

TEST(RouteSearch, StepLinkRuleMultipliesTheKeyOfCostlyTypes) {
    std::vector<uint8_t> cells(navtest::kMapCells, 1);
    fillCells(cells, 60, 60, 40, 40, 2);    // bit 1 set: costly, reachable from type 1
    fillCells(cells, 150, 150, 30, 30, 3);  // two above type 1: not reachable from it
    buildWith(cells, nav::stepLinkRule);
    const int seed = nav::locateForQuery(testMesh, centre(10), centre(10));
    const int target = nav::locateForQuery(testMesh, centre(200), centre(200));
    ASSERT_EQ(testMesh.triangles[seed].type, 1);
    const int32_t tx = centre(200), ty = centre(200);
    ASSERT_GE(nav::searchRoute(testMesh, testSearch, seed, target, tx, ty), 1);
    int costly = 0, plain = 0;
    for (int t = 0; t < testMesh.triangleHighWater; ++t) {
        if (t == seed || !nav::isMarked(testMesh, t) || nav::isOutsideType(testMesh.triangles[t].type)) continue;
        int64_t h = INT64_MAX;
        for (int s = 0; s < 3; ++s) {
            const nav::NavPoint& v = nav::vertexOf(testMesh, t, s);
            h = std::min<int64_t>(h, int64_t(v.x - (tx >> 8)) * (v.x - (tx >> 8)) + int64_t(v.y - (ty >> 8)) * (v.y - (ty >> 8)));
        }
        const uint8_t type = testMesh.triangles[t].type;
        ASSERT_NE(type, 3) << "a type two above the source is never entered";
        if (type == 2) {
            EXPECT_EQ(testSearch.key[t], 16 * h) << t;
            ++costly;
        } else {
            EXPECT_EQ(testSearch.key[t], h) << t;
            ++plain;
        }
    }
    EXPECT_GT(costly, 0);
    EXPECT_GT(plain, 0);
}

TEST(RouteSearch, StepLinkRuleNeverLeadsThroughWalls) {
    // Type 14 may step up to 15 under the step rule; a corridor still never enters a wall.
    std::vector<uint8_t> cells(navtest::kMapCells, 14);
    fillCells(cells, 100, 0, 3, 256, 15);
    buildWith(cells, nav::stepLinkRule);
    nav::requestAgentPath(testMesh, testSearch, result, centre(50), centre(50), centre(150), centre(50), nav::kAgentGateFraction);
    EXPECT_EQ(result.waypointCount, 0);
}

TEST(RouteSearch, ZeroStepRouteWhenSeedIsTarget) {
    buildWith(openMap());
    const int t = nav::locateForQuery(testMesh, centre(30), centre(30));
    EXPECT_EQ(nav::searchRoute(testMesh, testSearch, t, t, centre(30), centre(30)), 0);
    EXPECT_EQ(testSearch.route[0], t);
}

TEST(RouteSearch, RouteRunsThroughNeighboursFromStartToDestination) {
    auto cells = openMap();
    fillCells(cells, 30, 30, 100, 100, 15);
    buildWith(cells);
    const int a = nav::locateForQuery(testMesh, centre(10), centre(10));
    const int b = nav::locateForQuery(testMesh, centre(140), centre(140));
    testSearch.toX = centre(140);
    testSearch.toY = centre(140);
    const int steps = nav::findRoute(testMesh, testSearch, a, b);
    ASSERT_GT(steps, 0);
    EXPECT_EQ(testSearch.route[0], a);
    EXPECT_EQ(testSearch.route[steps], b);
    for (int i = 0; i < steps; ++i) {
        EXPECT_GE(nav::neighbourSlot(testMesh, testSearch.route[i], testSearch.route[i + 1]), 0) << i;
        EXPECT_EQ(testMesh.triangles[testSearch.route[i]].type & 15, 0);
    }
}

// A strip of five squares of 4 cells is a chain of ten triangles: lower-left half (L) and
// upper-right half (U) of each square. Searching from L2 toward U4 (target cell (18, 2)),
// the keys, smallest squared cell distance of a vertex, are U1 104, L1 104, U0 200 behind
// the start and U2 40, L3 U3 L4 U4 8 ahead. Every round pops the two best and expands
// both, so the triangles behind the start are walked one a round too: U1, then L1, U0, L0
// are all reached by the time U4 comes to the top.
TEST(RouteSearch, EachRoundExpandsTheTwoBestTriangles) {
    navtest::GridMesh mesh(5, 1, 4);
    mesh.build([](int, int) { return uint8_t{0}; });
    testMesh.linkRule = navtest::sameLowBits;
    testSearch.passTableIndex = 1;  // every edge passes
    const nav::PathPoint to = mesh.centre(4, 0);
    auto L = [&](int c) { return mesh.triangle(c, 0, 1); };
    auto U = [&](int c) { return mesh.triangle(c, 0, 0); };
    ASSERT_EQ(nav::searchRoute(testMesh, testSearch, L(2), U(4), to.x, to.y), 5);
    const int route[] = {U(4), L(4), U(3), L(3), U(2), L(2)};  // target first
    for (int i = 0; i < 6; ++i) EXPECT_EQ(testSearch.route[i], route[i]) << i;
    for (int c = 0; c < 5; ++c) {
        EXPECT_TRUE(nav::isMarked(testMesh, L(c))) << "L" << c;
        EXPECT_TRUE(nav::isMarked(testMesh, U(c))) << "U" << c;
    }
}

TEST(RouteClearance, InteriorVerticesRaiseTheirEdgesToClassThree) {
    auto cells = openMap();
    fillCells(cells, 100, 100, 20, 20, 3);  // its corners are interior vertices
    fillCells(cells, 0, 200, 10, 10, 15);   // corners on a wall are not
    buildWith(cells);
    nav::requestAgentPath(testMesh, testSearch, result, centre(50), centre(50), centre(60), centre(150), nav::kAgentGateFraction);
    ASSERT_GT(result.waypointCount, 0);
    auto isCorner = [](const nav::NavPoint& v, int x0, int y0, int x1, int y1) {
        return (v.x == x0 || v.x == x1) && (v.y == y0 || v.y == y1);
    };
    int raised = 0, kept = 0;
    for (int t = 0; t < testMesh.triangleHighWater; ++t) {
        const nav::NavTriangle& tri = testMesh.triangles[t];
        if (!nav::isLive(tri) || nav::isOutsideType(tri.type)) continue;
        for (int s = 0; s < 3; ++s) {
            const nav::NavPoint& v = nav::vertexOf(testMesh, t, s);
            if (isCorner(v, 100, 100, 120, 120)) {
                EXPECT_EQ(nav::edgeClass(tri, s), 3);
                EXPECT_EQ(nav::edgeClass(tri, nav::prev(s)), 3);
                ++raised;
            }
        }
        // Edges away from interior vertices keep the class of their length.
        for (int s = 0; s < 3; ++s) {
            const nav::NavPoint& a = nav::vertexOf(testMesh, t, s);
            const nav::NavPoint& b = nav::vertexOf(testMesh, t, nav::next(s));
            // Map border and the wall block (with its sides) have no interior vertices.
            auto onWallOrBorder = [](const nav::NavPoint& v) {
                return v.x == 0 || v.y == 0 || v.x == 256 || v.y == 256 ||
                       (v.x <= 10 && v.y >= 200 && v.y <= 210);
            };
            const bool touchesInterior = !onWallOrBorder(a) || !onWallOrBorder(b);
            if (!touchesInterior) {
                EXPECT_EQ(nav::edgeClass(tri, s), nav::clearanceClassOf(b.x - a.x, b.y - a.y));
                ++kept;
            }
        }
    }
    EXPECT_GE(raised, 8);
    EXPECT_GT(kept, 0);
}

TEST(RouteClearance, LevelZeroLetsNothingPassButTheStartTriangle) {
    buildWith(openMap());
    testMesh.clearanceLevel = 0;
    nav::requestAgentPath(testMesh, testSearch, result, centre(10), centre(10), centre(240), centre(200), nav::kAgentGateFraction);
    EXPECT_EQ(result.waypointCount, 0);
    EXPECT_EQ(testSearch.passTableIndex, 0);
    nav::requestAgentPath(testMesh, testSearch, result, 3000, 20000, 3300, 20100, nav::kAgentGateFraction);
    EXPECT_EQ(result.waypointCount, 1);
    testMesh.clearanceLevel = 200;  // beyond the last table: the strictest one
    nav::requestAgentPath(testMesh, testSearch, result, centre(10), centre(10), centre(240), centre(200), nav::kAgentGateFraction);
    EXPECT_EQ(testSearch.passTableIndex, 3);
    testMesh.clearanceLevel = 1;
}

TEST(RouteClearance, StrictTableStillFindsPathsThroughWideOpenGround) {
    auto cells = openMap();
    fillCells(cells, 60, 60, 20, 20, 16);  // type 0 under another byte: splits the area only
    buildWith(cells);
    testMesh.clearanceLevel = 3;
    nav::requestAgentPath(testMesh, testSearch, result, centre(10), centre(10), centre(200), centre(200), nav::kAgentGateFraction);
    EXPECT_GT(result.waypointCount, 0);
    testMesh.clearanceLevel = 1;
}

// ---- Heap order ----------------------------------------------------------------------------------

TEST(RouteHeap, PopsKeysInNonDecreasingOrder) {
    nav::RouteSearch& q = testSearch;
    navtest::TestRandom rnd(5);
    q.heapSize = 0;
    for (int t = 0; t < 3000; ++t) {
        q.key[t] = rnd.below(200);
        nav::routeHeapPush(q, t);
    }
    int32_t last = -1;
    while (q.heapSize > 0) {
        const int t = nav::routeHeapPop(q);
        EXPECT_GE(q.key[t], last);
        last = q.key[t];
    }
}

TEST(RouteHeap, LatestOfEqualKeysComesFirstAndTheLeftChildWinsTies) {
    nav::RouteSearch& q = testSearch;
    q.heapSize = 0;
    for (int t = 0; t < 3; ++t) {
        q.key[t] = 5;
        nav::routeHeapPush(q, t);
        EXPECT_EQ(q.heap[1].triangle, t) << "a new entry rises past parents of equal key";
    }
    // Heap is now [2, 0, 1]. Popping 2 moves 1 to the root; it sinks past the left child 0
    // (equal key), so 0 comes next, then 1.
    EXPECT_EQ(nav::routeHeapPop(q), 2);
    EXPECT_EQ(nav::routeHeapPop(q), 0);
    EXPECT_EQ(nav::routeHeapPop(q), 1);
    EXPECT_EQ(q.heapSize, 0);
    // A right child strictly smaller than the left one is taken.
    q.key[10] = 1;
    q.key[11] = 7;
    q.key[12] = 6;
    q.key[13] = 9;
    for (int t : {10, 11, 12, 13}) nav::routeHeapPush(q, t);
    EXPECT_EQ(nav::routeHeapPop(q), 10);
    EXPECT_EQ(nav::routeHeapPop(q), 12);
    EXPECT_EQ(nav::routeHeapPop(q), 11);
    EXPECT_EQ(nav::routeHeapPop(q), 13);
    // Two children of equal key: pushed as [20, 21, 22, 23] with keys 1, 5, 5, 9, popping 20
    // sinks 23 past the left child 21, which comes next, then 22.
    q.key[20] = 1;
    q.key[21] = 5;
    q.key[22] = 5;
    q.key[23] = 9;
    for (int t : {20, 21, 22, 23}) nav::routeHeapPush(q, t);
    for (int t : {20, 21, 22, 23}) EXPECT_EQ(nav::routeHeapPop(q), t);
}

// ---- Region ids ------------------------------------------------------------------------------------

// A wall field with 320 separate open pockets of 2 x 2 cells.
class RouteRegionBudget : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<uint8_t> cells(navtest::kMapCells, 15);
        for (int j = 0; j < 16; ++j)
            for (int i = 0; i < 20; ++i) fillCells(cells, 6 * i + 2, 6 * j + 2, 2, 2, 0);
        buildWith(cells);
    }
    // Query from one corner cell of pocket k to the opposite one.
    int queryPocket(int k) {
        const int i = k % 20, j = k / 20;
        const int x = 6 * i + 2, y = 6 * j + 2;
        nav::requestAgentPath(testMesh, testSearch, result, centre(x), centre(y), centre(x + 1), centre(y + 1), nav::kAgentGateFraction);
        return result.waypointCount;
    }
};

TEST_F(RouteRegionBudget, AllIdsValidAndInUseAnswersNotConnected) {
    for (int k = 0; k < nav::kMaxRegions - 1; ++k) ASSERT_GT(queryPocket(k), 0) << "pocket " << k;
    for (int id = 1; id < nav::kMaxRegions; ++id) {
        EXPECT_EQ(testMesh.regions[id].valid, 1);
        EXPECT_GT(testMesh.regions[id].count, 0);
    }
    EXPECT_EQ(queryPocket(299), 0);
    EXPECT_EQ(queryPocket(310), 0);
    EXPECT_GT(queryPocket(0), 0);    // labelled pockets keep answering
    EXPECT_GT(queryPocket(298), 0);
    expectRegionCountsMatchTriangles();
}

TEST_F(RouteRegionBudget, AnInvalidIdIsReleasedAndReused) {
    for (int k = 0; k < nav::kMaxRegions - 1; ++k) ASSERT_GT(queryPocket(k), 0) << "pocket " << k;
    const int stale = nav::regionOf(testMesh.triangles[testSearch.startTriangle]);  // pocket 298's id
    testMesh.regions[stale].valid = 0;
    EXPECT_GT(queryPocket(299), 0);
    EXPECT_EQ(nav::regionOf(testMesh.triangles[testSearch.startTriangle]), stale);
    expectRegionCountsMatchTriangles();
    // Pocket 298 lost its label and no id is free any more.
    EXPECT_EQ(queryPocket(298), 0);
}

TEST(RouteRegions, FillLabelsExactlyTheConnectedNonOutsideTriangles) {
    auto cells = navtest::generatedMap(21);
    buildWith(cells);
    const int t = nav::locateForQuery(testMesh, centre(1), centre(1));
    ASSERT_FALSE(nav::isOutsideType(testMesh.triangles[t].type));
    const int id = nav::fillRegion(testMesh, testSearch, t);
    ASSERT_NE(id, 0);
    // Independent flood over shared edges.
    std::vector<char> seen(testMesh.triangleHighWater, 0);
    std::vector<int> stack{t};
    seen[t] = 1;
    while (!stack.empty()) {
        const int e = stack.back();
        stack.pop_back();
        for (int j = 0; j < 3; ++j) {
            const int n = testMesh.triangles[e].neighbour[j];
            if (n < 0 || seen[n] || nav::isOutsideType(testMesh.triangles[n].type)) continue;
            seen[n] = 1;
            stack.push_back(n);
        }
    }
    for (int i = 0; i < testMesh.triangleHighWater; ++i) {
        if (!nav::isLive(testMesh.triangles[i])) continue;
        EXPECT_EQ(nav::regionOf(testMesh.triangles[i]) == id, seen[i] == 1) << i;
    }
    expectRegionCountsMatchTriangles();
    // Releasing the id takes it off every triangle.
    nav::releaseRegion(testMesh, id);
    EXPECT_EQ(testMesh.regions[id].count, 0);
    EXPECT_EQ(testMesh.regions[id].valid, 0);
    expectRegionCountsMatchTriangles();
}

}  // namespace
