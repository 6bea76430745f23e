// The six behaviours of steering_basic, each adding its own weighted and limited push
// into the accumulator, and the update that limits only the total.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/programs/steering_basic/basic_fixture.h"

namespace steering_basic {
namespace {

using small_kit::length;
using small_kit::vecNormalise;
using small_kit::vecPerp;

BasicAgent movingAgent(DoubleVec position, DoubleVec velocity, double radius = 10.0) {
    BasicAgent agent;
    agent.position = position;
    agent.velocity = velocity;
    agent.radius = radius;
    agent.heading = vecNormalise(velocity);
    agent.side = vecPerp(agent.heading);
    return agent;
}

BasicAgent& placeObstacle(BasicWorld& world, DoubleVec position, double radius) {
    BasicAgent prototype;
    prototype.isStatic = true;
    prototype.position = position;
    prototype.radius = radius;
    return createAgent(world, prototype);
}

// The accumulator after applying one behaviour to a cleared agent.
DoubleVec pushOf(const char* name, double weight, BasicAgent& agent) {
    agent.steeringForce = {};
    findBehaviour(name)->apply(weight, agent);
    return agent.steeringForce;
}

using BasicBehaviours = BasicWorldTest;

TEST_F(BasicBehaviours, RegistryHoldsTheSixNamesInOrder) {
    const char* names[] = {"seek", "arrival", "separation", "avoid_static", "avoid_static_2", "formation"};
    ASSERT_EQ(behaviourRegistry().size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) EXPECT_STREQ(behaviourRegistry()[i]->name(), names[i]);
}

TEST_F(BasicBehaviours, NamesOfSteeringWallsAndSteeringAreRefused) {
    BasicAgent agent;
    for (const char* name : {"repel_static", "avoid_walls", "follow_path", "avoid_obstacle", "Seek"}) {
        EXPECT_FALSE(addBehaviour(agent, 1.0, name)) << name;
    }
    EXPECT_TRUE(agent.behaviours.empty());
    EXPECT_TRUE(addBehaviour(agent, 1.0, "avoid_static_2"));
}

TEST_F(BasicBehaviours, ClearingLeavesTheStaticFlag) {
    BasicAgent agent;
    agent.isStatic = true;
    addBehaviour(agent, 1.0, "seek");
    clearBehaviours(agent);
    EXPECT_TRUE(agent.behaviours.empty());
    EXPECT_TRUE(agent.isStatic);
}

TEST_F(BasicBehaviours, SeekAppliesItsWeightTwiceAndNoLimit) {
    BasicAgent target;
    target.position = {200.0, 100.0};
    BasicAgent agent = movingAgent({100.0, 100.0}, {0.0, 1.0});
    agent.target = &target;
    agent.maxSpeed = 4.0;
    const DoubleVec f = pushOf("seek", 0.5, agent);
    // desired = (1, 0) * 4 * 0.5 = (2, 0); ((2, 0) - (0, 1)) * 0.5.
    EXPECT_DOUBLE_EQ(f.x, 1.0);
    EXPECT_DOUBLE_EQ(f.y, -0.5);
}

TEST_F(BasicBehaviours, ArrivalIsLimitedThenWeighted) {
    BasicAgent target;
    target.position = {400.0, 100.0};
    BasicAgent agent = movingAgent({100.0, 100.0}, {0.0, 0.0});
    agent.target = &target;
    agent.maxSpeed = 5.0;
    agent.maxForce = 2.0;
    const DoubleVec f = pushOf("arrival", 0.7, agent);  // (5, 0) limited to 2, times 0.7
    EXPECT_DOUBLE_EQ(f.x, 1.4);
    EXPECT_DOUBLE_EQ(f.y, 0.0);
    agent.position = target.position;
    EXPECT_EQ(pushOf("arrival", 0.7, agent), (DoubleVec{0.0, 0.0}));
}

TEST_F(BasicBehaviours, FollowerOnItsSlotGetsNothingFromFormation) {
    const BasicAgent leader = movingAgent({300.0, 300.0}, {2.0, 0.0});
    BasicAgent follower = movingAgent({0.0, 0.0}, {0.0, 0.0});
    follower.target = &leader;
    follower.formationOffset = {-60.0, 20.0};
    follower.position = {240.0, 320.0};  // 60 behind, 20 along the side (down)
    EXPECT_EQ(pushOf("formation", 1.0, follower), (DoubleVec{0.0, 0.0}));
}

TEST_F(BasicBehaviours, SlotsOfAResterLieOnTheLeader) {
    BasicAgent leader;
    leader.position = {300.0, 300.0};
    BasicAgent follower;
    follower.target = &leader;
    follower.formationOffset = {-80.0, -20.0};
    follower.position = {290.0, 300.0};
    follower.maxForce = 5.0;
    EXPECT_EQ(pushOf("formation", 1.0, follower), (DoubleVec{1.0, 0.0}));
}

TEST_F(BasicBehaviours, SeparationIgnoresItsWeight) {
    BasicAgent& a = createAgent(world(), movingAgent({100.0, 100.0}, {0.0, 0.0}, 5.0));
    createAgent(world(), movingAgent({110.0, 100.0}, {0.0, 0.0}, 5.0));
    createAgent(world(), movingAgent({100.0, 113.0}, {0.0, 0.0}, 5.0));
    createAgent(world(), movingAgent({84.0, 100.0}, {0.0, 0.0}, 5.0));  // 16 < sqrt(2) * (5 + 5 + 2): still close
    createAgent(world(), movingAgent({100.0, 83.0}, {0.0, 0.0}, 5.0));  // 17 > 16.97: too far
    placeObstacle(world(), {95.0, 100.0}, 5.0);
    a.maxForce = 2.0;
    const DoubleVec light = pushOf("separation", 0.1, a);
    const DoubleVec heavy = pushOf("separation", 1.0, a);
    EXPECT_EQ(light, heavy);
    EXPECT_DOUBLE_EQ(light.x, 0.0);   // -1 from (110, 100), +1 from (84, 100)
    EXPECT_DOUBLE_EQ(light.y, -1.0);  // from (100, 113)
}

TEST_F(BasicBehaviours, RaisingTheSeparationWeightChangesNoStep) {
    setupWorld(world());
    for (int step = 0; step < 100; ++step) updateAll(world());
    std::vector<DoubleVec> light;
    for (const auto& agent : world().agentArray) light.push_back(agent->position);

    freshWorld();
    setupWorld(world());
    for (const auto& agent : world().agentArray) {
        for (BehaviourEntry& entry : agent->behaviours) {
            if (std::string(entry.behaviour->name()) == "separation") entry.weight = 1.0;
        }
    }
    for (int step = 0; step < 100; ++step) updateAll(world());
    for (std::size_t i = 0; i < world().agentArray.size(); ++i) EXPECT_EQ(world().agentArray[i].position, light[i]) << i;
}

TEST_F(BasicBehaviours, CoincidentNeighbourAddsNothing) {
    BasicAgent& a = createAgent(world(), movingAgent({100.0, 100.0}, {0.0, 0.0}, 5.0));
    createAgent(world(), movingAgent({100.0, 100.0}, {0.0, 0.0}, 5.0));
    EXPECT_EQ(pushOf("separation", 0.1, a), (DoubleVec{0.0, 0.0}));
}

TEST_F(BasicBehaviours, AvoidStaticIsWeightedAndUnlimited) {
    BasicAgent& a = createAgent(world(), movingAgent({100.0, 100.0}, {0.0, 0.0}, 10.0));
    placeObstacle(world(), {100.0, 125.0}, 20.0);  // 25 < 31
    placeObstacle(world(), {131.5, 100.0}, 20.0);  // 31.5: not touching
    a.maxForce = 1.0;
    const DoubleVec f = pushOf("avoid_static", 0.5, a);
    EXPECT_DOUBLE_EQ(f.x, 0.0);
    EXPECT_DOUBLE_EQ(f.y, -2.5);  // sqrt(25) * 0.5, above maxForce
}

TEST_F(BasicBehaviours, AvoidStatic2SeesNothingForAnAgentAtRest) {
    BasicAgent& a = createAgent(world(), movingAgent({100.0, 100.0}, {0.0, 0.0}, 10.0));
    placeObstacle(world(), {110.0, 100.0}, 10.0);
    EXPECT_EQ(pushOf("avoid_static_2", 1.0, a), (DoubleVec{0.0, 0.0}));
}

TEST_F(BasicBehaviours, AvoidStatic2PushesAwayFromTheNearestHit) {
    BasicAgent& a = createAgent(world(), movingAgent({100.0, 100.0}, {2.0, 0.0}, 10.0));  // box 20 long
    a.maxForce = 10.0;
    placeObstacle(world(), {115.0, 103.0}, 8.0);
    const DoubleVec f = pushOf("avoid_static_2", 0.5, a);
    EXPECT_DOUBLE_EQ(f.x, 0.0);
    EXPECT_DOUBLE_EQ(f.y, -1.5);  // lateral -3, times 0.5
}

TEST_F(BasicBehaviours, AvoidStatic2LooksTwiceTheRadiusAheadWhateverTheSpeed) {
    BasicAgent& a = createAgent(world(), movingAgent({100.0, 100.0}, {9.0, 0.0}, 10.0));
    a.maxForce = 10.0;
    placeObstacle(world(), {126.0, 103.0}, 5.0);  // its near side at 21: just beyond the box of 20
    EXPECT_EQ(pushOf("avoid_static_2", 1.0, a), (DoubleVec{0.0, 0.0}));
}

// An obstacle in the corridor whose circle misses the line of travel still counts, as a
// hit right ahead of the agent: it wins over a real hit that lies farther.
TEST_F(BasicBehaviours, AvoidStatic2CountsAnAxisMissAsTheNearestHit) {
    BasicAgent& a = createAgent(world(), movingAgent({100.0, 100.0}, {2.0, 0.0}, 10.0));
    a.maxForce = 100.0;
    placeObstacle(world(), {118.0, 100.0}, 5.0);  // on the axis: real entry at 13
    placeObstacle(world(), {112.0, 112.0}, 5.0);  // |l.y| = 12 >= 5 but < 5 + 10: a miss of the axis
    EXPECT_DOUBLE_EQ(axisCircleEntryOrTiny({12.0, 12.0}, 5.0), std::numeric_limits<double>::min());
    const DoubleVec f = pushOf("avoid_static_2", 1.0, a);
    EXPECT_DOUBLE_EQ(f.y, -12.0);  // away from the missing one, not 0 from the one on the axis
}

TEST_F(BasicBehaviours, UpdateLimitsOnlyTheTotal) {
    BasicAgent target;
    target.position = {1000.0, 100.0};
    BasicAgent agent = movingAgent({100.0, 100.0}, {0.0, 0.0});
    agent.target = &target;
    agent.maxForce = 1.0;
    agent.maxSpeed = 10.0;
    addBehaviour(agent, 1.0, "seek");  // unlimited: (10, 0)
    updateAgent(agent);
    EXPECT_EQ(agent.steeringForce, (DoubleVec{10.0, 0.0}));  // kept unlimited for the overlay
    EXPECT_EQ(agent.velocity, (DoubleVec{1.0, 0.0}));
    EXPECT_EQ(agent.heading, (DoubleVec{1.0, 0.0}));
}

TEST_F(BasicBehaviours, AgentOnAnObstacleCentreKeepsItsVelocity) {
    BasicAgent& a = createAgent(world(), movingAgent({200.0, 200.0}, {1.0, 0.5}, 10.0));
    addBehaviour(a, 0.5, "avoid_static");
    placeObstacle(world(), {200.0, 200.0}, 15.0);
    updateAgent(a);
    EXPECT_TRUE(std::isnan(a.steeringForce.x));
    EXPECT_EQ(a.velocity, (DoubleVec{1.0, 0.5}));
}

TEST_F(BasicBehaviours, StaticAgentsAreClearedAndNeverMoved) {
    BasicAgent prototype = movingAgent({300.0, 300.0}, {1.0, 0.0});
    prototype.isStatic = true;
    prototype.steeringForce = {4.0, 4.0};
    BasicAgent& obstacle = createAgent(world(), prototype);
    updateAgent(obstacle);
    EXPECT_EQ(obstacle.position, (DoubleVec{300.0, 300.0}));
    EXPECT_EQ(obstacle.steeringForce, (DoubleVec{0.0, 0.0}));
}

TEST_F(BasicBehaviours, ArrayReservesAHundredAndGrowsBySize) {
    AgentArray array;
    EXPECT_EQ(array.capacity(), kAgentArrayReserve);
    for (std::size_t i = 0; i < kAgentArrayReserve; ++i) array.append(std::make_unique<BasicAgent>());
    EXPECT_EQ(array.capacity(), kAgentArrayReserve);
    const BasicAgent& first = array[0];
    array.append(std::make_unique<BasicAgent>());
    EXPECT_EQ(array.capacity(), 2 * kAgentArrayReserve);
    EXPECT_EQ(&array[0], &first);  // agents stay where they are when the references move
    EXPECT_EQ(array.size(), kAgentArrayReserve + 1);
}

}  // namespace
}  // namespace steering_basic
