#pragma once
// One autonomous mover of the steering program, in 16.16 world units, and its frame
// operations. Speeds are world units per simulation step; there is no time step.
#include <cstddef>
#include <cstdint>

#include "steering/behaviour.h"
#include "world/fixed_math.h"
#include "world/random_generator.h"

namespace steering {

struct World;

// Path points an agent holds at a time; a longer path is re-planned from where the agent
// stands when these run out, which keeps the agent small and the path fresh.
constexpr int kStoredWaypoints = 5;

struct Agent {
    Fixed mass = 0;              // 16.16, divisor of the combined force (1.0 from the template)
    Fixed radius = 0;            // world units, 16.16 (75 to 225 at the starting zoom)
    FixedVec position;           // centre, world units, 16.16
    FixedVec velocity;           // world units per step, 16.16
    Fixed maxForce = 0;          // world units per step^2: limit of each force and of their weighted sum
    Fixed maxSpeed = 0;          // limit of the velocity, world units per step (35.5 to 85.5)
    FixedVec heading;            // unit vector of the velocity (about 65536 raw long); (0, 0) at rest
    FixedVec side;               // vecPerp(heading)
    const FixedVec* seekTarget = nullptr;  // point pursued by "seek" and "arrival", not owned
    const Agent* leader = nullptr;         // agent followed by "formation", not owned
    FixedVec formationOffset;    // slot in the leader's frame: x ahead, y along its side
    FixedVec pathTarget;         // last target given to setTarget, world units
    int32_t pathCount = 0;       // points of the last planned path
    int32_t storedCount = 0;     // min(pathCount, kStoredWaypoints)
    int32_t waypointIndex = 0;   // index into waypoints of the waypoint being approached
    bool pathDone = true;        // no path, or finished
    FixedVec waypoints[kStoredWaypoints];        // first path points, world units
    Fixed segmentLength[kStoredWaypoints] = {};  // approxLength from waypoint i to i + 1; 0 past the last
    Fixed pathLength = 0;        // approxLength estimate of the whole path at planning time
    Fixed storedRemaining = 0;   // sum of the segmentLength entries not yet passed
    Fixed beyondLength = 0;      // path length after the last stored waypoint
    Fixed lastProgress = 0;      // pathProgress of the previous step, 16.16 share of the path
    uint32_t progressHistory = 0;  // one bit per step, newest in bit 0: 1 = progress fell
    // Shortest paths: steps left before the stuck rule may plan again; until then a stuck
    // agent starts its stuck window again instead (path_following.cpp).
    int32_t stuckReplanPause = 0;
    int32_t placeCell = -1;      // shortest paths: cell claimed round the target (arrival_places.h), -1 none
    FixedVec placePoint;         // the target itself in its own cell, else that cell's centre: where it arrives
    // Settling at a place (arrival_places.h): the nearest the agent has come to its place
    // since it claimed it or last settled, and the steps since it last got nearer; off the
    // last waypoint, the windows of kPlaceStallSteps in a row it has come no nearer.
    Fixed placeBest = 0;
    int32_t placeStall = 0;
    int32_t placeHeld = 0;
    BehaviourList behaviours;
    World* world = nullptr;      // the world the agent lives in (set by its AgentList), not owned
    // The neighbour grid's record number for this agent as its last insert or move returned
    // it: a hint the grid checks before use (a copy starts without one).
    int32_t gridRecord = 0;

    Agent() = default;
    // A copy takes every field except the waypoints and segment lengths, which start at zero.
    Agent(const Agent& other);
    Agent& operator=(const Agent& other);

    // Behaviour list (capacity 10; an 11th entry is ignored).
    bool addBehaviour(Fixed weight, const char* name);
    void clearBehaviours();

    void place(FixedVec newPosition, FixedVec newVelocity);
    void update();  // one simulation step

    // Inline: the obstacle visits turn every candidate into the agent's frame.
    FixedVec pointAhead(Fixed k) const { return position + scaled(velocity, k); }
    FixedVec toLocal(FixedVec point) const {  // (ahead, sideways) of point
        const FixedVec d = point - position;
        return {dotFixed(heading, d), dotFixed(side, d)};
    }
    FixedVec toWorldDirection(FixedVec local) const { return scaled(heading, local.x) + scaled(side, local.y); }
    FixedVec toWorld(FixedVec local) const { return toWorldDirection(local) + position; }

    // Path following.
    void setTarget(FixedVec point);
    Fixed pathProgress() const;  // 1.0 when pathDone
    Fixed stuckRatio() const;    // share of the last 15 steps in which progress fell
    Fixed crowding() const;      // 0..1, saturating at 16 agents near the current waypoint
};

// Asks for the agent's memory ahead of its update: the step reads nearly all of it, and an
// agent's record spans several cache lines that the update would otherwise wait for one
// after another.
inline void prefetchAgent(const Agent& agent) {
    const char* bytes = reinterpret_cast<const char*>(&agent);
    for (std::size_t offset = 0; offset < sizeof(Agent); offset += 64) __builtin_prefetch(bytes + offset);
}

// World units per pixel at the steering program's starting zoom.
constexpr double kStartWorldUnitsPerPixel = 15.0;

// Fills a template agent: the five standard behaviours, a random radius and maxSpeed.
// The radius is drawn in pixels and converted with worldUnitsPerPixel (the view's current
// zoom), so a new agent looks 5 to 15 pixels wide whatever the view.
void makeAgentTemplate(Agent& agent, RandomGenerator& random, double worldUnitsPerPixel = kStartWorldUnitsPerPixel);

// The generator the steering program's agents are drawn from; its set-up resets it.

}  // namespace steering
