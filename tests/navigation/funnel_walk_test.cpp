// The funnel walks (tautPath, cutGates) take their side tests' products in 64 bits when the
// query's ends lie near enough to the map, in 128 bits otherwise. These tests hold both walks
// to plain copies kept here that take every product in 128 bits and read portals from the
// mesh, over many random queries on several maps and with ends placed on both sides of the
// 64-bit range's bound and at the far ends of int32.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "navigation/nav_mesh.h"
#include "navigation/navigation.h"
#include "navigation/path_smoothing.h"
#include "navigation/route_planning.h"
#include "tests/navigation/generated_maps.h"
#include "tests/navigation/route_test_support.h"
#include "tests/navigation/test_store.h"

namespace {

using nav::Funnel;
using nav::Gate;
using nav::GatePath;
using nav::PathPoint;
using nav::PathResult;

// Sign of (a - o) x (b - o), each product exact in 128 bits.
int plainCross(PathPoint o, PathPoint a, PathPoint b) {
    const __int128 p = static_cast<__int128>(int64_t{a.x} - o.x) * (int64_t{b.y} - o.y);
    const __int128 q = static_cast<__int128>(int64_t{a.y} - o.y) * (int64_t{b.x} - o.x);
    return (p > q) - (p < q);
}

int plainSide(const Funnel& f, PathPoint p) {
    if (plainCross(f.apex, f.left, p) < 0) return -1;
    if (plainCross(f.apex, f.right, p) > 0) return 1;
    return 0;
}

// The portal from route[k] into route[k + 1], from the triangles and vertices themselves.
void plainPortal(const int32_t* route, int k, PathPoint& left, PathPoint& right) {
    const nav::NavTriangle& t = testMesh.triangles[route[k]];
    for (int s = 0; s < 3; ++s) {
        if (t.neighbour[s] != route[k + 1]) continue;
        left = nav::vertexWorld(testMesh, route[k], nav::next(s));
        right = nav::vertexWorld(testMesh, route[k], s);
        return;
    }
}

int plainTaut(PathPoint from, PathPoint to, const int32_t* route, int steps, PathResult& out) {
    int count = 0;
    if (steps > 0) {
        PathPoint pl = from, pr = from;
        plainPortal(route, 0, pl, pr);
        Funnel f{from, pl, pr};
        int leftAt = 0, rightAt = 0;
        for (int k = 1;; ++k) {
            int l = 0, h = 0;
            if (k < steps) {
                plainPortal(route, k, pl, pr);
                l = plainSide(f, pl);
                h = plainSide(f, pr);
            } else {
                h = plainSide(f, to);
                if (h == 0) break;
                l = h;
            }
            if (l == 0) f.left = pl, leftAt = k;
            if (h == 0) f.right = pr, rightAt = k;
            if (h == -1 || l == 1) {
                if (count == nav::kMaxPathWaypoints - 1) break;
                const PathPoint corner = h == -1 ? f.left : f.right;
                out.waypoints[count++] = corner;
                f.apex = corner;
                k = h == -1 ? leftAt : rightAt;
                plainPortal(route, k, pl, pr);
                f.left = pl;
                f.right = pr;
                leftAt = rightAt = k;
            }
        }
    }
    out.waypoints[count++] = to;
    out.waypointCount = count;
    return count;
}

int32_t plainDistance(PathPoint a, PathPoint b) {
    return nav::approxDistance(static_cast<int32_t>(int64_t{b.x} - a.x), static_cast<int32_t>(int64_t{b.y} - a.y));
}

// Measuring end and cut of a fresh gate, from the taut path near it (p: the point before W[w]).
void plainAdjust(Gate& g, const PathResult& ref, PathPoint& p, int& w, int32_t clearance) {
    const int n = ref.waypointCount;
    const PathPoint* W = ref.waypoints;
    const PathPoint e0{g.x0, g.y0}, e1{g.x1, g.y1};
    const int32_t c0 = plainDistance(e0, W[w]), c1 = plainDistance(e1, W[w]);
    const int32_t d0 = w < n - 1 ? plainDistance(e0, W[w + 1]) : c0;
    const int32_t d1 = w < n - 1 ? plainDistance(e1, W[w + 1]) : c1;
    int side = 0;
    int32_t nearest = 0;
    if (std::min(c0, c1) < std::min(d0, d1)) {
        side = c0 >= c1;
        nearest = std::min(c0, c1);
    } else {
        side = d0 >= d1;
        if (w < n - 1) p = W[w++];
        nearest = std::min(d0, d1);
    }
    g.side = side;
    if (nearest < nav::kVertexContactDistance) {
        nav::gateEndCut(g, side, clearance);
        return;
    }
    bool crossed = nav::gateLineCrossing(g, p, W[w]);
    if (!crossed && w + 1 < n && nav::gateLineCrossing(g, W[w], W[w + 1])) {
        p = W[w++];
        crossed = true;
    }
    if (crossed) {
        g.side = 2;
        nav::gateWindowCut(g, clearance);
    } else {
        nav::gateEndCut(g, side, clearance);
    }
    g.side = side;
}

int plainGates(PathPoint from, PathPoint to, const int32_t* route, int steps, GatePath& gates, PathResult& ref) {
    plainTaut(from, to, route, steps, ref);
    int count = 0;
    if (steps > 0) {
        PathPoint pl = from, pr = from;
        plainPortal(route, 0, pl, pr);
        Funnel q{from, pl, pr};
        Funnel s = q;
        PathPoint p = from;
        int w = 0;
        for (int k = 1; k <= steps; ++k) {
            PathPoint cl = to, cr = to;
            if (k < steps) {
                plainPortal(route, k, pl, pr);
                cl = pl;
                cr = pr;
            }
            if (plainSide(q, cl) != 0 || plainSide(q, cr) != 0 || plainSide(s, cl) != 0 || plainSide(s, cr) != 0) {
                if (count == nav::kMaxGates - 1) break;
                Gate& g = gates.gates[count++];
                g = Gate{q.left.x, q.left.y, q.right.x, q.right.y, 0, 0, -1};
                plainAdjust(g, ref, p, w, nav::kGateClearance);
                q.apex = {g.x0, g.y0};
                s.apex = {g.x1, g.y1};
            }
            q.left = s.left = cl;
            q.right = s.right = cr;
        }
    }
    gates.gates[count++] = Gate{to.x, to.y, to.x, to.y, to.x, to.y, 0};
    gates.gateCount = count;
    return count;
}

PathResult walked, plainWalked;
GatePath cut, plainCut;
PathResult plainReference;
std::vector<int32_t> corridor;

// Both walks of the corridor in `corridor` between from and to, against the plain copies.
// Answers the taut path's waypoint count.
int expectSameWalks(PathPoint from, PathPoint to, const char* what) {
    const int steps = static_cast<int>(corridor.size()) - 1;
    const int n = nav::tautPath(testMesh, from, to, corridor.data(), steps, walked);
    EXPECT_EQ(n, plainTaut(from, to, corridor.data(), steps, plainWalked)) << what;
    for (int i = 0; i < std::min(n, plainWalked.waypointCount); ++i) {
        EXPECT_EQ(walked.waypoints[i].x, plainWalked.waypoints[i].x) << what << " waypoint " << i;
        EXPECT_EQ(walked.waypoints[i].y, plainWalked.waypoints[i].y) << what << " waypoint " << i;
    }
    const int gates = nav::cutGates(testMesh, testSearch, from, to, corridor.data(), steps, cut, nav::kGateClearance);
    EXPECT_EQ(gates, plainGates(from, to, corridor.data(), steps, plainCut, plainReference)) << what;
    for (int i = 0; i < std::min(gates, plainCut.gateCount); ++i) {
        const Gate& a = cut.gates[i];
        const Gate& b = plainCut.gates[i];
        EXPECT_TRUE(a.x0 == b.x0 && a.y0 == b.y0 && a.x1 == b.x1 && a.y1 == b.y1 && a.side == b.side)
            << what << " gate " << i << ": " << a.x0 << "," << a.y0 << " " << a.x1 << "," << a.y1 << " side " << a.side
            << " against " << b.x0 << "," << b.y0 << " " << b.x1 << "," << b.y1 << " side " << b.side;
    }
    return n;
}

struct Tally {
    int corridors = 0;
    int bends = 0;  // taut paths with a corner
};

// Random agent queries on the map: each corridor the planner finds, walked between its own
// ends and between ends moved to `farEnds` (pairs of from/to that replace the query's).
Tally compareOnMap(const std::vector<uint8_t>& cells, uint32_t seed, int count,
                   const std::vector<std::pair<PathPoint, PathPoint>>& farEnds = {}) {
    Tally tally;
    testMesh.linkRule = navtest::sameLowBits;
    testMesh.clearanceLevel = 1;
    EXPECT_TRUE(nav::buildNavigation(testMesh, cells.data()));
    const std::vector<int> label = navtest::componentLabels(cells);
    const std::vector<int> walkable = navtest::walkableCells(label);
    navtest::TestRandom rnd(seed);
    PathResult planned;
    for (int k = 0; k < count && !::testing::Test::HasFailure(); ++k) {
        const int a = walkable[rnd.below(static_cast<int>(walkable.size()))];
        int b = walkable[rnd.below(static_cast<int>(walkable.size()))];
        for (int tries = 0; label[b] != label[a] && tries < 50; ++tries)
            b = walkable[rnd.below(static_cast<int>(walkable.size()))];
        const PathPoint from{(a % 256) * 256 + rnd.below(256), (a / 256) * 256 + rnd.below(256)};
        const PathPoint to{(b % 256) * 256 + rnd.below(256), (b / 256) * 256 + rnd.below(256)};
        nav::requestAgentPath(testMesh, testSearch, planned, from.x, from.y, to.x, to.y, nav::kAgentGateFraction);
        if (testSearch.routeSteps <= 0) continue;
        corridor.assign(testSearch.route, testSearch.route + testSearch.routeSteps + 1);
        ++tally.corridors;
        if (expectSameWalks(from, to, "own ends") > 1) ++tally.bends;
        for (const auto& [farFrom, farTo] : farEnds) {
            expectSameWalks(farFrom, to, "far start");
            expectSameWalks(from, farTo, "far destination");
            expectSameWalks(farFrom, farTo, "both far");
        }
    }
    return tally;
}

TEST(FunnelWalks, MatchThePlainWalksOnRandomQueriesOnSeveralMaps) {
    const std::vector<uint8_t> maptest = navtest::loadMapTest();
    ASSERT_FALSE(maptest.empty());
    Tally total;
    for (const Tally& t : {compareOnMap(maptest, 41, 700), compareOnMap(navtest::mazeMap(42, 40), 43, 250),
                           compareOnMap(navtest::specksMap(44), 45, 250), compareOnMap(navtest::narrowDoorsMap(46), 47, 250)}) {
        total.corridors += t.corridors;
        total.bends += t.bends;
    }
    // Guards against a comparison that passes because nothing was walked.
    EXPECT_GT(total.corridors, 1000);
    EXPECT_GT(total.bends, total.corridors / 3);
}

TEST(FunnelWalks, MatchThePlainWalksWithEndsAtAndBeyondTheRangeBound) {
    // 2^30 is the largest coordinate the walks take in 64 bits; one more, and the far ends of
    // int32, must give the same answers through the 128-bit products. Opposite extremes make
    // products near 2^63 that 64 bits cannot hold.
    constexpr int32_t bound = 1 << 30;
    const std::vector<std::pair<PathPoint, PathPoint>> farEnds = {
        {{-bound, -bound}, {bound, bound}},
        {{bound, -bound}, {-bound, bound}},
        {{-bound - 1, 5000}, {bound + 1, 9000}},
        {{7000, -bound - 1}, {3000, bound + 1}},
        {{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}},
        {{INT32_MAX, INT32_MIN}, {INT32_MIN, INT32_MAX}},
        {{INT32_MIN, 20000}, {INT32_MAX, 20000}},
        {{30000, INT32_MAX}, {30000, INT32_MIN}},
        // Starts beyond the bound on the upper side of both axes (the other rows start low).
        {{bound + 1, bound + 1}, {-bound - 1, -bound - 1}},
        {{INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MIN}},
    };
    const std::vector<uint8_t> maptest = navtest::loadMapTest();
    ASSERT_FALSE(maptest.empty());
    const Tally t = compareOnMap(maptest, 51, 120, farEnds);
    EXPECT_GT(t.corridors, 60);
}

TEST(FunnelWalks, CorridorsWithAStepThatIsNoPortalMatchThePlainWalks) {
    // Only a broken corridor has such a step: the walks keep the portal read before it,
    // as the plain walks do, and say which step was missing.
    const std::vector<uint8_t> maptest = navtest::loadMapTest();
    ASSERT_FALSE(maptest.empty());
    testMesh.linkRule = navtest::sameLowBits;
    testMesh.clearanceLevel = 1;
    ASSERT_TRUE(nav::buildNavigation(testMesh, maptest.data()));
    navtest::TestRandom rnd(71);
    PathResult planned;
    int broken = 0;
    for (int k = 0; k < 400 && broken < 60 && !::testing::Test::HasFailure(); ++k) {
        const PathPoint from{rnd.below(200) * 256 + 128, rnd.below(200) * 256 + 128};
        const PathPoint to{rnd.below(200) * 256 + 128, rnd.below(200) * 256 + 128};
        nav::requestAgentPath(testMesh, testSearch, planned, from.x, from.y, to.x, to.y, nav::kAgentGateFraction);
        if (testSearch.routeSteps < 4) continue;
        corridor.assign(testSearch.route, testSearch.route + testSearch.routeSteps + 1);
        // A triangle far from the corridor in place of one of its inner steps.
        const int at = 1 + rnd.below(testSearch.routeSteps - 1);
        corridor[at] = (corridor[at] + testMesh.triangleHighWater / 2) % testMesh.triangleHighWater;
        nav::clearPathDiagnostic(testMesh);
        expectSameWalks(from, to, "broken corridor");
        EXPECT_NE(std::string(nav::pathDiagnosticText(testMesh)).find("edge not found"), std::string::npos);
        ++broken;
    }
    EXPECT_EQ(broken, 60);
}

}  // namespace
