// Making a Simulation: from map cells, a map file or a test case.
#include <memory>
#include <stdexcept>
#include <string>

#include "api/simulation_state.h"
#include "api/steering_api.h"
#include "scenario/scenario_reader.h"
#include "world/map_file.h"
#include "world/map_install.h"

namespace steering::api {

namespace {

constexpr uint32_t kNeighbourGridSide = 128;  // buckets of 512 world units, as the programs'

std::unique_ptr<Simulation::State> freshState() {
    auto state = std::make_unique<Simulation::State>();
    if (!state->world->gridMap.init(steering::kMapSide, steering::kMapSide)) throw std::bad_alloc();
    state->world->neighbourGrid.init(kNeighbourGridSide, kNeighbourGridSide);
    return state;
}

std::unique_ptr<Simulation::State> caseState(scenario::ReadResult&& read, Mode mode, bool keepArrived) {
    if (!read.ok) throw std::runtime_error(read.error);
    auto state = freshState();
    auto run = std::make_unique<scenario::ScenarioRun>();
    std::string error;
    if (!run->prepare(std::move(read.scenario), error)) throw std::runtime_error(error);
    run->keepArrived = keepArrived;
    run->populate(*state->world, mode == Mode::Shortest ? NavigationMode::Shortest : NavigationMode::Classic);
    state->scenario = std::move(run);
    return state;
}

}  // namespace

Simulation Simulation::fromMapBytes(const std::vector<std::uint8_t>& cells) {
    if (cells.size() != kMapBytes) {
        throw std::invalid_argument("a map has " + std::to_string(kMapBytes) + " bytes (256 x 256 cells), not " +
                                    std::to_string(cells.size()));
    }
    auto map = std::make_unique<PreparedMap>();
    std::copy(cells.begin(), cells.end(), map->authored.begin());
    prepareCells(*map);
    auto state = freshState();
    installMap(*state->world, *map);
    return Simulation(std::move(state));
}

Simulation Simulation::fromMapFile(const std::string& path) {
    auto map = std::make_unique<PreparedMap>();
    const MapFileRead read = prepareMapFile(path.c_str(), *map, MapFileUse::WholeFileOnly);
    if (read.status != MapFileStatus::Complete) throw std::runtime_error(read.problem);
    auto state = freshState();
    installMap(*state->world, *map);
    return Simulation(std::move(state));
}

Simulation Simulation::fromScenarioFile(const std::string& path, Mode mode, std::uint32_t seed, bool keepArrived) {
    return Simulation(caseState(scenario::readScenarioFile(path, seed), mode, keepArrived));
}

Simulation Simulation::fromScenarioText(const std::string& xml, Mode mode, std::uint32_t seed, bool keepArrived) {
    return Simulation(caseState(scenario::parseScenario(xml, "<text>", seed), mode, keepArrived));
}

}  // namespace steering::api
