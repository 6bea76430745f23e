// The corner graph's distance rows and the query that uses them: the shortest way from a
// start to a goal that do not see each other runs start -> a -> ... -> b -> goal, where a
// is a corner the start sees and b one the goal sees, so its length is the least of
// |start a| + distance(a, b) + |b goal| over those pairs. Rows of corner distances are
// made per graph, each on the first query that needs it (a crowd sent to one point needs
// the rows of the few corners round that point).
#include "navigation/shortest_search.h"

#include <algorithm>
#include <cmath>

namespace nav::shortest {

namespace {

bool rowLess(const CornerGraph::RowEntry& a, const CornerGraph::RowEntry& b) { return a.d > b.d; }

// Dijkstra over the graph's edges from corner r (a compact index): every corner's
// distance to r and its next corner on the way there.
void makeRow(CornerGraph& g, int r) {
    const int n = g.cornerCount;
    double* dist = g.distance[r];
    int16_t* hop = g.hop[r];
    for (int i = 0; i < n; ++i) {
        dist[i] = HUGE_VAL;
        hop[i] = -1;
    }
    dist[r] = 0;
    hop[r] = static_cast<int16_t>(r);
    int size = 0;
    g.rowHeap[size++] = CornerGraph::RowEntry{0.0, r};
    while (size > 0) {
        std::pop_heap(g.rowHeap, g.rowHeap + size, rowLess);
        const CornerGraph::RowEntry top = g.rowHeap[--size];
        if (top.d > dist[top.corner]) continue;
        const int32_t v = g.cornerVertex[top.corner];
        for (int e = g.edgeStart[v]; e < g.edgeStart[v + 1]; ++e) {
            const int32_t to = g.cornerIndex[g.edges[e].to];
            const double d = top.d + g.edges[e].length;
            if (to < 0 || d >= dist[to]) continue;
            dist[to] = d;
            hop[to] = static_cast<int16_t>(top.corner);  // the edges run both ways
            g.rowHeap[size++] = CornerGraph::RowEntry{d, to};
            std::push_heap(g.rowHeap, g.rowHeap + size, rowLess);
        }
    }
    g.rowMade[r] = g.rowEpoch;
}

// Whether the line from p through corner v only touches v's wall (both edges bounding the
// wall on one side of it, or along it): only then can a shortest path from p bend at v.
bool tangent(const Context& c, int32_t v, PathPoint p) {
    const int32_t* w = c.state.graph.wallEdges[v];
    const NavPoint& q = c.mesh.points[v];
    const int64_t dx = static_cast<int64_t>(q.x) * 256 - p.x, dy = static_cast<int64_t>(q.y) * 256 - p.y;
    const int64_t s1 = cross64(dx, dy, w[0], w[1]), s2 = cross64(dx, dy, w[2], w[3]);
    return (s1 >= 0 && s2 >= 0) || (s1 <= 0 && s2 <= 0);
}

// The corners that see some of triangle t and that a path from point p can bend at, as
// candidates for end `side`; those that see all of it are seen for sure.
void gatherEnd(Context& c, int side, int t, Vec p, PathPoint pp) {
    CornerGraph& g = c.state.graph;
    int count = 0;
    for (int i = g.sightStart[t]; i < g.sightStart[t + 1]; ++i) {
        const int32_t v = g.sightings[i] >> 1;
        if (!tangent(c, v, pp)) continue;
        g.endCorner[side][count] = g.cornerIndex[v];
        g.endDistance[side][count] = distance(rootPoint(c, v), p);
        g.endState[side][count] = (g.sightings[i] & 1) ? 1 : 0;
        ++count;
    }
    g.endCount[side] = count;
}

bool seen(Context& c, int side, int k, PathPoint p) {
    CornerGraph& g = c.state.graph;
    if (g.endState[side][k] == 0) {
        g.endState[side][k] = walkFromCorner(c, g.cornerVertex[g.endCorner[side][k]], p) ? 1 : 2;
    }
    return g.endState[side][k] == 1;
}

// The goal's corners sorted on |start corner| + |corner goal| (few: insertion sort).
void orderGoalCorners(Context& c) {
    CornerGraph& g = c.state.graph;
    const int n = g.endCount[1];
    for (int k = 0; k < n; ++k) {
        const double bound = g.endDistance[1][k] + distance(rootPoint(c, g.cornerVertex[g.endCorner[1][k]]), c.start);
        int i = k;
        for (; i > 0 && g.goalBound[i - 1] > bound; --i) {
            g.goalBound[i] = g.goalBound[i - 1];
            g.goalOrder[i] = g.goalOrder[i - 1];
        }
        g.goalBound[i] = bound;
        g.goalOrder[i] = static_cast<int16_t>(k);
    }
}

// The shortest way start -> a -> ... -> b -> goal over corners not known to be unseen:
// its length, and a and b (indices into the ends' lists; -1 when there is none). Goal
// corners go in order of their bounds and stop at the first bound no shorter than the
// best way found, so rows are made only for goal corners that could still do better.
double bestCornerPair(CornerGraph& g, int& bestA, int& bestB) {
    double best = HUGE_VAL;
    bestA = bestB = -1;
    const int na = g.endCount[0], nb = g.endCount[1];
    for (int j = 0; j < nb; ++j) {
        if (g.goalBound[j] >= best) break;
        const int kb = g.goalOrder[j];
        if (g.endState[1][kb] == 2) continue;
        const int rb = g.endCorner[1][kb];
        if (g.rowMade[rb] != g.rowEpoch) makeRow(g, rb);
        const double* row = g.distance[rb];
        const double tail = g.endDistance[1][kb];
        for (int ka = 0; ka < na; ++ka) {
            if (g.endState[0][ka] == 2) continue;
            const double total = g.endDistance[0][ka] + row[g.endCorner[0][ka]] + tail;
            if (total < best) {
                best = total;
                bestA = ka;
                bestB = kb;
            }
        }
    }
    return best;
}

}  // namespace

void startDistanceRows(CornerGraph& g, const NavMesh& mesh) {
    ++g.rowEpoch;
    if (g.rowEpoch == 0) {
        for (uint32_t& made : g.rowMade) made = 0;
        g.rowEpoch = 1;
    }
    int count = 0;
    for (int v = 0; v < mesh.pointHighWater; ++v) {
        g.cornerIndex[v] = -1;
        if (g.sectorSeed[v] < 0 || count == kMaxDistanceCorners) continue;
        g.cornerIndex[v] = count;
        g.cornerVertex[count++] = v;
    }
}

bool distanceRowsUsable(const CornerGraph& g) {
    return g.status == CornerGraph::Status::Ready && g.cornerCount <= kMaxDistanceCorners;
}

int searchByCornerDistances(Context& c, int startTriangle, PathPoint from, PathPoint to, PathPoint* chain,
                            int capacity) {
    CornerGraph& g = c.state.graph;
    gatherEnd(c, 0, startTriangle, c.start, from);
    gatherEnd(c, 1, c.goalTriangle, c.goal, to);
    orderGoalCorners(c);
    // Every way runs start -> a -> ... -> b -> goal, a a corner the start sees and b one
    // the goal sees. The best pair is checked: a corner that turns out not to see its end
    // leaves, and the best pair of the rest is taken.
    for (;;) {
        int bestA = -1, bestB = -1;
        bestCornerPair(g, bestA, bestB);
        if (bestA < 0) return -1;
        if (!seen(c, 0, bestA, from) || !seen(c, 1, bestB, to)) continue;
        // Corners from a on to b.
        const int b = g.endCorner[1][bestB];
        const int16_t* hop = g.hop[b];
        int count = 0;
        for (int i = g.endCorner[0][bestA];; i = hop[i]) {
            if (count == capacity) return capacity + 1;
            chain[count++] = vertexIndexWorld(c.mesh, g.cornerVertex[i]);
            if (i == b) break;
        }
        return count;
    }
}

}  // namespace nav::shortest
