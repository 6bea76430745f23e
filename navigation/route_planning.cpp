// Path queries: reachability through region labels, a greedy best-first corridor search
// with an exact heap order, and the agents' entry.
#include "navigation/route_planning.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "navigation/cell_locate.h"
#include "navigation/nav_log.h"
#include "navigation/path_smoothing.h"
#include "navigation/triangulation.h"

namespace nav {

namespace {

// Highest pass table; clearance levels beyond it use it.
constexpr int kStrictestPassTable = 3;
// Key multiplier for a link the rule marks as costly (rule answer 2).
constexpr int32_t kCostlyLinkFactor = 16;
// Largest heuristic value, so that the costly-link multiple stays within int32.
constexpr int64_t kMaxHeuristic = INT32_MAX / kCostlyLinkFactor;

// Moves t from its current region to id, keeping counts and valid flags consistent.
void moveToRegion(NavMesh& mesh, int t, int id) {
    NavTriangle& triangle = mesh.triangles[t];
    const int old = regionOf(triangle);
    if (old == id) return;
    --mesh.regions[old].count;
    mesh.regions[old].valid = 0;
    ++mesh.regions[id].count;
    setRegionId(triangle, id);
}

// Fan step around the vertex at `slot` of `cur`: the neighbour across edge `slot` and the
// slot of the same vertex in it. False when there is no neighbour.
bool rotateAround(const NavMesh& mesh, int& cur, int& slot) {
    const int n = mesh.triangles[cur].neighbour[slot];
    if (n < 0) return false;
    const int back = neighbourSlot(mesh, n, cur);
    if (back < 0) return false;  // broken symmetry: treat like a missing neighbour
    cur = n;
    slot = next(back);
    return true;
}

void fillPush(RouteSearch& q, int t) {
    q.fillQueue[q.fillWrite] = t;
    q.fillWrite = q.fillWrite + 1 == kFillQueueCapacity ? 0 : q.fillWrite + 1;
    ++q.fillLength;
    q.fillLengthMax = std::max(q.fillLengthMax, q.fillLength);
}

int fillPop(RouteSearch& q) {
    const int t = q.fillQueue[q.fillRead];
    q.fillRead = q.fillRead + 1 == kFillQueueCapacity ? 0 : q.fillRead + 1;
    --q.fillLength;
    return t;
}

int64_t squaredCellDistance(NavPoint v, int32_t targetCellX, int32_t targetCellY) {
    const int64_t dx = static_cast<int64_t>(v.x) - targetCellX;
    const int64_t dy = static_cast<int64_t>(v.y) - targetCellY;
    return dx * dx + dy * dy;
}

// Smallest squared distance in cells from the target cell to a vertex of t.
int32_t heuristic(const NavMesh& mesh, int t, int32_t targetCellX, int32_t targetCellY) {
    int64_t best = INT64_MAX;
    for (int s = 0; s < 3; ++s) best = std::min(best, squaredCellDistance(vertexOf(mesh, t, s), targetCellX, targetCellY));
    return static_cast<int32_t>(std::min(best, kMaxHeuristic));
}

// Whether every entry of a pass table lets edges pass, so that no class bits need reading.
// Eight bytes at a time: (w - 0x01..01) & ~w & 0x80..80 is non-zero exactly when w holds a
// zero byte.
bool passesEverything(const uint8_t* table) {
    uint64_t zeroBytes = 0;
    for (int i = 0; i < 64; i += 8) {
        uint64_t w = 0;
        std::memcpy(&w, table + i, sizeof w);
        zeroBytes |= (w - 0x0101010101010101ull) & ~w & 0x8080808080808080ull;
    }
    return zeroBytes == 0;
}

// Pushes t's unvisited neighbours that may be entered. Reads t's corridor record, the
// marks, and t's class bits only when `table` is given (null: every edge passes).
void expand(NavMesh& mesh, RouteSearch& q, const CorridorCell* cells, int t, const uint8_t* table,
            int32_t targetCellX, int32_t targetCellY) {
    const CorridorCell& from = cells[t];
    for (int i = 0; i < 3; ++i) {
        const int link = (from.links >> (2 * i)) & 3;
        if (link == 0) continue;  // no neighbour, outside or wall, or the rule forbids it
        const int c = from.neighbour[i];
        if (isMarked(mesh, c)) continue;
        if (table != nullptr && !edgePasses(mesh, table, t, i)) continue;
        int32_t h = 0;
        if ((from.irregular >> i) & 1) {
            h = heuristic(mesh, c, targetCellX, targetCellY);
        } else {
            // The neighbour's corners: edge i's two and the one across it.
            const int64_t best = std::min({squaredCellDistance(from.corner[i], targetCellX, targetCellY),
                                           squaredCellDistance(from.corner[next(i)], targetCellX, targetCellY),
                                           squaredCellDistance(from.across[i], targetCellX, targetCellY)});
            h = static_cast<int32_t>(std::min(best, kMaxHeuristic));
        }
        q.key[c] = link == 2 ? h * kCostlyLinkFactor : h;
        mark(mesh, c);
        q.parent[c] = t;
        routeHeapPush(q, c);
        // Most triangles pushed are expanded soon after (the search heads for the target),
        // and their records are seldom in the processor's caches: ask for them now.
        __builtin_prefetch(&cells[c]);
    }
}

}  // namespace

void raiseInteriorClearance(NavMesh& mesh, int t) {
    for (int i = 0; i < 3; ++i) {
        // First round: is the fan around vertex i complete and free of outside triangles?
        bool interior = true;
        int cur = t, slot = i, guard = 0;
        for (;;) {
            if (!rotateAround(mesh, cur, slot) || isOutsideType(mesh.triangles[cur].type) || ++guard > kMaxTriangles) {
                interior = false;
                break;
            }
            if (cur == t) break;
        }
        if (!interior) continue;
        // Second round: both edges of every fan triangle that meet the vertex get class 3.
        cur = t;
        slot = i;
        do {
            NavTriangle& f = mesh.triangles[cur];
            f.regionWord = static_cast<uint16_t>(f.regionWord | (3u << (2 * slot)) | (3u << (2 * prev(slot))));
        } while (rotateAround(mesh, cur, slot) && cur != t);
    }
}

void releaseRegion(NavMesh& m, int id) {
    if (NavLog* log = activeLog(m)) log->write(" garbage");
    for (int t = 0; t < m.triangleHighWater && m.regions[id].count > 0; ++t) {
        if (isLive(m.triangles[t]) && regionOf(m.triangles[t]) == id) clearRegion(m, t);
    }
}

int fillRegion(NavMesh& m, RouteSearch& q, int t) {
    int id = 0;
    for (int i = 1; i < kMaxRegions; ++i) {
        if (m.regions[i].count == 0) {
            id = i;
            break;
        }
    }
    if (id == 0) {
        int bestCount = INT32_MAX;
        for (int i = 1; i < kMaxRegions; ++i) {
            if (!m.regions[i].valid && m.regions[i].count < bestCount) {
                id = i;
                bestCount = m.regions[i].count;
            }
        }
        if (id == 0) return 0;  // every id labels a complete region still in use
        releaseRegion(m, id);
    }
    m.regions[id].valid = 1;
    moveToRegion(m, t, id);
    raiseInteriorClearance(m, t);

    // Each triangle is queued at most once (it carries the id from then on), so the
    // queue, as large as the triangle table, never overwrites an unread entry.
    q.fillRead = q.fillWrite = q.fillLength = 0;
    fillPush(q, t);
    while (q.fillLength > 0) {
        const int e = fillPop(q);
        bool raised = false;
        for (int j = 0; j < 3; ++j) {
            const int n = m.triangles[e].neighbour[j];
            if (n < 0 || isOutsideType(m.triangles[n].type) || regionOf(m.triangles[n]) == id) continue;
            if (!raised) {
                raiseInteriorClearance(m, e);
                raised = true;
            }
            moveToRegion(m, n, id);
            fillPush(q, n);
        }
    }
    return id;
}

bool sameRegion(NavMesh& m, RouteSearch& search, int a, int b) {
    if (a < 0 || b < 0 || a >= m.triangleHighWater || b >= m.triangleHighWater) return false;
    if (isOutsideType(m.triangles[a].type) || isOutsideType(m.triangles[b].type)) return false;
    const int ra = regionOf(m.triangles[a]);
    const int rb = regionOf(m.triangles[b]);
    if ((ra != 0 && m.regions[ra].valid) || (rb != 0 && m.regions[rb].valid)) return ra == rb;
    if (NavLog* log = activeLog(m)) log->write(" fill");
    if (fillRegion(m, search, a) == 0) return false;
    return regionOf(m.triangles[a]) == regionOf(m.triangles[b]);
}

int searchRoute(NavMesh& m, RouteSearch& q, int seed, int target, int32_t targetX, int32_t targetY) {
    q.heapSize = 0;
    newGeneration(m);
    for (int i = 0; i < m.boundaryRingLength; ++i) mark(m, m.boundaryRing[i]);

    const CorridorCell* cells = corridorCells(m);
    const uint8_t* row = passTableRow(m, q.passTableIndex);
    const uint8_t* table = passesEverything(row) ? nullptr : row;
    const int32_t targetCellX = targetX >> 8;
    const int32_t targetCellY = targetY >> 8;
    q.key[seed] = 1;
    q.parent[seed] = seed;
    mark(m, seed);
    routeHeapPush(q, seed);
    while (q.heapSize > 0 && q.heap[1].triangle != target) {
        const int a = routeHeapPop(q);
        int b = -1;
        if (q.heapSize > 0) {
            if (q.heap[1].triangle == target) break;
            b = routeHeapPop(q);
        }
        expand(m, q, cells, a, table, targetCellX, targetCellY);
        if (b >= 0) expand(m, q, cells, b, table, targetCellX, targetCellY);
    }
    if (q.heapSize == 0) return -1;

    int count = 0;
    for (int t = target;; t = q.parent[t]) {
        if (count == kMaxTriangles) return -1;  // a parent cycle: never from a sound search
        q.route[count++] = t;
        if (t == seed) break;
    }
    return count - 1;
}

void newCorridorGeneration(CorridorCache& cache) {
    if (++cache.generation == 0) {
        for (CachedCorridor& entry : cache.entries) entry.generation = 0;
        cache.generation = 1;
    }
}

namespace {

// The cache entry for this search, emptied first when the mesh, its build or its link rule
// changed; null when the pass table reads class bits (the answer then depends on them).
CachedCorridor* corridorSlot(NavMesh& mesh, RouteSearch& q, int start, int destination, int32_t cellX,
                             int32_t cellY) {
    if (!passesEverything(passTableRow(mesh, q.passTableIndex))) return nullptr;
    CorridorCache& cache = q.corridorCache;
    if (cache.mesh != &mesh || cache.build != mesh.buildSerial || cache.rule != mesh.linkRule) {
        newCorridorGeneration(cache);
        cache.mesh = &mesh;
        cache.build = mesh.buildSerial;
        cache.rule = mesh.linkRule;
    }
    return &cache.entries[corridorCacheIndex(start, destination, cellX, cellY)];
}

// The 64-bit finaliser of MurmurHash3: every input bit reaches every output bit.
uint64_t mixBits(uint64_t x) {
    x ^= x >> 33;
    x *= 0xFF51AFD7ED558CCDull;
    x ^= x >> 33;
    x *= 0xC4CEB9FE1A85EC53ull;
    x ^= x >> 33;
    return x;
}

}  // namespace

int corridorCacheIndex(int start, int destination, int32_t cellX, int32_t cellY) {
    static_assert(kCorridorCacheEntries == 1 << 12, "the index takes the top 12 bits of the hash");
    const uint64_t triangles = static_cast<uint64_t>(static_cast<uint32_t>(start)) << 32 | static_cast<uint32_t>(destination);
    const uint64_t cell = static_cast<uint64_t>(static_cast<uint32_t>(cellX)) << 32 | static_cast<uint32_t>(cellY);
    return static_cast<int>(mixBits(triangles ^ mixBits(cell)) >> 52);
}

int findRoute(NavMesh& mesh, RouteSearch& q, int start, int destination) {
    const int32_t cellX = q.toX >> 8;
    const int32_t cellY = q.toY >> 8;
    CachedCorridor* const slot = corridorSlot(mesh, q, start, destination, cellX, cellY);
    if (slot != nullptr && slot->generation == q.corridorCache.generation && slot->start == start &&
        slot->destination == destination && slot->targetCellX == cellX && slot->targetCellY == cellY) {
        ++q.corridorCache.hits;
        q.routeSteps = slot->steps;
        for (int i = 0; i <= slot->steps; ++i) q.route[i] = slot->route[i];
        return q.routeSteps;
    }
    q.routeSteps = searchRoute(mesh, q, start, destination, q.toX, q.toY);
    if (q.routeSteps >= 0) std::reverse(q.route, q.route + q.routeSteps + 1);
    if (slot != nullptr) {
        ++q.corridorCache.misses;
        if (q.routeSteps <= kCorridorCacheSteps) {
            slot->generation = q.corridorCache.generation;
            slot->start = start;
            slot->destination = destination;
            slot->targetCellX = cellX;
            slot->targetCellY = cellY;
            slot->steps = q.routeSteps;
            for (int i = 0; i <= q.routeSteps; ++i) slot->route[i] = static_cast<int16_t>(q.route[i]);
        }
    }
    return q.routeSteps;
}

void findGatePath(NavMesh& m, RouteSearch& q, PathResult& result, int fromX, int fromY, int toX, int toY, int mode,
               uint8_t clearance) {
    uint32_t startStamp = 0;
    NavLog* const log = activeLog(m);
    if (log != nullptr) {
        log->writef("\nF=%d Path    %03d,%03d %03d,%03d", log->frame(), fromX, fromY, toX, toY);
        startStamp = timeStamp();
    }
    result.fromX = fromX;
    result.fromY = fromY;
    result.toX = toX;
    result.toY = toY;
    result.waypointCount = 0;
    q.fromX = fromX;
    q.fromY = fromY;
    q.toX = toX;
    q.toY = toY;
    q.routeSteps = -1;

    // A mesh that was never built or whose build failed connects nothing.
    const bool meshUsable = !m.buildFailed && m.triangleHighWater >= 2;
    q.startTriangle = meshUsable ? locateQueryEnd(m, fromX, fromY) : kNoTriangle;
    q.goalTriangle = meshUsable ? locateQueryEnd(m, toX, toY) : kNoTriangle;
    // The corridor cache's entry for this query is most often not in the processor's caches:
    // ask for it now, while the region check runs.
    __builtin_prefetch(&q.corridorCache.entries[corridorCacheIndex(q.startTriangle, q.goalTriangle, toX >> 8, toY >> 8)]);
    if (!meshUsable || !sameRegion(m, q, q.startTriangle, q.goalTriangle)) {
        if (log != nullptr) log->writef(" c=%d %s", static_cast<int>(ticksSince(startStamp)), " retC");
        return;
    }

    // Table (clearance + 1) as an 8-bit value: level 0 wraps to table 0 (nothing passes).
    const int table = static_cast<uint8_t>(clearance + 1);
    q.passTableIndex = std::min(table, kStrictestPassTable);
    if (log != nullptr) log->write(" gate");

    GatePath& gates = q.gatePath;
    gates.fromX = fromX;
    gates.fromY = fromY;
    gates.toX = toX;
    gates.toY = toY;
    gates.gateCount = 0;
    const int steps = findRoute(m, q, q.startTriangle, q.goalTriangle);
    if (steps >= 0) {
        cutGates(m, q, PathPoint{fromX, fromY}, PathPoint{toX, toY}, q.route, steps, gates, kGateClearance);
    }
    gateWaypoints(gates, result, mode);
}

void requestAgentPath(NavMesh& mesh, RouteSearch& search, PathResult& result, int fromX, int fromY, int toX, int toY,
                        int gateFraction) {
    findGatePath(mesh, search, result, fromX, fromY, toX, toY, gateFraction, static_cast<uint8_t>(mesh.clearanceLevel - 1));
}

}  // namespace nav
