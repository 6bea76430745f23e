#pragma once
// The agent record of steering_walls, its behaviour list and the operations on it.
// Static obstacles are agents with the static flag set.
#include <cstdint>
#include <vector>

#include "programs/small_kit/double_vec.h"

namespace steering_walls {

using namespace small_kit;  // the vectors, random draws and start-up block the small programs share

class WallsBehaviour;
struct WallsWorld;

struct BehaviourEntry {
    double weight = 0.0;                    // factor of the behaviour's limited force
    const WallsBehaviour* behaviour = nullptr;  // a registry singleton, not owned
};

struct WallsAgent {
    bool isStatic = false;   // fixed circular obstacle: never updated, seen only by obstacle behaviours
    double mass = 1.0;       // divides the steering force; positive
    double radius = 10.0;    // body radius, pixels
    DoubleVec position{};    // centre, pixels
    DoubleVec velocity{};    // pixels per step, at most maxSpeed long
    double maxForce = 1.0;   // limit of each behaviour's force and of their sum, pixels per step^2
    double maxSpeed = 5.0;   // limit of the velocity; cap of "arrival" and "formation", pixels per step
    DoubleVec heading{};     // unit vector of the velocity after the last step; (0, 0) at rest
    DoubleVec side{};        // vecPerp(heading)
    const WallsAgent* target = nullptr;  // pursued by "seek"/"arrival"; the leader of "formation"; not owned
    DoubleVec formationOffset{};         // slot in the leader's frame: x along its heading, y along its side
    std::vector<BehaviourEntry> behaviours;  // evaluated in order; copies own their storage
    // The world that lists the agent, whose grid, walls and scratch list its behaviours
    // and overlays read; set by createAgent, not owned.
    WallsWorld* world = nullptr;
    // Number of the last grid query that listed this agent; lets a query skip duplicates
    // without searching its result list. Only the agent grid reads or writes it.
    mutable uint64_t queryMark = 0;
};

// Appends {weight, behaviour named name} when the registry holds that exact,
// case-sensitive name; otherwise returns false and changes nothing. A full list grows
// to size + max(size, 1) entries.
bool addBehaviour(WallsAgent& agent, double weight, const char* name);
// Empties the behaviour list (its capacity is kept) and clears the static flag.
void clearBehaviours(WallsAgent& agent);

// Where the agent will be after `steps` steps at its current velocity; a static agent
// stays where it is.
DoubleVec pointAhead(const WallsAgent& agent, double steps);

// Sum of every behaviour's force limited to maxForce and weighted; the sum itself is
// not limited. The update limits it; the vector overlay draws it as it is.
DoubleVec weightedForceSum(const WallsAgent& agent);

// One simulation step of a mobile agent; a static agent is left untouched.
void updateAgent(WallsAgent& agent);

}  // namespace steering_walls
