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

bool boundLess(const CornerGraph::BoundEntry& a, const CornerGraph::BoundEntry& b) { return a.bound > b.bound; }

// End `side`'s corners as a heap on |p corner| + |corner end|, a bound on any way through
// them (p is the other end); they join the search in that order.
void heapByBound(Context& c, int side, Vec p) {
    CornerGraph& g = c.state.graph;
    CornerGraph::BoundEntry* heap = g.endHeap[side];
    const int n = g.endCount[side];
    for (int k = 0; k < n; ++k) {
        heap[k].bound = g.endDistance[side][k] + distance(rootPoint(c, g.cornerVertex[g.endCorner[side][k]]), p);
        heap[k].k = static_cast<int16_t>(k);
    }
    std::make_heap(heap, heap + n, boundLess);
    g.endHeapSize[side] = n;
}

double nextBound(const CornerGraph& g, int side) { return g.endHeapSize[side] > 0 ? g.endHeap[side][0].bound : HUGE_VAL; }

// The corner of end `side` with the least bound, taken off its heap.
int16_t popBound(CornerGraph& g, int side) {
    CornerGraph::BoundEntry* heap = g.endHeap[side];
    std::pop_heap(heap, heap + g.endHeapSize[side], boundLess);
    return heap[--g.endHeapSize[side]].k;
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
    // Each way runs start -> a -> ... -> b -> goal. A start corner a bounds every way
    // through it by |start a| + |a goal|, a goal corner b by |start b| + |b goal|. Corners
    // join in order of their bounds while a bound is no more than the best way known: for
    // each start corner that joined, the goal corner (of those that joined) that gives
    // the shortest way through it. The best start corner is checked to see the start and
    // its goal corner to see the goal; one found unseen leaves, and the start corners that
    // had chosen it choose again.
    heapByBound(c, 0, c.goal);
    heapByBound(c, 1, c.start);
    int16_t* orderA = g.endOrder[0];  // corners in the order they joined
    int16_t* orderB = g.endOrder[1];
    double* via = g.endVia;  // per joined start corner, in join order
    int16_t* choice = g.endChoice;
    int joinedA = 0, joinedB = 0;
    double bestWay = HUGE_VAL;
    const auto wayOn = [&](int ka, int kb) {
        return g.distance[g.endCorner[1][kb]][g.endCorner[0][ka]] + g.endDistance[1][kb];
    };
    // Start corner orderA[i]: its best goal corner among those joined and not unseen.
    const auto choose = [&](int i) {
        const int ka = orderA[i];
        via[i] = HUGE_VAL;
        choice[i] = -1;
        for (int j = 0; j < joinedB; ++j) {
            const int kb = orderB[j];
            if (g.endState[1][kb] == 2) continue;
            const double total = wayOn(ka, kb);
            if (total < via[i]) {
                via[i] = total;
                choice[i] = static_cast<int16_t>(kb);
            }
        }
        if (g.endState[0][ka] != 2 && g.endDistance[0][ka] + via[i] < bestWay) bestWay = g.endDistance[0][ka] + via[i];
    };
    for (;;) {
        for (;;) {
            const double nextA = nextBound(g, 0);
            const double nextB = nextBound(g, 1);
            if (nextA == HUGE_VAL && nextB == HUGE_VAL) break;
            if (nextA <= nextB) {
                if (nextA > bestWay) break;
                orderA[joinedA] = popBound(g, 0);
                choose(joinedA++);
                continue;
            }
            if (nextB > bestWay) break;
            const int kb = orderB[joinedB++] = popBound(g, 1);
            if (g.endState[1][kb] == 2) continue;
            if (g.rowMade[g.endCorner[1][kb]] != g.rowEpoch) makeRow(g, g.endCorner[1][kb]);
            const double* row = g.distance[g.endCorner[1][kb]];
            const double tail = g.endDistance[1][kb];
            for (int i = 0; i < joinedA; ++i) {
                const int ka = orderA[i];
                const double total = row[g.endCorner[0][ka]] + tail;
                if (total < via[i]) {
                    via[i] = total;
                    choice[i] = static_cast<int16_t>(kb);
                    if (g.endState[0][ka] != 2 && g.endDistance[0][ka] + total < bestWay) {
                        bestWay = g.endDistance[0][ka] + total;
                    }
                }
            }
        }
        double best = HUGE_VAL;
        int bestI = -1;
        for (int i = 0; i < joinedA; ++i) {
            if (g.endState[0][orderA[i]] == 2 || choice[i] < 0) continue;
            const double total = g.endDistance[0][orderA[i]] + via[i];
            if (total < best) {
                best = total;
                bestI = i;
            }
        }
        bestWay = best;
        const bool more = (g.endHeapSize[0] > 0 && nextBound(g, 0) <= bestWay) ||
                          (g.endHeapSize[1] > 0 && nextBound(g, 1) <= bestWay);
        if (more) continue;  // a corner not joined yet may do better
        if (bestI < 0) return -1;
        const int bestA = orderA[bestI];
        if (!seen(c, 0, bestA, from)) continue;
        const int bestB = choice[bestI];
        if (!seen(c, 1, bestB, to)) {
            for (int i = 0; i < joinedA; ++i) {
                if (choice[i] == bestB) choose(i);
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
