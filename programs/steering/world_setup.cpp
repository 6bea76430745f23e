// The steering run's set-up: a fresh world from the map file, the first agent and its
// first target.
#include "programs/steering/steering_run.h"

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

constexpr uint32_t kNeighbourGridSide = 128;  // buckets of 512 world units over the 65,536-unit map
// The first agent stands under pixel (100, 300) of the starting view.
constexpr double kFirstAgentPixelX = 100.0;
constexpr double kFirstAgentPixelYFixed = 19660800.0;  // 300 pixels as 16.16

}  // namespace

void SteeringRun::setupWorld() {
    // A fresh world and the view, overlays, Insert point and edit mode a new run has, so
    // that a second set-up repeats the first exactly; the map file (and the test case named
    // on the command line) is kept, a case opened before ends with its world.
    closeScenario(*this);
    world = makeWorld();
    view = ViewState{};
    debugFlags = DebugFlags{};
    mouseWorld = WorldPoint{};
    mapEdit = MapEditState{};
    mapStrokes.clear();
    // The trace switches before the build, so that it is traced too.
    world->navLog.setOn(navLogRequested);
    world->navLog.configureFromEnvironment();
    // Every run starts in the classic navigation mode, its menu item checked.
    if (window() != nullptr) {
        const win::HMENU menu = win::GetMenu(window());
        win::CheckMenuItem(menu, kCommandNavigationClassic, win::MF_BYCOMMAND | win::MF_CHECKED);
        win::CheckMenuItem(menu, kCommandNavigationShortest, win::MF_BYCOMMAND | win::MF_UNCHECKED);
    }
    const bool mapReady = world->gridMap.init(kMapSide, kMapSide);
    world->neighbourGrid.init(kNeighbourGridSide, kNeighbourGridSide);
    if (mapReady) {
        prepareMapFile(mapFilePath.c_str(), worldMap);
        installMap(*world, worldMap);
    }

    Agent agentTemplate;
    makeAgentTemplate(agentTemplate, world->agentRandom, view.viewScaleX);
    FixedVec start{truncToInt(truncToInt(kFirstAgentPixelX * 65536.0) * view.viewScaleX),
                   truncToInt(view.viewScaleY * kFirstAgentPixelYFixed)};
    // On a map with a wall there (steering --map FILE) it would never get a path.
    if (!inOpenCell(world->gridMap, start)) start = placeInOpenCell(world->gridMap, toWhole(start.x), toWhole(start.y));
    agentTemplate.place(start, FixedVec{0, 0});
    world->agentList.add(agentTemplate);
    world->agentList.setTargetAll(FixedVec{0, 0});
    if (!scenarioFilePath.empty()) {
        // Checked when it was named; a file changed since then leaves the default world.
        std::string reason;
        if (!openScenario(*this, scenarioFilePath, reason)) std::fprintf(stderr, "%s\n", reason.c_str());
    }
    // The paint choice a new run has (Wall), its Map item checked.
    if (window() != nullptr) setChoice(*this, window(), mapEdit.choice);
}

}  // namespace steering
