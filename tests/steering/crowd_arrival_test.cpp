// Crowds sent into the room of resources/maptest.raw (rows 18 to 27, columns 21 to 36, its
// door to the east), scored by where the agents stand, not by their flags: in the
// shortest-paths mode a crowd of half the room's capacity ends inside it, every agent done
// there; two groups crossing its door in opposite directions both get through; an agent
// pushed into another area's patch walks back out and arrives.
#include <gtest/gtest.h>

#include "navigation/navigation.h"
#include "steering/arrival_places.h"
#include "steering/behaviour.h"
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

class CrowdArrivalTest : public test::WorldTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(world.gridMap.load(STEERING_RESOURCE_DIR "/maptest.raw"));
        extractObstacles(world);
        world.navMesh.linkRule = sameCellType;
        ASSERT_TRUE(nav::buildNavigation(world.navMesh, world.gridMap.cells()));
        setNavigationMode(world, NavigationMode::Shortest);
    }
    void run(int frames) {
        for (int frame = 0; frame < frames; ++frame) world.agentList.updateAll();
    }
};

TEST_F(CrowdArrivalTest, HalfTheRoomsCapacityEndsInsideEveryAgentDoneThere) {
    // 15 agents (the room holds about 30) inserted north-east of the door, sent to cell (33, 23).
    for (int i = 0; i < 3; ++i) insertFive(at(cellCentre(40), cellCentre(16)));
    world.agentList.setTargetAll(at(cellCentre(33), cellCentre(23)));
    run(1500);
    int inside = 0, done = 0;
    for (const Agent& a : world.agentList) {
        inside += insideRoom(a) ? 1 : 0;
        done += a.pathDone ? 1 : 0;
        if (a.pathDone) {
            EXPECT_TRUE(insideRoom(a)) << toWhole(a.position.x) << " " << toWhole(a.position.y);
        }
    }
    EXPECT_EQ(inside, 15);
    EXPECT_EQ(done, 15);
}

// Where a standing agent is in the way of the room's two openings: in the door (columns 36,
// rows 21 to 24; row 18, columns 23 to 26) or in the strip just outside it (column 37, rows
// 20 to 25; row 17, columns 22 to 27).
bool blocksADoor(const Agent& a) {
    const int column = toWhole(a.position.x) / 256, row = toWhole(a.position.y) / 256;
    const bool east = (column == 36 && row >= 21 && row <= 24) || (column == 37 && row >= 20 && row <= 25);
    const bool north = (row == 18 && column >= 23 && column <= 26) || (row == 17 && column >= 22 && column <= 27);
    return east || north;
}

TEST_F(CrowdArrivalTest, TwiceWhatTheRoomHoldsFillsItAndLeavesItsDoorsClear) {
    // 60 agents (the room holds about 30), as in the room study: the room fills, the rest
    // stand outside, and none stands in a door or just outside one. Agents pushed about in
    // the full room may cross those cells for a few frames on their way back to their
    // places (before the door rules, one agent at least stood there in every frame).
    for (int i = 0; i < 12; ++i) insertFive(at(cellCentre(40), cellCentre(16)));
    world.agentList.setTargetAll(at(cellCentre(33), cellCentre(23)));
    run(1000);
    int blockedFrames = 0;
    for (int frame = 0; frame < 1000; ++frame) {
        run(1);
        bool blocked = false;
        for (const Agent& a : world.agentList) blocked = blocked || blocksADoor(a);
        blockedFrames += blocked ? 1 : 0;
    }
    int inside = 0;
    for (const Agent& a : world.agentList) inside += insideRoom(a) ? 1 : 0;
    EXPECT_LE(blockedFrames, 100);
    EXPECT_GE(inside, 28);
}

bool placeInsideRoom(int cell) {
    const int column = cell % kPlaceSide, row = cell / kPlaceSide;
    return cell >= 0 && column >= 22 && column <= 35 && row >= 19 && row <= 26;
}

TEST_F(CrowdArrivalTest, TwiceWhatTheRoomHoldsEndsWithTheRoomFullEveryAgentAtItsPlaceAndTheDoorsClear) {
    // The room study with 60 agents for 1,500 frames. From frame 1,000 on, in every frame:
    // every agent done, within one and a half radii of its place (the distance a done agent
    // may be pushed and stay done), and none in the way of a door. At the end the room is
    // full and those outside stand at the free places nearest it.
    for (int i = 0; i < 12; ++i) insertFive(at(cellCentre(40), cellCentre(16)));
    const FixedVec target = at(cellCentre(33), cellCentre(23));
    world.agentList.setTargetAll(target);
    run(1000);
    int framesOff = 0;
    for (int frame = 0; frame < 500; ++frame) {
        run(1);
        bool off = false;
        for (const Agent& a : world.agentList) {
            const bool atPlace = a.placeCell >= 0 && approxLength(a.placePoint - a.position) <= a.radius + a.radius / 2;
            const bool atTarget = a.placeCell < 0 && approxLength(target - a.position) <= a.radius + a.radius / 2;
            off = off || !a.pathDone || !(atPlace || atTarget) || blocksADoor(a);
        }
        framesOff += off ? 1 : 0;
    }
    EXPECT_EQ(framesOff, 0);
    int inside = 0, placesInside = 0;
    for (const Agent& a : world.agentList) {
        inside += insideRoom(a) ? 1 : 0;
        placesInside += placeInsideRoom(a.placeCell) || (a.placeCell < 0 && insideRoom(a)) ? 1 : 0;
    }
    EXPECT_EQ(inside, placesInside);  // nobody inside but at a place there
    EXPECT_GE(inside, 28);
    // Claiming again, an agent outside gets its own place back: no free place it fits lies
    // inside the room, nor nearer the room than the one it stands at.
    for (Agent& a : world.agentList) {
        if (insideRoom(a)) continue;
        const int own = a.placeCell;
        ASSERT_TRUE(claimPlace(a, target));
        EXPECT_FALSE(placeInsideRoom(a.placeCell)) << a.placeCell % kPlaceSide << " " << a.placeCell / kPlaceSide;
        EXPECT_EQ(a.placeCell, own);
    }
}

