// The shortest planner's corner graph (by its rows of corner distances, and corner by
// corner) against the planner's own interval search carried all the way (an independent
// route to the same shortest paths): same answers and lengths
// on many pairs, a graph remade after each rebuild, and the interval search standing in
// where the graph cannot be made.
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
#include "tools/nav_reference/random_pairs.h"

namespace {

using nav::CornerGraph;
using nav::PathResult;
using nav::ShortestStatus;
using navtest::setCell;
using navtest::walledSquare;

void build(const std::vector<uint8_t>& cells, nav::CellLinkRule rule) { ASSERT_TRUE(navtest::buildWithClearance(cells, rule)); }

ShortestStatus plan(PathResult& result, const navref::QueryPair& p, bool cornerGraph, bool distanceRows = true) {
    nav::ShortestQuery q = navtest::testShortestQuery(p.fromX, p.fromY, p.toX, p.toY, 0);
    q.cornerGraph = cornerGraph;
    q.distanceRows = distanceRows;
    return nav::findShortestPath(testMesh, navtest::testShortestState(), q, result);
}

std::string text(const navref::QueryPair& p) {
    return std::to_string(p.fromX) + " " + std::to_string(p.fromY) + " " + std::to_string(p.toX) + " " +
           std::to_string(p.toY);
}

// Connected random pairs plus arbitrary points: the same status and length with and
// without the graph. Returns how many pairs needed a search (not visible ends).
int expectSameAsIntervalSearch(const std::vector<uint8_t>& cells, int count, uint32_t seed) {
    build(cells, navtest::sameLowBits);
    if (::testing::Test::HasFatalFailure()) return 0;
    std::vector<navref::QueryPair> pairs = navref::random_pairs(cells.data(), count, seed, true);
    navtest::TestRandom rnd(seed);
    for (int i = 0; i < count / 4; ++i) {
        pairs.push_back({rnd.below(65536), rnd.below(65536), rnd.below(65536), rnd.below(65536)});
    }
    int searched = 0;
    PathResult withGraph, cornerByCorner, without;
    for (const navref::QueryPair& p : pairs) {
        const ShortestStatus a = plan(withGraph, p, true);
        const ShortestStatus c = plan(cornerByCorner, p, true, false);
        const ShortestStatus b = plan(without, p, false);
        searched += navtest::testShortestState().lastNodesExpanded > 0 ? 1 : 0;
        EXPECT_EQ(a, b) << text(p);
        EXPECT_EQ(c, b) << text(p);
        const double length = nav::pathLengthOf(without);
        EXPECT_NEAR(nav::pathLengthOf(withGraph), length, 1e-9 * length + 1e-6) << text(p);
        EXPECT_NEAR(nav::pathLengthOf(cornerByCorner), length, 1e-9 * length + 1e-6) << text(p);
        if (::testing::Test::HasFailure()) break;  // one broken pair tells enough
    }
    EXPECT_EQ(navtest::testShortestState().graph.status, CornerGraph::Status::Ready);
    return searched;
}

TEST(CornerGraph, SameAnswersAsTheIntervalSearch) {
    const std::vector<uint8_t> maptest = navtest::loadMapTest();
    ASSERT_FALSE(maptest.empty());
    EXPECT_GT(expectSameAsIntervalSearch(maptest, 2000, 7), 400);
    const struct {
        const char* name;
        std::vector<uint8_t> cells;
    } maps[] = {{"maze", navtest::mazeMap(9, 24)},
                {"specks", navtest::specksMap(10)},
                {"narrow doors", navtest::narrowDoorsMap(11)}};
    for (const auto& m : maps) {
        SCOPED_TRACE(m.name);
        EXPECT_GT(expectSameAsIntervalSearch(m.cells, 400, 13), 100);
    }
}

// A 10 x 10 block (cells 20..29) joined to the top or the bottom wall by a column: the way
// from (15, 25) to (35, 25) bends round the free side's two corners, 2 * sqrt(50) + 10
// cells. The graph made for one map must not serve the next.
TEST(CornerGraph, RemadeAfterEachRebuild) {
    std::vector<uint8_t> open = walledSquare(40);
    for (int y = 20; y < 30; ++y)
        for (int x = 20; x < 30; ++x) setCell(open, x, y, 15);
    std::vector<uint8_t> joinedTop = open, joinedBottom = open;
    for (int y = 8; y < 20; ++y) setCell(joinedTop, 24, y, 15);
    for (int y = 30; y < 48; ++y) setCell(joinedBottom, 24, y, 15);
    const struct {
        const std::vector<uint8_t>* cells;
        int cornerY;  // cells; 0: either side
    } cases[] = {{&open, 0}, {&joinedTop, 30}, {&joinedBottom, 20}, {&joinedTop, 30}};
    const navref::QueryPair ends{15 * 256, 25 * 256, 35 * 256, 25 * 256};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cornerY);
        build(*c.cells, navtest::sameLowBits);
        PathResult path;
        ASSERT_EQ(plan(path, ends, true), ShortestStatus::Found);
        EXPECT_NEAR(nav::pathLengthOf(path), (2 * std::sqrt(50.0) + 10) * 256, 1e-6);
        ASSERT_EQ(path.waypointCount, 3);
        if (c.cornerY != 0) {
            EXPECT_EQ(path.waypoints[0].y, c.cornerY * 256);
            EXPECT_EQ(path.waypoints[1].y, c.cornerY * 256);
        }
        navref::Point prev{ends.fromX, ends.fromY};
        for (int i = 0; i < path.waypointCount; ++i) {
            const navref::Point w{path.waypoints[i].x, path.waypoints[i].y};
            EXPECT_TRUE(navref::segment_clear(c.cells->data(), 0, prev, w)) << "leg " << i;
            prev = w;
        }
    }
}

