// "avoid_agents": steering round the agents it would otherwise walk into within the next
// three seconds' worth of steps. Each neighbour whose predicted closest approach (both
// keeping their velocities) comes nearer than the two radii plus a margin pushes the agent
// sideways, away from where the neighbour will be at that moment, harder the sooner and
// the deeper the predicted overlap. Two agents exactly head on both turn to their own
// right. Used by the agents of test cases; the program's own agents do not carry it.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "steering/agent.h"
#include "steering/behaviours.h"
#include "steering/neighbour_visits.h"
#include "steering/world.h"

namespace steering {

namespace {
constexpr double kHorizonSteps = 15.0;  // how far ahead collisions are predicted (3 s in test cases)
constexpr double kMarginShare = 0.25;   // clearance wanted beyond touching, as a share of the own radius
constexpr double kSlack = 0x1p-38;      // relative widening of the disc visited (see below)

// The start-of-step pass of the speed bound (world.h): every agent's speed and radius now.
void takeAgents(World& world) {
    StepSpeedBound& bound = world.stepSpeedBound;
    bound.speedSquared = 0;
    bound.speed = 0.0;
    bound.radius = 0;
    bound.radiiNonNegative = true;
    // Unknown for every record first: a record of an agent outside the population (or of
    // none) is then passed by the screen to the full test.
    const NeighbourGrid& grid = world.neighbourGrid;
    bound.velocities.assign(std::max<std::size_t>(grid.agentRecordCapacity(), 1), StepSpeedBound::unknownVelocity());
    for (const Agent& agent : world.agentList) {
        bound.raiseSpeed(agent.velocity);
        bound.radius = std::max(bound.radius, agent.radius);
        if (agent.radius < 0) bound.radiiNonNegative = false;
        const int32_t record = grid.agentRecord(&agent, agent.gridRecord);
        if (record > 0) {
            bound.velocities[static_cast<std::size_t>(record)] =
                StepSpeedBound::Velocity{static_cast<double>(agent.velocity.x), static_cast<double>(agent.velocity.y)};
        }
    }
    bound.known = true;
}

// The cells both ranges hold (possibly none).
CellRange intersection(const CellRange& a, const CellRange& b) {
    return CellRange{std::max(a.firstColumn, b.firstColumn), std::min(a.lastColumn, b.lastColumn),
                     std::max(a.firstRow, b.firstRow), std::min(a.lastRow, b.lastRow)};
}

using TwoDoubles = double __attribute__((vector_size(16)));
using TwoMasks = int64_t __attribute__((vector_size(16)));
using TwoInts = int32_t __attribute__((vector_size(8)));

// The full test below for four neighbours at once, from the grid's copies and the step's
// velocities by record, without a branch, a division or a read of the neighbours: all ones
// in the lanes the full test may not reject. A lane whose velocity is unknown (NaN) fails
// every comparison, so no rejection, and is passed on to the full test.
//
// Why it rejects only what the full test rejects. Each lane computes vv and dot as the full
// test does, so "still" and "moving apart" are the same decisions. With u = 2^-53, P = |p|,
// V = |v|:
// - beyond the horizon: -dot > horizon vv (1 + 2^-40) computed gives -dot / vv > horizon
//   (1 + 2^-41), and the computed t, within u of that ratio, is above the horizon;
// - clear at the closest approach: the exact closest squared distance is C = P^2 - (p.v)^2 / V^2.
//   The computed pp vv - dot^2 is within 12u P^2 V^2 of P^2 V^2 - (p.v)^2 (vv, pp within 2u,
//   dot within 2u P V, three more roundings). So when it is at least wanted^2 vv (1 + 2^-30) +
//   pp vv 2^-40 (computed), C >= wanted^2 (1 + 2^-31) + P^2 2^-41. The full test's c is p + v t
//   for its t to within 9u P, so its cc is at least C - 60u P^2 > wanted^2 (1 + 2^-31), above
//   its own limit wanted^2 (1 + 2^-50): it returns.
// Magnitudes stay far inside double's range (integers below 2^33, squares of squares below 2^140).
struct AvoidScreen {
    double selfX, selfY, selfVelocityX, selfVelocityY, ownWanted;
    const StepSpeedBound::Velocity* velocities;
    std::size_t velocityCount;

