// The corner graph: which corners see which and which corners see which triangles, made by
// sweeping each corner's sight with the interval search's own geometry; and the search's
// steps from corner to corner, along the directions that wrap a corner's wall.
#include "navigation/shortest_search.h"

#include <algorithm>
#include <cmath>

namespace nav::shortest {

namespace {

// Whether the direction (dx, dy) from corner v points strictly into its wall (the angle,
// narrower than a half turn, between the two edges bounding its bending sector). A path
// going that way into v cannot bend there tautly.
bool intoWall(const CornerGraph& g, int v, int64_t dx, int64_t dy) {
    const int32_t* w = g.wallEdges[v];
    const int64_t c1 = cross64(w[0], w[1], dx, dy), c2 = cross64(dx, dy, w[2], w[3]);
    const int64_t c12 = cross64(w[0], w[1], w[2], w[3]);
    return c12 > 0 ? (c1 > 0 && c2 > 0) : (c12 < 0 && c1 < 0 && c2 < 0);
}

}  // namespace

void recordSighting(Context& c, int t, bool whole) {
    CornerGraph& g = c.state.graph;
    if (g.touchStamp[t] == g.sweep) {
        if (whole) g.foundCode[g.touchIndex[t]] |= 1;
        return;
    }
    if (g.foundCount >= kMaxCornerSightings) {
        c.overflow = true;
        return;
    }
    g.touchStamp[t] = g.sweep;
    g.touchIndex[t] = g.foundCount;
    g.foundTriangle[g.foundCount] = t;
    g.foundCode[g.foundCount++] = c.sweepRoot * 2 + (whole ? 1 : 0);
}

void recordCorner(Context& c, int t, int s) {
    CornerGraph& g = c.state.graph;
    if (!((g.bendSlots[t] >> s) & 1)) return;
    const int32_t v = c.mesh.triangles[t].vertex[s];
    if (v == c.sweepRoot || g.seenStamp[v] == g.sweep) return;
    if (c.edgeCount >= kMaxCornerEdges) {
        c.overflow = true;
        return;
    }
    g.seenStamp[v] = g.sweep;
    // An edge that runs into the wall at either end is on no shortest path.
    const NavPoint& from = c.mesh.points[c.sweepRoot];
    const NavPoint& to = c.mesh.points[v];
    const int64_t dx = to.x - from.x, dy = to.y - from.y;
    if (intoWall(g, c.sweepRoot, -dx, -dy) || intoWall(g, v, dx, dy)) return;
    const Vec d = rootPoint(c, v) - rootPoint(c, c.sweepRoot);
    g.edges[c.edgeCount++] = CornerEdge{v, static_cast<float>(pseudoAngle(d)), length(d)};
}

void addCornerNode(Context& c, int parent, int32_t v, double g) {
    ShortestSearchState& st = c.state;
    if (st.rootStamp[v] == st.stamp && g >= st.rootBest[v] - kLengthTolerance) return;
    st.rootStamp[v] = st.stamp;
    st.rootBest[v] = g;
    ShortestNode node;
    node.root = v;
    node.g = g;
    node.f = g + distance(rootPoint(c, v), c.goal);
    node.parent = parent;
    node.triangle = -1;
    node.flags = kNodeCorner;
    addNode(c, node);
}

namespace {


// Whether a path from p that bends at corner v toward direction `out` wraps v's wall:
// the wall lies within the narrower angle between the way back to p and the way out.
// Any other bend has a shorter way past v. Undecided cases count as wrapping.
bool wrapsWall(const CornerGraph& g, int v, Vec back, Vec out) {
    const Vec m{g.wallMiddle[v][0], g.wallMiddle[v][1]};
    const double turn = cross(back, out);
    const double slack = 1e-9 * (std::fabs(back.x) + std::fabs(back.y)) * (std::fabs(out.x) + std::fabs(out.y));
    if (std::fabs(turn) <= slack) return true;
    const double s1 = cross(back, m), s2 = cross(m, out);
    const double e1 = 1e-9 * (std::fabs(back.x) + std::fabs(back.y)) * (std::fabs(m.x) + std::fabs(m.y));
    const double e2 = 1e-9 * (std::fabs(out.x) + std::fabs(out.y)) * (std::fabs(m.x) + std::fabs(m.y));
    if (turn > 0) return s1 >= -e1 && s2 >= -e2;
    return s1 <= e1 && s2 <= e2;
}

enum class Taut { Range, None, EachEdge };

// The directions a path from `back` (relative to corner v) can leave v in while wrapping
// its wall, as a range of pseudo-angles [from, to] (from > to when it runs past a whole
// turn), a little wider than exact. None when the way straight on runs into the wall
// (no bend there is taut); EachEdge when undecided (the caller tests each edge).
Taut tautDirections(const CornerGraph& g, int v, Vec back, float& from, float& to) {
    constexpr double kWiden = 1e-6;
    const int32_t* w = g.wallEdges[v];
    const Vec o1{static_cast<double>(w[0]), static_cast<double>(w[1])};
    const Vec o2{static_cast<double>(w[2]), static_cast<double>(w[3])};
    // Exact: whole numbers well within a double's precision. A wall edge along the way back
    // leaves the other edge to tell the wall's side.
    const double s1 = cross(back, o1), s2 = cross(back, o2);
    const double side = s1 != 0 ? s1 : s2, other = s1 != 0 ? s2 : s1;
    if (side == 0) return Taut::EachEdge;
    if (other != 0 && (other > 0) != (side > 0)) return Taut::None;
    const bool o2After = cross(o1, o2) > 0;
    const Vec ahead = back * -1.0;
    double lo, hi;
    if (side > 0) {  // wall counter-clockwise of the way back: leave between its far edge and straight on
        lo = pseudoAngle(o2After ? o2 : o1);
        hi = pseudoAngle(ahead);
    } else {  // wall clockwise: leave between straight on and its near edge
        lo = pseudoAngle(ahead);
        hi = pseudoAngle(o2After ? o1 : o2);
    }
    lo -= kWiden;
    hi += kWiden;
    if (lo < 0) lo += 4;
    if (hi >= 4) hi -= 4;
    from = static_cast<float>(lo);
    to = static_cast<float>(hi);
    return Taut::Range;
}

}  // namespace

void expandCorner(Context& c, int index) {
    const ShortestNode n = c.state.nodes[index];
    const CornerGraph& g = c.state.graph;
    const int32_t v = n.root;
    const Vec here = rootPoint(c, v);
    const Vec back = rootPoint(c, c.state.nodes[n.parent].root) - here;
    if (g.goalStamp[v] == c.state.stamp && wrapsWall(g, v, back, c.goal - here) &&
        (g.goalFull[v] || walkFromCorner(c, v, c.goalPoint))) {
        addGoalNode(c, index, v, n.g);
    }
    const int begin = g.edgeStart[v], end = g.edgeStart[v + 1];
    float from = 0, to = 0;
    const Taut taut = tautDirections(g, v, back, from, to);
    if (taut == Taut::None) return;
    if (taut == Taut::EachEdge) {
        for (int e = begin; e < end; ++e) {
            const CornerEdge& edge = g.edges[e];
            if (wrapsWall(g, v, back, rootPoint(c, edge.to) - here)) addCornerNode(c, index, edge.to, n.g + edge.length);
        }
        return;
    }
    // The edges within [from, to], which may run on past a whole turn.
    const auto byAngle = [](const CornerEdge& e, float a) { return e.angle < a; };
    const int first = static_cast<int>(std::lower_bound(g.edges + begin, g.edges + end, from, byAngle) - g.edges);
    for (int e = first; e < end && (from > to || g.edges[e].angle <= to); ++e) {
        addCornerNode(c, index, g.edges[e].to, n.g + g.edges[e].length);
    }
    if (from > to) {
        for (int e = begin; e < end && g.edges[e].angle <= to; ++e) {
            addCornerNode(c, index, g.edges[e].to, n.g + g.edges[e].length);
        }
    }
}

namespace {

// Finds the corners and their bending sectors; false when the graph cannot be made (a
// crossing allowed one way only, an endless fan).
bool findCorners(Context& c) {
    NavMesh& mesh = c.mesh;
    CornerGraph& g = c.state.graph;
    for (int t = 0; t < mesh.triangleHighWater; ++t) {
        g.bendSlots[t] = 0;
        if (!isLive(mesh.triangles[t])) continue;
        for (int k = 0; k < 3; ++k) {
            if (!passable(c, t, k)) continue;
            const int n = mesh.triangles[t].neighbour[k];
            const int back = slotToward(mesh, n, t);
            if (back < 0 || !passable(c, n, back)) return false;
        }
    }
    constexpr int32_t kNotLookedAt = -2;
    for (int v = 0; v < mesh.pointHighWater; ++v) g.sectorSeed[v] = kNotLookedAt;
    Sector sector;
    for (int t = 0; t < mesh.triangleHighWater; ++t) {
        if (!isLive(mesh.triangles[t])) continue;
        for (int s = 0; s < 3; ++s) {
            const int v = mesh.triangles[t].vertex[s];
            if (g.sectorSeed[v] != kNotLookedAt) continue;
            g.sectorSeed[v] = -1;
            if (!isCorner(c, t, s)) continue;
            // Every sector of v's fan: start at each fan triangle not yet in a sector.
            ++g.sweep;
            int cur = t, slot = s;
            for (int guard = 0;; ++guard) {  // back to the fan's open end, if it has one
                const int behind = prev(slot);
                const int n = mesh.triangles[cur].neighbour[behind];
                if (n < 0 || guard == kMaxFanWalk) break;
                const int back = slotToward(mesh, n, cur);
                if (back < 0 || n == t) break;
                cur = n;
                slot = back;
            }
            const int fanStart = cur;
            for (int guard = 0;; ++guard) {
                if (guard == kMaxFanWalk) return false;
                if (g.touchStamp[cur] != g.sweep) {
                    sectorOf(c, cur, slot, sector);
                    if (!sector.complete) return false;
                    for (int k = 0; k < sector.count; ++k) g.touchStamp[sector.triangle[k]] = g.sweep;
                    if (widerThanHalfTurn(mesh, sector)) {
                        if (g.sectorSeed[v] >= 0) return false;  // two such sectors cannot be
                        g.sectorSeed[v] = cur * 4 + slot;
                        NavPoint first, last;
                        sectorBounds(mesh, sector, first, last);
                        const NavPoint& centre = mesh.points[v];
                        int32_t* w = g.wallEdges[v];
                        w[0] = last.x - centre.x;
                        w[1] = last.y - centre.y;
                        w[2] = first.x - centre.x;
                        w[3] = first.y - centre.y;
                        const double l1 = std::sqrt(double(w[0]) * w[0] + double(w[1]) * w[1]);
                        const double l2 = std::sqrt(double(w[2]) * w[2] + double(w[3]) * w[3]);
                        g.wallMiddle[v][0] = w[0] / l1 + w[2] / l2;
                        g.wallMiddle[v][1] = w[1] / l1 + w[3] / l2;
                        for (int k = 0; k < sector.count; ++k) {
                            g.bendSlots[sector.triangle[k]] |= static_cast<uint8_t>(1u << sector.slot[k]);
                        }
                    }
                }
                const int n = mesh.triangles[cur].neighbour[slot];
                if (n < 0) break;
                const int back = slotToward(mesh, n, cur);
                if (back < 0) return false;
                cur = n;
                slot = next(back);
                if (cur == fanStart) break;
            }
        }
    }
    return true;
}

// Sweeps the sight of every corner within its bending sector: the corners it sees become
// its edges, the triangles it sees list it.
bool sweepCorners(Context& c) {
    NavMesh& mesh = c.mesh;
    ShortestSearchState& st = c.state;
    CornerGraph& g = st.graph;
    c.sweep = true;
    c.edgeCount = 0;
    c.overflow = false;
    g.foundCount = 0;
    Sector sector;
    for (int v = 0; v < mesh.pointHighWater; ++v) {
        g.edgeStart[v] = c.edgeCount;
        const int32_t seed = g.sectorSeed[v];
        if (seed < 0) continue;
        ++g.sweep;
        c.sweepRoot = v;
        st.nodeCount = 0;
        sectorOf(c, seed >> 2, seed & 3, sector);
        for (int k = 0; k < sector.count; ++k) {
            const int t = sector.triangle[k], s = sector.slot[k];
            recordSighting(c, t, true);
            recordCorner(c, t, next(s));
            recordCorner(c, t, prev(s));
            const int far = next(s);
            if (passable(c, t, far)) {
                addEdgeNode(c, -1, t, far, v, 0.0, vertexPoint(mesh, t, next(far)), vertexPoint(mesh, t, far),
                            kNodeAIsVertex | kNodeBIsVertex, -1);
            }
        }
        for (int i = 0; i < st.nodeCount && !c.overflow; ++i) expandNode(c, i);
        if (c.overflow) break;
    }
    st.nodeCount = 0;
    c.sweep = false;
    if (c.overflow) {
        // The corners after the one that ran out have no edge ranges: nothing more is
        // touched, and queries search without the graph.
        c.overflow = false;
        return false;
    }
    g.edgeStart[mesh.pointHighWater] = c.edgeCount;
    for (int v = 0; v < mesh.pointHighWater; ++v) {
        std::sort(g.edges + g.edgeStart[v], g.edges + g.edgeStart[v + 1],
                  [](const CornerEdge& a, const CornerEdge& b) { return a.angle < b.angle; });
    }
    // Sightings grouped by triangle.
    const int triangles = mesh.triangleHighWater;
    for (int t = 0; t <= triangles; ++t) g.sightStart[t] = 0;
    for (int i = 0; i < g.foundCount; ++i) ++g.sightStart[g.foundTriangle[i] + 1];
    for (int t = 0; t < triangles; ++t) g.sightStart[t + 1] += g.sightStart[t];
    for (int t = 0; t < triangles; ++t) g.touchIndex[t] = g.sightStart[t];
    for (int i = 0; i < g.foundCount; ++i) g.sightings[g.touchIndex[g.foundTriangle[i]]++] = g.foundCode[i];
    return true;
}

}  // namespace

void prepareCornerGraph(Context& c) {
    CornerGraph& g = c.state.graph;
    if (g.status != CornerGraph::Status::Stale) return;
    g.sweep = 0;
    for (int t = 0; t < c.mesh.triangleHighWater; ++t) g.touchStamp[t] = 0;
    for (int v = 0; v < c.mesh.pointHighWater; ++v) g.seenStamp[v] = 0;
    const bool made = findCorners(c) && sweepCorners(c);
    g.status = made ? CornerGraph::Status::Ready : CornerGraph::Status::Unavailable;
    g.cornerCount = 0;
    for (int v = 0; v < c.mesh.pointHighWater; ++v) g.cornerCount += g.sectorSeed[v] >= 0 ? 1 : 0;
    g.edgeCount = c.edgeCount;
    g.sightingCount = g.foundCount;
    if (made) startDistanceRows(g, c.mesh);
}

}  // namespace nav::shortest
