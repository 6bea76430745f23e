// Funnel walk, gate choice and gate cutting. Integer arithmetic only; the side tests of
// the funnel walks take their products in 64 bits while every point they meet is near
// enough to the map for that to be exact, and in 128 bits otherwise, so that no input can
// overflow them.
#include "navigation/path_smoothing.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace nav {

namespace {

void setDiagnostic(const NavMesh& mesh, const char* format, ...) __attribute__((format(printf, 2, 3)));
void setDiagnostic(const NavMesh& mesh, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(mesh.pathDiagnostic, sizeof mesh.pathDiagnostic, format, args);
    va_end(args);
}

int32_t distance(PathPoint a, PathPoint b) {
    return approxDistance(static_cast<int32_t>(static_cast<int64_t>(b.x) - a.x),
                           static_cast<int32_t>(static_cast<int64_t>(b.y) - a.y));
}

// Largest coordinate (either sign, world units) of a funnel's apex and sides for which the
// side tests take their products in 64 bits. Each product multiplies a difference of two
// such coordinates (within 2^31) by the tested point's difference from the apex (any int32
// point: within 2^31 + 2^30), so it stays below 1.5 * 2^62 and both fit int64 and compare
// exactly. Mesh corners (16-bit cells times 256, within 2^23) always lie within it. The
// funnels' sides are mesh corners; their apexes are the query's start, mesh corners and the
// ends of cut gates, which stay within a gate's length (under 2^25) of its corners; the
// destination is only ever tested. So the walks check the start alone, once, and take the
// products in 128 bits when it lies beyond.
constexpr int64_t kNarrowBound = int64_t{1} << 30;

bool isNarrow(PathPoint p) {
    return p.x >= -kNarrowBound && p.x <= kNarrowBound && p.y >= -kNarrowBound && p.y <= kNarrowBound;
}

// Sign of (a - o) x (b - o), as crossSign takes it, but inline: the funnel walks take two
// for every side test, several side tests for every portal. Narrow: every coordinate is
// within kNarrowBound.
template <bool Narrow>
inline __attribute__((always_inline)) int crossAbout(PathPoint o, PathPoint a, PathPoint b) {
    if constexpr (Narrow) {
        const int64_t p = (static_cast<int64_t>(a.x) - o.x) * (static_cast<int64_t>(b.y) - o.y);
        const int64_t q = (static_cast<int64_t>(a.y) - o.y) * (static_cast<int64_t>(b.x) - o.x);
        return (p > q) - (p < q);
    } else {
        const __int128 p = static_cast<__int128>(static_cast<int64_t>(a.x) - o.x) * (static_cast<int64_t>(b.y) - o.y);
        const __int128 q = static_cast<__int128>(static_cast<int64_t>(a.y) - o.y) * (static_cast<int64_t>(b.x) - o.x);
        return (p > q) - (p < q);
    }
}

// funnelSide, inline for the funnel walks below (up to four side tests per portal).
template <bool Narrow>
inline __attribute__((always_inline)) int sideOf(const Funnel& funnel, PathPoint p) {
    if (crossAbout<Narrow>(funnel.apex, funnel.left, p) < 0) return -1;
    if (crossAbout<Narrow>(funnel.apex, funnel.right, p) > 0) return 1;
    return 0;
}

inline __attribute__((always_inline)) int sideOf(bool narrow, const Funnel& funnel, PathPoint p) {
    return narrow ? sideOf<true>(funnel, p) : sideOf<false>(funnel, p);
}

bool withinBox(PathPoint p, PathPoint e0, PathPoint e1) {
    return p.x >= std::min(e0.x, e1.x) && p.x <= std::max(e0.x, e1.x) && p.y >= std::min(e0.y, e1.y) &&
           p.y <= std::max(e0.y, e1.y);
}

// (a * b) >> 14 and (a << 14) / b with the sign moved to b, in 128 bits.
__int128 fracMul(__int128 a, __int128 b) { return (a * b) >> 14; }
__int128 fracDiv(__int128 a, __int128 b) {
    if (a < 0) {
        a = -a;
        b = -b;
    }
    return (a * 16384) / b;
}

// Direction from `from` to `to` scaled to 256 world units (one cell). The differences
// are taken with 14 fraction bits of a cell (times 64), their squares with 14 fraction
// bits (low two bits cleared), so the root is the length with 7 fraction bits; twice the
// difference over it has 8. A zero length gives the zero vector, or divides by 1 when
// oneIfZero is set.
PathPoint unitVector(PathPoint from, PathPoint to, bool oneIfZero) {
    const int64_t dx = (static_cast<int64_t>(to.x) - from.x) * 64;
    const int64_t dy = (static_cast<int64_t>(to.y) - from.y) * 64;
    const __int128 sum = ((static_cast<__int128>(dx) * dx >> 14) & ~__int128{3}) +
                         ((static_cast<__int128>(dy) * dy >> 14) & ~__int128{3});
    // Points inside the bounding square keep the sum within 32 bits.
    int64_t length = navIsqrt(static_cast<uint32_t>(std::min<__int128>(sum, UINT32_MAX)));
    if (length == 0) {
        if (!oneIfZero) return {0, 0};
        length = 1;
    }
    return {static_cast<int32_t>(dx * 2 / length), static_cast<int32_t>(dy * 2 / length)};
}

PathPoint along(PathPoint base, PathPoint u, int32_t times) {
    return {static_cast<int32_t>(base.x + static_cast<int64_t>(u.x) * times),
            static_cast<int32_t>(base.y + static_cast<int64_t>(u.y) * times)};
}

PathPoint end0(const Gate& g) { return {g.x0, g.y0}; }
PathPoint end1(const Gate& g) { return {g.x1, g.y1}; }
void setEnd0(Gate& g, PathPoint p) { g.x0 = p.x, g.y0 = p.y; }
void setEnd1(Gate& g, PathPoint p) { g.x1 = p.x, g.y1 = p.y; }

// 32-bit product with two's-complement wrap, shifted arithmetically by 14.
int32_t wrapFraction(int32_t difference, int32_t fraction) {
    const int32_t product =
        static_cast<int32_t>(static_cast<uint32_t>(difference) * static_cast<uint32_t>(fraction));
    return product >> 14;
}

// base + offset with two's-complement wrap (only reachable with points far off the map).
int32_t wrappingAdd(int32_t base, int64_t offset) {
    return static_cast<int32_t>(static_cast<uint32_t>(base) + static_cast<uint32_t>(offset));
}

// Chooses the measuring end of a fresh gate from the taut path near it and cuts the gate
// around the place where that path passes. p is the taut path point before W[w].
void adjustGate(Gate& g, const PathResult& ref, PathPoint& p, int& w, int32_t clearance) {
    const int n = ref.waypointCount;
    const PathPoint* W = ref.waypoints;
    const PathPoint e0 = end0(g), e1 = end1(g);
    const int32_t c0 = distance(e0, W[w]), c1 = distance(e1, W[w]);
    int32_t d0 = c0, d1 = c1;
    if (w < n - 1) {
        d0 = distance(e0, W[w + 1]);
        d1 = distance(e1, W[w + 1]);
    }
    int side = 0;
    int32_t nearest = 0;
    if (std::min(c0, c1) < std::min(d0, d1)) {
        side = c0 >= c1 ? 1 : 0;
        nearest = std::min(c0, c1);
    } else {
        side = d0 >= d1 ? 1 : 0;
        if (w < n - 1) {
            p = W[w];
            ++w;
        }
        nearest = std::min(d0, d1);
    }
    g.side = side;
    if (nearest < kVertexContactDistance) {
        // The taut path bends around this end: keep the stretch next to it.
        gateEndCut(g, side, clearance);
        return;
    }
    bool crossed = gateLineCrossing(g, p, W[w]);
    if (!crossed && w + 1 < n && gateLineCrossing(g, W[w], W[w + 1])) {
        p = W[w];
        ++w;
        crossed = true;
    }
    if (crossed) {
        g.side = 2;  // being cut around its crossing
        gateWindowCut(g, clearance);
    } else {
        gateEndCut(g, side, clearance);
    }
    g.side = side;
}

// edgePoints, read from t's corridor record when the records are current (one record
// instead of the triangle and two vertices), else from the mesh.
inline bool portalPoints(const NavMesh& mesh, const CorridorCell* cells, int t, int n, PathPoint& left,
                         PathPoint& right) {
    if (cells == nullptr) return edgePoints(mesh, t, n, left, right);
    const CorridorCell& cell = cells[t];
    const int slot = cell.neighbour[0] == n ? 0 : cell.neighbour[1] == n ? 1 : cell.neighbour[2] == n ? 2 : -1;
    if (slot < 0) return edgePoints(mesh, t, n, left, right);  // sets the diagnostic
    const NavPoint l = cell.corner[next(slot)], r = cell.corner[slot];
    left = {l.x * 256, l.y * 256};
    right = {r.x * 256, r.y * 256};
    return true;
}

// Where the funnel walks read a corridor's portals: from lists gathered beforehand, or one
// by one from the records or the mesh.
struct PortalReader {
    const NavMesh& mesh;
    const CorridorCell* cells;
    const int32_t* route;
    const PathPoint* left = nullptr;  // null: no lists
    const PathPoint* right = nullptr;

