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

class AgentListTest : public ::testing::Test {
protected:
    void SetUp() override { test::resetWorld(); }
    void TearDown() override { test::resetWorld(); }
    static int registeredNear(FixedVec point) { return countAgentsNear(point, units(10)); }
};

TEST_F(AgentListTest, AddCopiesTheTemplateAndRegistersTheCopy) {
    Agent agentTemplate;
    makeAgentTemplate(agentTemplate);
    agentTemplate.place(at(3000, 3000), FixedVec{});
    Agent* first = agentList.add(agentTemplate);
    Agent* second = agentList.add(agentTemplate);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_NE(first, &agentTemplate);
    EXPECT_EQ(agentList.size(), 2u);
    // Copies of one template share radius and maxSpeed.
    EXPECT_EQ(first->radius, second->radius);
    EXPECT_EQ(first->maxSpeed, second->maxSpeed);
    EXPECT_EQ(registeredNear(at(3000, 3000)), 2);
}

TEST_F(AgentListTest, AgentsFromDifferentTemplatesDiffer) {
    Agent a;
    makeAgentTemplate(a);
    Agent b;
    makeAgentTemplate(b);
    EXPECT_NE(agentList.add(a)->radius, agentList.add(b)->radius);
}

TEST_F(AgentListTest, AddressesStayPutWhileTheListGrowsAndShrinks) {
    std::vector<Agent*> added;
    for (int i = 0; i < 50; ++i) added.push_back(agentList.add(bareAgent(at(100 + 50 * i, 1000), FixedVec{})));
    agentList.removeFirst();
    int index = 1;
    for (Agent& agent : agentList) {
        EXPECT_EQ(&agent, added[static_cast<std::size_t>(index)]);
        EXPECT_EQ(agent.position, at(100 + 50 * index, 1000));
        ++index;
    }
    EXPECT_EQ(index, 50);
}

TEST_F(AgentListTest, RemoveFirstTakesTheOldestAndUnregistersIt) {
    agentList.add(bareAgent(at(1000, 1000), FixedVec{}));
    agentList.add(bareAgent(at(5000, 5000), FixedVec{}));
    agentList.removeFirst();
    EXPECT_EQ(agentList.size(), 1u);
    EXPECT_EQ(agentList.begin()->position, at(5000, 5000));
    EXPECT_EQ(registeredNear(at(1000, 1000)), 0);
    EXPECT_EQ(registeredNear(at(5000, 5000)), 1);
    agentList.removeFirst();
    EXPECT_TRUE(agentList.empty());
    agentList.removeFirst();  // nothing left: nothing happens
    EXPECT_TRUE(agentList.empty());
}

TEST_F(AgentListTest, UpdateAllMovesEachAgentInTheGrid) {
    agentList.add(bareAgent(at(1000, 1000), at(60, 0)));
    for (int i = 0; i < 50; ++i) agentList.updateAll();  // 3000 units: several grid cells on
    EXPECT_EQ(agentList.begin()->position, at(4000, 1000));
    EXPECT_EQ(registeredNear(at(1000, 1000)), 0);
    EXPECT_EQ(registeredNear(at(4000, 1000)), 1);
}

TEST_F(AgentListTest, LaterAgentsSeeEarlierOnesAlreadyMoved) {
    // The first agent coasts into contact range of the second within this very step.
    agentList.add(bareAgent(at(1000, 1000), at(60, 0)));
    Agent separating = bareAgent(at(1260, 1000), FixedVec{});
    separating.addBehaviour(kFixedOne, "separation");
    Agent* second = agentList.add(separating);
    agentList.updateAll();
    EXPECT_GT(second->velocity.x, 0);  // pushed by the first agent at its new position 1060
}

TEST_F(AgentListTest, SetTargetAllGivesEveryAgentTheTarget) {
    for (int i = 0; i < 3; ++i) agentList.add(bareAgent(at(1000 + 300 * i, 1000), FixedVec{}));
    agentList.setTargetAll(at(7000, 7000));
    for (const Agent& agent : agentList) EXPECT_EQ(agent.pathTarget, at(7000, 7000));
}

TEST_F(AgentListTest, ClearEmptiesListAndGrid) {
    for (int i = 0; i < 5; ++i) agentList.add(bareAgent(at(2000, 2000), FixedVec{}));
    agentList.clear();
    EXPECT_TRUE(agentList.empty());
    EXPECT_EQ(registeredNear(at(2000, 2000)), 0);
}

}  // namespace
}  // namespace steering
