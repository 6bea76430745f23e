// "avoid_agents" inside a step, where the step's index (steering/avoid_index.h) finds the
// neighbours, four at a time screened in single precision, and their pushes are summed in the
// grid's order: pairs built at the edges of the full test (closest approach just inside the
// wanted distance, the approach just inside the horizon, the farthest pair that can still
// meet within it, in every orientation, the agent moving or not), a neighbour that moved
// earlier in the step across the edge of the cells read, a neighbour the population does not
// hold, agents whose cells form no rectangle, more pushers than the index's way orders, and
// crowds with speeds past the index's 32-bit range, each against the plain form, bit for bit.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "steering/behaviours.h"
#include "steering_test_world.h"
#include "avoid_reference.h"

namespace steering {
namespace {

using test::at;
using test::units;

class AvoidScreenTest : public test::WorldTest {
protected:
    test::ProbeBehaviour probe;

    Agent& addProbed(FixedVec position, FixedVec velocity, double radius) {
        Agent agent = test::bareAgent(world, position, velocity, radius);
        agent.behaviours.entries[agent.behaviours.count] = BehaviourEntry{kFixedOne, &probe};
        ++agent.behaviours.count;
        return *world.agentList.add(agent);
    }
};

// Self (radius 100, wanted 1.25 x 100 + 80 = 205 units, raw 13,434,880) moving at `own`,
// the other (radius 80) moving at own + relative, where relative runs along one axis at 60
// units a step: placed so that the exact closest approach is `steps` steps ahead at `miss`
// raw units aside. The axis, the direction along it and the side are chosen by `turn`.
struct EdgePair {
    double steps;
    Fixed miss;
    int turn;
    FixedVec own;
    int pace = 1;  // the relative speed in 60s of units a step
};

FixedVec turned(int turn, Fixed along, Fixed aside) {
    const Fixed a = (turn & 1) ? -along : along;
    const Fixed b = (turn & 2) ? -aside : aside;
    return (turn & 4) ? FixedVec{b, a} : FixedVec{a, b};
}

TEST_F(AvoidScreenTest, PairsAtTheEdgesOfTheFullTestGetThePlainForce) {
    constexpr Fixed kWanted = 13434880;
    constexpr Fixed kSpeed = 3932160;  // 60 units a step
    std::vector<EdgePair> pairs;
    const FixedVec owns[] = {FixedVec{}, at(25, 0), at(-13, 41)};
    for (int turn = 0; turn < 8; ++turn) {
        for (const FixedVec own : owns) {
            // Just inside the wanted distance: by 1,000 raw units (a push of about 150 raw
            // units, so a screen that dropped it would show), and by 64 with a near approach.
            pairs.push_back({5.0, kWanted - 1000, turn, own});
            pairs.push_back({0.5, kWanted - 64, turn, own});
            // Just inside and just outside the horizon, well inside the wanted distance.
            pairs.push_back({14.9, kWanted / 2, turn, own});
            pairs.push_back({15.1, kWanted / 2, turn, own});
            // Just outside the wanted distance, and head on (to the own right when moving; at
            // rest the agent has no right, so no push).
            pairs.push_back({5.0, kWanted + 1000, turn, own});
            pairs.push_back({3.0, 0, turn, own});
        }
        // The farthest that can still meet: the agent at 60 a step straight at the other,
        // which comes at 60 (so the fastest agent's speed): 14.9 steps at 120 apart, 1,788
        // units, near the edge of the disc every pusher lies in.
        pairs.push_back({14.9, kWanted - 1000, turn, turned(turn, kSpeed, 0), 2});
        pairs.push_back({14.9, kWanted / 4, turn, turned(turn, kSpeed, 0), 2});
    }
    int mustPush = 0;
    for (const EdgePair& pair : pairs) {
        world.agentList.clear();
        const FixedVec self = at(20000, 20000);
        const Fixed along = static_cast<Fixed>(std::llround(pair.steps * kSpeed * pair.pace));
        // The other starts `along` behind the closest point and runs towards it.
        const FixedVec offset = turned(pair.turn, along, pair.miss);
        const FixedVec relative = turned(pair.turn, -kSpeed * pair.pace, 0);
        addProbed(self, pair.own, 100.0);
        Agent other = test::bareAgent(world, self + offset, pair.own + relative, 80.0);
        world.agentList.add(other);
        const int before = probe.pushed;
        world.agentList.updateAll();
        if (pair.steps < 15.0 && pair.miss < kWanted && (pair.miss > 0 || !(pair.own == FixedVec{}))) {
            ++mustPush;
            EXPECT_EQ(probe.pushed, before + 1) << "steps " << pair.steps << " miss " << pair.miss << " turn " << pair.turn;
        } else {
            EXPECT_EQ(probe.pushed, before) << "steps " << pair.steps << " miss " << pair.miss << " turn " << pair.turn;
        }
    }
    EXPECT_EQ(probe.differ, 0);
    EXPECT_EQ(probe.calls, static_cast<int>(pairs.size()));
    EXPECT_EQ(mustPush, 8 * (3 * 3 + 2 + 2));
}

// A neighbour registered in the grid but not in the population (at rest, so within the
// step's speed bound): the step knows no velocity for its record, so its copy must be passed
// on to the full test, which reads the agent.
TEST_F(AvoidScreenTest, ANeighbourOutsideThePopulationIsStillAvoided) {
    Agent& self = addProbed(at(20000, 20000), at(60, 0), 100.0);
    Agent ghost = test::bareAgent(world, at(20600, 20050), FixedVec{}, 80.0);
    world.neighbourGrid.insertAgent(&ghost, ghost.position, ghost.radius);
    world.agentList.updateAll();
    EXPECT_EQ(probe.calls, 1);
    EXPECT_EQ(probe.pushed, 1);
    EXPECT_EQ(probe.differ, 0);
    // Pushed away from the ghost: to negative y.
    EXPECT_LT(self.velocity.y, 0);
    world.neighbourGrid.removeAgent(&ghost, ghost.position, ghost.radius);
}

// The other, first in the population, comes straight at the agent at 60 a step from 14.9
// steps (at 120 apart) off, so it pushes; it began the step 60 units farther, in the next
// column of cells past the ones the agent's disc reaches (x 20,498 against 20,464, the
// column's edge at 20,480), so the index must widen its search by how far agents have moved.
TEST_F(AvoidScreenTest, ANeighbourThatMovedEarlierInTheStepIsStillFound) {
    constexpr double kSelfX = 18650.0;
    Agent other = test::bareAgent(world, at(kSelfX + 1848.0, 20000.0 + 150.0), at(-60, 0), 80.0);
    // It carries "avoid_agents" at no weight, so the step's index is taken before it moves.
    other.addBehaviour(0, "avoid_agents");
    world.agentList.add(other);
    addProbed(at(kSelfX, 20000.0), at(60, 0), 100.0);
    world.agentList.updateAll();
    EXPECT_EQ(probe.calls, 1);
    EXPECT_EQ(probe.pushed, 1);
    EXPECT_EQ(probe.differ, 0);
}

// A pile of more pushers than the index's way puts in order (80 coming in from all round):
// the grid's way.
TEST_F(AvoidScreenTest, MorePushersThanTheIndexOrdersGoTheGridsWay) {
    const FixedVec centre = at(20480.0, 20480.0);
    addProbed(centre, at(3, 1), 100.0);
    for (int i = 0; i < 80; ++i) {
        const double angle = 6.283185307179586 * i / 80.0;
        const FixedVec offset = at(std::cos(angle) * 600.0, std::sin(angle) * 600.0);
        const FixedVec inward = at(-std::cos(angle) * 60.0, -std::sin(angle) * 60.0);
        world.agentList.add(test::bareAgent(world, centre + offset, inward, 40.0));
    }
    world.agentList.updateAll();
    EXPECT_EQ(probe.calls, 1);
    EXPECT_EQ(probe.pushed, 1);
    EXPECT_EQ(probe.differ, 0);
}

// A pusher registered in cells that form no rectangle (a removal at a stale position took
// one of its four away), beside ordinary ones: the index cannot tell where the grid's visit
// meets it, so the grid's way.
TEST_F(AvoidScreenTest, APusherWhoseCellsFormNoRectangleGoesTheGridsWay) {
    addProbed(at(20480.0, 20480.0), at(3, 1), 100.0);
    // On the corner of four cells (columns 40-41, rows 39-40), coming straight at the agent.
    Agent& corner = *world.agentList.add(test::bareAgent(world, at(20992.0, 20480.0), at(-60, 0), 40.0));
    world.agentList.add(test::bareAgent(world, at(20480.0, 21100.0), at(0, -60), 40.0));
    world.agentList.add(test::bareAgent(world, at(19900.0, 20500.0), at(50, 0), 40.0));
    world.neighbourGrid.removeAgent(&corner, at(21100.0, 20600.0), corner.radius);  // cell (41, 40) only
    EXPECT_EQ(world.neighbourGrid.agentCount(41, 40), 0);
    EXPECT_EQ(world.neighbourGrid.agentCount(40, 40), 2);
    world.agentList.updateAll();
    EXPECT_EQ(probe.calls, 1);
    EXPECT_EQ(probe.pushed, 1);
    EXPECT_EQ(probe.differ, 0);
}

// Agents of speeds (8,300 to 12,000 units a step) that put the disc every pusher lies in past
// the index's 32-bit range, among ordinary ones, some coming straight at others: every force
// as the plain form's, in the steps with such speeds (the grid's way) and in the steps after
// them.
TEST_F(AvoidScreenTest, CrowdsWithSpeedsPastTheScreensRangeGetThePlainForces) {
    std::mt19937_64 random{5511};
    const auto uniform = [&](double low, double high) { return std::uniform_real_distribution<double>(low, high)(random); };
    int fastSteps = 0;
    for (int round = 0; round < 12; ++round) {
        world.agentList.clear();
        const FixedVec centre = at(uniform(8000.0, 24000.0), uniform(8000.0, 24000.0));
        std::vector<Agent*> crowd;
        for (int i = 0; i < 60; ++i) {
            const bool fast = i % 15 == 0;
            const double speed = fast ? uniform(8300.0, 12000.0) : uniform(0.0, 90.0);
            const double angle = uniform(0.0, 6.283185307179586);
            FixedVec velocity = at(std::cos(angle) * speed, std::sin(angle) * speed);
            FixedVec position = centre + at(uniform(-1500.0, 1500.0), uniform(-1500.0, 1500.0));
            if (fast && !crowd.empty()) {
                // Straight at an earlier agent, two steps off.
                const Agent& mark = *crowd[static_cast<std::size_t>(i) % crowd.size()];
                position = mark.position - FixedVec{wrapMul(velocity.x, 2), wrapMul(velocity.y, 2)};
            }
            crowd.push_back(&addProbed(position, velocity, uniform(40.0, 230.0)));
            crowd.back()->maxSpeed = units(fast ? 12000.0 : 90.0);
        }
        for (int step = 0; step < 3; ++step) {
            world.agentList.updateAll();
            if (world.stepSpeedBound.speed >= 0x1p29) ++fastSteps;
        }
    }
    EXPECT_EQ(probe.differ, 0);
    EXPECT_GT(fastSteps, 12);
    EXPECT_GT(probe.pushed, probe.calls / 20);
}

}  // namespace
}  // namespace steering
