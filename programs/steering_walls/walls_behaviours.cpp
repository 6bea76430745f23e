// The behaviour registry and the behaviours that steer towards a point or away from
// neighbours. The look-ahead avoidances are in walls_avoidance.cpp.
#include "programs/steering_walls/walls_behaviours.h"

#include <cmath>
#include <cstring>

#include "programs/steering_walls/walls_avoidance.h"
#include "programs/steering_walls/walls_world.h"

namespace steering_walls {

namespace {

// Desired velocity towards `point` at a tenth of the distance per step, capped at the
// agent's maximum speed, minus the current velocity; zero on the point itself.
DoubleVec arriveAt(const WallsAgent& agent, DoubleVec point) {
    const DoubleVec d = point - agent.position;
    const double dist = length(d);
    if (dist == 0.0) {
        return {};
    }
    double speed = 0.1 * dist;
    if (agent.maxSpeed < speed) {
        speed = agent.maxSpeed;
    }
    return d * (speed / dist) - agent.velocity;
}

// Neighbours within a square of twice the agent's radius (truncated) around it, the
// agent itself included, in its world's scratch list.
const AgentRefs& nearbyAgents(const WallsAgent& agent) {
    AgentRefs& candidates = agent.world->candidateScratch;
    candidates.clear();
    agent.world->agentGrid.query(agent.position, static_cast<double>(truncToInt32(2.0 * agent.radius)), candidates);
    return candidates;
}

class Seek final : public WallsBehaviour {
public:
    Seek() : WallsBehaviour("seek") {}
    // The raw offset to the target serves as the desired velocity; the update's force
    // limit bounds the result.
    DoubleVec computeForce(const WallsAgent& agent) const override {
        if (agent.target == nullptr) {
            return {};
        }
        return (agent.target->position - agent.position) - agent.velocity;
    }
};

class Arrival final : public WallsBehaviour {
public:
    Arrival() : WallsBehaviour("arrival") {}
    DoubleVec computeForce(const WallsAgent& agent) const override {
        if (agent.target == nullptr) {
            return {};
        }
        return arriveAt(agent, agent.target->position);
    }
};

class Formation final : public WallsBehaviour {
public:
    Formation() : WallsBehaviour("formation") {}
    // Arrival at the slot in the leader's frame; a leader at rest (zero heading) puts
    // every slot on its own position.
    DoubleVec computeForce(const WallsAgent& agent) const override {
        if (agent.target == nullptr) {
            return {};
        }
        return arriveAt(agent, toWorld(*agent.target, agent.formationOffset));
    }
};

class Separation final : public WallsBehaviour {
public:
    Separation() : WallsBehaviour("separation") {}
    // A unit push away from every mobile neighbour closer than sqrt(2) times the sum of
    // the radii plus one. A neighbour on the agent's very centre makes the sum not a
    // number, which the update's limit turns into no force for that step.
    DoubleVec computeForce(const WallsAgent& agent) const override {
        DoubleVec sum{};
        for (const WallsAgent* other : nearbyAgents(agent)) {
            if (other == &agent || other->isStatic) {
                continue;
            }
            const DoubleVec d = agent.position - other->position;
            const double s = lengthSquared(d);
            const double g = agent.radius + other->radius + 1.0;
            if (s < 2.0 * g * g) {
                sum += d / std::sqrt(s);
            }
        }
        return sum;
    }
};

class AvoidStatic final : public WallsBehaviour {
public:
    AvoidStatic() : WallsBehaviour("avoid_static") {}
    // A push of length sqrt(distance) away from every obstacle the agent touches; on an
    // obstacle's centre the push is not a number and the update's limit drops it.
    DoubleVec computeForce(const WallsAgent& agent) const override {
        DoubleVec sum{};
        for (const WallsAgent* other : nearbyAgents(agent)) {
            if (!other->isStatic) {
                continue;
            }
            const DoubleVec d = agent.position - other->position;
            const double dist = length(d);
            if (dist < agent.radius + other->radius + 1.0) {
                sum += d * (1.0 / std::sqrt(dist));
            }
        }
        return sum;
    }
};

}  // namespace

const std::array<const WallsBehaviour*, kWallsBehaviourCount>& behaviourRegistry() {
    static const Seek seek;
    static const Arrival arrival;
    static const Separation separation;
    static const AvoidStatic avoidStatic;
    static const Formation formation;
    static const std::array<const WallsBehaviour*, kWallsBehaviourCount> registry = {
        &seek, &arrival, &separation, &avoidStatic, &repelStaticBehaviour(), &formation, &avoidWallsBehaviour(),
    };
    return registry;
}

const WallsBehaviour* findBehaviour(const char* name) { return steering::findByName(behaviourRegistry(), name); }

}  // namespace steering_walls