    // Portal k into (l, r); a missing portal leaves them as they were.
    void read(int k, PathPoint& l, PathPoint& r) const {
        if (left != nullptr) {
            l = left[k];
            r = right[k];
        } else {
            portalPoints(mesh, cells, route[k], route[k + 1], l, r);
        }
    }
};

// Every portal of route[0..steps] into the query state's lists; false (the lists then
// unused) when some step has none, so that the walks read those one by one as they go,
// diagnostics included.
bool gatherPortals(const NavMesh& mesh, const CorridorCell* cells, RouteSearch& search, const int32_t* route,
                   int steps) {
    for (int k = 0; k < steps; ++k) {
        const int t = route[k], n = route[k + 1];
        if (cells != nullptr) {
            const CorridorCell& cell = cells[t];
            const int slot = cell.neighbour[0] == n ? 0 : cell.neighbour[1] == n ? 1 : cell.neighbour[2] == n ? 2 : -1;
            if (slot < 0) return false;
            const NavPoint l = cell.corner[next(slot)], r = cell.corner[slot];
            search.portalLeft[k] = {l.x * 256, l.y * 256};
            search.portalRight[k] = {r.x * 256, r.y * 256};
        } else {
            const int16_t* const neighbours = mesh.triangles[t].neighbour;
            const int slot = neighbours[0] == n ? 0 : neighbours[1] == n ? 1 : neighbours[2] == n ? 2 : -1;
            if (slot < 0) return false;
            search.portalLeft[k] = vertexWorld(mesh, t, next(slot));
            search.portalRight[k] = vertexWorld(mesh, t, slot);
        }
    }
    return true;
}

int tautWalk(const NavMesh& mesh, PathPoint from, PathPoint to, const PortalReader& portals, int steps,
             PathResult& out);

}  // namespace

