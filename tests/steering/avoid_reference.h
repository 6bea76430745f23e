#pragma once
// The plain form of "avoid_agents" the tests compare the behaviour with, bit for bit.
#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "steering/agent.h"
#include "steering/behaviours.h"
#include "steering/neighbour_visits.h"
#include "steering/world.h"

namespace steering::test {

// The straightforward form: every candidate read from the agent itself, a division and a
// square root for each one that is closing.
inline FixedVec referenceAvoidForce(Agent& agent) {
    double fx = 0.0, fy = 0.0;
    const double speed = static_cast<double>(agent.maxSpeed);
    const Fixed reach = static_cast<Fixed>(std::min(1.0e9, 2.0 * speed * 15.0 + 4.0 * agent.radius));
    forEachOtherAgentNear(agent, reach, [&](const Agent& self, const Agent& other) {
        const double px = static_cast<double>(other.position.x) - self.position.x;
        const double py = static_cast<double>(other.position.y) - self.position.y;
        const double vx = static_cast<double>(other.velocity.x) - self.velocity.x;
        const double vy = static_cast<double>(other.velocity.y) - self.velocity.y;
        const double vv = vx * vx + vy * vy;
        if (vv <= 0.0) return;
        const double t = -(px * vx + py * vy) / vv;
        if (t <= 0.0 || t > 15.0) return;
        const double cx = px + vx * t, cy = py + vy * t;
        const double wanted = static_cast<double>(self.radius) * 1.25 + other.radius;
        const double d = std::sqrt(cx * cx + cy * cy);
        if (d >= wanted) return;
        double ax = -cx, ay = -cy;
        if (d < 1e-3 * wanted) {
            ax = static_cast<double>(self.side.x);
            ay = static_cast<double>(self.side.y);
        }
        const double length = std::sqrt(ax * ax + ay * ay);
        if (length <= 0.0) return;
        const double strength = static_cast<double>(self.maxForce) * (1.0 - t / 15.0) * (wanted - d) / wanted;
        fx += ax / length * strength;
        fy += ay / length * strength;
    });
    const double limit = static_cast<double>(agent.maxForce);
    const double length = std::sqrt(fx * fx + fy * fy);
    if (length > limit && length > 0.0) {
        fx = fx / length * limit;
        fy = fy / length * limit;
    }
    return FixedVec{static_cast<Fixed>(std::llround(fx)), static_cast<Fixed>(std::llround(fy))};
}

// True when bound.speed is at least the exact length of velocity, checked in integers with
// the bound rounded down to a multiple of 2^-20 (so a bound that exceeds a length by less
// than that may be called short; the real one keeps a whole raw unit over it).
inline bool speedCovers(const StepSpeedBound& bound, FixedVec velocity) {
    const __int128 x = velocity.x, y = velocity.y;
    const __int128 squared = x * x + y * y;
    if (static_cast<__int128>(bound.speedSquared) < squared) return false;
    if (bound.speed >= 0x1p33) return true;
    const __int128 scaled = static_cast<__int128>(bound.speed * 0x1p20);  // rounded down
    return scaled * scaled >= (squared << 40);
}

// Stands in an agent's list for "avoid_agents": asks the real behaviour (inside a step, so
// the bounded way) and the plain form, notes both and whether the bound covered every other
// agent, and steers by the real force.
class ProbeBehaviour final : public Behaviour {
public:
    ProbeBehaviour() : Behaviour("avoid_probe") {}
    mutable int calls = 0, differ = 0, pushed = 0, uncovered = 0, outsideStep = 0;

    FixedVec computeForce(Agent& agent) const override {
        const FixedVec got = findBehaviour("avoid_agents")->computeForce(agent);
        const FixedVec expected = referenceAvoidForce(agent);
        ++calls;
        if (!(got == expected)) {
            ++differ;
            ADD_FAILURE() << "(" << got.x << ", " << got.y << ") instead of (" << expected.x << ", " << expected.y << ")";
        }
        if (!(expected == FixedVec{})) ++pushed;
        const StepSpeedBound& bound = agent.world->stepSpeedBound;
        if (!bound.inStep || !bound.known) ++outsideStep;
        for (const Agent& other : agent.world->agentList) {
            if (&other != &agent && (!speedCovers(bound, other.velocity) || other.radius > bound.radius)) ++uncovered;
        }
        return got;
    }
};

}  // namespace steering::test
