// Settling at a place round a shared target, worked out by hand on an open map: the steps
// without progress before an agent settles, what counts as progress, the distance within
// which it has arrived, the distance within which it takes a free cell next to it, and the
// swap of two agents each standing in the other's place.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "steering/arrival_places.h"
#include "steering/navigation_mode.h"
#include "steering_test_world.h"

namespace steering {
namespace {

using test::at;
using test::bareAgent;

constexpr double kCell = 256.0;
FixedVec centreOf(int column, int row) { return at(column * kCell + kCell / 2, row * kCell + kCell / 2); }
int cellOf(int column, int row) { return row * kPlaceSide + column; }

class PlaceSettlingTest : public test::WorldTest {
protected:
    void SetUp() override { world.navigationMode = NavigationMode::Shortest; }

    // Steps of an agent standing still until it settles (at most `limit`): the step count
    // and what it did then.
    static std::pair<int, Settling> stepsToSettle(Agent& agent, FixedVec target, int limit = 200) {
        for (int step = 1; step <= limit; ++step) {
            const Settling s = settleNearPlace(agent, target);
            if (s != Settling::Walking) return {step, s};
        }
        return {limit + 1, Settling::Walking};
    }
};

TEST_F(PlaceSettlingTest, StandingStillWithinOneAndAHalfRadiiArrivesOnTheFortySixthStep) {
    // Radius 100, place at the target (its own cell): the first step sets the best
    // distance, the next 45 make no progress, the 45th of them settles.
    const FixedVec target = centreOf(50, 50);
    Agent agent = bareAgent(world, target + at(150, 0), FixedVec{}, 100.0);  // exactly 1.5 radii
    ASSERT_TRUE(claimPlace(agent, target));
    EXPECT_EQ(stepsToSettle(agent, target), std::make_pair(46, Settling::Arrived));
    // Still held there, it counts again from the start.
    EXPECT_EQ(stepsToSettle(agent, target), std::make_pair(45, Settling::Arrived));

    // One unit farther it is not there: it takes the free cell nearest the target next to
    // the one it stands in (row 51), which is its own place again, and walks on.
    clearPlaces(world);
    Agent farther = bareAgent(world, target + at(0, 151), FixedVec{}, 100.0);
    ASSERT_TRUE(claimPlace(farther, target));
    EXPECT_EQ(stepsToSettle(farther, target, 46).second, Settling::Walking);
    EXPECT_EQ(farther.placeCell, cellOf(50, 50));
    EXPECT_EQ(placeOwner(world, 50, 50), &farther);
}

TEST_F(PlaceSettlingTest, ProgressIsComingNearerThanTheBestByMoreThanAnEighthOfTheRadius) {
    const FixedVec target = centreOf(50, 50);
    Agent agent = bareAgent(world, target + at(120, 0), FixedVec{}, 100.0);
    ASSERT_TRUE(claimPlace(agent, target));
    for (int step = 0; step < 45; ++step) ASSERT_EQ(settleNearPlace(agent, target), Settling::Walking) << step;
    // 44 steps without progress so far. Nearer by exactly 12.5 (an eighth): no progress,
    // so this 45th step settles.
    agent.place(target + at(107.5, 0), FixedVec{});
    EXPECT_EQ(settleNearPlace(agent, target), Settling::Arrived);

    Agent other = bareAgent(world, target + at(0, 120), FixedVec{}, 100.0);
    ASSERT_TRUE(claimPlace(other, centreOf(70, 70)));
    other.place(centreOf(70, 70) + at(0, 120), FixedVec{});
    for (int step = 0; step < 45; ++step) ASSERT_EQ(settleNearPlace(other, centreOf(70, 70)), Settling::Walking);
    // Nearer by one unit more than an eighth: progress, the count starts again.
    other.place(centreOf(70, 70) + at(0, 106.5), FixedVec{});
    EXPECT_EQ(stepsToSettle(other, centreOf(70, 70)), std::make_pair(46, Settling::Arrived));
}

TEST_F(PlaceSettlingTest, AnAgentHeldInADoorDoesNotSettleThere) {
    // A wall along row 30 with a one-cell door at column 50. Radius 100, place at the target
    // in cell (50, 29) (its disc stays 128 off the door's cell). 140 below the place point
    // the agent stands in the door: within one and a half radii, but it does not arrive
    // there; 140 above, it does.
    for (int c = 0; c < 128; ++c) {
        if (c != 50) test::setCell(world, static_cast<uint32_t>(c), 30, static_cast<uint8_t>(kWallType));
    }
    const FixedVec target = centreOf(50, 29);
    ASSERT_TRUE(inDoor(world, 50 * 256 + 128, 30 * 256 + 12));
    Agent inTheDoor = bareAgent(world, target + at(0, 140), FixedVec{}, 100.0);
    ASSERT_TRUE(claimPlace(inTheDoor, target));
    ASSERT_EQ(inTheDoor.placeCell, cellOf(50, 29));
    EXPECT_EQ(stepsToSettle(inTheDoor, target, 46).second, Settling::Walking);
    inTheDoor.place(target - at(0, 140), FixedVec{});
    EXPECT_EQ(stepsToSettle(inTheDoor, target), std::make_pair(46, Settling::Arrived));
}

TEST_F(PlaceSettlingTest, HeldWithinThreeRadiiTakesTheFreeCellNextToItNearestTheTarget) {
    // Radius 200, place at the target in cell (50, 50), held 600 (three radii) east in cell
    // (52, 50): of the cells next to it, (51, 50) is the first the search from the target
    // reaches, and it is free.
    const FixedVec target = centreOf(50, 50);
    Agent agent = bareAgent(world, target + at(600, 0), FixedVec{}, 200.0);
    ASSERT_TRUE(claimPlace(agent, target));
    EXPECT_EQ(stepsToSettle(agent, target), std::make_pair(46, Settling::Moved));
    EXPECT_EQ(agent.placeCell, cellOf(51, 50));
    EXPECT_EQ(agent.placePoint, centreOf(51, 50));
    EXPECT_EQ(placeOwner(world, 51, 50), &agent);
    EXPECT_EQ(placeOwner(world, 50, 50), nullptr);

    // One unit farther (still in cell 52): it keeps its place and walks on.
    clearPlaces(world);
    Agent far = bareAgent(world, target + at(601, 0), FixedVec{}, 200.0);
    ASSERT_TRUE(claimPlace(far, target));
    EXPECT_EQ(stepsToSettle(far, target).second, Settling::Walking);
    EXPECT_EQ(far.placeCell, cellOf(50, 50));
    EXPECT_EQ(placeOwner(world, 50, 50), &far);
}

TEST_F(PlaceSettlingTest, HeldNextToOnlyClaimedCellsKeepsItsPlace) {
    // Radius 200, place at the target (50, 50), held 512 east in cell (52, 50). Thirteen
    // small agents sent to (52, 50) claim every cell within two steps of it but (50, 50):
    // all nine cells round the agent. Nothing next to it is free: it keeps its place.
    const FixedVec target = centreOf(50, 50);
    Agent agent = bareAgent(world, centreOf(52, 50), FixedVec{}, 200.0);
    ASSERT_TRUE(claimPlace(agent, target));
    std::vector<Agent> others(13, bareAgent(world, centreOf(52, 50), FixedVec{}, 20.0));
    for (Agent& o : others) ASSERT_TRUE(claimPlace(o, centreOf(52, 50)));
    for (int r = 49; r <= 51; ++r) {
        for (int c = 51; c <= 53; ++c) ASSERT_NE(placeOwner(world, c, r), nullptr) << c << " " << r;
    }
    EXPECT_EQ(stepsToSettle(agent, target, 46).second, Settling::Walking);
    EXPECT_EQ(agent.placeCell, cellOf(50, 50));
    EXPECT_EQ(agent.placePoint, target);
    EXPECT_EQ(placeOwner(world, 50, 50), &agent);
    EXPECT_EQ(placeOwner(world, 52, 50), &others[0]);
}

TEST_F(PlaceSettlingTest, TwoAgentsStandingInEachOthersPlaceSwap) {
    const FixedVec target = centreOf(50, 50);
    Agent* a = world.agentList.add(bareAgent(world, target, FixedVec{}, 100.0));
    Agent* b = world.agentList.add(bareAgent(world, target, FixedVec{}, 100.0));
    a->pathTarget = b->pathTarget = target;
    ASSERT_TRUE(claimPlace(*a, target));
    ASSERT_TRUE(claimPlace(*b, target));
    ASSERT_EQ(b->placeCell, cellOf(50, 49));
    // a stands in b's cell, b in a's: after a's 45 steps without progress they swap.
    a->place(centreOf(50, 49), FixedVec{});
    b->place(target + at(0, 20), FixedVec{});
    EXPECT_EQ(stepsToSettle(*a, target), std::make_pair(46, Settling::Moved));
    EXPECT_EQ(a->placeCell, cellOf(50, 49));
    EXPECT_EQ(b->placeCell, cellOf(50, 50));
    EXPECT_EQ(b->placePoint, target);
    EXPECT_EQ(placeOwner(world, 50, 49), a);
    EXPECT_EQ(placeOwner(world, 50, 50), b);

    // b one cell off a's place (in cell (51, 50)): no swap; a takes the free cell next to
    // it nearest the target, which is its own place again.
    clearPlaces(world);
    a->place(target, FixedVec{});
    ASSERT_TRUE(claimPlace(*a, target));
    ASSERT_TRUE(claimPlace(*b, target));
    a->place(centreOf(50, 49), FixedVec{});
    b->place(centreOf(51, 50), FixedVec{});
    EXPECT_EQ(stepsToSettle(*a, target, 46).second, Settling::Walking);
    EXPECT_EQ(a->placeCell, cellOf(50, 50));
    EXPECT_EQ(b->placeCell, cellOf(50, 49));

    // An agent of another target standing in a's place: no swap either.
    clearPlaces(world);
    a->place(target, FixedVec{});
    ASSERT_TRUE(claimPlace(*a, target));
    ASSERT_TRUE(claimPlace(*b, target));
    b->pathTarget = centreOf(10, 10);
    a->place(centreOf(50, 49), FixedVec{});
    b->place(target, FixedVec{});
    EXPECT_EQ(stepsToSettle(*a, target, 46).second, Settling::Walking);
    EXPECT_EQ(a->placeCell, cellOf(50, 50));
    EXPECT_EQ(b->placeCell, cellOf(50, 49));
}

// A room of columns 41 to 59 and rows 41 to 59 (walls one cell thick) whose one door is the
// cell (60, 50) of its east wall; the target is in the room.
class HeldInAFullRoomTest : public PlaceSettlingTest {
protected:
    void SetUp() override {
        PlaceSettlingTest::SetUp();
        for (uint32_t k = 40; k <= 60; ++k) {
            for (uint32_t wall : {40u, 60u}) {
                test::setCell(world, k, wall, static_cast<uint8_t>(kWallType));
                if (k != 50 || wall != 60) test::setCell(world, wall, k, static_cast<uint8_t>(kWallType));
            }
        }
    }
    const FixedVec target = centreOf(45, 50);
    const FixedVec outside = centreOf(70, 50);

