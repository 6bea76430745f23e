// Sectors of a vertex's fan: the triangles around it that crossings join, and whether they
// open wider than a half turn (only then can a shortest path bend round the vertex).
#include "navigation/shortest_search.h"

#include <cmath>

namespace nav::shortest {

void sectorOf(const Context& c, int t, int s, Sector& out) {
    out.count = 0;
    out.triangle[out.count] = t;
    out.slot[out.count++] = static_cast<int8_t>(s);
    out.forward = out.count;
    const FanWalk end = walkSector(c, t, s, [&out](int triangle, int slot, bool forward) {
        out.triangle[out.count] = triangle;
        out.slot[out.count++] = static_cast<int8_t>(slot);
        if (forward) out.forward = out.count;
        return false;
    });
    out.complete = end != FanWalk::TooLong;
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
