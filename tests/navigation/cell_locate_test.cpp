// Path queries locate their ends from a per-build table of one triangle per map cell, and
// fall back to the mesh walk for ends the table cannot settle. These tests hold the table to
// the triangles themselves on every cell centre, and the located ends to the mesh walk on
// every cell centre, every vertex and points along every edge, on several maps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "navigation/cell_locate.h"
#include "navigation/nav_mesh.h"
#include "navigation/navigation.h"
#include "navigation/triangulation.h"
#include "tests/navigation/generated_maps.h"
#include "tests/navigation/route_test_support.h"
#include "tests/navigation/test_store.h"

namespace {

using nav::PathPoint;

int64_t crossAt(PathPoint u, PathPoint v, int64_t x, int64_t y) {
    return (int64_t{v.x} - u.x) * (y - u.y) - (int64_t{v.y} - u.y) * (x - u.x);
}

// -1 outside, 0 on the border, 1 strictly inside triangle t.
int placeIn(int t, int64_t x, int64_t y) {
    int worst = 1;
    for (int k = 0; k < 3; ++k) {
        const int64_t c = crossAt(nav::vertexWorld(testMesh, t, k), nav::vertexWorld(testMesh, t, nav::next(k)), x, y);
        if (c > 0) return -1;
        if (c == 0) worst = 0;
    }
    return worst;
}

// Rectangles of several types and walls scattered over the whole map, for triangles of
// every shape, slivers included.
std::vector<uint8_t> blocksMap(uint32_t seed) {
    std::vector<uint8_t> cells(navtest::kMapCells, 0);
    navtest::TestRandom rnd(seed);
    for (int k = 0; k < 90; ++k) {
        const int x0 = rnd.below(250), y0 = rnd.below(250), w = 1 + rnd.below(30), h = 1 + rnd.below(6);
        const uint8_t v = k % 3 == 0 ? 15 : static_cast<uint8_t>(rnd.below(4));
        const bool tall = k % 2 == 0;
        for (int y = y0; y < std::min(256, y0 + (tall ? w : h)); ++y)
            for (int x = x0; x < std::min(256, x0 + (tall ? h : w)); ++x) cells[y * navtest::kMapSide + x] = v;
    }
    return cells;
}

std::vector<std::vector<uint8_t>> testMaps() {
    return {navtest::loadMapTest(), navtest::mazeMap(61, 40), navtest::specksMap(62), navtest::narrowDoorsMap(63),
            blocksMap(64)};
}

// The end as the planner locates it, against the mesh walk: the same triangle, and the
// walk's hints left as the walk leaves them (later walks start from them, and on an edge
// their answer can depend on where they start). When the end and its cell's centre lie
// strictly inside the same triangle, the table must answer alone.
void expectLocatedAsByTheWalk(int32_t x, int32_t y, int& answeredByTable) {
    int32_t hints[nav::kHintBlocks];
    std::copy(std::begin(testMesh.hintGrid), std::end(testMesh.hintGrid), hints);
    const int want = nav::locateForQuery(testMesh, x, y);
    int32_t walkHints[nav::kHintBlocks];
    std::copy(std::begin(testMesh.hintGrid), std::end(testMesh.hintGrid), walkHints);
    const bool inside = x >= 0 && y >= 0 && x < 256 * 256 && y < 256 * 256 && placeIn(want, x, y) == 1 &&
                        placeIn(want, (x >> 8) * 256 + 128, (y >> 8) * 256 + 128) == 1;
    std::copy(hints, hints + nav::kHintBlocks, testMesh.hintGrid);
    const uint64_t answers = testMesh.cellTriangleAnswers;
    ASSERT_EQ(nav::locateQueryEnd(testMesh, x, y), want) << x << "," << y;
    for (int i = 0; i < nav::kHintBlocks; ++i) ASSERT_EQ(testMesh.hintGrid[i], walkHints[i]) << x << "," << y;
    if (inside) {
        ASSERT_EQ(testMesh.cellTriangleAnswers, answers + 1) << "the walk ran for " << x << "," << y;
        ++answeredByTable;
    }
}

// A point on the diagonal edge of cell (6, 6) of the test map: the walk's answer there
// depends on its starting hint, which the located ends must leave as the walk does.
TEST(CellLocate, HintsFollowTheWalkWhereTheWalksAnswerDependsOnThem) {
    ASSERT_TRUE(navtest::buildWithClearance(navtest::loadMapTest()));
    int byTable = 0;
    std::vector<int> answers;
    for (const int32_t hint : {0, 2, 5}) {
        testMesh.hintGrid[0] = hint;
        answers.push_back(nav::locateForQuery(testMesh, 1664, 1664));
        // Ends elsewhere in the block, then the point on the edge again.
        for (int k = 0; k < 40; ++k) expectLocatedAsByTheWalk(1000 + k * 331, 700 + k * 97, byTable);
        expectLocatedAsByTheWalk(1664, 1664, byTable);
    }
    std::sort(answers.begin(), answers.end());
    EXPECT_NE(answers.front(), answers.back()) << "the point no longer depends on the hint";
    EXPECT_GT(byTable, 0);
}

TEST(CellLocate, EveryCellHoldsATriangleThatHoldsItsCentre) {
    for (const std::vector<uint8_t>& cells : testMaps()) {
        ASSERT_FALSE(cells.empty());
        ASSERT_TRUE(navtest::buildWithClearance(cells));
        const int16_t* table = nav::cellTriangles(testMesh);
        int borders = 0;
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) {
                const int t = table[y * 256 + x];
                ASSERT_GE(t, 0) << x << "," << y;
                ASSERT_LT(t, testMesh.triangleHighWater);
                ASSERT_TRUE(nav::isLive(testMesh.triangles[t]));
                const int place = placeIn(t, x * 256 + 128, y * 256 + 128);
                ASSERT_GE(place, 0) << "cell " << x << "," << y << " triangle " << t;
                borders += place == 0;
            }
        }
        // Cell centres on edges exist on these maps (the diagonals of cell squares).
        EXPECT_GT(borders, 0);
    }
}

