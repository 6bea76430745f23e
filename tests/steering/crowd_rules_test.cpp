// The shortest-paths mode's crowd and stranding rules at their edges, with expectations
// worked out by hand: the place search round a shared target (its order, the spacing of
// places exactly at their thresholds, the farthest step it searches, negative and outside
// coordinates), the crowd rule's thresholds, and the slide along a wall.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "navigation/navigation.h"
#include "steering/arrival_places.h"
#include "steering/crowd_separation.h"
#include "steering/navigation_mode.h"
#include "steering_test_world.h"
#include "world/map_install.h"
#include "world/world_navigation.h"

namespace steering {
namespace {

using test::at;
using test::bareAgent;
using test::setCell;

constexpr double kCell = 256.0;
FixedVec centreOf(int column, int row) { return at(column * kCell + kCell / 2, row * kCell + kCell / 2); }
int columnOf(const Agent& a) { return a.placeCell % kPlaceSide; }
int rowOf(const Agent& a) { return a.placeCell / kPlaceSide; }

class CrowdRulesTest : public test::WorldTest {
protected:
    void SetUp() override { world.navigationMode = NavigationMode::Shortest; }
};

TEST_F(CrowdRulesTest, PlaceCellRoundsTowardMinusInfinityAndStopsAtTheAgentsPart) {
    EXPECT_EQ(placeCellOf(0, 0), 0);
    EXPECT_EQ(placeCellOf(255, 256), 1 * kPlaceSide + 0);
    EXPECT_EQ(placeCellOf(-1, 0), -1);       // column -1, not 0
    EXPECT_EQ(placeCellOf(0, -255), -1);     // row -1, not 0
    EXPECT_EQ(placeCellOf(128 * 256 - 1, 5 * 256), 5 * kPlaceSide + 127);
    EXPECT_EQ(placeCellOf(128 * 256, 0), -1);  // column 128: beyond the agents' cells
}

TEST_F(CrowdRulesTest, PlacesFillOutwardInSearchOrderAndAreNeverShared) {
    // Open ground; radius 100 fits every neighbour (0.9 x 200 = 180 < 256). The target's
    // cell first, then its four neighbours in the search's order: up, left, right, down.
    std::vector<Agent> agents(6, bareAgent(world, at(0, 0), FixedVec{}, 100.0));
    const FixedVec target = centreOf(40, 40);
    const int expected[6][2] = {{40, 40}, {40, 39}, {39, 40}, {41, 40}, {40, 41}, {40, 38}};
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(claimPlace(agents[static_cast<std::size_t>(i)], target));
        EXPECT_EQ(columnOf(agents[static_cast<std::size_t>(i)]), expected[i][0]) << i;
        EXPECT_EQ(rowOf(agents[static_cast<std::size_t>(i)]), expected[i][1]) << i;
        EXPECT_EQ(placeOwner(world, expected[i][0], expected[i][1]), &agents[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(agents[0].placePoint, centreOf(40, 40));
    // A released place is the next claimant's again; claiming anew releases the old one.
    releasePlace(agents[2]);
    EXPECT_EQ(placeOwner(world, 39, 40), nullptr);
    EXPECT_EQ(agents[2].placeCell, -1);
    Agent late = bareAgent(world, at(0, 0), FixedVec{}, 100.0);
    ASSERT_TRUE(claimPlace(late, target));
    EXPECT_EQ(late.placeCell, 40 * kPlaceSide + 39);
    ASSERT_TRUE(claimPlace(late, centreOf(10, 10)));
    EXPECT_EQ(placeOwner(world, 39, 40), nullptr);
    EXPECT_EQ(placeOwner(world, 10, 10), &late);
}

TEST_F(CrowdRulesTest, APlaceInTheTargetsOwnCellIsTheTargetItselfAndOthersKeepClearOfIt) {
    // Radius 150: places keep 0.9 x 300 = 270 apart. The target is the corner point of cell
    // (40, 40), 181 from the centres of the cells up and left of it (128 on each axis), so
    // those do not fit beside it; the cell to the right (384, 128 away: 405) and the one
    // below (128, 384: 405, and 362 from the right one's centre) do.
    std::vector<Agent> agents(3, bareAgent(world, at(0, 0), FixedVec{}, 150.0));
    const FixedVec target = at(40 * kCell, 40 * kCell);
    const int expected[3][2] = {{40, 40}, {41, 40}, {40, 41}};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(claimPlace(agents[static_cast<std::size_t>(i)], target));
        EXPECT_EQ(columnOf(agents[static_cast<std::size_t>(i)]), expected[i][0]) << i;
        EXPECT_EQ(rowOf(agents[static_cast<std::size_t>(i)]), expected[i][1]) << i;
    }
    EXPECT_EQ(agents[0].placePoint, target);
    EXPECT_EQ(agents[1].placePoint, centreOf(41, 40));
    EXPECT_EQ(agents[2].placePoint, centreOf(40, 41));
}

TEST_F(CrowdRulesTest, AnAgentLeavingThePopulationGivesItsPlaceBack) {
    Agent* first = world.agentList.add(bareAgent(world, at(0, 0), FixedVec{}, 100.0));
    Agent* second = world.agentList.add(bareAgent(world, at(0, 0), FixedVec{}, 100.0));
    ASSERT_TRUE(claimPlace(*first, centreOf(30, 30)));
    ASSERT_TRUE(claimPlace(*second, centreOf(30, 30)));
    ASSERT_EQ(placeOwner(world, 30, 29), second);
    world.agentList.remove(second);
    EXPECT_EQ(placeOwner(world, 30, 29), nullptr);
    world.agentList.removeFirst();
    EXPECT_EQ(placeOwner(world, 30, 30), nullptr);
}

TEST_F(CrowdRulesTest, PlacesKeepTheTwoRadiiAndTwoUnitsApartExactly) {
    // Neighbouring centres are 256 apart. Radii 127 and 127: 254 + 2 = 256, not nearer than
    // that, so the neighbour fits (agents standing there do not touch). Radii 128 and 127:
    // 257, so the four neighbours are too near and the next in order is two cells up.
    Agent first = bareAgent(world, at(0, 0), FixedVec{}, 127.0);
    Agent second = bareAgent(world, at(0, 0), FixedVec{}, 127.0);
    ASSERT_TRUE(claimPlace(first, centreOf(50, 50)));
    ASSERT_TRUE(claimPlace(second, centreOf(50, 50)));
    EXPECT_EQ(second.placeCell, 49 * kPlaceSide + 50);
    clearPlaces(world);
    Agent wide = bareAgent(world, at(0, 0), FixedVec{}, 128.0);
    ASSERT_TRUE(claimPlace(wide, centreOf(50, 50)));
    ASSERT_TRUE(claimPlace(second, centreOf(50, 50)));
    EXPECT_EQ(second.placeCell, 48 * kPlaceSide + 50);
}

TEST_F(CrowdRulesTest, PlacesKeepThreeQuartersOfTheRadiusOffWallsExactly) {
    // A wall cell left of the target: the target cell's centre is 128 from it. Radius 171:
    // 3/4 is 128, not nearer, so it fits; radius 172: 129, so the target cell is refused
    // and the first cell in order, the one above, fits (the wall is diagonal to it, at
    // 128 * sqrt(2) = 181 > 129).
    setCell(world, 29, 30, static_cast<uint8_t>(kWallType));
    Agent fits = bareAgent(world, at(0, 0), FixedVec{}, 171.0);
    ASSERT_TRUE(claimPlace(fits, centreOf(30, 30)));
    EXPECT_EQ(fits.placeCell, 30 * kPlaceSide + 30);
    releasePlace(fits);
    Agent tooWide = bareAgent(world, at(0, 0), FixedVec{}, 172.0);
    ASSERT_TRUE(claimPlace(tooWide, centreOf(30, 30)));
    EXPECT_EQ(tooWide.placeCell, 29 * kPlaceSide + 30);
}

TEST_F(CrowdRulesTest, PlaceSearchReachesNinetySixStepsAndNoFarther) {
    // A corridor of one row (row 60, columns 0..120) walled above and below: the cell at
    // step k from the target (column 0) is column k. With columns 0..95 claimed, the next
    // place is column 96, the farthest step searched; with that one claimed too, none.
    for (int c = 0; c < 128; ++c) {
        setCell(world, static_cast<uint32_t>(c), 59, static_cast<uint8_t>(kWallType));
        setCell(world, static_cast<uint32_t>(c), 61, static_cast<uint8_t>(kWallType));
    }
    setCell(world, 121, 60, static_cast<uint8_t>(kWallType));
    std::vector<Agent> agents(98, bareAgent(world, at(0, 0), FixedVec{}, 20.0));
    for (int i = 0; i < 96; ++i) ASSERT_TRUE(claimPlace(agents[static_cast<std::size_t>(i)], centreOf(0, 60))) << i;
    EXPECT_EQ(agents[95].placeCell, 60 * kPlaceSide + 95);
    ASSERT_TRUE(claimPlace(agents[96], centreOf(0, 60)));
    EXPECT_EQ(agents[96].placeCell, 60 * kPlaceSide + 96);
    EXPECT_FALSE(claimPlace(agents[97], centreOf(0, 60)));
    EXPECT_EQ(agents[97].placeCell, -1);
}

TEST_F(CrowdRulesTest, NoPlaceRoundATargetInAWallOrOutsideTheAgentsCells) {
    setCell(world, 20, 20, static_cast<uint8_t>(kWallType));
    setCell(world, 21, 20, static_cast<uint8_t>(kObstacleMarkerType));
    Agent agent = bareAgent(world, at(0, 0), FixedVec{}, 100.0);
    EXPECT_FALSE(claimPlace(agent, centreOf(20, 20)));
    EXPECT_FALSE(claimPlace(agent, centreOf(21, 20)));
    EXPECT_FALSE(claimPlace(agent, at(-10, 300)));
    EXPECT_FALSE(claimPlace(agent, at(-300, -1)));
    EXPECT_EQ(agent.placeCell, -1);
    // A target cell of another area: places only on that area's cells.
    setCell(world, 70, 70, 2);
    setCell(world, 70, 69, 2);
    Agent a = bareAgent(world, at(0, 0), FixedVec{}, 100.0), b = bareAgent(world, at(0, 0), FixedVec{}, 100.0),
          c = bareAgent(world, at(0, 0), FixedVec{}, 100.0);
    ASSERT_TRUE(claimPlace(a, centreOf(70, 70)));
    ASSERT_TRUE(claimPlace(b, centreOf(70, 70)));
    EXPECT_EQ(b.placeCell, 69 * kPlaceSide + 70);
    EXPECT_FALSE(claimPlace(c, centreOf(70, 70)));
}

// A wall of columns 50 to 50 + thickness - 1 across the agents' cells, with a door of rows
// 60 to 60 + width - 1, in a fresh world.
std::unique_ptr<World> wallWithDoor(int thickness, int width) {
    std::unique_ptr<World> fresh = test::freshWorld();
    fresh->navigationMode = NavigationMode::Shortest;
    for (int c = 50; c < 50 + thickness; ++c) {
        for (int r = 0; r < kPlaceSide; ++r) {
            if (r < 60 || r >= 60 + width) setCell(*fresh, static_cast<uint32_t>(c), static_cast<uint32_t>(r), static_cast<uint8_t>(kWallType));
        }
    }
    return fresh;
}

TEST(CrowdRulesDoorTest, NoPlaceInADoorAtMostFourWideThroughAWallAtMostThreeThick) {
    struct Case {
        int thick, wide, targetColumn, placeColumn;  // on row 61, radius 100
        const char* why;
    };
    const Case cases[] = {
        {1, 4, 50, 48,
         "four wide through a wall of one cell: the target and the cell above are the door, the "
         "cells beside it on both sides its approach, so the first place in order is two to the left"},
        {1, 5, 50, 50, "five wide: no door; the target cell is the place"},
        {3, 4, 52, 54,
         "three thick: (52, 61) has wide ground 3 cells to its left, so it is a door, and so are its "
         "neighbours up, left and down; the right one (53, 61) is open but the door's approach (128 "
         "units off it); (54, 61) is the first place"},
        {4, 4, 53, 53,
         "four thick: from (53, 61) the wide ground on the left is 4 cells away: a corridor's end, "
         "not a door, so the target cell is the place"},
    };
    for (const Case& c : cases) {
        const std::unique_ptr<World> world = wallWithDoor(c.thick, c.wide);
        Agent agent = bareAgent(*world, at(0, 0), FixedVec{}, 100.0);
        ASSERT_TRUE(claimPlace(agent, centreOf(c.targetColumn, 61))) << c.why;
        EXPECT_EQ(agent.placeCell, 61 * kPlaceSide + c.placeColumn) << c.why;
    }
}

TEST(CrowdRulesDoorTest, APlaceKeepsItsDiscOutOfADoorAndBeyondItHalfACellMore) {
    // Door of rows 60 to 63 through the one-cell wall of column 50 (x 12,800 to 13,056).
    {
        // Target (51, 61), beside the door on its own side: its centre is 128 units off the
        // door cell (50, 61), so a radius of 128 fits there and 129 does not; (51, 60) is as
        // near the door cell (50, 60), the door cell (50, 61) is no place, (52, 61) is next.
        const std::unique_ptr<World> world = wallWithDoor(1, 4);
        Agent fits = bareAgent(*world, at(0, 0), FixedVec{}, 128.0);
        ASSERT_TRUE(claimPlace(fits, centreOf(51, 61)));
        EXPECT_EQ(fits.placeCell, 61 * kPlaceSide + 51);
        releasePlace(fits);
        Agent wide = bareAgent(*world, at(0, 0), FixedVec{}, 129.0);
        ASSERT_TRUE(claimPlace(wide, centreOf(51, 61)));
        EXPECT_EQ(wide.placeCell, 61 * kPlaceSide + 52);
    }
    {
        // Target in the door (50, 61): both sides are beyond it, where a place keeps its
        // radius and 128 units off the door's cells. (49, 61) and (51, 61) are 128 off, (49,
        // 60) and (51, 60) too; (48, 61), 384 off, is the first in order that a radius of
        // 256 fits (384 = 256 + 128) and 257 does not.
        const std::unique_ptr<World> world = wallWithDoor(1, 4);
        Agent small = bareAgent(*world, at(0, 0), FixedVec{}, 100.0);
        ASSERT_TRUE(claimPlace(small, centreOf(50, 61)));
        EXPECT_EQ(small.placeCell, 61 * kPlaceSide + 48);
        releasePlace(small);
        Agent edge = bareAgent(*world, at(0, 0), FixedVec{}, 256.0);
        ASSERT_TRUE(claimPlace(edge, centreOf(50, 61)));
        EXPECT_EQ(edge.placeCell, 61 * kPlaceSide + 48);
        releasePlace(edge);
        Agent wider = bareAgent(*world, at(0, 0), FixedVec{}, 257.0);
        ASSERT_TRUE(claimPlace(wider, centreOf(50, 61)));
        EXPECT_NE(wider.placeCell, 61 * kPlaceSide + 48);
    }
}

TEST(CrowdRulesDoorTest, ADoneAgentPushedOffItsCellIntoADoorWalksBack) {
    // Radius 200, done at the target (51, 61) beside the door: 129 units west of the
    // target (well within one and a half radii) its centre is in the door cell (50, 61).
    const std::unique_ptr<World> world = wallWithDoor(1, 4);
    Agent agent = bareAgent(*world, at(0, 0), FixedVec{}, 200.0);
    agent.pathTarget = centreOf(51, 61);
    agent.place(centreOf(51, 61) - at(128, 0), FixedVec{});  // x 13,056: its own cell still
    EXPECT_FALSE(resumesAfterPush(agent));
    agent.place(centreOf(51, 61) - at(129, 0), FixedVec{});  // x 13,055: in the door
    EXPECT_TRUE(resumesAfterPush(agent));
    EXPECT_TRUE(inDoor(*world, 13055, 61 * 256));
    EXPECT_FALSE(inDoor(*world, 13056, 61 * 256));
    EXPECT_FALSE(inDoor(*world, 12900, 59 * 256));  // the wall beside it
    // Another cell that is no door, as far off: done still.
    agent.place(centreOf(51, 61) + at(129, 0), FixedVec{});
    EXPECT_FALSE(resumesAfterPush(agent));
    // Done at a target in the door itself (no place found round it): on its own cell it
    // stays done.
    agent.pathTarget = centreOf(50, 61);
    agent.place(centreOf(50, 61) + at(100, 0), FixedVec{});
    EXPECT_FALSE(resumesAfterPush(agent));
    agent.pathTarget = centreOf(51, 61);
    // Classic has no such rule.
    world->navigationMode = NavigationMode::Classic;
    agent.place(centreOf(51, 61) - at(129, 0), FixedVec{});
    EXPECT_FALSE(resumesAfterPush(agent));
}

TEST_F(CrowdRulesTest, CrowdRuleFiresAtHalfTheCrowdAndBelowTheStopSpeed) {
    Agent agent = bareAgent(world, at(1000, 1000), at(2.99, 0));
    EXPECT_TRUE(givesUpCrowdedWaypoint(agent, kFixedOne / 2));       // exactly half
    EXPECT_FALSE(givesUpCrowdedWaypoint(agent, kFixedOne / 2 - 1));  // just below
    agent.velocity = at(3, 0);                                        // exactly the stop speed
    EXPECT_FALSE(givesUpCrowdedWaypoint(agent, kFixedOne));
    agent.velocity = at(0, -2.99);
    EXPECT_TRUE(givesUpCrowdedWaypoint(agent, kFixedOne));
    world.navigationMode = NavigationMode::Classic;
    EXPECT_FALSE(givesUpCrowdedWaypoint(agent, kFixedOne));
}

TEST_F(CrowdRulesTest, StepIntoAWallSlidesAlongItInShortestModeOnly) {
    // Wall cell (11, 10); an agent at (2,800, 2,650) moving (+40, +30) would end in it at
    // (2,840, 2,680). Along x alone it stays in the wall, so it keeps the y part.
    setCell(world, 11, 10, static_cast<uint8_t>(kWallType));
    Agent agent = bareAgent(world, at(2800, 2650), at(40, 30));
    slideAlongWall(agent);
    EXPECT_EQ(agent.position, at(2800, 2680));
    EXPECT_EQ(agent.velocity, at(0, 30));
    // Moving (+30, +40) the longer part is y: (2,800, 2,690) is open (cell (10, 10)), so y.
    agent.place(at(2800, 2650), at(30, 40));
    slideAlongWall(agent);
    EXPECT_EQ(agent.position, at(2800, 2690));
    // Into a corner, both parts blocked: it stays and stops.
    setCell(world, 10, 11, static_cast<uint8_t>(kWallType));
    setCell(world, 11, 11, static_cast<uint8_t>(kWallType));
    agent.place(at(2800, 2800), at(40, 40));
    slideAlongWall(agent);
    EXPECT_EQ(agent.position, at(2800, 2800));
    EXPECT_EQ(agent.velocity, FixedVec{});
    // Classic keeps pressing: a whole update leaves the position where it was.
    world.navigationMode = NavigationMode::Classic;
    Agent classic = bareAgent(world, at(2800, 2650), at(40, 30));
    classic.update();
    EXPECT_EQ(classic.position, at(2800, 2650));
    world.navigationMode = NavigationMode::Shortest;
    Agent shortest = bareAgent(world, at(2800, 2650), at(40, 30));
    shortest.update();
    EXPECT_EQ(shortest.position, at(2800, 2680));
}

TEST_F(CrowdRulesTest, LineOfSightWalksCellsExactlyAndIsBlockedThroughAWallsCorner) {
    setCell(world, 11, 10, static_cast<uint8_t>(kWallType));  // x 2,816..3,071, y 2,560..2,815
    const GridMap& map = world.gridMap;
    EXPECT_FALSE(lineClearOfWalls(map, 2800, 2650, 3100, 2650));  // straight through (11, 10)
    EXPECT_TRUE(lineClearOfWalls(map, 2800, 2500, 3100, 2500));   // over it, row 9
    // From (11, 9) to (10, 10) exactly through the corner (2,816, 2,560): (11, 10) is beside
    // it, so blocked; one unit right the line enters (11, 10) itself; one unit left it goes
    // through (10, 9) and (10, 10) only.
    EXPECT_FALSE(lineClearOfWalls(map, 2916, 2460, 2716, 2660));
    EXPECT_FALSE(lineClearOfWalls(map, 2917, 2460, 2717, 2660));
    EXPECT_TRUE(lineClearOfWalls(map, 2915, 2460, 2715, 2660));
    // A line ending exactly on the wall's edge stays in its cell; one unit on, it is in.
    EXPECT_TRUE(lineClearOfWalls(map, 2600, 2600, 2816, 2600));
    EXPECT_FALSE(lineClearOfWalls(map, 2600, 2600, 2817, 2600));
    // Beyond the map is wall: column -1 from x = -1.
    EXPECT_FALSE(lineClearOfWalls(map, -1, 100, 100, 100));
    EXPECT_TRUE(lineClearOfWalls(map, 0, 100, 100, 100));
    EXPECT_FALSE(lineClearOfWalls(map, 100, 100, -300, 100));  // leaving it through column -1
}

TEST_F(CrowdRulesTest, AWaypointIsLeftForOneBehindAWallCornerOnlyFromCloseBy) {
    // Walls (21, 24) and (22, 25), as in the obstacle field where an agent once pressed
    // along (22, 25)'s lower edge for good: its path bends at (22, 26.5) below that cell and
    // then at the cell's corner (23, 26) itself (no clearance kept there).
    setCell(world, 21, 24, static_cast<uint8_t>(kWallType));
    setCell(world, 22, 25, static_cast<uint8_t>(kWallType));
    Agent agent = bareAgent(world, at(21.4 * kCell, 25.99 * kCell), FixedVec{}, 128.0);
    agent.pathCount = 3;
    agent.storedCount = 3;
    agent.waypointIndex = 0;
    agent.waypoints[0] = at(22 * kCell, 26.5 * kCell);
    agent.waypoints[1] = at(23 * kCell, 26 * kCell);
    agent.waypoints[2] = at(38 * kCell, 21 * kCell);
    // Within reach of (22, 26.5) (0.78 cells), but the line to (23, 26) runs through (22, 25).
    EXPECT_FALSE(mayLeaveWaypoint(agent, agent.waypoints[0] - agent.position));
    // From (21.6, 26.2), 0.5 cells off the waypoint, the line ends on the corner from below.
    agent.position = at(21.6 * kCell, 26.2 * kCell);
    EXPECT_TRUE(mayLeaveWaypoint(agent, agent.waypoints[0] - agent.position));
    // Exactly half the radius (64 units) off the waypoint it leaves whatever the line; one
    // unit farther it does not.
    agent.position = at(22 * kCell - 64, 26.5 * kCell);
    setCell(world, 22, 26, static_cast<uint8_t>(kWallType));  // now the line is blocked
    EXPECT_TRUE(mayLeaveWaypoint(agent, agent.waypoints[0] - agent.position));
    agent.position = at(22 * kCell - 65, 26.5 * kCell);
    EXPECT_FALSE(mayLeaveWaypoint(agent, agent.waypoints[0] - agent.position));
    // For the path's last point (target or place) and from the last stored waypoint (the
    // rest is planned from there) it is always left; Classic never asks.
    agent.waypointIndex = 1;
    EXPECT_TRUE(mayLeaveWaypoint(agent, agent.waypoints[1] - agent.position));
    agent.waypointIndex = 0;
    agent.pathCount = 4;
    EXPECT_FALSE(mayLeaveWaypoint(agent, agent.waypoints[0] - agent.position));
    agent.waypointIndex = 2;
    EXPECT_TRUE(mayLeaveWaypoint(agent, agent.waypoints[2] - agent.position));
    agent.waypointIndex = 0;
    world.navigationMode = NavigationMode::Classic;
    EXPECT_TRUE(mayLeaveWaypoint(agent, agent.waypoints[0] - agent.position));
}

TEST_F(CrowdRulesTest, PairsCloserThanSevenTenthsOfTheirRadiiPartNeverIntoAWall) {
    // Radii 100: kept 140 apart. A at x = 5,000, B 100 to its right: A steps back by half the
    // shortfall, 20 (to 4,980); then B, 120 from A, by half of 20 (to 5,110).
    const double y = 10.5 * kCell;
    Agent* a = world.agentList.add(bareAgent(world, at(5000, y), FixedVec{}, 100.0));
    Agent* b = world.agentList.add(bareAgent(world, at(5100, y), FixedVec{}, 100.0));
    separateCrowd(world);
    EXPECT_EQ(a->position, at(4980, y));
    EXPECT_EQ(b->position, at(5110, y));
    // 130 apart: A steps back 5 (to 4,975), B then 135 from it by 2.5 (to 5,112.5).
    separateCrowd(world);
    EXPECT_EQ(a->position, at(4975, y));
    EXPECT_EQ(b->position, at(5112.5, y));
    // Exactly 140 apart: nobody moves.
    test::moveTo(world, *a, at(4972.5, y));
    separateCrowd(world);
    EXPECT_EQ(a->position, at(4972.5, y));
    EXPECT_EQ(b->position, at(5112.5, y));
    // A wall cell where A would step (column 19 ends at x = 5,120; A at 5,130, B at 5,230):
    // A stays, B alone steps by half of 40.
    setCell(world, 19, 10, static_cast<uint8_t>(kWallType));
    a->position = at(5130, y);
    b->position = at(5230, y);
    world.neighbourGrid.moveAgent(a, at(4972.5, y), a->position, a->radius);
    world.neighbourGrid.moveAgent(b, at(5112.5, y), b->position, b->radius);
    separateCrowd(world);
    EXPECT_EQ(a->position, at(5130, y));
    EXPECT_EQ(b->position, at(5250, y));
    // B arrived (done, with a path): it holds its ground, and A, 100 from it on open ground,
    // is not parted from it either (the crowd round arrived agents is left to steering).
    b->pathDone = true;
    b->pathCount = 1;
    const FixedVec aWas = a->position;
    a->position = at(5350, y);
    world.neighbourGrid.moveAgent(a, aWas, a->position, a->radius);
    separateCrowd(world);
    EXPECT_EQ(b->position, at(5250, y));
    EXPECT_EQ(a->position, at(5350, y));
    b->pathDone = false;
    b->pathCount = 0;
    // Classic never separates.
    world.navigationMode = NavigationMode::Classic;
    test::moveTo(world, *a, at(5130, y));
    test::moveTo(world, *b, at(5150, y));
    separateCrowd(world);
    EXPECT_EQ(a->position, at(5130, y));
    EXPECT_EQ(b->position, at(5150, y));
}

TEST_F(CrowdRulesTest, TheStepPartsPairsInShortestPathsOnly) {
    // The same pair as above, standing still, stepped as the program steps them: in Shortest
    // paths the step ends with the correction (A to 4,980, B to 5,110); in Classic nobody
    // moves.
    const double y = 10.5 * kCell;
    Agent* a = world.agentList.add(bareAgent(world, at(5000, y), FixedVec{}, 100.0));
    Agent* b = world.agentList.add(bareAgent(world, at(5100, y), FixedVec{}, 100.0));
    world.navigationMode = NavigationMode::Classic;
    world.agentList.updateAll();
    EXPECT_EQ(a->position, at(5000, y));
    EXPECT_EQ(b->position, at(5100, y));
    world.navigationMode = NavigationMode::Shortest;
    world.agentList.updateAll();
    EXPECT_EQ(a->position, at(4980, y));
    EXPECT_EQ(b->position, at(5110, y));
}

TEST_F(CrowdRulesTest, PushesOfSeveralNeighboursAreCutToTheRadiusAndNeverCrossAOneCellWall) {
    // Radii 200: kept 280 apart. A stands 10 east of the one-cell wall of column 50 (x 12,800
    // to 13,056), three neighbours on one point 20 east of it: each pushes it west by half
    // the shortfall, (280 - 20) / 2 = 130, together 390, which would end at x = 12,676 in
    // the open column 49 beyond the wall. Its line crosses the wall: A stays.
    const double y = 10.5 * kCell;
    for (uint32_t r = 5; r <= 15; ++r) setCell(world, 50, r, static_cast<uint8_t>(kWallType));
    Agent* a = world.agentList.add(bareAgent(world, at(13066, y), FixedVec{}, 200.0));
    for (int i = 0; i < 3; ++i) world.agentList.add(bareAgent(world, at(13086, y), FixedVec{}, 200.0));
    separateFromNeighbours(*a);
    EXPECT_EQ(a->position, at(13066, y));
    // Two neighbours push it 260, to x = 12,806 in the wall itself: A stays as well.
    world.agentList.remove(&*std::next(world.agentList.begin()));
    separateFromNeighbours(*a);
    EXPECT_EQ(a->position, at(13066, y));
    // From the west: B 80 west of A (x 12,700) pushes it east by (280 - 80) / 2 = 100, to
    // x = 12,800 exactly, the wall's first unit: A stays. 81 west of it, 99.5, it moves.
    {
        const std::unique_ptr<World> side = test::freshWorld();
        side->navigationMode = NavigationMode::Shortest;
        for (uint32_t r = 5; r <= 15; ++r) setCell(*side, 50, r, static_cast<uint8_t>(kWallType));
        Agent* west = side->agentList.add(bareAgent(*side, at(12700, y), FixedVec{}, 200.0));
        Agent* pusher = side->agentList.add(bareAgent(*side, at(12620, y), FixedVec{}, 200.0));
        separateFromNeighbours(*west);
        EXPECT_EQ(west->position, at(12700, y));
        side->neighbourGrid.moveAgent(pusher, pusher->position, at(12619, y), pusher->radius);
        pusher->position = at(12619, y);
        separateFromNeighbours(*west);
        EXPECT_EQ(west->position, at(12799.5, y));
    }
    // Without the wall the three would carry it 390: the sum is cut to its radius, 200.
    world.agentList.add(bareAgent(world, at(13086, y), FixedVec{}, 200.0));
    for (uint32_t r = 5; r <= 15; ++r) setCell(world, 50, r, 0);
    separateFromNeighbours(*a);
    EXPECT_EQ(a->position, at(12866, y));
    // 400 neighbours on one point 20 west of an agent push it 400 x 130 = 52,000 units east
    // (whose square in raw units is past 2^63: the length is taken on components halved
    // below 2^30): cut to 200 as well.
    {
        const std::unique_ptr<World> open = test::freshWorld();
        open->navigationMode = NavigationMode::Shortest;
        Agent* pushed = open->agentList.add(bareAgent(*open, at(20020, y), FixedVec{}, 200.0));
        for (int i = 0; i < 400; ++i) open->agentList.add(bareAgent(*open, at(20000, y), FixedVec{}, 200.0));
        separateFromNeighbours(*pushed);
        EXPECT_EQ(pushed->position, at(20220, y));
    }
}

TEST_F(CrowdRulesTest, APushNeverCutsAWallCellsCorner) {
    // Wall cell (41, 41): x and y 10,496 to 10,751. A at (10,490, 10,530), in cell (40, 41),
    // B 10 west and 10 south of it (radii 100, kept 140): A is pushed about 44.5 east and
    // 44.5 north, to about (10,534.5, 10,485.5) in the open cell (41, 40); its line crosses
    // x = 10,496 at y of about 10,524, inside the wall cell. The whole push is refused, its
    // part along x too (it ends in the wall); its part along y alone is taken.
    setCell(world, 41, 41, static_cast<uint8_t>(kWallType));
    Agent* a = world.agentList.add(bareAgent(world, at(10490, 10530), FixedVec{}, 100.0));
    world.agentList.add(bareAgent(world, at(10480, 10540), FixedVec{}, 100.0));
    separateFromNeighbours(*a);
    EXPECT_EQ(a->position.x, at(10490, 0).x);
    EXPECT_GT(a->position.y, at(0, 10485).y);
    EXPECT_LT(a->position.y, at(0, 10486).y);
}

TEST(FloorSquareRootTest, ExactAtSquaresAndJustBelowThemOverTheWholeRange) {
    EXPECT_EQ(floorSquareRoot(0), 0u);
    EXPECT_EQ(floorSquareRoot(1), 1u);
    EXPECT_EQ(floorSquareRoot(3), 1u);
    EXPECT_EQ(floorSquareRoot(4), 2u);
    // Past 2^53 a square less one rounds up to the square in a double, and some squares
    // round below themselves: the checks after the double root settle both.
    for (const uint64_t k : {uint64_t{3037000499}, uint64_t{(1u << 27) + 1}, uint64_t{0xFFFFFFFEu}, kRootLimit}) {
        const uint64_t square = k * k;
        EXPECT_EQ(floorSquareRoot(square), k) << k;
        EXPECT_EQ(floorSquareRoot(square - 1), k - 1) << k;
    }
    EXPECT_EQ(floorSquareRoot(UINT64_MAX), kRootLimit);
    uint64_t seed = 7;
    for (int i = 0; i < 2000; ++i) {
        seed = seed * 6364136223846793005u + 1442695040888963407u;
        const uint64_t x = seed >> (i % 40);
        const uint64_t r = floorSquareRoot(x);
        ASSERT_LE(r * r, x) << x;
        if (r < kRootLimit) {
            ASSERT_GT((r + 1) * (r + 1), x) << x;
        }
    }
}

TEST_F(CrowdRulesTest, CorrectionFindsEveryNeighbourABruteForceScanFinds) {
    // A packed crowd of radii 75 to 225 on open ground: each agent's push, worked out over
    // every other agent of the population, equals the correction's, which looks only in the
    // grid cells near the agent.
    uint32_t seed = 12345;
    auto next = [&seed](uint32_t range) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % range;
    };
    std::vector<Agent*> crowd;
    for (int i = 0; i < 80; ++i) {
        const double radius = 75.0 + next(151);
        crowd.push_back(world.agentList.add(
            bareAgent(world, at(20000.0 + next(2400), 20000.0 + next(2400)), FixedVec{}, radius)));
    }
    crowd[3]->pathDone = true;  // one stands where it arrived: nobody is parted from it
    crowd[3]->pathCount = 1;
    int moved = 0;
    for (Agent* a : crowd) {
        int64_t pushX = 0, pushY = 0;
        for (const Agent* b : crowd) {
            if (b == a || (b->pathDone && b->pathCount > 0)) continue;
            const int64_t dx = int64_t{a->position.x} - b->position.x, dy = int64_t{a->position.y} - b->position.y;
            const int64_t keep = (int64_t{a->radius} + b->radius) * 7 / 10;
            if (dx * dx + dy * dy >= keep * keep) continue;
            int64_t d = static_cast<int64_t>(std::sqrt(static_cast<double>(dx * dx + dy * dy)));
            while (d * d > dx * dx + dy * dy) --d;
            while ((d + 1) * (d + 1) <= dx * dx + dy * dy) ++d;
            if (d == 0) continue;
            pushX += dx * ((keep - d) / 2) / d;
            pushY += dy * ((keep - d) / 2) / d;
        }
        const FixedVec expected = a->pathDone && a->pathCount > 0
                                      ? a->position
                                      : a->position + FixedVec{static_cast<Fixed>(pushX), static_cast<Fixed>(pushY)};
        separateFromNeighbours(*a);
        EXPECT_EQ(a->position, expected);
        moved += pushX != 0 || pushY != 0 ? 1 : 0;
    }
    EXPECT_GT(moved, 40);  // the crowd is packed: most agents are pushed
}

TEST_F(CrowdRulesTest, SeparationNeverCarriesAnAgentOffTheMap) {
    const double y = 30.5 * kCell;
    // A at x = 30 (column 0), B 50 to its right: A's step of 45 would end at x = -15, beyond
    // the map, so A stays; B then steps the same 45 away (to 125).
    Agent* a = world.agentList.add(bareAgent(world, at(30, y), FixedVec{}, 100.0));
    Agent* b = world.agentList.add(bareAgent(world, at(80, y), FixedVec{}, 100.0));
    separateCrowd(world);
    EXPECT_EQ(a->position, at(30, y));
    EXPECT_EQ(b->position, at(125, y));
}

// The nearest-ground rule on maps of our own: the navigation built over the test's cells,
// an agent standing where no path can start, sent to cell (40, 18) of open ground.
class NearestGroundTest : public CrowdRulesTest {
protected:
    void fill(int c0, int c1, int r0, int r1, uint8_t type) {
        for (int r = r0; r <= r1; ++r) {
            for (int c = c0; c <= c1; ++c) setCell(world, static_cast<uint32_t>(c), static_cast<uint32_t>(r), type);
        }
    }
    // The agent's first waypoint after planning from `from`, or (-1, -1) with no path.
    FixedVec firstWaypoint(FixedVec from) {
        world.navMesh.linkRule = sameCellType;
        EXPECT_TRUE(nav::buildNavigation(world.navMesh, world.gridMap.cells()));
        Agent agent = bareAgent(world, from, FixedVec{}, 100.0);
        agent.setTarget(centreOf(40, 18));
        if (agent.pathDone) return at(-1, -1);
        return FixedVec{toFixed(toWhole(agent.waypoints[0].x)), toFixed(toWhole(agent.waypoints[0].y))};
    }
};

TEST_F(NearestGroundTest, GroundEightRingsAwayIsFoundNineIsNot) {
    // A patch of area 2 over columns and rows 11 to 25 round the agent's cell (18, 18): ground
    // first in ring 8. Nearest to the centre (4,736, 4,736): cell (26, 18) at x = 6,657
    // (1,921 away; column 10's point 2,814 is 1,922 away), the first of the equal ones in
    // the row-by-row scan.
    fill(11, 25, 11, 25, 2);
    EXPECT_EQ(firstWaypoint(centreOf(18, 18)), at(6657, 4736));
    // Columns and rows 10 to 26: ring 8 is all area 2, ring 9 is beyond the search.
    fill(10, 26, 10, 26, 2);
    EXPECT_EQ(firstWaypoint(centreOf(18, 18)), at(-1, -1));
}

TEST_F(NearestGroundTest, AFirstRingThatCannotReachTheTargetIsPassedOver) {
    // The agent's cell (20, 20) is area 2; ring 1 open ground closed in by ring 2 of walls;
    // ring 3 open and joined to the target. Nearest in ring 3 to (5,248, 5,248): (23, 20)
    // at x = 5,889 (641 away; (17, 20) at 4,606 is 642), before (20, 23) in the scan.
    fill(18, 22, 18, 22, static_cast<uint8_t>(kWallType));
    fill(19, 21, 19, 21, 0);
    setCell(world, 20, 20, 2);
    EXPECT_EQ(firstWaypoint(centreOf(20, 20)), at(5889, 5248));
}

TEST_F(NearestGroundTest, ANegativeCoordinateSearchesFromColumnMinusOne) {
    // At x = -100 the agent's cell is column -1 (not 0): ring 1 holds (0, 17..19), and the
    // point of (0, 18) nearest the agent is (1, 4,736). Rounded toward zero the search
    // would centre on (0, 18) and take (0, 19)'s point (1, 4,865).
    EXPECT_EQ(firstWaypoint(at(-100, 4736)), at(1, 4736));
}

TEST_F(CrowdRulesTest, AStepIntoAWallsCornerWithEqualPartsSlidesAlongX) {
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
