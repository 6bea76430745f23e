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

struct CornerRule {
    bool needYNeg;    // true: yNeg must hold; false: yPos
    bool needXNeg;    // true: xNeg must hold; false: xPos
    int32_t dx, dy;   // diagonal cell relative to the agent's cell
    int32_t px, py;   // corner point: cellToWorld(cx + px, cy + py)
};

// Tried in this order; the first whose cells match and whose circle the probe reaches wins.
constexpr CornerRule kCorners[] = {
    {true, false, +1, -1, 1, 0},
    {true, true, -1, -1, 0, 0},
    {false, true, -1, +1, 0, 1},
    {false, false, +1, +1, 1, 1},
};
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
    const bool xPos = !xNeg;
    const bool yNeg = signs.yNegative;
    const bool yPos = !yNeg;

    const auto push = [&agent](FixedVec wall) { return wall - agent.velocity; };
    const auto gain = [](Fixed depth) { return wrapMul(kPenetrationGain, depth); };

    if (xPos && isWall(map, wrapAdd(cx, 1), cy)) {
        const Fixed edge = map.cellToWorld(wrapAdd(cx, 1), 0).x;
        if (probe.x > wrapSub(edge, radius)) return push({gain(wrapSub(wrapSub(edge, radius), probe.x)), 0});
    }
    if (xNeg && isWall(map, wrapSub(cx, 1), cy)) {
        const Fixed edge = map.cellToWorld(cx, 0).x;
        if (probe.x < wrapAdd(edge, radius)) return push({gain(wrapSub(wrapAdd(edge, radius), probe.x)), 0});
    }
    if (yNeg && isWall(map, cx, wrapSub(cy, 1))) {
        const Fixed edge = map.cellToWorld(0, cy).y;
        if (probe.y < wrapAdd(edge, radius)) return push({0, gain(wrapSub(wrapAdd(edge, radius), probe.y))});
    }
    if (yPos && isWall(map, cx, wrapAdd(cy, 1))) {
        const Fixed edge = map.cellToWorld(0, wrapAdd(cy, 1)).y;
        if (probe.y > wrapSub(edge, radius)) return push({0, gain(wrapSub(wrapSub(edge, radius), probe.y))});
    }

    for (const CornerRule& rule : kCorners) {
        if ((rule.needYNeg ? !yNeg : !yPos) || (rule.needXNeg ? !xNeg : !xPos)) continue;
        if (!isWall(map, wrapAdd(cx, rule.dx), wrapAdd(cy, rule.dy))) continue;
        // A corner sticks out only when both cells between it and the agent's cell are free.
        if (isWall(map, cx, wrapAdd(cy, rule.dy)) || isWall(map, wrapAdd(cx, rule.dx), cy)) continue;
        const FixedVec corner = map.cellToWorld(wrapAdd(cx, rule.px), wrapAdd(cy, rule.py));
        const Fixed length = vecLength(dir);
        const FixedVec unit = length != 0 ? divided(dir, length) : dir;
        const std::optional<Fixed> m = rayCircleEntry(agent.position, unit, corner, radius);
        if (!m || *m <= 0 || *m > length) continue;
        const FixedVec hit = agent.position + scaled(unit, *m);
        const FixedVec normal = divided(hit - corner, radius);  // outward unit normal
        const Fixed depth = gain(dotFixed(hit - probe, normal));
        return scaled(normal, depth) - agent.velocity;
    }
    return FixedVec{};
}

}  // namespace steering
