// What the shortest planner works out once per mesh build, link rule and pass table: which
// triangle edges a path may cross, which vertices are corners, and the dead ends (parts
// hanging off the crossing graph's cycles) that a search need not enter.
#include "navigation/shortest_search.h"

#include <algorithm>
#include <cstdint>

#include "navigation/triangulation.h"

namespace nav::shortest {

bool isCorner(Context& c, int t, int s) {
    ShortestSearchState& st = c.state;
    const int v = c.mesh.triangles[t].vertex[s];
    if (st.corner[v] != kCornerUnknown) return st.corner[v] != 0;
    bool corner = false;
    int cur = t, slot = s;
    for (int guard = 0;; ++guard) {
        const int n = c.mesh.triangles[cur].neighbour[slot];
        const int back = n < 0 ? -1 : slotToward(c.mesh, n, cur);
        if (back < 0 || !passable(c, cur, slot) || !passable(c, n, back) || guard > kMaxTriangles) {
            corner = true;
            break;
        }
        cur = n;
        slot = next(back);
        if (cur == t) break;
    }
    st.corner[v] = corner ? 1 : 0;
    return corner;
}

namespace {

// Bit k set when a path may cross edge k of triangle t, under the link rule and table.
uint8_t crossingMask(const NavMesh& mesh, const uint8_t* table, CellLinkRule rule, int t) {
    const NavTriangle& from = mesh.triangles[t];
    if (!isLive(from)) return 0;
    uint8_t mask = 0;
    for (int e = 0; e < 3; ++e) {
        const int n = from.neighbour[e];
        if (n < 0) continue;
        const NavTriangle& to = mesh.triangles[n];
        if (isOutsideType(to.type) || !edgePasses(mesh, table, t, e)) continue;
        if (rule(from.type, to.type) != 0) mask = static_cast<uint8_t>(mask | (1u << e));
    }
    return mask;
}

// a / b rounded down, for b > 0.
int64_t floorDivide(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

static_assert(kMaxTriangles <= INT16_MAX, "the cell table holds triangle indices as int16_t");

// Fills the cell table: each cell gets a triangle whose closed area holds the cell's
// centre (on a shared edge either one; locateEnd checks the point against it anyway).
void fillCellTriangles(const NavMesh& mesh, ShortestSearchState& st) {
    for (int16_t& t : st.cellTriangle) t = -1;
    for (int t = 0; t < mesh.triangleHighWater; ++t) {
        if (!isLive(mesh.triangles[t])) continue;
        PathPoint p[3];
        for (int s = 0; s < 3; ++s) p[s] = vertexWorld(mesh, t, s);
        const int32_t minX = std::min({p[0].x, p[1].x, p[2].x}), maxX = std::max({p[0].x, p[1].x, p[2].x});
        const int32_t minY = std::min({p[0].y, p[1].y, p[2].y}), maxY = std::max({p[0].y, p[1].y, p[2].y});
        // Cells whose centre (x * 256 + 128) lies within the bounds, clamped to the map.
        const int x0 = std::max(0, (minX + 127) >> 8), x1 = std::min(kLocateSide - 1, (maxX - 128) >> 8);
        const int y0 = std::max(0, (minY + 127) >> 8), y1 = std::min(kLocateSide - 1, (maxY - 128) >> 8);
        // Along a row, each edge's cross product at a centre, (v - u) x (centre - u), moves
        // by a fixed step from one cell to the next, so the cells it allows (<= 0) are those
        // before or after one place: the row's span is where all three allow.
        int64_t step[3];
        for (int k = 0; k < 3; ++k) step[k] = -int64_t{p[next(k)].y - p[k].y} * 256;
        for (int y = y0; y <= y1; ++y) {
            const int64_t cx = x0 * 256 + 128, cy = y * 256 + 128;
            int64_t lo = x0, hi = x1;
            for (int k = 0; k < 3; ++k) {
                const PathPoint& u = p[k];
                const PathPoint& v = p[next(k)];
                const int64_t e = cross64(v.x - u.x, v.y - u.y, cx - u.x, cy - u.y);
                if (step[k] == 0) {
                    continue;  // a level edge bounds the rows: every row in them lies on its side
                } else if (step[k] > 0) {  // e + step * i <= 0 for i <= floor(-e / step)
                    hi = std::min(hi, x0 + floorDivide(-e, step[k]));
                } else {  // i >= ceil(e / -step)
                    lo = std::max(lo, x0 - floorDivide(-e, -step[k]));
                }
            }
            for (int64_t x = lo; x <= hi; ++x) st.cellTriangle[y * kLocateSide + x] = static_cast<int16_t>(t);
        }
    }
}

}  // namespace

int locateEnd(NavMesh& mesh, const ShortestSearchState& st, int32_t x, int32_t y) {
    if (x >= 0 && y >= 0 && x < kLocateSide * 256 && y < kLocateSide * 256) {
        const int t = st.cellTriangle[(y >> 8) * kLocateSide + (x >> 8)];
        if (t >= 0 && isLive(mesh.triangles[t])) {
            bool inside = true;
            for (int k = 0; k < 3 && inside; ++k) {
                const PathPoint u = vertexWorld(mesh, t, k), v = vertexWorld(mesh, t, next(k));
                inside = cross64(static_cast<int64_t>(v.x) - u.x, static_cast<int64_t>(v.y) - u.y,
                                 static_cast<int64_t>(x) - u.x, static_cast<int64_t>(y) - u.y) < 0;
            }
            // Strictly inside: no other triangle holds the point, and no tie is to break.
            if (inside) return t;
        }
    }
    return locateForQuery(mesh, x, y);
}

void refreshMeshTables(NavMesh& mesh, ShortestSearchState& st, CellLinkRule rule, int tableNumber,
                       const uint8_t* table) {
    if (st.cachedMesh == &mesh && st.cachedBuild == mesh.buildSerial && st.cachedRule == rule &&
        st.cachedTable == tableNumber) {
        return;
    }
    st.cachedMesh = &mesh;
    st.cachedBuild = mesh.buildSerial;
    st.cachedRule = rule;
    st.cachedTable = tableNumber;
    st.graph.status = CornerGraph::Status::Stale;
    const int count = mesh.triangleHighWater;
    for (int t = 0; t < count; ++t) st.passMask[t] = crossingMask(mesh, table, rule, t);
    for (int v = 0; v < mesh.pointHighWater; ++v) st.corner[v] = kCornerUnknown;
    fillCellTriangles(mesh, st);
    // Two triangles are joined when either may cross into the other; peel the triangles
    // joined to at most one other until only cycles remain.
    auto joined = [&](int t, int k) {
        const int n = mesh.triangles[t].neighbour[k];
        if (n < 0) return false;
        if ((st.passMask[t] >> k) & 1) return true;
        const int back = neighbourSlot(mesh, n, t);
        return back >= 0 && ((st.passMask[n] >> back) & 1);
    };
    // hanging: 1 queued to be peeled, 2 peeled. A peeled triangle's exit is the one joined
    // triangle not yet peeled, so the exits of a dead end lead out of it (or, for a part
    // with no cycle at all, to one last triangle).
    int queued = 0;
    for (int t = 0; t < count; ++t) {
        st.hanging[t] = 0;
        st.exitSlot[t] = -1;
        st.crossings[t] = static_cast<uint8_t>(joined(t, 0) + joined(t, 1) + joined(t, 2));
        if (st.crossings[t] <= 1 && isLive(mesh.triangles[t])) {
            st.hanging[t] = 1;
            st.peelQueue[queued++] = t;
        }
    }
    for (int head = 0; head < queued; ++head) {
        const int t = st.peelQueue[head];
        st.hanging[t] = 2;
        for (int k = 0; k < 3; ++k) {
            if (!joined(t, k)) continue;
            const int n = mesh.triangles[t].neighbour[k];
            if (st.hanging[n] == 2) continue;
            st.exitSlot[t] = static_cast<int8_t>(k);
            if (--st.crossings[n] <= 1 && st.hanging[n] == 0) {
                st.hanging[n] = 1;
                st.peelQueue[queued++] = n;
            }
        }
    }
}

void markWayOut(const NavMesh& mesh, ShortestSearchState& st, int t) {
    for (int guard = 0; guard < kMaxTriangles && t >= 0 && st.hanging[t]; ++guard) {
        st.wayOutStamp[t] = st.stamp;
        const int k = st.exitSlot[t];
        t = k < 0 ? -1 : mesh.triangles[t].neighbour[k];
    }
}

const uint8_t* selectTable(NavMesh& mesh, int number) {
    const int table = number < 0 ? 0 : (number > kStrictestPassTable ? kStrictestPassTable : number);
    return passTableRow(mesh, table);
}

}  // namespace nav::shortest
