#include "programs/steering_basic/basic_agent.h"

#include <algorithm>
#include <cstring>

namespace steering_basic {

using steering_walls::vecLimit;
using steering_walls::vecNormalise;
using steering_walls::vecPerp;

const BasicBehaviour* findBehaviour(const char* name) { return steering::findByName(behaviourRegistry(), name); }

bool addBehaviour(BasicAgent& agent, double weight, const char* name) {
    const BasicBehaviour* behaviour = findBehaviour(name);
    if (behaviour == nullptr) return false;
    std::vector<BehaviourEntry>& list = agent.behaviours;
    if (list.size() == list.capacity()) {
        list.reserve(list.size() + std::max<std::size_t>(list.size(), 1));
    }
    list.push_back({weight, behaviour});
    return true;
}

void clearBehaviours(BasicAgent& agent) { agent.behaviours.clear(); }

void updateAgent(BasicAgent& agent) {
    agent.steeringForce = {};
    if (agent.isStatic) return;
    for (const BehaviourEntry& entry : agent.behaviours) {
        entry.behaviour->apply(entry.weight, agent);
    }
    const DoubleVec steering = vecLimit(agent.steeringForce, agent.maxForce);
    const DoubleVec acceleration = steering / agent.mass;
    agent.velocity = vecLimit(agent.velocity + acceleration, agent.maxSpeed);
    agent.position = agent.position + agent.velocity;
    agent.heading = vecNormalise(agent.velocity);
    agent.side = vecPerp(agent.heading);
}

}  // namespace steering_basic
