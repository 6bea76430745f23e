// Invariant checks of a navigation mesh. Not used by queries; allocation is fine here.
#include "navigation/mesh_checker.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "navigation/area_build.h"

namespace nav {
namespace {

void report(MeshCheckResult& r, const char* format, ...) __attribute__((format(printf, 2, 3)));
void report(MeshCheckResult& r, const char* format, ...) {
    if (r.errors++ == 0) {
        char text[256];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        r.firstError = text;
    }
}

int64_t signedTwiceArea(const NavMesh& mesh, int t) {
    const NavPoint& a = vertexOf(mesh, t, 0);
    const NavPoint& b = vertexOf(mesh, t, 1);
    const NavPoint& c = vertexOf(mesh, t, 2);
    return static_cast<int64_t>(b.x - a.x) * (c.y - a.y) - static_cast<int64_t>(b.y - a.y) * (c.x - a.x);
}

void checkStructure(const NavMesh& mesh, MeshCheckResult& r) {
    if (mesh.pointHighWater < 0 || mesh.pointHighWater > kMaxVertices || mesh.pointLive != mesh.pointHighWater) {
        report(r, "vertex counters: high water %d, live %d", mesh.pointHighWater, mesh.pointLive);
        return;
    }
    if (mesh.triangleHighWater < 0 || mesh.triangleHighWater > kMaxTriangles ||
        mesh.triangleLive != mesh.triangleHighWater) {
        report(r, "triangle counters: high water %d, live %d", mesh.triangleHighWater, mesh.triangleLive);
        return;
    }
    for (int v = 0; v < kMaxVertices; ++v) {
        const bool used = mesh.points[v].y != kUnusedVertexY;
        if (used != (v < mesh.pointHighWater)) report(r, "vertex slot %d: in use %d against high water", v, used);
    }
    for (int t = 0; t < kMaxTriangles; ++t) {
        const bool live = isLive(mesh.triangles[t]);
        if (live != (t < mesh.triangleHighWater)) report(r, "triangle slot %d: live %d against high water", t, live);
    }
    int64_t areaSum = 0;
    for (int t = 0; t < mesh.triangleHighWater; ++t) {
        const NavTriangle& tri = mesh.triangles[t];
        bool indicesOk = true;
        for (int s = 0; s < 3; ++s) {
            if (tri.vertex[s] >= mesh.pointHighWater) {
                report(r, "triangle %d: vertex %d out of range", t, tri.vertex[s]);
                indicesOk = false;
            }
        }
        if (!indicesOk) continue;
        const int64_t area = signedTwiceArea(mesh, t);
        if (area >= 0) report(r, "triangle %d: winding not negative (twice area %lld)", t, static_cast<long long>(area));
        areaSum -= area;
        for (int i = 0; i < 3; ++i) {
            const int n = tri.neighbour[i];
            if (n == kNoNeighbour) continue;
            if (n < 0 || n >= mesh.triangleHighWater) {
                report(r, "triangle %d: neighbour %d out of range", t, n);
                continue;
            }
            const NavTriangle& other = mesh.triangles[n];
            int backCount = 0, back = -1;
            for (int j = 0; j < 3; ++j) {
                if (other.neighbour[j] == t) {
                    ++backCount;
                    back = j;
                }
            }
            if (backCount != 1) {
                report(r, "triangles %d/%d: %d slots point back", t, n, backCount);
                continue;
            }
            if (other.vertex[back] != tri.vertex[next(i)] || other.vertex[next(back)] != tri.vertex[i]) {
                report(r, "triangles %d/%d: shared edge does not match", t, n);
            }
        }
    }
    const int64_t side = kBoundMax - kBoundMin;
    if (areaSum != 2 * side * side) {
        report(r, "triangle areas add up to %lld halves, the square has %lld", static_cast<long long>(areaSum),
               static_cast<long long>(2 * side * side));
    }
    if (mesh.boundaryRingLength != 4) report(r, "boundary ring has %d entries, not 4", mesh.boundaryRingLength);
    for (int i = 0; i < mesh.boundaryRingLength && i < kBoundaryRingCapacity; ++i) {
        const int t = mesh.boundaryRing[i];
        bool border = t >= 0 && t < mesh.triangleHighWater;
        if (border) {
            const NavTriangle& tri = mesh.triangles[t];
            border = tri.neighbour[0] < 0 || tri.neighbour[1] < 0 || tri.neighbour[2] < 0;
        }
        if (!border) report(r, "boundary ring entry %d (triangle %d) is not a border triangle", i, t);
    }
}

// Does the open triangle t overlap the open unit cell (cx, cy)? Separating axes: the
// cell's own axes by the bounding box, then the triangle's three edges.
bool overlapsCell(const NavMesh& mesh, int t, int cx, int cy) {
    for (int i = 0; i < 3; ++i) {
        const NavPoint& a = vertexOf(mesh, t, i);
        const NavPoint& b = vertexOf(mesh, t, next(i));
        bool allOutside = true;
        for (int corner = 0; corner < 4 && allOutside; ++corner) {
            const int px = cx + (corner & 1), py = cy + (corner >> 1);
            // Interior lies where the cross sign is negative.
            allOutside = crossSign(b.x - a.x, b.y - a.y, px - a.x, py - a.y) >= 0;
        }
        if (allOutside) return false;
    }
    return true;
}

void checkTypes(const NavMesh& mesh, const uint8_t* cells, MeshCheckResult& r) {
    for (int t = 0; t < mesh.triangleHighWater; ++t) {
        const NavTriangle& tri = mesh.triangles[t];
        int minX = 1 << 20, minY = 1 << 20, maxX = -(1 << 20), maxY = -(1 << 20);
        for (int s = 0; s < 3; ++s) {
            const NavPoint& p = vertexOf(mesh, t, s);
            minX = std::min<int>(minX, p.x);
            maxX = std::max<int>(maxX, p.x);
            minY = std::min<int>(minY, p.y);
            maxY = std::max<int>(maxY, p.y);
        }
        const bool outsideMap = minX < 0 || minY < 0 || maxX > kMapCells || maxY > kMapCells;
        if (outsideMap) {
            if (tri.type != kOutsideType) report(r, "triangle %d reaches outside the map but has type %d", t, tri.type);
            continue;
        }
        for (int cy = minY; cy < maxY; ++cy) {
            for (int cx = minX; cx < maxX; ++cx) {
                if (!overlapsCell(mesh, t, cx, cy)) continue;
                const uint8_t value = cells[cy * kMapCells + cx];
                if (value != tri.type) {
                    report(r, "triangle %d has type %d but covers cell (%d, %d) of value %d", t, tri.type, cx, cy,
                           value);
                    cy = maxY;
                    break;
                }
            }
        }
    }
}

struct SideEdge {
    int fixed;  // the coordinate the edge keeps, cells
    int from;   // the range along it, cells, from < to
    int to;
    bool operator<(const SideEdge& o) const { return fixed != o.fixed ? fixed < o.fixed : from < o.from; }
};

struct AxisEdges {
    std::vector<SideEdge> vertical;    // fixed x, range in y
    std::vector<SideEdge> horizontal;  // fixed y, range in x
};

void collectAxisEdges(const NavMesh& mesh, AxisEdges& edges) {
    for (int t = 0; t < mesh.triangleHighWater; ++t) {
        for (int i = 0; i < 3; ++i) {
            const NavPoint& a = vertexOf(mesh, t, i);
            const NavPoint& b = vertexOf(mesh, t, next(i));
            if (a.x == b.x) edges.vertical.push_back({a.x, std::min(a.y, b.y), std::max(a.y, b.y)});
            if (a.y == b.y) edges.horizontal.push_back({a.y, std::min(a.x, b.x), std::max(a.x, b.x)});
        }
    }
    std::sort(edges.vertical.begin(), edges.vertical.end());
    std::sort(edges.horizontal.begin(), edges.horizontal.end());
}

// Map value at a cell, with everything beyond the map as one value of its own.
int cellValue(const uint8_t* cells, int x, int y) {
    if (x < 0 || y < 0 || x >= kMapCells || y >= kMapCells) return 256;
    return cells[y * kMapCells + x];
}

// Every piece of the side (x0, y0)-(x1, y1) (axis-parallel) that separates cells of
// different values must lie on edges of the mesh. Pieces between equal values may have
// been crossed by the flip pass, which joins triangles of one type freely.
void checkSide(const AxisEdges& all, const uint8_t* cells, int x0, int y0, int x1, int y1, MeshCheckResult& r) {
    const bool vertical = x0 == x1;
    const std::vector<SideEdge>& edges = vertical ? all.vertical : all.horizontal;
    const int fixed = vertical ? x0 : y0;
    const int lo = vertical ? std::min(y0, y1) : std::min(x0, x1);
    const int hi = vertical ? std::max(y0, y1) : std::max(x0, x1);
    auto it = std::lower_bound(edges.begin(), edges.end(), SideEdge{fixed, -(1 << 20), 0});
    int coveredFrom = 0, coveredTo = -(1 << 20);  // current merged run of edges
    for (int u = lo; u < hi; ++u) {
        const int before = vertical ? cellValue(cells, fixed - 1, u) : cellValue(cells, u, fixed - 1);
        const int after = vertical ? cellValue(cells, fixed, u) : cellValue(cells, u, fixed);
        if (before == after) continue;
        while (coveredTo < u + 1 && it != edges.end() && it->fixed == fixed && it->from <= u) {
            if (it->from > coveredTo) coveredFrom = it->from;
            coveredTo = std::max(coveredTo, it->to);
            ++it;
        }
        if (!(coveredFrom <= u && coveredTo >= u + 1)) {
            report(r, "side %d,%d-%d,%d: the piece at %d between values %d and %d is no edge", x0, y0, x1, y1, u,
                   before, after);
            return;
        }
    }
}

struct SideContext {
    const AxisEdges* edges;
    const uint8_t* cells;
    MeshCheckResult* result;
};

bool checkRectSides(const CoverRect& rect, void* context) {
    if (rect.value == 0) return true;
    SideContext& c = *static_cast<SideContext*>(context);
    checkSide(*c.edges, c.cells, rect.x0, rect.y0, rect.x0, rect.y1, *c.result);
    checkSide(*c.edges, c.cells, rect.x0, rect.y1, rect.x1, rect.y1, *c.result);
    checkSide(*c.edges, c.cells, rect.x1, rect.y1, rect.x1, rect.y0, *c.result);
    checkSide(*c.edges, c.cells, rect.x1, rect.y0, rect.x0, rect.y0, *c.result);
    return c.result->errors < 20;
}

}  // namespace

MeshCheckResult checkMeshStructure(const NavMesh& mesh) {
    MeshCheckResult r;
    checkStructure(mesh, r);
    return r;
}

MeshCheckResult checkMeshTypes(const NavMesh& mesh, const uint8_t* cells) {
    MeshCheckResult r;
    checkTypes(mesh, cells, r);
    return r;
}

MeshCheckResult checkMesh(const NavMesh& mesh, const uint8_t* cells) {
    MeshCheckResult r;
    checkStructure(mesh, r);
    if (r.errors != 0 || cells == nullptr) return r;
    checkTypes(mesh, cells, r);
    AxisEdges edges;
    collectAxisEdges(mesh, edges);
    SideContext context{&edges, cells, &r};
    checkRectSides(CoverRect{0, 0, kMapCells, kMapCells, 1}, &context);
    int32_t skyline[kMapCells];
    coverRectangles(skyline, cells, 0, 0, kMapCells, kMapCells, checkRectSides, &context);
    return r;
}

}  // namespace nav
