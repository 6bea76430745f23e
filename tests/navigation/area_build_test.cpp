// The map-to-mesh build: the rectangle cover, rectangle insertion with types, the flip
// pass, the border ring, whole maps checked by the mesh checker, and running out of
// tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <memory>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "navigation/area_build.h"
#include "navigation/mesh_checker.h"
#include "navigation/nav_mesh.h"
#include "navigation/navigation.h"
#include "navigation/triangulation.h"
#include "tests/navigation/route_test_support.h"
#include "tests/navigation/test_store.h"

namespace nav {
namespace {

using Map = std::vector<uint8_t>;

Map emptyMap() { return Map(kMapCells * kMapCells, 0); }

void fill(Map& map, int x0, int y0, int x1, int y1, uint8_t value) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) map[y * kMapCells + x] = value;
}

std::vector<CoverRect> coverOf(const Map& map) {
    std::vector<CoverRect> rects;
    int32_t skyline[kMapCells];
    coverRectangles(skyline, map.data(), 0, 0, kMapCells, kMapCells,
                     [](const CoverRect& r, void* c) {
                         static_cast<std::vector<CoverRect>*>(c)->push_back(r);
                         return true;
                     },
                     &rects);
    return rects;
}

void expectRect(const CoverRect& r, int x0, int y0, int x1, int y1, int value) {
    EXPECT_EQ(r.x0, x0);
    EXPECT_EQ(r.y0, y0);
    EXPECT_EQ(r.x1, x1);
    EXPECT_EQ(r.y1, y1);
    EXPECT_EQ(r.value, value);
}

std::unique_ptr<NavMesh> built(const Map& map) {
    auto mesh = std::make_unique<NavMesh>();
    EXPECT_TRUE(buildArea(*mesh, map.data(), 0, 0, kMapCells, kMapCells));
    return mesh;
}

void expectChecked(const NavMesh& mesh, const Map& map) {
    const MeshCheckResult check = checkMesh(mesh, map.data());
    EXPECT_TRUE(check.ok()) << check.errors << " problems, first: " << check.firstError;
}

// Twice the area of the live triangles of the given type lying inside the map.
int64_t typedArea(const NavMesh& mesh, uint8_t type, bool insideMap) {
    int64_t sum = 0;
    for (int t = 0; t < mesh.triangleHighWater; ++t) {
        if (mesh.triangles[t].type != type) continue;
        bool inside = true;
        for (int s = 0; s < 3; ++s) {
            const NavPoint& p = vertexOf(mesh, t, s);
            inside = inside && p.x >= 0 && p.y >= 0 && p.x <= kMapCells && p.y <= kMapCells;
        }
        if (inside == insideMap) sum += twiceArea(mesh, t);
    }
    return sum;
}

TEST(AreaCover, AllZeroMapIsOneRectangle) {
    const std::vector<CoverRect> rects = coverOf(emptyMap());
    ASSERT_EQ(rects.size(), 1u);
    expectRect(rects[0], 0, 0, 256, 256, 0);
}

TEST(AreaCover, TopmostThenLeftmostAndTheTieRule) {
    Map map = emptyMap();
    fill(map, 0, 0, 256, 5, 1);
    fill(map, 10, 0, 20, 8, 2);
    const std::vector<CoverRect> rects = coverOf(map);
    ASSERT_EQ(rects.size(), 6u);
    expectRect(rects[0], 0, 0, 10, 5, 1);
    expectRect(rects[1], 10, 0, 20, 8, 2);
    expectRect(rects[2], 20, 0, 256, 5, 1);
    // Columns 0..9 and 20..255 are both uncovered from row 5: the left run wins.
    expectRect(rects[3], 0, 5, 10, 256, 0);
    expectRect(rects[4], 20, 5, 256, 256, 0);
    expectRect(rects[5], 10, 8, 20, 256, 0);
}

TEST(AreaCover, ARowDifferingInOneByteStopsTheGrowth) {
    Map map = emptyMap();
    fill(map, 50, 0, 60, 10, 3);
    map[6 * kMapCells + 57] = 4;
    const std::vector<CoverRect> rects = coverOf(map);
    ASSERT_GE(rects.size(), 3u);
    expectRect(rects[0], 0, 0, 50, 256, 0);
    expectRect(rects[1], 50, 0, 60, 6, 3);  // row 6 differs at column 57
    expectRect(rects[2], 60, 0, 256, 256, 0);
    // Every cell is covered exactly once, with its own value.
    Map covered(map.size(), 0);
    for (const CoverRect& r : rects) {
        for (int y = r.y0; y < r.y1; ++y) {
            for (int x = r.x0; x < r.x1; ++x) {
                ASSERT_EQ(map[y * kMapCells + x], r.value);
                ASSERT_EQ(covered[y * kMapCells + x]++, 0);
            }
        }
    }
}

