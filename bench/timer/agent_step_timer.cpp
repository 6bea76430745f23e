// The agent step of 1,000 agents walking to a click, timed with the steady clock alone so
// that the same source runs natively and as WebAssembly under node (scripts/bench-web puts
// the two side by side). Prints one line: microseconds per agent and step, best of rounds.
//   agent_step_timer [RESOURCE_FOLDER]   (the folder holding maptest.raw; default: current)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

#include "bench/walking_crowd.h"
#include "programs/steering/steering_run.h"
#include "steering/agent.h"
#include "steering/agent_list.h"

namespace {

using namespace steering;

constexpr int kAgents = 1000;
constexpr int kRetargetSteps = 200;  // steps between clicks, so the population keeps walking
constexpr int kStepsPerRound = 400;
constexpr int kRounds = 5;           // the best round is reported: the least disturbed by others

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && chdir(argv[1]) != 0) {
        std::fprintf(stderr, "agent_step_timer: cannot enter '%s'\n", argv[1]);
        return 2;
    }
    const auto run = std::make_unique<SteeringRun>();
    run->setupWorld();
    World& world = *run->world;
    world.agentList.clear();
    bench_scenes::Lcg random;
    for (int i = 0; i < kAgents; ++i) {
        Agent agentTemplate;
        makeAgentTemplate(agentTemplate, world.agentRandom);
        agentTemplate.place(bench_scenes::openCellCentre(world.gridMap, random), FixedVec{});
        world.agentList.add(agentTemplate);
    }
    const FixedVec clicks[] = {bench_scenes::openCellCentre(world.gridMap, random),
                               bench_scenes::openCellCentre(world.gridMap, random)};
    double best = 1e300;
    int step = 0;
    for (int round = 0; round < kRounds; ++round) {
        double seconds = 0.0;
        for (int i = 0; i < kStepsPerRound; ++i) {
            if (step++ % kRetargetSteps == 0) world.agentList.setTargetAll(clicks[(step / kRetargetSteps) % 2]);
            const auto start = std::chrono::steady_clock::now();
            world.agentList.updateAll();
            seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
        best = std::min(best, seconds);
    }
    std::printf("agent step, %d agents walking to a click: %.3f us per agent step\n", kAgents,
                best * 1e6 / (static_cast<double>(kStepsPerRound) * kAgents));
    world.agentList.clear();
    return 0;
}
