#include "steering/neighbour_visits.h"

#include <algorithm>

namespace steering {

int countAgentsNear(World& world, FixedVec point, Fixed halfSize, int limit) {
    neighbour_scratch::Hold hold(world.neighbourScratch.agentDepth);
    if (hold.level() < NeighbourScratch::kLevels) {
        if (limit <= 0) return 0;
        return static_cast<int>(world.neighbourGrid.countAgents(point, halfSize, hold.level(), static_cast<std::size_t>(limit)));
    }
    std::vector<Agent*> candidates;
    const int count = static_cast<int>(world.neighbourGrid.queryAgents(point, static_cast<double>(halfSize), candidates));
    return std::max(0, std::min(count, limit));
}

}  // namespace steering
