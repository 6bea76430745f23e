// The neighbour grid's copies of the agents (position and radius in every cell entry) against
// the agents themselves, through long crowded runs on maptest.raw in both modes, with
// agents inserted and deleted on the way: after every step each entry holds its agent's own
// position and radius, each agent is in exactly the cells of its square, and the visits the
// behaviours use meet the same neighbours, in the same order, as a query of the grid.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "navigation/navigation.h"
#include "steering/navigation_mode.h"
#include "steering/neighbour_visits.h"
#include "steering_test_world.h"
#include "world/map_install.h"
#include "world/world_navigation.h"

namespace steering {
namespace {

using test::at;

double cellCentre(int index) { return index * 256.0 + 128.0; }

class NeighbourCopiesTest : public test::WorldTest, public ::testing::WithParamInterface<NavigationMode> {
protected:
    void SetUp() override {
        ASSERT_TRUE(world.gridMap.load(STEERING_RESOURCE_DIR "/maptest.raw"));
        extractObstacles(world);
        world.navMesh.linkRule = sameCellType;
        ASSERT_TRUE(nav::buildNavigation(world.navMesh, world.gridMap.cells()));
        setNavigationMode(world, GetParam());
    }

    CellRange cellsOf(const Agent& agent) const {
        const int64_t x = agent.position.x, y = agent.position.y;
        return world.neighbourGrid.boundingCells(x - agent.radius, y - agent.radius, x + agent.radius, y + agent.radius);
    }

    // Every entry holds its agent's position and radius and lies in the agent's square; every
    // agent of the population has one entry in each cell of its square and no other.
    void expectCopiesTrue(const std::string& when) {
        std::unordered_map<const Agent*, std::size_t> entries;
        std::size_t wrong = 0;
        world.neighbourGrid.forEachAgentEntry([&](uint32_t column, uint32_t row, const Agent* agent, const NeighbourCopy& copy) {
            ++entries[agent];
            if (copy.position != agent->position || copy.radius != agent->radius || !cellsOf(*agent).contains(column, row)) {
                ++wrong;
            }
        });
        EXPECT_EQ(wrong, 0u) << when;
        EXPECT_EQ(entries.size(), world.agentList.size()) << when;
        for (const Agent& agent : world.agentList) {
            const CellRange cells = cellsOf(agent);
            const std::size_t area =
                static_cast<std::size_t>(cells.lastColumn - cells.firstColumn + 1) * (cells.lastRow - cells.firstRow + 1);
            EXPECT_EQ(entries[&agent], area) << when;
        }
    }

    // For every agent, the visit with copies against a query of the same square (which
    // drops duplicates its own way): the same agents in the same order, each copy its agent's.
    void expectVisitsMatchQueries(Fixed reachUnits, const std::string& when) {
        std::vector<Agent*> queried;
        std::vector<const Agent*> visited;
        std::size_t crowdedVisits = 0;
        for (const Agent& agent : world.agentList) {
            const Fixed reach = wrapAdd(agent.radius, reachUnits);
            queried.clear();
            world.neighbourGrid.queryAgents(agent.position, static_cast<double>(reach), queried);
            visited.clear();
            bool copiesTrue = true;
            forEachOtherAgentCopyNear(agent, reach, [&](const Agent& self, const NeighbourCopy& copy, const Agent& other) {
                EXPECT_EQ(&self, &agent);
                visited.push_back(&other);
                copiesTrue = copiesTrue && copy.position == other.position && copy.radius == other.radius;
            });
            std::vector<const Agent*> expected;
            for (const Agent* candidate : queried) {
                if (candidate != &agent) expected.push_back(candidate);
            }
            ASSERT_EQ(visited, expected) << when;
            ASSERT_TRUE(copiesTrue) << when;
            crowdedVisits += visited.size() >= 10 ? 1 : 0;
        }
        // The runs are crowded: the check saw many agents with many neighbours.
        EXPECT_GT(crowdedVisits, world.agentList.size() / 4) << when;
    }
};

TEST_P(NeighbourCopiesTest, CopiesStayTrueThroughLongCrowdedRunsWithInsertAndDelete) {
    // A crowd pressed into the room's door from the east and one in the open, then sent into
    // the room: agents stack, push each other (and, in Shortest paths, are put apart by
    // the correction) and slide along walls; now and then the oldest five leave and five
    // new ones come.
    for (int i = 0; i < 24; ++i) insertFive(at(cellCentre(40), cellCentre(22)));
    for (int i = 0; i < 12; ++i) insertFive(at(cellCentre(48), cellCentre(12)));
    world.agentList.setTargetAll(at(cellCentre(30), cellCentre(23)));
    expectCopiesTrue("after insertion");
    std::size_t visitChecks = 0;
    for (int step = 0; step < 400; ++step) {
        world.agentList.updateAll();
        expectCopiesTrue("step " + std::to_string(step));
        if (step % 50 == 0) {
            expectVisitsMatchQueries(test::units(1), "step " + std::to_string(step));
            expectVisitsMatchQueries(test::units(400), "step " + std::to_string(step));
            ++visitChecks;
        }
        if (step % 40 == 39) {
            for (int k = 0; k < 5; ++k) world.agentList.removeFirst();
            insertFive(at(cellCentre(44), cellCentre(20)));
            world.agentList.setTargetAll(at(cellCentre(30), cellCentre(23)));
            expectCopiesTrue("after delete and insert at step " + std::to_string(step));
        }
        if (testing::Test::HasFailure()) return;
    }
    EXPECT_EQ(visitChecks, 8u);
}

INSTANTIATE_TEST_SUITE_P(BothModes, NeighbourCopiesTest, ::testing::Values(NavigationMode::Classic, NavigationMode::Shortest),
                         [](const ::testing::TestParamInfo<NavigationMode>& info) {
                             return std::string(info.param == NavigationMode::Classic ? "Classic" : "Shortest");
                         });

}  // namespace
}  // namespace steering
