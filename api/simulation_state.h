#pragma once
// What a Simulation holds (not installed): the world, a test case run in it when there is
// one, the agents in list order and the arrays positions() and velocities() hand out.
#include <memory>
#include <vector>

#include "api/steering_api.h"
#include "scenario/scenario_world.h"
#include "steering/world.h"

namespace steering::api {

struct GoalSequence {
    std::vector<FixedVec> targets;
    std::size_t next = 0;  // the target given after the current one
};

struct Simulation::State {
    std::unique_ptr<World> world = makeWorld();
    std::unique_ptr<scenario::ScenarioRun> scenario;  // null unless made from a test case
    std::vector<Agent*> agents;                       // list order
    std::vector<GoalSequence> goals;                  // one per agent added (not for cases)
    // x, y per agent; new vectors when the agent count changes (see positions()).
    std::shared_ptr<std::vector<double>> positions = std::make_shared<std::vector<double>>();
    std::shared_ptr<std::vector<double>> velocities = std::make_shared<std::vector<double>>();
    int stepsRun = 0;

    // Re-reads the agents (their order, positions and velocities).
    void refresh();
    // The agent at index, or std::out_of_range.
    Agent& at(int index);
    bool nearTarget(const Agent& agent) const;
    void advanceGoals();
};

// Throws std::invalid_argument naming `what` when p is not in [0, limit) on both axes.
void checkOnMap(Point p, const char* what, double limit);
FixedVec fixedPoint(Point p);

}  // namespace steering::api
