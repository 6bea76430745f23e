// Sectors of a vertex's fan: the triangles around it that crossings join, and whether they
// open wider than a half turn (only then can a shortest path bend round the vertex).
#include "navigation/shortest_search.h"

#include <cmath>

namespace nav::shortest {

void sectorOf(const Context& c, int t, int s, Sector& out) {
    const NavMesh& mesh = c.mesh;
    out.count = 0;
    out.complete = true;
    out.triangle[out.count] = t;
    out.slot[out.count++] = static_cast<int8_t>(s);
    int cur = t, slot = s;
    bool closed = false;
    for (;;) {
        if (!passable(c, cur, slot)) break;
        const int n = mesh.triangles[cur].neighbour[slot];
        const int back = slotToward(mesh, n, cur);
        if (back < 0) break;
        cur = n;
        slot = next(back);
        if (cur == t) {
            closed = true;
            break;
        }
        if (out.count == kMaxFanWalk) {
            out.complete = false;
            return;
        }
        out.triangle[out.count] = cur;
        out.slot[out.count++] = static_cast<int8_t>(slot);
    }
    out.forward = out.count;
    if (closed) return;
    cur = t;
    slot = s;
    for (;;) {
        const int behind = prev(slot);
        if (!passable(c, cur, behind)) break;
        const int n = mesh.triangles[cur].neighbour[behind];
        const int back = slotToward(mesh, n, cur);
        if (back < 0 || n == t) break;
        cur = n;
        slot = back;
        if (out.count == kMaxFanWalk) {
            out.complete = false;
            return;
        }
        out.triangle[out.count] = cur;
        out.slot[out.count++] = static_cast<int8_t>(slot);
    }
}

namespace {

// Angle at slot s of triangle t, radians.
double angleAt(const NavMesh& mesh, int t, int s) {
    const Vec p = vertexPoint(mesh, t, s);
    const Vec e1 = vertexPoint(mesh, t, next(s)) - p;
    const Vec e2 = vertexPoint(mesh, t, prev(s)) - p;
    return std::atan2(std::fabs(cross(e1, e2)), e1.x * e2.x + e1.y * e2.y);
}

}  // namespace

void sectorBounds(const NavMesh& mesh, const Sector& sector, NavPoint& first, NavPoint& last) {
    const int firstIndex = sector.count > sector.forward ? sector.count - 1 : 0;
    const int bt = sector.triangle[firstIndex], bs = sector.slot[firstIndex];
    const int ft = sector.triangle[sector.forward - 1], fs = sector.slot[sector.forward - 1];
    first = vertexOf(mesh, bt, prev(bs));
    last = vertexOf(mesh, ft, next(fs));
}

bool widerThanHalfTurn(const NavMesh& mesh, const Sector& sector) {
    constexpr double kPi = 3.14159265358979323846;
    constexpr double kNearHalfTurn = 0.01;
    double sum = 0;
    for (int k = 0; k < sector.count; ++k) sum += angleAt(mesh, sector.triangle[k], sector.slot[k]);
    if (sum < kPi - kNearHalfTurn) return false;
    if (sum > kPi + kNearHalfTurn) return true;
    const int firstIndex = sector.count > sector.forward ? sector.count - 1 : 0;
    const int bt = sector.triangle[firstIndex], bs = sector.slot[firstIndex];
    const NavPoint& v = vertexOf(mesh, bt, bs);
    const NavPoint& firstOther = vertexOf(mesh, bt, next(bs));
    NavPoint first, last;
    sectorBounds(mesh, sector, first, last);
    const int64_t d0x = first.x - v.x, d0y = first.y - v.y;
    const int64_t turn = cross64(d0x, d0y, firstOther.x - v.x, firstOther.y - v.y);
    const int64_t across = cross64(d0x, d0y, last.x - v.x, last.y - v.y);
    return turn > 0 ? across < 0 : across > 0;
}

}  // namespace nav::shortest
