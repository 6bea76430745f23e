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
#include "steering/avoid_index.h"
#include "steering/behaviours.h"
#include "steering/neighbour_visits.h"
#include "steering/world.h"

namespace steering {

namespace {
constexpr double kHorizonSteps = 15.0;  // how far ahead collisions are predicted (3 s in test cases)
constexpr double kMarginShare = 0.25;   // clearance wanted beyond touching, as a share of the own radius
constexpr double kSlack = 0x1p-38;      // relative widening of the disc visited (see below)
// Where the index's way may be used: the disc every pusher lies in below 2^30. Its radius is
// at least horizon (B + s), so every speed is then below 2^30 / 15 < 2^27, and the screen's
// 32-bit differences of offsets and velocities are exact for every pusher.
constexpr double kScreenReachLimit = 0x1p30;
constexpr int kMostPushes = 64;  // pushes of one call the index's way can order; more: the grid's way

// The start-of-step pass (world.h): every agent's speed and radius now, and the index.
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
    world.avoidIndex.build(world);
    bound.known = true;
}

// One neighbour's push on the agent: its two terms, or false when it does not push. The
// neighbour as the grid's copy has it (position, radius) and its velocity.
bool pushOf(const Agent& self, double ownWanted, FixedVec position, Fixed radius, FixedVec velocity, double& termX,
            double& termY) {
    const double px = static_cast<double>(position.x) - self.position.x;
    const double py = static_cast<double>(position.y) - self.position.y;
    const double wanted = ownWanted + radius;
    const double vx = static_cast<double>(velocity.x) - self.velocity.x;
    const double vy = static_cast<double>(velocity.y) - self.velocity.y;
    const double vv = vx * vx + vy * vy;
    if (vv <= 0.0) return false;
    const double dot = px * vx + py * vy;
    // Moving apart (or never nearer): the closest approach is now or past; no division.
    if (dot >= 0.0) return false;
    const double t = -dot / vv;  // steps to the closest approach
    if (t <= 0.0 || t > kHorizonSteps) return false;
    const double cx = px + vx * t, cy = py + vy * t;  // the other, relative, at that moment
    const double cc = cx * cx + cy * cy;
    // Clear by more than the rounding of wanted^2: the square root would not come out below
    // wanted either (it rounds correctly, hence monotonically), so skip it.
    if (cc >= wanted * wanted * (1.0 + 0x1p-50)) return false;
    const double d = std::sqrt(cc);
    if (d >= wanted) return false;
    double ax = -cx, ay = -cy;
    if (d < 1e-3 * wanted) {
        // Straight at each other: to the own right.
        ax = static_cast<double>(self.side.x);
        ay = static_cast<double>(self.side.y);
    }
    const double length = std::sqrt(ax * ax + ay * ay);
    if (length <= 0.0) return false;
    const double strength = static_cast<double>(self.maxForce) * (1.0 - t / kHorizonSteps) * (wanted - d) / wanted;
    termX = ax / length * strength;
    termY = ay / length * strength;
    return true;
}

// The summed pushes, limited to the agent's force budget, in raw units.
FixedVec finished(double fx, double fy, const Agent& agent) {
    const double limit = static_cast<double>(agent.maxForce);
    const double length = std::sqrt(fx * fx + fy * fy);
    if (length > limit && length > 0.0) {
        fx = fx / length * limit;
        fy = fy / length * limit;
    }
    return FixedVec{static_cast<Fixed>(std::llround(fx)), static_cast<Fixed>(std::llround(fy))};
}

using FourFloats = float __attribute__((vector_size(16)));
using FourWords = uint32_t __attribute__((vector_size(16)));

// pushOf for four neighbours at once, in single precision, without a branch or a division:
// all ones in the lanes pushOf may not reject.
//
// Where it is used, every speed is below 2^27 and every pushing neighbour lies within the
// disc (below 2^30), so the 32-bit differences p (offset) and v (relative velocity) are
// exact for the neighbours that matter (others may wrap: their lanes may say anything). In
// float, with u = 2^-24, P = |p|, V = |v|, W = wanted^2 (radii are not negative there): the
// lanes' dot is within 5u P V <= 2^-22.6 (P^2 + V^2) of p.v, pp and vv within 4u, and
// pp vv - dot^2 within 2^-19.5 P^2 V^2 of P^2 V^2 - (p.v)^2. So, s being 2^-20 (pp + vv):
// - dot >= s gives p.v > 2^-21 (P^2 + V^2): pushOf's dot (within 2^-52 P V) is >= 0;
// - -dot >= horizon vv (1 + 2^-10) + s gives -p.v >= horizon V^2 (1 + 2^-11) + 2^-21 (P^2 + V^2),
//   and pushOf's t (its dot and vv within 2^-52) is beyond the horizon;
// - pp vv - dot^2 >= W vv (1 + 2^-10) + pp vv 2^-16 gives the exact closest squared distance
//   C = P^2 - (p.v)^2 / V^2 >= W (1 + 2^-11) + P^2 2^-17; pushOf's c is p + v t for its t to
//   within 9 2^-53 P, so its cc >= C - 2^-47 P^2 > W (1 + 2^-11), above its limit
//   W (1 + 2^-50): it returns.
// v = 0 exactly when vv = 0 (integers), as in pushOf. Magnitudes stay below 2^127.
struct AvoidScreen {
    uint32_t selfX, selfY, selfVelocityX, selfVelocityY;
    float ownWanted;

