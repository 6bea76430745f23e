#pragma once
// Path queries over the built mesh: locate both ends, rule out unconnected ends through
// labelled regions, search a corridor of adjacent triangles greedily toward the
// destination, and hand the corridor to the smoothing stage. The caller owns the mesh and
// the RouteSearch that holds a query's working state; a query allocates nothing. Queries
// label regions in the mesh as they go, so they take it writable.
#include <cstdint>

#include "navigation/nav_mesh.h"

namespace nav {

// Gate fraction agents pass: the middle of each gate.
constexpr int kAgentGateFraction = 8192;

// Fills result with the waypoints from (fromX, fromY) to (toX, toY), world units.
// mode is the gate fraction (clamped to 0..16383); clearance selects pass table
// (clearance + 1) as an 8-bit value, tables above 3 read as 3. result always gets from
// and to; its count is 0 when no path exists (also after a failed build).
void findGatePath(NavMesh& mesh, RouteSearch& search, PathResult& result, int fromX, int fromY, int toX, int toY, int mode,
               uint8_t clearance);

// Whether triangles a and b can be connected at all (same region, neither outside).
// Labels a's region first when neither end's label is known to be complete.
bool sameRegion(NavMesh& mesh, RouteSearch& search, int a, int b);

// Labels the connected set of non-outside triangles around t with a fresh region id and
// returns it; 0 (nothing labelled) when every id is valid and in use.
int fillRegion(NavMesh& mesh, RouteSearch& search, int t);

// Removes region id `id` from every triangle carrying it.
void releaseRegion(NavMesh& mesh, int id);

// Raises to class 3 every edge of t's fan around each of t's interior vertices (vertices
// whose fan is complete and contains no outside triangle).
void raiseInteriorClearance(NavMesh& mesh, int t);

// Greedy best-first search from seed to target, steering toward the target point
// (world units). Writes the route target..seed into the query state and returns its
// step count, or -1 when the target cannot be reached.
int searchRoute(NavMesh& mesh, RouteSearch& search, int seed, int target, int32_t targetX, int32_t targetY);

// searchRoute from start to destination, toward the query's destination point, with the
// route left in order start..destination. Returns the step count or -1. The answer may come
// from the query state's corridor cache, and then the search's keys, parents and marks are
// those of an earlier query.
int findRoute(NavMesh& mesh, RouteSearch& search, int start, int destination);

// The cache entry a search from start to destination toward the target cell uses.
int corridorCacheIndex(int start, int destination, int32_t cellX, int32_t cellY);

// Empties the corridor cache (a new generation of its entries).
void newCorridorGeneration(CorridorCache& cache);

// The search's binary min-heap on key, in q.heap[1..heapSize]; push takes the key from
// q.key[t]. A new entry rises past every parent whose key is greater or equal, so among
// equal keys the latest comes first. Popping moves the last entry to the root and sinks it
// toward the left child unless the right one is strictly smaller, while its key is greater
// or equal to that child's. Inline: the corridor search pushes and pops for every triangle
// it reaches.
inline void routeHeapPush(RouteSearch& q, int t) {
    const RouteHeapEntry entry{q.key[t], t};
    int i = ++q.heapSize;
    while (i > 1 && q.heap[i / 2].key >= entry.key) {
        q.heap[i] = q.heap[i / 2];
        i /= 2;
    }
    q.heap[i] = entry;
}

inline int routeHeapPop(RouteSearch& q) {
    const int top = q.heap[1].triangle;
    const RouteHeapEntry last = q.heap[q.heapSize--];
    if (q.heapSize == 0) return top;
    int i = 1;
    for (;;) {
        int child = 2 * i;
        if (child > q.heapSize) break;
        if (child + 1 <= q.heapSize && q.heap[child + 1].key < q.heap[child].key) ++child;
        if (last.key < q.heap[child].key) break;
        q.heap[i] = q.heap[child];
        i = child;
    }
    q.heap[i] = last;
    return top;
}

}  // namespace nav
