// The shortest planner's queries: locate the ends, take the straight way when they see
// each other, else search (intervals from the start, then the corner graph), read the
// corners off the goal's chain and move them off the walls by the clearance.
#include "navigation/shortest_path.h"

#include <cmath>

#include "navigation/corner_move.h"
#include "navigation/shortest_search.h"
#include "navigation/triangulation.h"

namespace nav {

using namespace shortest;

namespace {

// Moves each corner waypoint off its vertex, away from the wall it bends around, when both
// segments to its new place stay passable: first to the shorter place kept for an end near
// the corner, then by the whole clearance along the bisector, then by half and a quarter.
// startTriangle holds the path's start; each leg is walked on from the triangle where the
// leg before it ended.
void moveOffCorners(Context& c, PathResult& result, int32_t clearance, int startTriangle) {
    if (clearance <= 0) return;
    PathPoint previous{result.fromX, result.fromY};
    int previousTriangle = startTriangle;
    for (int i = 0; i + 1 < result.waypointCount; ++i) {
        const PathPoint corner = result.waypoints[i];
        int movedTriangle = -1;  // triangle of the corner's new place
        const PathPoint following = result.waypoints[i + 1];
        const CornerMovePoint from{static_cast<double>(previous.x), static_cast<double>(previous.y)};
        const CornerMovePoint at{static_cast<double>(corner.x), static_cast<double>(corner.y)};
        const CornerMovePoint to{static_cast<double>(following.x), static_cast<double>(following.y)};
        // A leg cannot start on a wall (a corner left on its vertex may locate in one).
        const bool fromFloor = previousTriangle >= 0 && !isOutsideType(c.mesh.triangles[previousTriangle].type);
        for (int attempt = -1; fromFloor && attempt < kClearanceTries && movedTriangle < 0; ++attempt) {
            CornerMovePoint place{};
            const bool made = attempt < 0 ? nearEndCornerMove(from, at, to, clearance, place)
                                          : bisectorCornerMove(from, at, to, std::ldexp(double(clearance), -attempt), place);
            if (!made) continue;
            const PathPoint candidate{static_cast<int32_t>(std::lround(place.x)),
                                      static_cast<int32_t>(std::lround(place.y))};
            int reached = -1;
            if (walkFrom(c, previousTriangle, previous, candidate, false, &reached) &&
                walkFrom(c, reached, candidate, following, false)) {
                result.waypoints[i] = candidate;
                movedTriangle = reached;
            }
        }
        previous = result.waypoints[i];
        previousTriangle = movedTriangle >= 0 ? movedTriangle : locateEnd(c.mesh, c.state, previous.x, previous.y);
    }
}

// A new stamp invalidates every per-query cache; when the counter wraps the caches are
// cleared once so that no stale entry can match.
void nextStamp(ShortestSearchState& state) {
    if (++state.stamp != 0) return;
    for (uint32_t& s : state.rootStamp) s = 0;
    for (uint32_t& s : state.wayOutStamp) s = 0;
    for (uint32_t& s : state.graph.goalStamp) s = 0;
    state.stamp = 1;
}

}  // namespace

const char* shortestStatusText(ShortestStatus status) {
    switch (status) {
        case ShortestStatus::Found: return "found";
        case ShortestStatus::NoPath: return "no path";
        case ShortestStatus::NodeLimit: return "search node table full";
        case ShortestStatus::WaypointLimit: return "too many bends for a path result";
    }
    return "unknown";
}

double pathLengthOf(const PathResult& path) {
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

void prepareShortestPaths(NavMesh& mesh, ShortestSearchState& state, CellLinkRule linkRule, int passTableNumber) {
    if (mesh.buildFailed || mesh.triangleHighWater < 2 || linkRule == nullptr) return;
    const uint8_t* table = selectTable(mesh, passTableNumber);
    refreshMeshTables(mesh, state, linkRule, passTableNumber, table);
    Context c{mesh, state, table, linkRule, {}, {}, kNoTriangle};
    prepareCornerGraph(c);
}

bool segmentPassable(NavMesh& mesh, ShortestSearchState& state, const ShortestQuery& query, PathPoint a,
                      PathPoint b) {
    if (mesh.buildFailed || mesh.triangleHighWater < 2 || query.linkRule == nullptr) return false;
    nextStamp(state);
    const uint8_t* table = selectTable(mesh, query.passTableNumber);
    refreshMeshTables(mesh, state, query.linkRule, query.passTableNumber, table);
    Context c{mesh, state, table, query.linkRule, {}, {}, kNoTriangle};
    return walkSegment(c, a, b);
}

ShortestStatus findShortestPath(NavMesh& mesh, ShortestSearchState& state, const ShortestQuery& query,
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
    nextStamp(state);

    const uint8_t* table = selectTable(mesh, query.passTableNumber);
    refreshMeshTables(mesh, state, query.linkRule, query.passTableNumber, table);
    const int startTriangle = locateEnd(mesh, state, query.fromX, query.fromY);
    const int goalTriangle = locateEnd(mesh, state, query.toX, query.toY);
    if (startTriangle < 0 || goalTriangle < 0) return ShortestStatus::NoPath;
    const NavTriangle& s = mesh.triangles[startTriangle];
    const NavTriangle& g = mesh.triangles[goalTriangle];
    if (isOutsideType(s.type) || isOutsideType(g.type)) return ShortestStatus::NoPath;
    // Complete region labels of different ids settle it without a search.
    const int rs = regionOf(s), rg = regionOf(g);
    if (rs != rg && rs != 0 && rg != 0 && mesh.regions[rs].valid && mesh.regions[rg].valid) {
        return ShortestStatus::NoPath;
    }

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

    prefetchEndSightings(state.graph, startTriangle);
    prefetchEndSightings(state.graph, goalTriangle);
    // Ends that see each other need no search (also the commonest case).
    if (walkFrom(c, startTriangle, PathPoint{query.fromX, query.fromY}, PathPoint{query.toX, query.toY}, false)) {
        result.waypoints[0] = PathPoint{query.toX, query.toY};
        result.waypointCount = 1;
        return ShortestStatus::Found;
    }

    if (query.cornerGraph) prepareCornerGraph(c);
    if (query.cornerGraph && query.distanceRows && distanceRowsUsable(state.graph)) {
        const int count = searchByCornerDistances(c, startTriangle, PathPoint{query.fromX, query.fromY},
                                                  PathPoint{query.toX, query.toY}, result.waypoints,
                                                  kMaxPathWaypoints - 1);
        if (count > kMaxPathWaypoints - 1) return ShortestStatus::WaypointLimit;
        if (count > 0) {
            result.waypoints[count] = PathPoint{query.toX, query.toY};
            result.waypointCount = count + 1;
            moveOffCorners(c, result, query.clearance, startTriangle);
            return ShortestStatus::Found;
        }
    }
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
    moveOffCorners(c, result, query.clearance, startTriangle);
    return ShortestStatus::Found;
}

}  // namespace nav
