// "avoid_walls": looks two steps ahead and pushes back from the wall cells around the
// agent's cell, straight edges first, then protruding corners.
#include <cmath>

#include "steering/agent.h"
#include "steering/behaviours.h"
#include "steering/world.h"
#include "world/grid_map.h"

namespace steering {

namespace {
constexpr Fixed kProbeSteps = 2 * kFixedOne;  // the probe looks two steps ahead
constexpr int32_t kPenetrationGain = 2;        // force = twice the probe's penetration

bool isWall(const GridMap& map, int32_t column, int32_t row) {
    // Negative indices become huge unsigned ones, which read as outside (never a wall).
    return map.cellAt(static_cast<uint32_t>(column), static_cast<uint32_t>(row)) == kWallType;
}
}  // namespace

FixedVec wallProbe(const Agent& agent) { return agent.pointAhead(kProbeSteps); }

std::optional<Fixed> rayCircleEntry(FixedVec p, FixedVec d, FixedVec c, Fixed r) {
    // In raw units as doubles: the squares of offsets of a few cells exceed 32-bit 16.16
    // products, while a double keeps them to well under a raw unit.
    const double dx = static_cast<double>(d.x) / kFixedOne;
    const double dy = static_cast<double>(d.y) / kFixedOne;
    const double vx = static_cast<double>(static_cast<int64_t>(p.x) - c.x);
    const double vy = static_cast<double>(static_cast<int64_t>(p.y) - c.y);
    const double rr = static_cast<double>(r);
    const double b = dx * vx + dy * vy;
    const double cc = vx * vx + vy * vy - rr * rr;
    const double disc = b * b - cc;
    if (!(disc > 0.0)) return std::nullopt;
    return truncToInt(-b - std::sqrt(disc));
}

FixedVec AvoidWallsBehaviour::computeForce(Agent& agent) const {
    const FixedVec probe = wallProbe(agent);
    const GridMap& map = agent.world->gridMap;
    const CellIndex cell = map.worldToCell(agent.position);
    const int32_t cx = cell.column;
    const int32_t cy = cell.row;
    const Fixed radius = agent.radius;

    const FixedVec dir = probe - agent.position;
    // The direction is that of the unit vector; only a corner's ray needs the unit itself.
    // A component that truncates to 0, and a stationary agent, count as moving toward +x
    // and +y.
    const UnitSigns signs = unitSigns(dir);
    const bool xNeg = signs.xNegative;
    const bool yNeg = signs.yNegative;
    // Only the cells the agent heads toward matter: the one beside its cell on x, the one
    // beside it on y, and the corner cell between them.
    const int32_t aheadColumn = xNeg ? wrapSub(cx, 1) : wrapAdd(cx, 1);
    const int32_t aheadRow = yNeg ? wrapSub(cy, 1) : wrapAdd(cy, 1);
    // The near edge of the cell ahead on each axis, and the corner point between them.
    const int32_t edgeColumn = xNeg ? cx : wrapAdd(cx, 1);
    const int32_t edgeRow = yNeg ? cy : wrapAdd(cy, 1);

    const auto push = [&agent](FixedVec wall) { return wall - agent.velocity; };
    const auto gain = [](Fixed depth) { return wrapMul(kPenetrationGain, depth); };

    // Straight edges first, x before y.
    const bool wallBesideX = isWall(map, aheadColumn, cy);
    if (wallBesideX) {
        const Fixed edge = map.cellToWorld(edgeColumn, 0).x;
        if (!xNeg && probe.x > wrapSub(edge, radius)) return push({gain(wrapSub(wrapSub(edge, radius), probe.x)), 0});
        if (xNeg && probe.x < wrapAdd(edge, radius)) return push({gain(wrapSub(wrapAdd(edge, radius), probe.x)), 0});
    }
    const bool wallBesideY = isWall(map, cx, aheadRow);
    if (wallBesideY) {
        const Fixed edge = map.cellToWorld(0, edgeRow).y;
        if (yNeg && probe.y < wrapAdd(edge, radius)) return push({0, gain(wrapSub(wrapAdd(edge, radius), probe.y))});
        if (!yNeg && probe.y > wrapSub(edge, radius)) return push({0, gain(wrapSub(wrapSub(edge, radius), probe.y))});
    }

    // A corner sticks out only when both cells between it and the agent's cell are free.
    if (wallBesideX || wallBesideY || !isWall(map, aheadColumn, aheadRow)) return FixedVec{};
    const FixedVec corner = map.cellToWorld(edgeColumn, edgeRow);
    const Fixed length = vecLength(dir);
    const FixedVec unit = length != 0 ? divided(dir, length) : dir;
    const std::optional<Fixed> m = rayCircleEntry(agent.position, unit, corner, radius);
    if (!m || *m <= 0 || *m > length) return FixedVec{};
    const FixedVec hit = agent.position + scaled(unit, *m);
    const FixedVec normal = divided(hit - corner, radius);  // outward unit normal
    const Fixed depth = gain(dotFixed(hit - probe, normal));
    return scaled(normal, depth) - agent.velocity;
}

}  // namespace steering