TEST(CellLocate, EndsAreLocatedAsTheMeshWalkLocatesThem) {
    for (const std::vector<uint8_t>& cells : testMaps()) {
        ASSERT_TRUE(navtest::buildWithClearance(cells));
        int byTable = 0, points = 0;
        // Every cell centre, and a point off the centre in each cell.
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) {
                expectLocatedAsByTheWalk(x * 256 + 128, y * 256 + 128, byTable);
                expectLocatedAsByTheWalk(x * 256 + (x * 37 + y * 11) % 256, y * 256 + (x * 5 + y * 53) % 256, byTable);
                points += 2;
                if (::testing::Test::HasFailure()) return;
            }
        }
        EXPECT_GT(byTable, points / 2);
        // Every vertex, every edge's midpoint and quarter points, and points just off the
        // edge on both sides, the map's border and beyond it included.
        for (int t = 0; t < testMesh.triangleHighWater; ++t) {
            if (!nav::isLive(testMesh.triangles[t])) continue;
            for (int k = 0; k < 3; ++k) {
                const PathPoint u = nav::vertexWorld(testMesh, t, k), v = nav::vertexWorld(testMesh, t, nav::next(k));
                int unused = 0;
                expectLocatedAsByTheWalk(u.x, u.y, unused);
                for (const int quarter : {1, 2, 3}) {
                    const int32_t x = u.x + (v.x - u.x) * quarter / 4, y = u.y + (v.y - u.y) * quarter / 4;
                    expectLocatedAsByTheWalk(x, y, unused);
                    expectLocatedAsByTheWalk(x + 1, y, unused);
                    expectLocatedAsByTheWalk(x, y - 1, unused);
                }
                if (::testing::Test::HasFailure()) return;
            }
        }
    }
}

TEST(CellLocate, ANewBuildMakesTheTableAgain) {
    const std::vector<std::vector<uint8_t>> maps = testMaps();
    int byTable = 0;
    ASSERT_TRUE(navtest::buildWithClearance(maps[1]));
    expectLocatedAsByTheWalk(20 * 256 + 100, 20 * 256 + 77, byTable);
    // Another map into the same store: ends in the new triangles are still answered by the
    // table, so it was made again for the new build.
    ASSERT_TRUE(navtest::buildWithClearance(maps[4]));
    for (int y = 0; y < 256; y += 3)
        for (int x = 0; x < 256; x += 3) expectLocatedAsByTheWalk(x * 256 + 90, y * 256 + 200, byTable);
    EXPECT_GT(byTable, 86 * 86 / 2);
}

}  // namespace
