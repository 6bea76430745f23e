// The corner graph's distance rows and the query that uses them: the shortest way from a
// start to a goal that do not see each other runs start -> a -> ... -> b -> goal, where a
// is a corner the start sees and b one the goal sees, so its length is the least of
// |start a| + distance(a, b) + |b goal| over those pairs. Rows of corner distances are
// made per graph, each on the first query that needs it (a crowd sent to one point needs
// the rows of the few corners round that point).
#include "navigation/shortest_search.h"

#include "navigation/corner_pairs.h"

#include <algorithm>
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace nav::shortest {

namespace {

// A point's place along a Z curve over the cells (bits of x and y interleaved).
uint32_t zOrder(const NavPoint& p) {
    uint32_t z = 0;
    const uint32_t x = static_cast<uint32_t>(p.x + 256), y = static_cast<uint32_t>(p.y + 256);
    for (int bit = 0; bit < 10; ++bit) z |= ((x >> bit) & 1u) << (2 * bit) | ((y >> bit) & 1u) << (2 * bit + 1);
    return z;
}

bool rowLess(const CornerGraph::RowEntry& a, const CornerGraph::RowEntry& b) { return a.d > b.d; }

// Dijkstra over the graph's edges from corner r (a compact index): every corner's
// distance to r and its next corner on the way there.
void makeRow(CornerGraph& g, int r) {
    const int n = g.cornerCount;
    double* dist = distanceRow(g, r);
    int16_t* hop = hopRow(g, r);
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

// The signs of (s - p) against the two edges bounding corner site s's wall.
void wallSides(const CornerGraph::CornerSite& s, PathPoint p, int64_t& s1, int64_t& s2) {
    const int32_t* w = s.wall;
    const int64_t dx = static_cast<int64_t>(s.x) - p.x, dy = static_cast<int64_t>(s.y) - p.y;
    s1 = cross64(dx, dy, w[0], w[1]);
    s2 = cross64(dx, dy, w[2], w[3]);
}

// Whether the line from p through corner site s only touches its wall (both edges bounding
// the wall on one side of it, or along it): only then can a shortest path from p bend there.
bool tangent(const CornerGraph::CornerSite& s, PathPoint p) {
    int64_t s1, s2;
    wallSides(s, p, s1, s2);
    return (s1 >= 0 && s2 >= 0) || (s1 <= 0 && s2 <= 0);
}

// Whether corner site s is tangent for every point of triangle t (1), for none (0), or
// for some (-1). Each of the four quarters the wall's edges cut round the corner is
// convex, so the triangle lies in one when its three vertices do.
int tangentOver(const NavMesh& mesh, const CornerGraph::CornerSite& s, int t) {
    int both = 0b1111;  // quarters holding every vertex: s1 >= 0 & s2 >= 0, <= & <=, > & <, < & >
    for (int k = 0; k < 3; ++k) {
        const NavPoint& q = vertexOf(mesh, t, k);
        int64_t s1, s2;
        wallSides(s, PathPoint{q.x * 256, q.y * 256}, s1, s2);
        const int in = (s1 >= 0 && s2 >= 0 ? 1 : 0) | (s1 <= 0 && s2 <= 0 ? 2 : 0) | (s1 > 0 && s2 < 0 ? 4 : 0) |
                       (s1 < 0 && s2 > 0 ? 8 : 0);
        both &= in;
    }
    return (both & 3) ? 1 : ((both & 12) ? 0 : -1);
}

double siteDistance(const CornerGraph::CornerSite& s, Vec p) {
    const double dx = s.x - p.x, dy = s.y - p.y;
    return std::sqrt(dx * dx + dy * dy);
}

// The corners that see some of triangle t and that a path from point p (in t) can bend
// at, as candidates for end `side`; those that see all of it are seen for sure.
void gatherEnd(Context& c, int side, int t, PathPoint p) {
    CornerGraph& g = c.state.graph;
    int count = 0;
    for (int i = g.endSightStart[t]; i < g.endSightStart[t + 1]; ++i) {
        const int code = g.endSight[i];
        g.endCorner[side][count] = code >> 2;
        g.endState[side][count] = static_cast<uint8_t>(code & 1);
        count += (code & 2) || tangent(g.site[code >> 2], p) ? 1 : 0;
    }
    g.endCount[side] = count;
}

// Each end corner's straight distance to its end, and its straight bound: |start b| +
// |b goal| for the goal's, |start a| + |a goal| for the start's. No way through the corner
// is shorter. Apart from the gathering's branches, and two corners at a time where the
// processor has paired double lanes (the same operations, so the same values), so that
// the square roots overlap.
void measureSide(CornerGraph& g, int side, Vec end, Vec other, double* bound) {
    const int n = g.endCount[side];
    const int32_t* corner = g.endCorner[side];
    double* distance = g.endDistance[side];
    int k = 0;
#if defined(__SSE2__)
    const __m128d endX = _mm_set1_pd(end.x), endY = _mm_set1_pd(end.y);
    const __m128d otherX = _mm_set1_pd(other.x), otherY = _mm_set1_pd(other.y);
    for (; k + 1 < n; k += 2) {
        const CornerGraph::CornerSite& s0 = g.site[corner[k]];
        const CornerGraph::CornerSite& s1 = g.site[corner[k + 1]];
        const __m128d x = _mm_set_pd(s1.x, s0.x), y = _mm_set_pd(s1.y, s0.y);
        const __m128d dx = _mm_sub_pd(x, endX), dy = _mm_sub_pd(y, endY);
        const __m128d ex = _mm_sub_pd(x, otherX), ey = _mm_sub_pd(y, otherY);
        const __m128d d = _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(dx, dx), _mm_mul_pd(dy, dy)));
        const __m128d e = _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(ex, ex), _mm_mul_pd(ey, ey)));
        _mm_storeu_pd(distance + k, d);
        _mm_storeu_pd(bound + k, _mm_add_pd(d, e));
    }
