#include "programs/steering/scenario_view.h"

#include <memory>

#include "programs/steering/view_state.h"
#include "programs/steering/world_setup.h"
#include "scenario/scenario_reader.h"
#include "scenario/scenario_world.h"
#include "shell/program_entry.h"
#include "steering/agent_list.h"
#include "steering/navigation_mode.h"
#include "world/map_file.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"

namespace steering {

std::string scenarioFilePath;

namespace {

std::unique_ptr<scenario::ScenarioRun> running;

std::unique_ptr<scenario::ScenarioRun> prepared(const std::string& path, std::string& reason) {
    scenario::ReadResult read = scenario::readScenarioFile(path);
    if (!read.ok) {
        reason = read.error;
        return nullptr;
    }
    auto run = std::make_unique<scenario::ScenarioRun>();
    if (!run->prepare(std::move(read.scenario), reason)) return nullptr;
    return run;
}

// The view centred on the case's suggested point (its region's centre without one).
void centreView(const scenario::ScenarioRun& run) {
    const scenario::Box& region = run.layout.region;
    scenario::Vec2 centre{(region.xmin + region.xmax) / 2, (region.zmin + region.zmax) / 2};
    if (run.scenario.hasCamera) centre = run.scenario.camera.lookAt;
    view.viewOriginX = run.layout.worldX(centre.x) - shell::kClientWidth / 2.0 * view.viewScaleX;
    view.viewOriginY = run.layout.worldY(centre.z) - shell::kClientHeight / 2.0 * view.viewScaleY;
}

}  // namespace

bool checkScenarioFile(const std::string& path, std::string& reason) { return prepared(path, reason) != nullptr; }

bool openScenario(const std::string& path, std::string& reason) {
    std::unique_ptr<scenario::ScenarioRun> run = prepared(path, reason);
    if (!run) return false;
    agentList.clear();
    // The case's ground becomes the running map (what an editor changes and saves).
    std::copy(run->cells.begin(), run->cells.end(), worldMap.authored.begin());
    prepareCells(worldMap);
    run->populate(agentList, navigationMode);
    centreView(*run);
    running = std::move(run);
    return true;
}

void closeScenario() { running.reset(); }

void scenarioAfterStep() {
    if (!running) return;
    ++running->stepIndex;
    running->afterStep(agentList);
}

}  // namespace steering
