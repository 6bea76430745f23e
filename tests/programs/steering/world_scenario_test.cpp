// The world as a user meets it: crowds inserted in open ground on the real map, sent
// across it through doorways, never standing in a wall and always registered where they are.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <vector>

#include "steering/agent.h"
#include "steering/agent_list.h"
#include "world/grid_map.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"
#include "programs/steering/world_setup.h"

namespace steering {
namespace {

constexpr int kInsertPresses = 10;  // five agents each: 50 additions
constexpr int kSteps = 2000;

FixedVec cellCentre(int column, int row) { return {toFixed(column * 256 + 128), toFixed(row * 256 + 128)}; }

// Insert: one template, five copies on the same point, at rest.
void insertFive(FixedVec point) {
    Agent agentTemplate;
    makeAgentTemplate(agentTemplate);
    agentTemplate.place(point, {0, 0});
    for (int i = 0; i < 5; ++i) agentList.add(agentTemplate);
}

// Every agent is registered in exactly the cells its bounding square touches.
void expectGridMatchesPopulation() {
    std::size_t expectedEntries = 0;
    for (Agent& agent : agentList) {
        const CellRange range =
            neighbourGrid.boundingCells(int64_t{agent.position.x} - agent.radius, int64_t{agent.position.y} - agent.radius,
                                        int64_t{agent.position.x} + agent.radius, int64_t{agent.position.y} + agent.radius);
        expectedEntries += (range.lastColumn - range.firstColumn + 1) * (range.lastRow - range.firstRow + 1);
        std::vector<Agent*> found;
        neighbourGrid.queryAgents(agent.position, 0.0, found);
        ASSERT_NE(std::find(found.begin(), found.end(), &agent), found.end());
    }
    std::size_t entries = 0;
    for (uint32_t c = 0; c < neighbourGrid.columns; ++c) {
        for (uint32_t r = 0; r < neighbourGrid.rows; ++r) entries += neighbourGrid.agentCount(c, r);
    }
    EXPECT_EQ(entries, expectedEntries);
}

TEST(WorldScenario, CrowdsCrossTheMapWithoutEnteringWalls) {
    ASSERT_EQ(chdir(STEERING_BIN_DIR), 0);
    ASSERT_TRUE(setupWorld());
    // Open ground all over the playable quarter, in and out of the starting view.
    const int points[kInsertPresses][2] = {{3, 30}, {30, 40}, {8, 60}, {40, 70}, {70, 40},
                                           {100, 30}, {60, 80}, {30, 110}, {90, 120}, {120, 90}};
    for (const auto& p : points) {
        for (int dr = -1; dr <= 1; ++dr) {
            for (int dc = -1; dc <= 1; ++dc) ASSERT_EQ(gridMap.cellAt(p[0] + dc, p[1] + dr), 0) << p[0] << "," << p[1];
        }
        insertFive(cellCentre(p[0], p[1]));
    }
    ASSERT_EQ(agentList.size(), 51u);
    // Into the warehouse's west hall, through its doorway.
    agentList.setTargetAll(cellCentre(50, 20));
    for (int step = 0; step < kSteps; ++step) {
        agentList.updateAll();
        for (const Agent& agent : agentList) {
            const CellIndex cell = worldToCell(agent.position);
            ASSERT_NE(cellAt(cell), kWallType) << "step " << step << " at cell " << cell.column << "," << cell.row;
        }
        if (step == kSteps / 2) expectGridMatchesPopulation();
    }
    expectGridMatchesPopulation();
    // The crowd made it through the doorway into the hall (x 45..55, y 7..32).
    int inHall = 0;
    for (const Agent& agent : agentList) {
        const CellIndex cell = worldToCell(agent.position);
        inHall += cell.column >= 45 && cell.column <= 55 && cell.row >= 7 && cell.row <= 32;
    }
    EXPECT_GE(inHall, 40) << "of " << agentList.size();
    // Delete five times over: the oldest leave and the grid forgets them.
    for (int i = 0; i < 25; ++i) agentList.removeFirst();
    EXPECT_EQ(agentList.size(), 26u);
    EXPECT_EQ(neighbourGrid.registeredAgents(), 26u);
    expectGridMatchesPopulation();
}

}  // namespace
}  // namespace steering
