// Scratch lists of the neighbour visits, kept for the whole run.
#include "steering/neighbour_visits.h"

#include <array>

namespace steering {

namespace neighbour_scratch {
namespace {
// Capacity reserved at start-up, so ordinary crowds never make a list grow mid-run: a
// query square of a few 512-unit buckets rarely holds more agents than this, and the map
// places obstacles at most one per 256-unit cell.
constexpr std::size_t kAgentReserve = 1024;
constexpr std::size_t kObstacleReserve = 256;

template <typename T, std::size_t N>
std::array<std::vector<T>, N> reservedLists(std::size_t capacity) {
    std::array<std::vector<T>, N> lists;
    for (std::vector<T>& list : lists) list.reserve(capacity);
    return lists;
}

std::array<std::vector<Agent*>, kLevels> agentLists = reservedLists<Agent*, kLevels>(kAgentReserve);
std::array<std::vector<const Obstacle*>, kLevels> obstacleLists =
    reservedLists<const Obstacle*, kLevels>(kObstacleReserve);
std::vector<Agent*> reservedList(std::size_t capacity) {
    std::vector<Agent*> list;
    list.reserve(capacity);
    return list;
}
std::vector<Agent*> countList = reservedList(kAgentReserve);  // countAgentsNear never calls out
}  // namespace

int agentDepth = 0;
int obstacleDepth = 0;

std::vector<Agent*>& agentLevel(int level) { return agentLists[static_cast<std::size_t>(level)]; }
std::vector<const Obstacle*>& obstacleLevel(int level) { return obstacleLists[static_cast<std::size_t>(level)]; }
std::vector<Agent*>& counting() { return countList; }
}  // namespace neighbour_scratch

int countAgentsNear(FixedVec point, Fixed halfSize) {
    std::vector<Agent*>& candidates = neighbour_scratch::counting();
    candidates.clear();
    return static_cast<int>(neighbourGrid.queryAgents(point, static_cast<double>(halfSize), candidates));
}

}  // namespace steering