    CopyLanes operator()(CopyLanes x, CopyLanes y, CopyLanes radius, CopyLanes otherX, CopyLanes otherY) const {
        // Differences in wrapping unsigned arithmetic, read back as signed.
        const auto difference = [](CopyLanes a, uint32_t b) {
            return __builtin_convertvector(reinterpret_cast<CopyLanes>(reinterpret_cast<FourWords>(a) - b), FourFloats);
        };
        const FourFloats px = difference(x, selfX), py = difference(y, selfY);
        const FourFloats vx = difference(otherX, selfVelocityX), vy = difference(otherY, selfVelocityY);
        const FourFloats wanted = ownWanted + __builtin_convertvector(radius, FourFloats);
        const FourFloats vv = vx * vx + vy * vy;
        const FourFloats dot = px * vx + py * vy;
        const FourFloats pp = px * px + py * py;
        const FourFloats ppvv = pp * vv;
        const FourFloats slack = (pp + vv) * 0x1p-20f;
        const CopyLanes rejected = (vv <= 0.0f) | (dot >= slack) |
                                  (-dot >= static_cast<float>(kHorizonSteps) * vv * (1.0f + 0x1p-10f) + slack) |
                                  (ppvv - dot * dot >= wanted * wanted * vv * (1.0f + 0x1p-10f) + ppvv * 0x1p-16f);
        return ~rejected;
    }
};

CopyLanes fourAt(const std::vector<int32_t>& values, std::size_t place) {
    CopyLanes lanes;
    std::memcpy(&lanes, values.data() + place, sizeof lanes);
    return lanes;
}

// The disc that every pushing neighbour's centre lies in, and the one round the agent's
// place at the horizon (the lemma below): centres, radii (raw units).
struct PushDiscs {
    int64_t nearX, nearY, aheadX, aheadY;
    double nearRadius, aheadRadius;
};

// The index's way: the agents whose centres began the step within reach of both discs (each
// widened by how far any agent has moved since) go through AvoidScreen four at a time, read
// straight from the index; the pushes of those it passes are put in the order the grid's
// visit meets them and summed in it. False (nothing summed) where that order is not known:
// a pusher whose cells form no rectangle, or more pushers than kMostPushes.
bool indexedPushes(const Agent& agent, const AvoidIndex& index, double ownWanted, const PushDiscs& discs, double& fx,
                   double& fy) {
    const auto cellRange = [&](int64_t centre, double half, uint32_t& first, uint32_t& last) {
        const int64_t whole = static_cast<int64_t>(std::ceil(half + index.moved)) + 2;
        first = std::max(first, index.clamped((centre - whole) >> index.shift));
        last = std::min(last, index.clamped((centre + whole) >> index.shift));
    };
    uint32_t firstColumn = 0, lastColumn = index.count - 1, firstRow = 0, lastRow = index.count - 1;
    cellRange(discs.nearX, discs.nearRadius, firstColumn, lastColumn);
    cellRange(discs.aheadX, discs.aheadRadius, firstColumn, lastColumn);
    cellRange(discs.nearY, discs.nearRadius, firstRow, lastRow);
    cellRange(discs.aheadY, discs.aheadRadius, firstRow, lastRow);
    const AvoidScreen screen{static_cast<uint32_t>(agent.position.x), static_cast<uint32_t>(agent.position.y),
                             static_cast<uint32_t>(agent.velocity.x), static_cast<uint32_t>(agent.velocity.y),
                             static_cast<float>(ownWanted)};
    struct Push {
        uint64_t order;
        double x, y;
    };
    Push pushes[kMostPushes];
    int pushCount = 0;
    const NeighbourGrid& grid = agent.world->neighbourGrid;
    for (uint32_t c = firstColumn; c <= lastColumn && firstRow <= lastRow; ++c) {
        const auto [from, to] = index.run(c, firstRow, lastRow);
        for (uint32_t k = from; k < to; k += 4) {
            // The arrays hold three places past the last agent, so four lanes can always be read.
            unsigned passed = laneBits(screen(fourAt(index.x, k), fourAt(index.y, k), fourAt(index.radius, k),
                                              fourAt(index.velocityX, k), fourAt(index.velocityY, k)));
            if (to - k < 4) passed &= (1u << (to - k)) - 1u;
            while (passed != 0) {
                const uint32_t place = k + static_cast<uint32_t>(__builtin_ctz(passed));
                passed &= passed - 1;
                if (index.agents[place] == &agent) continue;
                double termX, termY;
                if (!pushOf(agent, ownWanted, FixedVec{index.x[place], index.y[place]}, index.radius[place],
                            FixedVec{index.velocityX[place], index.velocityY[place]}, termX, termY)) {
                    continue;
                }
                uint64_t order;
                if (pushCount == kMostPushes || !grid.agentVisitOrder(index.records[place], order)) return false;
                pushes[pushCount++] = Push{order, termX, termY};
            }
        }
    }
    // Few: in order by insertion.
    for (int i = 1; i < pushCount; ++i) {
        const Push push = pushes[i];
        int j = i;
        for (; j > 0 && pushes[j - 1].order > push.order; --j) pushes[j] = pushes[j - 1];
        pushes[j] = push;
    }
    for (int i = 0; i < pushCount; ++i) {
        fx += pushes[i].x;
        fy += pushes[i].y;
    }
    return true;
}

// The force; with Bounded, inside a step whose speed bound is known, only the neighbours
// within a disc that every pushing neighbour lies in are visited, and where the step's index
// can be used, through it.
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
// The second disc is centred on h = horizon x own velocity, where the agent will be at the
// horizon: p + v t = (p - h) + (horizon - t) own velocity + t other's velocity, so
// |p + v t| >= |q| - horizon max(B, s) with q = p - h, exact in double (integers below 2^37).
// If the computed |q|^2 exceeds the computed (w + horizon max(B, s))^2 (1 + 2^-38), then
// |q| >= (w + horizon max(B, s)) (1 + 2^-40), P <= 2 |q|, and |p + v t| >= w + 2^-42 P as
// above: every pushing neighbour's centre lies within (w + horizon max(B, s)) (1 + 2^-37) of h.
//
// The visited square can therefore shrink to that disc for the largest wanted (R = the
// largest radius): a pushing neighbour's centre lies within it, so on each axis its own square
// (half-size its radius <= R) lies inside the square of half-size disc + R, and on a grid of
// power-of-two cells both squares map to cells by the same floored shift, so every cell the
// neighbour is registered in lies in the smaller range. A visit hands each agent over at the
// first of its cells in the one global order (columns outer, rows inner) that the range
// holds; all its cells being in both ranges, that is the same cell for either, and so the
// pushing neighbours come in the same order. Negative radii (squares of no cells) or other
// grids keep the full square. The index's way meets the same pushing neighbours (their centres
// lie in both discs, so where they began the step lies in both widened by how far they moved)
// and sums their pushes in the order of that visit, so the sum is the same, bit for bit.
template <bool Bounded>
FixedVec avoidForce(Agent& agent) {
    double fx = 0.0, fy = 0.0;
    const double speed = static_cast<double>(agent.maxSpeed);
    const double ownWanted = static_cast<double>(agent.radius) * (1.0 + kMarginShare);
    Fixed reach = static_cast<Fixed>(std::min(1.0e9, 2.0 * speed * kHorizonSteps + 4.0 * agent.radius));
    if constexpr (Bounded) {
        const StepSpeedBound& bound = agent.world->stepSpeedBound;
        const double sx = agent.velocity.x, sy = agent.velocity.y;
        const double ownSpeed = std::sqrt(sx * sx + sy * sy);
        const double closing = kHorizonSteps * (bound.speed + ownSpeed);  // a above
        const double closingSquared = closing * closing;
        if (bound.radiiNonNegative && agent.world->neighbourGrid.powerOfTwo >= 0) {
            const double widest = std::max(ownWanted + bound.radius, 0.0);
            const double disc = std::sqrt((widest * widest + closingSquared) * (1.0 + kSlack));
            const double far = disc + bound.radius + 1.0;
            if (far < reach) {
                reach = static_cast<Fixed>(std::ceil(far));
                const AvoidIndex& index = agent.world->avoidIndex;
                if (index.usable && far < kScreenReachLimit && index.moved < kScreenReachLimit) {
                    const PushDiscs discs{agent.position.x,
                                          agent.position.y,
                                          agent.position.x + static_cast<int64_t>(kHorizonSteps) * agent.velocity.x,
                                          agent.position.y + static_cast<int64_t>(kHorizonSteps) * agent.velocity.y,
                                          disc + 1.0,
                                          (widest + kHorizonSteps * std::max(bound.speed, ownSpeed)) * (1.0 + 0x1p-37) + 1.0};
                    if (indexedPushes(agent, index, ownWanted, discs, fx, fy)) return finished(fx, fy, agent);
                    fx = 0.0, fy = 0.0;
                }
            }
        }
    }
    // The grid's way: every neighbour of the square, in the grid's order.
    forEachOtherAgentCopyNear(agent, reach, [&](const Agent& self, const NeighbourCopy& near, const Agent& other) {
        double termX, termY;
        if (!pushOf(self, ownWanted, near.position, near.radius, other.velocity, termX, termY)) return;
        fx += termX;
        fy += termY;
    });
    return finished(fx, fy, agent);
}
}  // namespace

FixedVec AvoidAgentsBehaviour::computeForce(Agent& agent) const {
    StepSpeedBound& bound = agent.world->stepSpeedBound;
    if (!bound.inStep) return avoidForce<false>(agent);  // no bound outside a step
    if (!bound.known) takeAgents(*agent.world);
    return avoidForce<true>(agent);
}

}  // namespace steering
