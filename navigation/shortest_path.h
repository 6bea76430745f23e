#pragma once
// The shortest planner: the taut (shortest) path for a point through the same triangles,
// link rule and pass table as the classic planner, so both answer "reachable" for exactly
// the same pairs. The search runs over intervals of triangle edges seen from a root (the
// start or a corner vertex the path bends around), best first on a lower bound of the
// whole length, so the first path popped is the shortest one through the mesh. Corner
// waypoints are then moved off their vertex, into free space, by a clearance for the
// agent's radius when the moved path still crosses only passable triangles (less where an
// end of a corner's legs lies within the clearance of it: corner_move.h).
//
// The caller owns the mesh and the search state; a query allocates nothing.
#include <cstdint>

#include "navigation/corner_graph.h"
#include "navigation/nav_mesh.h"
#include "navigation/navigation.h"

namespace nav {

// Search nodes one query may create. A node is one interval of one triangle edge seen from
// one root; long paths across the demonstration map create a few thousand. A query that
// needs more stops with ShortestStatus::NodeLimit.
constexpr int kMaxShortestNodes = 1 << 16;

// Cells per side of the table that locates query ends (the map's own size; ends beyond it
// are located by a walk).
constexpr int kLocateSide = 256;

enum class ShortestStatus : uint8_t {
    Found,          // waypoints written, the last one the destination
    NoPath,         // the ends are not connected under the link rule (0 waypoints)
    NodeLimit,      // the search needed more than kMaxShortestNodes nodes (0 waypoints)
    WaypointLimit,  // the path bends more often than a PathResult holds (0 waypoints)
};

const char* shortestStatusText(ShortestStatus status);

struct ShortestNode {
    double ax = 0, ay = 0;  // interval end toward the entry edge's start vertex, world units
    double bx = 0, by = 0;  // interval end toward the entry edge's end vertex, world units
    double g = 0;           // path length from the start to the root, world units
    double f = 0;           // g + lower bound from the root through the interval to the goal
    int32_t root = 0;       // vertex index, or kStartRoot
    int32_t parent = -1;    // node this one was generated from; -1 for the first nodes
    int32_t triangle = 0;   // triangle entered through the interval
    int8_t entrySlot = 0;   // slot of the entry edge in `triangle`
    uint8_t flags = 0;      // see the kNode* bits in shortest_path.cpp
    int32_t rotationOrigin = -1;  // triangle where a turn around the root began, else -1
};

// Caller-owned working state of the shortest planner. Large (several megabytes): create
// it once, never per query.
struct ShortestSearchState {
    ShortestNode nodes[kMaxShortestNodes];
    int32_t nodeCount = 0;
    // Binary min-heap on f; each entry carries its node's f and g so that ordering the heap
    // never touches the node table.
    struct HeapEntry {
        double f = 0;
        double g = 0;
        int32_t node = 0;
    };
    HeapEntry heap[kMaxShortestNodes] = {};
    int32_t heapSize = 0;
    // Best g seen per root vertex, valid when the stamp equals `stamp`; stamps avoid
    // clearing these tables per query.
    double rootBest[kMaxVertices] = {};
    uint32_t rootStamp[kMaxVertices] = {};
    // Kept across queries while the mesh build, link rule and pass table stay the same
    // (worked out once per build, not per query):
    const NavMesh* cachedMesh = nullptr;
    uint32_t cachedBuild = 0;
    CellLinkRule cachedRule = nullptr;
    int cachedTable = -1;
    // Per triangle: bit k set when a path may cross edge k.
    uint8_t passMask[kMaxTriangles] = {};
    // Per vertex: 1 when some crossing around it is refused (a path may bend there), 0
    // when not, 2 when not looked at yet.
    uint8_t corner[kMaxVertices] = {};
    // Dead ends: triangles on no cycle of the crossing graph (a room with one way in, a
    // corridor to nowhere), peeled off leaf by leaf. A shortest path enters one only when
    // its start or goal lies beyond; exitSlot is the edge toward the rest (-1: none).
    uint8_t hanging[kMaxTriangles] = {};
    int8_t exitSlot[kMaxTriangles] = {};
    // Hanging triangles on the way from this query's start or goal out of its dead end,
    // valid when the stamp equals `stamp`.
    uint32_t wayOutStamp[kMaxTriangles] = {};
    // Per map cell (row-major, kLocateSide per row): a triangle holding the cell's centre,
    // -1 for none; a query end strictly inside that triangle is located without a walk.
    int16_t cellTriangle[kLocateSide * kLocateSide] = {};
    // Peeling's working storage.
    uint8_t crossings[kMaxTriangles] = {};
    int32_t peelQueue[kMaxTriangles] = {};
    uint32_t stamp = 0;
    PathPoint chain[kMaxPathWaypoints] = {};  // corners from the goal back to the start
    CornerGraph graph;
    // What the last query did, for tools and benchmarks.
    int32_t lastNodesCreated = 0;
    int32_t lastNodesExpanded = 0;
};

// What the query traverses: the link rule in force and the pass-table number (as the
// classic query selects it from the clearance level).
struct ShortestQuery {
    int32_t fromX = 0, fromY = 0, toX = 0, toY = 0;  // whole world units
    int32_t clearance = 0;  // world units corner waypoints are moved off their vertex (at most); 0: none
    CellLinkRule linkRule = nullptr;
    int passTableNumber = 1;
    // false: search intervals all the way, as for a mesh whose corner graph cannot be made
    // (same paths, slower; a check on the graph).
    bool cornerGraph = true;
    // false: go over the corner graph corner by corner (a search) instead of by its rows of
    // corner distances (as for a graph with more corners than the rows hold; a check).
    bool distanceRows = true;
};

// Fills result (from, to, waypoints: the bends, then the destination) with the shortest
// path. result.waypointCount is 0 unless the status is Found.
ShortestStatus findShortestPath(NavMesh& mesh, ShortestSearchState& state, const ShortestQuery& query,
                                  PathResult& result);

// Works out the planner's tables and corner graph for the query's mesh build, link rule and
// pass table now, instead of on the first query that needs them (a query after a rebuild
// does this itself). For tools and benchmarks; the figures are in state.graph.
void prepareShortestPaths(NavMesh& mesh, ShortestSearchState& state, CellLinkRule linkRule, int passTableNumber);

// Whether the straight segment from a to b (world units) stays inside triangles that the
// query's link rule and pass table let it cross into, starting from a's triangle. Passing
// exactly through a vertex counts as free only when every crossing around that vertex is
// passable. Exact integer arithmetic.
bool segmentPassable(NavMesh& mesh, ShortestSearchState& state, const ShortestQuery& query, PathPoint a,
                      PathPoint b);

// Sum of the Euclidean lengths of from -> waypoints, world units (0 for no path).
double pathLengthOf(const PathResult& path);

}  // namespace nav
