// "seek" and "arrival": steering toward the point the agent's seekTarget designates.
#include <cstdio>

#include "steering/agent.h"
#include "steering/behaviours.h"
#include "steering/world.h"

namespace steering {

namespace {
constexpr Fixed kArrivalDivisor = 10 * kFixedOne;  // desired speed = distance / 10 per step
}  // namespace

void reportMissingInput(Agent& agent, const char* behaviourName, const char* field) {
    // One line per world is enough: the same agent asks every step.
    if (agent.world != nullptr) {
        if (agent.world->missingInputReported) return;
        agent.world->missingInputReported = true;
    }
    std::fprintf(stderr, "steering: \"%s\" has no %s; it gives no force\n", behaviourName, field);
}

FixedVec arrivalForce(FixedVec d, Fixed distance, Fixed maxSpeed, FixedVec velocity) {
    if (distance == 0) return FixedVec{};
    Fixed speed = fixDiv(distance, kArrivalDivisor);
    if (maxSpeed < speed) speed = maxSpeed;
    return scaled(d, fixDiv(speed, distance)) - velocity;
}

FixedVec SeekBehaviour::computeForce(Agent& agent) const {
    if (agent.seekTarget == nullptr) {
        reportMissingInput(agent, name(), "seekTarget");
        return FixedVec{};
    }
    // The whole offset is the desired velocity; the combination clips it.
    const FixedVec d = *agent.seekTarget - agent.position;
    return d - agent.velocity;
}

FixedVec ArrivalBehaviour::computeForce(Agent& agent) const {
    if (agent.seekTarget == nullptr) {
        reportMissingInput(agent, name(), "seekTarget");
        return FixedVec{};
    }
    const FixedVec d = *agent.seekTarget - agent.position;
    return arrivalForce(d, vecLength(d), agent.maxSpeed, agent.velocity);
}

}  // namespace steering