TEST(AreaBuild, AllZeroMapCoversTheSquareWithTypeZero) {
    const Map map = emptyMap();
    auto mesh = built(map);
    expectChecked(*mesh, map);
    EXPECT_FALSE(mesh->buildFailed);
    EXPECT_EQ(mesh->stats.rectangles, 1);
    EXPECT_EQ(mesh->stats.rectanglesInserted, 0);
    EXPECT_EQ(typedArea(*mesh, 0, true), 2 * 256 * 256);
    EXPECT_EQ(typedArea(*mesh, kOutsideType, false), 2 * (768 * 768 - 256 * 256));
    EXPECT_EQ(mesh->boundaryRingLength, 4);
}

TEST(AreaBuild, SingleWallCellGetsItsOwnTriangles) {
    Map map = emptyMap();
    map[20 * kMapCells + 10] = 15;
    auto mesh = built(map);
    expectChecked(*mesh, map);
    EXPECT_EQ(typedArea(*mesh, 15, true), 2);
    int t = 0, slot = 0;
    ASSERT_TRUE(findEdgeToward(*mesh, 10, 20, 10, 21, t, slot));
    EXPECT_EQ(mesh->triangles[t].type, 15);
    EXPECT_EQ(mesh->stats.rectanglesInserted, 1);
}

TEST(AreaBuild, AdjacentRectanglesShareSideVertices) {
    Map map = emptyMap();
    fill(map, 10, 10, 20, 30, 3);
    fill(map, 20, 14, 40, 22, 5);
    auto mesh = built(map);
    expectChecked(*mesh, map);
    // The shared side x = 20 runs through (20, 14) and (20, 22), corners of the right one.
    int t = 0, slot = 0;
    ASSERT_TRUE(findEdgeToward(*mesh, 20, 10, 20, 30, t, slot));
    EXPECT_EQ(vertexOf(*mesh, t, next(slot)).y, 14);
    ASSERT_TRUE(findEdgeToward(*mesh, 20, 14, 20, 30, t, slot));
    EXPECT_EQ(vertexOf(*mesh, t, next(slot)).y, 22);
    ASSERT_TRUE(findEdgeToward(*mesh, 20, 22, 20, 30, t, slot));
    EXPECT_EQ(vertexOf(*mesh, t, next(slot)).y, 30);
    EXPECT_EQ(typedArea(*mesh, 3, true), 2 * 10 * 20);
    EXPECT_EQ(typedArea(*mesh, 5, true), 2 * 20 * 8);
}

TEST(AreaBuild, ImprovementNeverFlipsAcrossTypes) {
    // Long thin neighbours of different values: shorter diagonals exist across the
    // boundary, but no edge between two types may move.
    auto mesh = std::make_unique<NavMesh>();
    navReset(*mesh);
    ASSERT_TRUE(insertRectangle(*mesh, 0, 0, 256, 256, 0));
    ASSERT_TRUE(insertRectangle(*mesh, 10, 10, 200, 12, 3));
    ASSERT_TRUE(insertRectangle(*mesh, 10, 12, 200, 14, 4));
    ASSERT_TRUE(insertRectangle(*mesh, 30, 14, 31, 100, 5));
    using Edge = std::pair<int, int>;
    auto typeBoundary = [&] {
        std::set<Edge> edges;
        for (int t = 0; t < mesh->triangleHighWater; ++t) {
            for (int i = 0; i < 3; ++i) {
                const NavTriangle& tri = mesh->triangles[t];
                const int n = tri.neighbour[i];
                if (n < 0 || mesh->triangles[n].type == tri.type) continue;
                edges.insert({std::min(tri.vertex[i], tri.vertex[next(i)]), std::max(tri.vertex[i], tri.vertex[next(i)])});
            }
        }
        return edges;
    };
    const std::set<Edge> before = typeBoundary();
    int flips = improveAround(*mesh, 10, 10, 200, 14);
    flips += improveAround(*mesh, 30, 14, 31, 100);
    flips += improveAround(*mesh, 0, 0, 256, 256);
    EXPECT_GT(flips, 0);
    EXPECT_EQ(typeBoundary(), before);
}

