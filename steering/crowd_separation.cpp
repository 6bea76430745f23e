// Position correction of the shortest-paths mode: agents pressed into each other are put
// back to a share of their radii apart, never into a wall.
#include "steering/crowd_separation.h"

#include <cmath>
#include <cstdint>

#include "steering/agent.h"
#include "steering/agent_list.h"
#include "steering/navigation_mode.h"
#include "steering/neighbour_visits.h"
#include "steering/world.h"
#include "world/grid_map.h"

namespace steering {

namespace {

// An agent that arrived holds its ground: it is done only where it stands.
bool standsAtGoal(const Agent& agent) { return agent.pathDone && agent.pathCount > 0; }

// A wall cell, or beyond the map.
bool inWall(const World& world, FixedVec p) {
    const CellIndex cell = world.gridMap.worldToCell(p);
    if (cell.column < 0 || cell.row < 0 || cell.column >= static_cast<int32_t>(world.gridMap.width) ||
        cell.row >= static_cast<int32_t>(world.gridMap.height)) {
        return true;
    }
    return world.gridMap.cellAt(cell) == kWallType;
}

// Whether the straight move from one point to another crosses or ends in a wall cell or
// leaves the map. The pushes of several neighbours add up, so a move may be longer than a
// cell: its end alone being open would let it jump a wall one cell thick. The end is looked
// at by itself too (a line that stops exactly on a cell's edge counts as staying in the cell
// it comes from).
bool crossesWall(const World& world, FixedVec from, FixedVec to) {
    if (inWall(world, to)) return true;
    return !lineClearOfWalls(world.gridMap, toWhole(from.x), toWhole(from.y), toWhole(to.x), toWhole(to.y));
}

// The pushes of many neighbours add up without a bound (a crowd inserted on one point
// pushes each of its agents by the sum over all the others): the sum is cut to `limit`
// along its own direction, so the crowd parts over a few steps instead of flinging agents.
void limitPush(int64_t& pushX, int64_t& pushY, int64_t limit) {
    const uint64_t ax = static_cast<uint64_t>(pushX < 0 ? -pushX : pushX);
    const uint64_t ay = static_cast<uint64_t>(pushY < 0 ? -pushY : pushY);
    int shift = 0;  // keeps the squares below 2^62
    while ((ax >> shift) >= (uint64_t{1} << 30) || (ay >> shift) >= (uint64_t{1} << 30)) ++shift;
    const int64_t sx = pushX / (int64_t{1} << shift), sy = pushY / (int64_t{1} << shift);
    const int64_t length = static_cast<int64_t>(floorSquareRoot(static_cast<uint64_t>(sx * sx + sy * sy)));
    if (length == 0 || length * (int64_t{1} << shift) <= limit) return;
    pushX = sx * limit / length;
    pushY = sy * limit / length;
}

}  // namespace

void separateFromNeighbours(Agent& agent) {
    if (agent.world == nullptr || agent.world->navigationMode != NavigationMode::Shortest) return;
    if (standsAtGoal(agent)) return;
    World& world = *agent.world;
    int64_t pushX = 0, pushY = 0;
    // A neighbour nearer than the kept share of the two radii reaches with its own disc
    // (registered in every grid cell it overlaps) within that share of this agent's radius:
    // the square of that half-size (and a unit for rounding) finds them all.
    const Fixed reach = static_cast<Fixed>(static_cast<int64_t>(agent.radius) * kSeparationTenths / 10) + kFixedOne;
    forEachOtherAgentCopyNear(agent, reach, [&](const Agent& self, const NeighbourCopy& near, const Agent& other) {
        const int64_t dx = static_cast<int64_t>(wrapSub(self.position.x, near.position.x));
        const int64_t dy = static_cast<int64_t>(wrapSub(self.position.y, near.position.y));
        const int64_t keep = (static_cast<int64_t>(self.radius) + near.radius) * kSeparationTenths / 10;
        const uint64_t squared = static_cast<uint64_t>(dx * dx + dy * dy);
        if (squared >= static_cast<uint64_t>(keep * keep)) return;
        // Held ground is not parted from. Asked after the distance, which reads only the
        // grid's copy: most neighbours in the square are not near enough to read the
        // neighbour itself.
        if (standsAtGoal(other)) return;
        const int64_t distance = static_cast<int64_t>(floorSquareRoot(squared));
        if (distance == 0) return;  // on top of each other: no direction to part in
        const int64_t share = (keep - distance) / 2;
        pushX += dx * share / distance;
        pushY += dy * share / distance;
    });
    if (pushX == 0 && pushY == 0) return;
    limitPush(pushX, pushY, agent.radius);
    const FixedVec before = agent.position;
    const FixedVec push{static_cast<Fixed>(pushX), static_cast<Fixed>(pushY)};
    const FixedVec candidates[3] = {before + push, before + FixedVec{push.x, 0}, before + FixedVec{0, push.y}};
    for (const FixedVec& candidate : candidates) {
        if (candidate == before || crossesWall(world, before, candidate)) continue;
        agent.position = candidate;
        agent.gridRecord = world.neighbourGrid.moveAgent(&agent, before, agent.position, agent.radius, agent.gridRecord);
        return;
    }
}

void separateCrowd(World& world) {
    for (Agent& agent : world.agentList) separateFromNeighbours(agent);
}

}  // namespace steering
