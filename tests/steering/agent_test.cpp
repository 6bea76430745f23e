// Agents: the generator and template, copying, the behaviour list, the frame operations
// and the one-step update with its force budget and wall check.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>

#include "steering/behaviours.h"
#include "steering_test_world.h"

namespace steering {
namespace {

using test::at;
using test::bareAgent;
using test::inUnits;
using test::units;

class AgentTest : public test::WorldTest {
protected:
};

TEST_F(AgentTest, GeneratorGivesTheRuntimeSequenceFromStateOne) {
    // The well-known first outputs of the runtime's generator when never seeded.
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    for (int value : expected) EXPECT_EQ(world.agentRandom.next(), value);
}

TEST_F(AgentTest, GeneratorStaysInFifteenBits) {
    RandomGenerator generator;
    for (int i = 0; i < 100000; ++i) {
        const int value = generator.next();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 32767);
    }
}

TEST_F(AgentTest, TemplateHasTheFiveStandardBehavioursInOrder) {
    Agent agent;
    makeAgentTemplate(agent, world.agentRandom);
    const char* names[] = {"avoid_walls", "avoid_obstacle", "repel_obstacle", "follow_path", "separation"};
    const Fixed weights[] = {65536, 91750, 91750, 13107, 340787};
    ASSERT_EQ(agent.behaviours.count, 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_STREQ(agent.behaviours.entries[i].behaviour->name(), names[i]);
        EXPECT_EQ(agent.behaviours.entries[i].weight, weights[i]);
    }
    EXPECT_EQ(agent.mass, kFixedOne);
    EXPECT_EQ(agent.maxForce, units(50));
    EXPECT_EQ(agent.position, FixedVec{});
    EXPECT_EQ(agent.velocity, FixedVec{});
    EXPECT_TRUE(agent.pathDone);
    EXPECT_EQ(agent.pathProgress(), kFixedOne);
}

TEST_F(AgentTest, FirstTemplateFollowsTheFirstTwoGeneratorValues) {
    Agent agent;
    makeAgentTemplate(agent, world.agentRandom);
    // Values 41 and 18467 give r = 1 and 577. Radius: 65536 * 1 / 1023 = 64 raw, unit
    // 2 * 64 - 65536 = -65408, times 5.0 is -327040, so 655360 - 327040 = 328320, times the
    // zoom 15 = 4924800. Speed: 65536 * 577 / 1023 = 36964 raw, unit 8392, times 25.0 is
    // 209800, plus 3964928.
    EXPECT_EQ(agent.radius, 4924800);
    EXPECT_EQ(agent.maxSpeed, 4174728);
}

TEST_F(AgentTest, TemplateRadiusAndSpeedStayInTheirRanges) {
    std::set<Fixed> radii;
    for (int i = 0; i < 2000; ++i) {
        Agent agent;
        makeAgentTemplate(agent, world.agentRandom);
        ASSERT_GE(agent.radius, units(75.0));
        ASSERT_LE(agent.radius, units(225.0));
        ASSERT_GE(agent.maxSpeed, units(35.5));
        ASSERT_LE(agent.maxSpeed, units(85.5));
        radii.insert(agent.radius);
    }
    EXPECT_GT(radii.size(), 500u);  // the generator really varies them
}

TEST_F(AgentTest, TemplateRadiusFollowsTheZoomAtCreation) {
    Agent wide;
    makeAgentTemplate(wide, world.agentRandom);
    world.agentRandom = RandomGenerator{};
    Agent close;
    makeAgentTemplate(close, world.agentRandom, 7.5);
    EXPECT_NEAR(static_cast<double>(wide.radius), 2.0 * close.radius, 1.0);
    EXPECT_EQ(wide.maxSpeed, close.maxSpeed);
}

TEST_F(AgentTest, RegistryHoldsTheNinePrototypesInOrder) {
    const char* names[] = {"seek",       "arrival",     "separation", "avoid_obstacle", "repel_obstacle",
                           "formation",  "avoid_walls", "follow_path", "avoid_agents"};
    static_assert(std::size(names) == kBehaviourCount);
    for (std::size_t i = 0; i < kBehaviourCount; ++i) {
        ASSERT_NE(behaviourRegistry[i], nullptr);
        EXPECT_STREQ(behaviourRegistry[i]->name(), names[i]);
        EXPECT_EQ(findBehaviour(names[i]), behaviourRegistry[i]);
    }
}

TEST_F(AgentTest, AddBehaviourRefusesNamesThatOnlyLookAlike) {
    Agent agent;
    EXPECT_FALSE(agent.addBehaviour(kFixedOne, "Seek"));
    EXPECT_FALSE(agent.addBehaviour(kFixedOne, "seek "));
    EXPECT_FALSE(agent.addBehaviour(kFixedOne, ""));
    EXPECT_FALSE(agent.addBehaviour(kFixedOne, nullptr));
    EXPECT_EQ(agent.behaviours.count, 0u);
    EXPECT_TRUE(agent.addBehaviour(kFixedOne, "seek"));
    EXPECT_EQ(agent.behaviours.count, 1u);
}

TEST_F(AgentTest, AnEleventhBehaviourIsSilentlyIgnored) {
    Agent agent;
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(agent.addBehaviour(i + 1, "arrival"));
    EXPECT_TRUE(agent.addBehaviour(99, "seek"));
    ASSERT_EQ(agent.behaviours.count, 10u);
    EXPECT_EQ(agent.behaviours.entries[9].weight, 10);
    for (const BehaviourEntry& entry : agent.behaviours.entries) EXPECT_STREQ(entry.behaviour->name(), "arrival");
    agent.clearBehaviours();
    EXPECT_EQ(agent.behaviours.count, 0u);
    EXPECT_TRUE(agent.addBehaviour(kFixedOne, "seek"));
    EXPECT_EQ(agent.behaviours.entries[0].behaviour, findBehaviour("seek"));
}

TEST_F(AgentTest, CopyKeepsEverythingButTheWaypointsAndSegments) {
    Agent original;
    makeAgentTemplate(original, world.agentRandom);
    original.place(at(100, 200), at(3, -4));
    original.pathTarget = at(5, 6);
    original.pathCount = 7;
    original.storedCount = 5;
    original.waypointIndex = 2;
    original.pathLength = units(900);
    original.progressHistory = 0x55;
    original.stuckReplanPause = 9;
    for (int i = 0; i < kStoredWaypoints; ++i) {
        original.waypoints[i] = at(i + 1, i + 2);
        original.segmentLength[i] = units(i + 1);
    }
    const Agent copy(original);
    EXPECT_EQ(copy.position, original.position);
    EXPECT_EQ(copy.velocity, original.velocity);
    EXPECT_EQ(copy.radius, original.radius);
    EXPECT_EQ(copy.maxSpeed, original.maxSpeed);
    EXPECT_EQ(copy.pathTarget, original.pathTarget);
    EXPECT_EQ(copy.pathCount, 7);
    EXPECT_EQ(copy.waypointIndex, 2);
    EXPECT_EQ(copy.pathLength, units(900));
    EXPECT_EQ(copy.progressHistory, 0x55u);
    EXPECT_EQ(copy.stuckReplanPause, 9);
    ASSERT_EQ(copy.behaviours.count, original.behaviours.count);
    EXPECT_EQ(copy.behaviours.entries[4].behaviour, original.behaviours.entries[4].behaviour);
    EXPECT_NE(&copy.behaviours, &original.behaviours);  // own storage, shared prototypes
    for (int i = 0; i < kStoredWaypoints; ++i) {
        EXPECT_EQ(copy.waypoints[i], FixedVec{});
        EXPECT_EQ(copy.segmentLength[i], 0);
    }
    Agent assigned;
    assigned.waypoints[0] = at(9, 9);
    assigned = original;
    EXPECT_EQ(assigned.waypoints[0], FixedVec{});
    EXPECT_EQ(assigned.maxSpeed, original.maxSpeed);
}

TEST_F(AgentTest, PlaceSetsOnlyPositionAndVelocity) {
    Agent agent = bareAgent(world, at(1, 1), at(10, 0));
    const FixedVec heading = agent.heading;
    agent.place(at(50, 60), at(0, 2));
    EXPECT_EQ(agent.position, at(50, 60));
    EXPECT_EQ(agent.velocity, at(0, 2));
    EXPECT_EQ(agent.heading, heading);
}

TEST_F(AgentTest, FrameOperationsAlongPositiveX) {
    Agent agent = bareAgent(world, at(1000, 500), at(10, 0));
    // vecNormalise of (10, 0) gives 65530 raw; an exact frame keeps the arithmetic visible.
    EXPECT_NEAR(agent.heading.x, kFixedOne, 8);
    agent.heading = at(1, 0);
    agent.side = vecPerp(agent.heading);
    ASSERT_EQ(agent.side, at(0, 1));
    EXPECT_EQ(agent.pointAhead(units(10)), at(1100, 500));
    EXPECT_EQ(agent.toLocal(at(1300, 450)), at(300, -50));
    EXPECT_EQ(agent.toWorldDirection(at(300, -50)), at(300, -50));
    EXPECT_EQ(agent.toWorld(at(300, -50)), at(1300, 450));
}

TEST_F(AgentTest, FrameOperationsRoundTripForAnyHeading) {
    for (int degrees = 0; degrees < 360; degrees += 15) {
        const double angle = degrees * M_PI / 180.0;
        const Agent agent = bareAgent(world, at(2000, 3000), at(20 * std::cos(angle), 20 * std::sin(angle)));
        const FixedVec local = at(250, -75);
        const FixedVec world = agent.toWorld(local);
        EXPECT_NEAR(inUnits(world.x), 2000 + 250 * std::cos(angle) + 75 * std::sin(angle), 0.5) << degrees;
        EXPECT_NEAR(inUnits(world.y), 3000 + 250 * std::sin(angle) - 75 * std::cos(angle), 0.5) << degrees;
        const FixedVec back = agent.toLocal(world);
        EXPECT_NEAR(inUnits(back.x), 250, 0.5) << degrees;
        EXPECT_NEAR(inUnits(back.y), -75, 0.5) << degrees;
    }
}

TEST_F(AgentTest, AtRestEveryLocalCoordinateIsZero) {
    const Agent agent = bareAgent(world, at(100, 100), FixedVec{});
    EXPECT_EQ(agent.heading, FixedVec{});
    EXPECT_EQ(agent.side, FixedVec{});
    EXPECT_EQ(agent.toLocal(at(500, -700)), FixedVec{});
    EXPECT_EQ(agent.toWorld(at(500, -700)), agent.position);
}

TEST_F(AgentTest, WithoutBehavioursTheAgentCoastsInAStraightLine) {
    Agent agent = bareAgent(world, at(1000, 1000), at(7, -3));
    for (int i = 0; i < 50; ++i) agent.update();
    EXPECT_EQ(agent.position, at(1350, 850));
    EXPECT_EQ(agent.velocity, at(7, -3));
    EXPECT_NEAR(inUnits(agent.heading.x), 7 / std::hypot(7, 3), 0.01);
    EXPECT_EQ(agent.side, vecPerp(agent.heading));
}

TEST_F(AgentTest, AWallCellStopsTheMoveButKeepsTheVelocity) {
    test::setCell(world, 5, 3, kWallType);  // x 1280..1536, y 768..1024
    Agent agent = bareAgent(world, at(1250, 900), at(40, 0));
    agent.update();
    EXPECT_EQ(agent.position, at(1250, 900));
    EXPECT_EQ(agent.velocity, at(40, 0));
    EXPECT_NEAR(agent.heading.x, kFixedOne, 32);  // the heading still follows the velocity
    EXPECT_EQ(agent.heading.y, 0);
    // Any cell value other than 15 lets it through.
    test::setCell(world, 5, 3, 14);
    agent.update();
    EXPECT_EQ(agent.position, at(1290, 900));
}

TEST_F(AgentTest, HeadingAndSideFollowThisStepsVelocity) {
    // Moving along +x and sought toward (0, 30): the force (-30, 30) turns the velocity to
    // (0, 30) in this very step, so the frame faces +y (side -x) at once.
    Agent agent = test::bareAgent(world, at(0, 0), at(30, 0));
    const FixedVec target = at(0, 30);
    agent.seekTarget = &target;
    agent.addBehaviour(kFixedOne, "seek");
    agent.update();
    ASSERT_EQ(agent.velocity, at(0, 30));
    EXPECT_NEAR(inUnits(agent.heading.x), 0.0, 1e-3);
    EXPECT_NEAR(inUnits(agent.heading.y), 1.0, 1e-3);
    EXPECT_NEAR(inUnits(agent.side.x), -1.0, 1e-3);
    EXPECT_NEAR(inUnits(agent.side.y), 0.0, 1e-3);
}

TEST_F(AgentTest, VelocityIsClippedToMaxSpeed) {
    Agent agent = bareAgent(world, at(1000, 1000), at(200, 0));
    agent.update();
    EXPECT_NEAR(inUnits(agent.velocity.x), 60.5, 0.01);
    EXPECT_EQ(agent.velocity.y, 0);
}

// A target far away makes "seek" ask for far more than the force budget. Each clip works
// with a length measured in 4-unit steps and a truncated scale, so results are within about
// 1 percent of the budget.
class ForceBudgetTest : public AgentTest {
protected:
    FixedVec target = at(20000, 1000);
    Agent agent = bareAgent(world, at(1000, 1000), FixedVec{});
    void SetUp() override {
        AgentTest::SetUp();
        agent.seekTarget = &target;
        agent.maxSpeed = units(1000);  // let the velocity show the whole force
    }
};

TEST_F(ForceBudgetTest, OneEntryContributesAtMostWeightTimesMaxForce) {
    agent.addBehaviour(kFixedOne / 2, "seek");
    agent.update();
    EXPECT_NEAR(inUnits(agent.velocity.x), 25.0, 0.3);
    EXPECT_EQ(agent.velocity.y, 0);
}

TEST_F(ForceBudgetTest, TheWeightedSumIsClippedToMaxForceAgain) {
    agent.addBehaviour(3 * kFixedOne, "seek");
    agent.update();
    EXPECT_NEAR(inUnits(agent.velocity.x), 50.0, 0.6);  // not 150
}

TEST_F(ForceBudgetTest, TheSameBehaviourTwiceIsEvaluatedTwice) {
    agent.addBehaviour(kFixedOne / 4, "seek");
    agent.addBehaviour(kFixedOne / 4, "seek");
    agent.update();
    EXPECT_NEAR(inUnits(agent.velocity.x), 25.0, 0.3);
}

TEST_F(ForceBudgetTest, TwoFullForcesTheSameWayShareOneBudget) {
    FixedVec behind = at(-20000, 1000);
    Agent other = agent;
    other.addBehaviour(kFixedOne, "seek");
    other.addBehaviour(kFixedOne, "arrival");
    other.seekTarget = &behind;
    // Both pull the same way (full budget each), the sum of 100 is clipped to 50.
    other.update();
    EXPECT_NEAR(inUnits(other.velocity.x), -50.0, 0.6);
}

TEST_F(ForceBudgetTest, MassDividesTheCombinedForce) {
    agent.addBehaviour(kFixedOne, "seek");
    agent.mass = 2 * kFixedOne;
    agent.update();
    EXPECT_NEAR(inUnits(agent.velocity.x), 25.0, 0.3);
}

}  // namespace
}  // namespace steering