int64_t squaredEdgeLengths(const NavMesh& mesh) {
    int64_t sum = 0;
    for (int t = 0; t < mesh.triangleHighWater; ++t) {
        for (int i = 0; i < 3; ++i) {
            const NavPoint& a = vertexOf(mesh, t, i);
            const NavPoint& b = vertexOf(mesh, t, next(i));
            sum += int64_t{a.x - b.x} * (a.x - b.x) + int64_t{a.y - b.y} * (a.y - b.y);
        }
    }
    return sum;
}

TEST(AreaBuild, ImprovementShortensDiagonalsInsideOneType) {
    auto mesh = std::make_unique<NavMesh>();
    navReset(*mesh);
    ASSERT_TRUE(insertRectangle(*mesh, 0, 0, 256, 256, 0));
    // A thin rectangle of the same value leaves long slivers around it.
    ASSERT_TRUE(insertRectangle(*mesh, 100, 20, 101, 220, 0));
    const int64_t before = squaredEdgeLengths(*mesh);
    const int triangles = mesh->triangleHighWater;
    const int flips = improveAround(*mesh, 100, 20, 101, 220);
    EXPECT_GT(flips, 0);
    EXPECT_LT(squaredEdgeLengths(*mesh), before);
    EXPECT_EQ(mesh->triangleHighWater, triangles);  // flips allocate nothing
    EXPECT_TRUE(rebuildBoundaryRing(*mesh));
    const MeshCheckResult check = checkMesh(*mesh, emptyMap().data());
    EXPECT_TRUE(check.ok()) << check.firstError;
}

TEST(AreaBuild, ImprovementLeavesTheEqualDiagonalsOfASquare) {
    // One square of 4 cells in two triangles: both diagonals are 32 squared cells long, so
    // the one it has is kept.
    navtest::GridMesh square(1, 1, 4);
    square.build([](int, int) { return uint8_t{0}; });
    const NavTriangle upper = testMesh.triangles[square.triangle(0, 0, 0)];
    EXPECT_EQ(improveAround(testMesh, 1, 1, 3, 3), 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(testMesh.triangles[square.triangle(0, 0, 0)].vertex[i], upper.vertex[i]);
}

TEST(AreaBuild, OnlyTheWholeMapIsBuilt) {
    Map map = emptyMap();
    auto mesh = std::make_unique<NavMesh>();
    EXPECT_TRUE(buildArea(*mesh, map.data(), -1, 5, 100, 100));  // ignored quietly
    EXPECT_EQ(mesh->triangleHighWater, 0);
    EXPECT_TRUE(buildArea(*mesh, map.data(), 5, 5, 5, 100));     // zero width
    EXPECT_EQ(mesh->triangleHighWater, 0);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(buildArea(*mesh, map.data(), 5, 5, 100, 100));  // inner: refused
    EXPECT_NE(testing::internal::GetCapturedStderr().find("whole map"), std::string::npos);
    EXPECT_EQ(mesh->triangleHighWater, 0);
    EXPECT_TRUE(buildArea(*mesh, map.data(), 200, 253, 0, 3));   // near the border: widened
    expectChecked(*mesh, map);
}

TEST(AreaBuild, DemonstrationMapIsSoundAndSmall) {
    FILE* file = std::fopen(STEERING_RESOURCE_DIR "/maptest.raw", "rb");
    ASSERT_NE(file, nullptr) << "maptest.raw missing";
    Map map = emptyMap();
    const size_t read = std::fread(map.data(), 1, map.size(), file);
    std::fclose(file);
    ASSERT_EQ(read, map.size());
    auto mesh = built(map);
    EXPECT_FALSE(mesh->buildFailed);
    expectChecked(*mesh, map);
    // The demonstration map keeps well under half of every table.
    EXPECT_LT(mesh->pointHighWater, kMaxVertices / 2);
    EXPECT_LT(mesh->triangleHighWater, kMaxTriangles / 2);
    EXPECT_LT(mesh->stats.improveStackMax, kImproveStackCapacity / 2);
    // A second build over the same map gives the same mesh.
    auto again = built(map);
    EXPECT_EQ(std::memcmp(again->triangles, mesh->triangles, sizeof mesh->triangles), 0);
    EXPECT_EQ(std::memcmp(again->points, mesh->points, sizeof mesh->points), 0);
}

TEST(AreaBuild, RandomRectangleMapsAreSound) {
    std::mt19937 rng(77);
    for (int round = 0; round < 12; ++round) {
        Map map = emptyMap();
        std::uniform_int_distribution<int> pos(0, 255), size(1, 40), count(1, 60);
        const uint8_t values[] = {1, 2, 3, 15, 0x1F, 14, 0};
        std::uniform_int_distribution<int> pick(0, 6);
        const int n = count(rng);
        for (int i = 0; i < n; ++i) {
            const int x = pos(rng), y = pos(rng);
            fill(map, x, y, std::min(256, x + size(rng)), std::min(256, y + size(rng)), values[pick(rng)]);
        }
        auto mesh = built(map);
        SCOPED_TRACE(round);
        EXPECT_FALSE(mesh->buildFailed);
        expectChecked(*mesh, map);
    }
}

TEST(AreaBuild, RandomCellMapsThatFitAreSound) {
    std::mt19937 rng(31);
    for (int round = 0; round < 8; ++round) {
        Map map = emptyMap();
        std::uniform_int_distribution<int> value(0, 3), origin(0, 230), side(4, 24);
        const int x0 = origin(rng), y0 = origin(rng), w = side(rng), h = side(rng);
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) map[y * kMapCells + x] = static_cast<uint8_t>(value(rng));
        auto mesh = built(map);
        SCOPED_TRACE(round);
        EXPECT_FALSE(mesh->buildFailed);
        expectChecked(*mesh, map);
    }
}

