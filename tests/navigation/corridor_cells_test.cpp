// The classic planner reads each triangle's neighbours, link classes and corners from the
// per-build corridor records, and keeps its heap keys beside the triangles. These tests hold
// it to a plain search that reads the mesh itself (the planner as it was written first, kept
// here as the reference) over many random queries on several maps, link rules and pass
// tables, and to the funnel walks fed from the mesh instead of the records.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "navigation/nav_mesh.h"
#include "navigation/navigation.h"
#include "navigation/path_smoothing.h"
#include "navigation/route_planning.h"
#include "navigation/triangulation.h"
#include "tests/navigation/generated_maps.h"
#include "tests/navigation/route_test_support.h"
#include "tests/navigation/test_store.h"

namespace {

using nav::NavMesh;
using nav::PathPoint;
using nav::PathResult;

// Greedy best-first search over the mesh as stored: keys, heap order and two pops per round
// as the planner's, each neighbour's link, pass and corners read from the triangles.
class ReferenceSearch {
public:
    // Route target..seed, or empty when the target is not reached.
    std::vector<int> run(const NavMesh& m, int seed, int target, int32_t targetX, int32_t targetY, int tableIndex) {
        key_.assign(nav::kMaxTriangles, 0);
        parent_.assign(nav::kMaxTriangles, -1);
        seen_.assign(nav::kMaxTriangles, false);
        heap_.assign(1, 0);
        for (int i = 0; i < m.boundaryRingLength; ++i) seen_[m.boundaryRing[i]] = true;
        static constexpr uint8_t kEdgeMask[3] = {60, 51, 15};
        const int cx = targetX >> 8, cy = targetY >> 8;
        auto expand = [&](int t) {
            const nav::NavTriangle& from = m.triangles[t];
            for (int i = 0; i < 3; ++i) {
                const int c = from.neighbour[i];
                if (c < 0 || seen_[c] || nav::isOutsideType(m.triangles[c].type)) continue;
                if (m.passTable[tableIndex][kEdgeMask[i] | (from.regionWord & nav::kClassBitsMask)] == 0) continue;
                const int link = m.linkRule(from.type, m.triangles[c].type);
                if (link == 0) continue;
                int64_t h = INT64_MAX;
                for (int s = 0; s < 3; ++s) {
                    const nav::NavPoint& v = nav::vertexOf(m, c, s);
                    h = std::min<int64_t>(h, int64_t(v.x - cx) * (v.x - cx) + int64_t(v.y - cy) * (v.y - cy));
                }
                h = std::min<int64_t>(h, INT32_MAX / 16);
                key_[c] = static_cast<int32_t>(link == 2 ? h * 16 : h);
                seen_[c] = true;
                parent_[c] = t;
                push(c);
            }
        };
        key_[seed] = 1;
        parent_[seed] = seed;
        seen_[seed] = true;
        push(seed);
        while (size() > 0 && heap_[1] != target) {
            const int a = pop();
            int b = -1;
            if (size() > 0) {
                if (heap_[1] == target) break;
                b = pop();
            }
            expand(a);
            if (b >= 0) expand(b);
        }
        std::vector<int> route;
        if (size() == 0) return route;
        for (int t = target;; t = parent_[t]) {
            route.push_back(t);
            if (t == seed) break;
        }
        return route;
    }

private:
    int size() const { return static_cast<int>(heap_.size()) - 1; }
    void push(int t) {
        heap_.push_back(t);
        int i = size();
        while (i > 1 && key_[heap_[i / 2]] >= key_[t]) {
            heap_[i] = heap_[i / 2];
            i /= 2;
        }
        heap_[i] = t;
    }
    int pop() {
        const int top = heap_[1];
        const int last = heap_.back();
        heap_.pop_back();
        const int n = size();
        if (n == 0) return top;
        int i = 1;
        for (;;) {
            int child = 2 * i;
            if (child > n) break;
            if (child + 1 <= n && key_[heap_[child + 1]] < key_[heap_[child]]) ++child;
            if (key_[last] < key_[heap_[child]]) break;
            heap_[i] = heap_[child];
            i = child;
        }
        heap_[i] = last;
        return top;
    }

