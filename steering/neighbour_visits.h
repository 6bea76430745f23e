#pragma once
// Visiting the agents and obstacles registered near an agent, through its world's neighbour
// grid. Candidates come in the grid's order, each once, including the agent itself and
// agents well outside the square: the visit function does all distance filtering. Up to
// NeighbourScratch::kLevels nested visits read the grid directly and allocate nothing
// (steering/neighbour_scratch.h); deeper ones collect their candidates in a list.
#include <climits>
#include <cstddef>
#include <vector>

#include "steering/agent.h"
#include "steering/world.h"
#include "world/fixed_math.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"

namespace steering {

namespace neighbour_scratch {
// Marks one nesting level as in use for the lifetime of the object.
class Hold {
public:
    explicit Hold(int& depth) : depth_(depth) { ++depth_; }
    ~Hold() { --depth_; }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
    int level() const { return depth_ - 1; }

private:
    int& depth_;
};
}  // namespace neighbour_scratch

static_assert(NeighbourScratch::kLevels <= NeighbourGrid::kVisitLevels, "each direct visit level needs its stamps");

namespace neighbour_scratch {
// A visit nested past the direct levels: the candidates of a query, in its order.
template <typename Visit>
void visitListedAgents(World& world, const Agent& agent, Fixed halfSize, const Agent* skip, Visit& visit) {
    std::vector<Agent*> candidates;
    world.neighbourGrid.queryAgents(agent.position, static_cast<double>(halfSize), candidates);
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (candidates[i] != skip) visit(*candidates[i], NeighbourCopy{candidates[i]->position, candidates[i]->radius});
    }
}

// The agent visit behind forEachAgentNear and its kin: visit(candidate, copy); skip is left
// out. Past the direct levels the copy is made from the candidate itself (the same values:
// every write of a registered agent's position moves it in the grid).
template <typename Visit>
void visitAgentsNear(const Agent& agent, Fixed halfSize, const Agent* skip, Visit&& visit) {
    World& world = *agent.world;
    Hold hold(world.neighbourScratch.agentDepth);
    if (hold.level() < NeighbourScratch::kLevels) {
        world.neighbourGrid.visitAgents(
            agent.position, halfSize, hold.level(), skip,
            [&](Agent* candidate, const NeighbourCopy& copy) { visit(*candidate, copy); }, agent.gridRecord);
        return;
    }
    visitListedAgents(world, agent, halfSize, skip, visit);
}

// The same for a function acting only on candidates whose copies pass a screen (see
// NeighbourGrid::visitAgentsScreened); past the direct levels every candidate is visited.
template <typename Screen, typename Visit>
void visitScreenedAgentsNear(const Agent& agent, Fixed halfSize, const Agent* skip, Screen&& screen, Visit&& visit) {
    World& world = *agent.world;
    Hold hold(world.neighbourScratch.agentDepth);
    if (hold.level() < NeighbourScratch::kLevels) {
        world.neighbourGrid.visitAgentsScreened(
            agent.position, halfSize, hold.level(), skip, screen,
            [&](Agent* candidate, const NeighbourCopy& copy) { visit(*candidate, copy); }, agent.gridRecord);
        return;
    }
    visitListedAgents(world, agent, halfSize, skip, visit);
}
}  // namespace neighbour_scratch

// visit(agent, candidate) for each agent registered in a grid cell that overlaps the
// square of the given half-size (raw 16.16) around the agent's position.
template <typename Visit>
void forEachAgentNear(const Agent& agent, Fixed halfSize, Visit&& visit) {
    neighbour_scratch::visitAgentsNear(agent, halfSize, nullptr,
                                       [&](const Agent& candidate, const NeighbourCopy&) { visit(agent, candidate); });
}

// The same without the agent itself: a cell holding only the agent is passed over unread.
template <typename Visit>
void forEachOtherAgentNear(const Agent& agent, Fixed halfSize, Visit&& visit) {
    neighbour_scratch::visitAgentsNear(agent, halfSize, &agent,
                                       [&](const Agent& candidate, const NeighbourCopy&) { visit(agent, candidate); });
}

// The same, with the grid's copy of each candidate: visit(agent, copy, candidate) tests the
// copy's position and radius (read from the cell's own run) and reads the candidate, on
// another cache line, only for what the copy lacks.
template <typename Visit>
void forEachOtherAgentCopyNear(const Agent& agent, Fixed halfSize, Visit&& visit) {
    neighbour_scratch::visitAgentsNear(agent, halfSize, &agent, [&](const Agent& candidate, const NeighbourCopy& copy) {
        visit(agent, copy, candidate);
    });
}

// forEachOtherAgentCopyNear for a function that acts only on some candidates:
// screen(x, y, radius) tests four candidates' copies at once (lanes) and returns all ones for
// every candidate visit(agent, copy, candidate) may act on; the rest are not visited.
template <typename Screen, typename Visit>
void forEachOtherAgentCopyScreened(const Agent& agent, Fixed halfSize, Screen&& screen, Visit&& visit) {
    neighbour_scratch::visitScreenedAgentsNear(agent, halfSize, &agent, screen,
                                               [&](const Agent& candidate, const NeighbourCopy& copy) {
                                                   visit(agent, copy, candidate);
                                               });
}

// The same for the obstacles registered near the agent.
template <typename Visit>
void forEachObstacleNear(const Agent& agent, Fixed halfSize, Visit&& visit) {
    World& world = *agent.world;
    neighbour_scratch::Hold hold(world.neighbourScratch.obstacleDepth);
    if (hold.level() < NeighbourScratch::kLevels) {
        world.neighbourGrid.visitObstacles(agent.position, halfSize, hold.level(),
                                           [&](const Obstacle* candidate) { visit(agent, *candidate); });
        return;
    }
    std::vector<const Obstacle*> candidates;
    world.neighbourGrid.queryObstacles(agent.position, static_cast<double>(halfSize), candidates);
    for (std::size_t i = 0; i < candidates.size(); ++i) visit(agent, *candidates[i]);
}

// Agents registered in the grid cells of the square of half-size halfSize around point, or
// limit when there are at least that many (the count stops there).
int countAgentsNear(World& world, FixedVec point, Fixed halfSize, int limit = INT_MAX);

}  // namespace steering
