// "avoid_agents" inside AgentList::updateAll, where it passes over the neighbours the step's
// speed bound puts out of reach: against a plain form kept here (every neighbour of the full
// square through the whole closest-approach test), on random crowds stepped through updateAll,
// bit for bit; the bound covering every other agent whenever the behaviour runs; and the
// plain form whenever the behaviour is asked outside a step.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "steering/behaviours.h"
#include "steering/neighbour_visits.h"
#include "steering_test_world.h"
#include "avoid_reference.h"

namespace steering {
namespace {

using test::at;
using test::units;

using test::ProbeBehaviour;
using test::speedCovers;

class AvoidSpeedBoundTest : public test::WorldTest {
protected:
    std::mt19937_64 random{91226};
    ProbeBehaviour probe;
    FixedVec target;
    std::vector<Agent*> crowd;

    double uniform(double low, double high) { return std::uniform_real_distribution<double>(low, high)(random); }
    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); }

    FixedVec randomVelocity(double speed) {
        switch (pick(5)) {
        case 0: return FixedVec{};
        case 1: return at(pick(2) ? speed : -speed, 0.0);
        default: {
            const double angle = uniform(0.0, 6.283185307179586);
            return at(std::cos(angle) * speed, std::sin(angle) * speed);
        }
        }
    }

    enum class Start { Mixed, AtRest, Even };

    // count agents round centre: seeking the target (so they speed up within a step) and,
    // most of them, avoiding each other through the probe; some on one point, some head on.
    // Mixed: some much faster or wider than the rest. AtRest: all at rest. Even: all at one
    // speed, so the bound is tight, with head-on pairs as far apart as they can be and
    // still meet within the horizon.
    void fillCrowd(int count, FixedVec centre, double spread, Start start) {
        for (int i = 0; i < count; ++i) {
            const bool fast = start == Start::Mixed && pick(12) == 0;
            const double maxSpeed = start == Start::Even ? 60.0 : fast ? uniform(300.0, 2500.0) : uniform(20.0, 90.0);
            FixedVec position = centre + at(uniform(-spread, spread), uniform(-spread, spread));
            FixedVec velocity = start == Start::AtRest ? FixedVec{}
                                : start == Start::Even ? randomVelocity(60.0)
                                                       : randomVelocity(uniform(0.0, maxSpeed * 1.1));
            const int kind = pick(8);
            if (kind == 0 && !crowd.empty()) {
                position = crowd[static_cast<std::size_t>(pick(static_cast<int>(crowd.size())))]->position;
            } else if (kind <= 2 && !crowd.empty() && start != Start::AtRest) {
                const Agent& partner = *crowd[static_cast<std::size_t>(pick(static_cast<int>(crowd.size())))];
                velocity = FixedVec{-partner.velocity.x, -partner.velocity.y};
                const int apart = start == Start::Even ? 16 + pick(13) : 2 + pick(20);
                const FixedVec aside = at(uniform(-120.0, 120.0), uniform(-120.0, 120.0));
                // Wrapping, as positions do, where a fast partner's offset leaves the 16.16 range.
                position = partner.position + FixedVec{wrapMul(partner.velocity.x, apart), wrapMul(partner.velocity.y, apart)} + aside;
            }
            const double radius = pick(15) == 0 ? uniform(300.0, 900.0) : uniform(pick(10) == 0 ? 0.0 : 40.0, 230.0);
            Agent agent = test::bareAgent(world, position, velocity, radius);
            agent.maxSpeed = units(maxSpeed);
            agent.maxForce = units(uniform(5.0, fast ? 400.0 : 60.0));
            agent.seekTarget = &target;
            agent.addBehaviour(units(uniform(0.2, 1.0)), "seek");
            if (pick(6) != 0) {
                agent.behaviours.entries[agent.behaviours.count] = BehaviourEntry{kFixedOne, &probe};
                ++agent.behaviours.count;
            }
            crowd.push_back(world.agentList.add(agent));
        }
    }

    // Between steps, as a scenario or the api may: new velocities (here up to the fastest
    // agents' speeds) written in place.
    void rewriteSomeVelocities() {
        for (Agent* agent : crowd) {
            if (pick(10) == 0) agent->place(agent->position, randomVelocity(uniform(0.0, pick(4) == 0 ? 2500.0 : 120.0)));
        }
    }
};

