// "formation": arrival at a slot held in the leader's own frame.
#include "steering/agent.h"
#include "steering/behaviours.h"

namespace steering {

FixedVec FormationBehaviour::computeForce(Agent& agent) const {
    if (agent.leader == nullptr) {
        reportMissingInput(agent, name(), "leader");
        return FixedVec{};
    }
    const FixedVec slot = agent.leader->toWorld(agent.formationOffset);
    const FixedVec d = slot - agent.position;
    // The cheap distance measure: the desired speed runs a little high, the desired
    // velocity a little short, which the followers' smoothness does not mind.
    return arrivalForce(d, approxLength(d), agent.maxSpeed, agent.velocity);
}

}  // namespace steering
