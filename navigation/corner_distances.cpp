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
    for (int k = 0; k < g.endCount[1]; ++k) {
        const int b = g.endCorner[1][k];
        if (g.rowMade[b] != g.rowEpoch) makeRow(g, b);
    }
    // For each start corner a, the goal corner b that gives the shortest way through a,
    // taking goal corners in order of a bound on any way through them (|start b| +
    // |b goal|) until the bound of the next is above the best way found: no later one can
    // do better. Then the start corners in order of their way, each checked to see the
    // start and its b to see the goal. A goal corner found unseen only sends the start
    // corners that chose it to choose again.
    const int na = g.endCount[0], nb = g.endCount[1];
    double* via = g.endVia;
    int16_t* choice = g.endChoice;
    int16_t* order = g.endOrder;
    double* bound = g.endBound;
    for (int kb = 0; kb < nb; ++kb) {
        const double b = g.endDistance[1][kb] + distance(rootPoint(c, g.cornerVertex[g.endCorner[1][kb]]), c.start);
        int i = kb;
        for (; i > 0 && bound[i - 1] > b; --i) {
            bound[i] = bound[i - 1];
            order[i] = order[i - 1];
        }
        bound[i] = b;
        order[i] = static_cast<int16_t>(kb);
    }
    for (int ka = 0; ka < na; ++ka) {
        via[ka] = HUGE_VAL;
        choice[ka] = -1;
    }
    int taken = 0;  // goal corners of `order` taken into via so far
    double bestWay = HUGE_VAL;
    const auto take = [&](int kb) {
        const double* row = g.distance[g.endCorner[1][kb]];
        const double tail = g.endDistance[1][kb];
        const int32_t* corner = g.endCorner[0];
        const double* head = g.endDistance[0];
        for (int ka = 0; ka < na; ++ka) {
            const double total = row[corner[ka]] + tail;
            if (total < via[ka]) {
                via[ka] = total;
                choice[ka] = static_cast<int16_t>(kb);
                if (head[ka] + total < bestWay && g.endState[0][ka] != 2) bestWay = head[ka] + total;
            }
        }
    };
    for (;;) {
        while (taken < nb && bound[taken] <= bestWay) {
            if (g.endState[1][order[taken]] != 2) take(order[taken]);
            ++taken;
        }
        double best = HUGE_VAL;
        int bestA = -1;
        for (int ka = 0; ka < na; ++ka) {
            if (g.endState[0][ka] == 2 || choice[ka] < 0) continue;
            const double total = g.endDistance[0][ka] + via[ka];
            if (total < best) {
                best = total;
                bestA = ka;
            }
        }
        bestWay = best;
        if (taken < nb && bound[taken] <= bestWay) continue;  // a later goal corner may do better
        if (bestA < 0) return -1;
        if (!seen(c, 0, bestA, from)) continue;
        const int bestB = choice[bestA];
        if (!seen(c, 1, bestB, to)) {
            for (int ka = 0; ka < na; ++ka) {
                if (choice[ka] != bestB) continue;
                via[ka] = HUGE_VAL;
                choice[ka] = -1;
                for (int i = 0; i < taken; ++i) {
                    const int kb = order[i];
                    if (g.endState[1][kb] == 2) continue;
                    const double total = g.distance[g.endCorner[1][kb]][g.endCorner[0][ka]] + g.endDistance[1][kb];
                    if (total < via[ka]) {
                        via[ka] = total;
                        choice[ka] = static_cast<int16_t>(kb);
                    }
                }
            }
            continue;
        }
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