TEST_F(AvoidSpeedBoundTest, CrowdsSteppedThroughUpdateAllGetThePlainForcesBitForBit) {
    int steps = 0;
    for (int round = 0; round < 30; ++round) {
        world.agentList.clear();
        crowd.clear();
        // Every position, spread and target included, within the 16.16 range (32,767 units).
        const FixedVec centre = at(uniform(6000.0, 26000.0), uniform(6000.0, 26000.0));
        target = centre + at(uniform(-500.0, 500.0), uniform(-500.0, 500.0));
        const Start start = round % 4 == 1 ? Start::AtRest : round % 4 == 3 ? Start::Even : Start::Mixed;
        fillCrowd(30 + pick(110), centre, round % 3 == 0 ? 400.0 : uniform(1000.0, 4000.0), start);
        for (int step = 0; step < 6; ++step, ++steps) {
            world.agentList.updateAll();
            if (step % 2 == 1) rewriteSomeVelocities();
        }
    }
    EXPECT_EQ(probe.differ, 0);
    EXPECT_EQ(probe.uncovered, 0);
    EXPECT_EQ(probe.outsideStep, 0);
    EXPECT_FALSE(world.stepSpeedBound.inStep);
    // Enough work for the comparison to mean something: every step probed, many agents pushed.
    EXPECT_EQ(steps, 180);
    EXPECT_GT(probe.calls, 180 * 30);
    EXPECT_GT(probe.pushed, probe.calls / 10);
}

TEST_F(AvoidSpeedBoundTest, TheBoundNeverComesUnderAnExactSpeed) {
    StepSpeedBound bound;
    const Fixed extremes[] = {0, 1, -1, 65535, 4194303, 94906265, 94906266, -2147483647 - 1, 2147483647};
    std::vector<FixedVec> seen;
    for (Fixed x : extremes) {
        for (Fixed y : extremes) seen.push_back(FixedVec{x, y});
    }
    for (int i = 0; i < 2000; ++i) {
        const int magnitude = 1 << pick(31);
        seen.push_back(FixedVec{static_cast<Fixed>(uniform(-magnitude, magnitude)), static_cast<Fixed>(uniform(-magnitude, magnitude))});
    }
    std::shuffle(seen.begin(), seen.end(), random);
    int uncovered = 0;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        bound.raiseSpeed(seen[i]);
        for (std::size_t j = 0; j <= i; ++j) uncovered += speedCovers(bound, seen[j]) ? 0 : 1;
    }
    EXPECT_EQ(uncovered, 0);
    // And not far above: one raw unit over the largest length.
    EXPECT_LT(bound.speed, std::sqrt(2.0) * 2147483648.0 + 2.0);
}

// Self at rest, the other 400 units off coming straight at it at 60 a step: it reaches the
// agent's side in under seven steps, so the plain form pushes. A bound claiming every agent
// is at rest would put it out of reach.
TEST_F(AvoidSpeedBoundTest, OutsideAStepTheBoundIsNotUsed) {
    Agent& self = *world.agentList.add(test::bareAgent(world, at(30000, 30000), FixedVec{}));
    Agent& other = *world.agentList.add(test::bareAgent(world, at(30400, 30010), at(-60, 0)));
    const FixedVec plain = test::referenceAvoidForce(self);
    ASSERT_NE(plain, FixedVec{});
    // A stale bound left as if known: ignored outside a step.
    world.stepSpeedBound.known = true;
    world.stepSpeedBound.speed = 0.0;
    world.stepSpeedBound.speedSquared = 0;
    EXPECT_EQ(test::forceOf("avoid_agents", self), plain);
    // The same bound inside a step is believed (which is why it must hold there).
    world.stepSpeedBound.inStep = true;
    EXPECT_EQ(test::forceOf("avoid_agents", self), FixedVec{});
    world.stepSpeedBound.inStep = false;

    // A step leaves no bound behind: velocities written after it count at once.
    self.addBehaviour(kFixedOne, "avoid_agents");
    other.addBehaviour(kFixedOne, "avoid_agents");
    world.agentList.updateAll();
    EXPECT_FALSE(world.stepSpeedBound.inStep);
    test::moveTo(world, self, at(30000, 30000));
    test::moveTo(world, other, at(31500, 30010));
    self.place(self.position, FixedVec{});
    other.place(other.position, at(-200, 0));
    const FixedVec after = test::referenceAvoidForce(self);
    ASSERT_NE(after, FixedVec{});
    EXPECT_EQ(test::forceOf("avoid_agents", self), after);
}

}  // namespace
}  // namespace steering
