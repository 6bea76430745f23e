// A fixed 1000-step scenario of leaders, formations, seekers and arrivers: its final
// state hashes to the same value on every run and in every build.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "steering_test_world.h"

namespace steering {
namespace {

using test::at;
using test::units;

constexpr int kSteps = 1000;

// The hash recorded from the first run; RelWithDebInfo and the sanitizer build agree.
constexpr uint64_t kExpectedHash = 0xffe737b99b584799ull;

uint64_t mix(uint64_t hash, int32_t value) {
    // FNV-1a over the value's four bytes, lowest first.
    const uint32_t bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        hash ^= (bits >> (8 * i)) & 0xFFu;
        hash *= 1099511628211ull;
    }
    return hash;
}

uint64_t stateHash(const World& world) {
    uint64_t hash = 14695981039346656037ull;
    for (const Agent& agent : world.agentList) {
        for (Fixed v : {agent.position.x, agent.position.y, agent.velocity.x, agent.velocity.y, agent.heading.x,
                        agent.heading.y, agent.radius, agent.maxSpeed}) {
            hash = mix(hash, v);
        }
    }
    return hash;
}

// Targets change every 250 steps so every agent keeps turning and braking.
const FixedVec kWaypoints[] = {at(6000, 2000), at(9000, 7000), at(3000, 8000), at(2500, 2500)};

struct Outcome {
    uint64_t hash = 0;
    double leaderToTarget = 0.0;   // world units, at the end
    double movedByEveryone = 0.0;  // the shortest straight-line travel of any agent
};

Outcome runScenario() {
    const std::unique_ptr<World> worldOwner = test::freshWorld();
    World& world = *worldOwner;
    static FixedVec leaderTarget;
    static FixedVec crowdTarget;
    leaderTarget = kWaypoints[0];
    crowdTarget = kWaypoints[2];

    Agent leaderTemplate;
    makeAgentTemplate(leaderTemplate, world.agentRandom);
    leaderTemplate.clearBehaviours();
    leaderTemplate.addBehaviour(kFixedOne, "arrival");
    leaderTemplate.addBehaviour(units(5.2), "separation");
    leaderTemplate.seekTarget = &leaderTarget;
    leaderTemplate.place(at(2000, 2000), FixedVec{});
    Agent* leader = world.agentList.add(leaderTemplate);

    for (int i = 0; i < 9; ++i) {
        Agent follower;
        makeAgentTemplate(follower, world.agentRandom);
        follower.clearBehaviours();
        follower.addBehaviour(kFixedOne, "formation");
        follower.addBehaviour(units(5.2), "separation");
        follower.leader = leader;
        follower.formationOffset = at(-300.0 * (1 + i / 3), 300.0 * (i % 3 - 1));
        follower.place(at(1500 - 100 * i, 1800 + 60 * i), FixedVec{});
        world.agentList.add(follower);
    }
    for (int i = 0; i < 10; ++i) {
        Agent mover;
        makeAgentTemplate(mover, world.agentRandom);
        mover.clearBehaviours();
        mover.addBehaviour(kFixedOne, i % 2 == 0 ? "seek" : "arrival");
        mover.addBehaviour(units(5.2), "separation");
        mover.seekTarget = &crowdTarget;
        mover.place(at(4000 + 150 * i, 5000 - 90 * i), at(10 - 2 * i, 3 * i - 12));
        world.agentList.add(mover);
    }

    std::vector<FixedVec> start;
    for (const Agent& agent : world.agentList) start.push_back(agent.position);
    for (int step = 0; step < kSteps; ++step) {
        if (step > 0 && step % 250 == 0) {
            leaderTarget = kWaypoints[(step / 250) % 4];
            crowdTarget = kWaypoints[(step / 250 + 2) % 4];
        }
        world.agentList.updateAll();
    }
    Outcome outcome;
    outcome.hash = stateHash(world);
    const FixedVec toTarget = leaderTarget - leader->position;
    outcome.leaderToTarget = std::hypot(test::inUnits(toTarget.x), test::inUnits(toTarget.y));
    outcome.movedByEveryone = 1e9;
    std::size_t index = 0;
    for (const Agent& agent : world.agentList) {
        const FixedVec moved = agent.position - start[index++];
        outcome.movedByEveryone =
            std::min(outcome.movedByEveryone, std::hypot(test::inUnits(moved.x), test::inUnits(moved.y)));
    }
    return outcome;
}

TEST(Determinism, TwoRunsInOneProcessAgree) {
    EXPECT_EQ(runScenario().hash, runScenario().hash);
}

TEST(Determinism, TheScenarioHashIsTheRecordedOne) {
    const uint64_t hash = runScenario().hash;
    EXPECT_EQ(hash, kExpectedHash) << "hash 0x" << std::hex << hash;
}

TEST(Determinism, TheScenarioReallyMovesAndArrives) {
    // Guards the hash against a scenario that silently stands still.
    const Outcome outcome = runScenario();
    EXPECT_LT(outcome.leaderToTarget, 60.0);
    EXPECT_GT(outcome.movedByEveryone, 500.0);
}

}  // namespace
}  // namespace steering
