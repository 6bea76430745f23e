// The shortest planner where its other tests look past it: a corner where only part of the
// clearance fits, segments through the vertex where two wall cells touch, goals in every
// triangle with and without the corner graph, and the corner graph's size on maptest.raw
// against a count made straight from the cells.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "navigation/nav_mesh.h"
#include "navigation/navigation.h"
#include "navigation/shortest_path.h"
#include "navigation/triangulation.h"
#include "tests/navigation/generated_maps.h"
#include "tests/navigation/route_test_support.h"
#include "tests/navigation/test_store.h"
#include "tools/nav_reference/exact_shortest_path.h"
#include "tools/nav_reference/random_pairs.h"

namespace {

using nav::PathPoint;
using nav::PathResult;
using nav::ShortestStatus;
using navtest::setCell;
using navtest::walledSquare;

void build(const std::vector<uint8_t>& cells) { ASSERT_TRUE(navtest::buildWithClearance(cells)); }

nav::ShortestQuery query(PathPoint from, PathPoint to, int32_t clearance, bool cornerGraph) {
    nav::ShortestQuery q = navtest::testShortestQuery(from.x, from.y, to.x, to.y, clearance);
    q.cornerGraph = cornerGraph;
    return q;
}

ShortestStatus plan(PathResult& result, PathPoint from, PathPoint to, int32_t clearance, bool cornerGraph = true) {
    return nav::findShortestPath(testMesh, navtest::testShortestState(), query(from, to, clearance, cornerGraph), result);
}

// Block A (cells x 20..29, y 20..39) stands between S (15, 35) and G (35, 15): the way bends
// at A's corner V (20, 20). Block B (cells 14..18 on both axes) lies up-left of V, where the
// clearance pushes the corner: along (-1, -1) / sqrt 2, at distance d the waypoint sits at
// 20 - d / (256 sqrt 2) cells, inside B for d in (362, 2172]. With clearance 1200 the full
// move (848 units along each axis: 16.69 cells) and the half (424: 18.34 cells) land in B;
// the quarter, 300, gives 212.13 units per axis: (4907.87, 4907.87), rounded to 4908, in
// the free cell (19, 19). Both legs to it clear A and B (worked out above the lines below).
TEST(ShortestBlindSpots, ACornerWhereOnlyAQuarterOfTheClearanceFits) {
    std::vector<uint8_t> cells = walledSquare(48);
    for (int y = 20; y < 40; ++y)
        for (int x = 20; x < 30; ++x) setCell(cells, x, y, 15);
    for (int y = 14; y < 19; ++y)
        for (int x = 14; x < 19; ++x) setCell(cells, x, y, 15);
    build(cells);
    const PathPoint s{15 * 256, 35 * 256}, g{35 * 256, 15 * 256};
    PathResult path;
    ASSERT_EQ(plan(path, s, g, 0), ShortestStatus::Found);
    ASSERT_EQ(path.waypointCount, 2);
    EXPECT_EQ(path.waypoints[0].x, 20 * 256);
    EXPECT_EQ(path.waypoints[0].y, 20 * 256);

    ASSERT_EQ(plan(path, s, g, 1200), ShortestStatus::Found);
    ASSERT_EQ(path.waypointCount, 2);
    EXPECT_EQ(path.waypoints[0].x, 4908);
    EXPECT_EQ(path.waypoints[0].y, 4908);
    EXPECT_TRUE(navref::segment_clear(cells.data(), 0, {s.x, s.y}, {4908, 4908}));
    EXPECT_TRUE(navref::segment_clear(cells.data(), 0, {4908, 4908}, {g.x, g.y}));
    // Where half fits (clearance 600: 300 per try after the first, which lands in B at
    // 18.34 cells) the corner takes the half.
    ASSERT_EQ(plan(path, s, g, 600), ShortestStatus::Found);
    EXPECT_EQ(path.waypoints[0].x, 4908);
    // Clearance 300 fits whole.
    ASSERT_EQ(plan(path, s, g, 300), ShortestStatus::Found);
    EXPECT_EQ(path.waypoints[0].y, 4908);
    // Clearance 2000: 1414, 707 and 354 units per axis (14.48, 17.24 and 18.62 cells: all
    // in B) fail; the corner stays on its vertex.
    ASSERT_EQ(plan(path, s, g, 2000), ShortestStatus::Found);
    EXPECT_EQ(path.waypoints[0].x, 20 * 256);
    EXPECT_EQ(path.waypoints[0].y, 20 * 256);
}

// Wall cells (20, 20) and (21, 21) touch at the vertex (21, 21): no way passes between them.
// A segment through that vertex from cell (20, 21) to cell (21, 20) is blocked (the exact
// reference agrees), and the shortest way between those cells goes round one of the pair,
// bending at three of its corners: from (20.5, 21.5) by (20, 21), (20, 20), (21, 20) to
// (21.5, 20.5) cells, or by (21, 22), (22, 22), (22, 21): 2 sqrt(0.5) + 2 cells either way.
TEST(ShortestBlindSpots, NoSegmentPassesWhereTwoWallCellsTouch) {
    std::vector<uint8_t> cells = walledSquare(40);
    setCell(cells, 20, 20, 15);
    setCell(cells, 21, 21, 15);
    build(cells);
    const PathPoint a{20 * 256 + 128, 21 * 256 + 128}, b{21 * 256 + 128, 20 * 256 + 128};
    ASSERT_FALSE(navref::segment_clear(cells.data(), 0, {a.x, a.y}, {b.x, b.y}));
    EXPECT_FALSE(nav::segmentPassable(testMesh, navtest::testShortestState(), query(a, b, 0, true), a, b));
    EXPECT_FALSE(nav::segmentPassable(testMesh, navtest::testShortestState(), query(b, a, 0, true), b, a));
    // Along the diagonal through the touching vertex, from free cell to free cell.
    const PathPoint c{19 * 256 + 100, 22 * 256 + 156}, d{22 * 256 + 156, 19 * 256 + 100};
    EXPECT_FALSE(nav::segmentPassable(testMesh, navtest::testShortestState(), query(c, d, 0, true), c, d));
    // Beside the pair, through the free corner vertex (20, 22) of nothing blocked: clear.
    const PathPoint e{19 * 256 + 128, 23 * 256 + 128}, f{20 * 256 + 128, 21 * 256 + 128};
    EXPECT_TRUE(nav::segmentPassable(testMesh, navtest::testShortestState(), query(e, f, 0, true), e, f));

    // A segment that grazes a wall's corner (passing exactly through it, the wall on one
    // side) is not free either: the block of cells 30..33 has its corner (30, 30) on the
    // line x + y = 60 cells, which runs outside the block on both sides of it. A path
    // along it bends there (the point where a clearance would move it off the wall).
    for (int y = 30; y < 34; ++y)
        for (int x = 30; x < 34; ++x) setCell(cells, x, y, 15);
    build(cells);
    const PathPoint g1{26 * 256, 34 * 256}, g2{34 * 256, 26 * 256};
    ASSERT_TRUE(navref::segment_clear(cells.data(), 0, {g1.x, g1.y}, {g2.x, g2.y}));
    EXPECT_FALSE(nav::segmentPassable(testMesh, navtest::testShortestState(), query(g1, g2, 0, true), g1, g2));
    PathResult grazing;
    ASSERT_EQ(plan(grazing, g1, g2, 150), ShortestStatus::Found);
    ASSERT_EQ(grazing.waypointCount, 2);
    EXPECT_EQ(grazing.waypoints[0].x, 30 * 256);
    EXPECT_EQ(grazing.waypoints[0].y, 30 * 256);
    EXPECT_NEAR(nav::pathLengthOf(grazing), 8 * std::sqrt(2.0) * 256, 1e-6);

    const double expected = (std::sqrt(2.0) + 2) * 256;
    for (const bool graph : {true, false}) {
        SCOPED_TRACE(graph ? "corner graph" : "intervals only");
        PathResult path;
        ASSERT_EQ(plan(path, a, b, 0, graph), ShortestStatus::Found);
        EXPECT_EQ(path.waypointCount, 4);
        EXPECT_NEAR(nav::pathLengthOf(path), expected, 1e-6);
        ASSERT_EQ(plan(path, b, a, 0, graph), ShortestStatus::Found);
        EXPECT_NEAR(nav::pathLengthOf(path), expected, 1e-6);
    }
}

// A goal inside every live triangle of the mesh (its centroid), from a handful of starts on
// ground of the triangle's type: the same status and length with and without the corner
// graph, and the exact length.
void expectEveryTriangleReached(const std::vector<uint8_t>& cells, int starts, uint32_t seed,
                                std::vector<navref::QueryPair> pairs = {}) {
    build(cells);
    if (::testing::Test::HasFatalFailure()) return;
    for (const navref::QueryPair& p : navref::random_pairs(cells.data(), starts, seed, true)) pairs.push_back(p);
    const std::vector<int> label = navtest::componentLabels(cells);
    std::vector<std::unique_ptr<navref::ExactShortestPaths>> oracles(16);
    int searched = 0;
    for (const navref::QueryPair& p : pairs) {
        const PathPoint from{p.fromX, p.fromY};
        const int fromCell = (from.y >> 8) * 256 + (from.x >> 8);
        const int type = cells[fromCell] & 15;
        if (!oracles[type]) oracles[type] = std::make_unique<navref::ExactShortestPaths>(cells.data(), type);
        for (int t = 0; t < testMesh.triangleHighWater; ++t) {
            const nav::NavTriangle& tri = testMesh.triangles[t];
            if (!nav::isLive(tri) || nav::isOutsideType(tri.type) || (tri.type & 15) != type) continue;
            int64_t sx = 0, sy = 0;
            for (int s = 0; s < 3; ++s) {
                sx += nav::vertexOf(testMesh, t, s).x * 256;
                sy += nav::vertexOf(testMesh, t, s).y * 256;
            }
            const PathPoint to{static_cast<int32_t>(sx / 3), static_cast<int32_t>(sy / 3)};
            const int toCell = (to.y >> 8) * 256 + (to.x >> 8);
            const std::string where = std::to_string(from.x) + " " + std::to_string(from.y) + " -> triangle " +
                                      std::to_string(t);
            PathResult withGraph, without;
            const ShortestStatus a = plan(withGraph, from, to, 0, true);
            searched += withGraph.waypointCount > 1 ? 1 : 0;
            const ShortestStatus b = plan(without, from, to, 0, false);
            EXPECT_EQ(a, b) << where;
            EXPECT_EQ(a == ShortestStatus::Found, label[fromCell] >= 0 && label[fromCell] == label[toCell]) << where;
            if (a == ShortestStatus::Found && b == ShortestStatus::Found) {
                const double exact = oracles[type]->shortest_length({from.x, from.y}, {to.x, to.y});
                EXPECT_NEAR(nav::pathLengthOf(withGraph), exact, 1e-6 * exact + 1e-6) << where;
                EXPECT_NEAR(nav::pathLengthOf(without), exact, 1e-6 * exact + 1e-6) << where;
            }
            if (::testing::Test::HasFailure()) return;  // one broken pair tells enough
        }
    }
    EXPECT_EQ(navtest::testShortestState().graph.status, nav::CornerGraph::Status::Ready);
    EXPECT_GT(searched, 0);
}

TEST(ShortestBlindSpots, GoalsInEveryTriangleWithAndWithoutTheGraph) {
    std::vector<uint8_t> block = walledSquare(40);
    for (int y = 20; y < 30; ++y)
        for (int x = 20; x < 30; ++x) setCell(block, x, y, 15);
    {
        SCOPED_TRACE("block");
        expectEveryTriangleReached(block, 6, 3);
    }
    {
        SCOPED_TRACE("maze");
        expectEveryTriangleReached(navtest::mazeMap(9, 24), 3, 5);
    }
    // Ground of type 3 all over the map round a 40 x 40 square of type 0 that holds an L of
    // type 3 (cells 115..124 less the quarter 120..124 x 115..119): paths on either ground
    // bend round the other, and the mesh's last triangle is ground (on the maps above it is
    // wall: here the outer ground beyond the square's corner (140, 140)). Starts in both
    // arms of the L, on the square, and on the outer ground where the square hides that
    // triangle, besides random ones.
    std::vector<uint8_t> ring(navtest::kMapCells, 3);
    for (int y = 100; y < 140; ++y)
        for (int x = 100; x < 140; ++x) setCell(ring, x, y, 0);
    for (int y = 115; y < 125; ++y)
        for (int x = 115; x < 125; ++x) setCell(ring, x, y, x >= 120 && y < 120 ? 0 : 3);
    {
        SCOPED_TRACE("grounds of two types");
        expectEveryTriangleReached(ring, 8, 11,
                                   {{116 * 256 + 100, 116 * 256 + 50, 0, 0},
                                    {123 * 256 + 20, 123 * 256 + 200, 0, 0},
                                    {121 * 256 + 128, 117 * 256 + 128, 0, 0},
                                    {105 * 256 + 7, 130 * 256 + 9, 0, 0},
                                    {50 * 256 + 10, 60 * 256 + 20, 0, 0},
                                    {200 * 256 + 30, 30 * 256 + 40, 0, 0}});
        const nav::NavTriangle& last = testMesh.triangles[testMesh.triangleHighWater - 1];
        EXPECT_FALSE(nav::isOutsideType(last.type));
    }
    const std::vector<uint8_t> maptest = navtest::loadMapTest();
    ASSERT_FALSE(maptest.empty());
    SCOPED_TRACE("maptest.raw");
    expectEveryTriangleReached(maptest, 2, 9);
}

// Corners counted straight from the cells: a grid point where three of its four cells join
// (walkable, linked across the two edges between them) and the fourth does not join them is
// a wall corner jutting into the free space, where shortest paths bend. Cells off the map
// count as walls. The graph must hold exactly these corners: a straight stretch of wall
// (angles round the vertex summing to a half turn, give or take rounding) is none.
int cornersFromCells(const std::vector<uint8_t>& cells) {
    auto cell = [&](int x, int y) -> int {
        if (x < 0 || y < 0 || x >= 256 || y >= 256) return 15;
        return cells[y * 256 + x];
    };
    auto joined = [](int a, int b) { return (a & 15) != 15 && (b & 15) != 15 && navtest::sameLowBits(a, b) != 0; };
    int corners = 0;
    for (int y = 0; y <= 256; ++y) {
        for (int x = 0; x <= 256; ++x) {
            // Round the point: up-left, up-right, down-right, down-left.
            const int ring[4] = {cell(x - 1, y - 1), cell(x, y - 1), cell(x, y), cell(x - 1, y)};
            for (int gap = 0; gap < 4; ++gap) {
                const int a = ring[(gap + 1) & 3], b = ring[(gap + 2) & 3], c = ring[(gap + 3) & 3], d = ring[gap];
                if (joined(a, b) && joined(b, c) && !joined(c, d) && !joined(d, a)) ++corners;
            }
        }
    }
    return corners;
}

TEST(ShortestBlindSpots, CornerGraphSizeOnMaptestMatchesTheCells) {
    const std::vector<uint8_t> maptest = navtest::loadMapTest();
    ASSERT_FALSE(maptest.empty());
    build(maptest);
    nav::prepareShortestPaths(testMesh, navtest::testShortestState(), testMesh.linkRule, testMesh.clearanceLevel);
    const nav::CornerGraph& graph = navtest::testShortestState().graph;
    ASSERT_EQ(graph.status, nav::CornerGraph::Status::Ready);
    EXPECT_EQ(graph.cornerCount, cornersFromCells(maptest));
    EXPECT_EQ(graph.cornerCount, 333);

    // A long straight wall split by many vertices (doorways of one cell every few cells, so
    // the fans along it hold many thin triangles): only the doorways' jambs are corners.
    std::vector<uint8_t> wall = walledSquare(200);
    for (int x = 8; x < 248; ++x) setCell(wall, x, 100, 15);
    for (int x = 20; x < 240; x += 7) setCell(wall, x, 100, 0);
    build(wall);
    nav::prepareShortestPaths(testMesh, navtest::testShortestState(), testMesh.linkRule, testMesh.clearanceLevel);
    ASSERT_EQ(navtest::testShortestState().graph.status, nav::CornerGraph::Status::Ready);
    EXPECT_EQ(navtest::testShortestState().graph.cornerCount, cornersFromCells(wall));
}

}  // namespace
