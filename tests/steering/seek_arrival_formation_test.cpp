// "seek", "arrival" and "formation": forces from the documented examples, and whole runs
// that actually arrive.
#include <gtest/gtest.h>

#include <cmath>

#include "steering/behaviours.h"
#include "steering_test_world.h"

namespace steering {
namespace {

using test::at;
using test::bareAgent;
using test::forceOf;
using test::inUnits;
using test::units;

class SeekArrivalTest : public test::WorldTest {
protected:
    FixedVec target = at(2000, 1000);
};

TEST_F(SeekArrivalTest, SeekWantsTheWholeOffsetMinusTheVelocity) {
    Agent agent = bareAgent(world, at(1000, 1000), at(10, 5));
    agent.seekTarget = &target;
    EXPECT_EQ(forceOf("seek", agent), at(990, -5));
}

TEST_F(SeekArrivalTest, OnTheTargetSeekBrakesAndArrivalDoesNothing) {
    Agent agent = bareAgent(world, target, at(10, -5));
    agent.seekTarget = &target;
    EXPECT_EQ(forceOf("seek", agent), at(-10, 5));
    EXPECT_EQ(forceOf("arrival", agent), FixedVec{});
}

TEST_F(SeekArrivalTest, ArrivalIsCappedAtMaxSpeedFarAway) {
    Agent agent = bareAgent(world, at(1000, 1000), FixedVec{});
    agent.seekTarget = &target;  // 1000 away: 1000 / 10 = 100 is above 60.5
    const FixedVec force = forceOf("arrival", agent);
    EXPECT_NEAR(inUnits(force.x), 60.5, 0.05);  // the scale speed / L is a truncated ratio
    EXPECT_EQ(force.y, 0);
}

TEST_F(SeekArrivalTest, ArrivalSlowsToATenthOfTheDistance) {
    Agent agent = bareAgent(world, at(1700, 1000), at(5, 0));
    agent.seekTarget = &target;  // 300 away: wants 30
    const FixedVec force = forceOf("arrival", agent);
    EXPECT_NEAR(inUnits(force.x), 30.0 - 5.0, 0.01);
    EXPECT_EQ(force.y, 0);
}

TEST_F(SeekArrivalTest, ArrivalAgainstDoubleReferenceInAnyDirection) {
    for (int degrees = 0; degrees < 360; degrees += 10) {
        for (double distance : {50.0, 300.0, 604.0, 2500.0}) {
            const double angle = degrees * M_PI / 180.0;
            Agent agent = bareAgent(world, at(5000, 5000), at(3, -2));
            const FixedVec goal = at(5000 + distance * std::cos(angle), 5000 + distance * std::sin(angle));
            agent.seekTarget = &goal;
            const double speed = std::min(60.5, distance / 10.0);
            const FixedVec force = forceOf("arrival", agent);
            // vecLength works in 1/256-unit steps here: a small share of error.
            EXPECT_NEAR(inUnits(force.x), speed * std::cos(angle) - 3.0, 0.02 * speed + 0.01) << degrees;
            EXPECT_NEAR(inUnits(force.y), speed * std::sin(angle) + 2.0, 0.02 * speed + 0.01) << degrees;
        }
    }
}

TEST_F(SeekArrivalTest, AnArrivingAgentComesToRestOnTheTarget) {
    Agent agent = bareAgent(world, at(1000, 3000), FixedVec{});
    agent.addBehaviour(kFixedOne, "arrival");
    agent.seekTarget = &target;
    for (int i = 0; i < 400; ++i) agent.update();
    EXPECT_LT(std::abs(inUnits(agent.position.x - target.x)), 1.0);
    EXPECT_LT(std::abs(inUnits(agent.position.y - target.y)), 1.0);
    EXPECT_LT(inUnits(approxLength(agent.velocity)), 0.5);
}

TEST_F(SeekArrivalTest, ASeekingAgentKeepsOvershootingButStaysNear) {
    Agent agent = bareAgent(world, at(1000, 3000), FixedVec{});
    agent.addBehaviour(kFixedOne, "seek");
    agent.seekTarget = &target;
    double closest = 1e9;
    for (int i = 0; i < 200; ++i) {
        agent.update();
        closest = std::min(closest, inUnits(approxLength(agent.position - target)));
        ASSERT_LE(agent.velocity.x, agent.maxSpeed);
    }
    EXPECT_LT(closest, 61.0);  // it passes through within one step's travel
    EXPECT_LT(inUnits(approxLength(agent.position - target)), 2500.0);
}

TEST_F(SeekArrivalTest, AMissingTargetGivesNoForceInsteadOfACrash) {
    Agent agent = bareAgent(world, at(1000, 1000), at(10, 0));
    EXPECT_EQ(forceOf("seek", agent), FixedVec{});
    EXPECT_EQ(forceOf("arrival", agent), FixedVec{});
    EXPECT_EQ(forceOf("formation", agent), FixedVec{});
}

class FormationTest : public SeekArrivalTest {};

TEST_F(FormationTest, SlotBehindALeaderMovingAlongX) {
    Agent leader = bareAgent(world, at(1000, 1000), at(10, 0));
    leader.heading = at(1, 0);  // exact frame: vecNormalise gives 65530 raw here
    leader.side = at(0, 1);
    Agent follower = bareAgent(world, at(700, 1000), FixedVec{});
    follower.leader = &leader;
    follower.formationOffset = at(-300, 0);
    EXPECT_EQ(leader.toWorld(follower.formationOffset), at(700, 1000));
    EXPECT_EQ(forceOf("formation", follower), FixedVec{});  // already on its slot
    follower.velocity = at(4, 4);
    EXPECT_EQ(forceOf("formation", follower), FixedVec{});  // no braking term on the slot
}

TEST_F(FormationTest, AtRestLeaderCollapsesEverySlotOntoItself) {
    const Agent leader = bareAgent(world, at(1000, 1000), FixedVec{});
    Agent follower = bareAgent(world, at(1000, 1200), FixedVec{});
    follower.leader = &leader;
    follower.formationOffset = at(-300, 150);
    EXPECT_EQ(leader.toWorld(follower.formationOffset), leader.position);
    const FixedVec force = forceOf("formation", follower);
    EXPECT_EQ(force.x, 0);
    EXPECT_LT(force.y, 0);  // toward the leader
}

TEST_F(FormationTest, UsesTheApproximateDistance) {
    Agent leader = bareAgent(world, at(1000, 1000), at(10, 0));
    leader.heading = at(1, 0);
    leader.side = at(0, 1);
    Agent follower = bareAgent(world, at(400, 700), FixedVec{});
    follower.leader = &leader;
    follower.formationOffset = at(-300, 0);  // slot (700, 1000): offset (300, 300)
    // approxLength 450 -> speed 45, desired = d * 45 / 450: 30 along each axis,
    // where the true length would give 31.8.
    const FixedVec force = forceOf("formation", follower);
    EXPECT_NEAR(inUnits(force.x), 30.0, 0.01);
    EXPECT_NEAR(inUnits(force.y), 30.0, 0.01);
}

TEST_F(FormationTest, FollowersKeepTheirSlotsAroundATurningLeader) {
    FixedVec leaderGoal = at(6000, 2000);
    Agent leader = bareAgent(world, at(1000, 1000), FixedVec{});
    leader.addBehaviour(kFixedOne, "arrival");
    leader.seekTarget = &leaderGoal;
    Agent follower = bareAgent(world, at(800, 1200), FixedVec{});
    follower.addBehaviour(kFixedOne, "formation");
    follower.leader = &leader;
    follower.formationOffset = at(-400, 200);
    double worstWhileCruising = 0.0;
    for (int i = 0; i < 150; ++i) {
        leader.update();
        follower.update();
        if (i == 60) leaderGoal = at(6000, 8000);  // the leader turns toward +y
        if (i >= 40 && i < 60) {
            const FixedVec lag = leader.toWorld(follower.formationOffset) - follower.position;
            worstWhileCruising = std::max(worstWhileCruising, std::hypot(inUnits(lag.x), inUnits(lag.y)));
        }
    }
    // Arrival asks for a tenth of the distance, so at the leader's full speed of 60.5 the
    // follower trails its slot by about ten steps of travel.
    EXPECT_GT(worstWhileCruising, 550.0) << worstWhileCruising;
    EXPECT_LT(worstWhileCruising, 680.0) << worstWhileCruising;
    for (int i = 0; i < 200; ++i) {
        leader.update();
        follower.update();
    }
    // The leader has come to rest, so its heading is zero and the slot is its own position.
    const FixedVec slot = leader.toWorld(follower.formationOffset);
    EXPECT_LT(inUnits(approxLength(follower.position - slot)), 10.0);
}

}  // namespace
}  // namespace steering
