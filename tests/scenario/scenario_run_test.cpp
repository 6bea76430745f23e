// Cases run in the simulation: agents follow their goal sequences, leave on arrival (or stay
// when asked), and the same case gives the same scores every run.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>

#include "scenario/scenario_world.h"
#include "scenario/scores.h"
#include "steering/agent_list.h"
#include "steering/world.h"
#include "tests/scenario/case_text.h"

namespace {

using namespace scenario;
using namespace scenario_test;

std::string resource(const char* name) { return std::string(STEERING_RESOURCE_DIR) + "/scenarios/" + name + ".xml"; }

std::string writeCase(const std::string& name, const std::string& text) {
    const char* dir = std::getenv("TEST_TMPDIR");
    const std::string path = std::string(dir != nullptr ? dir : "/tmp/") + name;
    std::ofstream(path) << text;
    return path;
}

// Runs the case in a fresh world of its own, or in `world` when given (its agents are read after).
RunScores run(const std::string& path, steering::NavigationMode mode, bool keep = false, ScenarioRun* out = nullptr,
              steering::World* world = nullptr) {
    ScenarioRun local;
    ScenarioRun& r = out != nullptr ? *out : local;
    std::unique_ptr<steering::World> own = steering::makeWorld();
    std::string error;
    EXPECT_TRUE(runScenarioFile(path, 1, mode, keep, world != nullptr ? *world : *own, r, error)) << error;
    return scoreRun(r.scenario, r.layout, r.cells.data(), r.zones, r.record);
}

TEST(ScenarioRun, HeadOnPairPassesWithoutTouchingInBothModes) {
    for (const auto mode : {steering::NavigationMode::Classic, steering::NavigationMode::Shortest}) {
        ScenarioRun r;
        const std::unique_ptr<steering::World> world = steering::makeWorld();
        const RunScores s = run(resource("head-on"), mode, false, &r, world.get());
        EXPECT_EQ(s.done, 2);
        EXPECT_EQ(s.agentCollisions, 0);
        EXPECT_EQ(s.obstacleCollisions, 0);
        // 16 m at 1.3 m/s is 12.3 s; the pair leaves once within a diameter of the targets.
        EXPECT_GT(s.t100, 10.0);
        EXPECT_LT(s.t100, 16.0);
        EXPECT_TRUE(world->agentList.empty());  // both left on arrival
        EXPECT_LT(r.stepIndex, r.limit);
    }
}

TEST(ScenarioRun, ArrivedAgentsStayWhenAsked) {
    ScenarioRun r;
    const std::unique_ptr<steering::World> world = steering::makeWorld();
    const RunScores s = run(resource("head-on"), steering::NavigationMode::Classic, true, &r, world.get());
    EXPECT_EQ(s.done, 2);
    ASSERT_EQ(world->agentList.size(), 2u);
    // Each stands at its goal, 8 m from the middle on the other side.
    const Vec2 last = r.record.at(r.record.steps, 0);
    EXPECT_GT(last.x, 7.0);
    EXPECT_TRUE(r.record.isPresent(r.record.steps, 0));
}

TEST(ScenarioRun, FleeFlowIdleAndDynamicSeekMoveAsTheirGoalsSay) {
    const std::string text = caseText(
        "<agent><name>w</name><initialConditions><radius>0.5</radius>" + vec("position", 0, 0) +
        "</initialConditions><goalSequence>"
        "<fleeStaticTarget>" + vec("targetLocation", -1, 0) + "<desiredSpeed>1.3</desiredSpeed><timeDuration>4</timeDuration></fleeStaticTarget>"
        "<flowStaticDirection>" + vec("targetDirection", 0, 1) + "<desiredSpeed>1.3</desiredSpeed><timeDuration>4</timeDuration></flowStaticDirection>"
        "<idle><desiredSpeed>0</desiredSpeed><timeDuration>4</timeDuration></idle>"
        "</goalSequence></agent>"
        "<agent><initialConditions><radius>0.5</radius>" + vec("position", -8, -8) + "</initialConditions><goalSequence>"
        "<seekDynamicTarget><targetName>w</targetName><desiredSpeed>1.3</desiredSpeed><timeDuration>40</timeDuration></seekDynamicTarget>"
        "</goalSequence></agent>", -15, 15);
    ScenarioRun r;
    const RunScores s = run(writeCase("kinds.xml", text), steering::NavigationMode::Classic, true, &r);
    const Vec2 start = r.record.at(0, 0), fled = r.record.at(20, 0), flowed = r.record.at(40, 0), stood = r.record.at(60, 0);
    EXPECT_GT(fled.x - start.x, 2.0);        // away from (-1, 0): +x
    EXPECT_LT(std::fabs(fled.z - start.z), 0.5);
    EXPECT_GT(flowed.z - fled.z, 2.0);       // then along +z
    EXPECT_LT(std::hypot(stood.x - flowed.x, stood.z - flowed.z), 1.0);  // braking, then standing
    EXPECT_TRUE(s.perAgent[1].reachedAll);   // the chaser caught up with the walker
    EXPECT_EQ(s.perAgent[1].goalsReached, 1);
}

// Scored by positions: in the shortest-paths mode everyone gets through a narrow place
// crossed both ways, and nobody is left standing in it.
TEST(ScenarioRun, TwoWayHallwayEveryAgentThroughInShortestMode) {
    const RunScores s = run(resource("hallway-two-way"), steering::NavigationMode::Shortest);
    EXPECT_EQ(s.done, 24);
    EXPECT_EQ(s.stillOut, 0);
}

// Thirty agents through a field of one-metre obstacles: one used to press along a wall
// cell's edge toward a corner its path bent round at no clearance, having left the waypoint
// below that cell too early, and never arrived.
TEST(ScenarioRun, ObstacleFieldEveryAgentArrivesInShortestMode) {
    const RunScores s = run(resource("obstacle-field"), steering::NavigationMode::Shortest);
    EXPECT_EQ(s.done, 30);
    EXPECT_EQ(s.stillOut, 0);
}

TEST(ScenarioRun, TwoGroupsSwapThroughOneNarrowDoorInShortestMode) {
    // A wall at x in [-0.5, 0.5] with a 1.5 m door at z in [-0.75, 0.75]; six agents on
    // each side, each sent to the mirror point on the other side.
    std::string body = obstacle(-0.5, 0.5, -10, -0.75) + obstacle(-0.5, 0.5, 0.75, 10);
    for (int i = 0; i < 6; ++i) {
        const double z = -2.5 + i;
        body += agent(-4 - (i % 2), z, seek(5 + (i % 2), z));
        body += agent(4 + (i % 2), z, seek(-5 - (i % 2), z));
    }
    const RunScores s = run(writeCase("door-swap.xml", caseText(body)), steering::NavigationMode::Shortest);
    EXPECT_EQ(s.done, 12);
}

TEST(ScenarioRun, SameCaseSameScores) {
    for (const auto mode : {steering::NavigationMode::Classic, steering::NavigationMode::Shortest}) {
        ScenarioRun a, b;
        run(resource("doorway-two-way"), mode, false, &a);
        run(resource("doorway-two-way"), mode, false, &b);
        a.record.processorSeconds = b.record.processorSeconds = 0;
        const RunScores sa = scoreRun(a.scenario, a.layout, a.cells.data(), a.zones, a.record);
        const RunScores sb = scoreRun(b.scenario, b.layout, b.cells.data(), b.zones, b.record);
        EXPECT_EQ(scoresJson(sa, true), scoresJson(sb, true));
        EXPECT_EQ(sa.done, 20);
    }
}

TEST(ScenarioRun, UnusableFilesAreRefusedWithOneLine) {
    ScenarioRun r;
    const std::unique_ptr<steering::World> world = steering::makeWorld();
    std::string error;
    EXPECT_FALSE(runScenarioFile(writeCase("wide.xml", caseText(agent(-90, 0, seek(90, 0)), -100, 100)), 1,
                                 steering::NavigationMode::Classic, false, *world, r, error));
    EXPECT_NE(error.find("wide.xml: case needs"), std::string::npos) << error;
    EXPECT_FALSE(runScenarioFile(writeCase("broken.xml", "<SteerBenchTestCase><agent>"), 1,
                                 steering::NavigationMode::Classic, false, *world, r, error));
    EXPECT_NE(error.find("broken.xml:1: malformed XML"), std::string::npos) << error;
}

}  // namespace
