// What users feel of the world model: the cost of one simulation step with agents spread
// over the real map and with a thousand inserted on one point, and the cost of drawing a
// frame with a thousand agents in view.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <vector>

#include "bench/bench_run.h"
#include "bench/walking_crowd.h"
#include "platform/gdi_objects.h"
#include "platform/raster.h"
#include "steering/agent.h"
#include "steering/agent_list.h"
#include "world/grid_map.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"
#include "programs/steering/agent_drawing.h"
#include "programs/steering/view_state.h"
#include "programs/steering/world_drawing.h"
#include "programs/steering/steering_run.h"

namespace {

using namespace steering;

constexpr int kAgents = 1000;
constexpr int kClientWidth = 640;
constexpr int kClientHeight = 480;

// The real map and its obstacles, set up once per process from the committed map.
void setupOnce() {
    static bool done = false;
    if (done) return;
    done = true;
    if (chdir(STEERING_RESOURCE_DIR) != 0) std::fprintf(stderr, "bench_world: cannot enter the resource folder\n");
    bench_scenes::benchRun().setupWorld();
    bench_scenes::benchWorld().agentList.clear();
}

// Each agent its own place and its own destination, so the population stays spread.
void spreadPopulation(int count, uint32_t maxColumn, uint32_t maxRow) {
    bench_scenes::benchWorld().agentList.clear();
    bench_scenes::Lcg random{12345};
    for (int i = 0; i < count; ++i) {
        Agent agentTemplate;
        makeAgentTemplate(agentTemplate, bench_scenes::benchWorld().agentRandom);
        agentTemplate.place(bench_scenes::openCellCentre(bench_scenes::benchWorld().gridMap, random, maxColumn, maxRow), {0, 0});
        Agent* agent = bench_scenes::benchWorld().agentList.add(agentTemplate);
        if (agent != nullptr) agent->setTarget(bench_scenes::openCellCentre(bench_scenes::benchWorld().gridMap, random, maxColumn, maxRow));
    }
}

void BM_StepSpread(benchmark::State& state) {
    setupOnce();
    spreadPopulation(kAgents, 126, 126);
    for (auto _ : state) bench_scenes::benchWorld().agentList.updateAll();
    state.SetItemsProcessed(state.iterations() * kAgents);
    // Seconds per agent and step (printed with an SI prefix: "1.2u" is 1.2 microseconds).
    state.counters["per_agent_step"] = benchmark::Counter(static_cast<double>(state.iterations()) * kAgents,
                                                          benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    bench_scenes::benchWorld().agentList.clear();
}
BENCHMARK(BM_StepSpread)->Unit(benchmark::kMillisecond);

// The first step after 200 Insert presses on one point: every agent sees all the others.
void BM_StepCrowdOnOnePoint(benchmark::State& state) {
    setupOnce();
    const FixedVec point{toFixed(8 * 256 + 128), toFixed(30 * 256 + 128)};
    for (auto _ : state) {
        state.PauseTiming();
        bench_scenes::benchWorld().agentList.clear();
        for (int press = 0; press < kAgents / 5; ++press) {
            Agent agentTemplate;
            makeAgentTemplate(agentTemplate, bench_scenes::benchWorld().agentRandom);
            agentTemplate.place(point, {0, 0});
            for (int i = 0; i < 5; ++i) bench_scenes::benchWorld().agentList.add(agentTemplate);
        }
        state.ResumeTiming();
        bench_scenes::benchWorld().agentList.updateAll();
    }
    bench_scenes::benchWorld().agentList.clear();
}
BENCHMARK(BM_StepCrowdOnOnePoint)->Unit(benchmark::kMillisecond);

// One frame's world drawing (map, obstacles, agents; overlays off) with 1,000 agents in
// the starting view, into a 640 x 480 headless surface.
void BM_FrameDraw(benchmark::State& state) {
    setupOnce();
    // The starting view spans cells 0..37 by 0..28.
    spreadPopulation(kAgents, 37, 28);
    std::vector<uint32_t> pixels(static_cast<std::size_t>(kClientWidth) * kClientHeight, 0xFFFFFF);
    const win::raster::Canvas canvas{pixels.data(), kClientWidth, kClientHeight, kClientWidth};
    win::HDC dc = win::makeDeviceContext(canvas);
    SteeringRun& run = bench_scenes::benchRun();
    run.view = ViewState{};
    run.debugFlags = DebugFlags{};
    const WorldRect viewRect{0, 0, run.view.pixelToWorldX(kClientWidth), run.view.pixelToWorldY(kClientHeight)};
    for (auto _ : state) {
        win::raster::fillRect(canvas, 0, 0, kClientWidth, kClientHeight, 0xFFFFFF);
        drawGridMap(bench_scenes::benchRun(), dc, bench_scenes::benchWorld().gridMap, viewRect);
        drawObstacles(bench_scenes::benchRun(), dc, viewRect);
        drawAgents(bench_scenes::benchRun(), dc, bench_scenes::benchWorld().agentList, viewRect);
        benchmark::DoNotOptimize(pixels.data());
    }
    win::destroyDeviceContext(dc);
    bench_scenes::benchWorld().agentList.clear();
}
BENCHMARK(BM_FrameDraw)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
