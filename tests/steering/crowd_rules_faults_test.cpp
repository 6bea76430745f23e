// The shortest-paths mode's crowd rules at edges the first tests left open, worked out by
// hand: a slide along a wall when both parts of the step are equally long, and the places
// round a target that stands in a door.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "steering/arrival_places.h"
#include "steering/navigation_mode.h"
#include "steering_test_world.h"

namespace steering {
namespace {

using test::at;
using test::bareAgent;
using test::setCell;

constexpr double kCell = 256.0;
FixedVec centreOf(int column, int row) { return at(column * kCell + kCell / 2, row * kCell + kCell / 2); }

class CrowdRulesFaultsTest : public test::WorldTest {
protected:
    void SetUp() override { world.navigationMode = NavigationMode::Shortest; }
};

TEST_F(CrowdRulesFaultsTest, AStepIntoAWallsCornerWithEqualPartsSlidesAlongX) {
    // Only the diagonal cell (11, 11) is wall. From (2,800, 2,800) in cell (10, 10), the step
    // (+40, +40) ends in it; either part alone stays open ((11, 10) and (10, 11)). The parts
    // are equally long: x is tried first, as every recorded run has it.
    setCell(world, 11, 11, static_cast<uint8_t>(kWallType));
    Agent agent = bareAgent(world, at(2800, 2800), at(40, 40));
    slideAlongWall(agent);
    EXPECT_EQ(agent.position, at(2840, 2800));
    EXPECT_EQ(agent.velocity, at(40, 0));
    // The same with both parts negative: from (2,830, 2,580) in (11, 10) the step (-40, -40)
    // ends in the wall cell (10, 9); (2,790, 2,580) in (10, 10) and (2,830, 2,540) in (11, 9)
    // are both open, and x goes first again.
    setCell(world, 10, 9, static_cast<uint8_t>(kWallType));
    agent.place(at(2830, 2580), at(-40, -40));
    slideAlongWall(agent);
    EXPECT_EQ(agent.position, at(2790, 2580));
    EXPECT_EQ(agent.velocity, at(-40, 0));
}

// A wall of column 50 across the agents' cells with a door of rows 60 to 63.
std::unique_ptr<World> wallWithDoor() {
    std::unique_ptr<World> fresh = test::freshWorld();
    fresh->navigationMode = NavigationMode::Shortest;
    for (int r = 0; r < kPlaceSide; ++r) {
        if (r < 60 || r > 63) setCell(*fresh, 50, static_cast<uint32_t>(r), static_cast<uint8_t>(kWallType));
    }
    return fresh;
}

TEST(CrowdRulesDoorFaultsTest, RoundATargetInADoorNoPlaceComesNearerTheDoorThanItsRadiusAndHalfACell) {
    // Target in the door's top cell (50, 60). The search walks down the door before the
    // ground beside it (door cell (50, k) is k - 60 steps away, the cells beside it one
    // more), so every door cell is nearer the target than the cells round it: each place
    // keeps its radius and 128 units off the door's cells. With radius 100 that is 228: the
    // columns 49 and 51 (128 off) hold no place from row 59 to row 64, however many claim.
    const std::unique_ptr<World> world = wallWithDoor();
    std::vector<Agent> agents(60, bareAgent(*world, at(0, 0), FixedVec{}, 100.0));
    int claimed = 0;
    for (Agent& agent : agents) {
        ASSERT_TRUE(claimPlace(agent, centreOf(50, 60)));
        ++claimed;
        const int column = agent.placeCell % kPlaceSide, row = agent.placeCell / kPlaceSide;
        EXPECT_FALSE((column == 49 || column == 51) && row >= 59 && row <= 64) << column << "," << row;
        EXPECT_NE(column, 50) << row;  // no place in the door
    }
    EXPECT_EQ(claimed, 60);
}

}  // namespace
}  // namespace steering
