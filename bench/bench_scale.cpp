// Scale: 10,000 agents inserted as 100 crowds of 100 at open points across the map, then
// stepped while they push apart and spread: the time of one simulation step.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "bench/bench_run.h"
#include "steering/agent_list.h"
#include "steering/crowd_scenario.h"
#include "programs/steering/steering_run.h"

namespace {

using namespace steering;

constexpr int kSpreadSteps = 600;  // the crowds have burst apart and spread well before this

void BM_StepTenThousandSpreadingCrowds(benchmark::State& state) {
    if (chdir(STEERING_RESOURCE_DIR) != 0) std::fprintf(stderr, "bench_scale: cannot enter the resource folder\n");
    bench_scenes::benchRun().setupWorld();
    bench_scenes::benchWorld().agentList.clear();
    const int agents = insertCrowds(bench_scenes::benchWorld(), openCrowdPoints(bench_scenes::benchWorld().gridMap, kScaleCrowds), kScaleCrowdSize);
    double slowest = 0.0;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        bench_scenes::benchWorld().agentList.updateAll();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - begin;
        slowest = std::max(slowest, took.count());
    }
    state.counters["agents"] = agents;
    state.counters["slowest_step_ms"] = slowest;
}
BENCHMARK(BM_StepTenThousandSpreadingCrowds)->Iterations(kSpreadSteps)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
