#include "programs/steering_walls/walls_agent.h"

#include <algorithm>

#include "programs/steering_walls/walls_behaviours.h"

namespace steering_walls {

bool addBehaviour(WallsAgent& agent, double weight, const char* name) {
    const WallsBehaviour* behaviour = findBehaviour(name);
    if (behaviour == nullptr) {
        return false;
    }
    std::vector<BehaviourEntry>& list = agent.behaviours;
    if (list.size() == list.capacity()) {
        list.reserve(list.size() + std::max<std::size_t>(list.size(), 1));
    }
    list.push_back({weight, behaviour});
    return true;
}

void clearBehaviours(WallsAgent& agent) {
    agent.behaviours.clear();
    agent.isStatic = false;
}

DoubleVec pointAhead(const WallsAgent& agent, double steps) {
    if (agent.isStatic) {
        return agent.position;
    }
    return agent.position + agent.velocity * steps;
}

DoubleVec weightedForceSum(const WallsAgent& agent) {
    DoubleVec sum{};
    for (const BehaviourEntry& entry : agent.behaviours) {
        const DoubleVec force = vecLimit(entry.behaviour->computeForce(agent), agent.maxForce);
        sum += force * entry.weight;
    }
    return sum;
}

void updateAgent(WallsAgent& agent) {
    if (agent.isStatic) {
        return;
    }
    moveByForce(agent, weightedForceSum(agent));
}

}  // namespace steering_walls