// Under the step rule a patch of type 2 may be left for type 0 but not entered from it:
// crossings that go one way only, which the graph does not model. The planner searches
// without it and still finds the bends round the block.
TEST(CornerGraph, OneWayCrossingsSearchWithoutIt) {
    std::vector<uint8_t> cells = walledSquare(40);
    for (int y = 20; y < 30; ++y)
        for (int x = 20; x < 30; ++x) setCell(cells, x, y, 15);
    for (int y = 40; y < 44; ++y)
        for (int x = 40; x < 44; ++x) setCell(cells, x, y, 2);
    build(cells, nav::stepLinkRule);
    PathResult path;
    ASSERT_EQ(plan(path, {15 * 256, 25 * 256, 35 * 256, 25 * 256}, true), ShortestStatus::Found);
    EXPECT_EQ(navtest::testShortestState().graph.status, CornerGraph::Status::Unavailable);
    EXPECT_EQ(path.waypointCount, 3);
    EXPECT_NEAR(nav::pathLengthOf(path), (2 * std::sqrt(50.0) + 10) * 256, 1e-6);
}

// Open ground strewn with 576 specks: their corners see so many others that the graph runs
// out of room part-way through its making. The planner must search without it (a graph cut
// short has corners with no edge ranges at all), and a later map must get a graph again.
TEST(CornerGraph, AGraphTooBigForItsTablesIsSearchedWithoutAndMadeAgainForTheNextMap) {
    std::vector<uint8_t> specks = walledSquare(240);
    navtest::TestRandom rnd(5);
    for (int y = 12; y < 244; y += 10)
        for (int x = 12; x < 244; x += 10) setCell(specks, x + rnd.below(3), y + rnd.below(3), 15);
    build(specks, navtest::sameLowBits);
    const std::vector<navref::QueryPair> pairs = navref::random_pairs(specks.data(), 40, 3, true);
    int bent = 0;
    for (const navref::QueryPair& p : pairs) {
        PathResult path;
        ASSERT_EQ(plan(path, p, true), ShortestStatus::Found) << text(p);
        // Ends that see each other need no graph: it is made on the first search.
        ASSERT_NE(navtest::testShortestState().graph.status, CornerGraph::Status::Ready) << text(p);
        bent += path.waypointCount > 1 ? 1 : 0;
        navref::Point prev{p.fromX, p.fromY};
        for (int i = 0; i < path.waypointCount; ++i) {
            const navref::Point w{path.waypoints[i].x, path.waypoints[i].y};
            EXPECT_TRUE(navref::segment_clear(specks.data(), 0, prev, w)) << text(p) << " leg " << i;
            prev = w;
        }
    }
    EXPECT_GT(bent, 10);
    EXPECT_EQ(navtest::testShortestState().graph.status, CornerGraph::Status::Unavailable);

    std::vector<uint8_t> block = walledSquare(40);
    for (int y = 20; y < 30; ++y)
        for (int x = 20; x < 30; ++x) setCell(block, x, y, 15);
    build(block, navtest::sameLowBits);
    PathResult path;
    ASSERT_EQ(plan(path, {15 * 256, 25 * 256, 35 * 256, 25 * 256}, true), ShortestStatus::Found);
    EXPECT_EQ(navtest::testShortestState().graph.status, CornerGraph::Status::Ready);
    EXPECT_NEAR(nav::pathLengthOf(path), (2 * std::sqrt(50.0) + 10) * 256, 1e-6);
}

}  // namespace

