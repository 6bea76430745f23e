// The public Simulation over one steering::World: agents, goals, stepping and reading back.
#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>

#include "api/simulation_state.h"
#include "api/steering_api.h"
#include "steering/navigation_mode.h"
#include "world/fixed_math.h"

namespace steering::api {

namespace {

constexpr double kFixedScale = 65536.0;
constexpr double kMapUnits = kMapSide * kCellUnits;
// Agents move in 16.16: their positions reach 32,768 units, the map's first 128 cells.
constexpr double kAgentUnits = kMapUnits / 2;

double toDouble(Fixed value) { return static_cast<double>(value) / kFixedScale; }

// Whole 16.16 raw units, checked to fit.
Fixed toFixedChecked(double units, const char* what) {
    const double raw = std::round(units * kFixedScale);
    if (!std::isfinite(raw) || raw < -2147483648.0 || raw > 2147483647.0) {
        throw std::invalid_argument(std::string(what) + " " + std::to_string(units) + " is out of range");
    }
    return static_cast<Fixed>(raw);
}

NavigationMode internalMode(Mode mode) { return mode == Mode::Shortest ? NavigationMode::Shortest : NavigationMode::Classic; }

}  // namespace

void checkOnMap(Point p, const char* what, double limit) {
    if (!(p.x >= 0.0 && p.x < limit && p.y >= 0.0 && p.y < limit)) {
        const char* part = limit < kMapUnits ? " where agents walk (0 to 32768 world units, cells 0 to 127, on each axis)"
                                             : " (0 to 65536 world units on each axis)";
        throw std::invalid_argument(std::string(what) + " (" + std::to_string(p.x) + ", " + std::to_string(p.y) +
                                    ") is off the map" + part);
    }
}

FixedVec fixedPoint(Point p) { return FixedVec{toFixedChecked(p.x, "x"), toFixedChecked(p.y, "y")}; }

Simulation::Simulation(std::unique_ptr<State> state) : state_(std::move(state)) { state_->refresh(); }
Simulation::Simulation(Simulation&&) noexcept = default;
Simulation& Simulation::operator=(Simulation&&) noexcept = default;
Simulation::~Simulation() = default;

void Simulation::State::refresh() {
    agents.clear();
    for (Agent& agent : world->agentList) agents.push_back(&agent);
    if (positions->size() != agents.size() * 2) {
        positions = std::make_shared<std::vector<double>>(agents.size() * 2);
        velocities = std::make_shared<std::vector<double>>(agents.size() * 2);
    }
    std::vector<double>& p = *positions;
    std::vector<double>& v = *velocities;
    for (std::size_t i = 0; i < agents.size(); ++i) {
        p[2 * i] = toDouble(agents[i]->position.x);
        p[2 * i + 1] = toDouble(agents[i]->position.y);
        v[2 * i] = toDouble(agents[i]->velocity.x);
        v[2 * i + 1] = toDouble(agents[i]->velocity.y);
    }
}

Agent& Simulation::State::at(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= agents.size()) {
        throw std::out_of_range("agent index " + std::to_string(index) + " is out of range (the world has " +
                                std::to_string(agents.size()) + " agents)");
    }
    return *agents[static_cast<std::size_t>(index)];
}

bool Simulation::State::nearTarget(const Agent& agent) const {
    const double dx = toDouble(agent.position.x) - toDouble(agent.pathTarget.x);
    const double dy = toDouble(agent.position.y) - toDouble(agent.pathTarget.y);
    const double reach = 2.0 * toDouble(agent.radius);
    return dx * dx + dy * dy <= reach * reach;
}

void Simulation::State::advanceGoals() {
    for (std::size_t i = 0; i < agents.size() && i < goals.size(); ++i) {
        GoalSequence& sequence = goals[i];
        if (sequence.next >= sequence.targets.size() || !nearTarget(*agents[i])) continue;
        agents[i]->setTarget(sequence.targets[sequence.next]);
        ++sequence.next;
    }
}

int Simulation::addAgent(const AgentSpec& spec) {
    if (state_->scenario) throw std::logic_error("agents cannot be added to a test case's world");
    checkOnMap(spec.position, "agent position", kAgentUnits);
    if (!(spec.radius >= 0.0 && spec.radius <= 4096.0)) {
        throw std::invalid_argument("agent radius " + std::to_string(spec.radius) + " is out of range (0 to 4096)");
    }
    if (!(spec.speed >= 0.0 && spec.speed <= 4096.0)) {
        throw std::invalid_argument("agent speed " + std::to_string(spec.speed) + " is out of range (0 to 4096)");
    }
    World& world = *state_->world;
    Agent agent;
    makeAgentTemplate(agent, world.agentRandom);
    if (spec.radius > 0.0) agent.radius = toFixedChecked(spec.radius, "radius");
    if (spec.speed > 0.0) agent.maxSpeed = toFixedChecked(spec.speed, "speed");
    if (!spec.behaviours.empty()) {
        if (spec.behaviours.size() > 10) throw std::invalid_argument("an agent has at most 10 behaviours");
        agent.clearBehaviours();
        for (const Behaviour& behaviour : spec.behaviours) {
            if (!agent.addBehaviour(toFixedChecked(behaviour.weight, "behaviour weight"), behaviour.name.c_str())) {
                throw std::invalid_argument("unknown behaviour '" + behaviour.name + "'");
            }
        }
    }
    agent.place(fixedPoint(spec.position), FixedVec{0, 0});
    agent.pathTarget = agent.position;
    if (world.agentList.add(agent) == nullptr) throw std::bad_alloc();
    state_->goals.emplace_back();
    state_->refresh();
    return agentCount() - 1;
}

