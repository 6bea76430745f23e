// The cost of the agent step as users feel it: arrival alone, the five standard behaviours
// over a spread population and over a crowd stacked on one point, path following toward one
// click (spread agents, and a crowd inserted on one spot, in both navigation modes), and
// the click itself (one path request per agent).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <utility>
#include <vector>

#include "bench/bench_run.h"
#include "bench/walking_crowd.h"
#include "steering/agent.h"
#include "steering/agent_list.h"
#include "steering/crowd_scenario.h"
#include "steering/navigation_mode.h"
#include "steering/world.h"
#include "programs/steering/steering_run.h"
#include "world/grid_map.h"

namespace {

using namespace steering;

constexpr int kAgents = 1000;
constexpr int kRetargetSteps = 200;  // steps between new goals, so the population keeps moving

// The real map, its obstacles and navigation, set up once per process.
void setupOnce() {
    static bool done = false;
    if (done) return;
    done = true;
    if (chdir(STEERING_RESOURCE_DIR) != 0) std::fprintf(stderr, "bench_agent_step: cannot enter the resource folder\n");
    bench_scenes::benchRun().setupWorld();
    bench_scenes::benchWorld().agentList.clear();
}

using bench_scenes::Lcg;
using bench_scenes::openCellCentre;

void reportPerAgent(benchmark::State& state, int agents = kAgents) {
    // Seconds per agent and step, printed with an SI prefix ("1.2u" is 1.2 microseconds).
    state.counters["per_agent_step"] = benchmark::Counter(static_cast<double>(state.iterations()) * agents,
                                                          benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["agents"] = agents;
}

void BM_StepArrivalOnly(benchmark::State& state) {
    setupOnce();
    bench_scenes::benchWorld().agentList.clear();
    Lcg random;
    // Two goals per agent, swapped every kRetargetSteps steps; stable addresses for seekTarget.
    static std::vector<FixedVec> goals;
    static std::vector<FixedVec> otherGoals;
    goals.assign(kAgents, FixedVec{});
    otherGoals.assign(kAgents, FixedVec{});
    for (int i = 0; i < kAgents; ++i) {
        Agent agentTemplate;
        makeAgentTemplate(agentTemplate, bench_scenes::benchWorld().agentRandom);
        agentTemplate.clearBehaviours();
        agentTemplate.addBehaviour(kFixedOne, "arrival");
        const FixedVec start = openCellCentre(bench_scenes::benchWorld().gridMap, random);
        goals[static_cast<std::size_t>(i)] = openCellCentre(bench_scenes::benchWorld().gridMap, random);
        otherGoals[static_cast<std::size_t>(i)] = start;
        agentTemplate.seekTarget = &goals[static_cast<std::size_t>(i)];
        agentTemplate.place(start, FixedVec{});
        bench_scenes::benchWorld().agentList.add(agentTemplate);
    }
    int step = 0;
    for (auto _ : state) {
        if (++step % kRetargetSteps == 0) {
            for (std::size_t i = 0; i < goals.size(); ++i) std::swap(goals[i], otherGoals[i]);
        }
        bench_scenes::benchWorld().agentList.updateAll();
    }
    reportPerAgent(state);
    bench_scenes::benchWorld().agentList.clear();
}
BENCHMARK(BM_StepArrivalOnly)->Unit(benchmark::kMillisecond);

// Standard agents spread over the map, each walking to a destination of its own; the
// argument is the number of agents (1,000 is the goal's case; the others draw the plot).
void BM_StepStandardSpread(benchmark::State& state) {
    setupOnce();
    bench_scenes::benchWorld().agentList.clear();
    Lcg random;
    std::vector<Agent*> agents;
    const int count = static_cast<int>(state.range(0));
    for (int i = 0; i < count; ++i) {
        Agent agentTemplate;
        makeAgentTemplate(agentTemplate, bench_scenes::benchWorld().agentRandom);
        agentTemplate.place(openCellCentre(bench_scenes::benchWorld().gridMap, random), FixedVec{});
        Agent* agent = bench_scenes::benchWorld().agentList.add(agentTemplate);
        agent->setTarget(openCellCentre(bench_scenes::benchWorld().gridMap, random));
        agents.push_back(agent);
    }
    int step = 0;
    for (auto _ : state) {
        if (++step % kRetargetSteps == 0) {
            state.PauseTiming();
            for (Agent* agent : agents) agent->setTarget(openCellCentre(bench_scenes::benchWorld().gridMap, random));
            state.ResumeTiming();
        }
        bench_scenes::benchWorld().agentList.updateAll();
    }
    reportPerAgent(state, count);
    bench_scenes::benchWorld().agentList.clear();
}
BENCHMARK(BM_StepStandardSpread)->Arg(1000)->Arg(100)->Arg(300)->Arg(3000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The same with a fixed number of steps, for instruction counts that two builds can compare
// (valgrind --tool=callgrind): a timed run picks its own number of steps.
void BM_StepStandardSpreadCounted(benchmark::State& state) { BM_StepStandardSpread(state); }
BENCHMARK(BM_StepStandardSpreadCounted)->Arg(1000)->Iterations(300)->Unit(benchmark::kMillisecond);

// The worst crowd: a thousand standard agents stacked exactly on one open point, where
// every agent's neighbour query returns the whole population.
void BM_StepStandardOnOnePoint(benchmark::State& state) {
    setupOnce();
    bench_scenes::benchWorld().agentList.clear();
    const FixedVec point{toFixed(50 * 256 + 128), toFixed(75 * 256 + 128)};
    for (int i = 0; i < kAgents / 5; ++i) {
        Agent agentTemplate;
        makeAgentTemplate(agentTemplate, bench_scenes::benchWorld().agentRandom);
        agentTemplate.place(point, FixedVec{});
        for (int k = 0; k < 5; ++k) bench_scenes::benchWorld().agentList.add(agentTemplate);
    }
    for (auto _ : state) bench_scenes::benchWorld().agentList.updateAll();
    reportPerAgent(state);
    bench_scenes::benchWorld().agentList.clear();
}
BENCHMARK(BM_StepStandardOnOnePoint)->Unit(benchmark::kMillisecond);

// Path following: spread standard agents all sent to one click, then to another; the
// argument is the navigation mode (0 Classic, 1 Shortest paths).
void BM_StepWalkingToClick(benchmark::State& state) {
    setupOnce();
    bench_scenes::benchWorld().agentList.clear();
    const NavigationMode mode = state.range(0) == 0 ? NavigationMode::Classic : NavigationMode::Shortest;
    bench_scenes::benchWorld().navigationMode = mode;
    Lcg random;
    for (int i = 0; i < kAgents; ++i) {
        Agent agentTemplate;
        makeAgentTemplate(agentTemplate, bench_scenes::benchWorld().agentRandom);
        agentTemplate.place(openCellCentre(bench_scenes::benchWorld().gridMap, random), FixedVec{});
        bench_scenes::benchWorld().agentList.add(agentTemplate);
    }
    const FixedVec clicks[] = {openCellCentre(bench_scenes::benchWorld().gridMap, random), openCellCentre(bench_scenes::benchWorld().gridMap, random)};
    bench_scenes::benchWorld().agentList.setTargetAll(clicks[0]);
    int step = 0;
    for (auto _ : state) {
        if (++step % kRetargetSteps == 0) {
            state.PauseTiming();
            bench_scenes::benchWorld().agentList.setTargetAll(clicks[(step / kRetargetSteps) % 2]);
            state.ResumeTiming();
        }
        bench_scenes::benchWorld().agentList.updateAll();
    }
    reportPerAgent(state);
    bench_scenes::benchWorld().agentList.clear();
    bench_scenes::benchWorld().navigationMode = NavigationMode::Classic;
}
BENCHMARK(BM_StepWalkingToClick)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A crowd walking to a click, as a user makes it: 1,000 standard agents inserted by 200
// Insert presses round one open point in the middle of the agents' ground, all sent to one
// click, then the first 600 steps (the crowd bursts apart, streams through the corridors
// and gathers round the click). The argument is the navigation mode (0 Classic, 1 Shortest
// paths); a fixed number of steps, so every run times the same steps.
constexpr int kCrowdSteps = 600;
void BM_StepCrowdToClick(benchmark::State& state) {
    setupOnce();
    World& world = bench_scenes::benchWorld();
    world.agentList.clear();
    world.navigationMode = state.range(0) == 0 ? NavigationMode::Classic : NavigationMode::Shortest;
    world.agentRandom = RandomGenerator{};  // the same agents whichever benchmarks ran before
    const std::vector<FixedVec> points = openCrowdPoints(world.gridMap, 1);
    const int agents = points.empty() ? 0 : insertCrowds(world, points, kAgents);
    Lcg random;
    world.agentList.setTargetAll(openCellCentre(world.gridMap, random));
    for (auto _ : state) world.agentList.updateAll();
    int done = 0;
    for (const Agent& agent : world.agentList) done += agent.pathDone ? 1 : 0;
    state.counters["done"] = done;
    reportPerAgent(state, agents);
    world.agentList.clear();
    world.navigationMode = NavigationMode::Classic;
}
BENCHMARK(BM_StepCrowdToClick)->Arg(0)->Arg(1)->Iterations(kCrowdSteps)->Unit(benchmark::kMillisecond);

// A left click with a thousand spread agents: one path request each.
void BM_LeftClick(benchmark::State& state) {
    setupOnce();
    bench_scenes::benchWorld().agentList.clear();
    Lcg random;
    for (int i = 0; i < kAgents; ++i) {
        Agent agentTemplate;
        makeAgentTemplate(agentTemplate, bench_scenes::benchWorld().agentRandom);
        agentTemplate.place(openCellCentre(bench_scenes::benchWorld().gridMap, random), FixedVec{});
        bench_scenes::benchWorld().agentList.add(agentTemplate);
    }
    const FixedVec clicks[] = {openCellCentre(bench_scenes::benchWorld().gridMap, random), openCellCentre(bench_scenes::benchWorld().gridMap, random)};
    int click = 0;
    for (auto _ : state) bench_scenes::benchWorld().agentList.setTargetAll(clicks[++click % 2]);
    int withPath = 0;
    for (const Agent& agent : bench_scenes::benchWorld().agentList) withPath += agent.pathDone ? 0 : 1;
    state.counters["agents_with_path"] = withPath;
    state.counters["per_request"] = benchmark::Counter(static_cast<double>(state.iterations()) * kAgents,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    bench_scenes::benchWorld().agentList.clear();
}
BENCHMARK(BM_LeftClick)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
