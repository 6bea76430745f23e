// "avoid_agents": steering round the agents it would otherwise walk into within the next
// three seconds' worth of steps. Each neighbour whose predicted closest approach (both
// keeping their velocities) comes nearer than the two radii plus a margin pushes the agent
// sideways, away from where the neighbour will be at that moment, harder the sooner and
// the deeper the predicted overlap. Two agents exactly head on both turn to their own
// right. Used by the agents of test cases; the program's own agents do not carry it.
#include <algorithm>
#include <cmath>

#include "steering/agent.h"
#include "steering/behaviours.h"
#include "steering/neighbour_visits.h"

namespace steering {

namespace {
constexpr double kHorizonSteps = 15.0;  // how far ahead collisions are predicted (3 s in test cases)
constexpr double kMarginShare = 0.25;   // clearance wanted beyond touching, as a share of the own radius
}  // namespace

FixedVec AvoidAgentsBehaviour::computeForce(Agent& agent) const {
    double fx = 0.0, fy = 0.0;
    const double speed = static_cast<double>(agent.maxSpeed);
    const Fixed reach = static_cast<Fixed>(std::min(1.0e9, 2.0 * speed * kHorizonSteps + 4.0 * agent.radius));
    // Rejections come before any sum is touched and only skip what the full test below
    // would skip, so the contributing neighbours and their order are those of the grid visit.
    forEachOtherAgentCopyNear(agent, reach, [&](const Agent& self, const NeighbourCopy& near, const Agent& other) {
        const double px = static_cast<double>(near.position.x) - self.position.x;
        const double py = static_cast<double>(near.position.y) - self.position.y;
        const double vx = static_cast<double>(other.velocity.x) - self.velocity.x;
        const double vy = static_cast<double>(other.velocity.y) - self.velocity.y;
        const double vv = vx * vx + vy * vy;
        if (vv <= 0.0) return;
        const double dot = px * vx + py * vy;
        // Moving apart (or never nearer): the closest approach is now or past; no division.
        if (dot >= 0.0) return;
        const double t = -dot / vv;  // steps to the closest approach
        if (t <= 0.0 || t > kHorizonSteps) return;
        const double cx = px + vx * t, cy = py + vy * t;  // the other, relative, at that moment
        const double wanted = static_cast<double>(self.radius) * (1.0 + kMarginShare) + near.radius;
        const double cc = cx * cx + cy * cy;
        // Clear by more than the rounding of wanted^2: the square root would not come out below
        // wanted either (it rounds correctly, hence monotonically), so skip it.
        if (cc >= wanted * wanted * (1.0 + 0x1p-50)) return;
        const double d = std::sqrt(cc);
        if (d >= wanted) return;
        double ax = -cx, ay = -cy;
        if (d < 1e-3 * wanted) {
            // Straight at each other: to the own right.
            ax = static_cast<double>(self.side.x);
            ay = static_cast<double>(self.side.y);
        }
        const double length = std::sqrt(ax * ax + ay * ay);
        if (length <= 0.0) return;
        const double strength = static_cast<double>(self.maxForce) * (1.0 - t / kHorizonSteps) * (wanted - d) / wanted;
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

}  // namespace steering