void Simulation::setTarget(int index, Point target) {
    Agent& agent = state_->at(index);
    checkOnMap(target, "target", kAgentUnits);
    agent.setTarget(fixedPoint(target));
    if (static_cast<std::size_t>(index) < state_->goals.size()) state_->goals[static_cast<std::size_t>(index)] = {};
    state_->refresh();
}

void Simulation::setGoals(int index, const std::vector<Point>& targets) {
    Agent& agent = state_->at(index);
    if (state_->scenario) throw std::logic_error("a test case's agents follow the case's own goals");
    GoalSequence sequence;
    for (Point target : targets) {
        checkOnMap(target, "goal", kAgentUnits);
        sequence.targets.push_back(fixedPoint(target));
    }
    if (!sequence.targets.empty()) {
        agent.setTarget(sequence.targets.front());
        sequence.next = 1;
    }
    state_->goals[static_cast<std::size_t>(index)] = std::move(sequence);
    state_->refresh();
}

void Simulation::setMode(Mode mode) {
    setNavigationMode(*state_->world, internalMode(mode));
    state_->refresh();
}

Mode Simulation::mode() const {
    return state_->world->navigationMode == NavigationMode::Shortest ? Mode::Shortest : Mode::Classic;
}

void Simulation::step(int steps) {
    if (steps < 0) throw std::invalid_argument("steps " + std::to_string(steps) + " is negative");
    State& state = *state_;
    for (int i = 0; i < steps; ++i) {
        if (state.scenario) {
            // As the window runs an open case: every step, also past its end (timed for the scores).
            state.scenario->step(state.world->agentList);
            // Agents that left are gone from the list: the index must follow.
            state.refresh();
        } else {
            state.world->agentList.updateAll();
            if (!state.goals.empty()) state.advanceGoals();
        }
        ++state.stepsRun;
    }
    state.refresh();
}

int Simulation::stepsRun() const { return state_->stepsRun; }

int Simulation::agentCount() const { return static_cast<int>(state_->agents.size()); }

AgentState Simulation::agent(int index) const {
    const Agent& agent = state_->at(index);
    AgentState out;
    out.position = {toDouble(agent.position.x), toDouble(agent.position.y)};
    out.velocity = {toDouble(agent.velocity.x), toDouble(agent.velocity.y)};
    out.pathDone = agent.pathDone;
    out.arrived = state_->nearTarget(agent);
    out.waypoint = agent.waypointIndex;
    out.pathPoints = agent.pathCount;
    out.stuck = toDouble(agent.stuckRatio());
    out.radius = toDouble(agent.radius);
    out.speed = toDouble(agent.maxSpeed);
    if (static_cast<std::size_t>(index) < state_->goals.size()) {
        out.goal = static_cast<int>(state_->goals[static_cast<std::size_t>(index)].next);
    }
    return out;
}

std::shared_ptr<const std::vector<double>> Simulation::positions() const { return state_->positions; }
std::shared_ptr<const std::vector<double>> Simulation::velocities() const { return state_->velocities; }

std::vector<Point> Simulation::planPath(Mode mode, Point from, Point to, double clearance) {
    checkOnMap(from, "path start", kMapUnits);
    checkOnMap(to, "path end", kMapUnits);
    if (!(clearance >= 0.0 && clearance <= 1024.0)) {
        throw std::invalid_argument("clearance " + std::to_string(clearance) + " is out of range (0 to 1024)");
    }
    World& world = *state_->world;
    steering::planPath(world, internalMode(mode), world.pathResult, static_cast<int>(from.x), static_cast<int>(from.y),
                       static_cast<int>(to.x), static_cast<int>(to.y), static_cast<int32_t>(clearance));
    std::vector<Point> path;
    path.reserve(static_cast<std::size_t>(world.pathResult.waypointCount));
    for (int i = 0; i < world.pathResult.waypointCount; ++i) {
        path.push_back({static_cast<double>(world.pathResult.waypoints[i].x), static_cast<double>(world.pathResult.waypoints[i].y)});
    }
    return path;
}

const char* modeName(Mode mode) { return navigationModeName(internalMode(mode)); }

Mode modeFromName(const std::string& name) {
    if (name == "classic") return Mode::Classic;
    if (name == "shortest") return Mode::Shortest;
    throw std::invalid_argument("navigation mode '" + name + "' is unknown (classic or shortest)");
}

}  // namespace steering::api
