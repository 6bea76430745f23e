// Position correction of the shortest-paths mode: agents pressed into each other are put
// back to a share of their radii apart, never into a wall.
#include "steering/crowd_separation.h"

#include <cmath>
#include <cstdint>

#include "steering/agent.h"
#include "steering/agent_list.h"
#include "steering/navigation_mode.h"
#include "steering/neighbour_visits.h"
#include "steering/separation.h"
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

// n / d truncated toward zero (d > 0). Below 2^52 both are exact in a double and the
// double quotient is within a rounding (relative 2^-53) of the true one, less than the
// 1/d by which a quotient that is not whole stays from the next whole number: truncating it
// gives the integer quotient, for a fraction of a 64-bit division's cost.
int64_t quotient(int64_t n, int64_t d) {
    constexpr int64_t kExact = int64_t{1} << 52;
    if (n > -kExact && n < kExact && d < kExact) {
        return static_cast<int64_t>(static_cast<double>(n) / static_cast<double>(d));
    }
    return n / d;
}

}  // namespace

uint64_t floorSquareRoot(uint64_t x) {
    // The double root of x (x rounded to 53 bits, then the root rounded) is never below the
    // true root's floor k: x at or above k^2 rounds to at least k^2 rounded, whose root lies
    // within a quarter of the spacing of doubles next to k, so it rounds back to k. It is
    // above the floor by at most one (past 2^53 a square less one rounds up to the square);
    // the check below settles that. That costs far less than Newton's steps, each of which
    // is a 64-bit division.
    uint64_t r = static_cast<uint64_t>(std::sqrt(static_cast<double>(x)));
    if (r > kRootLimit) r = kRootLimit;  // x within a rounding of 2^64: the root 2^32 squared would wrap
    while (r * r > x) --r;
    return r;
}

void separateFromNeighbours(Agent& agent) {
    if (agent.world == nullptr || agent.world->navigationMode != NavigationMode::Shortest) return;
    if (standsAtGoal(agent)) return;
    World& world = *agent.world;
    int64_t pushX = 0, pushY = 0;
    // A neighbour nearer than the kept share of the two radii reaches with its own disc
    // (registered in every grid cell it overlaps) within that share of this agent's radius:
    // the square of that half-size (and a unit for rounding) finds them all.
    auto part = [&](const auto& near, const Agent& other) {
        const int64_t dx = static_cast<int64_t>(wrapSub(agent.position.x, near.position.x));
        const int64_t dy = static_cast<int64_t>(wrapSub(agent.position.y, near.position.y));
        const int64_t keep = (static_cast<int64_t>(agent.radius) + near.radius) * kSeparationTenths / 10;
        const uint64_t squared = static_cast<uint64_t>(dx * dx + dy * dy);
        if (squared >= static_cast<uint64_t>(keep * keep)) return;
        // Held ground is not parted from. Asked after the distance, which reads only the
        // copy: most neighbours in the square are not near enough to read the neighbour
        // itself.
        if (standsAtGoal(other)) return;
        const int64_t distance = static_cast<int64_t>(floorSquareRoot(squared));
        if (distance == 0) return;  // on top of each other: no direction to part in
        const int64_t share = (keep - distance) / 2;
        pushX += quotient(dx * share, distance);
        pushY += quotient(dy * share, distance);
    };
    if (useSortedAgents(world, agent)) {
        // A neighbour nearer than the kept share is nearer than it on both axes; the share
        // of this radius and the largest one bounds it (see separation for why the
        // differences do not wrap there).
        SortedAgentCells& sorted = world.neighbourGrid.sortedAgents;
        const int64_t halfSize = (int64_t{agent.radius} + sorted.maxRadius()) * kSeparationTenths / 10 + kFixedOne;
        sorted.prepare();
        const Fixed* const xs = sorted.xs();
        const Fixed* const ys = sorted.ys();
        const Fixed* const radii = sorted.radii();
        const uint32_t px = static_cast<uint32_t>(agent.position.x), py = static_cast<uint32_t>(agent.position.y);
        const uint32_t radius = static_cast<uint32_t>(agent.radius);
        sorted.forEachRun(agent.position, halfSize, &agent, [&](uint32_t begin, uint32_t end, uint32_t self) {
            // First, without branches and a block at a time, whether a neighbour is nearer
            // than the kept share on both axes, which it must be to be nearer (with radii of
            // at most SortedAgentCells::kMaxRadius the share's 32-bit product does not wrap
            // and equals part's); part then decides for those.
            constexpr uint32_t kBlock = 64;
            for (uint32_t first = begin; first < end; first += kBlock) {
                const uint32_t count = end - first < kBlock ? end - first : kBlock;
                uint8_t close[kBlock];
                for (uint32_t i = 0; i < count; ++i) {
                    const uint32_t k = first + i;
                    const uint32_t dx = px - static_cast<uint32_t>(xs[k]);
                    const uint32_t dy = py - static_cast<uint32_t>(ys[k]);
                    const uint32_t ax = static_cast<int32_t>(dx) < 0 ? 0u - dx : dx;
                    const uint32_t ay = static_cast<int32_t>(dy) < 0 ? 0u - dy : dy;
                    const uint32_t keep = (radius + static_cast<uint32_t>(radii[k])) * kSeparationTenths / 10;
                    close[i] = static_cast<uint8_t>((ax < keep) & (ay < keep));
                }
                for (uint32_t i = 0; i < count; ++i) {
                    if (close[i] == 0 || first + i == self) continue;
                    const uint32_t k = first + i;
                    part(SortedCopy{FixedVec{xs[k], ys[k]}, radii[k]}, sorted.agentAt(k));
                }
            }
        });
    } else {
        // A neighbour nearer than the kept share of the two radii reaches with its own disc
        // (registered in every grid cell it overlaps) within that share of this agent's
        // radius: the square of that half-size (and a unit for rounding) finds them all.
        const Fixed reach = static_cast<Fixed>(static_cast<int64_t>(agent.radius) * kSeparationTenths / 10) + kFixedOne;
        forEachOtherAgentCopyNear(agent, reach, [&part](const Agent&, const NeighbourCopy& near, const Agent& other) { part(near, other); });
    }
    if (pushX == 0 && pushY == 0) return;
    limitPush(pushX, pushY, agent.radius);
    const FixedVec before = agent.position;
    const FixedVec push{static_cast<Fixed>(pushX), static_cast<Fixed>(pushY)};
    const FixedVec candidates[3] = {before + push, before + FixedVec{push.x, 0}, before + FixedVec{0, push.y}};
    for (const FixedVec& candidate : candidates) {
        if (candidate == before || crossesWall(world, before, candidate)) continue;
        agent.position = candidate;
        world.neighbourGrid.moveAgent(&agent, before, agent.position, agent.radius);
        return;
    }
}

void separateCrowd(World& world) {
    // The index sorted after the step's moves, and again after the correction's, for the
    // next step's behaviours.
    SortedAgentCells& sorted = world.neighbourGrid.sortedAgents;
    if (sorted.active()) sorted.refresh();
    for (Agent& agent : world.agentList) separateFromNeighbours(agent);
    if (sorted.active()) sorted.refresh();
}

}  // namespace steering