// The per-build tables an end's corners come from, against the graph's own sightings and
// the tangent rule worked out afresh at points of each triangle: every corner tangent at
// some vertex or edge middle of a triangle is listed for it, in the sightings' order and
// with their "sees all" mark; one marked tangent everywhere is tangent at all those
// points. Each corner's place and wall are its vertex's. On maptest.raw the classes do
// work (some sightings left out, some marked tangent everywhere).
namespace {

void expectEndSightings(const std::vector<uint8_t>& cells, bool expectClasses) {
    build(cells, navtest::sameLowBits);
    if (::testing::Test::HasFatalFailure()) return;
    nav::prepareShortestPaths(testMesh, navtest::testShortestState(), testMesh.linkRule, testMesh.clearanceLevel);
    const CornerGraph& g = navtest::testShortestState().graph;
    ASSERT_EQ(g.status, CornerGraph::Status::Ready);
    ASSERT_LE(g.cornerCount, nav::kMaxDistanceCorners);
    for (int k = 0; k < g.cornerCount; ++k) {
        const int v = g.cornerVertex[k];
        ASSERT_EQ(g.cornerIndex[v], k);
        EXPECT_EQ(g.site[k].x, testMesh.points[v].x * 256);
        EXPECT_EQ(g.site[k].y, testMesh.points[v].y * 256);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(g.site[k].wall[i], g.wallEdges[v][i]);
    }
    auto tangentAt = [&](int v, int64_t px, int64_t py) {
        const int32_t* w = g.wallEdges[v];
        const int64_t dx = int64_t{testMesh.points[v].x} * 256 - px, dy = int64_t{testMesh.points[v].y} * 256 - py;
        const int64_t s1 = dx * w[1] - dy * w[0], s2 = dx * w[3] - dy * w[2];
        return !((s1 > 0 && s2 < 0) || (s1 < 0 && s2 > 0));
    };
    int leftOut = 0, everywhere = 0;
    for (int t = 0; t < testMesh.triangleHighWater; ++t) {
        int64_t px[6], py[6];
        for (int s = 0; s < 3; ++s) {
            const nav::NavPoint& a = nav::vertexOf(testMesh, t, s);
            const nav::NavPoint& b = nav::vertexOf(testMesh, t, (s + 1) % 3);
            px[s] = int64_t{a.x} * 256;
            py[s] = int64_t{a.y} * 256;
            px[3 + s] = (int64_t{a.x} + b.x) * 128;
            py[3 + s] = (int64_t{a.y} + b.y) * 128;
        }
        int e = g.endSightStart[t];
        for (int i = g.sightStart[t]; i < g.sightStart[t + 1]; ++i) {
            const int v = g.sightings[i] >> 1;
            int tangentPoints = 0;
            for (int q = 0; q < 6; ++q) tangentPoints += tangentAt(v, px[q], py[q]) ? 1 : 0;
            const bool listed = e < g.endSightStart[t + 1] && (g.endSight[e] >> 2) == g.cornerIndex[v];
            if (!listed) {
                ++leftOut;
                EXPECT_EQ(tangentPoints, 0) << "triangle " << t << " corner vertex " << v;
                continue;
            }
            EXPECT_EQ(g.endSight[e] & 1, g.sightings[i] & 1) << "triangle " << t << " corner vertex " << v;
            if (g.endSight[e] & 2) {
                ++everywhere;
                EXPECT_EQ(tangentPoints, 6) << "triangle " << t << " corner vertex " << v;
            }
            ++e;
        }
        EXPECT_EQ(e, g.endSightStart[t + 1]) << "triangle " << t << ": listed corners that do not see it";
        if (::testing::Test::HasFailure()) return;
    }
    if (expectClasses) {
        EXPECT_GT(leftOut, 0);
        EXPECT_GT(everywhere, 0);
    }
}

}  // namespace

TEST(CornerGraph, EndSightingsAgreeWithTheTangentRuleAtEveryTrianglesPoints) {
    const std::vector<uint8_t> maptest = navtest::loadMapTest();
    ASSERT_FALSE(maptest.empty());
    {
        SCOPED_TRACE("maptest");
        expectEndSightings(maptest, true);
    }
    {
        SCOPED_TRACE("maze");
        expectEndSightings(navtest::mazeMap(9, 24), false);
    }
    {
        SCOPED_TRACE("specks");
        expectEndSightings(navtest::specksMap(10), false);
    }
}
