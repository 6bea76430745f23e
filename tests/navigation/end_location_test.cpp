// The shortest planner's cell table for locating query ends, against the mesh's own walk
// (locateForQuery): the table's triangle for each cell against the triangle found for the
// cell's centre, and the answer for points where the table must not decide (vertices,
// edges, cell borders, beyond the map) on maptest.raw and a generated map built after it.
#include <gtest/gtest.h>

#include <vector>

#include "navigation/shortest_search.h"
#include "navigation/triangulation.h"
#include "tests/navigation/route_test_support.h"
#include "tests/navigation/test_store.h"

namespace {

using nav::PathPoint;

bool strictlyInside(const nav::NavMesh& mesh, int t, int64_t x, int64_t y) {
    for (int k = 0; k < 3; ++k) {
        const PathPoint u = nav::vertexWorld(mesh, t, k), v = nav::vertexWorld(mesh, t, nav::next(k));
        if ((v.x - u.x) * (y - u.y) - (v.y - u.y) * (x - u.x) >= 0) return false;
    }
    return true;
}

// Each cell whose centre lies strictly inside a triangle holds that triangle; every other
// cell holds -1 or a triangle whose closed area holds the centre (a centre on an edge).
void expectTableMatchesWalk(nav::ShortestSearchState& st) {
    int fromTable = 0;
    for (int y = 0; y < nav::kLocateSide; ++y) {
        for (int x = 0; x < nav::kLocateSide; ++x) {
            const int32_t cx = x * 256 + 128, cy = y * 256 + 128;
            const int walked = nav::locateForQuery(testMesh, cx, cy);
            const int held = st.cellTriangle[y * nav::kLocateSide + x];
            if (walked >= 0 && strictlyInside(testMesh, walked, cx, cy)) {
                ASSERT_EQ(held, walked) << "cell " << x << " " << y;
                ++fromTable;
            } else if (held >= 0) {
                for (int k = 0; k < 3; ++k) {
                    const PathPoint u = nav::vertexWorld(testMesh, held, k);
                    const PathPoint v = nav::vertexWorld(testMesh, held, nav::next(k));
                    ASSERT_LE(int64_t{v.x - u.x} * (cy - u.y) - int64_t{v.y - u.y} * (cx - u.x), 0)
                        << "cell " << x << " " << y;
                }
            }
        }
    }
    // Nearly all centres lie inside a triangle; a table left empty would fail here.
    EXPECT_GT(fromTable, nav::kLocateSide * nav::kLocateSide * 9 / 10);
}

// Points the table must leave to the walk or answer as it does: the vertices of every
// triangle, points on its edges, its cells' borders and corners, and points on and beyond
// the map's edges.
void expectEndsLocatedAsTheWalk(nav::ShortestSearchState& st) {
    std::vector<PathPoint> points;
    for (int t = 0; t < testMesh.triangleHighWater; ++t) {
        if (!nav::isLive(testMesh.triangles[t])) continue;
        for (int k = 0; k < 3; ++k) {
            const PathPoint u = nav::vertexWorld(testMesh, t, k), v = nav::vertexWorld(testMesh, t, nav::next(k));
            points.push_back(u);
            points.push_back({(u.x + v.x) / 2, (u.y + v.y) / 2});
            points.push_back({u.x + (v.x - u.x) / 4, u.y + (v.y - u.y) / 4});
            points.push_back({u.x + 1, u.y});  // just beside a vertex: inside or on an edge
            points.push_back({u.x, u.y - 1});
        }
    }
    navtest::TestRandom rnd(27);
    for (int i = 0; i < 20000; ++i) {
        const int32_t x = rnd.below(256 * 256), y = rnd.below(256 * 256);
        points.push_back({x, y});
        points.push_back({x & ~255, y});        // on a cell border
        points.push_back({x & ~255, y & ~255});  // on a cell corner
    }
    for (int32_t along : {0, 1, 128, 255, 256, 32768, 65280, 65535}) {
        for (int32_t edge : {-256, -1, 0, 65535, 65536, 65537, 70000}) {
            points.push_back({along, edge});
            points.push_back({edge, along});
        }
    }
    for (const PathPoint& p : points) {
        ASSERT_EQ(nav::shortest::locateEnd(testMesh, st, p.x, p.y), nav::locateForQuery(testMesh, p.x, p.y))
            << "point " << p.x << " " << p.y;
    }
}

TEST(EndLocation, TheCellTableAnswersAsTheWalkOnTwoMapsBuiltOneAfterTheOther) {
    nav::ShortestSearchState& st = navtest::testShortestState();
    const std::vector<std::vector<uint8_t>> maps = {navtest::loadMapTest(), navtest::generatedMap(5)};
    for (const std::vector<uint8_t>& cells : maps) {
        ASSERT_FALSE(cells.empty());
        ASSERT_TRUE(navtest::buildWithClearance(cells));
        nav::prepareShortestPaths(testMesh, st, navtest::sameLowBits, testMesh.clearanceLevel);
        expectTableMatchesWalk(st);
        expectEndsLocatedAsTheWalk(st);
    }
}

}  // namespace
