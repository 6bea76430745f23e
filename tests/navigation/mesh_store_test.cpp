// The navigation store: reset, marks, clearance classes, pass tables, link rule and the
// shared arithmetic, against direct references.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>

#include "navigation/mesh_checker.h"
#include "navigation/nav_mesh.h"
#include "navigation/triangulation.h"

namespace nav {
namespace {

// The store is large: tests make it on the heap.
std::unique_ptr<NavMesh> freshMesh() {
    auto mesh = std::make_unique<NavMesh>();
    navReset(*mesh);
    return mesh;
}

TEST(MeshStore, StartsZeroedWithItsDefaults) {
    auto mesh = std::make_unique<NavMesh>();
    EXPECT_EQ(mesh->markGeneration, 255);
    EXPECT_EQ(mesh->clearanceLevel, 1);
    EXPECT_EQ(mesh->triangleHighWater, 0);
    EXPECT_EQ(mesh->pointHighWater, 0);
    EXPECT_FALSE(mesh->buildFailed);
    EXPECT_EQ(mesh->linkRule, &stepLinkRule);
    EXPECT_EQ(mesh->log, nullptr);
}

TEST(MeshStore, ResetGivesTheBoundingSquare) {
    auto mesh = freshMesh();
    EXPECT_EQ(mesh->triangleHighWater, 2);
    EXPECT_EQ(mesh->triangleLive, 2);
    EXPECT_EQ(mesh->pointHighWater, 4);
    EXPECT_EQ(mesh->pointLive, 4);
    const NavPoint expected[4] = {{-256, -256}, {512, -256}, {512, 512}, {-256, 512}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(mesh->points[i].x, expected[i].x);
        EXPECT_EQ(mesh->points[i].y, expected[i].y);
    }
    EXPECT_EQ(mesh->points[4].y, kUnusedVertexY);
    EXPECT_EQ(mesh->triangles[2].type, kUnusedType);
    const NavTriangle& a = mesh->triangles[0];
    const NavTriangle& b = mesh->triangles[1];
    EXPECT_EQ(a.vertex[0], 3);
    EXPECT_EQ(a.vertex[1], 1);
    EXPECT_EQ(a.vertex[2], 0);
    EXPECT_EQ(b.vertex[0], 1);
    EXPECT_EQ(b.vertex[1], 3);
    EXPECT_EQ(b.vertex[2], 2);
    for (const NavTriangle* t : {&a, &b}) {
        EXPECT_EQ(t->type, kOutsideType);
        EXPECT_EQ(t->edgeFlags, 7);
        EXPECT_EQ(regionOf(*t), 0);
        EXPECT_EQ(t->neighbour[1], kNoNeighbour);
        EXPECT_EQ(t->neighbour[2], kNoNeighbour);
    }
    EXPECT_EQ(a.neighbour[0], 1);
    EXPECT_EQ(b.neighbour[0], 0);
    EXPECT_EQ(twiceArea(*mesh, 0), 768 * 768);
    for (int h : mesh->hintGrid) EXPECT_EQ(h, 0);
    const MeshCheckResult check = checkMeshStructure(*mesh);
    EXPECT_TRUE(check.ok()) << check.firstError;
}

TEST(MeshStore, GenerationAfter255ClearsMarksAndGivesOne) {
    auto mesh = freshMesh();
    EXPECT_EQ(newGeneration(*mesh), 1);  // from the initial 255
    mark(*mesh, 7);
    EXPECT_TRUE(isMarked(*mesh, 7));
    EXPECT_EQ(newGeneration(*mesh), 2);
    EXPECT_FALSE(isMarked(*mesh, 7));
    mark(*mesh, 9);  // marked with 2
    mesh->markGeneration = 254;
    mesh->marks[11] = 255;  // a stale mark that would match generation 255
    EXPECT_EQ(newGeneration(*mesh), 255);
    EXPECT_TRUE(isMarked(*mesh, 11));
    EXPECT_EQ(newGeneration(*mesh), 1);
    for (int t = 0; t < kMaxTriangles; ++t) ASSERT_EQ(mesh->marks[t], 0) << t;
}

TEST(MeshStore, ClearanceClassTableIsAsymmetric) {
    EXPECT_EQ(clearanceClassOf(2, 1), 1);
    EXPECT_EQ(clearanceClassOf(3, 3), 3);
    EXPECT_EQ(clearanceClassOf(40, -90), 3);
    EXPECT_EQ(clearanceClassOf(0, 1), 3);
    EXPECT_EQ(clearanceClassOf(1, 0), 1);
    EXPECT_EQ(clearanceClassOf(3, 0), 2);
    EXPECT_EQ(clearanceClassOf(-3, 0), 2);
    EXPECT_EQ(clearanceClassOf(0, 0), 0);
    EXPECT_EQ(clearanceClassOf(0, -2), 3);
    EXPECT_EQ(clearanceClassOf(1, 2), 2);
}

TEST(MeshStore, ClassBitsFollowTheVertices) {
    auto mesh = freshMesh();
    // Triangle 0's edges: a diagonal (class 3), a horizontal side (3 by 0: class 2) and a
    // vertical side (0 by 3: class 3).
    EXPECT_EQ(mesh->triangles[0].regionWord & kClassBitsMask, 3 | (2 << 2) | (3 << 4));
    mesh->points[0] = {0, 0};
    mesh->points[1] = {2, 0};
    mesh->points[3] = {0, 1};
    NavTriangle& t = mesh->triangles[0];  // (P3, P1, P0)
    updateClearanceClasses(*mesh, 0);
    EXPECT_EQ(edgeClass(t, 0), clearanceClassOf(2, -1));
    EXPECT_EQ(edgeClass(t, 1), clearanceClassOf(-2, 0));
    EXPECT_EQ(edgeClass(t, 2), clearanceClassOf(0, 1));
}

TEST(MeshStore, PassTablesGateEdgesByClass) {
    auto mesh = freshMesh();
    const uint8_t* none = passTableRow(*mesh, 0);
    const uint8_t* all = passTableRow(*mesh, 1);
    const uint8_t* wide = passTableRow(*mesh, 2);
    const uint8_t* widest = passTableRow(*mesh, 3);
    EXPECT_TRUE(mesh->passTablesBuilt);
    NavTriangle& t = mesh->triangles[0];
    for (int bits = 0; bits < 64; ++bits) {
        t.regionWord = static_cast<uint16_t>(bits);
        for (int edge = 0; edge < 3; ++edge) {
            const int cls = (bits >> (2 * edge)) & 3;
            EXPECT_FALSE(edgePasses(*mesh, none, 0, edge));
            EXPECT_TRUE(edgePasses(*mesh, all, 0, edge));
            EXPECT_EQ(edgePasses(*mesh, wide, 0, edge), cls >= 2) << bits << " " << edge;
            EXPECT_EQ(edgePasses(*mesh, widest, 0, edge), cls == 3) << bits << " " << edge;
        }
    }
}

TEST(MeshStore, StepLinkRule) {
    EXPECT_EQ(stepLinkRule(0, 0), 1);
    EXPECT_EQ(stepLinkRule(0, 1), 1);
    EXPECT_EQ(stepLinkRule(0, 2), 0);   // climbs by 2
    EXPECT_EQ(stepLinkRule(1, 2), 2);   // bit 1 set: expensive
    EXPECT_EQ(stepLinkRule(5, 3), 2);
    EXPECT_EQ(stepLinkRule(5, 0), 1);
    EXPECT_EQ(stepLinkRule(0x10, 0x21), 1);  // only the low four bits count
    EXPECT_EQ(stepLinkRule(14, 15), 2);
}

TEST(MeshStore, NeighbourSlotAndRegionClearing) {
    auto mesh = freshMesh();
    EXPECT_EQ(neighbourSlot(*mesh, 1, 0), 0);
    EXPECT_EQ(neighbourSlot(*mesh, 0, 1), 0);
    EXPECT_EQ(neighbourSlot(*mesh, 0, 5), -1);
    setRegionId(mesh->triangles[1], 7);
    mesh->regions[7] = NavRegion{1, 1};
    const uint16_t classes = mesh->triangles[1].regionWord & kClassBitsMask;
    clearRegion(*mesh, 1);
    EXPECT_EQ(regionOf(mesh->triangles[1]), 0);
    EXPECT_EQ(mesh->triangles[1].regionWord & kClassBitsMask, classes);
    EXPECT_EQ(mesh->regions[7].count, 0);
    EXPECT_EQ(mesh->regions[7].valid, 0);
    EXPECT_EQ(mesh->regions[0].count, 1);
    clearRegion(*mesh, 1);  // no region: nothing changes
    EXPECT_EQ(mesh->regions[0].count, 1);
}

TEST(MeshStore, AllocationStopsAtTheTableEnd) {
    auto mesh = freshMesh();
    mesh->pointHighWater = mesh->pointLive = kMaxVertices - 1;
    EXPECT_EQ(allocatePoint(*mesh), kMaxVertices - 1);
    EXPECT_EQ(mesh->points[kMaxVertices - 1].y, 0);
    EXPECT_EQ(allocatePoint(*mesh), -1);
    EXPECT_EQ(mesh->pointHighWater, kMaxVertices);
    mesh->triangleHighWater = mesh->triangleLive = kMaxTriangles - 1;
    EXPECT_EQ(allocateTriangle(*mesh), kMaxTriangles - 1);
    EXPECT_EQ(mesh->triangles[kMaxTriangles - 1].type, 0);
    EXPECT_EQ(allocateTriangle(*mesh), -1);
    EXPECT_EQ(mesh->triangleLive, kMaxTriangles);
}

TEST(MeshArithmetic, CrossSignIsExactForExtremeInputs) {
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
    for (int i = 0; i < 20000; ++i) {
        const int64_t ax = any(rng), ay = any(rng), bx = any(rng), by = any(rng);
        const long double ref = static_cast<long double>(ax) * by - static_cast<long double>(ay) * bx;
        const int expected = (ref > 0) - (ref < 0);
        ASSERT_EQ(crossSign(ax, ay, bx, by), expected) << ax << " " << ay << " " << bx << " " << by;
    }
    EXPECT_EQ(crossSign(INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN), 0);
    EXPECT_EQ(crossSign(INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN), 1);
    EXPECT_EQ(crossSign(3, 5, 6, 10), 0);
    EXPECT_EQ(crossSign(1, 0, 0, 1), 1);
    EXPECT_EQ(crossSign(0, 1, 1, 0), -1);
}

TEST(MeshArithmetic, FractionOperationsMatchDoubles) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<int32_t> small(-(1 << 20), 1 << 20);
    for (int i = 0; i < 20000; ++i) {
        const int32_t a = small(rng), b = small(rng);
        const double product = std::floor(static_cast<double>(a) * b / 16384.0);
        ASSERT_EQ(fractionMultiply(a, b), static_cast<int32_t>(product)) << a << " " << b;
        if (b == 0) continue;
        // Dividend made non-negative, then C++ truncation toward zero.
        const double q = static_cast<double>(a) * 16384.0 / b;
        ASSERT_EQ(fractionDivide(a, b), static_cast<int32_t>(std::trunc(q))) << a << " " << b;
    }
    EXPECT_EQ(fractionDivide(5, 0), 0);
    EXPECT_EQ(fractionDivide(-1, 3), -5461);
    EXPECT_EQ(fractionDivide(1, -3), -5461);
}

TEST(MeshArithmetic, ApproximateDistanceAndSquareRoot) {
    EXPECT_EQ(approxDistance(3, -4), 5);   // 4 + 3/2
    EXPECT_EQ(approxDistance(-10, 0), 10);
    EXPECT_EQ(approxDistance(7, 7), 10);   // 7 + 3
    EXPECT_EQ(approxDistance(INT32_MIN, 0), INT32_MIN);  // low 32 bits of 2^31
    std::mt19937 rng(7);
    std::uniform_int_distribution<int32_t> d(-100000, 100000);
    for (int i = 0; i < 10000; ++i) {
        const int32_t x = d(rng), y = d(rng);
        const double len = std::hypot(x, y);
        const int32_t a = approxDistance(x, y);
        ASSERT_GE(a, static_cast<int32_t>(len) - 1);
        ASSERT_LE(a, len * 1.125 + 1);
    }
    std::uniform_int_distribution<uint32_t> u(0, UINT32_MAX);
    for (int i = 0; i < 20000; ++i) {
        const uint32_t x = u(rng);
        const uint64_t r = navIsqrt(x);
        ASSERT_LE(r * r, x);
        ASSERT_GT((r + 1) * (r + 1), x);
    }
    EXPECT_EQ(navIsqrt(0), 0u);
    EXPECT_EQ(navIsqrt(UINT32_MAX), 65535u);
}

}  // namespace
}  // namespace nav