#endif
    for (; k < n; ++k) {
        const CornerGraph::CornerSite& s = g.site[corner[k]];
        distance[k] = siteDistance(s, end);
        bound[k] = distance[k] + siteDistance(s, other);
    }
}

void measureEndCorners(Context& c) {
    CornerGraph& g = c.state.graph;
    measureSide(g, 1, c.goal, c.start, g.goalStraight);
    measureSide(g, 0, c.start, c.goal, g.startBound);
}

// Whether end corner k of `side` sees its end, walked on the first asking.
bool sees(CornerGraph& g, CornerSight sight, void* context, int side, int k) {
    if (g.endState[side][k] == 0) g.endState[side][k] = sight(context, side, k) ? 1 : 2;
    return g.endState[side][k] == 1;
}

// The sums of one goal corner's row with the live start corners, in list order: the first
// shorter than `best`, then any shorter still. That pair becomes the best way once both
// its corners are seen; a start corner that is not leaves the live ones and the row is
// summed again, a goal corner that is not leaves the row. A new best sends away the start
// corners whose bound reaches it (their bound stands clear of rounding by the tolerance,
// so none that could win leaves).
void sumRow(CornerGraph& g, CornerSight sight, void* context, int kb, int& live, double& best, int& bestA,
            int& bestB) {
    const int rb = g.endCorner[1][kb];
    if (g.rowMade[rb] != g.rowEpoch) makeRow(g, rb);
    const double* row = distanceRow(g, rb);
    const double tail = g.endDistance[1][kb];
    for (;;) {
        double least = best;
        int at = -1;
        for (int i = 0; i < live; ++i) {
            const int ka = g.liveStart[i];
            const double total = g.endDistance[0][ka] + row[g.endCorner[0][ka]] + tail;
            if (total < least) {
                least = total;
                at = i;
            }
        }
        if (at < 0) return;
        const int ka = g.liveStart[at];
        if (!sees(g, sight, context, 0, ka)) {
            for (int i = at + 1; i < live; ++i) g.liveStart[i - 1] = g.liveStart[i];
            --live;
            continue;
        }
        if (!sees(g, sight, context, 1, kb)) return;
        best = least;
        bestA = ka;
        bestB = kb;
        // The way's corners are read off this goal corner's hop row at the end; ask for it.
        const int16_t* hop = g.hop + static_cast<long>(rb) * g.cornerCount;
        for (int at = 0; at < g.cornerCount; at += 32) __builtin_prefetch(hop + at);
        const double limit = best + kLengthTolerance;
        int kept = 0;
        for (int i = 0; i < live; ++i) {
            const int k = g.liveStart[i];
            g.liveStart[kept] = static_cast<int16_t>(k);
            kept += g.startBound[k] < limit ? 1 : 0;
        }
        live = kept;
        return;
    }
}

// Asks the caches for the entries of goal corner kb's row that the live start corners sum.
void prefetchRow(const CornerGraph& g, int kb, int live) {
    const double* row = g.distance + static_cast<long>(g.endCorner[1][kb]) * g.cornerCount;
    for (int i = 0; i < live; ++i) __builtin_prefetch(row + g.endCorner[0][g.liveStart[i]]);
}

// Whether goal corner k comes before `other` in the scan: lesser bound, then list order.
bool beforeInOrder(const CornerGraph& g, int k, int other) {
    return g.goalStraight[k] < g.goalStraight[other] || (g.goalStraight[k] == g.goalStraight[other] && k < other);
}

}  // namespace