TEST_F(CrowdArrivalTest, AnAgentKeptMovingNextToItsPlaceIsDoneThereAfterFortyFiveStepsWithoutProgress) {
    // Kept at 5 units a step (faster than an arrival allows) 1.2 radii from its place, the
    // agent's path following settles it as done on its 46th step there, not before.
    insertFive(at(cellCentre(30), cellCentre(22)));
    Agent& agent = *world.agentList.begin();
    while (world.agentList.size() > 1) world.agentList.remove(&*std::next(world.agentList.begin()));
    const FixedVec target = at(cellCentre(30), cellCentre(23));
    agent.setTarget(target);
    ASSERT_EQ(agent.waypointIndex, agent.pathCount - 1);
    ASSERT_TRUE(claimPlace(agent, target));
    agent.place(target + FixedVec{agent.radius + agent.radius / 5, 0}, FixedVec{});
    const Behaviour* followPath = findBehaviour("follow_path");
    ASSERT_NE(followPath, nullptr);
    for (int step = 1; step <= 45; ++step) {
        agent.velocity = at(0, 5);
        followPath->computeForce(agent);
        ASSERT_FALSE(agent.pathDone) << step;
    }
    agent.velocity = at(0, 5);
    followPath->computeForce(agent);
    EXPECT_TRUE(agent.pathDone);
}

TEST_F(CrowdArrivalTest, TwoGroupsSwapThroughTheDoor) {
    // Ten agents inside the room sent out to cell (42, 22), ten outside sent into cell
    // (30, 22): both groups cross the door (column 36, rows 21 to 24) at once.
    for (int i = 0; i < 2; ++i) insertFive(at(cellCentre(31), cellCentre(22)));
    for (Agent& a : world.agentList) a.setTarget(at(cellCentre(42), cellCentre(22)));
    for (int i = 0; i < 2; ++i) insertFive(at(cellCentre(42), cellCentre(23)));
    int index = 0;
    for (Agent& a : world.agentList) {
        if (index++ >= 10) a.setTarget(at(cellCentre(30), cellCentre(22)));
    }
    run(2000);
    index = 0;
    int out = 0, in = 0;
    for (const Agent& a : world.agentList) {
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
    Agent& agent = *world.agentList.begin();
    while (world.agentList.size() > 1) world.agentList.remove(&*std::next(world.agentList.begin()));
    agent.setTarget(at(cellCentre(25), cellCentre(45)));
    run(600);
    EXPECT_TRUE(agent.pathDone);
    EXPECT_LT(approxLength(agent.position - at(cellCentre(25), cellCentre(45))), 2 * agent.radius);
}

TEST_F(CrowdArrivalTest, ALoneAgentStopsWithinItsRadiusAndWalksBackWhenPushedPastOneAndAHalf) {
    // Shortest paths: arrival within the agent's radius of the target (Classic allows twice
    // that); pushed up to one and a half radii away it stays done, farther it walks back.
    insertFive(at(cellCentre(10), cellCentre(45)));
    Agent& agent = *world.agentList.begin();
    while (world.agentList.size() > 1) world.agentList.remove(&*std::next(world.agentList.begin()));
    const FixedVec target = at(cellCentre(25), cellCentre(45));
    agent.setTarget(target);
    run(600);
    ASSERT_TRUE(agent.pathDone);
    EXPECT_LT(approxLength(agent.position - target), agent.radius);

    const Fixed r = agent.radius;
    agent.place(target + FixedVec{r + r * 2 / 5, 0}, FixedVec{});  // 1.4 radii east
    run(1);
    EXPECT_TRUE(agent.pathDone);
    agent.place(target + FixedVec{0, r + r * 3 / 5}, FixedVec{});  // 1.6 radii south
    run(1);
    EXPECT_FALSE(agent.pathDone);
    run(600);
    EXPECT_TRUE(agent.pathDone);
    EXPECT_LT(approxLength(agent.position - target), agent.radius);
}

}  // namespace
}  // namespace steering
