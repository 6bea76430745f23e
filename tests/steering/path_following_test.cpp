// Path following: setTarget's bookkeeping, the progress, stuck and crowding measures, and
// "follow_path" walking scripted paths (a stand-in navigation answers with given points).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "navigation/navigation.h"
#include "steering/behaviours.h"
#include "steering/navigation_mode.h"
#include "steering/path_following.h"
#include "steering_test_world.h"
#include "world/world_navigation.h"

namespace steering {
namespace {

using test::at;
using test::bareAgent;
using test::forceOf;
using test::inUnits;
using test::units;

// A scripted navigation: answers every request with the remaining points of one polyline
// (whole world units) from the first point not yet within reach of the requester, and
// records each request.
struct ScriptedNavigation {
    std::vector<nav::PathPoint> route;
    struct Request {
        int fromX, fromY, toX, toY, gateFraction;
    };
    std::vector<Request> requests;
    bool answerNothing = false;
};
ScriptedNavigation* script = nullptr;

void scriptedRequest(Terrain&, nav::PathResult& result, int fromX, int fromY, int toX, int toY, int gateFraction) {
    script->requests.push_back({fromX, fromY, toX, toY, gateFraction});
    result.waypointCount = 0;
    if (script->answerNothing) return;
    // Skip the points the requester has already passed: the first remaining one is the
    // first whose distance from the start is still growing along the route.
    std::size_t first = 0;
    double best = 1e18;
    for (std::size_t i = 0; i < script->route.size(); ++i) {
        const double d = std::hypot(script->route[i].x - fromX, script->route[i].y - fromY);
        if (d < best) {
            best = d;
            first = i;
        }
    }
    if (first + 1 < script->route.size() && best < 400.0) ++first;
    for (std::size_t i = first; i < script->route.size(); ++i) result.waypoints[result.waypointCount++] = script->route[i];
}

class PathFollowingTest : public test::WorldTest {
protected:
    ScriptedNavigation navigation;
    void SetUp() override {
        script = &navigation;
        world.pathRequest = &scriptedRequest;
    }
    void TearDown() override { script = nullptr; }
    nav::PathResult pathOf(std::initializer_list<nav::PathPoint> points) {
        nav::PathResult result;
        for (const nav::PathPoint& p : points) result.waypoints[result.waypointCount++] = p;
        return result;
    }
    Agent follower(FixedVec position) {
        Agent agent = bareAgent(world, position, FixedVec{});
        agent.addBehaviour(kFixedOne, "follow_path");
        return agent;
    }
};

TEST_F(PathFollowingTest, AThreePointPathIsStoredAndMeasured) {
    Agent agent = bareAgent(world, at(1000, 1000), FixedVec{});
    applyPathResult(agent, pathOf({{1000, 2000}, {3000, 2000}, {3000, 3000}}), at(3000, 3000));
    EXPECT_EQ(agent.pathCount, 3);
    EXPECT_EQ(agent.storedCount, 3);
    EXPECT_FALSE(agent.pathDone);
    EXPECT_EQ(agent.waypointIndex, 0);
    EXPECT_EQ(agent.waypoints[2], at(3000, 3000));
    EXPECT_EQ(agent.segmentLength[0], units(2000));
    EXPECT_EQ(agent.segmentLength[1], units(1000));
    EXPECT_EQ(agent.segmentLength[2], 0);
    EXPECT_EQ(agent.storedRemaining, units(3000));
    EXPECT_EQ(agent.beyondLength, 0);
    EXPECT_EQ(agent.pathLength, units(4000));
    EXPECT_EQ(agent.pathTarget, at(3000, 3000));
    EXPECT_EQ(agent.pathProgress(), 0);
}

TEST_F(PathFollowingTest, ATwelvePointPathKeepsFiveAndMeasuresTheRest) {
    Agent agent = bareAgent(world, at(0, 0), FixedVec{});
    nav::PathResult result;
    for (int i = 0; i < 12; ++i) result.waypoints[result.waypointCount++] = {100 * (i + 1), 0};
    applyPathResult(agent, result, at(1200, 0));
    EXPECT_EQ(agent.pathCount, 12);
    EXPECT_EQ(agent.storedCount, 5);
    EXPECT_EQ(agent.waypoints[4], at(500, 0));
    EXPECT_EQ(agent.storedRemaining, units(400));
    EXPECT_EQ(agent.beyondLength, units(700));  // from point 5 (index 4) to point 12
    EXPECT_EQ(agent.pathLength, units(1200));
    EXPECT_EQ(agent.segmentLength[4], 0);
}

TEST_F(PathFollowingTest, NoPathLeavesTheAgentBrakingWithItsTarget) {
    Agent agent = bareAgent(world, at(0, 0), at(5, 0));
    applyPathResult(agent, pathOf({{100, 0}, {200, 0}}), at(200, 0));
    agent.progressHistory = 0xFF;
    applyPathResult(agent, nav::PathResult{}, at(900, 900));
    EXPECT_TRUE(agent.pathDone);
    EXPECT_EQ(agent.pathCount, 0);
    EXPECT_EQ(agent.storedCount, 0);
    EXPECT_EQ(agent.pathTarget, at(900, 900));
    EXPECT_EQ(agent.progressHistory, 0u);
    EXPECT_EQ(agent.waypoints[1], at(200, 0));  // old waypoints are kept
    EXPECT_EQ(agent.pathProgress(), kFixedOne);
    EXPECT_EQ(agent.stuckRatio(), 0);
    agent.addBehaviour(kFixedOne, "follow_path");
    EXPECT_EQ(forceOf("follow_path", agent), at(-5, 0));
}

TEST_F(PathFollowingTest, SetTargetAsksInWholeUnitsWithTheGateFraction) {
    navigation.route = {{3000, 1000}};
    Agent agent = bareAgent(world, FixedVec{units(1000.75), units(-20.25)}, FixedVec{});
    agent.setTarget(FixedVec{units(3000.5), units(1000.5)});
    ASSERT_EQ(navigation.requests.size(), 1u);
    const ScriptedNavigation::Request& request = navigation.requests[0];
    EXPECT_EQ(request.fromX, 1000);
    EXPECT_EQ(request.fromY, -21);  // arithmetic shift rounds toward minus infinity
    EXPECT_EQ(request.toX, 3000);
    EXPECT_EQ(request.toY, 1000);
    EXPECT_EQ(request.gateFraction, 8192);
    EXPECT_EQ(agent.pathTarget, (FixedVec{units(3000.5), units(1000.5)}));
    EXPECT_FALSE(agent.pathDone);
    EXPECT_NEAR(inUnits(agent.pathProgress()), 0.0, 0.01);
}

TEST_F(PathFollowingTest, AOnePointPathOfZeroLengthCountsAsComplete) {
    Agent agent = bareAgent(world, at(500, 500), FixedVec{});
    applyPathResult(agent, pathOf({{500, 500}}), at(500, 500));
    EXPECT_FALSE(agent.pathDone);
    EXPECT_EQ(agent.pathLength, 0);
    EXPECT_EQ(agent.pathProgress(), kFixedOne);
    EXPECT_EQ(agent.stuckRatio(), 0);
}

TEST_F(PathFollowingTest, ProgressGrowsAlongThePathAndCanGoNegative) {
    Agent agent = bareAgent(world, at(0, 0), FixedVec{});
    applyPathResult(agent, pathOf({{1000, 0}, {2000, 0}}), at(2000, 0));
    agent.position = at(500, 0);
    EXPECT_NEAR(inUnits(agent.pathProgress()), 0.25, 0.001);
    agent.waypointIndex = 1;
    agent.storedRemaining = 0;
    agent.position = at(1900, 0);
    EXPECT_NEAR(inUnits(agent.pathProgress()), 0.95, 0.001);
    agent.position = at(-2000, 0);
    EXPECT_LT(agent.pathProgress(), 0);
}

TEST_F(PathFollowingTest, UpdateRecordsEveryStepInWhichProgressFell) {
    Agent agent = bareAgent(world, at(1000, 1000), at(-10, 0));  // walking away from the path
    applyPathResult(agent, pathOf({{3000, 1000}}), at(3000, 1000));
    for (int i = 0; i < 5; ++i) agent.update();
    EXPECT_EQ(agent.progressHistory, 0x1Fu);
    agent.velocity = at(10, 0);
    for (int i = 0; i < 3; ++i) agent.update();
    EXPECT_EQ(agent.progressHistory, 0x1Fu << 3);
    EXPECT_EQ(agent.stuckRatio(), fixDiv(toFixed(5), toFixed(15)));
    for (int i = 0; i < 40; ++i) agent.update();
    EXPECT_EQ(agent.progressHistory, 0u);  // only the last 32 steps are kept
}

TEST_F(PathFollowingTest, StuckRatioCountsTheLastFifteenSteps) {
    Agent agent = bareAgent(world, at(0, 0), FixedVec{});
    applyPathResult(agent, pathOf({{3000, 0}}), at(3000, 0));
    agent.progressHistory = 0xFF;  // 8 of 15
    EXPECT_EQ(agent.stuckRatio(), 34952);  // 8/15
    agent.progressHistory = 0x7F;  // 7 of 15
    EXPECT_EQ(agent.stuckRatio(), 30583);
    agent.progressHistory = 0xFFFF8000u;  // only older steps
    EXPECT_EQ(agent.stuckRatio(), 0);
    agent.progressHistory = 0x4000u;  // the fifteenth step back alone: 65536 / 15
    EXPECT_EQ(agent.stuckRatio(), 4369);
}

TEST_F(PathFollowingTest, EightFallingStepsOfFifteenTriggerARePlan) {
    navigation.route = {{3000, 0}};
    Agent agent = follower(at(0, 0));
    agent.setTarget(at(3000, 0));
    agent.progressHistory = 0x7F;
    forceOf("follow_path", agent);
    EXPECT_EQ(navigation.requests.size(), 1u);  // 7 bits: no re-plan
    EXPECT_EQ(agent.progressHistory, 0x7Fu);
    agent.progressHistory = 0xFF;
    agent.position = at(-400, 100);
    forceOf("follow_path", agent);
    ASSERT_EQ(navigation.requests.size(), 2u);
    EXPECT_EQ(navigation.requests[1].fromX, -400);
    EXPECT_EQ(navigation.requests[1].fromY, 100);
    EXPECT_EQ(agent.progressHistory, 0u);  // cleared: no repeat within the next steps
}

// Shortest paths: after a stuck re-plan the agent waits 15 steps before the next one; a
// stuck window in between is started again instead. One call of follow_path is one step.
TEST_F(PathFollowingTest, ShortestPathsReplanAStuckAgentAtMostOnceInFifteenSteps) {
    world.navigationMode = NavigationMode::Shortest;
    Agent agent = follower(at(0, 0));
    // A path held, progress fallen in 8 of the last 15 steps, lastProgress marked so a
    // re-plan (which clears it) shows; returns whether the step planned again.
    auto stuckStep = [&](int32_t pause, uint32_t history = 0xFF) {
        applyPathResult(agent, pathOf({{3000, 0}}), at(3000, 0));
        agent.progressHistory = history;
        agent.lastProgress = 1234;
        agent.stuckReplanPause = pause;
        forceOf("follow_path", agent);
        return agent.lastProgress != 1234;
    };
    EXPECT_TRUE(stuckStep(0));
    EXPECT_EQ(agent.stuckReplanPause, 15);
    EXPECT_FALSE(stuckStep(15));
    EXPECT_EQ(agent.stuckReplanPause, 14);
    EXPECT_EQ(agent.progressHistory, 0u);  // the window starts again
    EXPECT_FALSE(stuckStep(2));
    EXPECT_EQ(agent.stuckReplanPause, 1);
    EXPECT_TRUE(stuckStep(1));  // the fifteenth step after the last re-plan may plan again
    EXPECT_EQ(agent.stuckReplanPause, 15);
    EXPECT_FALSE(stuckStep(5, 0x7F));  // not stuck: the pause runs on, the window is kept
    EXPECT_EQ(agent.stuckReplanPause, 4);
    EXPECT_EQ(agent.progressHistory, 0x7Fu);
}

TEST_F(PathFollowingTest, ClassicReplansAStuckAgentEveryTimeAndKeepsNoPause) {
    navigation.route = {{3000, 0}};
    Agent agent = follower(at(0, 0));
    agent.setTarget(at(3000, 0));
    for (int i = 0; i < 3; ++i) {
        agent.progressHistory = 0xFF;
        forceOf("follow_path", agent);
    }
    EXPECT_EQ(navigation.requests.size(), 4u);
    EXPECT_EQ(agent.stuckReplanPause, 0);
    agent.stuckReplanPause = 5;  // a pause left from the other mode is not Classic's
    agent.progressHistory = 0xFF;
    forceOf("follow_path", agent);
    EXPECT_EQ(navigation.requests.size(), 5u);
    EXPECT_EQ(agent.stuckReplanPause, 5);
}

// The stuck rule asks for progress that fell and a path not yet complete: a one-point path
// planned from that very point has no length and counts as complete, and so does a
// finished one, so neither is planned again however often progress fell.
TEST_F(PathFollowingTest, AFullStuckWindowOnACompletePathPlansNothing) {
    Agent agent = follower(at(500, 500));
    agent.velocity = at(4, 0);
    applyPathResult(agent, pathOf({{500, 500}}), at(500, 500));
    ASSERT_EQ(agent.pathProgress(), kFixedOne);
    agent.progressHistory = 0x7FFF;
    forceOf("follow_path", agent);
    EXPECT_TRUE(navigation.requests.empty());

    applyPathResult(agent, pathOf({{900, 500}, {1500, 500}}), at(1500, 500));
    agent.pathDone = true;
    agent.progressHistory = 0x7FFF;
    EXPECT_EQ(forceOf("follow_path", agent), at(-4, 0));  // finished: it brakes
    EXPECT_TRUE(navigation.requests.empty());
}

// Shortest paths: an agent that finished and was pushed far from its goal plans again and
// walks on. The crowd it reacts to in that step is the one round the waypoint it held
// before: standing still in a full crowd there, it gives the new path's waypoint up at once
// (claiming a place at the last one), which it does not without that crowd.
TEST_F(PathFollowingTest, AResumedPathMeetsTheCrowdRoundTheWaypointHeldBefore) {
    world.navigationMode = NavigationMode::Shortest;
    ASSERT_TRUE(nav::buildNavigation(world.navMesh, world.gridMap.cells()));
    auto resume = [this](bool crowdAtOldWaypoint) {
        world.agentList.clear();
        if (crowdAtOldWaypoint) {
            for (int i = 0; i < 16; ++i) world.agentList.add(bareAgent(world, at(3000, 3000), FixedVec{}));
        }
        Agent agent = follower(at(1000, 1000));
        applyPathResult(agent, pathOf({{3000, 3000}, {6000, 3000}}), at(6000, 3000));
        agent.pathDone = true;
        forceOf("follow_path", agent);
        return agent;
    };
    const Agent crowded = resume(true);
    const Agent free = resume(false);
    ASSERT_FALSE(free.pathDone);
    ASSERT_FALSE(crowded.pathDone);
    EXPECT_LT(free.placeCell, 0);
    EXPECT_TRUE(crowded.placeCell >= 0 || crowded.waypointIndex > free.waypointIndex)
        << crowded.placeCell << " " << crowded.waypointIndex << " " << free.waypointIndex;
}

TEST_F(PathFollowingTest, CrowdingCountsAgentsNearTheCurrentWaypoint) {
    Agent agent = bareAgent(world, at(0, 0), FixedVec{});
    applyPathResult(agent, pathOf({{3000, 3000}, {6000, 3000}}), at(6000, 3000));
    // n agents within twice the radius of the waypoint: n / 16, full from 16 on.
    struct Case {
        int agents;
        Fixed crowding;
    };
    int placed = 0;
    for (const Case c : {Case{0, 0}, Case{1, kFixedOne / 16}, Case{4, kFixedOne / 4}, Case{15, 15 * kFixedOne / 16},
                         Case{16, kFixedOne}, Case{17, kFixedOne}}) {
        for (; placed < c.agents; ++placed) world.agentList.add(bareAgent(world, at(3000 + 10 * (placed % 8), 3000 + 10 * (placed / 8)), FixedVec{}));
        EXPECT_EQ(agent.crowding(), c.crowding) << c.agents << " agents";
    }
    // Past the first waypoint only the second one counts: one agent there.
    world.agentList.add(bareAgent(world, at(6000, 3000), FixedVec{}));
    agent.waypointIndex = 1;
    EXPECT_EQ(agent.crowding(), kFixedOne / 16);
}

// One step of "follow_path" toward the first of three waypoints along +x, 1000 apart, for
// an agent of radius 100: it moves on to the second when nearer than twice the radius
// (200), and the stored length still to walk loses the passed segment.
TEST_F(PathFollowingTest, AWaypointNearerThanTwiceTheRadiusIsPassed) {
    struct Case {
        double distance;
        int indexAfter;
        double storedRemainingAfter;
    };
    for (const Case& c : {Case{150, 1, 1000}, Case{199, 1, 1000}, Case{200, 0, 2000}, Case{250, 0, 2000}}) {
        Agent agent = follower(at(1000, 1000));
        const int x = 1000 + static_cast<int>(c.distance);
        applyPathResult(agent, pathOf({{x, 1000}, {x + 1000, 1000}, {x + 2000, 1000}}), at(x + 2000, 1000));
        forceOf("follow_path", agent);
        EXPECT_EQ(agent.waypointIndex, c.indexAfter) << c.distance;
        EXPECT_EQ(agent.storedRemaining, units(c.storedRemainingAfter)) << c.distance;
        // The agent has not moved: what is left is still the whole path, passed or not.
        EXPECT_EQ(agent.pathProgress(), 0) << c.distance;
    }
}

TEST_F(PathFollowingTest, AFullyCrowdedIntermediateWaypointMeansBraking) {
    Agent agent = follower(at(0, 0));
    agent.velocity = at(12, -3);
    applyPathResult(agent, pathOf({{3000, 3000}, {6000, 3000}}), at(6000, 3000));
    for (int i = 0; i < 16; ++i) world.agentList.add(bareAgent(world, at(3000, 3000), FixedVec{}));
    EXPECT_EQ(forceOf("follow_path", agent), at(-12, 3));
    world.agentList.clear();
    EXPECT_EQ(forceOf("follow_path", agent), at(3000 - 12, 3000 + 3));  // uncrowded: whole offset
}

TEST_F(PathFollowingTest, AThreePointPathIsWalkedToTheEnd) {
    navigation.route = {{2000, 1000}, {2000, 3000}, {4000, 3000}};
    Agent agent = follower(at(1000, 1000));
    agent.setTarget(at(4000, 3000));
    ASSERT_EQ(agent.storedCount, 3);
    std::vector<double> closest(3, 1e9);
    int step = 0;
    for (; step < 2000 && !agent.pathDone; ++step) {
        agent.update();
        for (int i = 0; i < 3; ++i) {
            const FixedVec d = agent.waypoints[i] - agent.position;
            closest[i] = std::min(closest[i], std::hypot(inUnits(d.x), inUnits(d.y)));
        }
    }
    EXPECT_TRUE(agent.pathDone) << "after " << step << " steps";
    EXPECT_EQ(agent.waypointIndex, 2);
    EXPECT_EQ(navigation.requests.size(), 1u);  // no re-plan on a short, free path
    for (int i = 0; i < 2; ++i) EXPECT_LT(closest[i], 2.0 * inUnits(agent.radius));
    const FixedVec offset = agent.position - at(4000, 3000);
    EXPECT_LT(inUnits(approxLength(offset)), 2.0 * inUnits(agent.radius));
    EXPECT_LT(inUnits(approxLength(agent.velocity)), 3.0);
    EXPECT_EQ(agent.pathProgress(), kFixedOne);
    // Done: the behaviour now brakes the agent to rest.
    for (int i = 0; i < 50; ++i) agent.update();
    EXPECT_EQ(agent.velocity, FixedVec{});
}

TEST_F(PathFollowingTest, ATwelvePointPathIsFollowedFiveAtATime) {
    for (int i = 0; i < 12; ++i) navigation.route.push_back({1000 + 600 * (i + 1), 1000 + (i % 2) * 300});
    Agent agent = follower(at(1000, 1000));
    agent.setTarget(at(1000 + 600 * 12, 1000 + 300));
    ASSERT_EQ(agent.pathCount, 12);
    int step = 0;
    for (; step < 3000 && !agent.pathDone; ++step) {
        const int before = agent.waypointIndex;
        const std::size_t requestsBefore = navigation.requests.size();
        agent.update();
        if (navigation.requests.size() > requestsBefore) {
            // A re-plan after the fifth stored waypoint starts from where the agent stood.
            EXPECT_EQ(before, 4);
            EXPECT_EQ(agent.waypointIndex, 0);
            EXPECT_FALSE(agent.pathDone);
        }
    }
    EXPECT_TRUE(agent.pathDone);
    EXPECT_GE(navigation.requests.size(), 3u);  // 12 points, five at a time
    EXPECT_LT(inUnits(approxLength(agent.position - agent.pathTarget)), 2.0 * inUnits(agent.radius));
}

TEST_F(PathFollowingTest, AnUnreachableTargetLeavesNoPathAndNoReplanning) {
    navigation.answerNothing = true;
    Agent agent = follower(at(1000, 1000));
    agent.velocity = at(30, 0);
    agent.setTarget(at(5000, 5000));
    for (int i = 0; i < 100; ++i) agent.update();
    EXPECT_TRUE(agent.pathDone);
    EXPECT_EQ(navigation.requests.size(), 1u);
    EXPECT_EQ(agent.velocity, FixedVec{});  // braked to rest
}

}  // namespace
}  // namespace steering