    std::vector<int32_t> key_;
    std::vector<int> parent_;
    std::vector<bool> seen_;
    std::vector<int> heap_;
};

ReferenceSearch reference;
PathResult planned;
nav::GatePath referenceGates;

// The whole agent query from the reference route: gates cut by the funnel walks reading the
// mesh (the records switched off for it), waypoints placed on them.
PathResult referenceWaypoints(const std::vector<int>& routeBack, PathPoint from, PathPoint to) {
    std::vector<int32_t> route(routeBack.rbegin(), routeBack.rend());
    const bool ready = testMesh.corridorCellsReady;
    testMesh.corridorCellsReady = false;
    PathResult out;
    referenceGates.gateCount = 0;
    nav::cutGates(testMesh, testSearch, from, to, route.data(), static_cast<int>(route.size()) - 1, referenceGates,
                  nav::kGateClearance);
    nav::gateWaypoints(referenceGates, out, nav::kAgentGateFraction);
    testMesh.corridorCellsReady = ready;
    return out;
}

struct Tally {
    int queries = 0;
    int routes = 0;
    int turns = 0;  // queries whose path has more than the destination
};

// Random agent queries on testMesh as built: the planner's corridor, step count and
// waypoints against the reference. A third of the pairs join random cells of one component.
Tally compareQueries(const std::vector<uint8_t>& cells, uint32_t seed, int count) {
    Tally tally;
    const std::vector<int> label = navtest::componentLabels(cells);
    const std::vector<int> walkable = navtest::walkableCells(label);
    navtest::TestRandom rnd(seed);
    for (int k = 0; k < count; ++k) {
        const int a = walkable[rnd.below(static_cast<int>(walkable.size()))];
        int b = walkable[rnd.below(static_cast<int>(walkable.size()))];
        for (int tries = 0; k % 3 == 0 && label[b] != label[a] && tries < 50; ++tries)
            b = walkable[rnd.below(static_cast<int>(walkable.size()))];
        const PathPoint from{(a % 256) * 256 + rnd.below(256), (a / 256) * 256 + rnd.below(256)};
        const PathPoint to{(b % 256) * 256 + rnd.below(256), (b / 256) * 256 + rnd.below(256)};
        nav::requestAgentPath(testMesh, testSearch, planned, from.x, from.y, to.x, to.y, nav::kAgentGateFraction);
        ++tally.queries;
        if (testSearch.routeSteps < 0) {
            EXPECT_EQ(planned.waypointCount, 0);
            continue;
        }
        // The query labelled regions and raised classes; the reference searches that mesh.
        const std::vector<int> expected =
            reference.run(testMesh, testSearch.startTriangle, testSearch.goalTriangle, to.x, to.y, testSearch.passTableIndex);
        EXPECT_EQ(testSearch.routeSteps + 1, static_cast<int>(expected.size())) << "query " << k;
        if (::testing::Test::HasFailure()) return tally;
        for (int i = 0; i <= testSearch.routeSteps; ++i)
            EXPECT_EQ(testSearch.route[i], expected[expected.size() - 1 - i]) << "query " << k << " step " << i;
        if (::testing::Test::HasFailure()) return tally;
        const PathResult want = referenceWaypoints(expected, from, to);
        EXPECT_EQ(planned.waypointCount, want.waypointCount) << "query " << k;
        for (int i = 0; i < want.waypointCount; ++i) {
            EXPECT_EQ(planned.waypoints[i].x, want.waypoints[i].x) << "query " << k << " waypoint " << i;
            EXPECT_EQ(planned.waypoints[i].y, want.waypoints[i].y) << "query " << k << " waypoint " << i;
        }
        if (::testing::Test::HasFailure()) return tally;
        ++tally.routes;
        if (want.waypointCount > 1) ++tally.turns;
    }
    return tally;
}

Tally buildAndCompare(const std::vector<uint8_t>& cells, nav::CellLinkRule rule, uint32_t seed, int count) {
    testMesh.linkRule = rule;
    testMesh.clearanceLevel = 1;
    EXPECT_TRUE(nav::buildNavigation(testMesh, cells.data()));
    return compareQueries(cells, seed, count);
}

// A map of rooms in types 0..3 (so the step rule has costly and forbidden links) with walls.
std::vector<uint8_t> steppedMap(uint32_t seed) {
    std::vector<uint8_t> cells(navtest::kMapCells, 0);
    navtest::TestRandom rnd(seed);
    for (int k = 0; k < 60; ++k) {
        const int x0 = rnd.below(230), y0 = rnd.below(230), w = 4 + rnd.below(24), h = 4 + rnd.below(24);
        const uint8_t v = k % 5 == 4 ? 15 : static_cast<uint8_t>(rnd.below(4));
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) cells[y * navtest::kMapSide + x] = v;
    }
    return cells;
}

