// "avoid_agents": the behaviour against a plain reference kept here (every neighbour of the
// square taken through the full closest-approach test, in the grid's order), on random
// crowds built to hit its edge cases: agents at rest, on one point, head on, moving apart,
// closing from far and near. The forces must match bit for bit.
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

struct CrowdStats {
    int agents = 0;
    int pushed = 0;   // agents with a non-zero force
    int capped = 0;   // agents whose force came out at the limit (the sum was scaled down)
    int differ = 0;
};

class AgentAvoidanceTest : public test::WorldTest {
protected:
    std::mt19937_64 random{20261209};
    std::vector<Agent*> crowd;

    double uniform(double low, double high) { return std::uniform_real_distribution<double>(low, high)(random); }
    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); }

    // A velocity drawn from the cases that matter: at rest, along an axis, exactly towards or
    // away from the crowd's centre, or any direction, at up to maxSpeed (sometimes beyond).
    FixedVec velocityFor(FixedVec position, FixedVec centre, double maxSpeed) {
        const double speed = uniform(0.0, maxSpeed * 1.2);
        double dx = static_cast<double>(centre.x) - position.x, dy = static_cast<double>(centre.y) - position.y;
        const double length = std::sqrt(dx * dx + dy * dy);
        switch (pick(6)) {
        case 0: return FixedVec{};
        case 1: return at(pick(2) ? speed : -speed, 0.0);
        case 2:
        case 3:
            if (length <= 0.0) return FixedVec{};
            if (pick(2)) dx = -dx, dy = -dy;
            return at(dx / length * speed, dy / length * speed);
        default: {
            const double angle = uniform(0.0, 6.283185307179586);
            return at(std::cos(angle) * speed, std::sin(angle) * speed);
        }
        }
    }

    // Fills the world with count agents round centre within spread world units: some on
    // shared points, some in head-on pairs, radii and limits of every size in use.
    void fillCrowd(int count, FixedVec centre, double spread) {
        for (int i = 0; i < count; ++i) {
            FixedVec position = centre + at(uniform(-spread, spread), uniform(-spread, spread));
            const double maxSpeed = uniform(20.0, 90.0);
            FixedVec velocity = velocityFor(position, centre, maxSpeed);
            const int kind = pick(8);
            const int size = static_cast<int>(crowd.size());
            if (kind == 0 && size > 0) {
                position = crowd[static_cast<std::size_t>(pick(size))]->position;  // on one point
            } else if (kind == 1 && size > 0) {
                const Agent& partner = *crowd[static_cast<std::size_t>(pick(size))];
                velocity = FixedVec{-partner.velocity.x, -partner.velocity.y};  // head on to it along its line
                position = partner.position + FixedVec{partner.velocity.x * 10, partner.velocity.y * 10};
            } else if (kind == 2 && size > 0) {
                velocity = crowd[static_cast<std::size_t>(pick(size))]->velocity;  // same velocity
            }
            Agent agent = test::bareAgent(world, position, velocity, uniform(pick(10) == 0 ? 0.0 : 40.0, 230.0));
            agent.maxSpeed = units(maxSpeed);
            agent.maxForce = units(uniform(1.0, 60.0));
            crowd.push_back(world.agentList.add(agent));
        }
    }

    CrowdStats compareAll() {
        const AvoidAgentsBehaviour* behaviour = static_cast<const AvoidAgentsBehaviour*>(findBehaviour("avoid_agents"));
        CrowdStats stats;
        for (std::size_t i = 0; i < crowd.size(); ++i) {
            Agent& agent = *crowd[i];
            const FixedVec expected = test::referenceAvoidForce(agent);
            const FixedVec got = behaviour->computeForce(agent);
            ++stats.agents;
            if (!(got == expected)) {
                ++stats.differ;
                ADD_FAILURE() << "agent " << i << ": (" << got.x << ", " << got.y << ") instead of (" << expected.x
                              << ", " << expected.y << ")";
            }
            if (!(expected == FixedVec{})) ++stats.pushed;
            const double length = std::hypot(static_cast<double>(expected.x), static_cast<double>(expected.y));
            if (std::fabs(length - agent.maxForce) <= 2.0) ++stats.capped;
        }
        return stats;
    }
};

