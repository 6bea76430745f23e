// The agent's template, copying, behaviour list, frame operations and its one-step update.
#include "steering/agent.h"

#include "steering/navigation_mode.h"
#include "steering/world.h"
#include "world/grid_map.h"

namespace steering {

namespace {

constexpr Fixed kTemplateMass = kFixedOne;                 // 1.0
constexpr Fixed kTemplateMaxForce = 50 * kFixedOne;        // 50.0 world units per step^2
constexpr Fixed kTemplateBaseRadius = 10 * kFixedOne;      // 10.0 pixels at creation zoom
constexpr Fixed kTemplateRadiusSpread = 5 * kFixedOne;     // +-5.0 pixels
constexpr Fixed kTemplateBaseSpeed = 3964928;              // 60.5 world units per step
constexpr Fixed kTemplateSpeedSpread = 25 * kFixedOne;     // +-25.0
constexpr Fixed kRandomDivisor = 1023;                     // r in 0..1023 -> [0, 1]

// Weights of the standard behaviour list, in list order.
constexpr Fixed kWallsWeight = 65536;        // 1.0
constexpr Fixed kObstacleWeight = 91750;     // 1.4
constexpr Fixed kFollowPathWeight = 13107;   // 0.2
constexpr Fixed kSeparationWeight = 340787;  // 5.2

// A uniform number in [-1.0, 1.0] from the next generator value.
Fixed randomUnit(RandomGenerator& random) {
    const int r = random.next() >> 5;  // 0..1023
    const Fixed f = fixDiv(r, kRandomDivisor);
    return wrapSub(wrapMul(2, f), kFixedOne);
}

void copyExceptWaypoints(Agent& to, const Agent& from) {
    to.mass = from.mass;
    to.radius = from.radius;
    to.position = from.position;
    to.velocity = from.velocity;
    to.maxForce = from.maxForce;
    to.maxSpeed = from.maxSpeed;
    to.heading = from.heading;
    to.side = from.side;
    to.seekTarget = from.seekTarget;
    to.leader = from.leader;
    to.formationOffset = from.formationOffset;
    to.pathTarget = from.pathTarget;
    to.pathCount = from.pathCount;
    to.storedCount = from.storedCount;
    to.waypointIndex = from.waypointIndex;
    to.pathDone = from.pathDone;
    for (int i = 0; i < kStoredWaypoints; ++i) {
        to.waypoints[i] = FixedVec{};
        to.segmentLength[i] = 0;
    }
    to.pathLength = from.pathLength;
    to.storedRemaining = from.storedRemaining;
    to.beyondLength = from.beyondLength;
    to.lastProgress = from.lastProgress;
    to.progressHistory = from.progressHistory;
    to.stuckReplanPause = from.stuckReplanPause;
    to.placeCell = -1;  // a claim is the claiming agent's own
    to.placePoint = FixedVec{};
    to.placeBest = 0;
    to.placeStall = 0;
    to.placeHeld = 0;
    to.behaviours = from.behaviours;
    to.world = from.world;
}
}  // namespace

void makeAgentTemplate(Agent& agent, RandomGenerator& random, double worldUnitsPerPixel) {
    agent = Agent{};
    agent.pathDone = true;
    agent.clearBehaviours();
    agent.addBehaviour(kWallsWeight, "avoid_walls");
    agent.addBehaviour(kObstacleWeight, "avoid_obstacle");
    agent.addBehaviour(kObstacleWeight, "repel_obstacle");
    agent.addBehaviour(kFollowPathWeight, "follow_path");
    agent.addBehaviour(kSeparationWeight, "separation");

    const Fixed r1 = wrapAdd(kTemplateBaseRadius, fixMul(randomUnit(random), kTemplateRadiusSpread));
    agent.radius = truncToInt(static_cast<double>(r1) * worldUnitsPerPixel);
    agent.mass = kTemplateMass;
    agent.maxForce = kTemplateMaxForce;
    agent.maxSpeed = wrapAdd(kTemplateBaseSpeed, fixMul(randomUnit(random), kTemplateSpeedSpread));
    agent.position = FixedVec{};
}

Agent::Agent(const Agent& other) { copyExceptWaypoints(*this, other); }

Agent& Agent::operator=(const Agent& other) {
    if (this != &other) copyExceptWaypoints(*this, other);
    return *this;
}

bool Agent::addBehaviour(Fixed weight, const char* name) {
    const Behaviour* prototype = findBehaviour(name);
    if (prototype == nullptr) return false;
    if (behaviours.count < BehaviourList::kCapacity) {
        behaviours.entries[behaviours.count] = BehaviourEntry{weight, prototype};
        ++behaviours.count;
    }
    return true;  // a full list ignores the entry without telling
}

void Agent::clearBehaviours() { behaviours.count = 0; }

void Agent::place(FixedVec newPosition, FixedVec newVelocity) {
    position = newPosition;
    velocity = newVelocity;
}

void Agent::update() {
    // Every force is clipped to the common budget before weighting and the weighted sum
    // is clipped again, so no behaviour can push past maxForce.
    FixedVec sum{};
    for (std::size_t i = 0; i < behaviours.count; ++i) {
        const BehaviourEntry& entry = behaviours.entries[i];
        const FixedVec force = vecLimit(entry.behaviour->computeForce(*this), maxForce);
        sum += scaled(force, entry.weight);
    }
    const FixedVec total = vecLimit(sum, maxForce);
    // A unit mass divides nothing away: (x << 16) / 1.0 is x exactly, and fits.
    const FixedVec acceleration = mass == kFixedOne ? total : divided(total, mass);
    velocity = vecLimit(velocity + acceleration, maxSpeed);

    // A wall cell at the candidate blocks the move but keeps the velocity, so the agent
    // presses on until a force turns it.
    const FixedVec candidate = position + velocity;
    if (world->gridMap.cellAt(world->gridMap.worldToCell(candidate)) != kWallType) {
        position = candidate;
    } else if (world->navigationMode == NavigationMode::Shortest) {
        slideAlongWall(*this);
    }

    heading = vecNormalise(velocity);
    side = vecPerp(heading);

    const Fixed progress = pathProgress();
    progressHistory <<= 1;
    if (progress < lastProgress) progressHistory |= 1u;
    lastProgress = progress;
}

}  // namespace steering