TEST(CorridorCells, AgentQueriesMatchTheReferenceOnManyMaps) {
    const std::vector<uint8_t> maptest = navtest::loadMapTest();
    ASSERT_FALSE(maptest.empty());
    Tally total;
    auto add = [&](const Tally& t) {
        total.queries += t.queries;
        total.routes += t.routes;
        total.turns += t.turns;
    };
    add(buildAndCompare(maptest, navtest::sameLowBits, 11, 600));
    add(buildAndCompare(navtest::mazeMap(3, 40), navtest::sameLowBits, 12, 300));
    add(buildAndCompare(navtest::specksMap(4), navtest::sameLowBits, 13, 300));
    add(buildAndCompare(navtest::narrowDoorsMap(5), navtest::sameLowBits, 14, 300));
    add(buildAndCompare(steppedMap(6), nav::stepLinkRule, 15, 400));
    // Guards against a comparison that passes because nothing was planned.
    EXPECT_GT(total.routes, total.queries / 2);
    EXPECT_GT(total.turns, total.routes / 4);
}

TEST(CorridorCells, StricterPassTablesMatchTheReference) {
    // Tables 2 and 3 read the triangles' class bits, which the region fills raise as they go.
    const std::vector<uint8_t> maptest = navtest::loadMapTest();
    ASSERT_FALSE(maptest.empty());
    testMesh.linkRule = navtest::sameLowBits;
    ASSERT_TRUE(nav::buildNavigation(testMesh, maptest.data()));
    for (const int level : {2, 3}) {
        testMesh.clearanceLevel = static_cast<uint8_t>(level);
        const Tally t = compareQueries(maptest, 20 + level, 300);
        EXPECT_GT(t.routes, 50) << "level " << level;
    }
    testMesh.clearanceLevel = 1;
}

TEST(CorridorCells, ANewBuildOrLinkRuleMakesTheRecordsAgain) {
    const std::vector<uint8_t> stepped = steppedMap(7);
    buildAndCompare(stepped, navtest::sameLowBits, 30, 100);
    const uint32_t build = testMesh.buildSerial;
    // Same mesh, other rule: costly and one-step links now exist where types differ.
    testMesh.linkRule = nav::stepLinkRule;
    ASSERT_EQ(nav::currentCorridorCells(testMesh), nullptr) << "records of the old rule are not current";
    compareQueries(stepped, 31, 150);
    EXPECT_EQ(testMesh.buildSerial, build);
    // Another map into the same store: the records follow it.
    buildAndCompare(navtest::mazeMap(8, 30), navtest::sameLowBits, 32, 150);
    EXPECT_NE(nav::currentCorridorCells(testMesh), nullptr);
}

