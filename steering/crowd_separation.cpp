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

using WordLanes = uint32_t __attribute__((vector_size(16)));

// Radii from this on (and negative ones) are passed by the screen without a test.
constexpr uint32_t kScreenedRadii = uint32_t{1} << 30;

using FloatLanes = float __attribute__((vector_size(16)));

// mayBeNearLanes with the agent's position and radius as lanes, for a radius below
// kScreenedRadii. With both radii below it their sum s has no wrap, and a neighbour is near
// when dx^2 + dy^2 < keep^2 with keep = floor(7s / 10). The same sums in single precision
// (rounding error below 2^-24 per step) are at most (1 + 2^-24)^4 times the exact ones,
// and (s * 0.7001f)^2 at least (0.70009 s)^2 (1 - 2^-24)^5: a near neighbour's rounded sum
// is below the rounded bound. Differences are the wrapped 32-bit ones the test uses.
[[gnu::always_inline]] inline CopyLanes mayBeNear(WordLanes x0, WordLanes y0, WordLanes radius, CopyLanes x, CopyLanes y,
                                                  CopyLanes radii) {
    const FloatLanes dx = __builtin_convertvector(__builtin_bit_cast(CopyLanes, x0 - __builtin_bit_cast(WordLanes, x)), FloatLanes);
    const FloatLanes dy = __builtin_convertvector(__builtin_bit_cast(CopyLanes, y0 - __builtin_bit_cast(WordLanes, y)), FloatLanes);
    const WordLanes other = __builtin_bit_cast(WordLanes, radii);
    const FloatLanes keep = __builtin_convertvector(__builtin_bit_cast(CopyLanes, radius + other), FloatLanes) * 0.7001f;
    return (dx * dx + dy * dy < keep * keep) | (other >= kScreenedRadii);
}

}  // namespace

CopyLanes mayBeNearLanes(FixedVec position, Fixed radius, CopyLanes x, CopyLanes y, CopyLanes radii) {
    if (static_cast<uint32_t>(radius) >= kScreenedRadii) return CopyLanes{} - 1;
    return mayBeNear(WordLanes{} + static_cast<uint32_t>(position.x), WordLanes{} + static_cast<uint32_t>(position.y),
                     WordLanes{} + static_cast<uint32_t>(radius), x, y, radii);
}

void separateFromNeighbours(Agent& agent) {
    if (agent.world == nullptr || agent.world->navigationMode != NavigationMode::Shortest) return;
    if (standsAtGoal(agent)) return;
    World& world = *agent.world;
    int64_t pushX = 0, pushY = 0;
    // A neighbour nearer than the kept share of the two radii reaches with its own disc
    // (registered in every grid cell it overlaps) within that share of this agent's radius:
    // the square of that half-size (and a unit for rounding) finds them all.
    const Fixed reach = static_cast<Fixed>(static_cast<int64_t>(agent.radius) * kSeparationTenths / 10) + kFixedOne;
    const FixedVec here = agent.position;
    const int64_t radius = agent.radius;
    // The screen passes every neighbour near enough, four at a time; the test below stands
    // by itself. An agent too wide for the screen reads every neighbour.
    const bool screened = static_cast<uint32_t>(agent.radius) < kScreenedRadii;
    const WordLanes x0 = WordLanes{} + static_cast<uint32_t>(here.x);
    const WordLanes y0 = WordLanes{} + static_cast<uint32_t>(here.y);
    const WordLanes radiusLanes = WordLanes{} + static_cast<uint32_t>(agent.radius);
    auto screen = [&](CopyLanes x, CopyLanes y, CopyLanes radii) {
        return screened ? mayBeNear(x0, y0, radiusLanes, x, y, radii) : CopyLanes{} - 1;
    };
    forEachOtherAgentCopyScreened(agent, reach, screen, [&](const Agent&, const NeighbourCopy& near, const Agent& other) {
        const int64_t dx = static_cast<int64_t>(wrapSub(here.x, near.position.x));
        const int64_t dy = static_cast<int64_t>(wrapSub(here.y, near.position.y));
        const int64_t keep = (radius + near.radius) * kSeparationTenths / 10;
        // Unsigned: both differences at -2^31 make 2^63.
        const uint64_t squared = static_cast<uint64_t>(dx * dx) + static_cast<uint64_t>(dy * dy);
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
