#pragma once
// Visiting the agents and obstacles registered near an agent, through the neighbour grid.
// Candidates come in the grid's order, each once, including the agent itself and agents
// well outside the square: the visit function does all distance filtering. The candidate
// lists are scratch vectors kept between calls, so a visit allocates nothing once they
// have grown to the largest crowd seen.
#include <cstddef>
#include <vector>

#include "steering/agent.h"
#include "world/fixed_math.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"

namespace steering {

namespace neighbour_scratch {
// Visits may nest (a visit that itself asks for neighbours); each level gets its own list.
// Four levels is more than any behaviour uses; deeper calls fall back to a local list.
constexpr int kLevels = 4;

// The kept lists of each nesting level, and the one list of countAgentsNear.
std::vector<Agent*>& agentLevel(int level);
std::vector<const Obstacle*>& obstacleLevel(int level);
std::vector<Agent*>& counting();
// Visits of each kind currently running (0 outside any visit).
extern int agentDepth;
extern int obstacleDepth;

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
    neighbour_scratch::Hold hold(neighbour_scratch::agentDepth);
    std::vector<Agent*> overflow;
    std::vector<Agent*>& candidates =
        hold.level() < neighbour_scratch::kLevels ? neighbour_scratch::agentLevel(hold.level()) : overflow;
    candidates.clear();
    neighbourGrid.queryAgents(agent.position, static_cast<double>(halfSize), candidates);
    for (std::size_t i = 0; i < candidates.size(); ++i) visit(agent, *candidates[i]);
}

// visit(agent, obstacle) for each obstacle registered in a grid cell that overlaps the
// square of the given half-size around the agent's position.
template <typename Visit>
void forEachObstacleNear(const Agent& agent, Fixed halfSize, Visit&& visit) {
    neighbour_scratch::Hold hold(neighbour_scratch::obstacleDepth);
    std::vector<const Obstacle*> overflow;
    std::vector<const Obstacle*>& candidates =
        hold.level() < neighbour_scratch::kLevels ? neighbour_scratch::obstacleLevel(hold.level()) : overflow;
    candidates.clear();
    neighbourGrid.queryObstacles(agent.position, static_cast<double>(halfSize), candidates);
    for (std::size_t i = 0; i < candidates.size(); ++i) visit(agent, *candidates[i]);
}

// The number of agents the grid returns for the square around point, unfiltered.
int countAgentsNear(FixedVec point, Fixed halfSize);

}  // namespace steering
