// The public library in C++ (also run under the sanitizers, where the Python module is not):
// errors with their messages, agents reaching their goals, and a test case's scores equal
// to the ones of the run the headless driver makes.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "scenario/scenario_world.h"
#include "scenario/scores.h"
#include "steering_api.h"

namespace api = steering::api;

namespace {

constexpr double kCell = 256.0;

api::Simulation openWorld() { return api::Simulation::fromMapBytes(std::vector<std::uint8_t>(256 * 256, 0)); }

template <typename Error, typename Call>
std::string messageOf(Call call) {
    try {
        call();
    } catch (const Error& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

TEST(Simulation, BadArgumentsThrowWithAMessageAndLeaveTheWorldUsable) {
    EXPECT_EQ(messageOf<std::invalid_argument>([] { api::Simulation::fromMapBytes(std::vector<std::uint8_t>(100)); }),
              "a map has 65536 bytes (256 x 256 cells), not 100");
    api::Simulation world = openWorld();
    const int a = world.addAgent({.position = {1000, 1000}, .radius = 100, .speed = 50});
    EXPECT_EQ(messageOf<std::out_of_range>([&] { world.agent(1); }),
              "agent index 1 is out of range (the world has 1 agents)");
    EXPECT_EQ(messageOf<std::out_of_range>([&] { world.setTarget(-1, {0, 0}); }),
              "agent index -1 is out of range (the world has 1 agents)");
    EXPECT_NE(messageOf<std::invalid_argument>([&] { world.setTarget(a, {32768, 5}); }).find("target (32768"),
              std::string::npos);
    EXPECT_NE(messageOf<std::invalid_argument>([&] { world.planPath(api::Mode::Classic, {0, 0}, {0, 65536}); })
                  .find("path end (0.000000, 65536.000000) is off the map"),
              std::string::npos);
    EXPECT_EQ(messageOf<std::invalid_argument>([&] { world.addAgent({.position = {5, 5}, .behaviours = {{"fly", 1}}}); }),
              "unknown behaviour 'fly'");
    EXPECT_EQ(messageOf<std::invalid_argument>([&] { world.addAgent({.position = {5, 5}, .radius = -1}); }),
              "agent radius -1.000000 is out of range (0 to 4096)");
    EXPECT_EQ(world.agentCount(), 1);
    world.setTarget(a, {3000, 1000});
    world.step(10);
    EXPECT_GT(world.agent(a).position.x, 1000.0);
}

TEST(Simulation, AgentsTakeTheirGoalsInOrderAndArrive) {
    api::Simulation world = openWorld();
    const int a = world.addAgent({.position = {10 * kCell, 10 * kCell}, .radius = 100, .speed = 50});
    world.setGoals(a, {{20 * kCell, 10 * kCell}, {20 * kCell, 20 * kCell}});
    EXPECT_EQ(world.agent(a).goal, 1);
    int steps = 0;
    while (world.agent(a).goal < 2 && steps < 300) {
        world.step();
        ++steps;
    }
    // It turned only once near the first goal (10 cells at 50 units a step: some 52 steps).
    ASSERT_EQ(world.agent(a).goal, 2);
    EXPECT_GT(steps, 45);
    EXPECT_NEAR(world.agent(a).position.x, 20 * kCell, 2 * 100);
    world.step(300);
    const api::AgentState end = world.agent(a);
    EXPECT_TRUE(end.arrived);
    EXPECT_LE(std::hypot(end.position.x - 20 * kCell, end.position.y - 20 * kCell), 200.0);
    // The shared arrays hold what agent() reads.
    EXPECT_EQ((*world.positions())[0], end.position.x);
    EXPECT_EQ((*world.velocities())[1], end.velocity.y);
}

TEST(Simulation, ACaseScoresAsTheDriversRun) {
    const std::string path = std::string(STEERING_RESOURCE_DIR) + "/scenarios/crossing-90.xml";
    for (api::Mode mode : {api::Mode::Classic, api::Mode::Shortest}) {
        api::Simulation world = api::Simulation::fromScenarioFile(path, mode, 2);
        const int steps = world.runToEnd();
        const api::Scores ours = world.scores();

        scenario::ScenarioRun run;
        const auto reference = steering::makeWorld();
        std::string error;
        ASSERT_TRUE(scenario::runScenarioFile(path, 2,
                                              mode == api::Mode::Shortest ? steering::NavigationMode::Shortest
                                                                          : steering::NavigationMode::Classic,
                                              false, *reference, run, error));
        const scenario::RunScores theirs = scenario::scoreRun(run.scenario, run.layout, run.cells.data(), run.zones, run.record);
        EXPECT_EQ(steps, theirs.steps);
        EXPECT_EQ(ours.steps, theirs.steps);
        EXPECT_EQ(ours.done, theirs.done);
        EXPECT_EQ(ours.t95, theirs.t95);
        EXPECT_EQ(ours.doneByStep, theirs.doneByStep);
        ASSERT_EQ(ours.perAgent.size(), theirs.perAgent.size());
        for (std::size_t i = 0; i < ours.perAgent.size(); ++i) EXPECT_EQ(ours.perAgent[i].walkedMetres, theirs.perAgent[i].walkedMetres);
        EXPECT_EQ(ours.system, api::modeName(mode));
    }
}

}  // namespace
