// What users feel of the world model: the cost of one simulation step with agents spread
// over the real map and with a thousand inserted on one point, and the cost of drawing a
// frame with a thousand agents in view.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <vector>

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
    setupWorld();
    agentList.clear();
}

// A small deterministic generator so every run places the same agents.
struct Lcg {
    uint32_t state = 12345;
    uint32_t next(uint32_t below) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % below;
    }
};

FixedVec openCellCentre(Lcg& random, uint32_t maxColumn, uint32_t maxRow) {
    for (;;) {
        const uint32_t c = 1 + random.next(maxColumn - 1);
        const uint32_t r = 1 + random.next(maxRow - 1);
        if (cellAt(c, r) != 0 || cellAt(c - 1, r) != 0 || cellAt(c + 1, r) != 0 || cellAt(c, r - 1) != 0 ||
            cellAt(c, r + 1) != 0) {
            continue;
        }
        return {toFixed(static_cast<int32_t>(c) * 256 + 128), toFixed(static_cast<int32_t>(r) * 256 + 128)};
    }
}

// Each agent its own place and its own destination, so the population stays spread.
void spreadPopulation(int count, uint32_t maxColumn, uint32_t maxRow) {
    agentList.clear();
    Lcg random;
    for (int i = 0; i < count; ++i) {
        Agent agentTemplate;
        makeAgentTemplate(agentTemplate);
        agentTemplate.place(openCellCentre(random, maxColumn, maxRow), {0, 0});
        Agent* agent = agentList.add(agentTemplate);
        if (agent != nullptr) agent->setTarget(openCellCentre(random, maxColumn, maxRow));
    }
}

void BM_StepSpread(benchmark::State& state) {
    setupOnce();
    spreadPopulation(kAgents, 126, 126);
    for (auto _ : state) agentList.updateAll();
    state.SetItemsProcessed(state.iterations() * kAgents);
    // Seconds per agent and step (printed with an SI prefix: "1.2u" is 1.2 microseconds).
    state.counters["per_agent_step"] = benchmark::Counter(static_cast<double>(state.iterations()) * kAgents,
                                                          benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    agentList.clear();
}
BENCHMARK(BM_StepSpread)->Unit(benchmark::kMillisecond);

// The first step after 200 Insert presses on one point: every agent sees all the others.
void BM_StepCrowdOnOnePoint(benchmark::State& state) {
    setupOnce();
    const FixedVec point{toFixed(8 * 256 + 128), toFixed(30 * 256 + 128)};
    for (auto _ : state) {
        state.PauseTiming();
        agentList.clear();
        for (int press = 0; press < kAgents / 5; ++press) {
            Agent agentTemplate;
            makeAgentTemplate(agentTemplate);
            agentTemplate.place(point, {0, 0});
            for (int i = 0; i < 5; ++i) agentList.add(agentTemplate);
        }
        state.ResumeTiming();
        agentList.updateAll();
    }
    agentList.clear();
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
    view = ViewState{};
    debugFlags = DebugFlags{};
    const WorldRect viewRect{0, 0, pixelToWorldX(kClientWidth), pixelToWorldY(kClientHeight)};
    for (auto _ : state) {
        win::raster::fillRect(canvas, 0, 0, kClientWidth, kClientHeight, 0xFFFFFF);
        drawGridMap(dc, gridMap, viewRect);
        drawObstacles(dc, viewRect);
        drawAgents(dc, agentList, viewRect);
        benchmark::DoNotOptimize(pixels.data());
    }
    win::destroyDeviceContext(dc);
    agentList.clear();
}
BENCHMARK(BM_FrameDraw)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
