// Shortest paths over the navigation mesh. A search node is an interval [a, b] of a
// triangle edge together with a root r: every point of the interval is seen from r, and r
// is either the start or a corner vertex where the path bends. Expanding a node projects
// the two rays r->a and r->b through the triangle beyond the interval: the part of its
// far edges between the rays is seen from r (same root), the parts outside them can only
// be reached by bending around a or b, which is allowed only where a or b is a corner
// vertex (some crossing around it is refused). Nodes are ordered by g(root) plus a lower
// bound of the rest, so the first goal popped ends the shortest path.
#include "navigation/shortest_path.h"

#include <algorithm>
#include <cmath>

#include "navigation/triangulation.h"

namespace nav {

namespace {

constexpr int32_t kStartRoot = -1;
constexpr uint8_t kNodeAIsVertex = 1;   // interval end a is the entry edge's start vertex
constexpr uint8_t kNodeBIsVertex = 2;   // interval end b is the entry edge's end vertex
constexpr uint8_t kNodeDegenerate = 4;  // the root lies on the entry edge's line: all of the triangle is seen
constexpr uint8_t kNodeGoal = 8;        // the interval is the destination itself
constexpr uint8_t kNodeCorner = 16;     // a corner of the corner graph, reached with length g
// Highest pass table; numbers beyond it use it (as the classic query does).
constexpr int kStrictestPassTable = 3;
// Lengths within this many world units count as equal when pruning a root reached again.
constexpr double kLengthTolerance = 1e-6;
// Clearance tries: the full clearance, then halves, before a corner stays where it is.
constexpr int kClearanceTries = 3;
// ShortestSearchState::corner of a vertex not looked at since the tables were worked out.
constexpr uint8_t kCornerUnknown = 2;
// Successors one expansion can make: the goal, two seen from the root, two beyond each
// ray's corner; one more slot spare.
constexpr int kPendingNodes = 8;
// Longest walk around one vertex's fan; a longer fan makes the corner graph unavailable.
constexpr int kMaxFanWalk = 256;

struct Vec {
    double x, y;
};
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
Vec operator*(Vec a, double s) { return {a.x * s, a.y * s}; }
double cross(Vec a, Vec b) { return a.x * b.y - a.y * b.x; }
// A number in [0, 4) that grows with the direction's angle counter-clockwise from +x
// (cheaper than atan2, and only order matters).
double pseudoAngle(Vec d) {
    const double p = d.y / (std::fabs(d.x) + std::fabs(d.y));
    return d.x < 0 ? 2 - p : (d.y < 0 ? 4 + p : p);
}
double length(Vec a) { return std::sqrt(a.x * a.x + a.y * a.y); }
double distance(Vec a, Vec b) { return length(a - b); }
// A cross product this small against its factors' sizes counts as zero.
bool nearZero(double c, Vec a, Vec b) {
    return std::fabs(c) <= 1e-9 * (std::fabs(a.x) + std::fabs(a.y)) * (std::fabs(b.x) + std::fabs(b.y));
}

int64_t cross64(int64_t ax, int64_t ay, int64_t bx, int64_t by) { return ax * by - ay * bx; }

// Vertex at slot s of triangle t, world units.
Vec vertexPoint(const NavMesh& mesh, int t, int s) {
    const NavPoint& p = vertex_of(mesh, t, s);
    return {p.x * 256.0, p.y * 256.0};
}
PathPoint vertexWorld(const NavMesh& mesh, int t, int s) {
    const NavPoint& p = vertex_of(mesh, t, s);
    return {p.x * 256, p.y * 256};
}
PathPoint vertexIndexWorld(const NavMesh& mesh, int v) { return {mesh.points[v].x * 256, mesh.points[v].y * 256}; }

// Everything one query reads, gathered once.
struct Context {
    NavMesh& mesh;
    ShortestSearchState& state;
    const uint8_t* table;
    CellLinkRule rule;
    Vec start;
    Vec goal;
    int goalTriangle;
    bool overflow = false;
    // Nodes made by the expansion under way, not yet in the heap: a lone successor with
    // the same root is expanded at once instead of going through the heap.
    int32_t pending[kPendingNodes] = {};
    int pendingCount = 0;
    // Searching over the corner graph: bends become corner nodes.
    bool useGraph = false;
    // Sweeping the sight of one corner (building the graph): nodes keep the corner as
    // their root, record what they see, and never bend.
    bool sweep = false;
    int32_t sweepRoot = -1;
    int32_t edgeCount = 0;
    PathPoint goalPoint{};
};

// Whether a path may cross edge k of triangle t into its neighbour.
bool passable(const Context& c, int t, int k) { return (c.state.passMask[t] >> k) & 1; }

// Slot of triangle b whose neighbour is a, or -1.
int slotToward(const NavMesh& mesh, int b, int a) {
    const NavTriangle& tri = mesh.triangles[b];
    return tri.neighbour[0] == a ? 0 : (tri.neighbour[1] == a ? 1 : (tri.neighbour[2] == a ? 2 : -1));
}

// A vertex is a corner when some crossing around it is refused in either direction (or
// its fan is open): only there can a shortest path bend.
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

// Bit k set when a path may cross edge k of triangle t, under the link rule and table.
uint8_t crossingMask(const NavMesh& mesh, const uint8_t* table, CellLinkRule rule, int t) {
    const NavTriangle& from = mesh.triangles[t];
    if (!isLive(from)) return 0;
    uint8_t mask = 0;
    for (int e = 0; e < 3; ++e) {
        const int n = from.neighbour[e];
        if (n < 0) continue;
        const NavTriangle& to = mesh.triangles[n];
        if (isOutsideType(to.type) || !edge_passes(mesh, table, t, e)) continue;
        if (rule(from.type, to.type) != 0) mask = static_cast<uint8_t>(mask | (1u << e));
    }
    return mask;
}

// Works out the crossings and dead ends for a mesh build, link rule and table, unless
// they are the ones of the last query.
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
    // Two triangles are joined when either may cross into the other; peel the triangles
    // joined to at most one other until only cycles remain.
    auto joined = [&](int t, int k) {
        const int n = mesh.triangles[t].neighbour[k];
        if (n < 0) return false;
        if ((st.passMask[t] >> k) & 1) return true;
        const int back = neighbour_slot(mesh, n, t);
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

// Marks the way out of the dead end that holds triangle t (nothing when t is on a cycle).
void markWayOut(const NavMesh& mesh, ShortestSearchState& st, int t) {
    for (int guard = 0; guard < kMaxTriangles && t >= 0 && st.hanging[t]; ++guard) {
        st.wayOutStamp[t] = st.stamp;
        const int k = st.exitSlot[t];
        t = k < 0 ? -1 : mesh.triangles[t].neighbour[k];
    }
}

Vec rootPoint(const Context& c, int32_t root) {
    if (root == kStartRoot) return c.start;
    return {c.mesh.points[root].x * 256.0, c.mesh.points[root].y * 256.0};
}

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

using HeapEntry = ShortestSearchState::HeapEntry;

// Lower f first; among equal f the longer g (nearer the goal), then the older node.
bool heapLess(const HeapEntry& a, const HeapEntry& b) {
    if (a.f != b.f) return a.f < b.f;
    if (a.g != b.g) return a.g > b.g;
    return a.node < b.node;
}

void heapPush(ShortestSearchState& st, HeapEntry entry) {
    int i = st.heapSize++;
    while (i > 0) {
        const int up = (i - 1) / 2;
        if (!heapLess(entry, st.heap[up])) break;
        st.heap[i] = st.heap[up];
        i = up;
    }
    st.heap[i] = entry;
}

int32_t heapPop(ShortestSearchState& st) {
    const int32_t top = st.heap[0].node;
    const HeapEntry last = st.heap[--st.heapSize];
    int i = 0;
    for (;;) {
        int child = 2 * i + 1;
        if (child >= st.heapSize) break;
        if (child + 1 < st.heapSize && heapLess(st.heap[child + 1], st.heap[child])) ++child;
        if (!heapLess(st.heap[child], last)) break;
        st.heap[i] = st.heap[child];
        i = child;
    }
    if (st.heapSize > 0) st.heap[i] = last;
    return top;
}

// Appends a node; false (and the overflow flag) when the node table is full.
bool addNode(Context& c, const ShortestNode& node) {
    ShortestSearchState& st = c.state;
    if (st.nodeCount >= kMaxShortestNodes) {
        c.overflow = true;
        return false;
    }
    st.nodes[st.nodeCount] = node;
    if (c.sweep) {
        ++st.nodeCount;
        return true;
    }
    if (c.pendingCount < kPendingNodes) {
        c.pending[c.pendingCount++] = st.nodeCount;
    } else {
        heapPush(st, HeapEntry{node.f, node.g, st.nodeCount});
    }
    ++st.nodeCount;
    return true;
}

// While sweeping: the sweep's corner sees some of triangle t (all of it when `whole`).
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

bool intoWall(const CornerGraph& g, int v, int64_t dx, int64_t dy);

// While sweeping: the sweep's corner sees vertex s of triangle t; an edge when that vertex
// is a corner bending on t's side.
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

// A corner of the graph reached with length g, unless it was reached as short already.
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

// A node entering the neighbour across edge k of triangle t, interval [from, to] given in
// t's sweep order (toward t's vertex k first is the neighbour's edge start).
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

struct Sector;
void sectorOf(const Context& c, int t, int s, Sector& out);
bool wedgeHolds(const NavMesh& mesh, int t, int s, int64_t dx, int64_t dy);
int nextInSector(const Context& c, int t, int s, int64_t dx, int64_t dy);

// Walks the segment a -> b through the mesh with exact orientation tests, from triangle t,
// which holds a and, where a is one of its vertices, the segment's first stretch. Passing
// exactly through a vertex where some crossing is refused counts as blocked, unless
// `alongWalls`: then it is free when it goes on within the same sector of the vertex's fan
// (a path grazing a wall, as the interval search sees it).
bool walkFrom(Context& c, int t, PathPoint a, PathPoint b, bool alongWalls) {
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
        if (inside) return true;
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
            const int next = nextInSector(c, t, throughVertex, dx, dy);
            if (next < 0) return false;
            t = next;
            continue;
        }
        const PathPoint x = p[throughVertex];
        int cur = t, slot = throughVertex, found = -1;
        for (int step = 0; step < kMaxTriangles; ++step) {
            const PathPoint e1 = vertexWorld(mesh, cur, next(slot));
            const PathPoint e2 = vertexWorld(mesh, cur, prev(slot));
            const bool inWedge = cross64(static_cast<int64_t>(e1.x) - x.x, static_cast<int64_t>(e1.y) - x.y, dx, dy) <= 0 &&
                                 cross64(dx, dy, static_cast<int64_t>(e2.x) - x.x, static_cast<int64_t>(e2.y) - x.y) <= 0;
            if (inWedge && cur != t) {
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

// Walks the segment a -> b through the mesh with exact orientation tests.
bool walkSegment(Context& c, PathPoint a, PathPoint b) {
    const int t = locate_for_query(c.mesh, a.x, a.y);
    if (t < 0 || isOutsideType(c.mesh.triangles[t].type)) return false;
    return walkFrom(c, t, a, b, false);
}

// The triangles of the sector of slot s of triangle t: the fan of that vertex as far as
// crossings go (the corner graph needs crossings that go both ways, so one test does).
// The first `forward` entries turn one way from t, the rest the other way.
struct Sector {
    int32_t triangle[kMaxFanWalk];
    int8_t slot[kMaxFanWalk];
    int count = 0;
    int forward = 0;
    bool complete = true;  // false when the fan was longer than kMaxFanWalk
};

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

// Angle at slot s of triangle t, radians.
double angleAt(const NavMesh& mesh, int t, int s) {
    const Vec p = vertexPoint(mesh, t, s);
    const Vec e1 = vertexPoint(mesh, t, next(s)) - p;
    const Vec e2 = vertexPoint(mesh, t, prev(s)) - p;
    return std::atan2(std::fabs(cross(e1, e2)), e1.x * e2.x + e1.y * e2.y);
}

// The far vertices of the two edges that bound a sector (not complete all round): the
// last triangle turning back holds the first, the last turning on the other.
void sectorBounds(const NavMesh& mesh, const Sector& sector, NavPoint& first, NavPoint& last) {
    const int firstIndex = sector.count > sector.forward ? sector.count - 1 : 0;
    const int bt = sector.triangle[firstIndex], bs = sector.slot[firstIndex];
    const int ft = sector.triangle[sector.forward - 1], fs = sector.slot[sector.forward - 1];
    first = vertex_of(mesh, bt, prev(bs));
    last = vertex_of(mesh, ft, next(fs));
}

// Whether the direction (dx, dy) from corner v points strictly into its wall (the angle,
// narrower than a half turn, between the two edges bounding its bending sector). A path
// going that way into v cannot bend there tautly.
bool intoWall(const CornerGraph& g, int v, int64_t dx, int64_t dy) {
    const int32_t* w = g.wallEdges[v];
    const int64_t c1 = cross64(w[0], w[1], dx, dy), c2 = cross64(dx, dy, w[2], w[3]);
    const int64_t c12 = cross64(w[0], w[1], w[2], w[3]);
    return c12 > 0 ? (c1 > 0 && c2 > 0) : (c12 < 0 && c1 < 0 && c2 < 0);
}

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

// The directions a path from `back` (relative to corner v) can leave v in while wrapping
// its wall, as a range of pseudo-angles [from, to] (from > to when it runs past a whole
// turn), a little wider than exact. False when the wall is not all on one side of the
// way back (the caller then tests each edge).
bool tautDirections(const CornerGraph& g, int v, Vec back, float& from, float& to) {
    constexpr double kWiden = 1e-6;
    const int32_t* w = g.wallEdges[v];
    const Vec o1{static_cast<double>(w[0]), static_cast<double>(w[1])};
    const Vec o2{static_cast<double>(w[2]), static_cast<double>(w[3])};
    const double s1 = cross(back, o1), s2 = cross(back, o2);
    const bool o2After = cross(o1, o2) > 0;
    const Vec ahead = back * -1.0;
    double lo, hi;
    if (s1 > 0 && s2 > 0) {  // wall counter-clockwise of the way back: leave between its far edge and straight on
        lo = pseudoAngle(o2After ? o2 : o1);
        hi = pseudoAngle(ahead);
    } else if (s1 < 0 && s2 < 0) {  // wall clockwise: leave between straight on and its near edge
        lo = pseudoAngle(ahead);
        hi = pseudoAngle(o2After ? o1 : o2);
    } else {
        return false;
    }
    lo -= kWiden;
    hi += kWiden;
    if (lo < 0) lo += 4;
    if (hi >= 4) hi -= 4;
    from = static_cast<float>(lo);
    to = static_cast<float>(hi);
    return true;
}

// Whether a sector opens wider than a half turn. The summed angle decides unless it is
// near a half turn; there the exact orientation of its two bounding edges does, so a
// straight wall never counts.
bool widerThanHalfTurn(const NavMesh& mesh, const Sector& sector) {
    constexpr double kPi = 3.14159265358979323846;
    constexpr double kNearHalfTurn = 0.01;
    double sum = 0;
    for (int k = 0; k < sector.count; ++k) sum += angleAt(mesh, sector.triangle[k], sector.slot[k]);
    if (sum < kPi - kNearHalfTurn) return false;
    if (sum > kPi + kNearHalfTurn) return true;
    const int firstIndex = sector.count > sector.forward ? sector.count - 1 : 0;
    const int bt = sector.triangle[firstIndex], bs = sector.slot[firstIndex];
    const NavPoint& v = vertex_of(mesh, bt, bs);
    const NavPoint& firstOther = vertex_of(mesh, bt, next(bs));
    NavPoint first, last;
    sectorBounds(mesh, sector, first, last);
    const int64_t d0x = first.x - v.x, d0y = first.y - v.y;
    const int64_t turn = cross64(d0x, d0y, firstOther.x - v.x, firstOther.y - v.y);
    const int64_t across = cross64(d0x, d0y, last.x - v.x, last.y - v.y);
    return turn > 0 ? across < 0 : across > 0;
}

// Whether the direction (dx, dy) from slot s of triangle t points into the triangle (or
// along one of its two edges there).
bool wedgeHolds(const NavMesh& mesh, int t, int s, int64_t dx, int64_t dy) {
    const PathPoint x = vertexWorld(mesh, t, s);
    const PathPoint e1 = vertexWorld(mesh, t, next(s));
    const PathPoint e2 = vertexWorld(mesh, t, prev(s));
    return cross64(static_cast<int64_t>(e1.x) - x.x, static_cast<int64_t>(e1.y) - x.y, dx, dy) <= 0 &&
           cross64(dx, dy, static_cast<int64_t>(e2.x) - x.x, static_cast<int64_t>(e2.y) - x.y) <= 0;
}

// The triangle other than t, in the sector of slot s of t, whose wedge holds the direction;
// -1 when there is none.
int nextInSector(const Context& c, int t, int s, int64_t dx, int64_t dy) {
    Sector sector;
    sectorOf(c, t, s, sector);
    for (int k = 1; k < sector.count; ++k) {
        if (wedgeHolds(c.mesh, sector.triangle[k], sector.slot[k], dx, dy)) return sector.triangle[k];
    }
    return -1;
}

// Walks from corner v of the graph to b, starting in the triangle of v's bending sector
// whose wedge holds the direction.
bool walkFromCorner(Context& c, int32_t v, PathPoint b) {
    const int32_t seed = c.state.graph.sectorSeed[v];
    if (seed < 0) return false;
    const PathPoint x = vertexIndexWorld(c.mesh, v);
    const int64_t dx = static_cast<int64_t>(b.x) - x.x, dy = static_cast<int64_t>(b.y) - x.y;
    if (dx == 0 && dy == 0) return true;
    Sector sector;
    sectorOf(c, seed >> 2, seed & 3, sector);
    for (int k = 0; k < sector.count; ++k) {
        if (wedgeHolds(c.mesh, sector.triangle[k], sector.slot[k], dx, dy)) {
            return walkFrom(c, sector.triangle[k], x, b, true);
        }
    }
    return false;
}

// A corner of the graph: on to every corner it sees, and to the goal when it sees it.
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
    if (!tautDirections(g, v, back, from, to)) {
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
    g.edgeStart[mesh.pointHighWater] = c.edgeCount;
    for (int v = 0; v < mesh.pointHighWater; ++v) {
        std::sort(g.edges + g.edgeStart[v], g.edges + g.edgeStart[v + 1],
                  [](const CornerEdge& a, const CornerEdge& b) { return a.angle < b.angle; });
    }
    st.nodeCount = 0;
    c.sweep = false;
    if (c.overflow) {
        c.overflow = false;
        return false;
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

// Makes the corner graph for the tables in force, unless it is made already.
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
}

const uint8_t* selectTable(NavMesh& mesh, int number) {
    const int table = number < 0 ? 0 : (number > kStrictestPassTable ? kStrictestPassTable : number);
    return pass_table(mesh, table);
}

// Moves each corner waypoint off its vertex, away from the wall it bends around, by the
// clearance (or half, or a quarter of it) when both segments to it stay passable.
void moveOffCorners(Context& c, PathResult& result, int32_t clearance) {
    if (clearance <= 0) return;
    PathPoint previous{result.fromX, result.fromY};
    for (int i = 0; i + 1 < result.waypointCount; ++i) {
        const PathPoint corner = result.waypoints[i];
        const PathPoint following = result.waypoints[i + 1];
        const Vec cp{static_cast<double>(corner.x), static_cast<double>(corner.y)};
        const Vec toPrev = Vec{static_cast<double>(previous.x), static_cast<double>(previous.y)} - cp;
        const Vec toNext = Vec{static_cast<double>(following.x), static_cast<double>(following.y)} - cp;
        const double lp = length(toPrev), ln = length(toNext);
        if (lp > 0 && ln > 0) {
            const Vec inward = toPrev * (1.0 / lp) + toNext * (1.0 / ln);
            const double li = length(inward);
            if (li > 1e-6) {
                double off = clearance;
                for (int attempt = 0; attempt < kClearanceTries; ++attempt, off *= 0.5) {
                    const Vec moved = cp - inward * (off / li);
                    const PathPoint candidate{static_cast<int32_t>(std::lround(moved.x)),
                                              static_cast<int32_t>(std::lround(moved.y))};
                    if (walkSegment(c, previous, candidate) && walkSegment(c, candidate, following)) {
                        result.waypoints[i] = candidate;
                        break;
                    }
                }
            }
        }
        previous = result.waypoints[i];
    }
}

// A new stamp invalidates every per-query cache; when the counter wraps the caches are
// cleared once so that no stale entry can match.
void next_stamp(ShortestSearchState& state) {
    if (++state.stamp != 0) return;
    for (uint32_t& s : state.rootStamp) s = 0;
    for (uint32_t& s : state.wayOutStamp) s = 0;
    for (uint32_t& s : state.graph.goalStamp) s = 0;
    state.stamp = 1;
}

}  // namespace

const char* shortest_status_text(ShortestStatus status) {
    switch (status) {
        case ShortestStatus::Found: return "found";
        case ShortestStatus::NoPath: return "no path";
        case ShortestStatus::NodeLimit: return "search node table full";
        case ShortestStatus::WaypointLimit: return "too many bends for a path result";
    }
    return "unknown";
}

double path_length(const PathResult& path) {
    double total = 0;
    double x = path.fromX, y = path.fromY;
    for (int i = 0; i < path.waypointCount; ++i) {
        const double nx = path.waypoints[i].x, ny = path.waypoints[i].y;
        total += std::sqrt((nx - x) * (nx - x) + (ny - y) * (ny - y));
        x = nx;
        y = ny;
    }
    return total;
}

void prepare_shortest_paths(NavMesh& mesh, ShortestSearchState& state, CellLinkRule linkRule, int passTableNumber) {
    if (mesh.buildFailed || mesh.triangleHighWater < 2 || linkRule == nullptr) return;
    const uint8_t* table = selectTable(mesh, passTableNumber);
    refreshMeshTables(mesh, state, linkRule, passTableNumber, table);
    Context c{mesh, state, table, linkRule, {}, {}, kNoTriangle};
    prepareCornerGraph(c);
}

bool segment_passable(NavMesh& mesh, ShortestSearchState& state, const ShortestQuery& query, PathPoint a,
                      PathPoint b) {
    if (mesh.buildFailed || mesh.triangleHighWater < 2 || query.linkRule == nullptr) return false;
    next_stamp(state);
    const uint8_t* table = selectTable(mesh, query.passTableNumber);
    refreshMeshTables(mesh, state, query.linkRule, query.passTableNumber, table);
    Context c{mesh, state, table, query.linkRule, {}, {}, kNoTriangle};
    return walkSegment(c, a, b);
}

ShortestStatus find_shortest_path(NavMesh& mesh, ShortestSearchState& state, const ShortestQuery& query,
                                  PathResult& result) {
    result.fromX = query.fromX;
    result.fromY = query.fromY;
    result.toX = query.toX;
    result.toY = query.toY;
    result.waypointCount = 0;
    state.nodeCount = 0;
    state.heapSize = 0;
    state.lastNodesCreated = 0;
    state.lastNodesExpanded = 0;
    if (mesh.buildFailed || mesh.triangleHighWater < 2 || query.linkRule == nullptr) return ShortestStatus::NoPath;
    next_stamp(state);

    const int startTriangle = locate_for_query(mesh, query.fromX, query.fromY);
    const int goalTriangle = locate_for_query(mesh, query.toX, query.toY);
    if (startTriangle < 0 || goalTriangle < 0) return ShortestStatus::NoPath;
    const NavTriangle& s = mesh.triangles[startTriangle];
    const NavTriangle& g = mesh.triangles[goalTriangle];
    if (isOutsideType(s.type) || isOutsideType(g.type)) return ShortestStatus::NoPath;
    // Complete region labels of different ids settle it without a search.
    const int rs = regionOf(s), rg = regionOf(g);
    if (rs != rg && rs != 0 && rg != 0 && mesh.regions[rs].valid && mesh.regions[rg].valid) {
        return ShortestStatus::NoPath;
    }

    const uint8_t* table = selectTable(mesh, query.passTableNumber);
    refreshMeshTables(mesh, state, query.linkRule, query.passTableNumber, table);
    markWayOut(mesh, state, startTriangle);
    markWayOut(mesh, state, goalTriangle);
    Context c{mesh, state, table, query.linkRule,
              Vec{static_cast<double>(query.fromX), static_cast<double>(query.fromY)},
              Vec{static_cast<double>(query.toX), static_cast<double>(query.toY)}, goalTriangle};
    if (startTriangle == goalTriangle) {
        result.waypoints[0] = PathPoint{query.toX, query.toY};
        result.waypointCount = 1;
        return ShortestStatus::Found;
    }

    // Ends that see each other need no search (also the commonest case).
    if (walkFrom(c, startTriangle, PathPoint{query.fromX, query.fromY}, PathPoint{query.toX, query.toY}, false)) {
        result.waypoints[0] = PathPoint{query.toX, query.toY};
        result.waypointCount = 1;
        return ShortestStatus::Found;
    }

    if (query.cornerGraph) prepareCornerGraph(c);
    c.useGraph = query.cornerGraph && state.graph.status == CornerGraph::Status::Ready;
    if (c.useGraph) {
        c.goalPoint = PathPoint{query.toX, query.toY};
        CornerGraph& graph = state.graph;
        for (int i = graph.sightStart[goalTriangle]; i < graph.sightStart[goalTriangle + 1]; ++i) {
            const int32_t v = graph.sightings[i] >> 1;
            graph.goalStamp[v] = state.stamp;
            graph.goalFull[v] = static_cast<uint8_t>(graph.sightings[i] & 1);
        }
    }
    for (int k = 0; k < 3; ++k) {
        if (!passable(c, startTriangle, k)) continue;
        const PathPoint ia = vertexWorld(mesh, startTriangle, next(k));
        const PathPoint ib = vertexWorld(mesh, startTriangle, k);
        const bool onLine = cross64(static_cast<int64_t>(ib.x) - ia.x, static_cast<int64_t>(ib.y) - ia.y,
                                    static_cast<int64_t>(query.fromX) - ia.x,
                                    static_cast<int64_t>(query.fromY) - ia.y) == 0;
        const uint8_t flags = kNodeAIsVertex | kNodeBIsVertex | (onLine ? kNodeDegenerate : 0);
        addEdgeNode(c, -1, startTriangle, k, kStartRoot, 0.0, vertexPoint(mesh, startTriangle, next(k)),
                    vertexPoint(mesh, startTriangle, k), flags, onLine ? startTriangle : -1);
    }
    for (int k = 0; k < c.pendingCount; ++k) {
        const ShortestNode& made = state.nodes[c.pending[k]];
        heapPush(state, HeapEntry{made.f, made.g, c.pending[k]});
    }

    int goalNode = -1;
    while (state.heapSize > 0) {
        const int index = heapPop(state);
        const ShortestNode& n = state.nodes[index];
        if (n.flags & kNodeGoal) {
            goalNode = index;
            break;
        }
        if (n.root != kStartRoot && state.rootStamp[n.root] == state.stamp &&
            n.g > state.rootBest[n.root] + kLengthTolerance) {
            continue;  // the root was reached by a shorter path since
        }
        // Expand; a lone successor with the same root (a corridor of one way on) is expanded
        // at once. Order does not decide the answer: a path is only taken off the heap.
        int current = index;
        for (;;) {
            ++state.lastNodesExpanded;
            c.pendingCount = 0;
            expandNode(c, current);
            if (c.pendingCount == 1) {
                const ShortestNode& only = state.nodes[c.pending[0]];
                if (!(only.flags & kNodeGoal) && only.root == state.nodes[current].root) {
                    current = c.pending[0];
                    continue;
                }
            }
            for (int k = 0; k < c.pendingCount; ++k) {
                const ShortestNode& made = state.nodes[c.pending[k]];
                heapPush(state, HeapEntry{made.f, made.g, c.pending[k]});
            }
            break;
        }
        if (c.overflow) break;
    }
    state.lastNodesCreated = state.nodeCount;
    if (goalNode < 0) return c.overflow ? ShortestStatus::NodeLimit : ShortestStatus::NoPath;

    // The roots from the goal back to the start are the corners, last first.
    int count = 0;
    int32_t root = kStartRoot - 1;
    for (int i = goalNode; i >= 0; i = state.nodes[i].parent) {
        const int32_t r = state.nodes[i].root;
        if (r == root) continue;
        root = r;
        if (r == kStartRoot) break;
        if (count == kMaxPathWaypoints - 1) return ShortestStatus::WaypointLimit;
        state.chain[count++] = vertexIndexWorld(mesh, r);
    }
    for (int i = 0; i < count; ++i) result.waypoints[i] = state.chain[count - 1 - i];
    result.waypoints[count] = PathPoint{query.toX, query.toY};
    result.waypointCount = count + 1;
    moveOffCorners(c, result, query.clearance);
    return ShortestStatus::Found;
}

}  // namespace nav
