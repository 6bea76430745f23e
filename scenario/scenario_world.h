#pragma once
// A case put into a running world and its agents' goal sequences followed step by step:
// seek a point through the current navigation mode, flee from a point or an agent, flow
// in a direction, stand; a goal ends when reached (case_layout.h's arrival zones) or when
// its time is up. An agent that reaches its last goal leaves the scene unless
// `keepArrived` is set. Each step appends the agents' positions to `record` for scoring.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scenario/case_layout.h"
#include "scenario/run_record.h"
#include "scenario/scenario.h"
#include "scenario/step_timer.h"
#include "steering/agent_list.h"
#include "steering/navigation_mode.h"
#include "steering/world.h"

namespace scenario {

// Steps between two plans of a moving target (dynamic seek, flee, flow): 5 s.
constexpr int kReplanSteps = 25;

struct AgentGoals {
    steering::Agent* agent = nullptr;  // null once it has left
    int goal = 0;                      // index of the goal being followed; goals.size() when done
    int goalStart = 0;                 // step at which that goal began
    int nextPlan = 0;                  // step of the next plan for a moving target
};

class ScenarioRun {
public:
    Scenario scenario;
    CaseLayout layout;
    ArrivalZones zones;
    std::vector<uint8_t> cells;  // the rasterised map, kMapCells^2
    bool keepArrived = false;
    std::vector<AgentGoals> goals;  // one per scenario agent
    int stepIndex = 0;
    int limit = 0;  // steps until the longest goal time is up
    RunRecord record;
    StepTimer timer;  // the steps' processor time, kept in record.processorSeconds

    // Lays the case out and rasterises it (false, with a one-line error, when it does not fit).
    bool prepare(Scenario&& read, std::string& error);
    // Puts the rasterised map into `world` (the grid map, obstacles, navigation) and the
    // case's agents into its agent list, which must be empty, in `mode`. The world's grid
    // map and neighbour grid must be initialised.
    void populate(steering::World& world, steering::NavigationMode mode);
    // Moves the goals on for the positions the agents now have; removes the agents that
    // left; records a sample. Call after each simulation step (and once after populate).
    void afterStep(steering::AgentList& agents);
    // Every agent's sequence ended, or the longest goal time is up.
    bool finished() const;
    // The agent list's step, then afterStep, with the step's processor time recorded.
    void step(steering::AgentList& agents);

private:
    void beginGoal(int index);
    void planMoving(int index);
    Vec2 metresOf(const steering::Agent& agent) const;
};

// A scenario run in one call (the headless driver, the tests): read `path` with `seed`,
// prepare, set up `world` (fresh from makeWorld) for the case, populate, step until
// finished; the agents that stayed are left in `world`. False with a one-line error when
// the file cannot be used.
bool runScenarioFile(const std::string& path, uint32_t seed, steering::NavigationMode mode, bool keepArrived,
                     steering::World& world, ScenarioRun& run, std::string& error);

}  // namespace scenario
