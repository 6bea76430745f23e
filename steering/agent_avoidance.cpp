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
#include "steering/world.h"

namespace steering {

namespace {
constexpr double kHorizonSteps = 15.0;  // how far ahead collisions are predicted (3 s in test cases)
constexpr double kMarginShare = 0.25;   // clearance wanted beyond touching, as a share of the own radius
constexpr double kSlack = 0x1p-38;      // relative widening of the far test (see below)

// The start-of-step pass of the speed bound (world.h): every agent's speed and radius now.
void takeAgents(World& world) {
    StepSpeedBound& bound = world.stepSpeedBound;
    bound.speedSquared = 0;
    bound.speed = 0.0;
    bound.radius = 0;
    bound.radiiNonNegative = true;
    for (const Agent& agent : world.agentList) {
        bound.raiseSpeed(agent.velocity);
        bound.radius = std::max(bound.radius, agent.radius);
        if (agent.radius < 0) bound.radiiNonNegative = false;
    }
    bound.known = true;
}

// The force; with Bounded, inside a step whose speed bound is known, neighbours too far to
// come within reach in the horizon are passed over before their own record is read.
//
// Why that skips only neighbours the full test would skip. p (the offset) and v (the
// relative velocity) are exact in double, being differences of 32-bit integers. Let P = |p|,
// V = |v| <= B + s (B >= every other agent's speed, world.h; s the own speed), a = horizon
// (B + s), w = max(wanted, 0), u = 2^-53. The full test sums only when its computed t is in
// (0, horizon] and its computed d < wanted. The exact closest approach is at t* = -p.v / V^2,
// and for any t, |p + v t|^2 = P^2 - (V t*)^2 + V^2 (t - t*)^2 >= P^2 - (V t*)^2. The computed
// dot errs by at most 2u P V, so V t* <= a (1 + 2u) + 3u P. The far test skips when the
// computed P^2 exceeds the computed (w^2 + a^2)(1 + 2^-38); each side rounds by a few u, so
// then P^2 >= (w^2 + a^2)(1 + 2^-39), hence |p + v t|^2 >= P^2 (1 - 12u) - a^2 >=
// w^2 + 2^-40 P^2 and |p + v t| >= w + 2^-42 P. The computed c is within 9u P of p + v t
// (|v t| <= P (1 + 5u)), and d = sqrt(cc) after three roundings is at least |c| (1 - 2u), so
// d >= w + P (2^-42 - 2^-48) > wanted: the full test's d >= wanted would have returned.
// The second far test looks from h = horizon x own velocity, where the agent will be at the
// horizon: p + v t = (p - h) + (horizon - t) own velocity + t other's velocity, so
// |p + v t| >= |q| - horizon max(B, s) with q = p - h, exact in double (integers below
// 2^37). It skips when the computed |q|^2 exceeds the computed (w + horizon max(B, s))^2
// (1 + 2^-38); then |q| >= (w + horizon max(B, s)) (1 + 2^-40), P <= 2 |q|, and
// |p + v t| >= w + 2^-42 P as above.
// Nothing is reordered: the other tests follow unchanged, in the grid's order.
//
// The visited square can shrink to that test's disc for the largest wanted (R = the largest
// radius): a contributor's centre lies within it, so on each axis its own square (half-size
// its radius <= R) lies inside the square of half-size disc + R, and on a grid of
// power-of-two cells both squares map to cells by the same floored shift, so every cell the
// contributor is registered in lies in the smaller range. A visit hands each agent over at
// the first of its cells in the one global order (columns outer, rows inner) that the range
// holds; all its cells being in both ranges, that is the same cell for either, and so the
// contributors come in the same order. Negative radii (squares of no cells) or other grids
// keep the full square.
template <bool Bounded>
FixedVec avoidForce(Agent& agent) {
    double fx = 0.0, fy = 0.0;
    const double speed = static_cast<double>(agent.maxSpeed);
    const double ownWanted = static_cast<double>(agent.radius) * (1.0 + kMarginShare);
    Fixed reach = static_cast<Fixed>(std::min(1.0e9, 2.0 * speed * kHorizonSteps + 4.0 * agent.radius));
    double closingSquared = 0.0;              // a^2 above: (horizon (B + s))^2
    double aheadX = 0.0, aheadY = 0.0;        // h above: where the agent will be at the horizon
    double aheadReach = 0.0;                  // horizon max(B, s)
    if constexpr (Bounded) {
        const StepSpeedBound& bound = agent.world->stepSpeedBound;
        const double sx = agent.velocity.x, sy = agent.velocity.y;
        const double ownSpeed = std::sqrt(sx * sx + sy * sy);
        const double closing = kHorizonSteps * (bound.speed + ownSpeed);
        closingSquared = closing * closing;
        aheadX = kHorizonSteps * sx;
        aheadY = kHorizonSteps * sy;
        aheadReach = kHorizonSteps * std::max(bound.speed, ownSpeed);
        if (bound.radiiNonNegative && agent.world->neighbourGrid.powerOfTwo >= 0) {
            const double widest = std::max(ownWanted + bound.radius, 0.0);
            const double far = std::sqrt((widest * widest + closingSquared) * (1.0 + kSlack)) + bound.radius + 1.0;
            if (far < reach) reach = static_cast<Fixed>(std::ceil(far));
        }
    }
    // Rejections come before any sum is touched and only skip what the full test below
    // would skip, so the contributing neighbours and their order are those of the grid visit.
    forEachOtherAgentCopyNear(agent, reach, [&](const Agent& self, const NeighbourCopy& near, const Agent& other) {
        const double px = static_cast<double>(near.position.x) - self.position.x;
        const double py = static_cast<double>(near.position.y) - self.position.y;
        const double wanted = ownWanted + near.radius;
        if constexpr (Bounded) {
            const double w = std::max(wanted, 0.0);
            if (px * px + py * py > (w * w + closingSquared) * (1.0 + kSlack)) return;
            const double qx = px - aheadX, qy = py - aheadY;
            const double e = w + aheadReach;
            if (qx * qx + qy * qy > e * e * (1.0 + kSlack)) return;
        }
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
}  // namespace

FixedVec AvoidAgentsBehaviour::computeForce(Agent& agent) const {
    StepSpeedBound& bound = agent.world->stepSpeedBound;
    if (!bound.inStep) return avoidForce<false>(agent);  // no bound outside a step
    if (!bound.known) takeAgents(*agent.world);
    return avoidForce<true>(agent);
}

}  // namespace steering
