// The six behaviours of steering_basic. Each adds its own contribution into the agent's
// accumulator; those that look at other agents scan the whole population.
#include <cmath>
#include <limits>

#include "programs/steering_basic/basic_agent.h"
#include "programs/steering_basic/basic_world.h"

namespace steering_basic {

using small_kit::length;
using small_kit::lengthSquared;
using small_kit::toLocal;
using small_kit::toWorld;
using small_kit::toWorldDirection;
using small_kit::vecLimit;
using small_kit::vecNormalise;

double axisCircleEntryOrTiny(DoubleVec l, double r) {
    return small_kit::axisCircleEntry(l, r, std::numeric_limits<double>::min());
}

namespace {

// Desired velocity towards `point` at a tenth of the distance per step, capped at the
// maximum speed, minus the velocity, limited to the maximum force and weighted; nothing
// on the point itself.
void arriveAt(double weight, BasicAgent& agent, DoubleVec point) {
    const DoubleVec d = point - agent.position;
    const double dist = length(d);
    if (dist == 0.0) return;
    double speed = 0.1 * dist;
    if (agent.maxSpeed < speed) speed = agent.maxSpeed;
    agent.steeringForce += vecLimit(d * (speed / dist) - agent.velocity, agent.maxForce) * weight;
}

class Seek final : public BasicBehaviour {
public:
    Seek() : BasicBehaviour("seek") {}
    // The weight enters twice: in the desired speed and as the factor of the whole.
    void apply(double weight, BasicAgent& agent) const override {
        if (agent.target == nullptr) return;
        const DoubleVec desired = vecNormalise(agent.target->position - agent.position) * (agent.maxSpeed * weight);
        agent.steeringForce += (desired - agent.velocity) * weight;
    }
};

class Arrival final : public BasicBehaviour {
public:
    Arrival() : BasicBehaviour("arrival") {}
    void apply(double weight, BasicAgent& agent) const override {
        if (agent.target == nullptr) return;
        arriveAt(weight, agent, agent.target->position);
    }
};

class Formation final : public BasicBehaviour {
public:
    Formation() : BasicBehaviour("formation") {}
    // Arrival at the slot in the leader's frame; a resting leader puts every slot on itself.
    void apply(double weight, BasicAgent& agent) const override {
        if (agent.target == nullptr) return;
        arriveAt(weight, agent, toWorld(*agent.target, agent.formationOffset));
    }
};

class Separation final : public BasicBehaviour {
public:
    Separation() : BasicBehaviour("separation") {}
    // A push of up to maxForce away from each close mobile neighbour; the weight is not
    // applied. A neighbour on the very centre gives a unit vector that is not a number,
    // which the limit turns into nothing.
    void apply(double, BasicAgent& agent) const override {
        if (agent.population == nullptr) return;
        for (const auto& entry : *agent.population) {
            const BasicAgent& other = *entry;
            if (&other == &agent || other.isStatic) continue;
            const DoubleVec d = agent.position - other.position;
            const double s = lengthSquared(d);
            const double g = agent.radius + other.radius + 2.0;
            if (s < 2.0 * g * g) {
                agent.steeringForce += vecLimit(d / std::sqrt(s), agent.maxForce);
            }
        }
    }
};

class AvoidStatic final : public BasicBehaviour {
public:
    AvoidStatic() : BasicBehaviour("avoid_static") {}
    // A push of length sqrt(distance) times the weight away from every touching obstacle,
    // not limited.
    void apply(double weight, BasicAgent& agent) const override {
        if (agent.population == nullptr) return;
        for (const auto& entry : *agent.population) {
            const BasicAgent& other = *entry;
            if (!other.isStatic) continue;
            const DoubleVec d = agent.position - other.position;
            const double dist = length(d);
            if (dist < agent.radius + other.radius + 1.0) {
                agent.steeringForce += d * (1.0 / std::sqrt(dist)) * weight;
            }
        }
    }
};

class AvoidStatic2 final : public BasicBehaviour {
public:
    AvoidStatic2() : BasicBehaviour("avoid_static_2") {}
    // A sideways push from the nearest obstacle in a box two radii long ahead. An obstacle
    // in the corridor whose circle misses the line of travel counts as a hit right ahead.
    void apply(double weight, BasicAgent& agent) const override {
        const double boxLength = 2.0 * agent.radius;
        double best = std::numeric_limits<double>::max();
        double lateral = 0.0;
        if (agent.population == nullptr) return;
        for (const auto& entry : *agent.population) {
            const BasicAgent& other = *entry;
            if (!other.isStatic) continue;
            const double r = other.radius;
            const DoubleVec l = toLocal(agent, other.position);
            if (l.x > 0.0 && l.x - r <= boxLength && r + agent.radius > std::fabs(l.y)) {
                const double t = axisCircleEntryOrTiny(l, r);
                if (t >= 0.0 && t < best) {
                    best = t;
                    lateral = -l.y;
                }
            }
        }
        if (best == std::numeric_limits<double>::max()) return;
        agent.steeringForce += vecLimit(toWorldDirection(agent, DoubleVec{0.0, lateral}), agent.maxForce) * weight;
    }
};

}  // namespace

const std::array<const BasicBehaviour*, kBasicBehaviourCount>& behaviourRegistry() {
    static const Seek seek;
    static const Arrival arrival;
    static const Separation separation;
    static const AvoidStatic avoidStatic;
    static const AvoidStatic2 avoidStatic2;
    static const Formation formation;
    static const std::array<const BasicBehaviour*, kBasicBehaviourCount> registry = {
        &seek, &arrival, &separation, &avoidStatic, &avoidStatic2, &formation,
    };
    return registry;
}

}  // namespace steering_basic