// Goal corners are taken in order of their bounds (equal bounds in list order), so the
// first pair found shortest wins. Those of least bound go first, one at a time until one
// gives a way; then only the goal corners with bounds short of that way are sorted, and
// the scan stops at the first bound no shorter than the best way, so rows are made only
// for goal corners that could still do better. Every best way found is seen from both
// ends, so a corner that is not costs a row summed again, not a scan.
double bestCornerPair(CornerGraph& g, CornerSight sight, void* context, int& bestA, int& bestB) {
    double best = HUGE_VAL;
    bestA = bestB = -1;
    const int na = g.endCount[0], nb = g.endCount[1];
    int live = 0;
    for (int ka = 0; ka < na; ++ka) {
        g.liveStart[live] = static_cast<int16_t>(ka);
        live += g.endState[0][ka] != 2 ? 1 : 0;
    }
    if (live == 0) return best;
    int first = -1;  // the last goal corner taken one at a time
    while (live > 0 && best == HUGE_VAL) {
        const int after = first;
        first = -1;
        for (int kb = 0; kb < nb; ++kb) {
            if (g.endState[1][kb] == 2 || (after >= 0 && !beforeInOrder(g, after, kb))) continue;
            if (first < 0 || beforeInOrder(g, kb, first)) first = kb;
        }
        if (first < 0) return best;
        sumRow(g, sight, context, first, live, best, bestA, bestB);
    }
    if (best == HUGE_VAL) return best;
    int ordered = 0;
    for (int kb = 0; kb < nb; ++kb) {
        const double bound = g.goalStraight[kb];
        if (g.endState[1][kb] == 2 || bound >= best || !beforeInOrder(g, first, kb)) continue;
        int i = ordered++;
        for (; i > 0 && g.goalBound[i - 1] > bound; --i) {
            g.goalBound[i] = g.goalBound[i - 1];
            g.goalOrder[i] = g.goalOrder[i - 1];
        }
        g.goalBound[i] = bound;
        g.goalOrder[i] = static_cast<int16_t>(kb);
    }
    // The rows' entries for the live start corners lie scattered over a table larger than
    // the nearer caches: all are asked for before the first sum waits on one.
    for (int j = 0; j < ordered; ++j) prefetchRow(g, g.goalOrder[j], live);
    for (int j = 0; j < ordered && live > 0; ++j) {
        if (g.goalBound[j] >= best) break;
        sumRow(g, sight, context, g.goalOrder[j], live, best, bestA, bestB);
    }
    return best;
}

namespace {

// A query's sight checks: end corner k walked to its end.
struct SightWalks {
    Context& c;
    PathPoint ends[2];
};

bool walkToEnd(void* context, int side, int k) {
    SightWalks& w = *static_cast<SightWalks*>(context);
    const CornerGraph& g = w.c.state.graph;
    return walkFromCorner(w.c, g.cornerVertex[g.endCorner[side][k]], w.ends[side]);
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
        g.cornerVertex[count++] = v;
    }
    std::sort(g.cornerVertex, g.cornerVertex + count, [&](int32_t a, int32_t b) {
        const uint32_t za = zOrder(mesh.points[a]), zb = zOrder(mesh.points[b]);
        return za != zb ? za < zb : a < b;
    });
    for (int k = 0; k < count; ++k) {
        const int32_t v = g.cornerVertex[k];
        g.cornerIndex[v] = k;
        CornerGraph::CornerSite& s = g.site[k];
        s.x = mesh.points[v].x * 256;
        s.y = mesh.points[v].y * 256;
        for (int i = 0; i < 4; ++i) s.wall[i] = g.wallEdges[v][i];
    }
    // Each triangle's sightings, classed once for the points in it.
    int made = 0;
    for (int t = 0; t < mesh.triangleHighWater; ++t) {
        g.endSightStart[t] = made;
        for (int i = g.sightStart[t]; i < g.sightStart[t + 1]; ++i) {
            const int k = g.cornerIndex[g.sightings[i] >> 1];
            if (k < 0) continue;
            const int over = tangentOver(mesh, g.site[k], t);
            if (over == 0) continue;
            g.endSight[made++] = static_cast<uint16_t>(k * 4 + (over == 1 ? 2 : 0) + (g.sightings[i] & 1));
        }
    }
    g.endSightStart[mesh.triangleHighWater] = made;
}

void prefetchEndSightings(const CornerGraph& g, int t) {
    if (g.status != CornerGraph::Status::Ready) return;
    const int from = g.endSightStart[t], to = g.endSightStart[t + 1];
    if (from < 0 || to > kMaxCornerSightings) return;
    for (int i = from; i < to; i += 32) __builtin_prefetch(g.endSight + i);
}

bool distanceRowsUsable(const CornerGraph& g) {
    return g.status == CornerGraph::Status::Ready && g.cornerCount <= kMaxDistanceCorners;
}

int searchByCornerDistances(Context& c, int startTriangle, PathPoint from, PathPoint to, PathPoint* chain,
                            int capacity) {
    CornerGraph& g = c.state.graph;
    gatherEnd(c, 0, startTriangle, from);
    gatherEnd(c, 1, c.goalTriangle, to);
    measureEndCorners(c);
    // Every way runs start -> a -> ... -> b -> goal, a a corner the start sees and b one
    // the goal sees.
    SightWalks walks{c, {from, to}};
    int bestA = -1, bestB = -1;
    bestCornerPair(g, walkToEnd, &walks, bestA, bestB);
    if (bestA < 0) return -1;
    // Corners from a on to b.
    const int b = g.endCorner[1][bestB];
    const int16_t* hop = hopRow(g, b);
    int count = 0;
    for (int i = g.endCorner[0][bestA];; i = hop[i]) {
        if (count == capacity) return capacity + 1;
        chain[count++] = vertexIndexWorld(c.mesh, g.cornerVertex[i]);
        if (i == b) break;
    }
    return count;
}

}  // namespace nav::shortest
