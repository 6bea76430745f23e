#pragma once
// The shortest planner's inner parts, shared by its source files: the query's context,
// search nodes and their heap, fan sectors, and what each part offers the others. Only
// the planner's own files include this; its interface is navigation/shortest_path.h.
#include <cmath>
#include <cstdint>

#include "navigation/nav_mesh.h"
#include "navigation/navigation.h"
#include "navigation/shortest_path.h"

namespace nav::shortest {

// Root of the nodes seen straight from the start (other roots are vertex indices).
inline constexpr int32_t kStartRoot = -1;

// ShortestNode::flags
inline constexpr uint8_t kNodeAIsVertex = 1;   // interval end a is the entry edge's start vertex
inline constexpr uint8_t kNodeBIsVertex = 2;   // interval end b is the entry edge's end vertex
inline constexpr uint8_t kNodeDegenerate = 4;  // the root lies on the entry edge's line: all of the triangle is seen
inline constexpr uint8_t kNodeGoal = 8;        // the interval is the destination itself
inline constexpr uint8_t kNodeCorner = 16;     // a corner of the corner graph, reached with length g

// Highest pass table; numbers beyond it use it (as the classic query does).
inline constexpr int kStrictestPassTable = 3;

// Lengths within this many world units count as equal when pruning a root reached again.
inline constexpr double kLengthTolerance = 1e-6;

// Clearance tries: the full clearance, then halves, before a corner stays where it is.
inline constexpr int kClearanceTries = 3;

// ShortestSearchState::corner of a vertex not looked at since the tables were worked out.
inline constexpr uint8_t kCornerUnknown = 2;

// Successors one expansion can make: the goal, two seen from the root, two beyond each
// ray's corner; one more slot spare.
inline constexpr int kPendingNodes = 8;

// Longest walk around one vertex's fan; a longer fan makes the corner graph unavailable.
inline constexpr int kMaxFanWalk = 256;

struct Vec {
    double x, y;
};

inline Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
inline Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
inline Vec operator*(Vec a, double s) { return {a.x * s, a.y * s}; }
inline double cross(Vec a, Vec b) { return a.x * b.y - a.y * b.x; }

// A number in [0, 4) that grows with the direction's angle counter-clockwise from +x
// (cheaper than atan2, and only order matters).
inline double pseudoAngle(Vec d) {
    const double p = d.y / (std::fabs(d.x) + std::fabs(d.y));
    return d.x < 0 ? 2 - p : (d.y < 0 ? 4 + p : p);
}

inline double length(Vec a) { return std::sqrt(a.x * a.x + a.y * a.y); }

inline double distance(Vec a, Vec b) { return length(a - b); }

// A cross product this small against its factors' sizes counts as zero.
inline bool nearZero(double c, Vec a, Vec b) {
    return std::fabs(c) <= 1e-9 * (std::fabs(a.x) + std::fabs(a.y)) * (std::fabs(b.x) + std::fabs(b.y));
}

inline int64_t cross64(int64_t ax, int64_t ay, int64_t bx, int64_t by) { return ax * by - ay * bx; }

// Vertex at slot s of triangle t, world units.
inline Vec vertexPoint(const NavMesh& mesh, int t, int s) {
    const NavPoint& p = vertexOf(mesh, t, s);
    return {p.x * 256.0, p.y * 256.0};
}

inline PathPoint vertexIndexWorld(const NavMesh& mesh, int v) { return {mesh.points[v].x * 256, mesh.points[v].y * 256}; }

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
    // Shortest goal node made so far: a node with a longer bound can never be taken off
    // the heap before it, so it is not kept.
    double bestGoal = HUGE_VAL;
};

// Whether a path may cross edge k of triangle t into its neighbour.
inline bool passable(const Context& c, int t, int k) { return (c.state.passMask[t] >> k) & 1; }

// Slot of triangle b whose neighbour is a, or -1.
inline int slotToward(const NavMesh& mesh, int b, int a) {
    const NavTriangle& tri = mesh.triangles[b];
    return tri.neighbour[0] == a ? 0 : (tri.neighbour[1] == a ? 1 : (tri.neighbour[2] == a ? 2 : -1));
}

inline Vec rootPoint(const Context& c, int32_t root) {
    if (root == kStartRoot) return c.start;
    return {c.mesh.points[root].x * 256.0, c.mesh.points[root].y * 256.0};
}

using HeapEntry = ShortestSearchState::HeapEntry;

// Lower f first; among equal f the longer g (nearer the goal), then the older node.
inline bool heapLess(const HeapEntry& a, const HeapEntry& b) {
    if (a.f != b.f) return a.f < b.f;
    if (a.g != b.g) return a.g > b.g;
    return a.node < b.node;
}

inline void heapPush(ShortestSearchState& st, HeapEntry entry) {
    int i = st.heapSize++;
    while (i > 0) {
        const int up = (i - 1) / 2;
        if (!heapLess(entry, st.heap[up])) break;
        st.heap[i] = st.heap[up];
        i = up;
    }
    st.heap[i] = entry;
}