TEST(CorridorCells, RecordsHoldEveryTrianglesNeighboursCornersAndLinks) {
    const std::vector<uint8_t> stepped = steppedMap(9);
    testMesh.linkRule = nav::stepLinkRule;
    ASSERT_TRUE(nav::buildNavigation(testMesh, stepped.data()));
    const nav::CorridorCell* cells = nav::corridorCells(testMesh);
    int costly = 0, forbidden = 0;
    for (int t = 0; t < testMesh.triangleHighWater; ++t) {
        const nav::NavTriangle& tri = testMesh.triangles[t];
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(cells[t].neighbour[i], tri.neighbour[i]);
            ASSERT_EQ(cells[t].corner[i].x, nav::vertexOf(testMesh, t, i).x);
            ASSERT_EQ(cells[t].corner[i].y, nav::vertexOf(testMesh, t, i).y);
            const int c = tri.neighbour[i];
            int want = 0;
            if (c >= 0 && !nav::isOutsideType(testMesh.triangles[c].type)) {
                const int rule = nav::stepLinkRule(tri.type, testMesh.triangles[c].type);
                want = rule == 0 ? 0 : rule == 2 ? 2 : 1;
                if (rule == 0) ++forbidden;
            }
            ASSERT_EQ((cells[t].links >> (2 * i)) & 3, want) << t << " edge " << i;
            if (want == 2) ++costly;
            if (want == 0) continue;
            // A sound mesh: the neighbour holds edge i's corners and the one across.
            ASSERT_EQ((cells[t].irregular >> i) & 1, 0) << t << " edge " << i;
            const nav::NavPoint across = cells[t].across[i];
            int found = 0;
            for (int s = 0; s < 3; ++s) {
                const nav::NavPoint v = nav::vertexOf(testMesh, c, s);
                if (v.x == across.x && v.y == across.y) ++found;
                const bool onEdge = (v.x == cells[t].corner[i].x && v.y == cells[t].corner[i].y) ||
                                    (v.x == cells[t].corner[nav::next(i)].x && v.y == cells[t].corner[nav::next(i)].y);
                EXPECT_TRUE(onEdge || (v.x == across.x && v.y == across.y));
            }
            EXPECT_EQ(found, 1) << t << " edge " << i;
        }
    }
    EXPECT_GT(costly, 0);
    EXPECT_GT(forbidden, 0);
}

TEST(CorridorCells, ANeighbourNotSharingTheEdgeTakesItsDistanceFromItsOwnCorners) {
    // A hand-made grid where one triangle's far corner is moved: its neighbour across the
    // diagonal then shares only one of the edge's corners with it.
    navtest::GridMesh grid(6, 6, 8);
    grid.build([](int, int) { return uint8_t{0}; });
    testMesh.linkRule = navtest::sameLowBits;
    testSearch.passTableIndex = 1;
    const int moved = grid.triangle(2, 2, 1);
    nav::NavTriangle& tri = testMesh.triangles[moved];
    tri.vertex[2] = static_cast<uint16_t>(grid.point(6, 6));  // far away along the diagonal
    const nav::CorridorCell* cells = nav::corridorCells(testMesh);
    const int across = grid.triangle(2, 2, 0);
    int irregular = 0;
    for (int i = 0; i < 3; ++i) {
        if (testMesh.triangles[across].neighbour[i] == moved) irregular += (cells[across].irregular >> i) & 1;
    }
    EXPECT_EQ(irregular, 1);
    // Targets around the moved corner, where its distance decides the order.
    for (int tx = 0; tx < 6; ++tx) {
        for (int ty = 0; ty < 6; ++ty) {
            const PathPoint to = grid.centre(tx, ty);
            const int target = grid.triangle(tx, ty, (tx + ty) % 2);
            const int seed = grid.triangle(0, 0, 0);
            const int steps = nav::searchRoute(testMesh, testSearch, seed, target, to.x, to.y);
            const std::vector<int> want = reference.run(testMesh, seed, target, to.x, to.y, 1);
            ASSERT_EQ(steps + 1, static_cast<int>(want.size()));
            for (int i = 0; i <= steps; ++i) ASSERT_EQ(testSearch.route[i], want[i]) << tx << "," << ty;
            if (nav::isMarked(testMesh, moved) && moved != seed) {
                EXPECT_EQ(testSearch.key[moved], [&] {
                    int64_t h = INT64_MAX;
                    for (int s = 0; s < 3; ++s) {
                        const nav::NavPoint v = nav::vertexOf(testMesh, moved, s);
                        h = std::min<int64_t>(h, int64_t(v.x - (to.x >> 8)) * (v.x - (to.x >> 8)) +
                                                     int64_t(v.y - (to.y >> 8)) * (v.y - (to.y >> 8)));
                    }
                    return static_cast<int32_t>(h);
                }());
            }
        }
    }
}

}  // namespace
