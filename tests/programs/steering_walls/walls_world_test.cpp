// The world of steering_walls: the start population, the keys that add and remove
// arrivers, and whole-population outcomes over many steps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "programs/steering_walls/walls_behaviours.h"
#include "tests/programs/steering_walls/walls_fixture.h"

namespace steering_walls {
namespace {

// The runtime generator written out independently: seed 1, 32-bit wrap, 15-bit result.
struct ReferenceRandom {
    uint64_t seed = 1;
    double unit() {
        seed = (seed * 214013 + 2531011) % 4294967296ULL;
        const int r = static_cast<int>((seed >> 16) & 0x7FFF);
        return 2.0 * (r >> 5) / 1023.0 - 1.0;
    }
};

std::vector<std::string> behaviourNames(const WallsAgent& agent) {
    std::vector<std::string> names;
    for (const BehaviourEntry& entry : agent.behaviours) names.emplace_back(entry.behaviour->name());
    return names;
}

std::vector<double> behaviourWeights(const WallsAgent& agent) {
    std::vector<double> weights;
    for (const BehaviourEntry& entry : agent.behaviours) weights.push_back(entry.weight);
    return weights;
}

// A digest of every agent's position and velocity bits.
uint64_t stateHash() {
    uint64_t hash = 1469598103934665603ULL;
    auto mix = [&hash](double value) {
        uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        hash = (hash ^ bits) * 1099511628211ULL;
    };
    for (const auto& agent : agentList) {
        mix(agent->position.x);
        mix(agent->position.y);
        mix(agent->velocity.x);
        mix(agent->velocity.y);
    }
    return hash;
}

const std::vector<std::string> arriverBehaviours = {"avoid_walls", "avoid_static", "repel_static", "arrival",
                                                    "separation"};
const std::vector<std::string> followerBehaviours = {"avoid_walls", "avoid_static", "repel_static", "formation",
                                                     "separation"};

using WallsWorld = WallsWorldTest;

TEST_F(WallsWorld, StartPopulationIsTheThirtyTwoAgentsInOrder) {
    ASSERT_TRUE(setupWorld());
    ASSERT_EQ(agentList.size(), 32u);
    ReferenceRandom random;
    std::size_t i = 0;
    for (double y = 120.0; y < 420.0; y += 75.0) {
        for (double x = 200.0; x < 500.0; x += 75.0, ++i) {
            const WallsAgent& obstacle = *agentList[i];
            EXPECT_TRUE(obstacle.isStatic);
            EXPECT_EQ(obstacle.position, (DoubleVec{x, y}));
            EXPECT_DOUBLE_EQ(obstacle.radius, 15.0 + 10.0 * random.unit());
            EXPECT_GE(obstacle.radius, 5.0);
            EXPECT_LE(obstacle.radius, 25.0);
            EXPECT_TRUE(obstacle.behaviours.empty());
        }
    }
    for (double x = 100.0; x < 280.0; x += 30.0, ++i) {
        const WallsAgent& arriver = *agentList[i];
        EXPECT_FALSE(arriver.isStatic);
        EXPECT_EQ(arriver.position, (DoubleVec{x, 300.0}));
        EXPECT_DOUBLE_EQ(arriver.radius, 10.0 + 5.0 * random.unit());
        EXPECT_EQ(arriver.maxForce, 2.0);
        EXPECT_EQ(arriver.maxSpeed, 3.5);
        EXPECT_EQ(arriver.target, &leftButtonTarget);
        EXPECT_EQ(behaviourNames(arriver), arriverBehaviours);
        EXPECT_EQ(behaviourWeights(arriver), (std::vector<double>{1.5, 0.4, 0.4, 0.2, 0.2}));
    }
    const WallsAgent& leader = *agentList[i++];
    EXPECT_EQ(leader.position, (DoubleVec{100.0, 100.0}));
    EXPECT_EQ(leader.radius, 10.0);
    EXPECT_DOUBLE_EQ(leader.maxForce, 2.0 + std::fabs(random.unit()));
    EXPECT_DOUBLE_EQ(leader.maxSpeed, 3.0 + std::fabs(random.unit()));
    EXPECT_EQ(leader.target, &rightButtonTarget);
    EXPECT_EQ(behaviourNames(leader), (std::vector<std::string>{"arrival"}));
    for (int k = 0; k < 3; ++k) {
        for (int m = 0; m < 3; ++m, ++i) {
            const WallsAgent& follower = *agentList[i];
            EXPECT_EQ(follower.position, (DoubleVec{100.0 + 30 * k, 300.0 + 30 * m}));
            EXPECT_EQ(follower.formationOffset, (DoubleVec{-10.0 - 20 * k, -20.0 + 20 * m}));
            EXPECT_EQ(follower.radius, 5.0);
            EXPECT_EQ(follower.target, &leader);
            EXPECT_EQ(behaviourNames(follower), followerBehaviours);
            EXPECT_EQ(behaviourWeights(follower), (std::vector<double>{1.0, 0.5, 0.5, 0.2, 0.2}));
        }
    }
    for (const auto& agent : agentList) {
        EXPECT_EQ(agent->velocity, (DoubleVec{0.0, 0.0}));
        EXPECT_EQ(agent->heading, (DoubleVec{0.0, 0.0}));
    }
}

TEST_F(WallsWorld, TwoRunsGiveBitIdenticalStates) {
    setupWorld();
    rightButtonTarget.position = {400.0, 120.0};
    leftButtonTarget.position = {265.0, 120.0};
    for (int step = 0; step < 300; ++step) updateAll();
    const uint64_t first = stateHash();

    resetWorld();
    setupWorld();
    rightButtonTarget.position = {400.0, 120.0};
    leftButtonTarget.position = {265.0, 120.0};
    for (int step = 0; step < 300; ++step) updateAll();
    EXPECT_EQ(stateHash(), first);
}

TEST_F(WallsWorld, DownWithOnlyObstaclesLeftRemovesNothing) {
    setupWorld();
    for (int i = 0; i < 4; ++i) removeNewestAgents();
    ASSERT_EQ(agentList.size(), 16u);
    for (const auto& agent : agentList) EXPECT_TRUE(agent->isStatic);
    removeNewestAgents();
    EXPECT_EQ(agentList.size(), 16u);
}

TEST_F(WallsWorld, RemovalRunsFromTheNewestAndTakesFollowersBeforeTheirLeader) {
    setupWorld();
    const WallsAgent* leader = agentList[22].get();
    removeNewestAgents();  // five of the nine followers
    ASSERT_EQ(agentList.size(), 27u);
    removeNewestAgents();  // the other four and the leader
    ASSERT_EQ(agentList.size(), 22u);
    for (const auto& agent : agentList) {
        EXPECT_NE(agent.get(), leader);
        EXPECT_NE(agent->target, leader);
    }
}

TEST_F(WallsWorld, UpThenDownRemovesExactlyTheFiveAdded) {
    setupWorld();
    std::vector<const WallsAgent*> before;
    for (const auto& agent : agentList) before.push_back(agent.get());
    addArrivers();
    ASSERT_EQ(agentList.size(), 37u);
    for (std::size_t i = 32; i < 37; ++i) {
        const WallsAgent& added = *agentList[i];
        EXPECT_EQ(added.position, (DoubleVec{100.0 + 30.0 * static_cast<double>(i - 32), 300.0}));
        EXPECT_EQ(added.target, &leftButtonTarget);
        EXPECT_EQ(behaviourNames(added), arriverBehaviours);
        EXPECT_GE(added.radius, 5.0);
        EXPECT_LE(added.radius, 15.0);
    }
    removeNewestAgents();
    ASSERT_EQ(agentList.size(), 32u);
    for (std::size_t i = 0; i < 32; ++i) EXPECT_EQ(agentList[i].get(), before[i]);
    // No cell lists a removed agent.
    int listed = 0;
    for (uint32_t row = 0; row < agentGrid.rows(); ++row) {
        for (uint32_t column = 0; column < agentGrid.columns(); ++column) {
            for (const WallsAgent* agent : agentGrid.cell(column, row).agents) {
                EXPECT_NE(std::find(before.begin(), before.end(), agent), before.end());
                ++listed;
            }
        }
    }
    EXPECT_GE(listed, 32);
}

TEST_F(WallsWorld, GridListsEveryAgentWhereItStandsAfterSteps) {
    setupWorld();
    leftButtonTarget.position = {265.0, 120.0};
    for (int step = 0; step < 50; ++step) updateAll();
    for (const auto& agent : agentList) {
        const CellRange range = agentGrid.cellRange(agent->position, agent->radius);
        for (int32_t row = range.firstRow; row <= range.lastRow; ++row) {
            for (int32_t column = range.firstColumn; column <= range.lastColumn; ++column) {
                const AgentRefs& listed = agentGrid.cell(static_cast<uint32_t>(column), static_cast<uint32_t>(row)).agents;
                EXPECT_EQ(std::count(listed.begin(), listed.end(), agent.get()), 1);
            }
        }
    }
}

TEST_F(WallsWorld, BeforeAnyClickEveryoneHeadsForTheTopLeftCorner) {
    setupWorld();
    const WallsAgent& leader = *agentList[22];
    const WallsAgent& arriver = *agentList[17];
    updateAll();
    EXPECT_LT(leader.velocity.x, 0.0);
    EXPECT_LT(leader.velocity.y, 0.0);
    EXPECT_LT(arriver.velocity.y, 0.0);
}

// Arrivers sent to a point in the open ground around their start gather on it.
TEST_F(WallsWorld, ArriversSentToAPointReachIt) {
    setupWorld();
    const DoubleVec goal{160.0, 280.0};
    leftButtonTarget.position = goal;
    for (int step = 0; step < 1500; ++step) updateAll();
    for (std::size_t i = 16; i < 22; ++i) {
        const WallsAgent& arriver = *agentList[i];
        // Separation keeps them a few body widths apart around the point.
        EXPECT_LT(length(arriver.position - goal), 25.0) << "arriver " << i - 16;
        EXPECT_LT(length(arriver.velocity), 0.5) << "arriver " << i - 16;
    }
}

// Sent across the walls to the open band at the top right, most of them find the way
// round; pure steering without a route can leave one caught on a wall corner.
TEST_F(WallsWorld, MostArriversSentAcrossTheWallsReachTheGoal) {
    setupWorld();
    const DoubleVec goal{560.0, 120.0};
    leftButtonTarget.position = goal;
    for (int step = 0; step < 1500; ++step) updateAll();
    int arrived = 0;
    for (std::size_t i = 16; i < 22; ++i) {
        arrived += length(agentList[i]->position - goal) < 25.0 ? 1 : 0;
    }
    EXPECT_GE(arrived, 5);
}

// Followers keep their slots behind a leader that moves along the open band.
TEST_F(WallsWorld, FollowersKeepTheirSlotsBehindAMovingLeader) {
    setupWorld();
    const WallsAgent& leader = *agentList[22];
    rightButtonTarget.position = {560.0, 120.0};
    for (int step = 0; step < 400; ++step) updateAll();
    double worst = 0.0;
    for (std::size_t i = 23; i < 32; ++i) {
        const WallsAgent& follower = *agentList[i];
        worst = std::max(worst, length(follower.position - toWorld(leader, follower.formationOffset)));
    }
    EXPECT_LT(worst, 30.0);
}

}  // namespace
}  // namespace steering_walls