const char* pathDiagnosticText(const NavMesh& mesh) { return mesh.pathDiagnostic; }
void clearPathDiagnostic(NavMesh& mesh) { mesh.pathDiagnostic[0] = '\0'; }

bool edgePoints(const NavMesh& mesh, int t, int n, PathPoint& left, PathPoint& right) {
    // The slot of n among t's neighbours (the first that names it), read here rather than
    // through a call: the funnel walks ask for every portal of a corridor, twice.
    const int16_t* const neighbours = mesh.triangles[t].neighbour;
    const int slot = neighbours[0] == n ? 0 : neighbours[1] == n ? 1 : neighbours[2] == n ? 2 : -1;
    if (slot < 0) {
        setDiagnostic(mesh, "edge_points : edge not found %d->%d", t, n);
        return false;
    }
    left = vertexWorld(mesh, t, next(slot));
    right = vertexWorld(mesh, t, slot);
    return true;
}

int funnelSide(const Funnel& funnel, PathPoint p) { return sideOf<false>(funnel, p); }

int tautPath(const NavMesh& mesh, PathPoint from, PathPoint to, const int32_t* route, int steps, PathResult& out) {
    return tautWalk(mesh, from, to, PortalReader{mesh, currentCorridorCells(mesh), route}, steps, out);
}

