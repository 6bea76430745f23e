#pragma once
// Turns a corridor of adjacent triangles into waypoints: tautPath walks a funnel through the
// portals to the taut path, cutGates picks the portals where the direction of travel changes
// as gates and cuts each down to a short stretch near the taut path, and gateWaypoints
// places one waypoint on each gate. All points are world units (1/256 cell).
#include <cstdint>

#include "navigation/nav_mesh.h"

namespace nav {

// Default gate clearance of a path query: 16 cells.
constexpr int32_t kGateClearance = 4096;
// Distance at which the taut path counts as touching a gate end (a corner vertex): 1 cell.
constexpr int32_t kVertexContactDistance = 256;
// gateWaypoints fractions have 14 fraction bits; 16384 would be the far end itself.
constexpr int kFractionOne = 16384;
constexpr int kMaxFraction = kFractionOne - 1;

// Portal from triangle t into its neighbour n: left is the edge's end vertex in t's slot
// order, right its start vertex (left and right as seen travelling from t into n). When n
// is not a neighbour of t the outputs stay unchanged, the diagnostic text is set and the
// answer is false.
bool edgePoints(const NavMesh& mesh, int t, int n, PathPoint& left, PathPoint& right);

// Side of p against a funnel: -1 beyond the left side, +1 beyond the right side, 0 inside
// or on a side.
int funnelSide(const Funnel& funnel, PathPoint p);

// Taut path from `from` to `to` through the portals of route[0..steps]: the corners, then
// the destination. Writes from, to, count and the waypoints into out; returns the count.
// A path that would need more than kMaxPathWaypoints points ends at the limit with the
// destination as its last waypoint.
int tautPath(const NavMesh& mesh, PathPoint from, PathPoint to, const int32_t* route, int steps,
        PathResult& out);

// Gates of the corridor route[0..steps], cut with the given clearance (world units); the
// last gate is the destination as a point. The taut reference path goes to
// search.referencePath. Returns the gate count (at most kMaxGates).
int cutGates(const NavMesh& mesh, RouteSearch& search, PathPoint from, PathPoint to, const int32_t* route, int steps, GatePath& gates,
         int32_t clearance);

// One waypoint per gate at `fraction` (14 fraction bits, clamped to 0..16383) of its
// length from its measuring end; the last waypoint is the destination. out's count is the
// gate count (0: no path; the destination still goes to slot 0).
void gateWaypoints(const GatePath& gates, PathResult& out, int fraction);

// ---- Gate cutting, exposed for tests ----------------------------------------------------

// Where the line through a and b crosses the gate: stores the crossing in (cx, cy) and
// answers whether it lies on the gate (within its bounding box, parameter within +-1.0).
bool gateLineCrossing(Gate& gate, PathPoint a, PathPoint b);
// Cuts a gate at least `clearance` long (approximate distance) to (clearance / 256 - 1)
// cells measured from end 1 when fromSide is 1, else from end 0; a gate truly no longer than
// that stays whole. The gate's side field is not touched.
void gateEndCut(Gate& gate, int fromSide, int32_t clearance);
// Cuts a gate to a window of `clearance` world units centred on its crossing (cx, cy), or
// to an end cut when the crossing is within half the clearance of an end.
void gateWindowCut(Gate& gate, int32_t clearance);

// Text of the last diagnostic (a missing portal, a path or gate list cut at its limit);
// empty when none occurred. Nothing displays it.
const char* pathDiagnosticText(const NavMesh& mesh);
void clearPathDiagnostic(NavMesh& mesh);

}  // namespace nav
