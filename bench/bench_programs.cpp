// What users of the two small programs feel: the cost of one simulation step and of one
// frame's drawing, for steering_walls (at its start population and after many Up
// releases) and for steering_basic, whose behaviours scan the whole population.
#include <benchmark/benchmark.h>

#include <memory>

#include "platform/host.h"
#include "programs/steering_basic/basic_drawing.h"
#include "programs/steering_basic/basic_program.h"
#include "programs/steering_basic/basic_world.h"
#include "programs/steering_walls/walls_drawing.h"
#include "programs/steering_walls/walls_program.h"
#include "programs/steering_walls/walls_world.h"
#include "shell/program_entry.h"

namespace {

// Steps run before measuring, so that the agents are spread out and moving.
constexpr int warmUpSteps = 200;

// A headless window and off-screen surface to draw into, made once per process, and the
// steering_walls run whose pens and brushes the walls benchmarks draw with.
steering_walls::WallsRun& wallsRun() {
    static const std::unique_ptr<shell::ProgramRun> run = [] {
        win::host::useHeadlessBackend();
        return steering_walls::program().makeRun();
    }();
    return static_cast<steering_walls::WallsRun&>(*run);
}

win::HDC drawingSurface() {
    static win::HDC dc = [] {
        const win::HWND window =
            shell::createMainWindow(wallsRun(), shell::programInstance(steering_walls::program()), win::SW_SHOW);
        shell::initPresentation(wallsRun().presentation, window, shell::kClientWidth, shell::kClientHeight);
        return wallsRun().presentation.offscreenDC;
    }();
    return dc;
}

// The start population plus `upReleases` batches of five arrivers, all heading for a
// point in the open band and warmed up, in a world made afresh for each benchmark.
std::unique_ptr<steering_walls::WallsWorld> setupWalls(int upReleases) {
    using namespace steering_walls;
    auto world = std::make_unique<WallsWorld>();
    setupWorld(*world);
    for (int i = 0; i < upReleases; ++i) addArrivers(*world);
    world->leftButtonTarget.position = {560.0, 120.0};
    world->rightButtonTarget.position = {400.0, 40.0};
    for (int i = 0; i < warmUpSteps; ++i) updateAll(*world);
    return world;
}

void BM_WallsStep(benchmark::State& state) {
    const auto world = setupWalls(static_cast<int>(state.range(0)));
    for (auto _ : state) steering_walls::updateAll(*world);
    state.counters["agents"] = static_cast<double>(world->agentList.size());
}
BENCHMARK(BM_WallsStep)->Arg(0)->Arg(10)->Arg(40);

void BM_WallsDrawWithEveryOverlay(benchmark::State& state) {
    using namespace steering_walls;
    win::HDC dc = drawingSurface();
    const WallsDrawingResources& drawing = wallsRun().drawing;
    const auto world = setupWalls(static_cast<int>(state.range(0)));
    world->overlayFlags = OverlayFlags{true, true, true};
    for (auto _ : state) {
        world->agentGrid.draw(dc, drawing);
        world->wallMap.draw(dc, drawing);
        for (const auto& agent : world->agentList) drawAgent(*agent, dc, drawing);
    }
    state.counters["agents"] = static_cast<double>(world->agentList.size());
}
BENCHMARK(BM_WallsDrawWithEveryOverlay)->Arg(0)->Arg(40);

// steering_basic's world after the warm-up, made afresh for each benchmark.
std::unique_ptr<steering_basic::BasicWorld> setupBasic() {
    using namespace steering_basic;
    auto world = std::make_unique<BasicWorld>();
    setupWorld(*world);
    world->leftButtonTarget.position = {100.0, 450.0};
    world->rightButtonTarget.position = {560.0, 240.0};
    for (int i = 0; i < warmUpSteps; ++i) updateAll(*world);
    return world;
}

void BM_BasicStep(benchmark::State& state) {
    const auto world = setupBasic();
    for (auto _ : state) steering_basic::updateAll(*world);
    state.counters["agents"] = static_cast<double>(world->agentArray.size());
}
BENCHMARK(BM_BasicStep);

void BM_BasicDrawWithOverlay(benchmark::State& state) {
    using namespace steering_basic;
    win::HDC dc = drawingSurface();
    const auto world = setupBasic();
    BasicDrawingResources resources = createDrawingResources();
    for (auto _ : state) {
        for (const auto& agent : world->agentArray) drawAgent(*agent, dc, resources, true);
    }
    deleteDrawingResources(resources);
}
BENCHMARK(BM_BasicDrawWithOverlay);

}  // namespace

BENCHMARK_MAIN();
