#include "programs/steering/scenario_view.h"

#include <memory>

#include "programs/steering/steering_run.h"
#include "programs/steering/view_state.h"
#include "scenario/scenario_reader.h"
#include "scenario/scenario_world.h"
#include "shell/program_entry.h"
#include "steering/agent_list.h"
#include "steering/navigation_mode.h"
#include "world/map_file.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"

namespace steering {

void ScenarioRunDelete::operator()(scenario::ScenarioRun* run) const { delete run; }

namespace {

OpenScenario prepared(const std::string& path, std::string& reason) {
    scenario::ReadResult read = scenario::readScenarioFile(path);
    if (!read.ok) {
        reason = read.error;
        return nullptr;
    }
    OpenScenario run(new scenario::ScenarioRun);
    if (!run->prepare(std::move(read.scenario), reason)) return nullptr;
    return run;
}

// The view centred on the case's suggested point (its region's centre without one).
void centreView(ViewState& view, const scenario::ScenarioRun& run) {
    const scenario::Box& region = run.layout.region;
    scenario::Vec2 centre{(region.xmin + region.xmax) / 2, (region.zmin + region.zmax) / 2};
    if (run.scenario.hasCamera) centre = run.scenario.camera.lookAt;
    view.viewOriginX = run.layout.worldX(centre.x) - shell::kClientWidth / 2.0 * view.viewScaleX;
    view.viewOriginY = run.layout.worldY(centre.z) - shell::kClientHeight / 2.0 * view.viewScaleY;
}

}  // namespace

bool checkScenarioFile(const std::string& path, std::string& reason) { return prepared(path, reason) != nullptr; }

bool openScenario(SteeringRun& steeringRun, const std::string& path, std::string& reason) {
    OpenScenario run = prepared(path, reason);
    if (!run) return false;
    World& world = *steeringRun.world;
    world.agentList.clear();
    // The case's ground becomes the running map (what an editor changes and saves).
    std::copy(run->cells.begin(), run->cells.end(), steeringRun.worldMap.authored.begin());
    prepareCells(steeringRun.worldMap);
    run->populate(world, world.navigationMode);
    centreView(steeringRun.view, *run);
    steeringRun.scenario = std::move(run);
    return true;
}

void closeScenario(SteeringRun& run) { run.scenario.reset(); }

void scenarioAfterStep(SteeringRun& run) {
    if (!run.scenario) return;
    ++run.scenario->stepIndex;
    run.scenario->afterStep(run.world->agentList);
}

}  // namespace steering
