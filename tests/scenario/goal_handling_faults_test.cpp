// Goal sequences followed in the simulation, at what the first tests left open: a later
// goal's speed, a stand that ends by time keeping its agent in the scene, a follower
// reaching an agent within their two radii and leaving, and a moving target planned
// again every second.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "scenario/scenario_reader.h"
#include "scenario/scenario_world.h"
#include "scenario/scores.h"
#include "steering/agent_list.h"
#include "steering/world.h"
#include "tests/scenario/case_text.h"
#include "world/neighbour_grid.h"

namespace {

using namespace scenario;
using namespace scenario_test;

std::string idle(double seconds) {
    return "<idle><desiredSpeed>0</desiredSpeed><timeDuration>" + std::to_string(seconds) + "</timeDuration></idle>";
}

std::string seekAt(double x, double z, double speed) {
    return "<seekStaticTarget>" + vec("targetLocation", x, z) + "<desiredSpeed>" + std::to_string(speed) +
           "</desiredSpeed><timeDuration>1000</timeDuration></seekStaticTarget>";
}

std::string named(const std::string& name, double x, double z, const std::string& goals) {
    return "<agent><name>" + name + "</name><initialConditions><radius>0.5</radius>" + vec("position", x, z) +
           "<speed>0</speed></initialConditions><goalSequence>" + goals + "</goalSequence></agent>";
}

std::string follow(const std::string& name, double seconds) {
    return "<seekDynamicTarget><targetName>" + name + "</targetName><desiredSpeed>1.3</desiredSpeed><timeDuration>" +
           std::to_string(seconds) + "</timeDuration></seekDynamicTarget>";
}

// A case read, laid out and put into a fresh world, stepped by the test.
struct Stepped {
    ScenarioRun run;
    std::unique_ptr<steering::World> world = steering::makeWorld();
    Stepped(const std::string& text, steering::NavigationMode mode, bool keep) {
        ReadResult read = parseScenario(text, "goals.xml", 1);
        EXPECT_TRUE(read.ok) << read.error;
        std::string error;
        EXPECT_TRUE(run.prepare(std::move(read.scenario), error)) << error;
        run.keepArrived = keep;
        world->gridMap.init(steering::kMapSide, steering::kMapSide);
        world->neighbourGrid.init(128, 128);
        run.populate(*world, mode);
    }
    void toEnd() {
        while (!run.finished()) run.step(world->agentList);
    }
    RunScores scores() const { return scoreRun(run.scenario, run.layout, run.cells.data(), run.zones, run.record); }
};

TEST(GoalHandling, ALaterGoalWalksAtItsOwnSpeed) {
    // To (0, 0) at 1.3 m/s, then on to (6, 0) at 0.5 m/s: past x = 1.5 no step is longer
    // than 0.5 m/s x 0.2 s = 0.1 m; on the first leg steps reach 1.3 x 0.2 = 0.26 m.
    Stepped s(caseText(named("a", -6, 0, seekAt(0, 0, 1.3) + seekAt(6, 0, 0.5))), steering::NavigationMode::Classic,
              true);
    s.toEnd();
    const RunRecord& r = s.run.record;
    double firstLeg = 0.0, secondLeg = 0.0;
    int secondSteps = 0;
    for (int step = 1; step <= r.steps; ++step) {
        const Vec2 a = r.at(step - 1, 0), b = r.at(step, 0);
        const double moved = std::hypot(b.x - a.x, b.z - a.z);
        if (b.x < -1.5) firstLeg = std::max(firstLeg, moved);
        if (a.x > 1.5) {
            secondLeg = std::max(secondLeg, moved);
            ++secondSteps;
        }
    }
    EXPECT_GT(firstLeg, 0.2);
    EXPECT_GT(secondSteps, 20);  // 3.5 m at 0.1 m a step at least
    EXPECT_LE(secondLeg, 0.1 + 1e-3);
    EXPECT_TRUE(s.scores().perAgent[0].reachedAll);
}

TEST(GoalHandling, AGoalEndedByTimeKeepsItsAgentInTheScene) {
    // A stands 0.4 s, B 1.0 s: the run ends after step 5, A (not arrived anywhere) still there.
    Stepped s(caseText(named("a", -5, 0, idle(0.4)) + named("b", 5, 0, idle(1.0))), steering::NavigationMode::Classic,
              false);
    s.toEnd();
    EXPECT_EQ(s.run.stepIndex, 5);
    EXPECT_EQ(s.world->agentList.size(), 2u);
    EXPECT_NE(s.run.goals[0].agent, nullptr);
    for (int step = 0; step <= s.run.record.steps; ++step) EXPECT_TRUE(s.run.record.isPresent(step, 0)) << step;
}

TEST(GoalHandling, AFollowerReachesItsTargetWithinTheirTwoRadiiAndLeaves) {
    // Classic stops a walker within twice its radius (1 m) of the point it seeks: the
    // follower ends 1 m or less from the standing agent's centre, not within its own 0.5 m
    // radius, and leaves long before its 30 s are up.
    Stepped s(caseText(named("w", 0, 0, idle(40)) + named("f", -6, 0, follow("w", 30))), steering::NavigationMode::Classic,
              false);
    s.toEnd();
    EXPECT_EQ(s.run.goals[1].agent, nullptr);
    const RunScores scores = s.scores();
    EXPECT_TRUE(scores.perAgent[1].reachedAll);
    EXPECT_GT(scores.perAgent[1].doneSeconds, 3.0);
    EXPECT_LT(scores.perAgent[1].doneSeconds, 15.0);
    EXPECT_FALSE(s.run.record.isPresent(s.run.record.steps, 1));
}

TEST(GoalHandling, AMovingTargetIsPlannedAgainEveryFiveSteps) {
    // The walker goes from (-6, 4) toward (6, 4); the follower aims where it stood at the
    // last plan: at the start until step 4, where it stood after step 5 from then on.
    Stepped s(caseText(named("w", -6, 4, seekAt(6, 4, 1.3)) + named("f", -6, -4, follow("w", 100))),
              steering::NavigationMode::Classic, false);
    const auto aimMetres = [&] {
        const steering::FixedVec t = s.run.goals[1].agent->pathTarget;
        return Vec2{s.run.layout.metresX(t.x / 65536.0), s.run.layout.metresZ(t.y / 65536.0)};
    };
    const auto near = [](Vec2 a, Vec2 b) { return std::hypot(a.x - b.x, a.z - b.z) < 1e-3; };
    for (int step = 1; step <= 4; ++step) {
        s.run.step(s.world->agentList);
        EXPECT_TRUE(near(aimMetres(), Vec2{-6, 4})) << step;
    }
    for (int step = 5; step <= 9; ++step) {
        s.run.step(s.world->agentList);
        EXPECT_TRUE(near(aimMetres(), s.run.record.at(5, 0))) << step;
    }
    EXPECT_GT(s.run.record.at(5, 0).x, -6 + 0.3);  // the walker did move by then
    s.run.step(s.world->agentList);
    EXPECT_TRUE(near(aimMetres(), s.run.record.at(10, 0)));
}

TEST(GoalHandling, FleeAimsAtTheLastOpenPointBeforeAWallAlongItsRay) {
    // A wall x 4..5 across the whole case. From (0, -5), fleeing (-1, -5) is going +x: the
    // ray's points are 0.25 m apart, so the last open one is (3.75, -5).
    const std::string flee = "<fleeStaticTarget>" + vec("targetLocation", -1, -5) +
                             "<desiredSpeed>1.3</desiredSpeed><timeDuration>10</timeDuration></fleeStaticTarget>";
    Stepped s(caseText(obstacle(4, 5, -10, 10) + named("a", 0, -5, flee)), steering::NavigationMode::Classic, false);
    const steering::FixedVec t = s.run.goals[0].agent->pathTarget;
    EXPECT_NEAR(s.run.layout.metresX(t.x / 65536.0), 3.75, 1e-3);
    EXPECT_NEAR(s.run.layout.metresZ(t.y / 65536.0), -5.0, 1e-3);
}

TEST(GoalHandling, FlowingTowardAnAgentClosesOnIt) {
    // The follower keeps walking toward where the standing agent is: 8 m apart at the start,
    // less than 5 m after 4 s (1.3 m/s for some 5 m).
    const std::string toward = "<flowDynamicDirection><targetName>w</targetName><desiredSpeed>1.3</desiredSpeed>"
                               "<timeDuration>4</timeDuration></flowDynamicDirection>";
    Stepped s(caseText(named("w", 4, 0, idle(10)) + named("f", -4, 0, toward)), steering::NavigationMode::Classic, false);
    for (int step = 0; step < 20; ++step) s.run.step(s.world->agentList);
    const Vec2 w = s.run.record.at(20, 0), f = s.run.record.at(20, 1);
    EXPECT_LT(std::hypot(w.x - f.x, w.z - f.z), 5.0);
    EXPECT_GT(f.x, -4.0 + 2.0);
}

}  // namespace
