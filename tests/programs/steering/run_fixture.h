#pragma once
// The steering program's run in tests: a test with a new run of its own (no window: no map,
// no agents, the generator at its first value, the starting view), or the run a headless
// session started.
#include <gtest/gtest.h>

#include <memory>

#include "programs/steering/steering_run.h"
#include "tools/headless/session.h"

namespace steering::test {

class RunTest : public ::testing::Test {
protected:
    SteeringRun& run() { return *runOwner; }
    World& world() { return *runOwner->world; }  // the run's current world (setupWorld makes a new one)

    std::unique_ptr<SteeringRun> runOwner = std::make_unique<SteeringRun>();
};

// The steering run a headless session started, and its current world.
inline SteeringRun& runOf(headless::Session& session) { return session.runAs<SteeringRun>(); }
inline World& worldOf(headless::Session& session) { return *runOf(session).world; }

}  // namespace steering::test
