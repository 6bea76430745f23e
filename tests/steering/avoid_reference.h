#pragma once
// The plain form of "avoid_agents" the tests compare the behaviour with, bit for bit.
#include <algorithm>
#include <cmath>

#include "steering/agent.h"
#include "steering/neighbour_visits.h"

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

}  // namespace steering::test
