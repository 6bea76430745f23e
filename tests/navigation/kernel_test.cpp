// The triangulation kernel: point location against a brute-force scan, the query
// tie-break, vertex insertion, edge flips and segment insertion.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>

#include "navigation/area_build.h"
#include "navigation/mesh_checker.h"
#include "navigation/nav_mesh.h"
#include "navigation/triangulation.h"
#include "tests/navigation/route_test_support.h"
#include "tests/navigation/test_store.h"

namespace nav {
namespace {

std::unique_ptr<NavMesh> squareMesh() {
    auto mesh = std::make_unique<NavMesh>();
    navReset(*mesh);
    return mesh;
}

// The map square inserted into the bounding square, as the build starts.
std::unique_ptr<NavMesh> mapMesh() {
    auto mesh = squareMesh();
    EXPECT_TRUE(insertRectangle(*mesh, 0, 0, 256, 256, 0));
    return mesh;
}

bool hasVertex(const NavMesh& mesh, int t, int x, int y) {
    for (int s = 0; s < 3; ++s) {
        const NavPoint& p = vertexOf(mesh, t, s);
        if (p.x == x && p.y == y) return true;
    }
    return false;
}

// Exact containment of a world-unit point in the closed triangle t.
bool containsPoint(const NavMesh& mesh, int t, int64_t px, int64_t py) {
    for (int i = 0; i < 3; ++i) {
        const NavPoint& a = vertexOf(mesh, t, i);
        const NavPoint& b = vertexOf(mesh, t, next(i));
        if (crossSign(a.x * 256 - px, a.y * 256 - py, b.x * 256 - px, b.y * 256 - py) > 0) return false;
    }
    return true;
}

int liveTrianglesAround(const NavMesh& mesh, int x, int y) {
    int count = 0;
    for (int t = 0; t < mesh.triangleHighWater; ++t) count += hasVertex(mesh, t, x, y);
    return count;
}

// The border ring is only kept by the build, so it is walked afresh before checking.
void expectSound(NavMesh& mesh) {
    EXPECT_TRUE(rebuildBoundaryRing(mesh));
    const MeshCheckResult check = checkMeshStructure(mesh);
    EXPECT_TRUE(check.ok()) << check.firstError;
}

TEST(KernelInsert, ExistingVertexChangesNothing) {
    auto mesh = mapMesh();
    const int points = mesh->pointHighWater, triangles = mesh->triangleHighWater;
    EXPECT_TRUE(insertPoint(*mesh, 0, 0));
    EXPECT_TRUE(insertPoint(*mesh, 256, 256));
    EXPECT_TRUE(insertPoint(*mesh, -256, 512));
    EXPECT_EQ(mesh->pointHighWater, points);
    EXPECT_EQ(mesh->triangleHighWater, triangles);
}

TEST(KernelInsert, InteriorPointSplitsIntoThree) {
    auto mesh = squareMesh();
    ASSERT_TRUE(insertPoint(*mesh, 100, 30));
    EXPECT_EQ(mesh->pointHighWater, 5);
    EXPECT_EQ(mesh->triangleHighWater, 4);
    EXPECT_EQ(liveTrianglesAround(*mesh, 100, 30), 3);
    expectSound(*mesh);
}

TEST(KernelInsert, PointOnAnEdgeGivesFourTriangles) {
    auto mesh = squareMesh();
    // (128, 128) lies on the square's diagonal from (-256, 512) to (512, -256).
    ASSERT_TRUE(insertPoint(*mesh, 128, 128));
    EXPECT_EQ(mesh->triangleHighWater, 4);
    EXPECT_EQ(liveTrianglesAround(*mesh, 128, 128), 4);
    expectSound(*mesh);
    // A point on one of the new spokes, halfway from (128, 128) to the corner (512, 512).
    ASSERT_TRUE(insertPoint(*mesh, 320, 320));
    EXPECT_EQ(mesh->triangleHighWater, 6);
    EXPECT_EQ(liveTrianglesAround(*mesh, 320, 320), 4);
    expectSound(*mesh);
}

TEST(KernelInsert, TriangleSplitKeepsOuterFlagsAndClearsTheRegion) {
    auto mesh = squareMesh();
    // Triangle 0 is (-256,512), (512,-256), (-256,-256); (-100, -100) lies inside it.
    const uint8_t old = 0x2A;  // edge 1 flippable, edges 0 and 2 fixed
    mesh->triangles[0].edgeFlags = old;
    setRegionId(mesh->triangles[0], 5);
    mesh->regions[5] = NavRegion{1, 1};
    ASSERT_TRUE(insertPoint(*mesh, -100, -100));
    ASSERT_EQ(mesh->triangleHighWater, 4);
    EXPECT_EQ(mesh->triangles[0].edgeFlags, (old & 0x09) | 0x06);
    EXPECT_EQ(mesh->triangles[2].edgeFlags, (old & 0x12) | 0x05);
    EXPECT_EQ(mesh->triangles[3].edgeFlags, (old & 0x24) | 0x03);
    for (int t : {0, 2, 3}) {
        EXPECT_EQ(regionOf(mesh->triangles[t]), 0);
        EXPECT_EQ(mesh->triangles[t].type, kOutsideType);
        EXPECT_TRUE(hasVertex(*mesh, t, -100, -100));
    }
    EXPECT_EQ(mesh->regions[5].count, 0);
    EXPECT_EQ(mesh->regions[5].valid, 0);
    // The new vertex was allocated after the two triangles, in the next vertex slot.
    EXPECT_EQ(mesh->points[4].x, -100);
    EXPECT_EQ(mesh->points[4].y, -100);
    expectSound(*mesh);
}

TEST(KernelInsert, EdgeSplitMakesTheNewSpokesFlippable) {
    auto mesh = squareMesh();
    mesh->triangles[0].edgeFlags = 0;
    mesh->triangles[1].edgeFlags = 0;
    ASSERT_TRUE(insertPoint(*mesh, 128, 128));  // on the shared diagonal
    int flippableSpokes = 0, flippableRim = 0;
    for (int t = 0; t < mesh->triangleHighWater; ++t) {
        for (int i = 0; i < 3; ++i) {
            const NavPoint& a = vertexOf(*mesh, t, i);
            const NavPoint& b = vertexOf(*mesh, t, next(i));
            const bool spokeToSide = (a.x == 128 && a.y == 128 && (b.x == b.y)) || (b.x == 128 && b.y == 128 && a.x == a.y);
            if (!isFlippable(mesh->triangles[t], i)) continue;
            if (spokeToSide) ++flippableSpokes;
            else ++flippableRim;
        }
    }
    // The two halves of the old diagonal keep its (cleared) flags; the two new spokes
    // toward the far corners are flippable on both sides.
    EXPECT_EQ(flippableSpokes, 4);
    EXPECT_EQ(flippableRim, 0);
    expectSound(*mesh);
}

TEST(KernelInsert, FullTableRefusesWithoutTouchingTheMesh) {
    auto mesh = squareMesh();
    mesh->triangleHighWater = mesh->triangleLive = kMaxTriangles - 1;
    for (int t = 2; t < kMaxTriangles - 1; ++t) mesh->triangles[t].type = 0;  // pretend they are used
    EXPECT_FALSE(insertPoint(*mesh, 10, 10));
    EXPECT_TRUE(mesh->buildFailed);
    EXPECT_STREQ(mesh->buildFailure, "triangle table full");
    EXPECT_EQ(mesh->pointHighWater, 4);
    EXPECT_EQ(mesh->triangleHighWater, kMaxTriangles - 1);
}

TEST(KernelFlip, DegenerateQuadrilateralIsRefused) {
    auto mesh = squareMesh();
    // (128, 128) on the diagonal: the two triangles beside it form a quadrilateral with
    // a straight angle at it, so the edge to the opposite corner cannot flip.
    ASSERT_TRUE(insertPoint(*mesh, 128, 128));
    int refused = 0, total = 0;
    for (int t = 0; t < mesh->triangleHighWater; ++t) {
        for (int i = 0; i < 3; ++i) {
            const NavTriangle& tri = mesh->triangles[t];
            if (tri.neighbour[i] < 0) continue;
            const NavPoint& a = mesh->points[tri.vertex[i]];
            const NavPoint& b = mesh->points[tri.vertex[next(i)]];
            if (!((a.x == 128 && a.y == 128) || (b.x == 128 && b.y == 128))) continue;
            ++total;
            auto copy = std::make_unique<NavMesh>(*mesh);
            refused += flipEdge(*copy, t, i) == 0;
        }
    }
    EXPECT_EQ(total, 8);     // four edges seen from both sides
    EXPECT_EQ(refused, 8);   // every spoke ends at a straight angle
}

TEST(KernelFlip, ConvexQuadrilateralFlipsAndStaysSound) {
    auto mesh = squareMesh();
    // Shared edge of the two square triangles is (-256,512)-(512,-256); flip it.
    const uint8_t before0 = mesh->triangles[0].edgeFlags;
    EXPECT_EQ(flipEdge(*mesh, 0, 0), 1);
    expectSound(*mesh);
    EXPECT_EQ(mesh->triangles[0].edgeFlags, before0);
    // The new diagonal joins (-256,-256) and (512,512).
    bool found = false;
    for (int i = 0; i < 3; ++i) {
        const NavPoint& a = vertexOf(*mesh, 0, i);
        const NavPoint& b = vertexOf(*mesh, 0, next(i));
        found = found || (mesh->triangles[0].neighbour[i] == 1 &&
                          ((a.x == -256 && b.x == 512) || (a.x == 512 && b.x == -256)) && a.x == a.y && b.x == b.y);
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(mesh->triangles[0].neighbour[0], kNoNeighbour);
    EXPECT_EQ(flipEdge(*mesh, 0, 0), 0);  // a border edge has no neighbour
    EXPECT_EQ(flipEdge(*mesh, 0, 1), 1);  // flipping the new diagonal restores the old one
    expectSound(*mesh);
}

TEST(KernelFlip, FixedEdgeIsRefused) {
    auto mesh = squareMesh();
    mesh->triangles[1].edgeFlags |= 1u << (kFixedShift + 0);
    EXPECT_EQ(flipEdge(*mesh, 0, 0), 0);
}

TEST(KernelFlip, FlagsTravelWithTheirEdges) {
    auto mesh = squareMesh();
    ASSERT_TRUE(insertPoint(*mesh, 100, 100));
    ASSERT_TRUE(insertPoint(*mesh, 300, 50));
    // Tag every edge by its flippable bit: set bits only on edges whose lower vertex index
    // is even, then flip and check the tag still matches the edge.
    auto tag = [&](int t, int i) {
        const NavTriangle& tri = mesh->triangles[t];
        return ((tri.vertex[i] + tri.vertex[next(i)]) & 1) != 0;
    };
    for (int t = 0; t < mesh->triangleHighWater; ++t) {
        uint8_t flags = 0;
        for (int i = 0; i < 3; ++i) flags |= static_cast<uint8_t>(tag(t, i) << i);
        mesh->triangles[t].edgeFlags = flags;
    }
    int flips = 0;
    for (int t = 0; t < mesh->triangleHighWater; ++t) {
        for (int i = 0; i < 3; ++i) {
            if (flipEdge(*mesh, t, i) == 0) continue;
            ++flips;
            for (int u = 0; u < mesh->triangleHighWater; ++u) {
                for (int j = 0; j < 3; ++j) {
                    const bool bit = isFlippable(mesh->triangles[u], j);
                    const bool isNewShared = (u == t && j == next(i));
                    if (!isNewShared && !(u == mesh->triangles[t].neighbour[next(i)] &&
                                          mesh->triangles[u].neighbour[j] == t)) {
                        ASSERT_EQ(bit, tag(u, j)) << "triangle " << u << " edge " << j;
                    }
                }
            }
            // Re-tag the new shared edge on both sides for the next round.
            const int other = mesh->triangles[t].neighbour[next(i)];
            const int back = neighbourSlot(*mesh, other, t);
            mesh->triangles[t].edgeFlags = static_cast<uint8_t>((mesh->triangles[t].edgeFlags & ~(1u << next(i))) |
                                                                (tag(t, next(i)) << next(i)));
            mesh->triangles[other].edgeFlags =
                static_cast<uint8_t>((mesh->triangles[other].edgeFlags & ~(1u << back)) | (tag(other, back) << back));
            expectSound(*mesh);
        }
    }
    EXPECT_GT(flips, 0);
}

TEST(KernelSegment, ExistingSegmentChangesNothing) {
    auto mesh = mapMesh();
    auto copy = std::make_unique<NavMesh>(*mesh);
    EXPECT_TRUE(insertSegment(*mesh, 0, 0, 0, 256));
    EXPECT_TRUE(insertSegment(*mesh, 256, 256, 256, 0));
    EXPECT_TRUE(insertSegment(*mesh, 7, 7, 7, 7));
    EXPECT_EQ(std::memcmp(mesh->triangles, copy->triangles, sizeof mesh->triangles), 0);
    EXPECT_EQ(mesh->pointHighWater, copy->pointHighWater);
}

TEST(KernelSegment, CollinearVertexSplitsTheSegment) {
    auto mesh = mapMesh();
    ASSERT_TRUE(insertPoint(*mesh, 10, 50));
    ASSERT_TRUE(insertPoint(*mesh, 200, 50));
    ASSERT_TRUE(insertPoint(*mesh, 90, 50));
    ASSERT_TRUE(insertPoint(*mesh, 40, 120));  // off the line, to give it crossings
    ASSERT_TRUE(insertPoint(*mesh, 150, 10));
    ASSERT_TRUE(insertSegment(*mesh, 10, 50, 200, 50));
    expectSound(*mesh);
    int t = 0, slot = 0;
    ASSERT_TRUE(findEdgeToward(*mesh, 10, 50, 200, 50, t, slot));
    const NavPoint& end = vertexOf(*mesh, t, next(slot));
    EXPECT_EQ(end.x, 90);
    EXPECT_EQ(end.y, 50);
    ASSERT_TRUE(findEdgeToward(*mesh, 90, 50, 200, 50, t, slot));
    EXPECT_EQ(vertexOf(*mesh, t, next(slot)).x, 200);
    ASSERT_TRUE(findEdgeToward(*mesh, 200, 50, 10, 50, t, slot));
    EXPECT_EQ(vertexOf(*mesh, t, next(slot)).x, 90);
    EXPECT_FALSE(findEdgeToward(*mesh, 10, 50, 40, 121, t, slot));
}

TEST(KernelSegment, RandomSegmentsBecomeEdges) {
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> coord(1, 255);
    for (int round = 0; round < 20; ++round) {
        auto mesh = mapMesh();
        for (int i = 0; i < 30; ++i) ASSERT_TRUE(insertPoint(*mesh, coord(rng), coord(rng)));
        const int ax = coord(rng), ay = coord(rng), bx = coord(rng), by = coord(rng);
        ASSERT_TRUE(insertPoint(*mesh, ax, ay));
        ASSERT_TRUE(insertPoint(*mesh, bx, by));
        ASSERT_TRUE(insertSegment(*mesh, ax, ay, bx, by));
        expectSound(*mesh);
        if (ax == bx && ay == by) continue;
        // Walk the chain from A; every link points toward B and the walk ends at B.
        int x = ax, y = ay;
        for (int links = 0; links < 300 && !(x == bx && y == by); ++links) {
            int t = 0, slot = 0;
            ASSERT_TRUE(findEdgeToward(*mesh, x, y, bx, by, t, slot)) << round;
            const NavPoint& n = vertexOf(*mesh, t, next(slot));
            x = n.x;
            y = n.y;
        }
        EXPECT_EQ(x, bx);
        EXPECT_EQ(y, by);
    }
}

TEST(KernelLocate, AgreesWithAScanOfTheTable) {
    auto mesh = mapMesh();
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> coord(0, 256);
    for (int i = 0; i < 200; ++i) ASSERT_TRUE(insertPoint(*mesh, coord(rng), coord(rng)));
    std::uniform_int_distribution<int32_t> world(-256 * 256, 512 * 256);
    for (int i = 0; i < 5000; ++i) {
        const int32_t px = world(rng), py = world(rng);
        const int t = locateTriangle(*mesh, px, py);
        ASSERT_GE(t, 0);
        ASSERT_TRUE(containsPoint(*mesh, t, px, py)) << px << " " << py;
    }
    // Far outside the bounding square: a border triangle of the outside.
    const int far = locateTriangle(*mesh, INT32_MIN, INT32_MAX);
    ASSERT_GE(far, 0);
    EXPECT_EQ(mesh->triangles[far].type, kOutsideType);
}

TEST(KernelLocate, HintIsRepairedWhenItsSlotIsUnused) {
    auto mesh = mapMesh();
    mesh->hintGrid[5] = kMaxTriangles - 1;  // an unused slot
    const int t = locateTriangle(*mesh, 100 * 256, 100 * 256);
    EXPECT_TRUE(containsPoint(*mesh, t, 100 * 256, 100 * 256));
    EXPECT_EQ(mesh->hintGrid[5], t);
}

TEST(KernelLocate, WhenTheWalkIsCutTheFirstTriangleHoldingThePointInTheTableWins) {
    // Two squares of 4 cells; the walk from the hint (upper-right half of square 0) toward
    // (6, 2) is cut at its first step, so the table is scanned. (6, 2) lies on square 1's
    // diagonal: both halves hold it, and the upper-right one (slot 2) comes first.
    navtest::GridMesh squares(2, 1, 4);
    squares.build([](int, int) { return uint8_t{0}; });
    testMesh.triangles[squares.triangle(0, 0, 0)].neighbour[1] = kNoNeighbour;
    EXPECT_EQ(locateTriangle(testMesh, 6 * 256, 2 * 256), squares.triangle(1, 0, 0));
}

TEST(KernelLocate, QueryPointsOnEdgesFaceCell257) {
    auto mesh = mapMesh();
    ASSERT_TRUE(insertPoint(*mesh, 100, 100));
    const int64_t towardX = kTieBreakX, towardY = kTieBreakY;
    std::mt19937 rng(11);
    for (int t = 0; t < mesh->triangleHighWater; ++t) {
        for (int i = 0; i < 3; ++i) {
            const NavPoint& a = vertexOf(*mesh, t, i);
            const NavPoint& b = vertexOf(*mesh, t, next(i));
            if (std::abs(a.x - b.x) % 2 || std::abs(a.y - b.y) % 2) continue;
            // The edge's midpoint, in world units.
            const int32_t px = (a.x + b.x) * 128, py = (a.y + b.y) * 128;
            const int got = locateForQuery(*mesh, px, py);
            ASSERT_GE(got, 0);
            ASSERT_TRUE(containsPoint(*mesh, got, px, py));
            // (257, 257) must not lie strictly beyond the chosen triangle's edge through P,
            // unless it is on that edge's line.
            for (int j = 0; j < 3; ++j) {
                const NavPoint& c = vertexOf(*mesh, got, j);
                const NavPoint& d = vertexOf(*mesh, got, next(j));
                if (crossSign(c.x * 256 - px, c.y * 256 - py, d.x * 256 - px, d.y * 256 - py) != 0) continue;
                EXPECT_LE(crossSign(d.x * 256 - c.x * 256, d.y * 256 - c.y * 256, towardX - c.x * 256,
                                     towardY - c.y * 256),
                          0)
                    << "edge midpoint " << px << "," << py;
            }
        }
    }
}

TEST(KernelLocate, QueryPointOnAVertexTakesTheFanTriangleFacing257) {
    auto mesh = mapMesh();
    ASSERT_TRUE(insertPoint(*mesh, 100, 100));
    const int t = locateForQuery(*mesh, 100 * 256, 100 * 256);
    ASSERT_GE(t, 0);
    // The ray from the vertex toward (257, 257) starts inside (or along a side of) t.
    EXPECT_TRUE(containsPoint(*mesh, t, 100 * 256 + 157, 100 * 256 + 157));
    const int corner = locateForQuery(*mesh, 0, 0);  // map corner
    EXPECT_TRUE(containsPoint(*mesh, corner, 1, 1));
    EXPECT_EQ(mesh->triangles[corner].type, 0);
}

TEST(KernelFind, VertexAndEdgeLookups) {
    auto mesh = mapMesh();
    int t = 0, slot = 0;
    EXPECT_TRUE(findVertex(*mesh, 0, 256, t, slot));
    EXPECT_EQ(vertexOf(*mesh, t, slot).x, 0);
    EXPECT_EQ(vertexOf(*mesh, t, slot).y, 256);
    EXPECT_FALSE(findVertex(*mesh, 3, 4, t, slot));
    ASSERT_TRUE(findEdgeToward(*mesh, 0, 0, 0, 100, t, slot));  // along the left side
    EXPECT_EQ(vertexOf(*mesh, t, next(slot)).x, 0);
    EXPECT_EQ(vertexOf(*mesh, t, next(slot)).y, 256);
    EXPECT_EQ(mesh->triangles[t].type, 0);  // the triangle on its inner side
    EXPECT_FALSE(findEdgeToward(*mesh, 0, 0, 5, 7, t, slot));
}

TEST(KernelArea, TwiceAreaIsTheAbsoluteCross) {
    auto mesh = squareMesh();
    EXPECT_EQ(twiceArea(*mesh, 0), 768 * 768);
    EXPECT_EQ(twiceArea(*mesh, 1), 768 * 768);
}

}  // namespace
}  // namespace nav
