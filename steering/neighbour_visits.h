#pragma once
// Visiting the agents and obstacles registered near an agent, through its world's neighbour
// grid. Candidates come in the grid's order, each once, including the agent itself and
// agents well outside the square: the visit function does all distance filtering. The
// candidate lists are the world's scratch vectors (steering/neighbour_scratch.h), so a
// visit allocates nothing once they have grown to the largest crowd seen.
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

// visit(agent, candidate) for each agent registered in a grid cell that overlaps the
// square of the given half-size (raw 16.16) around the agent's position.
template <typename Visit>
void forEachAgentNear(const Agent& agent, Fixed halfSize, Visit&& visit) {
    World& world = *agent.world;
    NeighbourScratch& scratch = world.neighbourScratch;
    neighbour_scratch::Hold hold(scratch.agentDepth);
    std::vector<Agent*> overflow;
    std::vector<Agent*>& candidates =
        hold.level() < NeighbourScratch::kLevels ? scratch.agentLists[static_cast<std::size_t>(hold.level())] : overflow;
    candidates.clear();
    world.neighbourGrid.queryAgents(agent.position, static_cast<double>(halfSize), candidates);
    for (std::size_t i = 0; i < candidates.size(); ++i) visit(agent, *candidates[i]);
}

// The same for the obstacles registered near the agent.
template <typename Visit>
void forEachObstacleNear(const Agent& agent, Fixed halfSize, Visit&& visit) {
    World& world = *agent.world;
    NeighbourScratch& scratch = world.neighbourScratch;
    neighbour_scratch::Hold hold(scratch.obstacleDepth);
    std::vector<const Obstacle*> overflow;
    std::vector<const Obstacle*>& candidates = hold.level() < NeighbourScratch::kLevels
                                                   ? scratch.obstacleLists[static_cast<std::size_t>(hold.level())]
                                                   : overflow;
    candidates.clear();
    world.neighbourGrid.queryObstacles(agent.position, static_cast<double>(halfSize), candidates);
    for (std::size_t i = 0; i < candidates.size(); ++i) visit(agent, *candidates[i]);
}

// Agents registered in the grid cells of the square of half-size halfSize around point.
int countAgentsNear(World& world, FixedVec point, Fixed halfSize);

}  // namespace steering
