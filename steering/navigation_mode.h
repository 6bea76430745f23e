#pragma once
// The program's two navigation modes. Classic plans with the classic planner and follows
// paths by the classic rules, unchanged. Shortest plans taut paths whose corners keep the
// agent's radius off the walls, and adds crowd rules: an agent braked by a crowd round a
// waypoint on its way while standing still gives that waypoint up for the next; one held
// back round its target claims a free place there (arrival_places.h) and is done only when
// it stands at it, and walks back when pushed off; a step into a wall slides along it; an
// agent standing where no path can start (off the map, in a patch of another type, on an
// obstacle's marker) plans from the nearest ground of its target's type.
#include "navigation/navigation.h"
#include "steering/agent.h"

namespace steering {

struct World;
class GridMap;

// The navigation modes: the one list of planners of the whole tree.
enum class NavigationMode { Classic, Shortest };

// "classic" or "shortest", as menus, tools and reports name the modes.
const char* navigationModeName(NavigationMode mode);

// The one planner entry: the agents, the Paths overlay, navtool and the benchmarks all plan
// through it, so they all apply the same rules. From (fromX, fromY) to (toX, toY), whole
// world units, into result (count 0 when no path exists).
// - Classic: the classic planner's corridor and gate waypoints (world.pathRequest, the
//   terrain's planner unless a test replaced it, at nav::kAgentGateFraction).
// - Shortest: the taut path with its corners kept `clearance` world units off the walls;
//   where the search runs out of its tables the classic answer stands in (so both modes
//   reach the same targets); from where no path can start, the nearest ground of the
//   target's type, ring by ring, becomes the first waypoint.
void planPath(World& world, NavigationMode mode, nav::PathResult& result, int fromX, int fromY, int toX, int toY,
              int32_t clearance);

// planPath from the agent's position to point in the world's mode, keeping the agent's
// clearance.
void planAgentPath(World& world, nav::PathResult& result, const Agent& agent, FixedVec point);

// Switches the mode; every agent still following a path plans again to its target.
void setNavigationMode(World& world, NavigationMode mode);

// Shortest mode's crowd rule for the waypoint being approached: true when the crowd round
// it brakes the agent to at most half its desired speed and the agent stands still. The
// agent then gives the waypoint up at once for the next one; at the last, it claims a place
// round its target instead of stopping.
bool givesUpCrowdedWaypoint(const Agent& agent, Fixed crowd);

// Whether the straight line between two whole-unit points crosses no wall cell (cells
// walked exactly; a line through a cell corner is blocked when either cell beside the
// corner is a wall). Points beyond the map are walls.
bool lineClearOfWalls(const GridMap& map, int fromX, int fromY, int toX, int toY);

// Shortest mode: an agent within reach of a waypoint (`toWaypoint` from it) leaves it for
// the next stored bend only when its centre's straight line to that bend is clear of walls,
// or once it stands within half its radius of the waypoint; otherwise it keeps walking to
// the waypoint, whose leg round the wall it needs (a bend kept at no clearance would else be
// cut by pressing along the wall for good). Always true in Classic, when the next point is
// the path's last (its target or place: a crowd at a door must still be able to go in) and
// for the last stored waypoint (the rest of the path is planned from there).
bool mayLeaveWaypoint(const Agent& agent, FixedVec toWaypoint);

// How near its target (or its place) an agent stands to arrive: within its radius in the
// Shortest mode, within twice its radius in Classic.
Fixed arrivalDistance(const Agent& agent);

// Shortest mode: an agent that arrived is done only while it stays there. Pushed farther
// than one and a half radii from its place or target (half as far again as where it
// arrives), or off its place's cell into a door, it walks back.
bool resumesAfterPush(const Agent& agent);

// Shortest mode's answer to a step that would end in a wall cell: the agent keeps the part
// of its velocity along the wall (the axis whose move stays out of walls, the longer one
// first) and moves by it; when neither does, it stays and loses its velocity.
void slideAlongWall(Agent& agent);

// The clearance an agent's shortest paths keep from walls: its radius in whole world units.
inline int32_t agentClearance(const Agent& agent) { return toWhole(agent.radius); }

}  // namespace steering
