// The population: ownership, grid registration, update order and oldest-first removal.
#include <gtest/gtest.h>

#include <vector>

#include "steering/neighbour_visits.h"
#include "steering/path_following.h"
#include "steering_test_world.h"

namespace steering {
namespace {

using test::at;
using test::bareAgent;
using test::units;

class AgentListTest : public test::WorldTest {
protected:
    int registeredNear(FixedVec point) { return countAgentsNear(world, point, units(10)); }
};

TEST_F(AgentListTest, AddCopiesTheTemplateAndRegistersTheCopy) {
    Agent agentTemplate;
    makeAgentTemplate(agentTemplate, world.agentRandom);
    agentTemplate.place(at(3000, 3000), FixedVec{});
    Agent* first = world.agentList.add(agentTemplate);
    Agent* second = world.agentList.add(agentTemplate);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_NE(first, &agentTemplate);
    EXPECT_EQ(world.agentList.size(), 2u);
    // Copies of one template share radius and maxSpeed.
    EXPECT_EQ(first->radius, second->radius);
    EXPECT_EQ(first->maxSpeed, second->maxSpeed);
    EXPECT_EQ(registeredNear(at(3000, 3000)), 2);
}

TEST_F(AgentListTest, AgentsFromDifferentTemplatesDiffer) {
    Agent a;
    makeAgentTemplate(a, world.agentRandom);
    Agent b;
    makeAgentTemplate(b, world.agentRandom);
    EXPECT_NE(world.agentList.add(a)->radius, world.agentList.add(b)->radius);
}

TEST_F(AgentListTest, AddressesStayPutWhileTheListGrowsAndShrinks) {
    std::vector<Agent*> added;
    for (int i = 0; i < 50; ++i) added.push_back(world.agentList.add(bareAgent(world, at(100 + 50 * i, 1000), FixedVec{})));
    world.agentList.removeFirst();
    int index = 1;
    for (Agent& agent : world.agentList) {
        EXPECT_EQ(&agent, added[static_cast<std::size_t>(index)]);
        EXPECT_EQ(agent.position, at(100 + 50 * index, 1000));
        ++index;
    }
    EXPECT_EQ(index, 50);
}

TEST_F(AgentListTest, RemoveFirstTakesTheOldestAndUnregistersIt) {
    world.agentList.add(bareAgent(world, at(1000, 1000), FixedVec{}));
    world.agentList.add(bareAgent(world, at(5000, 5000), FixedVec{}));
    world.agentList.removeFirst();
    EXPECT_EQ(world.agentList.size(), 1u);
    EXPECT_EQ(world.agentList.begin()->position, at(5000, 5000));
    EXPECT_EQ(registeredNear(at(1000, 1000)), 0);
    EXPECT_EQ(registeredNear(at(5000, 5000)), 1);
    world.agentList.removeFirst();
    EXPECT_TRUE(world.agentList.empty());
    world.agentList.removeFirst();  // nothing left: nothing happens
    EXPECT_TRUE(world.agentList.empty());
}

TEST_F(AgentListTest, UpdateAllMovesEachAgentInTheGrid) {
    world.agentList.add(bareAgent(world, at(1000, 1000), at(60, 0)));
    for (int i = 0; i < 50; ++i) world.agentList.updateAll();  // 3000 units: several grid cells on
    EXPECT_EQ(world.agentList.begin()->position, at(4000, 1000));
    EXPECT_EQ(registeredNear(at(1000, 1000)), 0);
    EXPECT_EQ(registeredNear(at(4000, 1000)), 1);
}

TEST_F(AgentListTest, LaterAgentsSeeEarlierOnesAlreadyMoved) {
    // The first agent coasts into contact range of the second within this very step.
    world.agentList.add(bareAgent(world, at(1000, 1000), at(60, 0)));
    Agent separating = bareAgent(world, at(1260, 1000), FixedVec{});
    separating.addBehaviour(kFixedOne, "separation");
    Agent* second = world.agentList.add(separating);
    world.agentList.updateAll();
    EXPECT_GT(second->velocity.x, 0);  // pushed by the first agent at its new position 1060
}

TEST_F(AgentListTest, SetTargetAllGivesEveryAgentTheTarget) {
    for (int i = 0; i < 3; ++i) world.agentList.add(bareAgent(world, at(1000 + 300 * i, 1000), FixedVec{}));
    world.agentList.setTargetAll(at(7000, 7000));
    for (const Agent& agent : world.agentList) EXPECT_EQ(agent.pathTarget, at(7000, 7000));
}

TEST_F(AgentListTest, ClearEmptiesListAndGrid) {
    for (int i = 0; i < 5; ++i) world.agentList.add(bareAgent(world, at(2000, 2000), FixedVec{}));
    world.agentList.clear();
    EXPECT_TRUE(world.agentList.empty());
    EXPECT_EQ(registeredNear(at(2000, 2000)), 0);
}

}  // namespace
}  // namespace steering
