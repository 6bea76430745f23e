// Whole-population outcomes on the real map, resources/maptest.raw: walls stop agents,
// obstacles keep them out, and a crowd inserted on one point spreads apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "steering_test_world.h"
#include "world/map_install.h"
#include "world/obstacles.h"

namespace steering {
namespace {

using test::at;
using test::inUnits;
using test::units;

constexpr double kCell = 256.0;  // world units per map cell

double cellCentre(int index) { return index * kCell + kCell / 2; }

class MapScenarioTest : public test::WorldTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(world.gridMap.load(STEERING_RESOURCE_DIR "/maptest.raw"));
        extractObstacles(world);
    }

    // The standard steering without a path: walls, obstacles, neighbours, and a seek of the
    // path follower's weight toward the goal.
    Agent walker(FixedVec position, const FixedVec* goal) {
        Agent agent;
        makeAgentTemplate(agent, world.agentRandom);
        agent.clearBehaviours();
        agent.addBehaviour(units(1.0), "avoid_walls");
        agent.addBehaviour(units(1.4), "avoid_obstacle");
        agent.addBehaviour(units(1.4), "repel_obstacle");
        agent.addBehaviour(units(0.2), "seek");
        agent.addBehaviour(units(5.2), "separation");
        agent.seekTarget = goal;
        agent.place(position, FixedVec{});
        return agent;
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

TEST_F(MapScenarioTest, AgentsWalkingAtAWallStopBeforeEnteringIt) {
    // Inside the building of rows 3 to 13, whose east wall is column 27 (x 6912 to 7168),
    // agents start in column 22 and want a point beyond that wall.
    std::vector<FixedVec> goals;
    const int rows[] = {5, 7, 9, 11};
    goals.reserve(std::size(rows));
    for (int row : rows) {
        goals.push_back(at(cellCentre(35), cellCentre(row)));
        world.agentList.add(walker(at(cellCentre(22), cellCentre(row)), &goals.back()));
    }
    double worst = 0.0;
    for (int step = 0; step < 600; ++step) {
        world.agentList.updateAll();
        for (const Agent& agent : world.agentList) {
            ASSERT_NE(world.gridMap.cellAt(world.gridMap.worldToCell(agent.position)), kWallType);
            worst = std::max(worst, wallPenetration(agent));
        }
    }
    for (const Agent& agent : world.agentList) {
        EXPECT_LT(inUnits(agent.position.x), 6912.0);  // still on the near side
        EXPECT_GT(inUnits(agent.position.x), 6912.0 - 600.0);  // and it did walk up to it
    }
    EXPECT_LT(worst, 10.0) << "deepest overlap of a disc with a wall cell";
}

TEST_F(MapScenarioTest, AgentsCrossingAnObstacleFieldKeepOutOfTheObstacles) {
    // Open ground from column 20 to 45, rows 108 to 126: a staggered field of obstacles.
    for (int row = 110; row <= 125; row += 3) {
        for (int column = 24 + (row % 2) * 1; column <= 42; column += 3) {
            test::addObstacle(world, at(cellCentre(column), cellCentre(row)));
        }
    }
    std::vector<FixedVec> goals;
    goals.reserve(8);
    for (int i = 0; i < 8; ++i) {
        // Off the obstacles' rows: an agent aimed exactly at a centre gets no sideways push.
        const double y = cellCentre(109 + 2 * i) + 61.0;
        goals.push_back(at(cellCentre(48), y));
        world.agentList.add(walker(at(cellCentre(21), y), &goals.back()));
    }
    double worst = 0.0;
    for (int step = 0; step < 1500; ++step) {
        world.agentList.updateAll();
        for (const Agent& agent : world.agentList) {
            for (const auto& obstacle : world.obstacleList) {
                const FixedVec d = agent.position - FixedVec{obstacle->x, obstacle->y};
                const double overlap = inUnits(agent.radius + obstacle->radius) - std::hypot(inUnits(d.x), inUnits(d.y));
                worst = std::max(worst, overlap / inUnits(agent.radius));
            }
        }
    }
    int across = 0;
    for (const Agent& agent : world.agentList) across += inUnits(agent.position.x) > cellCentre(44);
    EXPECT_GE(across, 6) << "most agents make it through the field";
    // The look-ahead only picks obstacles whose own disc the forward axis crosses, and the
    // repulsion is gentle, so a large agent passing at an offset may brush an obstacle;
    // its centre stays well outside.
    EXPECT_LT(worst, 0.5) << "deepest overlap with an obstacle, as a share of the agent's radius";
}

TEST_F(MapScenarioTest, AStackOnOnePointStaysPutWithoutAnythingToBreakTheTie) {
    // Separation ignores neighbours at exactly the same position, and nothing else pushes.
    const FixedVec point = at(cellCentre(57), cellCentre(75));
    for (int i = 0; i < 4; ++i) {
        Agent agentTemplate;
        makeAgentTemplate(agentTemplate, world.agentRandom);
        agentTemplate.place(point, FixedVec{});
        for (int k = 0; k < 5; ++k) world.agentList.add(agentTemplate);
    }
    for (int step = 0; step < 50; ++step) world.agentList.updateAll();
    for (const Agent& agent : world.agentList) EXPECT_EQ(agent.position, point);
}

TEST_F(MapScenarioTest, HundredAgentsInsertedOnOnePointSpreadApart) {
    // Twenty Insert presses of five at one point touching an obstacle, whose push starts
    // the first agent moving; every later one then finds a neighbour off its own point.
    const FixedVec obstacle = at(cellCentre(57), cellCentre(75));
    test::addObstacle(world, obstacle);
    const FixedVec point = obstacle + at(200, 30);
    for (int press = 0; press < 20; ++press) {
        Agent agentTemplate;
        makeAgentTemplate(agentTemplate, world.agentRandom);
        agentTemplate.place(point, FixedVec{});
        for (int k = 0; k < 5; ++k) world.agentList.add(agentTemplate);
    }
    auto deepestOverlap = [this] {
        double worst = 0.0;
        for (auto a = world.agentList.begin(); a != world.agentList.end(); ++a) {
            for (auto b = std::next(a); b != world.agentList.end(); ++b) {
                const FixedVec d = a->position - b->position;
                const double gap = std::hypot(inUnits(d.x), inUnits(d.y)) - inUnits(a->radius + b->radius);
                worst = std::max(worst, -gap);
            }
        }
        return worst;
    };
    ASSERT_GT(deepestOverlap(), 400.0);
    for (int step = 0; step < 300; ++step) world.agentList.updateAll();
    // Separation pushes only while discs touch, so the crowd settles just about touching.
    EXPECT_LT(deepestOverlap(), 40.0);
    for (const Agent& agent : world.agentList) ASSERT_NE(world.gridMap.cellAt(world.gridMap.worldToCell(agent.position)), kWallType);
}

}  // namespace
}  // namespace steering
