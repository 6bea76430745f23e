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
    bound.velocities.assign(std::max<std::size_t>(grid.agentRecordCapacity(), 1), StepSpeedBound::kUnknownVelocity);
    for (const Agent& agent : world.agentList) {
        bound.raiseSpeed(agent.velocity);
        bound.radius = std::max(bound.radius, agent.radius);
        if (agent.radius < 0) bound.radiiNonNegative = false;
        const int32_t record = grid.agentRecord(&agent, agent.gridRecord);
        if (record > 0) bound.velocities[static_cast<std::size_t>(record)] = agent.velocity;
    }
    bound.known = true;
}

// The cells both ranges hold (possibly none).
CellRange intersection(const CellRange& a, const CellRange& b) {
    return CellRange{std::max(a.firstColumn, b.firstColumn), std::min(a.lastColumn, b.lastColumn),
                     std::max(a.firstRow, b.firstRow), std::min(a.lastRow, b.lastRow)};
}

using FourFloats = float __attribute__((vector_size(16)));
using FourWords = uint32_t __attribute__((vector_size(16)));
using TwoWords = int32_t __attribute__((vector_size(8)));

// Where the screen may be used (see AvoidScreen): every speed and offset it handles in 32 bits.
constexpr double kScreenSpeedLimit = 0x1p29;
constexpr double kScreenReachLimit = 0x1p30;

// The full test below for four neighbours at once, from the grid's copies and the step's
// velocities by record, in single precision, without a branch, a division or a read of the
// neighbours: all ones in the lanes the full test may not reject. Lanes of unknown velocity
// pass; vacated entries (record 0) do not.
//
// Where it is used, every speed is below 2^29 and every pushing neighbour lies within the
// disc (below 2^30), so the 32-bit differences p (offset) and v (relative velocity) are
// exact for the neighbours that matter (others may wrap: their lanes may say anything). In
// float, with u = 2^-24, P = |p|, V = |v|, W = wanted^2 (radii are not negative there): the
// lanes' dot is within 5u P V <= 2^-22.6 (P^2 + V^2) of p.v, pp and vv within 4u, and
// pp vv - dot^2 within 2^-19.5 P^2 V^2 of P^2 V^2 - (p.v)^2. So, s being 2^-20 (pp + vv):
// - dot >= s gives p.v > 2^-21 (P^2 + V^2): the full test's dot (within 2^-52 P V) is >= 0;
// - -dot >= horizon vv (1 + 2^-10) + s gives -p.v >= horizon V^2 (1 + 2^-11) + 2^-21 (P^2 + V^2),
//   and the full test's t (its dot and vv within 2^-52) is beyond the horizon;
// - pp vv - dot^2 >= W vv (1 + 2^-10) + pp vv 2^-16 gives the exact closest squared distance
//   C = P^2 - (p.v)^2 / V^2 >= W (1 + 2^-11) + P^2 2^-17; the full test's c is p + v t for its
//   t to within 9 2^-53 P, so its cc >= C - 2^-47 P^2 > W (1 + 2^-11), above its limit
//   W (1 + 2^-50): it returns.
// v = 0 exactly when vv = 0 (integers), as in the full test. Magnitudes stay below 2^127.
struct AvoidScreen {
    uint32_t selfX, selfY, selfVelocityX, selfVelocityY;
    float ownWanted;
    const FixedVec* velocities;
    std::size_t velocityCount;

    TwoWords velocityOf(int32_t record) const {
        const std::size_t index = static_cast<uint32_t>(record);
        TwoWords v;
        std::memcpy(&v, &velocities[index < velocityCount ? index : 0], sizeof v);
        return v;
    }

    CopyLanes operator()(CopyLanes x, CopyLanes y, CopyLanes radius, const ScreenRecords& records) const {
        const CopyLanes low = __builtin_shufflevector(velocityOf(records[0]), velocityOf(records[1]), 0, 1, 2, 3);
        const CopyLanes high = __builtin_shufflevector(velocityOf(records[2]), velocityOf(records[3]), 0, 1, 2, 3);
        const CopyLanes otherX = __builtin_shufflevector(low, high, 0, 2, 4, 6);
        const CopyLanes otherY = __builtin_shufflevector(low, high, 1, 3, 5, 7);
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
        const CopyLanes unknown = otherX == INT32_MIN;
        const CopyLanes vacated = CopyLanes{records[0], records[1], records[2], records[3]} == 0;
        return (~rejected | unknown) & ~vacated;
    }
};

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
    CellRange cells;        // with screened, the cells to read
    bool screened = false;  // AvoidScreen may be used (its conditions hold)
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
            const double aheadHalf = std::ceil(ahead) + bound.radius + 1.0;  // below 2^32 when screened
            if (far < kScreenReachLimit && bound.speed < kScreenSpeedLimit && ownSpeed < kScreenSpeedLimit) {
                screened = true;
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
        // The screen passes every neighbour push would not reject, so the neighbours that push
        // and their order are those of the full visit.
        const StepSpeedBound& bound = agent.world->stepSpeedBound;
        if (screened) {
            const AvoidScreen screen{static_cast<uint32_t>(agent.position.x), static_cast<uint32_t>(agent.position.y),
                                     static_cast<uint32_t>(agent.velocity.x), static_cast<uint32_t>(agent.velocity.y),
                                     static_cast<float>(ownWanted), bound.velocities.data(), bound.velocities.size()};
            forEachOtherAgentCopyScreenedIn(agent, cells, reach, screen, push);
            return finished(fx, fy, agent);
        }
    }
    forEachOtherAgentCopyNear(agent, reach, push);
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
