// What a person waits for after each edit stroke: the navigation rebuilt under a crowd
// of 1,000 agents following paths, agents in new walls moved out, and every one of them
// re-planned to its target (goal: within one 16 ms frame).
#include <benchmark/benchmark.h>

#include "bench/bench_run.h"
#include "navigation/nav_mesh.h"
#include "programs/steering/map_editing.h"
#include "steering/agent.h"
#include "steering/agent_list.h"
#include "steering/navigation_mode.h"
#include "world/grid_map.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"
#include "programs/steering/steering_run.h"
#include "world/map_install.h"
#include "world/world_navigation.h"

namespace {

using namespace steering;

constexpr int kCrowd = 1000;

// The demonstration map with `crowd` agents on open cells of its reachable part, all
// sent to one far point.
int setUpCrowd(int crowd) {
    bench_scenes::benchWorld().agentList.clear();
    bench_scenes::benchWorld().obstacleList.clear();
    bench_scenes::benchWorld().neighbourGrid.clear();
    bench_scenes::benchRun().mapFilePath = STEERING_RESOURCE_DIR "/maptest.raw";
    bench_scenes::benchRun().setupWorld();
    bench_scenes::benchWorld().agentList.clear();
    bench_scenes::benchWorld().neighbourGrid.init(128, 128);
    installMap(bench_scenes::benchWorld(), bench_scenes::benchRun().worldMap);
    Agent agentTemplate;
    makeAgentTemplate(agentTemplate, bench_scenes::benchWorld().agentRandom);
    int placed = 0;
    // Every third cell of each axis for up to 1,300 agents; more take every open cell, and
    // every cell again once they are all taken.
    const uint32_t stride = crowd <= 1300 ? 3 : 1;
    for (uint32_t pass = 0; placed < crowd && pass < 8; ++pass) {
        for (uint32_t r = 4; r < 124 && placed < crowd; r += stride) {
            for (uint32_t c = 4; c < 124 && placed < crowd; c += stride) {
                if (bench_scenes::benchWorld().gridMap.cellAt(c, r) != 0) continue;
                agentTemplate.place(
                    {static_cast<Fixed>((c * 256 + 128) << 16), static_cast<Fixed>((r * 256 + 128) << 16)}, {0, 0});
                bench_scenes::benchWorld().agentList.add(agentTemplate);
                ++placed;
            }
        }
    }
    bench_scenes::benchWorld().agentList.setTargetAll({(64 * 256 + 128) << 16, (110 * 256 + 128) << 16});  // open ground
    return placed;
}

// The stroke and re-planning with the chosen planner; in the shortest mode the first
// re-plan after each rebuild also makes the planner's corner graph.
void strokeRebuildAndReplan(benchmark::State& state, NavigationMode mode, int crowd = kCrowd) {
    setNavigationMode(bench_scenes::benchWorld(), mode);
    const int placed = setUpCrowd(crowd);
    int following = 0;
    for (const Agent& agent : bench_scenes::benchWorld().agentList) following += agent.pathDone ? 0 : 1;
    bool paint = true;
    for (auto _ : state) {
        // A 30-cell wall across the middle of the map, then its undo: both are strokes
        // the person sees rebuilt.
        if (paint) {
            bench_scenes::benchRun().mapStrokes.begin(15);
            bench_scenes::benchRun().mapStrokes.paintTo(bench_scenes::benchRun().worldMap.authored.data(), 40, 64);
            bench_scenes::benchRun().mapStrokes.paintTo(bench_scenes::benchRun().worldMap.authored.data(), 70, 64);
            bench_scenes::benchRun().mapStrokes.end();
        } else {
            bench_scenes::benchRun().mapStrokes.undo(bench_scenes::benchRun().worldMap.authored.data());
        }
        paint = !paint;
        benchmark::DoNotOptimize(applyMapChange(bench_scenes::benchRun()));
    }
    state.counters["agents"] = placed;
    state.counters["following"] = following;
    state.counters["goalMs"] = 16;
    state.counters["failed"] = bench_scenes::benchWorld().navMesh.buildFailed ? 1 : 0;
    setNavigationMode(bench_scenes::benchWorld(), NavigationMode::Classic);
}

void BM_StrokeRebuildAndReplan1000(benchmark::State& state) { strokeRebuildAndReplan(state, NavigationMode::Classic); }
void BM_StrokeRebuildAndReplan1000Shortest(benchmark::State& state) {
    strokeRebuildAndReplan(state, NavigationMode::Shortest);
}
// The same against the number of agents (for the plot): argument 0 classic, 1 shortest.
void BM_StrokeByAgents(benchmark::State& state) {
    strokeRebuildAndReplan(state, state.range(0) == 0 ? NavigationMode::Classic : NavigationMode::Shortest,
                           static_cast<int>(state.range(1)));
}

}  // namespace

BENCHMARK(BM_StrokeRebuildAndReplan1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StrokeRebuildAndReplan1000Shortest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StrokeByAgents)
    ->ArgsProduct({{0, 1}, {100, 300, 3000, 10000}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
