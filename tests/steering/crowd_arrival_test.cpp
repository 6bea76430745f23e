// Crowds sent into the room of resources/maptest.raw (rows 18 to 27, columns 21 to 36, its
// door to the east), scored by where the agents stand, not by their flags: in the
// shortest-paths mode a crowd of half the room's capacity ends inside it, every agent done
// there; two groups crossing its door in opposite directions both get through; an agent
// pushed into another area's patch walks back out and arrives.
#include <gtest/gtest.h>

#include "navigation/navigation.h"
#include "steering/arrival_places.h"
#include "steering/navigation_mode.h"
#include "steering_test_world.h"
#include "world/map_install.h"
#include "world/world_navigation.h"

namespace steering {
namespace {

using test::at;

constexpr double kCell = 256.0;
double cellCentre(int index) { return index * kCell + kCell / 2; }

bool insideRoom(const Agent& a) {
    const int column = toWhole(a.position.x) / 256, row = toWhole(a.position.y) / 256;
    return column >= 22 && column <= 35 && row >= 19 && row <= 26;
}

class CrowdArrivalTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::resetWorld();
        clearPlaces();
        ASSERT_TRUE(gridMap.load(STEERING_RESOURCE_DIR "/maptest.raw"));
        extractObstacles();
        nav::cellLinkRule = sameCellType;
        ASSERT_TRUE(nav::build_navigation(steering::navMesh, gridMap.cells()));
        setNavigationMode(NavigationMode::Shortest);
    }
    void TearDown() override {
        navigationMode = NavigationMode::Classic;
        test::resetWorld();
        clearPlaces();
    }

    // As Insert does: one template, five copies on the point.
    static void insertFive(FixedVec point) {
        Agent agentTemplate;
        makeAgentTemplate(agentTemplate);
        for (int i = 0; i < 5; ++i) {
            agentTemplate.place(point, FixedVec{});
            agentList.add(agentTemplate);
        }
    }
    static void run(int frames) {
        for (int frame = 0; frame < frames; ++frame) agentList.updateAll();
    }
};

TEST_F(CrowdArrivalTest, HalfTheRoomsCapacityEndsInsideEveryAgentDoneThere) {
    // 15 agents (the room holds about 30) inserted north-east of the door, sent to cell (33, 23).
    for (int i = 0; i < 3; ++i) insertFive(at(cellCentre(40), cellCentre(16)));
    agentList.setTargetAll(at(cellCentre(33), cellCentre(23)));
    run(1500);
    int inside = 0, done = 0;
    for (const Agent& a : agentList) {
        inside += insideRoom(a) ? 1 : 0;
        done += a.pathDone ? 1 : 0;
        if (a.pathDone) {
            EXPECT_TRUE(insideRoom(a)) << toWhole(a.position.x) << " " << toWhole(a.position.y);
        }
    }
    EXPECT_EQ(inside, 15);
    EXPECT_EQ(done, 15);
}

TEST_F(CrowdArrivalTest, TwoGroupsSwapThroughTheDoor) {
    // Ten agents inside the room sent out to cell (42, 22), ten outside sent into cell
    // (30, 22): both groups cross the door (column 36, rows 21 to 24) at once.
    for (int i = 0; i < 2; ++i) insertFive(at(cellCentre(31), cellCentre(22)));
    for (Agent& a : agentList) a.setTarget(at(cellCentre(42), cellCentre(22)));
    for (int i = 0; i < 2; ++i) insertFive(at(cellCentre(42), cellCentre(23)));
    int index = 0;
    for (Agent& a : agentList) {
        if (index++ >= 10) a.setTarget(at(cellCentre(30), cellCentre(22)));
    }
    run(2000);
    index = 0;
    int out = 0, in = 0;
    for (const Agent& a : agentList) {
        const bool inside = insideRoom(a);
        if (index++ < 10) out += !inside && toWhole(a.position.x) / 256 >= 37 ? 1 : 0;
        else in += inside ? 1 : 0;
    }
    EXPECT_EQ(out, 10);
    EXPECT_EQ(in, 10);
}

TEST_F(CrowdArrivalTest, AgentPushedIntoAnotherAreasPatchWalksOutAndArrives) {
    // Inside the type-2 patch of columns 6 to 17, rows 40 to 51, sent to cell (25, 45).
    insertFive(at(cellCentre(10), cellCentre(45)));
    Agent& agent = *agentList.begin();
    while (agentList.size() > 1) agentList.remove(&*std::next(agentList.begin()));
    agent.setTarget(at(cellCentre(25), cellCentre(45)));
    run(600);
    EXPECT_TRUE(agent.pathDone);
    EXPECT_LT(approxLength(agent.position - at(cellCentre(25), cellCentre(45))), 2 * agent.radius);
}

}  // namespace
}  // namespace steering