TEST_F(AgentAvoidanceTest, RandomCrowdsGetTheReferenceForcesBitForBit) {
    CrowdStats total;
    for (int round = 0; round < 40; ++round) {
        world.agentList.clear();
        crowd.clear();
        const FixedVec centre = at(uniform(4000.0, 12000.0), uniform(4000.0, 12000.0));
        const double spread = round % 4 == 0 ? 300.0 : uniform(800.0, 5000.0);
        fillCrowd(20 + pick(120), centre, spread);
        const CrowdStats stats = compareAll();
        total.agents += stats.agents;
        total.pushed += stats.pushed;
        total.capped += stats.capped;
        total.differ += stats.differ;
    }
    EXPECT_EQ(total.differ, 0);
    // The crowds must exercise the behaviour: many agents pushed, some by more than the limit,
    // many left alone.
    EXPECT_GT(total.pushed, total.agents / 5);
    EXPECT_GT(total.capped, total.agents / 50);
    EXPECT_LT(total.pushed, total.agents);
}

TEST_F(AgentAvoidanceTest, HeadOnPairTurnsBothToTheirOwnRight) {
    // Worked by hand, radii 100 (wanted 225), closing at 20 a step: 400 apart they meet in
    // 20 steps, beyond the horizon; 200 apart in 10 steps with the centres on one point, so
    // each is pushed along its own side by 50 * (1 - 10/15) * (225 - 0) / 225 units.
    Agent& left = *world.agentList.add(test::bareAgent(world, at(1000, 1000), at(10, 0)));
    Agent& right = *world.agentList.add(test::bareAgent(world, at(1400, 1000), at(-10, 0)));
    EXPECT_EQ(test::forceOf("avoid_agents", left), FixedVec{});
    EXPECT_EQ(test::forceOf("avoid_agents", right), FixedVec{});
    test::moveTo(world, right, at(1200, 1000));
    ASSERT_EQ(left.side.x, 0);
    ASSERT_EQ(right.side.y, -left.side.y);
    const Fixed push = static_cast<Fixed>(std::llround(units(50.0) / 3.0));
    EXPECT_EQ(test::forceOf("avoid_agents", left), (FixedVec{0, left.side.y > 0 ? push : -push}));
    EXPECT_EQ(test::forceOf("avoid_agents", right), (FixedVec{0, right.side.y > 0 ? push : -push}));
    // Moving apart instead: nothing.
    left.velocity = at(-10, 0);
    right.velocity = at(10, 0);
    EXPECT_EQ(test::forceOf("avoid_agents", left), FixedVec{});
}

TEST_F(AgentAvoidanceTest, APassExactlyAtTheMarginIsIgnoredAndJustInsideItPushes) {
    // Radii 100: wanted = 100 * 1.25 + 100 = 225 units = 14745600 raw. The other passes the
    // agent at rest along x, 60 a step, closest after exactly one step at its y offset.
    // Just inside, the push is 50 * (1 - 1/15) * (225 - d) / 225 units, away in y.
    Agent& agent = *world.agentList.add(test::bareAgent(world, at(1000, 1000), FixedVec{}));
    Agent& other = *world.agentList.add(test::bareAgent(world, at(1060, 1000), at(-60, 0)));
    const Fixed wanted = 14745600;
    const auto pushAt = [&](Fixed offset) {
        test::moveTo(world, other, at(1060, 1000) + FixedVec{0, offset});
        return test::forceOf("avoid_agents", agent);
    };
    EXPECT_EQ(pushAt(wanted), FixedVec{});
    EXPECT_EQ(pushAt(wanted + 1), FixedVec{});
    EXPECT_EQ(pushAt(wanted - 5), (FixedVec{0, -1}));    // 1.04 raw
    EXPECT_EQ(pushAt(wanted - 50), (FixedVec{0, -10}));  // 10.37 raw
    EXPECT_EQ(pushAt(-(wanted - 50)), (FixedVec{0, 10}));
}

}  // namespace
}  // namespace steering
