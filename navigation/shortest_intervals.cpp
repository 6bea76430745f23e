// Shortest paths over the navigation mesh. A search node is an interval [a, b] of a
// triangle edge together with a root r: every point of the interval is seen from r, and r
// is either the start or a corner vertex where the path bends. Expanding a node projects
// the two rays r->a and r->b through the triangle beyond the interval: the part of its
// far edges between the rays is seen from r (same root), the parts outside them can only
// be reached by bending around a or b, which is allowed only where a or b is a corner
// vertex (some crossing around it is refused). Nodes are ordered by g(root) plus a lower
// bound of the rest, so the first goal popped ends the shortest path.
#include "navigation/shortest_search.h"

#include <cmath>

namespace nav::shortest {

namespace {

// Lower bound of the length from root r through the interval [a, b] to the goal. A goal on
// r's side of the interval's line is mirrored across it, since the path must cross it.
double intervalBound(Vec r, Vec a, Vec b, Vec t) {
    const Vec edge = b - a;
    const double sideR = cross(edge, r - a);
    const double sideT = cross(edge, t - a);
    if ((sideR > 0 && sideT > 0) || (sideR < 0 && sideT < 0)) {
        const double len2 = edge.x * edge.x + edge.y * edge.y;
        if (len2 > 0) {
            const double along = ((t.x - a.x) * edge.x + (t.y - a.y) * edge.y) / len2;
            const Vec foot = a + edge * along;
            t = foot * 2.0 - t;
        }
    }
    const double ca = cross(a - r, t - r);
    const double cb = cross(b - r, t - r);
    if (ca >= 0 && cb <= 0) return distance(r, t);
    // Past one ray only: the straight way bends at that end of the interval.
    if (cb <= 0) return distance(r, a) + distance(a, t);
    if (ca >= 0) return distance(r, b) + distance(b, t);
    const double viaA = distance(r, a) + distance(a, t);
    const double viaB = distance(r, b) + distance(b, t);
    return viaA < viaB ? viaA : viaB;
}

}  // namespace

void addEdgeNode(Context& c, int parent, int t, int k, int32_t root, double g, Vec a, Vec b, uint8_t flags,
                 int32_t rotationOrigin) {
    const int n = c.mesh.triangles[t].neighbour[k];
    const int entry = slotToward(c.mesh, n, t);
    if (c.sweep) {
        // Seeing the whole entry edge is not seeing the whole triangle: its far vertex may lie
        // outside the two rays (decided when the node is expanded).
        const bool whole = (flags & kNodeDegenerate) != 0;
        recordSighting(c, n, whole);
        if (flags & kNodeAIsVertex) recordCorner(c, n, entry);
        if (flags & kNodeBIsVertex) recordCorner(c, n, next(entry));
    }
    // A triangle without the goal and with no way on but back is a dead end, and so is
    // every triangle hanging off the cycles unless the start or goal lies beyond it.
    if (!c.sweep) {
        if (n != c.goalTriangle && !passable(c, n, next(entry)) && !passable(c, n, prev(entry))) return;
        if (c.state.hanging[n] && c.state.wayOutStamp[n] != c.state.stamp) return;
    }
    ShortestNode node;
    node.ax = a.x;
    node.ay = a.y;
    node.bx = b.x;
    node.by = b.y;
    node.g = g;
    node.root = root;
    node.parent = parent;
    node.triangle = n;
    node.entrySlot = static_cast<int8_t>(entry);
    node.flags = flags;
    node.rotationOrigin = rotationOrigin;
    if (!c.sweep) {
        const Vec r = rootPoint(c, root);
        node.f = g + ((flags & kNodeDegenerate) ? distance(r, c.goal) : intervalBound(r, a, b, c.goal));
    }
    addNode(c, node);
}

void addGoalNode(Context& c, int parent, int32_t root, double g) {
    ShortestNode node;
    node.ax = node.bx = c.goal.x;
    node.ay = node.by = c.goal.y;
    node.root = root;
    node.g = g;
    node.f = g + distance(rootPoint(c, root), c.goal);
    node.parent = parent;
    node.triangle = c.goalTriangle;
    node.flags = kNodeGoal;
    addNode(c, node);
}

namespace {

// Records g for a root vertex; false when the vertex was already reached by a shorter path.
bool improvesRoot(ShortestSearchState& st, int32_t v, double g) {
    if (st.rootStamp[v] == st.stamp) {
        if (g > st.rootBest[v] + kLengthTolerance) return false;
        if (g < st.rootBest[v]) st.rootBest[v] = g;
        return true;
    }
    st.rootStamp[v] = st.stamp;
    st.rootBest[v] = g;
    return true;
}

// A node whose root lies on its entry edge's line sees all of its triangle: each far edge
// whole, with the same root; an edge through the root continues the turn around it.
void expandDegenerate(Context& c, int index) {
    const ShortestNode n = c.state.nodes[index];
    const int t = n.triangle;
    const int i = n.entrySlot;
    const Vec r = rootPoint(c, n.root);
    if (c.sweep) {
        for (int s = 0; s < 3; ++s) recordCorner(c, t, s);
    } else if (t == c.goalTriangle) {
        addGoalNode(c, index, n.root, n.g);
    }
    const int slots[2] = {prev(i), next(i)};
    for (int k : slots) {
        const int neighbour = c.mesh.triangles[t].neighbour[k];
        if (neighbour == n.rotationOrigin || !passable(c, t, k)) continue;
        // Edge k runs from slot k to slot next(k); the neighbour's edge start is next(k).
        const Vec a = vertexPoint(c.mesh, t, next(k));
        const Vec b = vertexPoint(c.mesh, t, k);
        const PathPoint ia = vertexWorld(c.mesh, t, next(k));
        const PathPoint ib = vertexWorld(c.mesh, t, k);
        const int64_t rx = static_cast<int64_t>(r.x), ry = static_cast<int64_t>(r.y);
        const bool onLine = cross64(ib.x - ia.x, ib.y - ia.y, rx - ia.x, ry - ia.y) == 0;
        uint8_t flags = kNodeAIsVertex | kNodeBIsVertex;
        int32_t origin = -1;
        if (onLine) {
            flags |= kNodeDegenerate;
            origin = n.rotationOrigin < 0 ? t : n.rotationOrigin;
        }
        addEdgeNode(c, index, t, k, n.root, n.g, a, b, flags, origin);
    }
}

// Position where the ray from r through x leaves triangle (u, w, v) entered through u-v:
// 0..1 along u->w, 1..2 along w->v.
double exitPosition(Vec r, Vec x, Vec u, Vec w, Vec v, bool xIsU, bool xIsV) {
    const Vec d = x - r;
    const Vec rw = w - r;
    const double sw = cross(d, rw);
    if (nearZero(sw, d, rw)) return 1.0;
    if (sw > 0) {  // w lies toward v: the ray leaves through u-w
        if (xIsU) return 0.0;
        const double den = cross(d, w - u);
        if (den == 0) return 0.0;
        double s = -cross(d, u - r) / den;
        s = s < 0 ? 0 : (s > 1 ? 1 : s);
        return s;
    }
    if (xIsV) return 2.0;
    const double den = cross(d, v - w);
    if (den == 0) return 2.0;
    double s = -cross(d, w - r) / den;
    s = s < 0 ? 0 : (s > 1 ? 1 : s);
    return 1.0 + s;
}

Vec pointAt(double pos, Vec u, Vec w, Vec v) {
    if (pos <= 1.0) return u + (w - u) * pos;
    return w + (v - w) * (pos - 1.0);
}

void expandInterval(Context& c, int index) {
    const ShortestNode n = c.state.nodes[index];
    const int t = n.triangle;
    const int i = n.entrySlot;
    const Vec r = rootPoint(c, n.root);
    const Vec a{n.ax, n.ay}, b{n.bx, n.by};
    const Vec u = vertexPoint(c.mesh, t, i);
    const Vec v = vertexPoint(c.mesh, t, next(i));
    const Vec w = vertexPoint(c.mesh, t, prev(i));
    const bool aIsU = (n.flags & kNodeAIsVertex) != 0;
    const bool bIsV = (n.flags & kNodeBIsVertex) != 0;

    if (t == c.goalTriangle && !c.sweep) {
        const double ca = cross(a - r, c.goal - r);
        const double cb = cross(b - r, c.goal - r);
        const bool pastA = ca < 0 && !nearZero(ca, a - r, c.goal - r);
        const bool pastB = cb > 0 && !nearZero(cb, b - r, c.goal - r);
        if (!pastA && !pastB) {
            addGoalNode(c, index, n.root, n.g);
        } else if (pastA && aIsU && isCorner(c, t, i)) {
            const int32_t vu = c.mesh.triangles[t].vertex[i];
            addGoalNode(c, index, vu, n.g + distance(r, u));
        } else if (pastB && bIsV && isCorner(c, t, next(i))) {
            const int32_t vv = c.mesh.triangles[t].vertex[next(i)];
            addGoalNode(c, index, vv, n.g + distance(r, v));
        }
    }

    const int leftSlot = prev(i);   // edge w -> u
    const int rightSlot = next(i);  // edge v -> w
    double pa = exitPosition(r, a, u, w, v, aIsU, false);
    double pb = exitPosition(r, b, u, w, v, false, bIsV);
    if (pb < pa) pb = pa;
    if (c.sweep) {
        if (pa <= 1.0 && pb >= 1.0) recordCorner(c, t, prev(i));
        if (pa <= 0.0 && pb >= 2.0 && aIsU && bIsV) recordSighting(c, t, true);
    }

    // Seen from r: the far boundary between the two rays.
    if ((pa < 1.0 || pb <= 1.0) && passable(c, t, leftSlot)) {
        const double to = pb < 1.0 ? pb : 1.0;
        uint8_t flags = 0;
        if (pa <= 0.0) flags |= kNodeAIsVertex;
        if (to >= 1.0) flags |= kNodeBIsVertex;
        addEdgeNode(c, index, t, leftSlot, n.root, n.g, pointAt(pa, u, w, v), pointAt(to, u, w, v), flags, -1);
    }
    if ((pb > 1.0 || pa >= 1.0) && passable(c, t, rightSlot)) {
        const double from = pa > 1.0 ? pa : 1.0;
        uint8_t flags = 0;
        if (from <= 1.0) flags |= kNodeAIsVertex;
        if (pb >= 2.0) flags |= kNodeBIsVertex;
        addEdgeNode(c, index, t, rightSlot, n.root, n.g, pointAt(from, u, w, v), pointAt(pb, u, w, v), flags, -1);
    }

    if (c.sweep) return;
    if (c.useGraph) {
        // Beyond either ray lies what only a bend around u or v reaches: the corner graph
        // takes it from there.
        if (aIsU && pa > 0.0 && ((c.state.graph.bendSlots[t] >> i) & 1)) {
            addCornerNode(c, index, c.mesh.triangles[t].vertex[i], n.g + distance(r, u));
        }
        if (bIsV && pb < 2.0 && ((c.state.graph.bendSlots[t] >> next(i)) & 1)) {
            addCornerNode(c, index, c.mesh.triangles[t].vertex[next(i)], n.g + distance(r, v));
        }
        return;
    }
    // Beyond the ray through a: reached only by bending around the corner u.
    if (aIsU && pa > 0.0 && isCorner(c, t, i)) {
        const int32_t vu = c.mesh.triangles[t].vertex[i];
        const double gu = n.g + distance(r, u);
        if (improvesRoot(c.state, vu, gu)) {
            if (passable(c, t, leftSlot)) {
                addEdgeNode(c, index, t, leftSlot, vu, gu, u, w, kNodeAIsVertex | kNodeBIsVertex | kNodeDegenerate, t);
            }
            if (pa > 1.0 && passable(c, t, rightSlot)) {
                const uint8_t flags = kNodeAIsVertex | (pa >= 2.0 ? kNodeBIsVertex : 0);
                addEdgeNode(c, index, t, rightSlot, vu, gu, w, pointAt(pa, u, w, v), flags, -1);
            }
        }
    }
    // Beyond the ray through b: reached only by bending around the corner v.
    if (bIsV && pb < 2.0 && isCorner(c, t, next(i))) {
        const int32_t vv = c.mesh.triangles[t].vertex[next(i)];
        const double gv = n.g + distance(r, v);
        if (improvesRoot(c.state, vv, gv)) {
            if (pb < 1.0 && passable(c, t, leftSlot)) {
                const uint8_t flags = kNodeBIsVertex | (pb <= 0.0 ? kNodeAIsVertex : 0);
                addEdgeNode(c, index, t, leftSlot, vv, gv, pointAt(pb, u, w, v), w, flags, -1);
            }
            if (passable(c, t, rightSlot)) {
                addEdgeNode(c, index, t, rightSlot, vv, gv, w, v, kNodeAIsVertex | kNodeBIsVertex | kNodeDegenerate, t);
            }
        }
    }
}

}  // namespace

void expandNode(Context& c, int index) {
    const uint8_t flags = c.state.nodes[index].flags;
    if (flags & kNodeCorner) {
        expandCorner(c, index);
    } else if (flags & kNodeDegenerate) {
        expandDegenerate(c, index);
    } else {
        expandInterval(c, index);
    }
}

}  // namespace nav::shortest
