// Path following with the real navigation over resources/maptest.raw: an agent sent across
// the map arrives, and an unreachable click leaves the agents braking without a path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "navigation/navigation.h"
#include "steering_test_world.h"
#include "world/map_install.h"
#include "world/obstacles.h"
#include "world/world_navigation.h"

namespace steering {
namespace {

using test::at;
using test::inUnits;

constexpr double kCell = 256.0;
double cellCentre(int index) { return index * kCell + kCell / 2; }

class NavigationScenarioTest : public test::WorldTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(world.gridMap.load(STEERING_RESOURCE_DIR "/maptest.raw"));
        extractObstacles(world);
        world.navMesh.linkRule = sameCellType;
        ASSERT_TRUE(nav::buildNavigation(world.navMesh, world.gridMap.cells()));
    }

    Agent* addStandardAgent(FixedVec position) {
        Agent agentTemplate;
        makeAgentTemplate(agentTemplate, world.agentRandom);
        agentTemplate.place(position, FixedVec{});
        return world.agentList.add(agentTemplate);
    }

    // How far the agent's disc reaches into the nearest wall cell (0 when clear).
    double wallPenetration(const Agent& agent) {
        const double x = inUnits(agent.position.x), y = inUnits(agent.position.y), r = inUnits(agent.radius);
        double worst = 0.0;
        const int cx = static_cast<int>(std::floor(x / kCell)), cy = static_cast<int>(std::floor(y / kCell));
        for (int j = cy - 2; j <= cy + 2; ++j) {
            for (int i = cx - 2; i <= cx + 2; ++i) {
                if (i < 0 || j < 0 || world.gridMap.cellAt(i, j) != kWallType) continue;
                const double nx = std::clamp(x, i * kCell, (i + 1) * kCell);
                const double ny = std::clamp(y, j * kCell, (j + 1) * kCell);
                worst = std::max(worst, r - std::hypot(x - nx, y - ny));
            }
        }
        return worst;
    }
};

TEST_F(NavigationScenarioTest, OneAgentSentAcrossTheMapArrives) {
    // From the first agent's start, under pixel (100, 300) of the starting view, to the open
    // ground in the far corner: the route winds between the buildings.
    Agent* agent = addStandardAgent(at(1500, 4500));
    const FixedVec target = at(cellCentre(120), cellCentre(100));
    world.agentList.setTargetAll(target);
    ASSERT_FALSE(agent->pathDone);
    ASSERT_GT(agent->pathCount, 1);
    double deepest = 0.0;
    int step = 0;
    for (; step < 6000 && !agent->pathDone; ++step) {
        world.agentList.updateAll();
        ASSERT_NE(world.gridMap.cellAt(world.gridMap.worldToCell(agent->position)), kWallType) << "step " << step;
        deepest = std::max(deepest, wallPenetration(*agent) / inUnits(agent->radius));
    }
    EXPECT_TRUE(agent->pathDone) << "still walking after " << step << " steps";
    const FixedVec offset = agent->position - target;
    EXPECT_LT(inUnits(approxLength(offset)), 2.0 * inUnits(agent->radius));
    EXPECT_EQ(agent->pathProgress(), kFixedOne);
    // The disc may brush a wall at a corner; its centre stays well clear.
    EXPECT_LT(deepest, 0.5) << "deepest wall overlap as a share of the radius";
}

TEST_F(NavigationScenarioTest, AGroupSentThroughADoorwayArrives) {
    // Five agents of one Insert inside the building of rows 3 to 13, sent outside through its
    // doorways.
    Agent agentTemplate;
    makeAgentTemplate(agentTemplate, world.agentRandom);
    agentTemplate.place(at(cellCentre(20), cellCentre(5)), FixedVec{});
    for (int i = 0; i < 5; ++i) world.agentList.add(agentTemplate);
    // Something has to separate the stacked five: the first one's walk does.
    const FixedVec target = at(cellCentre(40), cellCentre(24));
    world.agentList.setTargetAll(target);
    for (int step = 0; step < 4000; ++step) {
        world.agentList.updateAll();
        bool allDone = true;
        for (const Agent& agent : world.agentList) allDone = allDone && agent.pathDone;
        if (allDone) break;
    }
    int arrived = 0;
    for (const Agent& agent : world.agentList) {
        EXPECT_NE(world.gridMap.cellAt(world.gridMap.worldToCell(agent.position)), kWallType);
        arrived += inUnits(approxLength(agent.position - target)) < 1000.0 ? 1 : 0;
    }
    EXPECT_GE(arrived, 4);
}

TEST_F(NavigationScenarioTest, AnUnreachableClickLeavesAgentsBrakingWithoutAPath) {
    Agent* first = addStandardAgent(at(1500, 4500));
    Agent* second = addStandardAgent(at(cellCentre(60), cellCentre(40)));
    first->velocity = at(30, 0);
    second->velocity = at(0, -25);
    // Inside the patch of type 2 cells (columns 6 to 17, rows 40 to 51), which the
    // navigation keeps apart from the open ground.
    const FixedVec click = at(cellCentre(10), cellCentre(45));
    world.agentList.setTargetAll(click);
    for (const Agent& agent : world.agentList) {
        EXPECT_TRUE(agent.pathDone);
        EXPECT_EQ(agent.pathCount, 0);
        EXPECT_EQ(agent.pathTarget, click);
    }
    for (int step = 0; step < 200; ++step) world.agentList.updateAll();
    for (const Agent& agent : world.agentList) {
        // Braking at weight 0.2 rounds toward minus infinity, so a few raw units of a
        // negative component can remain.
        EXPECT_LT(approxLength(agent.velocity), 16) << "braked to rest";
        EXPECT_EQ(agent.pathCount, 0);
        EXPECT_EQ(agent.progressHistory, 0u);
    }
}

}  // namespace
}  // namespace steering
