// "avoid_obstacle" (sideways from the nearest obstacle ahead) and "repel_obstacle" (away
// from every touching obstacle).
#include <climits>
#include <cmath>

#include "steering/agent.h"
#include "steering/behaviours.h"
#include "steering/neighbour_visits.h"

namespace steering {

namespace {
constexpr Fixed kLookAheadSteps = 10 * kFixedOne;  // avoid_obstacle looks ten steps ahead
constexpr Fixed kContactMargin = kFixedOne;        // repel_obstacle: touching within 1.0
constexpr Fixed kNothingFound = INT32_MAX;         // nearest entry before any candidate
}  // namespace

Fixed detectionLength(const Agent& agent) {
    return wrapAdd(agent.radius, vecLength(agent.pointAhead(kLookAheadSteps) - agent.position));
}

std::optional<Fixed> axisCircleEntry(FixedVec c, Fixed r) {
    // Squares of raw values reach 2^62, beyond 32-bit 16.16 products: keep them in 64 bits.
    const int64_t rr = static_cast<int64_t>(r) * r;
    const int64_t yy = static_cast<int64_t>(c.y) * c.y;
    const int64_t inside = rr - yy;  // both terms in [0, 2^62]: no overflow
    if (inside <= 0) return std::nullopt;
    // A double square root of a value below 2^62 is within one raw unit of the truth.
    const int64_t half = static_cast<int64_t>(std::sqrt(static_cast<double>(inside)));
    return static_cast<Fixed>(static_cast<int64_t>(c.x) - half);
}

FixedVec AvoidObstacleBehaviour::computeForce(Agent& agent) const {
    FixedVec accumulator{};
    Fixed nearest = kNothingFound;
    const Fixed lookAhead = detectionLength(agent);
    forEachObstacleNear(agent, lookAhead, [&](const Agent& self, const Obstacle& obstacle) {
        // The obstacle in the agent's frame (toLocal), sideways only for those ahead and
        // within reach: most candidates of the square are behind or beyond it.
        const FixedVec offset = FixedVec{obstacle.x, obstacle.y} - self.position;
        FixedVec c{dotFixed(self.heading, offset), 0};
        if (c.x <= 0) return;  // only obstacles strictly ahead
        if (wrapSub(c.x, obstacle.radius) > lookAhead) return;
        c.y = dotFixed(self.side, offset);
        if (static_cast<int64_t>(absRaw(c.y)) >= static_cast<int64_t>(self.radius) + obstacle.radius) return;
        const std::optional<Fixed> t = axisCircleEntry(c, obstacle.radius);
        if (!t || *t < 0) return;
        if (*t < nearest) {  // strict: the first candidate wins a tie
            nearest = *t;
            accumulator.y = wrapNeg(c.y);
        }
    });
    if (nearest == kNothingFound) return FixedVec{};
    return agent.toWorldDirection(accumulator);
}

FixedVec RepelObstacleBehaviour::computeForce(Agent& agent) const {
    FixedVec accumulator{};
    forEachObstacleNear(agent, wrapMul(2, agent.radius), [&accumulator](const Agent& self, const Obstacle& obstacle) {
        const FixedVec d = self.position - FixedVec{obstacle.x, obstacle.y};
        const Fixed a = approxLength(d);
        if (!(a < wrapAdd(wrapAdd(self.radius, obstacle.radius), kContactMargin)) || a == 0) return;
        // sqrt of a in 16.16: sqrt(raw) * 256; the push d / sqrt(a) grows with distance,
        // about 14.1 world units at 200.
        const Fixed q = static_cast<Fixed>(isqrt(static_cast<uint32_t>(a)) << 8);
        const Fixed k = fixDiv(kFixedOne, q);
        accumulator += scaled(d, k);
    });
    return accumulator;
}

}  // namespace steering