    // Steps on the way (off the last waypoint) of an agent standing still until it does
    // something else than walk on, at most `limit`.
    static int stepsToStay(Agent& agent, FixedVec target, int limit) {
        for (int step = 1; step <= limit; ++step) {
            if (settleNearPlace(agent, target, false) != Settling::Walking) return step;
        }
        return limit + 1;
    }
};

TEST_F(HeldInAFullRoomTest, HeldThreeWindowsInTheRoomWithItsPlaceOutsideItStaysWhereItStands) {
    ASSERT_TRUE(inDoor(world, 60 * 256 + 128, 50 * 256 + 128));
    Agent agent = bareAgent(world, centreOf(55, 50) + at(10, 20), FixedVec{}, 100.0);
    ASSERT_TRUE(claimPlace(agent, outside));
    ASSERT_EQ(agent.placeCell, cellOf(70, 50));
    // The first step sets the best distance; two windows of 45 steps are not enough.
    EXPECT_EQ(stepsToStay(agent, target, 1 + 2 * 45), 1 + 2 * 45 + 1);
    EXPECT_EQ(agent.placeCell, cellOf(70, 50));
    // The third window ends on step 136: the cell it stands in is its place.
    Agent again = bareAgent(world, centreOf(55, 50) + at(10, 20), FixedVec{}, 100.0);
    clearPlaces(world);
    ASSERT_TRUE(claimPlace(again, outside));
    EXPECT_EQ(stepsToStay(again, target, 400), 136);
    EXPECT_EQ(again.placeCell, cellOf(55, 50));
    EXPECT_EQ(again.placePoint, centreOf(55, 50) + at(10, 20));
    EXPECT_EQ(placeOwner(world, 55, 50), &again);
    EXPECT_EQ(placeOwner(world, 70, 50), nullptr);
}

TEST_F(HeldInAFullRoomTest, ComingNearerStartsTheWindowsAgain) {
    Agent agent = bareAgent(world, centreOf(55, 50), FixedVec{}, 100.0);
    ASSERT_TRUE(claimPlace(agent, outside));
    EXPECT_EQ(stepsToStay(agent, target, 120), 121);
    // Nearer by one unit more than an eighth of its radius: three windows again from here.
    agent.place(centreOf(55, 50) + at(13.5, 0), FixedVec{});
    EXPECT_EQ(stepsToStay(agent, target, 400), 136);
}

TEST_F(HeldInAFullRoomTest, NoStayOutsideTheRoomInItsDoorInAClaimedCellOrWithItsPlaceInTheRoom) {
    // Beyond the door, in the door, in a cell another agent claimed, or with its place in
    // the room itself: held as long, it walks on and keeps its place.
    Agent beyond = bareAgent(world, centreOf(63, 50), FixedVec{}, 100.0);
    ASSERT_TRUE(claimPlace(beyond, outside));
    Agent inTheDoor = bareAgent(world, centreOf(60, 50), FixedVec{}, 100.0);
    ASSERT_TRUE(claimPlace(inTheDoor, centreOf(70, 45)));
    Agent owner = bareAgent(world, centreOf(52, 45), FixedVec{}, 100.0);
    ASSERT_TRUE(claimPlace(owner, centreOf(52, 45)));
    Agent onAClaim = bareAgent(world, centreOf(52, 45), FixedVec{}, 100.0);
    ASSERT_TRUE(claimPlace(onAClaim, centreOf(70, 55)));
    Agent placedInside = bareAgent(world, centreOf(55, 55), FixedVec{}, 100.0);
    ASSERT_TRUE(claimPlace(placedInside, centreOf(44, 44)));
    for (Agent* a : {&beyond, &inTheDoor, &onAClaim, &placedInside}) {
        const int place = a->placeCell;
        EXPECT_EQ(stepsToStay(*a, target, 1000), 1001);
        EXPECT_EQ(a->placeCell, place);
    }
}

}  // namespace
}  // namespace steering
