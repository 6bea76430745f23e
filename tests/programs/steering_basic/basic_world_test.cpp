// The world of steering_basic: its 36 start agents and whole-population outcomes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/programs/steering_basic/basic_fixture.h"

namespace steering_basic {
namespace {

using small_kit::length;
using small_kit::toLocal;
using small_kit::toWorld;

// The runtime generator written out independently: seed 1, 32-bit wrap, 15-bit result.
struct ReferenceRandom {
    uint64_t seed = 1;
    double unit() {
        seed = (seed * 214013 + 2531011) % 4294967296ULL;
        const int r = static_cast<int>((seed >> 16) & 0x7FFF);
        return 2.0 * (r >> 5) / 1023.0 - 1.0;
    }
};

std::vector<std::string> names(const BasicAgent& agent) {
    std::vector<std::string> result;
    for (const BehaviourEntry& entry : agent.behaviours) result.emplace_back(entry.behaviour->name());
    return result;
}

uint64_t stateHash(const AgentArray& agents) {
    uint64_t hash = 1469598103934665603ULL;
    for (const auto& agent : agents) {
        for (double value : {agent->position.x, agent->position.y, agent->velocity.x, agent->velocity.y}) {
            uint64_t bits;
            std::memcpy(&bits, &value, sizeof bits);
            hash = (hash ^ bits) * 1099511628211ULL;
        }
    }
    return hash;
}

using BasicWorld = BasicWorldTest;

TEST_F(BasicWorld, StartPopulationIsTheThirtySixAgentsInOrder) {
    setupWorld(world());
    ASSERT_EQ(world().agentArray.size(), 36u);
    ReferenceRandom random;
    const BasicAgent& leader = world().agentArray[0];
    EXPECT_EQ(leader.position, (DoubleVec{100.0, 100.0}));
    EXPECT_DOUBLE_EQ(leader.maxForce, 2.0 + std::fabs(random.unit()));
    EXPECT_DOUBLE_EQ(leader.maxSpeed, 2.0 + std::fabs(random.unit()));
    EXPECT_EQ(leader.target, &world().leftButtonTarget);
    EXPECT_EQ(names(leader), (std::vector<std::string>{"arrival"}));
    std::size_t i = 1;
    for (int k = 0; k < 3; ++k) {
        for (int m = 0; m < 3; ++m, ++i) {
            const BasicAgent& follower = world().agentArray[i];
            EXPECT_EQ(follower.position, (DoubleVec{100.0 + 30 * k, 300.0 + 30 * m}));
            EXPECT_EQ(follower.formationOffset, (DoubleVec{-40.0 - 20 * k, -20.0 + 20 * m}));
            EXPECT_EQ(follower.radius, 5.0);
            EXPECT_EQ(follower.maxSpeed, 2.5);
            EXPECT_EQ(follower.target, &leader);
            EXPECT_EQ(names(follower),
                      (std::vector<std::string>{"separation", "avoid_static", "avoid_static_2", "formation"}));
        }
    }
    for (double x = 100.0; x < 400.0; x += 30.0, ++i) {
        const BasicAgent& arriver = world().agentArray[i];
        EXPECT_EQ(arriver.position, (DoubleVec{x, 300.0}));
        EXPECT_DOUBLE_EQ(arriver.radius, 10.0 + 5.0 * random.unit());
        EXPECT_DOUBLE_EQ(arriver.maxForce, 2.0 + std::fabs(random.unit()));
        EXPECT_DOUBLE_EQ(arriver.maxSpeed, 2.5 + std::fabs(random.unit()));
        EXPECT_EQ(arriver.target, &world().rightButtonTarget);
        EXPECT_EQ(names(arriver),
                  (std::vector<std::string>{"arrival", "separation", "avoid_static", "avoid_static_2"}));
    }
    for (double y = 120.0; y < 420.0; y += 75.0) {
        for (double x = 200.0; x < 500.0; x += 75.0, ++i) {
            const BasicAgent& obstacle = world().agentArray[i];
            EXPECT_TRUE(obstacle.isStatic);
            EXPECT_TRUE(obstacle.behaviours.empty());
            EXPECT_EQ(obstacle.position, (DoubleVec{x, y}));
            EXPECT_DOUBLE_EQ(obstacle.radius, 15.0 + 10.0 * random.unit());
            // Left over from the prototype, without effect on a static agent.
            EXPECT_EQ(obstacle.target, &world().rightButtonTarget);
        }
    }
    EXPECT_EQ(i, 36u);
    for (std::size_t j = 0; j < 20; ++j) EXPECT_FALSE(world().agentArray[j].isStatic);
    for (const auto& agent : world().agentArray) {
        EXPECT_EQ(agent->velocity, (DoubleVec{0.0, 0.0}));
        EXPECT_EQ(agent->heading, (DoubleVec{0.0, 0.0}));
    }
}

TEST_F(BasicWorld, TwoRunsGiveBitIdenticalStates) {
    setupWorld(world());
    world().leftButtonTarget.position = {100.0, 450.0};
    world().rightButtonTarget.position = {500.0, 100.0};
    for (int step = 0; step < 400; ++step) updateAll(world());
    const uint64_t first = stateHash(world().agentArray);
    freshWorld();
    setupWorld(world());
    world().leftButtonTarget.position = {100.0, 450.0};
    world().rightButtonTarget.position = {500.0, 100.0};
    for (int step = 0; step < 400; ++step) updateAll(world());
    EXPECT_EQ(stateHash(world().agentArray), first);
}

TEST_F(BasicWorld, BeforeAnyClickEveryoneHeadsForTheTopLeftCorner) {
    setupWorld(world());
    auto arriverCentroid = [this] {
        DoubleVec c{};
        for (std::size_t i = 10; i < 20; ++i) c += world().agentArray[i].position * 0.1;
        return c;
    };
    const double arriversBefore = length(arriverCentroid());
    updateAll(world());
    const BasicAgent& leader = world().agentArray[0];
    EXPECT_LT(leader.velocity.x, 0.0);
    EXPECT_LT(leader.velocity.y, 0.0);
    // Separation spreads the arrivers' row at first; as a group they head for (0, 0).
    for (int step = 0; step < 60; ++step) updateAll(world());
    EXPECT_LT(length(arriverCentroid()), arriversBefore - 50.0);
}

// The leader walks down the open left side to a left click; on the way its followers hold
// the formation's shape behind it, and once it stops they gather on it.
TEST_F(BasicWorld, LeaderReachesALeftClickWithItsFollowersInFormation) {
    setupWorld(world());
    const BasicAgent& leader = world().agentArray[0];
    const DoubleVec click{100.0, 450.0};
    world().leftButtonTarget.position = click;
    for (int step = 0; step < 150; ++step) updateAll(world());
    ASSERT_GT(length(leader.velocity), 1.0);  // still on its way
    const BasicAgent& centre = world().agentArray[5];  // row 1, column 1 of the block
    for (std::size_t i = 1; i < 10; ++i) {
        const BasicAgent& follower = world().agentArray[i];
        EXPECT_LT(toLocal(leader, follower.position).x, 0.0) << "follower " << i << " is behind the leader";
        // Same shape: the offset from the centre follower matches the offset of the slots.
        const DoubleVec shape = follower.position - centre.position;
        const DoubleVec slots = toWorld(leader, follower.formationOffset) - toWorld(leader, centre.formationOffset);
        EXPECT_LT(length(shape - slots), 3.0) << "follower " << i;
    }
    for (int step = 0; step < 250; ++step) updateAll(world());
    EXPECT_LT(length(leader.position - click), 1.0);
}

// The arrivers cross the obstacle field to a right click and crowd round it.
TEST_F(BasicWorld, ArriversReachARightClick) {
    setupWorld(world());
    const DoubleVec click{560.0, 240.0};
    world().rightButtonTarget.position = click;
    for (int step = 0; step < 1500; ++step) updateAll(world());
    DoubleVec centroid{};
    for (std::size_t i = 10; i < 20; ++i) {
        EXPECT_LT(length(world().agentArray[i].position - click), 60.0) << "arriver " << i;
        centroid += world().agentArray[i].position * 0.1;
    }
    EXPECT_LT(length(centroid - click), 15.0);
}

}  // namespace
}  // namespace steering_basic
