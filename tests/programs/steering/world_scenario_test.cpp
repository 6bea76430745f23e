// The world as a user meets it: crowds inserted in open ground on the real map, sent
// across it through doorways, never standing in a wall and always registered where they are.
#include <gtest/gtest.h>

#include "tests/programs/steering/run_fixture.h"

#include <unistd.h>

#include <algorithm>
#include <vector>

#include "steering/agent.h"
#include "steering/agent_list.h"
#include "world/grid_map.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"
#include "programs/steering/steering_run.h"

namespace steering {
namespace {

constexpr int kInsertPresses = 10;  // five agents each: 50 additions
constexpr int kSteps = 2000;

FixedVec cellCentre(int column, int row) { return {toFixed(column * 256 + 128), toFixed(row * 256 + 128)}; }

// Insert: one template, five copies on the same point, at rest.
void insertFive(World& world, FixedVec point) {
    Agent agentTemplate;
    makeAgentTemplate(agentTemplate, world.agentRandom);
    agentTemplate.place(point, {0, 0});
    for (int i = 0; i < 5; ++i) world.agentList.add(agentTemplate);
}

// Every agent is registered in exactly the cells its bounding square touches.
void expectGridMatchesPopulation(World& world) {
    std::size_t expectedEntries = 0;
    for (Agent& agent : world.agentList) {
        const CellRange range =
            world.neighbourGrid.boundingCells(int64_t{agent.position.x} - agent.radius, int64_t{agent.position.y} - agent.radius,
                                        int64_t{agent.position.x} + agent.radius, int64_t{agent.position.y} + agent.radius);
        expectedEntries += (range.lastColumn - range.firstColumn + 1) * (range.lastRow - range.firstRow + 1);
        std::vector<Agent*> found;
        world.neighbourGrid.queryAgents(agent.position, 0.0, found);
        ASSERT_NE(std::find(found.begin(), found.end(), &agent), found.end());
    }
    std::size_t entries = 0;
    for (uint32_t c = 0; c < world.neighbourGrid.columns; ++c) {
        for (uint32_t r = 0; r < world.neighbourGrid.rows; ++r) entries += world.neighbourGrid.agentCount(c, r);
    }
    EXPECT_EQ(entries, expectedEntries);
}

class WorldScenario : public test::RunTest {};

TEST_F(WorldScenario, CrowdsCrossTheMapWithoutEnteringWalls) {
    ASSERT_EQ(chdir(STEERING_BIN_DIR), 0);
    run().setupWorld();
    // Open ground all over the playable quarter, in and out of the starting view.
    const int points[kInsertPresses][2] = {{3, 30}, {30, 40}, {8, 60}, {40, 70}, {70, 40},
                                           {100, 30}, {60, 80}, {30, 110}, {90, 120}, {120, 90}};
    for (const auto& p : points) {
        for (int dr = -1; dr <= 1; ++dr) {
            for (int dc = -1; dc <= 1; ++dc) ASSERT_EQ(world().gridMap.cellAt(p[0] + dc, p[1] + dr), 0) << p[0] << "," << p[1];
        }
        insertFive(world(), cellCentre(p[0], p[1]));
    }
    ASSERT_EQ(world().agentList.size(), 51u);
    // Into the warehouse's west hall, through its doorway.
    world().agentList.setTargetAll(cellCentre(50, 20));
    for (int step = 0; step < kSteps; ++step) {
        world().agentList.updateAll();
        for (const Agent& agent : world().agentList) {
            const CellIndex cell = world().gridMap.worldToCell(agent.position);
            ASSERT_NE(world().gridMap.cellAt(cell), kWallType) << "step " << step << " at cell " << cell.column << "," << cell.row;
        }
        if (step == kSteps / 2) expectGridMatchesPopulation(world());
    }
    expectGridMatchesPopulation(world());
    // The crowd made it through the doorway into the hall (x 45..55, y 7..32).
    int inHall = 0;
    for (const Agent& agent : world().agentList) {
        const CellIndex cell = world().gridMap.worldToCell(agent.position);
        inHall += cell.column >= 45 && cell.column <= 55 && cell.row >= 7 && cell.row <= 32;
    }
    EXPECT_GE(inHall, 40) << "of " << world().agentList.size();
    // Delete five times over: the oldest leave and the grid forgets them.
    for (int i = 0; i < 25; ++i) world().agentList.removeFirst();
    EXPECT_EQ(world().agentList.size(), 26u);
    EXPECT_EQ(world().neighbourGrid.registeredAgents(), 26u);
    expectGridMatchesPopulation(world());
}

}  // namespace
}  // namespace steering
