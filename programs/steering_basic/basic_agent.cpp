#include "programs/steering_basic/basic_agent.h"

#include <algorithm>
#include <cstring>

namespace steering_basic {

using small_kit::vecLimit;
using small_kit::vecNormalise;
using small_kit::vecPerp;

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
    small_kit::moveByForce(agent, agent.steeringForce);
}

}  // namespace steering_basic
