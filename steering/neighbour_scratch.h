#pragma once
// Scratch lists of the neighbour visits, one set per world and kept for its whole life, so
// ordinary crowds never make a list grow mid-run. Visits may nest (a behaviour visiting
// agents calls something that visits again): each depth has its own list, and depths past
// kLevels use a list of their own for that visit.
#include <array>
#include <cstddef>
#include <vector>

namespace steering {

struct Agent;
struct Obstacle;

struct NeighbourScratch {
    static constexpr int kLevels = 4;
    // Capacity reserved at creation: a query square of a few 512-unit buckets rarely holds
    // more agents than this, and the map places obstacles at most one per 256-unit cell.
    static constexpr std::size_t kAgentReserve = 1024;
    static constexpr std::size_t kObstacleReserve = 256;

    NeighbourScratch() {
        for (std::vector<Agent*>& list : agentLists) list.reserve(kAgentReserve);
        for (std::vector<const Obstacle*>& list : obstacleLists) list.reserve(kObstacleReserve);
        counting.reserve(kAgentReserve);
    }

    std::array<std::vector<Agent*>, kLevels> agentLists;
    std::array<std::vector<const Obstacle*>, kLevels> obstacleLists;
    std::vector<Agent*> counting;  // countAgentsNear's list: it never calls out
    int agentDepth = 0;            // agent visits in progress
    int obstacleDepth = 0;         // obstacle visits in progress
};

}  // namespace steering