TEST(AreaBuild, MapTooLargeForTheTablesFailsCleanly) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> value(0, 1);
    Map map = emptyMap();
    for (uint8_t& cell : map) cell = static_cast<uint8_t>(value(rng));
    auto mesh = std::make_unique<NavMesh>();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(buildArea(*mesh, map.data(), 0, 0, kMapCells, kMapCells));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(mesh->buildFailed);
    ASSERT_NE(mesh->buildFailure, nullptr);
    EXPECT_EQ(err.rfind("navigation build failed: ", 0), 0u) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find(std::to_string(mesh->stats.rectangles) + " rectangles"), std::string::npos) << err;
    EXPECT_LE(mesh->pointHighWater, kMaxVertices);
    EXPECT_LE(mesh->triangleHighWater, kMaxTriangles);
    // What was built stays a sound triangulation.
    EXPECT_TRUE(rebuildBoundaryRing(*mesh));
    const MeshCheckResult check = checkMeshStructure(*mesh);
    EXPECT_TRUE(check.ok()) << check.firstError;
    // A later build of a map that fits succeeds and clears the failure.
    const Map small = emptyMap();
    EXPECT_TRUE(buildArea(*mesh, small.data(), 0, 0, kMapCells, kMapCells));
    EXPECT_FALSE(mesh->buildFailed);
    expectChecked(*mesh, small);
}

TEST(AreaBuild, AfterAFailedBuildEveryQueryAnswersNoPath) {
    Map open = emptyMap();
    ASSERT_TRUE(buildNavigation(testMesh, open.data()));
    PathResult result;
    requestAgentPath(testMesh, testSearch, result, 1000, 1000, 20000, 30000, 8192);
    EXPECT_GT(result.waypointCount, 0);  // the open map connects everything
    std::mt19937 rng(8);
    std::uniform_int_distribution<int> value(0, 2);
    Map noisy = emptyMap();
    for (uint8_t& cell : noisy) cell = static_cast<uint8_t>(value(rng));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(buildNavigation(testMesh, noisy.data()));
    testing::internal::GetCapturedStderr();
    ASSERT_TRUE(testMesh.buildFailed);
    for (const auto& q : {std::array<int, 4>{1000, 1000, 20000, 30000}, std::array<int, 4>{100, 100, 120, 100},
                          std::array<int, 4>{-500, 3, 70000, 70000}}) {
        requestAgentPath(testMesh, testSearch, result, q[0], q[1], q[2], q[3], 8192);
        EXPECT_EQ(result.waypointCount, 0);
        EXPECT_EQ(result.toX, q[2]);
    }
}

TEST(AreaBuild, BuildNavigationFillsTheProgramStore) {
    Map map = emptyMap();
    fill(map, 100, 100, 120, 140, 2);
    EXPECT_TRUE(buildNavigation(testMesh, map.data()));
    EXPECT_FALSE(testMesh.buildFailed);
    expectChecked(testMesh, map);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(buildNavigation(testMesh, nullptr));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("navigation build failed"), std::string::npos);
    EXPECT_TRUE(testMesh.buildFailed);
}

}  // namespace
}  // namespace nav
