// Exact walks of a straight segment through the mesh: whether it stays within triangles it
// may cross into.
#include "navigation/shortest_search.h"

#include "navigation/triangulation.h"

namespace nav::shortest {

namespace {

// Whether the direction (dx, dy) from slot s of triangle t points into the triangle (or
// along one of its two edges there).
bool wedgeHolds(const NavMesh& mesh, int t, int s, int64_t dx, int64_t dy) {
    const PathPoint x = vertexWorld(mesh, t, s);
    const PathPoint e1 = vertexWorld(mesh, t, next(s));
    const PathPoint e2 = vertexWorld(mesh, t, prev(s));
    return cross64(static_cast<int64_t>(e1.x) - x.x, static_cast<int64_t>(e1.y) - x.y, dx, dy) <= 0 &&
           cross64(dx, dy, static_cast<int64_t>(e2.x) - x.x, static_cast<int64_t>(e2.y) - x.y) <= 0;
}

// The triangle in the sector of slot s of t whose wedge holds the direction (t itself only
// when `takeOwn`); -1 when there is none. The sector's triangles are tried in sectorOf's
// order as the fan is walked (the first that holds it wins, as on a shared edge both do),
// so the walk stops there instead of making the whole sector first.
int wedgeInSector(const Context& c, int t, int s, int64_t dx, int64_t dy, bool takeOwn) {
    const NavMesh& mesh = c.mesh;
    if (takeOwn && wedgeHolds(mesh, t, s, dx, dy)) return t;
    int found = -1;
    walkSector(c, t, s, [&](int triangle, int slot, bool) {
        if (!wedgeHolds(mesh, triangle, slot, dx, dy)) return false;
        found = triangle;
        return true;
    });
    return found;
}

}  // namespace

bool walkFrom(Context& c, int t, PathPoint a, PathPoint b, bool alongWalls, int* reached) {
    NavMesh& mesh = c.mesh;
    const int64_t dx = static_cast<int64_t>(b.x) - a.x;
    const int64_t dy = static_cast<int64_t>(b.y) - a.y;
    for (int guard = 0; guard <= kMaxTriangles; ++guard) {
        PathPoint p[3];
        for (int s = 0; s < 3; ++s) p[s] = vertexWorld(mesh, t, s);
        int beyond[3];
        bool inside = true;
        for (int k = 0; k < 3; ++k) {
            const PathPoint& pu = p[k];
            const PathPoint& pv = p[next(k)];
            beyond[k] = cross64(pv.x - pu.x, pv.y - pu.y, static_cast<int64_t>(b.x) - pu.x,
                                static_cast<int64_t>(b.y) - pu.y) > 0;
            if (beyond[k]) inside = false;
        }
        if (inside) {
            if (reached != nullptr) *reached = t;
            return true;
        }
        int exitEdge = -1, throughVertex = -1;
        for (int k = 0; k < 3 && exitEdge < 0 && throughVertex < 0; ++k) {
            if (!beyond[k]) continue;
            const int64_t su = cross64(dx, dy, p[k].x - static_cast<int64_t>(a.x), p[k].y - static_cast<int64_t>(a.y));
            const int64_t sv =
                cross64(dx, dy, p[next(k)].x - static_cast<int64_t>(a.x), p[next(k)].y - static_cast<int64_t>(a.y));
            if (su == 0) {
                throughVertex = k;
            } else if (sv == 0) {
                throughVertex = next(k);
            } else if ((su < 0) != (sv < 0)) {
                exitEdge = k;
            }
        }
        if (exitEdge >= 0) {
            if (!passable(c, t, exitEdge)) return false;
            t = mesh.triangles[t].neighbour[exitEdge];
            continue;
        }
        if (throughVertex < 0) return false;
        // Through a vertex: free only when nothing around it is refused; go on in the fan
        // triangle whose wedge holds the direction.
        if (isCorner(c, t, throughVertex)) {
            if (!alongWalls) return false;
            const int next = wedgeInSector(c, t, throughVertex, dx, dy, false);
            if (next < 0) return false;
            t = next;
            continue;
        }
        int cur = t, slot = throughVertex, found = -1;
        for (int step = 0; step < kMaxTriangles; ++step) {
            if (cur != t && wedgeHolds(mesh, cur, slot, dx, dy)) {
                found = cur;
                break;
            }
            const int n = mesh.triangles[cur].neighbour[slot];
            const int back = n < 0 ? -1 : slotToward(mesh, n, cur);
            if (back < 0) return false;
            cur = n;
            slot = next(back);
            if (cur == t) break;
        }
        if (found < 0) return false;
        t = found;
    }
    return false;
}

bool walkSegment(Context& c, PathPoint a, PathPoint b) {
    const int t = locateForQuery(c.mesh, a.x, a.y);
    if (t < 0 || isOutsideType(c.mesh.triangles[t].type)) return false;
    return walkFrom(c, t, a, b, false);
}


bool walkFromCorner(Context& c, int32_t v, PathPoint b) {
    const int32_t seed = c.state.graph.sectorSeed[v];
    if (seed < 0) return false;
    const PathPoint x = vertexIndexWorld(c.mesh, v);
    const int64_t dx = static_cast<int64_t>(b.x) - x.x, dy = static_cast<int64_t>(b.y) - x.y;
    if (dx == 0 && dy == 0) return true;
    const int t = wedgeInSector(c, seed >> 2, seed & 3, dx, dy, true);
    return t >= 0 && walkFrom(c, t, x, b, true);
}

}  // namespace nav::shortest
