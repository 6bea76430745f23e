// Planning and the crowd and stranding rules of the two navigation modes.
#include "steering/navigation_mode.h"

#include "navigation/nav_mesh.h"
#include "navigation/route_planning.h"
#include "navigation/shortest_path.h"
#include "steering/agent_list.h"
#include "steering/arrival_places.h"
#include "steering/path_following.h"
#include "world/grid_map.h"
#include "steering/world.h"
#include "world/world_navigation.h"

namespace steering {

namespace {

// Rings of cells searched round a stranded agent for ground of its target's type: 8
// cells (2,048 world units) reach out of any patch or marker of the demonstration map,
// and bound the extra queries to one per ring.
constexpr int kStrandSearchRings = 8;
constexpr int kCellUnits = 256;  // world units per cell
// Crowd rule: braked to at most half its desired speed by the crowd round its waypoint
// (the brake applies at any distance from it) and slower than the stop speed.
constexpr Fixed kCrowdGiveUpShare = kFixedOne / 2;
constexpr Fixed kCrowdStillSpeed = 3 * kFixedOne;

int lowType(int value) { return value & 15; }

// Cell type of a whole-unit point; -1 beyond the map.
int cellTypeAt(const GridMap& map, int x, int y) {
    if (x < 0 || y < 0 || x >= static_cast<int>(kMapSide) * kCellUnits || y >= static_cast<int>(kMapSide) * kCellUnits) {
        return -1;
    }
    return lowType(map.cellAt(static_cast<uint32_t>(x / kCellUnits), static_cast<uint32_t>(y / kCellUnits)));
}

int clampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

void planClassic(World& world, nav::PathResult& result, int fromX, int fromY, int toX, int toY) {
    world.pathRequest(world, result, fromX, fromY, toX, toY, nav::kAgentGateFraction);
}

// The shortest planner with the classic answer beyond its tables (no stranding rule).
void planShortestOnce(World& world, nav::PathResult& result, int fromX, int fromY, int toX, int toY,
                      int32_t clearance) {
    nav::ShortestQuery query;
    query.fromX = fromX;
    query.fromY = fromY;
    query.toX = toX;
    query.toY = toY;
    query.clearance = clearance;
    query.linkRule = world.navMesh.linkRule;
    query.passTableNumber = world.navMesh.clearanceLevel;
    const nav::ShortestStatus status = nav::findShortestPath(world.navMesh, *world.shortestSearch, query, result);
    // Beyond the planner's tables the classic answer stands in, so that both modes still
    // reach exactly the same targets.
    if (status == nav::ShortestStatus::NodeLimit || status == nav::ShortestStatus::WaypointLimit) {
        planClassic(world, result, fromX, fromY, toX, toY);
    }
}

// From a point no path can start at, the nearest ground of the target's type, ring by
// ring; the path from there gets that point as its first waypoint. False when no ring
// holds such ground from which the target can be reached.
bool planFromNearestGround(World& world, nav::PathResult& result, int fromX, int fromY, int toX, int toY, int32_t clearance) {
    const GridMap& map = world.gridMap;
    const int type = cellTypeAt(map, toX, toY);
    if (type < 0 || type == 15) return false;
    if (cellTypeAt(map, fromX, fromY) == type) return false;  // standing on the right ground: truly unreachable
    const int cx = fromX >= 0 ? fromX / kCellUnits : -1 - (-fromX - 1) / kCellUnits;
    const int cy = fromY >= 0 ? fromY / kCellUnits : -1 - (-fromY - 1) / kCellUnits;
    for (int ring = 1; ring <= kStrandSearchRings; ++ring) {
        bool found = false;
        int bestX = 0, bestY = 0;
        int64_t bestDistance = 0;
        for (int y = cy - ring; y <= cy + ring; ++y) {
            for (int x = cx - ring; x <= cx + ring; ++x) {
                if (y != cy - ring && y != cy + ring && x != cx - ring && x != cx + ring) continue;  // ring only
                if (x < 0 || y < 0 || x >= static_cast<int>(kMapSide) || y >= static_cast<int>(kMapSide)) continue;
                if (lowType(map.cellAt(static_cast<uint32_t>(x), static_cast<uint32_t>(y))) != type) continue;
                // The cell's point nearest the agent, one unit inside it.
                const int px = clampInt(fromX, x * kCellUnits + 1, x * kCellUnits + kCellUnits - 2);
                const int py = clampInt(fromY, y * kCellUnits + 1, y * kCellUnits + kCellUnits - 2);
                const int64_t dx = px - fromX, dy = py - fromY;
                const int64_t d = dx * dx + dy * dy;
                if (!found || d < bestDistance) {
                    found = true;
                    bestDistance = d;
                    bestX = px;
                    bestY = py;
                }
            }
        }
        if (!found) continue;
        planShortestOnce(world, result, bestX, bestY, toX, toY, clearance);
        if (result.waypointCount <= 0) continue;
        const int count = result.waypointCount < nav::kMaxPathWaypoints ? result.waypointCount : nav::kMaxPathWaypoints - 1;
        for (int i = count; i > 0; --i) result.waypoints[i] = result.waypoints[i - 1];
        result.waypoints[0] = nav::PathPoint{bestX, bestY};
        result.waypointCount = count + 1;
        result.fromX = fromX;
        result.fromY = fromY;
        return true;
    }
    return false;
}

}  // namespace

const char* navigationModeName(NavigationMode mode) {
    return mode == NavigationMode::Classic ? "classic" : "shortest";
}

void planPath(World& world, NavigationMode mode, nav::PathResult& result, int fromX, int fromY, int toX, int toY,
              int32_t clearance) {
    if (mode == NavigationMode::Classic) {
        planClassic(world, result, fromX, fromY, toX, toY);
        return;
    }
    planShortestOnce(world, result, fromX, fromY, toX, toY, clearance);
    if (result.waypointCount <= 0) planFromNearestGround(world, result, fromX, fromY, toX, toY, clearance);
}

void planAgentPath(World& world, nav::PathResult& result, const Agent& agent, FixedVec point) {
    planPath(world, world.navigationMode, result, toWhole(agent.position.x), toWhole(agent.position.y), toWhole(point.x),
             toWhole(point.y), agentClearance(agent));
}

void setNavigationMode(World& world, NavigationMode mode) {
    world.navigationMode = mode;
    for (Agent& agent : world.agentList) {
        if (agent.pathCount > 0 && !agent.pathDone) agent.setTarget(agent.pathTarget);
    }
}

bool givesUpCrowdedWaypoint(const Agent& agent, Fixed crowd) {
    if (agent.world == nullptr || agent.world->navigationMode != NavigationMode::Shortest || crowd < kCrowdGiveUpShare) return false;
    return approxLength(agent.velocity) < kCrowdStillSpeed;
}

bool lineClearOfWalls(const GridMap& map, int fromX, int fromY, int toX, int toY) {
    auto cellOf = [](int v) { return v >= 0 ? v / kCellUnits : -1 - (-v - 1) / kCellUnits; };
    auto wall = [&map](int cx, int cy) {
        if (cx < 0 || cy < 0 || cx >= static_cast<int>(kMapSide) || cy >= static_cast<int>(kMapSide)) return true;
        return map.cellAt(static_cast<uint32_t>(cx), static_cast<uint32_t>(cy)) == kWallType;
    };
    int cx = cellOf(fromX), cy = cellOf(fromY);
    const int64_t dx = static_cast<int64_t>(toX) - fromX, dy = static_cast<int64_t>(toY) - fromY;
    const int stepX = dx > 0 ? 1 : (dx < 0 ? -1 : 0), stepY = dy > 0 ? 1 : (dy < 0 ? -1 : 0);
    const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    if (wall(cx, cy)) return false;
    for (;;) {
        // Distance along each axis from the start to the cell's next boundary; the line
        // crosses it only when that is less than the line's extent (a line ending on a
        // boundary stays in its cell). Crossing times bx / adx and by / ady are compared
        // by cross multiplication.
        const int64_t bx = stepX > 0 ? static_cast<int64_t>(cx + 1) * kCellUnits - fromX
                                     : static_cast<int64_t>(fromX) - static_cast<int64_t>(cx) * kCellUnits;
        const int64_t by = stepY > 0 ? static_cast<int64_t>(cy + 1) * kCellUnits - fromY
                                     : static_cast<int64_t>(fromY) - static_cast<int64_t>(cy) * kCellUnits;
        const bool crossX = stepX != 0 && bx < adx, crossY = stepY != 0 && by < ady;
        if (!crossX && !crossY) return true;
        const int64_t timeX = bx * ady, timeY = by * adx;
        if (!crossY || (crossX && timeX < timeY)) {
            cx += stepX;
        } else if (!crossX || timeY < timeX) {
            cy += stepY;
        } else {  // through the corner: blocked by a wall on either side of it
            if (wall(cx + stepX, cy) || wall(cx, cy + stepY)) return false;
            cx += stepX;
            cy += stepY;
        }
        if (wall(cx, cy)) return false;
    }
}

bool mayLeaveWaypoint(const Agent& agent, FixedVec toWaypoint) {
    if (agent.world == nullptr || agent.world->navigationMode != NavigationMode::Shortest) return true;
    const int following = agent.waypointIndex + 1;
    if (following >= agent.storedCount || following == agent.pathCount - 1) return true;
    if (approxLength(toWaypoint) <= agent.radius / 2) return true;
    const FixedVec next = agent.waypoints[following];
    return lineClearOfWalls(agent.world->gridMap, toWhole(agent.position.x), toWhole(agent.position.y), toWhole(next.x),
                            toWhole(next.y));
}

Fixed arrivalDistance(const Agent& agent) {
    const bool shortest = agent.world != nullptr && agent.world->navigationMode == NavigationMode::Shortest;
    return shortest || agent.placeCell >= 0 ? agent.radius : wrapMul(2, agent.radius);
}

bool resumesAfterPush(const Agent& agent) {
    if (agent.world == nullptr || agent.world->navigationMode != NavigationMode::Shortest) return false;
    const FixedVec goal = agent.placeCell >= 0 ? agent.placePoint : agent.pathTarget;
    if (approxLength(goal - agent.position) > agent.radius + agent.radius / 2) return true;
    // Pushed off its cell into a door, it walks back out of the way.
    const int x = toWhole(agent.position.x), y = toWhole(agent.position.y);
    return placeCellOf(x, y) != placeCellOf(toWhole(goal.x), toWhole(goal.y)) && inDoor(*agent.world, x, y);
}

void slideAlongWall(Agent& agent) {
    const FixedVec alongX{agent.velocity.x, 0};
    const FixedVec alongY{0, agent.velocity.y};
    const bool xFirst = (agent.velocity.x < 0 ? -agent.velocity.x : agent.velocity.x) >=
                        (agent.velocity.y < 0 ? -agent.velocity.y : agent.velocity.y);
    const FixedVec first = xFirst ? alongX : alongY;
    const FixedVec second = xFirst ? alongY : alongX;
    for (const FixedVec& part : {first, second}) {
        if (part.x == 0 && part.y == 0) continue;
        const FixedVec candidate = agent.position + part;
        if (agent.world->gridMap.cellAt(agent.world->gridMap.worldToCell(candidate)) == kWallType) continue;
        agent.position = candidate;
        agent.velocity = part;
        return;
    }
    agent.velocity = FixedVec{};
}

}  // namespace steering
