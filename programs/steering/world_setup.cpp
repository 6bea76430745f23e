#include "programs/steering/world_setup.h"

#include <cstdio>

#include "programs/steering/map_editing.h"
#include "programs/steering/scenario_view.h"
#include "programs/steering/steering_program.h"
#include "programs/steering/view_state.h"
#include "steering/agent.h"
#include "steering/agent_list.h"
#include "world/grid_map.h"
#include "world/map_install.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"
#include "world/open_cells.h"

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

void resetWorld() {
    agentList.clear();  // unregisters every agent from the neighbour grid first
    obstacleList.clear();
    neighbourGrid.clear();
    agentRandom = RandomGenerator{};
    view = ViewState{};
    debugFlags = DebugFlags{};
    mouseWorld = WorldPoint{};
    mapEdit = MapEditState{};
    mapStrokes.clear();
    closeScenario();
}

bool setupWorld() {
    resetWorld();
    const bool mapReady = gridMap.init(kMapSide, kMapSide);
    neighbourGrid.init(kNeighbourGridSide, kNeighbourGridSide);
    if (mapReady) {
        prepareMapFile(mapFilePath.c_str(), worldMap);
        installMap(worldMap);
    }

    Agent agentTemplate;
    makeAgentTemplate(agentTemplate, view.viewScaleX);
    FixedVec start{truncToInt(truncToInt(kFirstAgentPixelX * 65536.0) * view.viewScaleX),
                   truncToInt(view.viewScaleY * kFirstAgentPixelYFixed)};
    // On a map with a wall there (steering --map FILE) it would never get a path.
    if (!inOpenCell(start)) start = placeInOpenCell(toWhole(start.x), toWhole(start.y));
    agentTemplate.place(start, FixedVec{0, 0});
    agentList.add(agentTemplate);
    agentList.setTargetAll(FixedVec{0, 0});
    if (!scenarioFilePath.empty()) {
        // Checked when it was named; a file changed since then leaves the default world.
        std::string reason;
        if (!openScenario(scenarioFilePath, reason)) std::fprintf(stderr, "%s\n", reason.c_str());
    }
    return true;
}

}  // namespace steering