    TwoDoubles velocityOf(int32_t record) const {
        const std::size_t index = static_cast<uint32_t>(record);
        TwoDoubles v;
        std::memcpy(&v, &velocities[index < velocityCount ? index : 0], sizeof v);
        return v;
    }

    // Lanes 0 and 1 of the result: the full test's verdicts on two neighbours.
    TwoMasks pair(TwoInts x, TwoInts y, TwoInts radius, TwoDoubles velocity0, TwoDoubles velocity1) const {
        const TwoDoubles px = __builtin_convertvector(x, TwoDoubles) - selfX;
        const TwoDoubles py = __builtin_convertvector(y, TwoDoubles) - selfY;
        const TwoDoubles wanted = ownWanted + __builtin_convertvector(radius, TwoDoubles);
        const TwoDoubles vx = __builtin_shufflevector(velocity0, velocity1, 0, 2) - selfVelocityX;
        const TwoDoubles vy = __builtin_shufflevector(velocity0, velocity1, 1, 3) - selfVelocityY;
        const TwoDoubles vv = vx * vx + vy * vy;
        const TwoDoubles dot = px * vx + py * vy;
        const TwoDoubles pp = px * px + py * py;
        const TwoDoubles ppvv = pp * vv;
        const TwoMasks rejected = (vv <= 0.0) | (dot >= 0.0) | (-dot > kHorizonSteps * vv * (1.0 + 0x1p-40)) |
                                  (ppvv - dot * dot >= wanted * wanted * vv * (1.0 + 0x1p-30) + ppvv * 0x1p-40);
        return ~rejected;
    }

