// "separation" and the neighbour visits under it: the contact rule's thresholds, and the
// grid-based result against a brute-force scan of the population.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "steering/behaviours.h"
#include "steering/neighbour_visits.h"
#include "steering/separation.h"
#include "steering_test_world.h"

namespace steering {
namespace {

using test::at;
using test::bareAgent;
using test::forceOf;
using test::inUnits;
using test::units;

class SeparationTest : public test::WorldTest {
protected:
    Agent& add(FixedVec position, double radius = 100.0) {
        return *world.agentList.add(bareAgent(world, position, FixedVec{}, radius));
    }
};

TEST_F(SeparationTest, AnAgentAloneGetsNothing) {
    Agent& agent = add(at(1000, 1000));
    EXPECT_EQ(forceOf("separation", agent), FixedVec{});
}

TEST_F(SeparationTest, TwoAgents150ApartPushEachOtherApart) {
    Agent& left = add(at(1000, 1000));
    Agent& right = add(at(1150, 1000));
    EXPECT_EQ(forceOf("separation", left), at(-1, 0));
    EXPECT_EQ(forceOf("separation", right), at(1, 0));
}

TEST_F(SeparationTest, ContactThresholdIsTheRadiiPlusOneUnit) {
    Agent& agent = add(at(1000, 1000));
    Agent& other = add(at(1201.5, 1000));
    EXPECT_EQ(forceOf("separation", agent), FixedVec{});  // 201.5 is not below 201.0
    test::moveTo(world, other, at(1200.5, 1000));
    EXPECT_EQ(forceOf("separation", agent), at(-1, 0));
    test::moveTo(world, other, at(1201, 1000));
    EXPECT_EQ(forceOf("separation", agent), FixedVec{});  // strictly below
}

TEST_F(SeparationTest, IdenticalPositionsIgnoreEachOther) {
    Agent& agent = add(at(1000, 1000));
    add(at(1000, 1000));
    EXPECT_EQ(forceOf("separation", agent), FixedVec{});
}

TEST_F(SeparationTest, ThreeNeighboursOnOneSideAddUpToAboutThree) {
    Agent& agent = add(at(1000, 1000));
    add(at(850, 1000));
    add(at(850, 1010));
    add(at(850, 990));
    const FixedVec force = forceOf("separation", agent);
    EXPECT_GT(inUnits(force.x), 2.85);
    EXPECT_LE(inUnits(force.x), 3.0);
    EXPECT_EQ(force.y, 0);  // the two off-axis pushes cancel exactly
}

TEST_F(SeparationTest, DeepOverlapPushesNoHarderThanATouch) {
    Agent& agent = add(at(1000, 1000));
    Agent& other = add(at(1010, 1000));
    EXPECT_EQ(forceOf("separation", agent), at(-1, 0));
    test::moveTo(world, other, at(1199, 1000));
    EXPECT_EQ(forceOf("separation", agent), at(-1, 0));
}

TEST_F(SeparationTest, NeighboursAcrossGridCellsAndOfLargerRadiusAreFound) {
    // 512-unit buckets: the two agents sit on either side of the boundary at x = 1024.
    Agent& small = add(at(1000, 1000), 75.0);
    add(at(1299, 1000), 225.0);  // 299 < 75 + 225 + 1
    EXPECT_LT(forceOf("separation", small).x, 0);
}

TEST_F(SeparationTest, ANeighbourTouchingWithinTheMarginAcrossACellEdgeIsFound) {
    // Cell edge at x = 1024. The agent's square reaches 101 units: to 1024.5, one half unit
    // into the next column. The neighbour's own square starts at 1024.4, in that column
    // only, and its centre is 175.9 away: below 100 + 75 + 1, so it touches.
    Agent& agent = add(at(923.5, 1000), 100.0);
    Agent& other = add(at(1099.4, 1000), 75.0);
    EXPECT_LT(forceOf("separation", agent).x, 0);
    EXPECT_GT(forceOf("separation", other).x, 0);
    other.position = at(1099.6, 1000);  // 176.1: no longer touching
    world.neighbourGrid.moveAgent(&other, at(1099.4, 1000), other.position, other.radius);
    EXPECT_EQ(forceOf("separation", agent), FixedVec{});
}

TEST(SeparationReachTest, RadiusPlusTheMarginOrTwiceTheRadiusWhicheverIsSmaller) {
    EXPECT_EQ(separationReach(units(150)), units(151));
    EXPECT_EQ(separationReach(units(1)), units(2));                       // both the same
    EXPECT_EQ(separationReach(kFixedOne / 2), kFixedOne);                 // twice the radius
    EXPECT_EQ(separationReach(kFixedOne + 1), 2 * kFixedOne + 1);         // radius and margin
    EXPECT_EQ(separationReach(-kFixedOne), -2 * kFixedOne);               // nothing to read
    EXPECT_EQ(separationReach(0x40000000), wrapMul(2, 0x40000000));        // the wrapped square, as before
}

TEST_F(SeparationTest, GridResultEqualsABruteForceScanOfACrowd) {
    std::mt19937 rng(21);
    std::uniform_real_distribution<double> place(600.0, 2600.0);
    std::uniform_real_distribution<double> size(75.0, 225.0);
    for (int i = 0; i < 120; ++i) add(at(place(rng), place(rng)), size(rng));
    int pushed = 0;
    for (Agent& agent : world.agentList) {
        FixedVec expected{};
        for (const Agent& other : world.agentList) {
            if (&other == &agent) continue;
            const FixedVec d = agent.position - other.position;
            const Fixed a = approxLength(d);
            if (a < agent.radius + other.radius + kFixedOne && a != 0) expected += divided(d, a);
        }
        ASSERT_EQ(forceOf("separation", agent), expected);
        if (expected != FixedVec{}) ++pushed;
    }
    EXPECT_GT(pushed, 60);
}

TEST_F(SeparationTest, VisitsSeeEveryCandidateOnceIncludingTheAgent) {
    Agent& agent = add(at(1000, 1000));
    add(at(1100, 1000));
    add(at(5000, 5000));  // far away: not a candidate
    int selfSeen = 0;
    int total = 0;
    forEachAgentNear(agent, 2 * agent.radius, [&](const Agent& self, const Agent& candidate) {
        EXPECT_EQ(&self, &agent);
        if (&candidate == &agent) ++selfSeen;
        ++total;
    });
    EXPECT_EQ(selfSeen, 1);
    EXPECT_EQ(total, 2);
    EXPECT_EQ(countAgentsNear(world, at(1000, 1000), units(200)), 2);
    EXPECT_EQ(countAgentsNear(world, at(5000, 5000), units(200)), 1);
    EXPECT_EQ(countAgentsNear(world, at(9000, 9000), units(200)), 0);
}

TEST_F(SeparationTest, NestedVisitsKeepTheirOwnCandidateLists) {
    Agent& agent = add(at(1000, 1000));
    add(at(1100, 1000));
    int inner = 0;
    int outer = 0;
    forEachAgentNear(agent, units(200), [&](const Agent&, const Agent& candidate) {
        ++outer;
        forEachAgentNear(candidate, units(200), [&](const Agent&, const Agent&) { ++inner; });
    });
    EXPECT_EQ(outer, 2);
    EXPECT_EQ(inner, 4);
}

// Every depth of nested visits, the direct ones and those past NeighbourScratch::kLevels
// that collect a list, sees the same candidates in the same order; the visit without the
// agent sees them less the agent; counts agree at every depth.
TEST_F(SeparationTest, VisitsNestedPastTheDirectLevelsSeeTheSameCandidates) {
    std::mt19937 random(3);
    std::uniform_int_distribution<int> coordinate(800, 1600);
    std::vector<Agent*> crowd;
    for (int i = 0; i < 40; ++i) crowd.push_back(&add(at(coordinate(random), coordinate(random)), 75 + i % 100));
    Agent& agent = *crowd[7];
    std::vector<const Agent*> top;
    forEachAgentNear(agent, units(300), [&](const Agent&, const Agent& candidate) { top.push_back(&candidate); });
    ASSERT_GT(top.size(), 10u);
    std::vector<const Agent*> others;
    for (const Agent* candidate : top) {
        if (candidate != &agent) others.push_back(candidate);
    }
    const int count = countAgentsNear(world, agent.position, units(300));
    EXPECT_EQ(count, static_cast<int>(top.size()));

    int depthsChecked = 0;
    std::function<void(int)> descend = [&](int depth) {
        std::vector<const Agent*> seen;
        std::vector<const Agent*> seenOthers;
        bool first = true;
        forEachAgentNear(agent, units(300), [&](const Agent&, const Agent& candidate) {
            seen.push_back(&candidate);
            if (!first) return;
            first = false;
            // Deeper visits run inside this one, after its first candidate.
            forEachOtherAgentNear(agent, units(300), [&](const Agent&, const Agent& other) { seenOthers.push_back(&other); });
            EXPECT_EQ(countAgentsNear(world, agent.position, units(300)), count) << "depth " << depth;
            if (depth < NeighbourScratch::kLevels + 2) descend(depth + 1);
        });
        EXPECT_EQ(seen, top) << "depth " << depth;
        EXPECT_EQ(seenOthers, others) << "depth " << depth;
        ++depthsChecked;
    };
    descend(0);
    EXPECT_EQ(depthsChecked, NeighbourScratch::kLevels + 3);
    EXPECT_EQ(world.neighbourScratch.agentDepth, 0);
}

TEST_F(SeparationTest, AnAgentAloneInItsCellsIsLeftOutOfItsOwnVisit) {
    Agent& agent = add(at(1000, 1000));
    int visits = 0;
    forEachOtherAgentNear(agent, units(200), [&](const Agent&, const Agent&) { ++visits; });
    EXPECT_EQ(visits, 0);
    Agent& neighbour = add(at(1100, 1000));
    std::vector<const Agent*> seen;
    forEachOtherAgentNear(agent, units(200), [&](const Agent&, const Agent& other) { seen.push_back(&other); });
    EXPECT_EQ(seen, (std::vector<const Agent*>{&neighbour}));
}

// The push away from one touching neighbour against the rule it replaces: both axes through
// the 64-bit integer division (fixDivWide), at the edges of the double rule and on random
// values, the divisor both arbitrary and the approxLength the behaviour passes.
TEST(SeparationPushTest, EqualsTheIntegerDivisionOfBothAxes) {
    const auto wide = [](FixedVec d, Fixed a) { return FixedVec{fixDivWide(d.x, a), fixDivWide(d.y, a)}; };
    const auto check = [&](FixedVec d, Fixed a) {
        const FixedVec expected = wide(d, a);
        const FixedVec got = separationPush(d, a);
        EXPECT_EQ(got.x, expected.x) << d.x << ", " << d.y << " / " << a;
        EXPECT_EQ(got.y, expected.y) << d.x << ", " << d.y << " / " << a;
    };
    // Each axis on its own side of the double rule's edge |d| < 64 a, both signs.
    for (const Fixed a : {1, 3, 65535, 65536, 1000003, 0x1FFFFFF, 0x7FFFFFFF}) {
        const int64_t edge = int64_t{a} * 64;
        for (const int64_t v : {edge - 1, edge, edge + 1, int64_t{a} - 1, int64_t{a}, int64_t{1}}) {
            if (v > INT32_MAX) continue;
            const Fixed f = static_cast<Fixed>(v);
            check({f, 7}, a);
            check({-7, f}, a);
            check({-f, f}, a);
            check({f, -f}, a);
        }
    }
    // Saturating and odd divisors, and the extremes of the range, on one axis or both (the
    // other axis small enough for the double rule).
    for (const Fixed a : {0, -1, -65536, INT32_MIN, 1, 2, 3}) {
        check({INT32_MAX, INT32_MIN}, a);
        check({1, INT32_MAX}, a);
        check({INT32_MIN, -1}, a);
        check({-12345, 678}, a);
        check({0, 0}, a);
    }
    // Quotients that are whole numbers and those one raw unit either side of one.
    for (const Fixed a : {3, 7, 65537, 999999}) {
        for (const int32_t k : {1, -1, 5, -63, 63}) {
            const int64_t whole = int64_t{k} * a;  // d = k a / 2^16 gives the quotient k exactly
            if (whole % 65536 == 0) check({static_cast<Fixed>(whole / 65536), static_cast<Fixed>(-whole / 65536)}, a);
            const Fixed near = static_cast<Fixed>(whole);  // d = k a: quotient k * 2^16
            check({near, wrapAdd(near, 1)}, a);
            check({wrapSub(near, 1), wrapNeg(near)}, a);
        }
    }
    std::mt19937 random(2026);
    for (int i = 0; i < 20000; ++i) {
        const int shift = static_cast<int>(random() % 31);
        const FixedVec d{static_cast<Fixed>(static_cast<int32_t>(random()) >> shift),
                         static_cast<Fixed>(static_cast<int32_t>(random()) >> shift)};
        check(d, approxLength(d));
        check(d, static_cast<Fixed>(static_cast<int32_t>(random()) >> (random() % 31)));
    }
}

}  // namespace
}  // namespace steering
