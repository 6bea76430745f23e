#include "world/world_setup.h"

#include <algorithm>
#include <vector>

#include "navigation/navigation.h"
#include "steering/agent.h"
#include "steering/agent_list.h"
#include "world/grid_map.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"
#include "world/view_state.h"

namespace steering {

namespace {

constexpr const char* kDefaultMapFile = "maptest.raw";
constexpr uint32_t kNeighbourGridSide = 128;  // buckets of 512 world units over the 65,536-unit map
// The first agent stands under pixel (100, 300) of the starting view.
constexpr double kFirstAgentPixelX = 100.0;
constexpr double kFirstAgentPixelYFixed = 19660800.0;  // 300 pixels as 16.16

}  // namespace

std::string mapFilePath = kDefaultMapFile;
PreparedMap worldMap;

void extractObstacles() {
    std::vector<Obstacle> found;
    rewriteObstacleMarkers(gridMap.cells(), found);
    for (const Obstacle& obstacle : found) obstacleList.add(obstacle);
}

void installMap(const PreparedMap& map) {
    if (gridMap.cells() == nullptr) return;
    std::copy(map.cells.begin(), map.cells.end(), gridMap.cells());
    obstacleList.clear();
    neighbourGrid.clearObstacles();
    for (const Obstacle& obstacle : map.obstacles) obstacleList.add(obstacle);
    nav::cellLinkRule = sameCellType;
    nav::build_navigation(gridMap.cells());
}

bool setupWorld() {
    const bool mapReady = gridMap.init(kMapSide, kMapSide);
    neighbourGrid.init(kNeighbourGridSide, kNeighbourGridSide);
    if (mapReady) {
        prepareMapFile(mapFilePath.c_str(), worldMap);
        installMap(worldMap);
    }

    Agent agentTemplate;
    makeAgentTemplate(agentTemplate);
    const FixedVec start{truncToInt(truncToInt(kFirstAgentPixelX * 65536.0) * view.viewScaleX),
                         truncToInt(view.viewScaleY * kFirstAgentPixelYFixed)};
    agentTemplate.place(start, FixedVec{0, 0});
    agentList.add(agentTemplate);
    agentList.setTargetAll(FixedVec{0, 0});
    return true;
}

}  // namespace steering
