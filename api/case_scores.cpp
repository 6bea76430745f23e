// A test case's progress and scores, as plain values.
#include <stdexcept>

#include "api/simulation_state.h"
#include "api/steering_api.h"
#include "scenario/scores.h"

namespace steering::api {

bool Simulation::isScenario() const { return state_->scenario != nullptr; }

bool Simulation::finished() const {
    if (!state_->scenario) throw std::logic_error("finished(): this world runs no test case");
    return state_->scenario->finished();
}

int Simulation::runToEnd() {
    int steps = 0;
    while (!finished()) {
        step(1);
        ++steps;
    }
    return steps;
}

Scores Simulation::scores() const {
    if (!state_->scenario) throw std::logic_error("scores(): this world runs no test case");
    const scenario::ScenarioRun& run = *state_->scenario;
    const scenario::RunScores s = scenario::scoreRun(run.scenario, run.layout, run.cells.data(), run.zones, run.record);
    Scores out;
    out.caseName = s.caseName;
    out.system = s.system;
    out.agents = s.agents;
    out.done = s.done;
    out.t50 = s.t50;
    out.t95 = s.t95;
    out.t100 = s.t100;
    out.stillOut = s.stillOut;
    out.agentCollisions = s.agentCollisions;
    out.obstacleCollisions = s.obstacleCollisions;
    out.walkedOverShortest = s.walkedOverShortest;
    out.walkedOverStraight = s.walkedOverStraight;
    out.effortPerAgent = s.effortPerAgent;
    out.steps = s.steps;
    out.seconds = s.seconds;
    out.doneByStep = s.doneByStep;
    for (const scenario::AgentScore& a : s.perAgent) {
        out.perAgent.push_back({a.reachedAll, a.doneSeconds, a.goalsReached, a.remainingMetres, a.agentCollisions,
                                a.obstacleCollisions, a.walkedMetres, a.shortestMetres});
    }
    out.json = scenario::scoresJson(s, true);
    return out;
}

}  // namespace steering::api
