#pragma once
// The shortest planner's corner graph, as data: kept in its search state, made by
// navigation/corner_graph.cpp.
#include <cstdint>

#include "navigation/nav_mesh.h"

namespace nav {

// Corner graph capacities: visible corner pairs, and (triangle, corner) sightings. A mesh
// whose graph would need more is searched without the graph (same paths, slower).
constexpr int kMaxCornerEdges = 1 << 17;
constexpr int kMaxCornerSightings = 1 << 18;
// Corners whose distances to every other corner can be kept (a row each, made on the first
// query that needs it after a build). A graph with more corners is searched corner by
// corner instead (same paths, slower).
constexpr int kMaxDistanceCorners = 768;

struct CornerEdge {
    int32_t to = 0;     // vertex index
    float angle = 0;    // direction from the edge's corner, as a pseudo-angle in [0, 4)
    double length = 0;  // world units
};

// Which corners see which, worked out once per mesh build, link rule and pass table, on
// the first query that has to search. A corner here is a vertex where a shortest path can
// bend: the wall juts into the free space, so one sector of its fan opens wider than a
// half turn. From the start a query searches intervals of triangle edges up to the first
// bend, then goes from corner to corner over these edges, and reaches the goal from a
// corner that sees its triangle.
struct CornerGraph {
    enum class Status : uint8_t { Stale, Ready, Unavailable };
    Status status = Status::Stale;
    // What the last making found (Ready) or how far it got (Unavailable).
    int32_t cornerCount = 0;
    int32_t edgeCount = 0;
    int32_t sightingCount = 0;
    // Per triangle: bit s set when vertex s is a corner and the triangle lies in the
    // sector the corner's paths bend in.
    uint8_t bendSlots[kMaxTriangles] = {};
    // Per corner vertex: one triangle of its bending sector, as triangle * 4 + slot; -1 for
    // other vertices.
    int32_t sectorSeed[kMaxVertices] = {};
    // Per corner vertex: the directions (cells) of the two edges that bound its bending
    // sector; the wall lies in the narrower angle between them. `wallMiddle` points into it.
    int32_t wallEdges[kMaxVertices][4] = {};
    double wallMiddle[kMaxVertices][2] = {};
    // Edges from vertex v: edges[edgeStart[v] .. edgeStart[v + 1]), in order of angle.
    int32_t edgeStart[kMaxVertices + 1] = {};
    CornerEdge edges[kMaxCornerEdges] = {};
    // Corners that see some of triangle t: sightings[sightStart[t] .. sightStart[t + 1]),
    // each vertex * 2, plus 1 when the corner sees all of the triangle.
    int32_t sightStart[kMaxTriangles + 1] = {};
    int32_t sightings[kMaxCornerSightings] = {};
    // Build scratch: sightings in the order found, and stamps of one corner's sweep.
    int32_t foundTriangle[kMaxCornerSightings] = {};
    int32_t foundCode[kMaxCornerSightings] = {};
    int32_t foundCount = 0;
    uint32_t sweep = 0;
    uint32_t touchStamp[kMaxTriangles] = {};
    int32_t touchIndex[kMaxTriangles] = {};
    uint32_t seenStamp[kMaxVertices] = {};
    // Per query: corners that see some of the goal's triangle (valid when the stamp equals
    // the search state's), and whether they see all of it.
    uint32_t goalStamp[kMaxVertices] = {};
    uint8_t goalFull[kMaxVertices] = {};

    // Shortest distances between corners over the graph's edges, one row per corner,
    // numbered 0..cornerCount-1 (cornerIndex of a vertex, -1 for other vertices) in the
    // order of their places along a Z curve, so that the corners round one point read
    // few parts of a row. The rows lie packed cornerCount apart (distanceRow, hopRow), so
    // a graph smaller than the tables keeps its rows in fewer cache lines. Row r is
    // valid when rowMade[r] equals rowEpoch (a new graph moves the epoch on); hop row r
    // holds, for each corner i, the corner after i on its shortest way to corner r (r
    // itself at the end).
    int32_t cornerIndex[kMaxVertices] = {};
    int32_t cornerVertex[kMaxDistanceCorners] = {};
    uint32_t rowEpoch = 0;
    uint32_t rowMade[kMaxDistanceCorners] = {};
    double distance[kMaxDistanceCorners * kMaxDistanceCorners] = {};
    int16_t hop[kMaxDistanceCorners * kMaxDistanceCorners] = {};
    // Making one row: a heap of (distance, corner), lazily pruned.
    struct RowEntry {
        double d;
        int32_t corner;
    };
    RowEntry rowHeap[kMaxCornerEdges + kMaxDistanceCorners] = {};
    // Per corner (compact index), made with the rows' numbering: its place (world units)
    // and the two edges bounding its wall (as wallEdges), side by side for a query's ends.
    struct CornerSite {
        int32_t x, y;
        int32_t wall[4];
    };
    CornerSite site[kMaxDistanceCorners] = {};
    // The sightings again, for an end's corners: per triangle t, endSight[endSightStart[t]
    // .. endSightStart[t + 1]), in the order of sightings, each compact corner index * 4,
    // plus 2 when every point of t lies where a path can bend at the corner (tangent),
    // plus 1 when the corner sees all of t. Sightings of corners no point of t is tangent
    // to are left out.
    int32_t endSightStart[kMaxTriangles + 1] = {};
    uint16_t endSight[kMaxCornerSightings] = {};
    // One query's start corners still worth a sum (indices into the start's list, in its
    // order): a corner whose bound |start a| + |a goal| (startBound) is no shorter than the
    // best way found so far leaves.
    int16_t liveStart[kMaxDistanceCorners] = {};
    double startBound[kMaxDistanceCorners] = {};
    // One query's corners that see its start and its goal, with their straight distances;
    // state 0 not checked yet, 1 seen, 2 not seen.
    int32_t endCorner[2][kMaxDistanceCorners] = {};
    double endDistance[2][kMaxDistanceCorners] = {};
    uint8_t endState[2][kMaxDistanceCorners] = {};
    int32_t endCount[2] = {};
    // Per goal corner (index into the goal's list): |start b| + |b goal|, a bound on any
    // way through it (goalStraight). The goal corners one pass takes, in order of that
    // bound, with it.
    double goalStraight[kMaxDistanceCorners] = {};
    int16_t goalOrder[kMaxDistanceCorners] = {};
    double goalBound[kMaxDistanceCorners] = {};
};

inline double* distanceRow(CornerGraph& g, int r) { return g.distance + static_cast<long>(r) * g.cornerCount; }
inline int16_t* hopRow(CornerGraph& g, int r) { return g.hop + static_cast<long>(r) * g.cornerCount; }

}  // namespace nav
