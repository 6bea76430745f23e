#include "scenario/scenario_world.h"

#include <algorithm>
#include <cmath>

#include "scenario/scenario_reader.h"
#include "world/grid_map.h"
#include "world/map_file.h"
#include "world/map_install.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"

namespace scenario {

namespace {

constexpr uint32_t kNeighbourGridSide = 128;  // buckets of 512 world units, as the program's
constexpr double kFarMetres = 400.0;          // flow and flee aim this far along their direction
constexpr double kRayStepMetres = 0.25;
// Test-case agents also steer round the agents ahead of them (the program's agents only
// separate once touching); 1.0 of the combined force.
constexpr steering::Fixed kAvoidAgentsWeight = 65536;

steering::Fixed fixed(double worldUnits) { return static_cast<steering::Fixed>(std::llround(worldUnits * 65536.0)); }

}  // namespace

bool ScenarioRun::prepare(Scenario&& read, std::string& error) {
    scenario = std::move(read);
    if (!layoutCase(scenario, layout, error)) return false;
    cells.assign(static_cast<std::size_t>(kMapCells) * kMapCells, 0);
    rasteriseCase(scenario, layout, cells.data());
    buildArrivalZones(scenario, layout, cells.data(), zones);
    limit = stepLimit(scenario, kSecondsPerStep);
    return true;
}

Vec2 ScenarioRun::metresOf(const steering::Agent& agent) const {
    return Vec2{layout.metresX(agent.position.x / 65536.0), layout.metresZ(agent.position.y / 65536.0)};
}

void ScenarioRun::populate(steering::World& world, steering::NavigationMode mode) {
    steering::AgentList& agents = world.agentList;
    auto map = std::make_unique<steering::PreparedMap>();
    std::copy(cells.begin(), cells.end(), map->authored.begin());
    steering::prepareCells(*map);
    steering::installMap(world, *map);
    world.navigationMode = mode;

    goals.assign(scenario.agents.size(), AgentGoals{});
    for (std::size_t i = 0; i < scenario.agents.size(); ++i) {
        const AgentSpec& spec = scenario.agents[i];
        steering::Agent agent;
        steering::makeAgentTemplate(agent, world.agentRandom);
        agent.addBehaviour(kAvoidAgentsWeight, "avoid_agents");
        agent.radius = fixed(spec.radius * kWorldUnitsPerMetre);
        const double speed = spec.goals.empty() ? 1.3 : spec.goals.front().desiredSpeed;
        agent.maxSpeed = fixed(speed * kWorldUnitsPerMetre * kSecondsPerStep);
        const double v = spec.speed * kWorldUnitsPerMetre * kSecondsPerStep;
        agent.place(steering::FixedVec{fixed(layout.worldX(spec.position.x)), fixed(layout.worldY(spec.position.z))},
                    steering::FixedVec{fixed(spec.direction.x * v), fixed(spec.direction.z * v)});
        goals[i].agent = agents.add(agent);
    }
    for (std::size_t i = 0; i < goals.size(); ++i) beginGoal(static_cast<int>(i));
    stepIndex = 0;
    record = RunRecord{};
    record.system = mode == steering::NavigationMode::Classic ? "classic" : "shortest";
    record.secondsPerStep = kSecondsPerStep;
    record.start(static_cast<int>(goals.size()));
    timer = StepTimer{};
    afterStep(agents);
}

void ScenarioRun::beginGoal(int index) {
    AgentGoals& state = goals[index];
    const AgentSpec& spec = scenario.agents[index];
    state.goalStart = stepIndex;
    state.nextPlan = stepIndex;
    if (state.agent == nullptr || state.goal >= static_cast<int>(spec.goals.size())) return;
    const Goal& g = spec.goals[state.goal];
    steering::Agent& agent = *state.agent;
    agent.maxSpeed = fixed(g.desiredSpeed * kWorldUnitsPerMetre * kSecondsPerStep);
    if (g.kind == GoalKind::SeekStatic) {
        agent.setTarget(steering::FixedVec{fixed(layout.worldX(g.target.x)), fixed(layout.worldY(g.target.z))});
    } else if (g.kind == GoalKind::Idle) {
        agent.pathDone = true;  // path following brakes to a stand, with no path to go back to
        agent.pathCount = 0;
    } else {
        planMoving(index);
    }
}

// Moving targets: the other agent's position, or the farthest open point along a ray.
void ScenarioRun::planMoving(int index) {
    AgentGoals& state = goals[index];
    const Goal& g = scenario.agents[index].goals[state.goal];
    steering::Agent& agent = *state.agent;
    const Vec2 here = metresOf(agent);
    Vec2 other{};
    const bool dynamic = g.kind == GoalKind::SeekDynamic || g.kind == GoalKind::FleeDynamic || g.kind == GoalKind::FlowDynamic;
    if (dynamic) {
        const AgentGoals& target = goals[g.targetAgent];
        other = target.agent != nullptr ? metresOf(*target.agent) : record.at(record.steps, g.targetAgent);
    }
    Vec2 direction{};
    switch (g.kind) {
    case GoalKind::SeekDynamic:
        agent.setTarget(steering::FixedVec{fixed(layout.worldX(other.x)), fixed(layout.worldY(other.z))});
        state.nextPlan = stepIndex + kReplanSteps / 5;
        return;
    case GoalKind::FleeStatic: direction = Vec2{here.x - g.target.x, here.z - g.target.z}; break;
    case GoalKind::FleeDynamic: direction = Vec2{here.x - other.x, here.z - other.z}; break;
    case GoalKind::FlowStatic: direction = g.target; break;
    case GoalKind::FlowDynamic: direction = Vec2{other.x - here.x, other.z - here.z}; break;
    default: return;
    }
    const double length = std::hypot(direction.x, direction.z);
    if (!(length > 1e-9)) direction = Vec2{1.0, 0.0};
    else direction = Vec2{direction.x / length, direction.z / length};
    Vec2 aim = here;
    for (double d = kRayStepMetres; d <= kFarMetres; d += kRayStepMetres) {
        const Vec2 p{here.x + direction.x * d, here.z + direction.z * d};
        const int c = static_cast<int>(std::floor(layout.worldX(p.x) / 256.0));
        const int r = static_cast<int>(std::floor(layout.worldY(p.z) / 256.0));
        if (c < 0 || r < 0 || c >= kMapCells || r >= kMapCells || cells[r * kMapCells + c] != 0) break;
        aim = p;
    }
    agent.setTarget(steering::FixedVec{fixed(layout.worldX(aim.x)), fixed(layout.worldY(aim.z))});
    state.nextPlan = stepIndex + kReplanSteps;
}

void ScenarioRun::afterStep(steering::AgentList& agents) {
    std::vector<Vec2> where(goals.size());
    std::vector<uint8_t> present(goals.size(), 0);
    for (std::size_t i = 0; i < goals.size(); ++i) {
        AgentGoals& state = goals[i];
        const AgentSpec& spec = scenario.agents[i];
        if (state.agent == nullptr) {
            where[i] = record.at(record.steps, static_cast<int>(i));
            continue;
        }
        const Vec2 p = metresOf(*state.agent);
        where[i] = p;
        present[i] = 1;
        const int count = static_cast<int>(spec.goals.size());
        bool reachedLast = false;
        while (state.goal < count) {
            const Goal& g = spec.goals[state.goal];
            bool reached = false;
            if (g.kind == GoalKind::SeekStatic) {
                reached = insideArrivalZone(zones, layout, static_cast<int>(i), state.goal, p, spec.radius);
            } else if (g.kind == GoalKind::SeekDynamic && goals[g.targetAgent].agent != nullptr) {
                const Vec2 o = metresOf(*goals[g.targetAgent].agent);
                reached = std::hypot(p.x - o.x, p.z - o.z) <= spec.radius + scenario.agents[g.targetAgent].radius;
            }
            const bool timeUp = (stepIndex - state.goalStart) * kSecondsPerStep >= g.timeDuration - 1e-9;
            if (!reached && !timeUp) break;
            ++state.goal;
            reachedLast = reached && state.goal == count;
            beginGoal(static_cast<int>(i));
        }
        if (state.goal < count) {
            const GoalKind kind = spec.goals[state.goal].kind;
            if (kind != GoalKind::SeekStatic && kind != GoalKind::Idle && stepIndex >= state.nextPlan) {
                planMoving(static_cast<int>(i));
            }
        } else if (reachedLast && !keepArrived) {
            agents.remove(state.agent);  // it leaves from where it arrived, recorded present here
            state.agent = nullptr;
        }
    }
    record.append(where, present);
}

bool ScenarioRun::finished() const {
    if (stepIndex >= limit) return true;
    for (std::size_t i = 0; i < goals.size(); ++i) {
        if (goals[i].goal < static_cast<int>(scenario.agents[i].goals.size())) return false;
    }
    return true;
}

void ScenarioRun::step(steering::AgentList& agents) {
    timer.beginStep();
    agents.updateAll();
    timer.endStep();
    record.processorSeconds = timer.stepProcessorSeconds();
    record.agentSteps += agents.size();
    ++stepIndex;
    afterStep(agents);
}

bool runScenarioFile(const std::string& path, uint32_t seed, steering::NavigationMode mode, bool keepArrived,
                     steering::World& world, ScenarioRun& run, std::string& error) {
    ReadResult read = readScenarioFile(path, seed);
    if (!read.ok) {
        error = read.error;
        return false;
    }
    if (!run.prepare(std::move(read.scenario), error)) return false;
    run.keepArrived = keepArrived;
    world.gridMap.init(steering::kMapSide, steering::kMapSide);
    world.neighbourGrid.init(kNeighbourGridSide, kNeighbourGridSide);
    run.populate(world, mode);
    while (!run.finished()) run.step(world.agentList);
    return true;
}

}  // namespace scenario
