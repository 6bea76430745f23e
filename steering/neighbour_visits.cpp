#include "steering/neighbour_visits.h"

namespace steering {

int countAgentsNear(World& world, FixedVec point, Fixed halfSize) {
    neighbour_scratch::Hold hold(world.neighbourScratch.agentDepth);
    if (hold.level() < NeighbourScratch::kLevels) {
        return static_cast<int>(world.neighbourGrid.countAgents(point, halfSize, hold.level()));
    }
    std::vector<Agent*> candidates;
    return static_cast<int>(world.neighbourGrid.queryAgents(point, static_cast<double>(halfSize), candidates));
}

}  // namespace steering
