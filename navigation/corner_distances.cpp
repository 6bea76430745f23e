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

// The corners that see some of triangle t, as candidates for end `side` at point p;
// those that see all of it are seen for sure.
void gatherEnd(Context& c, int side, int t, Vec p) {
    CornerGraph& g = c.state.graph;
    int count = 0;
    for (int i = g.sightStart[t]; i < g.sightStart[t + 1]; ++i) {
        const int32_t v = g.sightings[i] >> 1;
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
    gatherEnd(c, 0, startTriangle, c.start);
    gatherEnd(c, 1, c.goalTriangle, c.goal);
    for (int k = 0; k < g.endCount[1]; ++k) {
        const int b = g.endCorner[1][k];
        if (g.rowMade[b] != g.rowEpoch) makeRow(g, b);
    }
    // The best pair among those not known to be unseen; then check that its ends really
    // see their corners, and look again without any that do not.
    for (;;) {
        double best = HUGE_VAL;
        int bestA = -1, bestB = -1;
        for (int kb = 0; kb < g.endCount[1]; ++kb) {
            if (g.endState[1][kb] == 2) continue;
            const double* row = g.distance[g.endCorner[1][kb]];
            const double tail = g.endDistance[1][kb];
            if (tail >= best) continue;
            for (int ka = 0; ka < g.endCount[0]; ++ka) {
                if (g.endState[0][ka] == 2) continue;
                const double total = g.endDistance[0][ka] + row[g.endCorner[0][ka]] + tail;
                if (total < best) {
                    best = total;
                    bestA = ka;
                    bestB = kb;
                }
            }
        }
        if (bestA < 0) return -1;
        const bool aSeen = seen(c, 0, bestA, from);
        const bool bSeen = seen(c, 1, bestB, to);
        if (!aSeen || !bSeen) continue;
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
