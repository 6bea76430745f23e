// Scratch lists of the neighbour visits, kept for the whole run.
#include "steering/neighbour_visits.h"

#include <array>

namespace steering {

namespace neighbour_scratch {
namespace {
std::array<std::vector<Agent*>, kLevels> agentLists;
std::array<std::vector<const Obstacle*>, kLevels> obstacleLists;
std::vector<Agent*> countList;  // countAgentsNear never calls out, so one list serves
}  // namespace

int agentDepth = 0;
int obstacleDepth = 0;

std::vector<Agent*>& agentList(int level) { return agentLists[static_cast<std::size_t>(level)]; }
std::vector<const Obstacle*>& obstacleList(int level) { return obstacleLists[static_cast<std::size_t>(level)]; }
std::vector<Agent*>& counting() { return countList; }
}  // namespace neighbour_scratch

int countAgentsNear(FixedVec point, Fixed halfSize) {
    std::vector<Agent*>& candidates = neighbour_scratch::counting();
    candidates.clear();
    return static_cast<int>(neighbourGrid.queryAgents(point, static_cast<double>(halfSize), candidates));
}

}  // namespace steering
