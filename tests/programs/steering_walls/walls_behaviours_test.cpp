// The seven behaviours of steering_walls, the behaviour list and the update.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>

#include "programs/steering_walls/walls_behaviours.h"
#include "tests/programs/steering_walls/walls_fixture.h"

namespace steering_walls {
namespace {

DoubleVec forceOf(const char* name, const WallsAgent& agent) { return findBehaviour(name)->computeForce(agent); }

class WallsBehaviours : public WallsWorldTest {
protected:
    // A moving agent of the test's world (not yet in its list) with heading and side
    // matching its velocity.
    WallsAgent movingAgent(DoubleVec position, DoubleVec velocity, double radius = 10.0) {
        WallsAgent agent;
        agent.position = position;
        agent.velocity = velocity;
        agent.radius = radius;
        agent.heading = vecNormalise(velocity);
        agent.side = vecPerp(agent.heading);
        agent.world = &world();
        return agent;
    }

    WallsAgent& placeObstacle(DoubleVec position, double radius) {
        WallsAgent prototype;
        prototype.isStatic = true;
        prototype.position = position;
        prototype.radius = radius;
        return createAgent(world(), prototype);
    }
};

TEST_F(WallsBehaviours, RegistryHoldsTheSevenNamesInOrder) {
    const char* names[] = {"seek", "arrival", "separation", "avoid_static", "repel_static", "formation", "avoid_walls"};
    ASSERT_EQ(behaviourRegistry().size(), 7u);
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_STREQ(behaviourRegistry()[i]->name(), names[i]);
        EXPECT_EQ(findBehaviour(names[i]), behaviourRegistry()[i]);
    }
}

TEST_F(WallsBehaviours, NamesOfTheOtherProgramsAreRefused) {
    WallsAgent agent;
    for (const char* name : {"follow_path", "avoid_obstacle", "repel_obstacle", "avoid_static_2", "Arrival", "arrival ", ""}) {
        EXPECT_FALSE(addBehaviour(agent, 1.0, name)) << name;
    }
    EXPECT_FALSE(addBehaviour(agent, 1.0, nullptr));
    EXPECT_TRUE(agent.behaviours.empty());
}

TEST_F(WallsBehaviours, BehaviourListGrowsBySizeOrOne) {
    WallsAgent agent;
    std::size_t expectedCapacity[] = {1, 2, 4, 4, 8, 8, 8, 8, 16};
    for (std::size_t i = 0; i < 9; ++i) {
        ASSERT_TRUE(addBehaviour(agent, 0.5, "seek"));
        EXPECT_EQ(agent.behaviours.capacity(), expectedCapacity[i]) << i;
    }
    agent.isStatic = true;
    clearBehaviours(agent);
    EXPECT_TRUE(agent.behaviours.empty());
    EXPECT_EQ(agent.behaviours.capacity(), 16u);
    EXPECT_FALSE(agent.isStatic);
}

TEST_F(WallsBehaviours, CopiedAgentOwnsItsBehaviourListAndSharesItsTarget) {
    WallsAgent prototype;
    addBehaviour(prototype, 0.2, "arrival");
    prototype.target = &world().leftButtonTarget;
    WallsAgent& copy = createAgent(world(), prototype);
    clearBehaviours(prototype);
    addBehaviour(prototype, 0.9, "seek");
    ASSERT_EQ(copy.behaviours.size(), 1u);
    EXPECT_STREQ(copy.behaviours[0].behaviour->name(), "arrival");
    EXPECT_EQ(copy.target, &world().leftButtonTarget);
}

TEST_F(WallsBehaviours, SeekUsesTheRawOffsetAsDesiredVelocity) {
    WallsAgent target;
    target.position = {110.0, 50.0};
    WallsAgent agent = movingAgent({100.0, 50.0}, {1.0, 1.0});
    agent.target = &target;
    const DoubleVec f = forceOf("seek", agent);
    EXPECT_EQ(f, (DoubleVec{9.0, -1.0}));
}

TEST_F(WallsBehaviours, ArrivalSlowsToATenthOfTheDistance) {
    WallsAgent target;
    target.position = {120.0, 100.0};
    WallsAgent agent = movingAgent({100.0, 100.0}, {0.0, 0.0});
    agent.maxSpeed = 5.0;
    agent.target = &target;
    EXPECT_EQ(forceOf("arrival", agent), (DoubleVec{2.0, 0.0}));
    target.position = {400.0, 100.0};  // far: capped at the maximum speed
    EXPECT_EQ(forceOf("arrival", agent), (DoubleVec{5.0, 0.0}));
}

TEST_F(WallsBehaviours, ArrivalOnItsTargetLeavesTheVelocityAlone) {
    WallsAgent target;
    target.position = {100.0, 100.0};
    WallsAgent& agent = createAgent(world(), movingAgent({100.0, 100.0}, {0.5, -0.25}));
    addBehaviour(agent, 0.2, "arrival");
    agent.target = &target;
    EXPECT_EQ(forceOf("arrival", agent), (DoubleVec{0.0, 0.0}));
    updateAgent(agent);
    EXPECT_EQ(agent.velocity, (DoubleVec{0.5, -0.25}));
    EXPECT_EQ(agent.position, (DoubleVec{100.5, 99.75}));
}

TEST_F(WallsBehaviours, FormationSlotsFollowTheLeadersFrame) {
    const WallsAgent leader = movingAgent({200.0, 200.0}, {0.0, 2.0});  // heading down, side (-1, 0)
    WallsAgent follower = movingAgent({0.0, 0.0}, {0.0, 0.0});
    follower.target = &leader;
    follower.formationOffset = {-30.0, 20.0};  // 30 behind (up), 20 along the side (left)
    follower.maxSpeed = 1000.0;
    follower.position = {180.0, 170.0};        // exactly on the slot
    EXPECT_EQ(forceOf("formation", follower), (DoubleVec{0.0, 0.0}));
    follower.position = {180.0, 160.0};
    const DoubleVec f = forceOf("formation", follower);
    EXPECT_DOUBLE_EQ(f.x, 0.0);
    EXPECT_DOUBLE_EQ(f.y, 1.0);  // a tenth of the 10 pixels to the slot
}

TEST_F(WallsBehaviours, FormationSlotsOfAResterCollapseOntoIt) {
    WallsAgent leader;
    leader.position = {300.0, 300.0};
    WallsAgent follower;
    follower.target = &leader;
    follower.formationOffset = {-50.0, 20.0};
    follower.position = {290.0, 300.0};
    EXPECT_EQ(forceOf("formation", follower), (DoubleVec{1.0, 0.0}));
}

TEST_F(WallsBehaviours, SeparationPushesOneUnitPerCloseMobileNeighbour) {
    WallsAgent& a = createAgent(world(), movingAgent({100.0, 100.0}, {0.0, 0.0}, 5.0));
    createAgent(world(), movingAgent({110.0, 100.0}, {0.0, 0.0}, 5.0));  // threshold sqrt(2) * 11
    createAgent(world(), movingAgent({100.0, 112.0}, {0.0, 0.0}, 5.0));
    createAgent(world(), movingAgent({100.0, 80.0}, {0.0, 0.0}, 5.0));  // 20 > 15.6: too far
    createAgent(world(), movingAgent({84.0, 100.0}, {0.0, 0.0}, 5.0));  // 16 > 15.6: just too far
    placeObstacle({95.0, 100.0}, 5.0);                           // static: ignored
    const DoubleVec f = forceOf("separation", a);
    EXPECT_DOUBLE_EQ(f.x, -1.0);
    EXPECT_DOUBLE_EQ(f.y, -1.0);
}

TEST_F(WallsBehaviours, CoincidentAgentsGetNoSeparationWhileTheyCoincide) {
    WallsAgent& a = createAgent(world(), movingAgent({150.0, 300.0}, {0.0, 0.0}, 10.0));
    WallsAgent& b = createAgent(world(), movingAgent({150.0, 300.0}, {0.0, 0.0}, 10.0));
    createAgent(world(), movingAgent({162.0, 300.0}, {0.0, 0.0}, 10.0));  // a real neighbour too
    for (WallsAgent* agent : {&a, &b}) {
        const DoubleVec raw = forceOf("separation", *agent);
        EXPECT_TRUE(std::isnan(raw.x) || std::isnan(raw.y));
        addBehaviour(*agent, 0.2, "separation");
        EXPECT_EQ(weightedForceSum(*agent), (DoubleVec{0.0, 0.0}));
    }
    updateAgent(a);
    EXPECT_EQ(a.velocity, (DoubleVec{0.0, 0.0}));
    EXPECT_EQ(a.position, (DoubleVec{150.0, 300.0}));
}

TEST_F(WallsBehaviours, AvoidStaticPushesBySquareRootOfDistance) {
    WallsAgent& a = createAgent(world(), movingAgent({100.0, 100.0}, {0.0, 0.0}, 10.0));
    placeObstacle({116.0, 100.0}, 10.0);  // 16 < 21: touching
    const DoubleVec f = forceOf("avoid_static", a);
    EXPECT_DOUBLE_EQ(f.x, -4.0);
    EXPECT_DOUBLE_EQ(f.y, 0.0);
}

TEST_F(WallsBehaviours, RepelStaticPushesSidewaysFromTheNearestObstacleAhead) {
    WallsAgent& a = createAgent(world(), movingAgent({100.0, 100.0}, {3.0, 0.0}, 10.0));  // box 30 + 10 long
    placeObstacle({130.0, 104.0}, 10.0);  // ahead, 4 below the line of travel
    placeObstacle({135.0, 96.0}, 10.0);   // farther along: not the nearest
    const DoubleVec f = forceOf("repel_static", a);
    EXPECT_DOUBLE_EQ(f.x, 0.0);
    EXPECT_DOUBLE_EQ(f.y, -4.0);  // away from the nearest, upward
}

TEST_F(WallsBehaviours, RepelStaticTakesTheFirstOfTwoEqualEntries) {
    WallsAgent& a = createAgent(world(), movingAgent({100.0, 100.0}, {3.0, 0.0}, 10.0));
    placeObstacle({130.0, 104.0}, 10.0);
    placeObstacle({130.0, 96.0}, 10.0);  // the mirror image: the same entry
    EXPECT_EQ(forceOf("repel_static", a), (DoubleVec{0.0, -4.0}));
}

TEST_F(WallsBehaviours, RepelStaticIgnoresObstaclesBehindBeyondOrMissingTheAxis) {
    WallsAgent& a = createAgent(world(), movingAgent({100.0, 100.0}, {3.0, 0.0}, 10.0));
    placeObstacle({80.0, 100.0}, 10.0);   // behind
    placeObstacle({160.0, 100.0}, 10.0);  // 60 - 10 > 40: beyond the box
    placeObstacle({120.0, 115.0}, 10.0);  // in the corridor but its circle misses the axis
    EXPECT_EQ(forceOf("repel_static", a), (DoubleVec{0.0, 0.0}));
}

TEST_F(WallsBehaviours, AnAgentAtRestSeesNoObstacleAhead) {
    WallsAgent& a = createAgent(world(), movingAgent({100.0, 100.0}, {0.0, 0.0}, 10.0));
    placeObstacle({112.0, 100.0}, 10.0);
    EXPECT_EQ(forceOf("repel_static", a), (DoubleVec{0.0, 0.0}));
    EXPECT_DOUBLE_EQ(detectionLength(a), 10.0);
}

TEST_F(WallsBehaviours, AxisCircleEntryIsTheNearCrossing) {
    EXPECT_DOUBLE_EQ(axisCircleEntry({10.0, 3.0}, 5.0), 6.0);
    EXPECT_EQ(axisCircleEntry({10.0, 6.0}, 5.0), std::numeric_limits<double>::lowest());
    EXPECT_DOUBLE_EQ(rayCircleEntry({0.0, 0.0}, {1.0, 0.0}, {10.0, 3.0}, 5.0), 6.0);
    EXPECT_EQ(rayCircleEntry({0.0, 0.0}, {1.0, 0.0}, {10.0, 6.0}, 5.0), std::numeric_limits<double>::max());
}

TEST_F(WallsBehaviours, AvoidWallsPushesBackFromAWallAhead) {
    // Row 1 is open; the cell above (column 1, row 0) is wall. Moving up towards it.
    const WallsAgent a = movingAgent({150.0, 95.0}, {0.0, -2.0}, 10.0);  // ahead y = 87
    const DoubleVec f = forceOf("avoid_walls", a);
    EXPECT_DOUBLE_EQ(f.x, 0.0);
    EXPECT_DOUBLE_EQ(f.y, 2.0 * (80.0 + 10.0 - 87.0));
}

TEST_F(WallsBehaviours, AvoidWallsTreatsTheRightStripAsWall) {
    // Column 5 of row 1 is open, but column 6 lies outside the map.
    const WallsAgent a = movingAgent({620.0, 120.0}, {2.0, 0.0}, 10.0);  // ahead x = 628 > 636 - 10
    const DoubleVec f = forceOf("avoid_walls", a);
    EXPECT_DOUBLE_EQ(f.x, 2.0 * (636.0 - 10.0 - 628.0));
    EXPECT_DOUBLE_EQ(f.y, 0.0);
}

TEST_F(WallsBehaviours, AvoidWallsCountsStraightDownAsMovingRight) {
    // Cell (2, 3) spans x 212..318; its right neighbour (3, 3) is wall, its left one open.
    // Ahead at (315, 278): 315 > 318 - 10.
    const WallsAgent a = movingAgent({315.0, 270.0}, {0.0, 2.0}, 10.0);
    EXPECT_EQ(forceOf("avoid_walls", a), (DoubleVec{2.0 * (318.0 - 10.0 - 315.0), 0.0}));
}

TEST_F(WallsBehaviours, AvoidWallsAtRestPushesFromWallsLeftOrAboveOnly) {
    // Cell (1, 3): its left neighbour (0, 3) and the one above (1, 2) are wall.
    const WallsAgent nearLeft = movingAgent({110.0, 280.0}, {0.0, 0.0}, 10.0);
    EXPECT_EQ(forceOf("avoid_walls", nearLeft), (DoubleVec{2.0 * (106.0 + 10.0 - 110.0), 0.0}));
    const WallsAgent nearTop = movingAgent({150.0, 245.0}, {0.0, 0.0}, 10.0);
    EXPECT_EQ(forceOf("avoid_walls", nearTop), (DoubleVec{0.0, 2.0 * (240.0 + 10.0 - 245.0)}));
    // Cell (2, 3): its right neighbour (3, 3) is wall, below (2, 4) is wall. At rest: nothing.
    const WallsAgent nearRight = movingAgent({315.0, 270.0}, {0.0, 0.0}, 10.0);
    EXPECT_EQ(forceOf("avoid_walls", nearRight), (DoubleVec{0.0, 0.0}));
    const WallsAgent nearBottom = movingAgent({260.0, 315.0}, {0.0, 0.0}, 10.0);
    EXPECT_EQ(forceOf("avoid_walls", nearBottom), (DoubleVec{0.0, 0.0}));
}

TEST_F(WallsBehaviours, AvoidWallsPushesAwayFromAnOutsideCorner) {
    // Cell (4, 3) is open, as are (4, 2) above and (5, 3) to the right; (5, 2) is wall,
    // so its bottom-left corner (530, 240) is an outside corner for an agent moving up-right.
    const WallsAgent a = movingAgent({522.0, 250.0}, {2.0, -2.0}, 10.0);
    const DoubleVec f = forceOf("avoid_walls", a);
    EXPECT_GT(std::hypot(f.x, f.y), 0.0);
    // The push points away from the corner: down and to the left.
    EXPECT_LT(f.x, 0.0);
    EXPECT_GT(f.y, 0.0);
}

// On a 600 x 480 map of 100 x 80 cells, open but for one cell diagonal to cell (2, 2): an
// agent 20 from the shared corner, heading straight at it at 3 a step (probe 12 ahead),
// meets the corner's circle of radius 10 after 10, 2 short of the probe, and is pushed
// straight back by 2 * 2.
TEST_F(WallsBehaviours, EachOutsideCornerPushesStraightBackFromItsOwnPoint) {
    for (const int sx : {-1, 1}) {
        for (const int sy : {-1, 1}) {
            std::array<uint8_t, kWallColumns * kWallRows> cells{};
            cells[static_cast<std::size_t>((2 + sy) * 6 + 2 + sx)] = 1;
            world().wallMap.create(600, 480, cells);
            const DoubleVec corner{sx > 0 ? 300.0 : 200.0, sy > 0 ? 240.0 : 160.0};
            const DoubleVec dir = DoubleVec{1.0 * sx, 1.0 * sy} / std::sqrt(2.0);
            const DoubleVec f = forceOf("avoid_walls", movingAgent(corner - dir * 20.0, dir * 3.0));
            EXPECT_NEAR(f.x, -4.0 * dir.x, 1e-9) << sx << "," << sy;
            EXPECT_NEAR(f.y, -4.0 * dir.y, 1e-9) << sx << "," << sy;
        }
    }
    // Moving left and a little down past the upper-left corner of the same cell: only the
    // lower-left corner is tried, and that cell is open.
    std::array<uint8_t, kWallColumns * kWallRows> cells{};
    cells[1 * 6 + 1] = 1;
    world().wallMap.create(600, 480, cells);
    const DoubleVec dir = DoubleVec{-1.0, 0.1} / std::hypot(1.0, 0.1);
    EXPECT_EQ(forceOf("avoid_walls", movingAgent({215.0, 168.0}, dir * 3.0)), (DoubleVec{0.0, 0.0}));
}

TEST_F(WallsBehaviours, StaticAgentsAreNeverMoved) {
    WallsAgent prototype = movingAgent({300.0, 300.0}, {1.0, 1.0});
    prototype.isStatic = true;
    addBehaviour(prototype, 1.0, "seek");
    WallsAgent target;
    target.position = {0.0, 0.0};
    prototype.target = &target;
    WallsAgent& obstacle = createAgent(world(), prototype);
    for (int i = 0; i < 10; ++i) updateAll(world());
    EXPECT_EQ(obstacle.position, (DoubleVec{300.0, 300.0}));
    EXPECT_EQ(pointAhead(obstacle, 10.0), (DoubleVec{300.0, 300.0}));
}

TEST_F(WallsBehaviours, UpdateLimitsEachForceThenTheSum) {
    WallsAgent target;
    target.position = {1000.0, 0.0};
    WallsAgent agent = movingAgent({0.0, 0.0}, {0.0, 0.0});
    agent.maxForce = 1.0;
    agent.maxSpeed = 10.0;
    agent.mass = 2.0;
    agent.target = &target;
    addBehaviour(agent, 3.0, "seek");  // 1000 limited to 1, times 3, limited to 1
    EXPECT_EQ(weightedForceSum(agent), (DoubleVec{3.0, 0.0}));
    updateAgent(agent);
    EXPECT_EQ(agent.velocity, (DoubleVec{0.5, 0.0}));
    EXPECT_EQ(agent.heading, (DoubleVec{1.0, 0.0}));
    EXPECT_EQ(agent.side, (DoubleVec{-0.0, 1.0}));
}

}  // namespace
}  // namespace steering_walls
