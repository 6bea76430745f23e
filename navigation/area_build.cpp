// The map-to-mesh build: rectangle cover, rectangle insertion with types, the local
// improvement pass and the border ring.
#include "navigation/area_build.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "navigation/nav_log.h"
#include "navigation/triangulation.h"

namespace nav {

int coverRectangles(int32_t* skyline, const uint8_t* cells, int x0, int y0, int x1, int y1, CoverVisitor visit,
                     void* context) {
    for (int x = x0; x < x1; ++x) skyline[x] = y0;
    int count = 0;
    for (;;) {
        // Lowest skyline run; the leftmost of equally low runs wins.
        int bestStart = x0, bestEnd = x0, bestValue = y1 + 1;
        for (int x = x0; x < x1;) {
            int end = x + 1;
            while (end < x1 && skyline[end] == skyline[x]) ++end;
            if (skyline[x] < bestValue) {
                bestValue = skyline[x];
                bestStart = x;
                bestEnd = end;
            }
            x = end;
        }
        if (bestValue >= y1) return count;
        const int x = bestStart, y = bestValue;
        const uint8_t* row = cells + y * kMapCells;
        const uint8_t v = row[x];
        int w = 1;
        while (x + w < bestEnd && row[x + w] == v) ++w;
        int h = 1;
        while (y + h < y1 && std::memcmp(cells + (y + h) * kMapCells + x, row + x, static_cast<size_t>(w)) == 0) ++h;
        for (int c = x; c < x + w; ++c) skyline[c] = y + h;
        ++count;
        if (visit != nullptr && !visit(CoverRect{x, y, x + w, y + h, v}, context)) return count;
    }
}

bool insertRectangle(NavMesh& mesh, int x0, int y0, int x1, int y1, uint8_t value) {
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    if (!insertPoint(mesh, x0, y0) || !insertPoint(mesh, x0, y1) || !insertPoint(mesh, x1, y1) ||
        !insertPoint(mesh, x1, y0)) {
        return false;
    }
    if (!insertSegment(mesh, x0, y0, x0, y1) || !insertSegment(mesh, x0, y1, x1, y1) ||
        !insertSegment(mesh, x1, y1, x1, y0) || !insertSegment(mesh, x1, y0, x0, y0)) {
        return false;
    }
    const int64_t target = 2 * static_cast<int64_t>(x1 - x0) * (y1 - y0);
    // The triangles at the corners, inside the rectangle by the winding; often they are
    // all there is.
    const int corners[4][4] = {{x0, y0, x0, y1}, {x1, y1, x1, y0}, {x1, y0, x0, y0}, {x0, y1, x1, y1}};
    int seen[4];
    int seenCount = 0;
    int64_t sum = 0;
    for (const auto& c : corners) {
        int t = 0, slot = 0;
        if (!findEdgeToward(mesh, c[0], c[1], c[2], c[3], t, slot)) continue;
        bool again = false;
        for (int i = 0; i < seenCount; ++i) again = again || seen[i] == t;
        if (again) continue;
        seen[seenCount++] = t;
        mesh.triangles[t].type = value;
        sum += twiceArea(mesh, t);
        if (sum == target) return true;
    }
    sum = 0;
    for (int t = mesh.triangleHighWater - 1; t >= 0; --t) {
        NavTriangle& tri = mesh.triangles[t];
        if (!isLive(tri)) continue;
        bool inside = true;
        for (int s = 0; s < 3 && inside; ++s) {
            const NavPoint& p = mesh.points[tri.vertex[s]];
            inside = p.x >= x0 && p.x <= x1 && p.y >= y0 && p.y <= y1;
        }
        if (!inside) continue;
        tri.type = value;
        sum += twiceArea(mesh, t);
        if (sum == target) break;
    }
    return true;
}

namespace {

// Pushes t when it is live, not outside and not yet marked; false when the stack is full.
bool pushImprove(NavMesh& mesh, int t) {
    if (t < 0) return true;
    const NavTriangle& tri = mesh.triangles[t];
    if (!isLive(tri) || isOutsideType(tri.type) || isMarked(mesh, t)) return true;
    BuildScratch& b = mesh.build;
    if (b.improveStackSize >= kImproveStackCapacity) {
        failBuild(mesh, "improvement stack full");
        return false;
    }
    mark(mesh, t);
    b.improveStack[b.improveStackSize++] = t;
    if (b.improveStackSize > mesh.stats.improveStackMax) mesh.stats.improveStackMax = b.improveStackSize;
    return true;
}

bool pushWithNeighbours(NavMesh& mesh, int t) {
    if (!pushImprove(mesh, t)) return false;
    for (int i = 0; i < 3; ++i) {
        if (!pushImprove(mesh, mesh.triangles[t].neighbour[i])) return false;
    }
    return true;
}

// Pushes every triangle of the fan around vertex slot k of t.
bool pushFan(NavMesh& mesh, int t, int k) {
    const int first = t;
    const int firstSlot = k;
    // Counter-clockwise on screen: across the edge that starts at the vertex.
    for (int guard = 0; guard <= kMaxTriangles; ++guard) {
        if (!pushImprove(mesh, t)) return false;
        const int n = mesh.triangles[t].neighbour[k];
        if (n < 0) break;
        const int back = neighbourSlot(mesh, n, t);
        if (back < 0) break;
        k = next(back);
        t = n;
        if (t == first) return true;
    }
    // The fan is open (a vertex on the border): the rest lies the other way round.
    t = first;
    k = firstSlot;
    for (int guard = 0; guard <= kMaxTriangles; ++guard) {
        const int n = mesh.triangles[t].neighbour[prev(k)];
        if (n < 0) return true;
        const int back = neighbourSlot(mesh, n, t);
        if (back < 0) return true;
        k = back;
        t = n;
        if (!pushImprove(mesh, t)) return false;
    }
    return true;
}

bool flipImproves(const NavMesh& mesh, int f, int i) {
    const NavTriangle& a = mesh.triangles[f];
    const int n = a.neighbour[i];
    if (n < 0) return false;
    const NavTriangle& b = mesh.triangles[n];
    if (b.type != a.type) return false;
    const int k = neighbourSlot(mesh, n, f);
    if (k < 0 || !isFlippable(a, i) || !isFlippable(b, k)) return false;
    const NavPoint& x = mesh.points[a.vertex[i]];
    const NavPoint& y = mesh.points[a.vertex[next(i)]];
    const NavPoint& p = mesh.points[a.vertex[prev(i)]];
    const NavPoint& g = mesh.points[b.vertex[prev(k)]];
    const int64_t gx = g.x - p.x, gy = g.y - p.y;
    if (crossSign(gx, gy, x.x - p.x, x.y - p.y) <= 0) return false;
    if (crossSign(gx, gy, y.x - p.x, y.y - p.y) >= 0) return false;
    const int64_t shared = static_cast<int64_t>(y.x - x.x) * (y.x - x.x) + static_cast<int64_t>(y.y - x.y) * (y.y - x.y);
    const int64_t diagonal = gx * gx + gy * gy;
    return diagonal < shared;
}

}  // namespace

int improveAround(NavMesh& mesh, int x0, int y0, int x1, int y1) {
    newGeneration(mesh);
    mesh.build.improveStackSize = 0;
    const int seeds[4][2] = {{x0, y0}, {x0, y1}, {x1, y0}, {x1, y1}};
    for (const auto& s : seeds) {
        const int t = locateTriangle(mesh, s[0] * 256, s[1] * 256);
        if (t < 0) continue;
        if (!pushWithNeighbours(mesh, t)) return 0;
        for (int k = 0; k < 3; ++k) {
            const NavPoint& v = vertexOf(mesh, t, k);
            if (v.x == s[0] && v.y == s[1]) {
                if (!pushFan(mesh, t, k)) return 0;
                break;
            }
        }
    }
    int flips = 0;
    BuildScratch& b = mesh.build;
    while (b.improveStackSize > 0) {
        const int f = b.improveStack[--b.improveStackSize];
        for (int i = 0; i < 3; ++i) {
            if (!flipImproves(mesh, f, i)) continue;
            if (flipEdge(mesh, f, i) == 0) continue;
            ++flips;
            if (b.improveStackSize >= kImproveStackStop) return flips;
            for (int j = 0; j < 3; ++j) {
                if (!pushImprove(mesh, mesh.triangles[f].neighbour[j])) return flips;
            }
        }
    }
    return flips;
}

bool rebuildBoundaryRing(NavMesh& mesh) {
    auto borderSlot = [&](int t) {
        if (t < 0 || t >= mesh.triangleHighWater || !isLive(mesh.triangles[t])) return -1;
        for (int i = 0; i < 3; ++i) {
            if (mesh.triangles[t].neighbour[i] < 0) return i;
        }
        return -1;
    };
    int startT = -1, startK = -1;
    for (int i = 0; i < mesh.boundaryRingLength && startT < 0; ++i) {
        const int k = borderSlot(mesh.boundaryRing[i]);
        if (k >= 0) {
            startT = mesh.boundaryRing[i];
            startK = k;
        }
    }
    for (int t = 0; t < mesh.triangleHighWater && startT < 0; ++t) {
        const int k = borderSlot(t);
        if (k >= 0) {
            startT = t;
            startK = k;
        }
    }
    mesh.boundaryRingLength = 0;
    if (startT < 0) return false;
    int t = startT, k = startK;
    for (;;) {
        k = next(k);
        if (mesh.boundaryRingLength >= kBoundaryRingCapacity) {
            failBuild(mesh, "boundary ring full");
            return false;
        }
        mesh.boundaryRing[mesh.boundaryRingLength++] = t;
        for (int guard = 0; mesh.triangles[t].neighbour[k] >= 0; ++guard) {
            if (guard > kMaxTriangles) {
                failBuild(mesh, "boundary ring walk did not close");
                return false;
            }
            const int n = mesh.triangles[t].neighbour[k];
            const int back = neighbourSlot(mesh, n, t);
            if (back < 0) {
                failBuild(mesh, "boundary ring met broken neighbours");
                return false;
            }
            t = n;
            k = next(back);
        }
        if (t == startT && k == startK) return true;
    }
}

namespace {

struct BuildContext {
    NavMesh* mesh;
    int index;  // rectangles visited so far
};

bool insertCoverRect(const CoverRect& r, void* context) {
    BuildContext& c = *static_cast<BuildContext*>(context);
    NavMesh& mesh = *c.mesh;
    ++c.index;
    if (r.value == 0) return true;  // the whole map already has type 0
    if (!insertRectangle(mesh, r.x0, r.y0, r.x1, r.y1, r.value)) return false;
    ++mesh.stats.rectanglesInserted;
    mesh.stats.flips += improveAround(mesh, r.x0, r.y0, r.x1, r.y1);
    return !mesh.buildFailed;
}

}  // namespace

bool buildArea(NavMesh& mesh, const uint8_t* cells, int x0, int y0, int x1, int y1) {
    uint32_t start = 0;
    NavLog* const log = activeLog(mesh);
    if (log != nullptr) {
        log->writef("\nF=%d Area %03d,%03d %03d,%03d T=%04d", log->frame(), x0, y0, x1, y1, mesh.triangleLive);
        start = timeStamp();
    }
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    if (x0 == -1 || y0 == -1 || x0 == x1 || y0 == y1) return true;
    if (!(x0 < 1 || y0 < 1 || x1 > 254 || y1 > 254)) {
        // An inner rectangle would need an incremental update of the mesh, which nothing
        // in this system asks for.
        std::fprintf(stderr, "navigation build: only the whole map can be built; area %d,%d %d,%d ignored\n", x0, y0,
                     x1, y1);
        return false;
    }
    if (cells == nullptr) {
        std::fprintf(stderr, "navigation build failed: no map cells given\n");
        navReset(mesh);
        failBuild(mesh, "no map cells");
        return false;
    }
    // A triangle keeps its cell's whole byte as its type, and 255 marks an unused slot:
    // triangles over such cells would look unused to every query and check. Refused, like
    // a missing map, before anything is built.
    for (int i = 0; i < kMapCells * kMapCells; ++i) {
        if (cells[i] != kUnusedType) continue;
        std::fprintf(stderr,
                     "navigation build failed: cell %d,%d has the value 255, which marks unused triangles; "
                     "every path query answers no path\n",
                     i % kMapCells, i / kMapCells);
        navReset(mesh);
        failBuild(mesh, "cell value 255");
        return false;
    }
    if (!mesh.everReset) {
        mesh.everReset = true;
        navReset(mesh);
    }
    navReset(mesh);
    BuildContext context{&mesh, 0};
    const int total = coverRectangles(mesh.build.skyline, cells, 0, 0, kMapCells, kMapCells, nullptr, nullptr);
    mesh.stats.rectangles = total;
    bool ok = insertRectangle(mesh, 0, 0, kMapCells, kMapCells, 0);
    if (ok) {
        coverRectangles(mesh.build.skyline, cells, 0, 0, kMapCells, kMapCells, insertCoverRect, &context);
        ok = !mesh.buildFailed;
    }
    if (ok) {
        mesh.stats.flips += improveAround(mesh, 0, 0, kMapCells, kMapCells);
        ok = !mesh.buildFailed && rebuildBoundaryRing(mesh);
    }
    if (!ok) {
        // What was built is still a sound triangulation; walk its border so the ring
        // describes it, whatever the cause.
        if (mesh.buildFailed) rebuildBoundaryRing(mesh);
        failBuild(mesh, "no border found");  // keeps an earlier, more precise cause
        std::fprintf(stderr,
                     "navigation build failed: %s at rectangle %d of the map's %d rectangles "
                     "(%d of %d vertices, %d of %d triangles used); every path query answers no path\n",
                     mesh.buildFailure, context.index, total, mesh.pointHighWater, kMaxVertices,
                     mesh.triangleHighWater, kMaxTriangles);
    }
    if (log != nullptr) log->writef(" c=%d %s", static_cast<int>(ticksSince(start)), "");
    return ok;
}

bool buildNavigation(NavMesh& mesh, const uint8_t* cells) {
    return buildArea(mesh, cells, 0, 0, kMapCells, kMapCells);
}

}  // namespace nav