    CopyLanes operator()(CopyLanes x, CopyLanes y, CopyLanes radius, const ScreenRecords& records) const {
        const TwoMasks low = pair(__builtin_shufflevector(x, x, 0, 1), __builtin_shufflevector(y, y, 0, 1),
                                  __builtin_shufflevector(radius, radius, 0, 1), velocityOf(records[0]), velocityOf(records[1]));
        const TwoMasks high = pair(__builtin_shufflevector(x, x, 2, 3), __builtin_shufflevector(y, y, 2, 3),
                                   __builtin_shufflevector(radius, radius, 2, 3), velocityOf(records[2]), velocityOf(records[3]));
        // Each verdict is all ones or none: its low word stands for it. Vacated entries
        // (record 0) are never visited: they are not passed.
        const CopyLanes vacated = CopyLanes{records[0], records[1], records[2], records[3]} == 0;
        return __builtin_shufflevector(reinterpret_cast<CopyLanes>(low), reinterpret_cast<CopyLanes>(high), 0, 2, 4, 6) &
               ~vacated;
    }
};

// The force; with Bounded, inside a step whose speed bound is known, only the neighbours
// within a disc that every pushing neighbour lies in are visited, four at a time through
// AvoidScreen, and only those the screen passes are read.
//
// Why no neighbour outside the disc pushes. p (the offset) and v (the relative velocity) are
// exact in double, being differences of 32-bit integers. Let P = |p|, V = |v| <= B + s
// (B >= every other agent's speed, world.h; s the own speed), a = horizon (B + s),
// w = max(wanted, 0), u = 2^-53. The full test pushes only when its computed t is in
// (0, horizon] and its computed d < wanted. The exact closest approach is at t* = -p.v / V^2,
// and for any t, |p + v t|^2 = P^2 - (V t*)^2 + V^2 (t - t*)^2 >= P^2 - (V t*)^2. The computed
// dot errs by at most 2u P V, so V t* <= a (1 + 2u) + 3u P. Suppose the computed P^2 exceeds
// the computed (w^2 + a^2)(1 + 2^-38); each side rounds by a few u, so then
// P^2 >= (w^2 + a^2)(1 + 2^-39), hence |p + v t|^2 >= P^2 (1 - 12u) - a^2 >= w^2 + 2^-40 P^2
// and |p + v t| >= w + 2^-42 P. The computed c is within 9u P of p + v t
// (|v t| <= P (1 + 5u)), and d = sqrt(cc) after three roundings is at least |c| (1 - 2u), so
// d >= w + P (2^-42 - 2^-48) > wanted: the full test's d >= wanted returns.
//
// The visited square can therefore shrink to that disc for the largest wanted (R = the
// largest radius): a pushing neighbour's centre lies within it, so on each axis its own square
// (half-size its radius <= R) lies inside the square of half-size disc + R, and on a grid of
// power-of-two cells both squares map to cells by the same floored shift, so every cell the
// neighbour is registered in lies in the smaller range. A visit hands each agent over at the
// first of its cells in the one global order (columns outer, rows inner) that the range
// holds; all its cells being in both ranges, that is the same cell for either, and so the
// pushing neighbours come in the same order. Negative radii (squares of no cells) or other
// grids keep the full square. The screen drops only neighbours the full test rejects, and a
// screened visit keeps the grid's order, so the sum is the same, bit for bit.
template <bool Bounded>
FixedVec avoidForce(Agent& agent) {
    double fx = 0.0, fy = 0.0;
    const double speed = static_cast<double>(agent.maxSpeed);
    const double ownWanted = static_cast<double>(agent.radius) * (1.0 + kMarginShare);
    Fixed reach = static_cast<Fixed>(std::min(1.0e9, 2.0 * speed * kHorizonSteps + 4.0 * agent.radius));
    const NeighbourGrid& grid = agent.world->neighbourGrid;
    CellRange cells;  // with cut, the cells to read; else those of the square of half-size reach
    bool cut = false;
    if constexpr (Bounded) {
        const StepSpeedBound& bound = agent.world->stepSpeedBound;
        const double sx = agent.velocity.x, sy = agent.velocity.y;
        const double ownSpeed = std::sqrt(sx * sx + sy * sy);
        const double closing = kHorizonSteps * (bound.speed + ownSpeed);  // a above
        const double closingSquared = closing * closing;
        if (bound.radiiNonNegative && grid.powerOfTwo >= 0) {
            const double widest = std::max(ownWanted + bound.radius, 0.0);
            const double far = std::sqrt((widest * widest + closingSquared) * (1.0 + kSlack)) + bound.radius + 1.0;
            if (far < reach) reach = static_cast<Fixed>(std::ceil(far));
            const double ahead = (widest + kHorizonSteps * std::max(bound.speed, ownSpeed)) * (1.0 + 0x1p-37);
            const double aheadHalf = std::ceil(ahead) + bound.radius + 1.0;
            if (aheadHalf < 1.0e15) {
                cut = true;
                cells = intersection(grid.agentSquareCells(agent.position.x, agent.position.y, reach),
                                     grid.agentSquareCells(agent.position.x + static_cast<int64_t>(kHorizonSteps) * agent.velocity.x,
                                                           agent.position.y + static_cast<int64_t>(kHorizonSteps) * agent.velocity.y,
                                                           static_cast<int64_t>(aheadHalf)));
            }
        }
    }
    // One neighbour's push, added in the grid's order. Rejections come before any sum is
    // touched.
    const auto push = [&](const Agent& self, const NeighbourCopy& near, const Agent& other) {
        const double px = static_cast<double>(near.position.x) - self.position.x;
        const double py = static_cast<double>(near.position.y) - self.position.y;
        const double wanted = ownWanted + near.radius;
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
    };
    if constexpr (Bounded) {
        // The screen passes only what push would not reject, so the neighbours that push and
        // their order are those of the full visit.
        const StepSpeedBound& bound = agent.world->stepSpeedBound;
        const AvoidScreen screen{static_cast<double>(agent.position.x), static_cast<double>(agent.position.y),
                                 static_cast<double>(agent.velocity.x), static_cast<double>(agent.velocity.y), ownWanted,
                                 bound.velocities.data(), bound.velocities.size()};
        if (cut) {
            forEachOtherAgentCopyScreenedIn(agent, cells, reach, screen, push);
        } else {
            forEachOtherAgentCopyScreened(agent, reach, screen, push);
        }
    } else {
        forEachOtherAgentCopyNear(agent, reach, push);
    }
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
