// The two navigation modes over resources/maptest.raw: a crowd sent into a room freezes in
// the classic mode and never in the shortest-paths mode; switching modes re-plans the
// agents still following; an agent stranded in a patch of another type finds its way out
// only in the shortest-paths mode.
#include <gtest/gtest.h>

#include <iterator>

#include "navigation/navigation.h"
#include "steering/navigation_mode.h"
#include "steering_test_world.h"
#include "world/map_install.h"
#include "world/world_navigation.h"

namespace steering {
namespace {

using test::at;

constexpr double kCell = 256.0;
double cellCentre(int index) { return index * kCell + kCell / 2; }

class NavigationModeTest : public test::WorldTest {
protected:
    void SetUp() override {
        world.navigationMode = NavigationMode::Classic;
        ASSERT_TRUE(world.gridMap.load(STEERING_RESOURCE_DIR "/maptest.raw"));
        extractObstacles(world);
        world.navMesh.linkRule = sameCellType;
        ASSERT_TRUE(nav::buildNavigation(world.navMesh, world.gridMap.cells()));
    }
    void TearDown() override {
        world.navigationMode = NavigationMode::Classic;
    }

    // Agents that still follow a path (black outline) and stand still.
    int frozenFollowers() {
        int frozen = 0;
        for (const Agent& a : world.agentList) {
            if (a.pathCount > 0 && !a.pathDone && approxLength(a.velocity) < 3 * kFixedOne) ++frozen;
        }
        return frozen;
    }

    // 60 agents inserted on one point north-east of the room of rows 18 to 27 (columns 21
    // to 36, open to the east) and sent into it; the frozen followers after 1,500 frames.
    int crowdIntoRoom() {
        const FixedVec start = at(cellCentre(40), cellCentre(16));
        for (int i = 0; i < 12; ++i) insertFive(start);
        world.agentList.setTargetAll(at(cellCentre(33), cellCentre(23)));
        for (int frame = 0; frame < 1500; ++frame) world.agentList.updateAll();
        return frozenFollowers();
    }
};

TEST_F(NavigationModeTest, ClassicCrowdFreezesAtTheRoom) { EXPECT_GT(crowdIntoRoom(), 10); }

TEST_F(NavigationModeTest, ShortestPathsCrowdNeverFreezes) {
    setNavigationMode(world, NavigationMode::Shortest);
    EXPECT_EQ(crowdIntoRoom(), 0);
}

TEST_F(NavigationModeTest, SwitchingReplansEveryFollowingAgent) {
    // The visible pair of the study at the lower left: the classic path goes round by a gate
    // point 2,000 units east (two waypoints, navtool --query 4245 26074 4740 27094); the
    // shortest path is the straight line (one waypoint).
    Agent* follower = nullptr;
    insertFive(at(4245, 26074));
    follower = &*world.agentList.begin();
    Agent* idle = &*std::next(world.agentList.begin());
    world.agentList.setTargetAll(at(4740, 27094));
    idle->pathDone = true;  // arrived: must not be sent again
    ASSERT_EQ(follower->pathCount, 2);
    setNavigationMode(world, NavigationMode::Shortest);
    EXPECT_EQ(follower->pathCount, 1);
    EXPECT_TRUE(idle->pathDone);
    setNavigationMode(world, NavigationMode::Classic);
    EXPECT_EQ(follower->pathCount, 2);
}

TEST_F(NavigationModeTest, StrandedAgentPlansFromTheNearestGround) {
    // Inside the type-2 patch of columns 6 to 17, rows 40 to 51; the ground nearest to
    // cell (10, 45) is column 5, five cells away, so the first waypoint is that cell's
    // point nearest the agent: x = 5 * 256 + 254, the agent's own y.
    insertFive(at(cellCentre(10), cellCentre(45)));
    Agent& agent = *world.agentList.begin();
    agent.setTarget(at(cellCentre(25), cellCentre(45)));
    EXPECT_TRUE(agent.pathDone);  // classic: no path from a patch of another type
    setNavigationMode(world, NavigationMode::Shortest);
    agent.setTarget(at(cellCentre(25), cellCentre(45)));
    ASSERT_FALSE(agent.pathDone);
    EXPECT_EQ(toWhole(agent.waypoints[0].x), 5 * 256 + 254);
    EXPECT_EQ(toWhole(agent.waypoints[0].y), static_cast<int>(cellCentre(45)));
    // A target in a wall stays unreachable from anywhere.
    agent.setTarget(at(cellCentre(20), cellCentre(3)));
    EXPECT_TRUE(agent.pathDone);
}

}  // namespace
}  // namespace steering
