// "avoid_walls": the straight-wall tests in their order, the direction filter, the corner
// rule, and the ray/circle entry beneath it.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "steering/behaviours.h"
#include "steering_test_world.h"

namespace steering {
namespace {

using test::at;
using test::bareAgent;
using test::forceOf;
using test::inUnits;
using test::setCell;
using test::units;

// Cell (10, 10) spans x and y from 2560 to 2816.
class WallTest : public test::WorldTest {
protected:
};

TEST_F(WallTest, ProbePastTheWallEdgePushesBackAndBrakes) {
    setCell(world, 11, 10, kWallType);
    Agent agent = bareAgent(world, at(2700, 2650), at(50, 0));
    EXPECT_EQ(wallProbe(agent), at(2800, 2650));
    EXPECT_EQ(forceOf("avoid_walls", agent), at(-218, 0));  // 2 * (2716 - 2800) - 50
    agent.position = at(2600, 2650);                        // probe 2700 is short of 2716
    EXPECT_EQ(forceOf("avoid_walls", agent), FixedVec{});
}

TEST_F(WallTest, WallsBehindTheDirectionOfTravelAreIgnored) {
    setCell(world, 11, 10, kWallType);
    Agent agent = bareAgent(world, at(2750, 2650), at(-50, 0));
    EXPECT_EQ(forceOf("avoid_walls", agent), FixedVec{});
}

TEST_F(WallTest, EachSideFiresWhenMovingTowardIt) {
    setCell(world, 9, 10, kWallType);
    Agent left = bareAgent(world, at(2620, 2650), at(-50, 0));  // probe 2520 < 2560 + 100
    EXPECT_EQ(forceOf("avoid_walls", left), at(2 * (2660 - 2520) + 50, 0));
    setCell(world, 10, 9, kWallType);
    Agent up = bareAgent(world, at(2700, 2620), at(0, -50));  // probe 2520
    EXPECT_EQ(forceOf("avoid_walls", up), at(0, 2 * (2660 - 2520) + 50));
    setCell(world, 10, 11, kWallType);
    Agent down = bareAgent(world, at(2700, 2700), at(0, 50));  // probe 2800 > 2816 - 100
    EXPECT_EQ(forceOf("avoid_walls", down), at(0, 2 * (2716 - 2800) - 50));
}

// The direction's sign is that of the unit vector, whose components are truncated: moving
// one raw unit toward -x while going 20 units toward +y is, for the walls, moving toward +x.
TEST_F(WallTest, AComponentTooSmallForTheUnitVectorCountsAsPositive) {
    setCell(world, 11, 10, kWallType);
    Agent agent = bareAgent(world, at(2760, 2600), FixedVec{-1, units(20)});
    // Probe x: 2760 units less 2 raw; the edge less the radius: 2716 units.
    const Fixed depth = units(2716) - (units(2760) - 2);
    EXPECT_EQ(forceOf("avoid_walls", agent), (FixedVec{2 * depth + 1, -units(20)}));
    // Against a wall on the -x side the same agent finds nothing.
    setCell(world, 11, 10, 0);
    setCell(world, 9, 10, kWallType);
    agent.position = at(2600, 2600);
    EXPECT_EQ(forceOf("avoid_walls", agent), FixedVec{});
    // One unit toward -x is no longer lost in the truncation.
    agent.velocity = FixedVec{-units(1), units(20)};
    agent.position = at(2570, 2600);
    EXPECT_NE(forceOf("avoid_walls", agent), FixedVec{});
}

// The probe runs two steps ahead: velocity (-20 raw, 20 units) gives the direction
// (-40 raw, 40 units), 40 units long, whose unit x is -40 * 65536 / (40 * 65536) = -1 raw;
// one raw unit less and it truncates to 0. Both axes, both sides of that boundary.
TEST_F(WallTest, TheDirectionSignFlipsExactlyWhereTheUnitComponentReachesMinusOne) {
    setCell(world, 9, 10, kWallType);
    Agent agent = bareAgent(world, at(2570, 2600), FixedVec{-20, units(20)});
    EXPECT_NE(forceOf("avoid_walls", agent), FixedVec{});
    agent.velocity = FixedVec{-19, units(20)};
    EXPECT_EQ(forceOf("avoid_walls", agent), FixedVec{});
    world.gridMap.init(kMapSide, kMapSide);  // a fresh open map
    setCell(world, 10, 9, kWallType);
    agent.position = at(2600, 2570);
    agent.velocity = FixedVec{units(20), -20};
    EXPECT_NE(forceOf("avoid_walls", agent), FixedVec{});
    agent.velocity = FixedVec{units(20), -19};
    EXPECT_EQ(forceOf("avoid_walls", agent), FixedVec{});
}

TEST_F(WallTest, AStationaryAgentIsPushedOnlyFromPositiveSides) {
    setCell(world, 11, 10, kWallType);
    Agent agent = bareAgent(world, at(2750, 2650), FixedVec{});
    EXPECT_EQ(forceOf("avoid_walls", agent), at(2 * (2716 - 2750), 0));
    world.gridMap.init(kMapSide, kMapSide);  // a fresh open map
    setCell(world, 10, 11, kWallType);
    agent.position = at(2650, 2780);
    EXPECT_EQ(forceOf("avoid_walls", agent), at(0, 2 * (2716 - 2780)));
    world.gridMap.init(kMapSide, kMapSide);  // a fresh open map
    setCell(world, 9, 10, kWallType);
    setCell(world, 10, 9, kWallType);
    agent.position = at(2580, 2580);  // well inside both walls' reach, but on the negative sides
    EXPECT_EQ(forceOf("avoid_walls", agent), FixedVec{});
}

TEST_F(WallTest, InAConcaveCornerTheXWallComesFirst) {
    setCell(world, 11, 10, kWallType);
    setCell(world, 10, 9, kWallType);
    Agent agent = bareAgent(world, at(2760, 2600), at(20, -20));
    const FixedVec force = forceOf("avoid_walls", agent);
    EXPECT_EQ(force.y, units(20));  // only the velocity's part: no y push
    EXPECT_EQ(force.x, 2 * (units(2716) - agent.pointAhead(units(2)).x) - units(20));
}

// In each concave corner the x wall decides: walls beside and above/below cell (10, 10),
// the agent 40 units from both, moving 20 a step into the corner, so the probe is 100
// deep into both walls' reach: x push 2 * 100 + 20, y only the braking 20.
TEST_F(WallTest, InEveryConcaveCornerTheXWallDecides) {
    for (const int sx : {-1, 1}) {
        for (const int sy : {-1, 1}) {
            world.gridMap.init(kMapSide, kMapSide);  // a fresh open map
            setCell(world, static_cast<uint32_t>(10 + sx), 10, kWallType);
            setCell(world, 10, static_cast<uint32_t>(10 + sy), kWallType);
            Agent agent = bareAgent(world, at(2688 + 88 * sx, 2688 + 88 * sy), at(20 * sx, 20 * sy));
            EXPECT_EQ(forceOf("avoid_walls", agent), at(-220 * sx, -20 * sy)) << sx << "," << sy;
        }
    }
}

TEST_F(WallTest, AProtrudingCornerPushesAlongItsNormal) {
    setCell(world, 11, 9, kWallType);  // corner point (2816, 2560); (10, 9) and (11, 10) stay free
    // Heading (0.6, -0.8) straight at the corner from 160 away: the probe segment (80 long)
    // enters the circle of radius 100 at 60, the normal there points back along the ray,
    // and the depth is twice the 20 units of overshoot.
    Agent agent = bareAgent(world, at(2720, 2688), at(24, -32));
    const FixedVec force = forceOf("avoid_walls", agent);
    EXPECT_NEAR(inUnits(force.x), -0.6 * 40.0 - 24.0, 0.01);
    EXPECT_NEAR(inUnits(force.y), 0.8 * 40.0 + 32.0, 0.01);
}

TEST_F(WallTest, ACornerTheProbeDoesNotReachIsIgnored) {
    setCell(world, 11, 9, kWallType);
    Agent agent = bareAgent(world, at(2600, 2780), at(10, -10));
    EXPECT_EQ(forceOf("avoid_walls", agent), FixedVec{});
}

TEST_F(WallTest, OnlyTheCornerInTheDirectionOfTravelIsTried) {
    setCell(world, 11, 9, kWallType);  // up-right
    setCell(world, 9, 9, kWallType);   // up-left, corner point (2560, 2560)
    // Moving up with a slight +x drift: the up-right corner is tried and the ray passes it
    // by; the up-left one needs xNeg.
    Agent agent = bareAgent(world, at(2570, 2700), at(0.5, -50));
    EXPECT_EQ(forceOf("avoid_walls", agent), FixedVec{});
    // The same with a slight -x drift: the up-left corner is ahead within the probe.
    agent.velocity = at(-0.5, -50);
    const FixedVec force = forceOf("avoid_walls", agent);
    EXPECT_GT(force.x, 0);  // pushed away from the corner, to the right
    EXPECT_GT(force.y, 0);  // and back down, braking
}

TEST_F(WallTest, ADiagonalWithWallsBesideItLeavesItToTheStraightTest) {
    setCell(world, 11, 9, kWallType);
    setCell(world, 11, 10, kWallType);
    setCell(world, 10, 9, kWallType);
    Agent agent = bareAgent(world, at(2740, 2640), at(20, -20));
    const FixedVec probe = wallProbe(agent);
    // The x wall fires first; with it gone the y wall; never the corner.
    const FixedVec xWall{2 * (units(2716) - probe.x) - units(20), units(20)};
    EXPECT_EQ(forceOf("avoid_walls", agent), xWall);
    setCell(world, 11, 10, 0);
    const FixedVec yWall{-units(20), 2 * (units(2660) - probe.y) + units(20)};
    EXPECT_EQ(forceOf("avoid_walls", agent), yWall);
}

TEST_F(WallTest, CellsOutsideTheMapAreNeverWalls) {
    Agent agent = bareAgent(world, at(30, 30), at(-50, -50));  // probe at (-70, -70)
    EXPECT_EQ(forceOf("avoid_walls", agent), FixedVec{});
}

TEST(RayCircleEntry, DocumentedCases) {
    // From the origin along +x toward a circle of radius 100 around (300, 0): enters at 200.
    EXPECT_EQ(rayCircleEntry(at(0, 0), at(1, 0), at(300, 0), units(100)), std::optional<Fixed>(units(200)));
    // Inside the circle: the crossing behind is negative.
    EXPECT_EQ(rayCircleEntry(at(300, 0), at(1, 0), at(300, 0), units(100)), std::optional<Fixed>(units(-100)));
    EXPECT_FALSE(rayCircleEntry(at(0, 0), at(1, 0), at(300, 150), units(100)).has_value());
    EXPECT_FALSE(rayCircleEntry(at(0, 0), at(1, 0), at(300, 100), units(100)).has_value());  // tangent
}

TEST(RayCircleEntry, MatchesLongDoubleWithinTwoCells) {
    std::mt19937 rng(23);
    std::uniform_real_distribution<double> offset(-512.0, 512.0);
    std::uniform_real_distribution<double> angle(0.0, 2.0 * M_PI);
    std::uniform_real_distribution<double> radius(75.0, 225.0);
    int hits = 0;
    for (int i = 0; i < 100000; ++i) {
        const double a = angle(rng);
        const FixedVec d = vecNormalise(at(std::cos(a), std::sin(a)));
        const FixedVec p = at(3000 + offset(rng), 3000 + offset(rng));
        const FixedVec c = at(3000 + offset(rng), 3000 + offset(rng));
        const Fixed r = units(radius(rng));
        const long double dx = d.x / 65536.0L, dy = d.y / 65536.0L;
        const long double vx = static_cast<long double>(p.x) - c.x, vy = static_cast<long double>(p.y) - c.y;
        const long double b = dx * vx + dy * vy;
        const long double disc = b * b - (vx * vx + vy * vy - static_cast<long double>(r) * r);
        const std::optional<Fixed> m = rayCircleEntry(p, d, c, r);
        if (std::abs(static_cast<double>(disc)) < 1e6) continue;  // too close to tangent to say
        ASSERT_EQ(m.has_value(), disc > 0);
        if (!m) continue;
        ++hits;
        ASSERT_NEAR(static_cast<double>(*m), static_cast<double>(-b - std::sqrt(disc)), 2.0);  // raw units
    }
    EXPECT_GT(hits, 10000);
}

}  // namespace
}  // namespace steering
