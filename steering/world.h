#pragma once
// One simulation: its terrain (map, obstacles, neighbour grid, navigation), its agents and
// their random generator, the navigation mode, the planners' working state and the places
// claimed round targets. The program (or a test, a tool, a benchmark) makes one with
// makeWorld and passes it by reference; nothing in the simulation lives anywhere else, so several worlds run side by side, on
// several threads, without touching each other.
#include <cmath>
#include <cstdint>
#include <memory>

#include "navigation/navigation.h"
#include "navigation/shortest_path.h"
#include "steering/agent.h"
#include "steering/agent_list.h"
#include "steering/arrival_places.h"
#include "steering/avoid_index.h"
#include "steering/navigation_mode.h"
#include "steering/neighbour_scratch.h"
#include "steering/path_following.h"
#include "world/random_generator.h"
#include "world/terrain.h"
#include "world/world_navigation.h"

namespace steering {

// Upper bounds on every agent's speed and radius, valid only while AgentList::updateAll steps
// its agents: "avoid_agents" uses them to pass over, unread, the neighbours that cannot come
// near enough within its horizon. updateAll sets inStep and clears known; the first
// "avoid_agents" of the step takes every agent's speed and radius (takeAgents), and from then
// on updateAll raises the speed after each agent's update. Why that covers every other agent:
// within a step the only writes of an agent's velocity are in its own Agent::update (the
// acceleration's vecLimit and the wall slide), after all its forces are computed, so while one
// agent computes its forces every other agent's velocity is either what the pass read or what
// the raise after its update read. Every other write (place, copies, the api, the scenarios,
// map edits, replay) happens between steps and is read by the next step's pass. Radii are only
// written before an agent joins the population. Worlds that never carry "avoid_agents" never
// run the pass: the raise is then one test of known per agent.
// The same pass builds the step's AvoidIndex (steering/avoid_index.h), which updateAll keeps
// current after each agent's move.
struct StepSpeedBound {
    bool inStep = false;         // inside updateAll's loop
    bool known = false;          // the pass ran this step, so the fields below hold
    bool radiiNonNegative = true;
    uint64_t speedSquared = 0;   // max of vx^2 + vy^2 (raw 16.16 components, exact in 64 bits)
    double speed = 0.0;          // >= sqrt(speedSquared), raw units per step
    Fixed radius = 0;            // max radius, raw

    // Marks the bound as held, not yet known, for its lifetime; however that ends, it is
    // held no longer (known then means nothing).
    class Scope {
    public:
        explicit Scope(StepSpeedBound& bound) : bound_(bound) { bound_.inStep = true, bound_.known = false; }
        ~Scope() { bound_.inStep = false; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        StepSpeedBound& bound_;
    };

    void raiseSpeed(FixedVec velocity) {
        const int64_t x = velocity.x, y = velocity.y;
        // |x|, |y| <= 2^31: each square <= 2^62, the sum <= 2^63 fits unsigned.
        const uint64_t squared = static_cast<uint64_t>(x * x) + static_cast<uint64_t>(y * y);
        if (squared <= speedSquared) return;
        speedSquared = squared;
        // The conversion and the root each round by at most 2^-53 of a value below 2^32, so
        // the result is within 2^-20 of the true root: one raw unit more is above it.
        speed = std::sqrt(static_cast<double>(squared)) + 1.0;
    }
};

struct World : Terrain {
    World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    AgentList agentList{*this};
    RandomGenerator agentRandom;  // draws the agents' radii and speeds
    NavigationMode navigationMode = NavigationMode::Classic;
    // Where the classic mode's requests go: the terrain's planner unless a test replaces it.
    PathRequestFunction pathRequest = &requestWorldPath;
    nav::PathResult pathResult;  // the one answer buffer of the planners, read right after each request
    // The shortest planner's working state: some 12 MB, made with the world, so no query
    // and no frame ever allocates it.
    std::unique_ptr<nav::ShortestSearchState> shortestSearch;
    NeighbourScratch neighbourScratch;
    // The Shortest mode's places claimed round targets and the place search's arrays.
    ArrivalPlaces arrivalPlaces;
    bool missingInputReported = false;  // a behaviour without its input said so once
    StepSpeedBound stepSpeedBound;  // written by AgentList::updateAll and "avoid_agents" only
    AvoidIndex avoidIndex;          // the same
};

// A fresh world: no map cells (initialise gridMap and neighbourGrid before use), no agents,
// no claimed places, the generator at its first value, the Classic mode. On the heap: its
// tables take megabytes.
std::unique_ptr<World> makeWorld();

}  // namespace steering
