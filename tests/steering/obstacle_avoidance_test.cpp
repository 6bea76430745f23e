// "avoid_obstacle", "repel_obstacle" and the axis/circle entry beneath them.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "steering/behaviours.h"
#include "steering_test_world.h"

namespace steering {
namespace {

using test::addObstacle;
using test::at;
using test::bareAgent;
using test::forceOf;
using test::inUnits;
using test::units;

// An agent of radius 100 moving at 10 units per step along +x: detection length 200.
class ObstacleTest : public test::WorldTest {
protected:
    void SetUp() override {
        // An exact frame (vecNormalise gives 65530 raw here) keeps the examples exact.
        agent.heading = at(1, 0);
        agent.side = at(0, 1);
    }
    Agent agent = bareAgent(world, at(3000, 3000), at(10, 0));
    FixedVec local(double ahead, double sideways) const { return agent.toWorld(at(ahead, sideways)); }
};

TEST_F(ObstacleTest, DetectionLengthIsRadiusPlusTenSteps) {
    EXPECT_EQ(detectionLength(agent), units(200));
    const Agent resting = bareAgent(world, at(3000, 3000), FixedVec{});
    EXPECT_EQ(detectionLength(resting), units(100));
}

TEST_F(ObstacleTest, StraightAheadGivesNoPush) {
    addObstacle(world, local(300, 0));
    EXPECT_EQ(axisCircleEntry(at(300, 0), units(140)), std::optional<Fixed>(units(160)));
    EXPECT_EQ(forceOf("avoid_obstacle", agent), FixedVec{});
}

TEST_F(ObstacleTest, OffsetObstaclePushesToTheOtherSide) {
    addObstacle(world, local(300, 50));
    const std::optional<Fixed> entry = axisCircleEntry(at(300, 50), units(140));
    ASSERT_TRUE(entry.has_value());
    EXPECT_NEAR(inUnits(*entry), 300 - std::sqrt(140.0 * 140.0 - 50.0 * 50.0), 1e-4);
    EXPECT_EQ(forceOf("avoid_obstacle", agent), at(0, -50));  // minus the side vector (0, 1)
}

TEST_F(ObstacleTest, AxisThatMissesTheCircleGivesNoPush) {
    addObstacle(world, local(300, 150));  // within the sideways filter (150 < 240) but off the axis
    EXPECT_FALSE(axisCircleEntry(at(300, 150), units(140)).has_value());
    EXPECT_FALSE(axisCircleEntry(at(300, 140), units(140)).has_value());  // grazing
    EXPECT_EQ(forceOf("avoid_obstacle", agent), FixedVec{});
}

TEST_F(ObstacleTest, ObstaclesBehindAreIgnored) {
    addObstacle(world, local(-300, 50));
    addObstacle(world, local(0, 50));
    EXPECT_EQ(forceOf("avoid_obstacle", agent), FixedVec{});
}

TEST_F(ObstacleTest, ObstaclesBeyondTheLookAheadAreIgnored) {
    addObstacle(world, local(341, 50));  // 341 - 140 = 201 > 200
    EXPECT_EQ(forceOf("avoid_obstacle", agent), FixedVec{});
}

TEST_F(ObstacleTest, TheNearestEntryDecides) {
    const double sideways = -30.0;
    const double ahead = 120.0 + std::sqrt(140.0 * 140.0 - sideways * sideways);  // entry at 120
    addObstacle(world, local(300, 50));  // entry about 169.2
    addObstacle(world, local(ahead, sideways));
    EXPECT_EQ(forceOf("avoid_obstacle", agent), at(0, 30));
}

TEST_F(ObstacleTest, OfTwoEqualEntriesTheFirstObstacleDecides) {
    addObstacle(world, local(300, 50));
    addObstacle(world, local(300, -50));  // the mirror image: the same entry distance
    EXPECT_EQ(forceOf("avoid_obstacle", agent), at(0, -50));
}

TEST_F(ObstacleTest, AnAgentPastTheEntryPointIgnoresTheObstacle) {
    addObstacle(world, local(100, 50));  // entry 100 - 130.8 < 0
    EXPECT_EQ(forceOf("avoid_obstacle", agent), FixedVec{});
}

TEST_F(ObstacleTest, AtRestNothingIsAvoided) {
    Agent resting = bareAgent(world, at(3000, 3000), FixedVec{});
    addObstacle(world, at(3050, 3020));
    EXPECT_EQ(forceOf("avoid_obstacle", resting), FixedVec{});
}

TEST_F(ObstacleTest, PushFollowsTheAgentsFrameInAnyDirection) {
    agent = bareAgent(world, at(3000, 3000), at(0, -10));  // moving up the screen; side about (1, 0)
    addObstacle(world, agent.toWorld(at(300, 50)));
    const FixedVec force = forceOf("avoid_obstacle", agent);
    EXPECT_NEAR(inUnits(force.x), -50.0, 0.05);
    EXPECT_EQ(force.y, 0);
}

TEST(AxisCircleEntry, MatchesDoubleOverTheWholeRange) {
    std::mt19937 rng(17);
    std::uniform_real_distribution<double> radius(1.0, 30000.0);
    std::uniform_real_distribution<double> coordinate(-30000.0, 30000.0);
    int hits = 0;
    for (int i = 0; i < 200000; ++i) {
        const Fixed r = units(radius(rng));
        // Centres from -2000 to 32000 ahead keep the entry itself within the Fixed range.
        const FixedVec c{units(coordinate(rng) * 17.0 / 30.0 + 15000.0), units(coordinate(rng) * (i % 2 ? 1.0 : 0.05))};
        const long double inside = static_cast<long double>(r) * r - static_cast<long double>(c.y) * c.y;
        const std::optional<Fixed> entry = axisCircleEntry(c, r);
        ASSERT_EQ(entry.has_value(), inside > 0);
        if (!entry) continue;
        ++hits;
        const long double reference = c.x - std::sqrt(inside);
        ASSERT_NEAR(static_cast<double>(*entry), static_cast<double>(reference), 1.5);  // raw units
    }
    EXPECT_GT(hits, 50000);
}

class RepelTest : public ObstacleTest {};

TEST_F(RepelTest, PushGrowsWithTheSquareRootOfTheDistance) {
    addObstacle(world, at(2800, 3000));
    const FixedVec force = forceOf("repel_obstacle", agent);
    EXPECT_NEAR(inUnits(force.x), std::sqrt(200.0), 0.01);
    EXPECT_EQ(force.y, 0);
    agent.position = at(2900, 3000);
    EXPECT_NEAR(inUnits(forceOf("repel_obstacle", agent).x), 10.0, 0.01);
}

TEST_F(RepelTest, NoPushOnceTheDiscsSeparate) {
    addObstacle(world, at(2750, 3000));  // 250 >= 100 + 140 + 1
    EXPECT_EQ(forceOf("repel_obstacle", agent), FixedVec{});
    agent.position = at(2990, 3000);  // 240 < 241
    EXPECT_GT(forceOf("repel_obstacle", agent).x, 0);
}

TEST_F(RepelTest, NoPushFromAnObstacleOnTheAgentsCentre) {
    addObstacle(world, agent.position);
    EXPECT_EQ(forceOf("repel_obstacle", agent), FixedVec{});
}

TEST_F(RepelTest, EveryTouchingObstacleAdds) {
    addObstacle(world, at(2800, 3000));
    addObstacle(world, at(3200, 3000));
    addObstacle(world, at(3000, 2800));
    const FixedVec force = forceOf("repel_obstacle", agent);
    EXPECT_NEAR(inUnits(force.x), 0.0, 0.01);
    EXPECT_NEAR(inUnits(force.y), std::sqrt(200.0), 0.01);
}

}  // namespace
}  // namespace steering
