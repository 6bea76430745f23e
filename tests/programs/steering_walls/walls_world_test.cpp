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
uint64_t stateHash(const WallsWorld& world) {
    uint64_t hash = 1469598103934665603ULL;
    auto mix = [&hash](double value) {
        uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        hash = (hash ^ bits) * 1099511628211ULL;
    };
    for (const auto& agent : world.agentList) {
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

using WallsWorldSteps = WallsWorldTest;

TEST_F(WallsWorldSteps, StartPopulationIsTheThirtyTwoAgentsInOrder) {
    ASSERT_TRUE(setupWorld(world()));
    ASSERT_EQ(world().agentList.size(), 32u);
    ReferenceRandom random;
    std::size_t i = 0;
    for (double y = 120.0; y < 420.0; y += 75.0) {
        for (double x = 200.0; x < 500.0; x += 75.0, ++i) {
            const WallsAgent& obstacle = *world().agentList[i];
            EXPECT_TRUE(obstacle.isStatic);
            EXPECT_EQ(obstacle.position, (DoubleVec{x, y}));
            EXPECT_DOUBLE_EQ(obstacle.radius, 15.0 + 10.0 * random.unit());
            EXPECT_GE(obstacle.radius, 5.0);
            EXPECT_LE(obstacle.radius, 25.0);
            EXPECT_TRUE(obstacle.behaviours.empty());
        }
    }
    for (double x = 100.0; x < 280.0; x += 30.0, ++i) {
        const WallsAgent& arriver = *world().agentList[i];
        EXPECT_FALSE(arriver.isStatic);
        EXPECT_EQ(arriver.position, (DoubleVec{x, 300.0}));
        EXPECT_DOUBLE_EQ(arriver.radius, 10.0 + 5.0 * random.unit());
        EXPECT_EQ(arriver.maxForce, 2.0);
        EXPECT_EQ(arriver.maxSpeed, 3.5);
        EXPECT_EQ(arriver.target, &world().leftButtonTarget);
        EXPECT_EQ(behaviourNames(arriver), arriverBehaviours);
        EXPECT_EQ(behaviourWeights(arriver), (std::vector<double>{1.5, 0.4, 0.4, 0.2, 0.2}));
    }
    const WallsAgent& leader = *world().agentList[i++];
    EXPECT_EQ(leader.position, (DoubleVec{100.0, 100.0}));
    EXPECT_EQ(leader.radius, 10.0);
    EXPECT_DOUBLE_EQ(leader.maxForce, 2.0 + std::fabs(random.unit()));
    EXPECT_DOUBLE_EQ(leader.maxSpeed, 3.0 + std::fabs(random.unit()));
    EXPECT_EQ(leader.target, &world().rightButtonTarget);
    EXPECT_EQ(behaviourNames(leader), (std::vector<std::string>{"arrival"}));
    for (int k = 0; k < 3; ++k) {
        for (int m = 0; m < 3; ++m, ++i) {
            const WallsAgent& follower = *world().agentList[i];
            EXPECT_EQ(follower.position, (DoubleVec{100.0 + 30 * k, 300.0 + 30 * m}));
            EXPECT_EQ(follower.formationOffset, (DoubleVec{-10.0 - 20 * k, -20.0 + 20 * m}));
            EXPECT_EQ(follower.radius, 5.0);
            EXPECT_EQ(follower.target, &leader);
            EXPECT_EQ(behaviourNames(follower), followerBehaviours);
            EXPECT_EQ(behaviourWeights(follower), (std::vector<double>{1.0, 0.5, 0.5, 0.2, 0.2}));
        }
    }
    for (const auto& agent : world().agentList) {
        EXPECT_EQ(agent->velocity, (DoubleVec{0.0, 0.0}));
        EXPECT_EQ(agent->heading, (DoubleVec{0.0, 0.0}));
    }
}

TEST_F(WallsWorldSteps, TwoRunsGiveBitIdenticalStates) {
    setupWorld(world());
    world().rightButtonTarget.position = {400.0, 120.0};
    world().leftButtonTarget.position = {265.0, 120.0};
    for (int step = 0; step < 300; ++step) updateAll(world());
    const uint64_t first = stateHash(world());

    freshWorld();
    setupWorld(world());
    world().rightButtonTarget.position = {400.0, 120.0};
    world().leftButtonTarget.position = {265.0, 120.0};
    for (int step = 0; step < 300; ++step) updateAll(world());
    EXPECT_EQ(stateHash(world()), first);
}

// Two worlds in one process, stepped alternately with different targets and an Up release
// in one of them, end exactly where each ends stepped alone: no state is shared (the
// grid's query marks, the scratch list, the generator).
TEST_F(WallsWorldSteps, TwoWorldsSteppedAlternatelyMatchEachAlone) {
    const auto start = [](WallsWorld& world, DoubleVec left, int upReleases) {
        setupWorld(world);
        for (int i = 0; i < upReleases; ++i) addArrivers(world);
        world.leftButtonTarget.position = left;
        world.rightButtonTarget.position = {400.0, 120.0};
    };
    WallsWorld aloneA, aloneB;
    start(aloneA, {265.0, 120.0}, 0);
    start(aloneB, {560.0, 200.0}, 1);
    for (int step = 0; step < 200; ++step) updateAll(aloneA);
    for (int step = 0; step < 200; ++step) updateAll(aloneB);

    WallsWorld a, b;
    start(a, {265.0, 120.0}, 0);
    start(b, {560.0, 200.0}, 1);
    for (int step = 0; step < 200; ++step) {
        updateAll(b);
        updateAll(a);
    }
    EXPECT_EQ(a.agentList.size(), 32u);
    EXPECT_EQ(b.agentList.size(), 37u);
    EXPECT_EQ(stateHash(a), stateHash(aloneA));
    EXPECT_EQ(stateHash(b), stateHash(aloneB));
    EXPECT_NE(stateHash(a), stateHash(b));
}

TEST_F(WallsWorldSteps, DownWithOnlyObstaclesLeftRemovesNothing) {
    setupWorld(world());
    for (int i = 0; i < 4; ++i) removeNewestAgents(world());
    ASSERT_EQ(world().agentList.size(), 16u);
    for (const auto& agent : world().agentList) EXPECT_TRUE(agent->isStatic);
    removeNewestAgents(world());
    EXPECT_EQ(world().agentList.size(), 16u);
}

TEST_F(WallsWorldSteps, RemovalRunsFromTheNewestAndTakesFollowersBeforeTheirLeader) {
    setupWorld(world());
    const WallsAgent* leader = world().agentList[22].get();
    removeNewestAgents(world());  // five of the nine followers
    ASSERT_EQ(world().agentList.size(), 27u);
    removeNewestAgents(world());  // the other four and the leader
    ASSERT_EQ(world().agentList.size(), 22u);
    for (const auto& agent : world().agentList) {
        EXPECT_NE(agent.get(), leader);
        EXPECT_NE(agent->target, leader);
    }
}

TEST_F(WallsWorldSteps, UpThenDownRemovesExactlyTheFiveAdded) {
    setupWorld(world());
    std::vector<const WallsAgent*> before;
    for (const auto& agent : world().agentList) before.push_back(agent.get());
    addArrivers(world());
    ASSERT_EQ(world().agentList.size(), 37u);
    for (std::size_t i = 32; i < 37; ++i) {
        const WallsAgent& added = *world().agentList[i];
        EXPECT_EQ(added.position, (DoubleVec{100.0 + 30.0 * static_cast<double>(i - 32), 300.0}));
        EXPECT_EQ(added.target, &world().leftButtonTarget);
        EXPECT_EQ(behaviourNames(added), arriverBehaviours);
        EXPECT_GE(added.radius, 5.0);
        EXPECT_LE(added.radius, 15.0);
    }
    removeNewestAgents(world());
    ASSERT_EQ(world().agentList.size(), 32u);
    for (std::size_t i = 0; i < 32; ++i) EXPECT_EQ(world().agentList[i].get(), before[i]);
    // No cell lists a removed agent.
    int listed = 0;
    for (uint32_t row = 0; row < world().agentGrid.rows(); ++row) {
        for (uint32_t column = 0; column < world().agentGrid.columns(); ++column) {
            for (const WallsAgent* agent : world().agentGrid.cell(column, row).agents) {
                EXPECT_NE(std::find(before.begin(), before.end(), agent), before.end());
                ++listed;
            }
        }
    }
    EXPECT_GE(listed, 32);
}

TEST_F(WallsWorldSteps, GridListsEveryAgentWhereItStandsAfterSteps) {
    setupWorld(world());
    world().leftButtonTarget.position = {265.0, 120.0};
    for (int step = 0; step < 50; ++step) updateAll(world());
    for (const auto& agent : world().agentList) {
        const CellRange range = world().agentGrid.cellRange(agent->position, agent->radius);
        for (int32_t row = range.firstRow; row <= range.lastRow; ++row) {
            for (int32_t column = range.firstColumn; column <= range.lastColumn; ++column) {
                const AgentRefs& listed = world().agentGrid.cell(static_cast<uint32_t>(column), static_cast<uint32_t>(row)).agents;
                EXPECT_EQ(std::count(listed.begin(), listed.end(), agent.get()), 1);
            }
        }
    }
}

TEST_F(WallsWorldSteps, BeforeAnyClickEveryoneHeadsForTheTopLeftCorner) {
    setupWorld(world());
    const WallsAgent& leader = *world().agentList[22];
    const WallsAgent& arriver = *world().agentList[17];
    updateAll(world());
    EXPECT_LT(leader.velocity.x, 0.0);
    EXPECT_LT(leader.velocity.y, 0.0);
    EXPECT_LT(arriver.velocity.y, 0.0);
}

// Arrivers sent to a point in the open ground around their start gather on it.
TEST_F(WallsWorldSteps, ArriversSentToAPointReachIt) {
    setupWorld(world());
    const DoubleVec goal{160.0, 280.0};
    world().leftButtonTarget.position = goal;
    for (int step = 0; step < 1500; ++step) updateAll(world());
    for (std::size_t i = 16; i < 22; ++i) {
        const WallsAgent& arriver = *world().agentList[i];
        // Separation keeps them a few body widths apart around the point.
        EXPECT_LT(length(arriver.position - goal), 25.0) << "arriver " << i - 16;
        EXPECT_LT(length(arriver.velocity), 0.5) << "arriver " << i - 16;
    }
}

// Sent across the walls to the open band at the top right, most of them find the way
// round; pure steering without a route can leave one caught on a wall corner.
TEST_F(WallsWorldSteps, MostArriversSentAcrossTheWallsReachTheGoal) {
    setupWorld(world());
    const DoubleVec goal{560.0, 120.0};
    world().leftButtonTarget.position = goal;
    for (int step = 0; step < 1500; ++step) updateAll(world());
    int arrived = 0;
    for (std::size_t i = 16; i < 22; ++i) {
        arrived += length(world().agentList[i]->position - goal) < 25.0 ? 1 : 0;
    }
    EXPECT_GE(arrived, 5);
}

// Followers keep their slots behind a leader that moves along the open band.
TEST_F(WallsWorldSteps, FollowersKeepTheirSlotsBehindAMovingLeader) {
    setupWorld(world());
    const WallsAgent& leader = *world().agentList[22];
    world().rightButtonTarget.position = {560.0, 120.0};
    for (int step = 0; step < 400; ++step) updateAll(world());
    double worst = 0.0;
    for (std::size_t i = 23; i < 32; ++i) {
        const WallsAgent& follower = *world().agentList[i];
        worst = std::max(worst, length(follower.position - toWorld(leader, follower.formationOffset)));
    }
    EXPECT_LT(worst, 30.0);
}

}  // namespace
}  // namespace steering_walls