namespace {

int tautWalk(const NavMesh& mesh, PathPoint from, PathPoint to, const PortalReader& portals, int steps,
             PathResult& out) {
    out.fromX = from.x;
    out.fromY = from.y;
    out.toX = to.x;
    out.toY = to.y;
    int count = 0;
    if (steps > 0) {
        // Every other apex or side is a mesh corner.
        const bool narrow = isNarrow(from);
        // The portal last read; a missing portal keeps the previous one.
        PathPoint portalLeft = from, portalRight = from;
        portals.read(0, portalLeft, portalRight);
        Funnel funnel{from, portalLeft, portalRight};
        int leftPortal = 0, rightPortal = 0;  // portal at which each side was last set
        int k = 1;
        for (;;) {
            int l = 0, h = 0;
            if (k < steps) {
                portals.read(k, portalLeft, portalRight);
                l = sideOf(narrow, funnel, portalLeft);
                h = sideOf(narrow, funnel, portalRight);
            } else {
                h = sideOf(narrow, funnel, to);
                if (h == 0) break;  // the destination is visible from the apex
                l = h;
            }
            if (l == 0) {
                funnel.left = portalLeft;
                leftPortal = k;
            }
            if (h == 0) {
                funnel.right = portalRight;
                rightPortal = k;
            }
            if (h == -1 || l == 1) {
                const bool leftCorner = h == -1;
                if (count == kMaxPathWaypoints - 1) {
                    setDiagnostic(mesh, leftCorner ? "rtp:Exceeded max path length (i:%d,L:%d) (%d,%d)->(%d,%d)"
                                              : "rtp:Exceeded max path length (i:%d,R:%d) (%d,%d)->(%d,%d)",
                                   k, steps, from.x, from.y, to.x, to.y);
                    break;
                }
                const PathPoint corner = leftCorner ? funnel.left : funnel.right;
                out.waypoints[count++] = corner;
                funnel.apex = corner;
                // Restart behind the corner; both sides were last set at that portal.
                k = leftCorner ? leftPortal : rightPortal;
                portals.read(k, portalLeft, portalRight);
                funnel.left = portalLeft;
                funnel.right = portalRight;
                leftPortal = rightPortal = k;
            }
            ++k;
        }
    }
    out.waypoints[count++] = to;
    out.waypointCount = count;
    return count;
}

}  // namespace

int cutGates(const NavMesh& mesh, RouteSearch& search, PathPoint from, PathPoint to, const int32_t* route, int steps, GatePath& gates,
         int32_t clearance) {
    PathResult& ref = search.referencePath;
    const CorridorCell* const cells = currentCorridorCells(mesh);
    PortalReader portals{mesh, cells, route};
    if (gatherPortals(mesh, cells, search, route, steps)) {
        portals.left = search.portalLeft;
        portals.right = search.portalRight;
    }
    tautWalk(mesh, from, to, portals, steps, ref);
    gates.fromX = from.x;
    gates.fromY = from.y;
    gates.toX = to.x;
    gates.toY = to.y;
    int count = 0;
    if (steps > 0) {
        PathPoint portalLeft = from, portalRight = from;
        portals.read(0, portalLeft, portalRight);
        Funnel& q = search.funnelQ;  // seen from end 0 of the last gate
        Funnel& s = search.funnelS;  // seen from end 1 of the last gate
        q = Funnel{from, portalLeft, portalRight};
        s = q;
        PathPoint p = from;  // taut path point before W[w]
        int w = 0;
        // Besides the start and mesh corners, the apexes are the ends of the gates it cuts.
        const bool narrow = isNarrow(from);
        for (int k = 1; k <= steps; ++k) {
            PathPoint candLeft = to, candRight = to;
            if (k < steps) {
                portals.read(k, portalLeft, portalRight);
                candLeft = portalLeft;
                candRight = portalRight;
            }
            if (sideOf(narrow, q, candLeft) != 0 || sideOf(narrow, q, candRight) != 0 ||
                sideOf(narrow, s, candLeft) != 0 || sideOf(narrow, s, candRight) != 0) {
                if (count == kMaxGates - 1) {
                    setDiagnostic(mesh, "grtc:Exceeded max path length (i:%d,rl:%d)", k, steps);
                    break;
                }
                Gate& g = gates.gates[count++];
                g = Gate{};
                setEnd0(g, q.left);
                setEnd1(g, q.right);
                g.side = -1;
                adjustGate(g, ref, p, w, clearance);
                q.apex = end0(g);
                s.apex = end1(g);
            }
            q.left = s.left = candLeft;
            q.right = s.right = candRight;
        }
    }
    Gate& last = gates.gates[count++];
    last = Gate{};
    setEnd0(last, to);
    setEnd1(last, to);
    last.cx = to.x;
    last.cy = to.y;
    last.side = 0;
    gates.gateCount = count;
    return count;
}