inline int32_t heapPop(ShortestSearchState& st) {
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

// Appends a node (or drops one that can never come before the best goal); false (and the overflow flag) when the node table is full.
inline bool addNode(Context& c, const ShortestNode& node) {
    ShortestSearchState& st = c.state;
    if (!c.sweep) {
        if (node.flags & kNodeGoal) {
            if (node.f < c.bestGoal) c.bestGoal = node.f;
        } else if (node.f > c.bestGoal) {
            return true;
        }
    }
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

// --- crossing tables, corners and dead ends (shortest_tables.cpp)

// A vertex is a corner when some crossing around it is refused in either direction (or
// its fan is open): only there can a shortest path bend.
bool isCorner(Context& c, int t, int s);

// Works out the crossings and dead ends for a mesh build, link rule and table, unless
// they are the ones of the last query.
void refreshMeshTables(NavMesh& mesh, ShortestSearchState& st, CellLinkRule rule, int tableNumber,
                       const uint8_t* table);

// The triangle a query end lies in, as locateForQuery answers: from the cell table when
// the point lies strictly inside its cell's triangle, else by locateForQuery's walk.
int locateEnd(NavMesh& mesh, const ShortestSearchState& st, int32_t x, int32_t y);

// Marks the way out of the dead end that holds triangle t (nothing when t is on a cycle).
void markWayOut(const NavMesh& mesh, ShortestSearchState& st, int t);

// The pass table a query's number selects (clamped as the classic query clamps it).
const uint8_t* selectTable(NavMesh& mesh, int number);

// --- the interval search (shortest_intervals.cpp)

// A node entering the neighbour across edge k of triangle t, interval [from, to] given in
// t's sweep order (toward t's vertex k first is the neighbour's edge start).
void addEdgeNode(Context& c, int parent, int t, int k, int32_t root, double g, Vec a, Vec b, uint8_t flags,
                 int32_t rotationOrigin);

void addGoalNode(Context& c, int parent, int32_t root, double g);

void expandNode(Context& c, int index);

// --- the corner graph (corner_graph.cpp)

// While sweeping: the sweep's corner sees some of triangle t (all of it when `whole`).
void recordSighting(Context& c, int t, bool whole);

// While sweeping: the sweep's corner sees vertex s of triangle t; an edge when that vertex
// is a corner bending on t's side.
void recordCorner(Context& c, int t, int s);

// A corner of the graph reached with length g, unless it was reached as short already.
void addCornerNode(Context& c, int parent, int32_t v, double g);

// A corner of the graph: on to every corner it sees, and to the goal when it sees it.
void expandCorner(Context& c, int index);

// Makes the corner graph for the tables in force, unless it is made already.
void prepareCornerGraph(Context& c);

// --- corner distance rows (corner_distances.cpp)

// Numbers the corners of a graph just made and forgets the rows of the one before.
void startDistanceRows(CornerGraph& g, const NavMesh& mesh);

// Asks the caches for triangle t's end sightings, which a search from or to a point in t
// reads once the ends are found not to see each other.
void prefetchEndSightings(const CornerGraph& g, int t);

// Whether queries can go by distance rows (a graph made, and not too many corners).
bool distanceRowsUsable(const CornerGraph& g);

// The corners of the shortest way from `from` (in startTriangle) to `to` (in the context's
// goal triangle) over the distance rows, written to chain start first: their count, -1
// when no corner pair joins the ends, capacity + 1 when there are more corners than that.
int searchByCornerDistances(Context& c, int startTriangle, PathPoint from, PathPoint to, PathPoint* chain,
                            int capacity);

// --- sectors of a vertex's fan (fan_sectors.cpp)

// Fills `out` with the sector of slot s of triangle t (see Sector).
void sectorOf(const Context& c, int t, int s, Sector& out);

// How a walk round a sector ended: visit asked to stop, the fan came round to t, every
// passable triangle was seen, or the fan was longer than kMaxFanWalk.
enum class FanWalk { Stopped, Closed, Done, TooLong };

// Walks the sector of slot s of triangle t, t not included: first turning one way through
// passable edges (visit(triangle, slot, true)), then, unless that came round to t, the
// other way (visit(triangle, slot, false)). visit returns true to stop the walk there.
template <typename Visit>
FanWalk walkSector(const Context& c, int t, int s, Visit&& visit) {
    const NavMesh& mesh = c.mesh;
    int count = 1, cur = t, slot = s;
    for (;;) {
        if (!passable(c, cur, slot)) break;
        const int n = mesh.triangles[cur].neighbour[slot];
        const int back = slotToward(mesh, n, cur);
        if (back < 0) break;
        cur = n;
        slot = next(back);
        if (cur == t) return FanWalk::Closed;
        if (count++ == kMaxFanWalk) return FanWalk::TooLong;
        if (visit(cur, slot, true)) return FanWalk::Stopped;
    }
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
        if (count++ == kMaxFanWalk) return FanWalk::TooLong;
        if (visit(cur, slot, false)) return FanWalk::Stopped;
    }
    return FanWalk::Done;
}

// The far vertices of the two edges that bound a sector (not complete all round): the
// last triangle turning back holds the first, the last turning on the other.
void sectorBounds(const NavMesh& mesh, const Sector& sector, NavPoint& first, NavPoint& last);

// Whether a sector opens wider than a half turn. The summed angle decides unless it is
// near a half turn; there the exact orientation of its two bounding edges does, so a
// straight wall never counts.
bool widerThanHalfTurn(const NavMesh& mesh, const Sector& sector);

// --- walking a segment through the mesh (segment_walk.cpp)

// Walks the segment a -> b through the mesh with exact orientation tests, from triangle t,
// which holds a and, where a is one of its vertices, the segment's first stretch. Passing
// exactly through a vertex where some crossing is refused counts as blocked, unless
// `alongWalls`: then it is free when it goes on within the same sector of the vertex's fan
// (a path grazing a wall, as the interval search sees it). When the walk gets through and
// `reached` is given, it is set to the triangle that holds b where the walk ended.
bool walkFrom(Context& c, int t, PathPoint a, PathPoint b, bool alongWalls, int* reached = nullptr);

// Walks the segment a -> b through the mesh with exact orientation tests.
bool walkSegment(Context& c, PathPoint a, PathPoint b);

// Walks from corner v of the graph to b, starting in the triangle of v's bending sector
// whose wedge holds the direction.
bool walkFromCorner(Context& c, int32_t v, PathPoint b);

}  // namespace nav::shortest
