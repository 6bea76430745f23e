#include "steering/neighbour_visits.h"

namespace steering {

int countAgentsNear(World& world, FixedVec point, Fixed halfSize) {
    std::vector<Agent*>& candidates = world.neighbourScratch.counting;
    candidates.clear();
    return static_cast<int>(world.neighbourGrid.queryAgents(point, static_cast<double>(halfSize), candidates));
}

}  // namespace steering