void gateWaypoints(const GatePath& gates, PathResult& out, int fraction) {
    const int32_t f = std::clamp(fraction, 0, kMaxFraction);
    const int count = std::clamp(gates.gateCount, 0, kMaxGates);
    out.fromX = gates.fromX;
    out.fromY = gates.fromY;
    out.toX = gates.toX;
    out.toY = gates.toY;
    out.waypointCount = count;
    for (int i = 0; i < count - 1; ++i) {
        const Gate& g = gates.gates[i];
        const int32_t dx = static_cast<int32_t>(static_cast<uint32_t>(g.x1) - static_cast<uint32_t>(g.x0));
        const int32_t dy = static_cast<int32_t>(static_cast<uint32_t>(g.y1) - static_cast<uint32_t>(g.y0));
        if (g.side != 0) {
            out.waypoints[i] = {wrappingAdd(g.x1, -static_cast<int64_t>(wrapFraction(dx, f))),
                                wrappingAdd(g.y1, -static_cast<int64_t>(wrapFraction(dy, f)))};
        } else {
            out.waypoints[i] = {wrappingAdd(g.x0, wrapFraction(dx, f)), wrappingAdd(g.y0, wrapFraction(dy, f))};
        }
    }
    out.waypoints[count > 0 ? count - 1 : 0] = {gates.toX, gates.toY};
}

bool gateLineCrossing(Gate& gate, PathPoint a, PathPoint b) {
    const __int128 abx = (static_cast<__int128>(a.x) - b.x) * 64;
    const __int128 aby = (static_cast<__int128>(a.y) - b.y) * 64;
    const __int128 eax = (static_cast<__int128>(gate.x0) - a.x) * 64;
    const __int128 eay = (static_cast<__int128>(gate.y0) - a.y) * 64;
    const __int128 gx = (static_cast<__int128>(gate.x1) - gate.x0) * 64;
    const __int128 gy = (static_cast<__int128>(gate.y1) - gate.y0) * 64;
    const __int128 numerator = fracMul(aby, eax) - fracMul(abx, eay);
    const __int128 denominator = fracMul(gy, abx) - fracMul(gx, aby);
    if (denominator == 0) return false;  // parallel
    const __int128 t = fracDiv(numerator, denominator);
    if (t > kFractionOne || t < -kFractionOne) return false;
    const PathPoint crossing{
        static_cast<int32_t>(gate.x0 + fracMul(t, static_cast<__int128>(gate.x1) - gate.x0)),
        static_cast<int32_t>(gate.y0 + fracMul(t, static_cast<__int128>(gate.y1) - gate.y0))};
    gate.cx = crossing.x;
    gate.cy = crossing.y;
    return withinBox(crossing, end0(gate), end1(gate));
}

void gateEndCut(Gate& gate, int fromSide, int32_t clearance) {
    const PathPoint e0 = end0(gate), e1 = end1(gate);
    if (distance(e0, e1) < clearance) return;
    const int32_t cells = (clearance >> 8) - 1;
    // The approximate distance overstates slanted gates by up to an eighth: a gate that is
    // truly no longer than the cut keeps its ends rather than reaching past its own end.
    const __int128 dx = static_cast<int64_t>(e1.x) - e0.x, dy = static_cast<int64_t>(e1.y) - e0.y;
    const __int128 cut = static_cast<int64_t>(cells) * 256;
    if (dx * dx + dy * dy <= cut * cut) return;
    if (fromSide == 1) {
        setEnd0(gate, along(e1, unitVector(e1, e0, true), cells));
    } else {
        setEnd1(gate, along(e0, unitVector(e0, e1, true), cells));
    }
}

void gateWindowCut(Gate& gate, int32_t clearance) {
    const PathPoint crossing{gate.cx, gate.cy};
    const int32_t b0 = distance(end0(gate), crossing);
    const int32_t b1 = distance(end1(gate), crossing);
    const int32_t half = clearance / 2;
    const int32_t nearEnd = (clearance + 2) / 2;
    if (b0 < half && b1 < half) return;  // the gate already is the window
    if (b0 < nearEnd) {
        gateEndCut(gate, 0, clearance);
        return;
    }
    if (b1 < nearEnd) {
        gateEndCut(gate, 1, clearance);
        return;
    }
    const PathPoint u = unitVector(end0(gate), end1(gate), false);
    const int32_t halfCells = clearance >> 9;
    const PathPoint low = along(crossing, u, -halfCells);
    if (withinBox(low, end0(gate), end1(gate))) setEnd0(gate, low);
    const PathPoint high = along(crossing, u, halfCells);
    if (withinBox(high, end0(gate), end1(gate))) setEnd1(gate, high);
}

}  // namespace nav
