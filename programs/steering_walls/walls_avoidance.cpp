// Look-ahead avoidance of obstacles ("repel_static") and of wall cells ("avoid_walls").
#include "programs/steering_walls/walls_avoidance.h"

#include <cmath>
#include <limits>

#include "programs/steering_walls/walls_world.h"

namespace steering_walls {

namespace {

constexpr double kNoHit = std::numeric_limits<double>::max();

}  // namespace

double detectionLength(const WallsAgent& agent) {
    return length(pointAhead(agent, kRepelLookAheadSteps) - agent.position) + agent.radius;
}

double axisCircleEntry(DoubleVec l, double r) {
    return small_kit::axisCircleEntry(l, r, std::numeric_limits<double>::lowest());
}

double rayCircleEntry(DoubleVec p, DoubleVec dir, DoubleVec c, double r) {
    const DoubleVec w = p - c;
    const double b = 2.0 * dot(w, dir);
    const double disc = b * b - 4.0 * (dot(w, w) - r * r) * dot(dir, dir);
    if (disc <= 0.0) {
        return kNoHit;
    }
    const double root = std::sqrt(disc);
    const double nearer = -b - root;
    const double farther = root - b;
    return (nearer < farther ? nearer : farther) * 0.5;
}

namespace {

class RepelStatic final : public WallsBehaviour {
public:
    RepelStatic() : WallsBehaviour("repel_static") {}

    // Of the obstacles whose circle, widened by the agent's radius, lies in the box ahead,
    // the one whose own circle meets the line of travel first pushes the agent sideways
    // by its centre's sideways offset. An agent at rest sees nothing (zero heading).
    DoubleVec computeForce(const WallsAgent& agent) const override {
        const double boxLength = detectionLength(agent);
        AgentRefs& candidates = agent.world->candidateScratch;
        candidates.clear();
        agent.world->agentGrid.query(agent.position, boxLength, candidates);

        double best = kNoHit;
        double lateral = 0.0;
        for (const WallsAgent* other : candidates) {
            if (!other->isStatic) {
                continue;
            }
            const double r = other->radius;
            const DoubleVec l = toLocal(agent, other->position);
            if (l.x > 0.0 && l.x - r <= boxLength && r + agent.radius > std::fabs(l.y)) {
                const double t = axisCircleEntry(l, r);
                if (t >= 0.0 && t < best) {
                    best = t;
                    lateral = -l.y;
                }
            }
        }
        if (best == kNoHit) {
            return {};
        }
        return toWorldDirection(agent, DoubleVec{0.0, lateral});
    }
};

// A corner case of "avoid_walls": the diagonal cell, the two cells sharing an edge with
// both it and the agent's cell, and the corner point, as cell offsets from the agent's cell.
struct CornerCase {
    int dx;         // -1 left, +1 right
    int dy;         // -1 up, +1 down
    int cornerDx;   // corner point = ((cx + cornerDx) * cellWidth, (cy + cornerDy) * cellHeight)
    int cornerDy;
};

// Tried in this order: up-right, up-left, down-left, down-right.
constexpr CornerCase kCornerCases[] = {
    {+1, -1, 1, 0},
    {-1, -1, 0, 0},
    {-1, +1, 0, 1},
    {+1, +1, 1, 1},
};

class AvoidWalls final : public WallsBehaviour {
public:
    AvoidWalls() : WallsBehaviour("avoid_walls") {}

    // Twice the depth by which the look-ahead point, widened by the radius, enters the
    // neighbouring wall cell in the direction of travel; x walls before y walls; then the
    // outside corners. Cells outside the map are walls. An agent at rest counts as moving
    // left and up, and cannot hit a corner.
    DoubleVec computeForce(const WallsAgent& agent) const override {
        const WallMap& wallMap = agent.world->wallMap;
        const double cw = wallMap.cellWidth();
        const double ch = wallMap.cellHeight();
        const double r = agent.radius;
        const DoubleVec ahead = pointAhead(agent, kWallLookAheadSteps);
        // 64-bit so that neighbour indices of a far-away agent cannot overflow.
        const int64_t cx = truncToInt32(agent.position.x / cw);
        const int64_t cy = truncToInt32(agent.position.y / ch);

        const DoubleVec v = ahead - agent.position;
        const double len = length(v);
        const bool moving = len > 0.0;
        const DoubleVec dir = moving ? v / len : DoubleVec{};
        const bool right = moving && dir.x >= 0.0;
        const bool down = moving && dir.y >= 0.0;

        const double cellRight = static_cast<double>(cx + 1) * cw;
        const double cellLeft = static_cast<double>(cx) * cw;
        const double cellTop = static_cast<double>(cy) * ch;
        const double cellBottom = static_cast<double>(cy + 1) * ch;

        if (right && wallMap.wallAt(cx + 1, cy) != 0 && ahead.x > cellRight - r) {
            return {2.0 * (cellRight - r - ahead.x), 0.0};
        }
        if (!right && wallMap.wallAt(cx - 1, cy) != 0 && ahead.x < cellLeft + r) {
            return {2.0 * (cellLeft + r - ahead.x), 0.0};
        }
        if (!down && wallMap.wallAt(cx, cy - 1) != 0 && ahead.y < cellTop + r) {
            return {0.0, 2.0 * (cellTop + r - ahead.y)};
        }
        if (down && wallMap.wallAt(cx, cy + 1) != 0 && ahead.y > cellBottom - r) {
            return {0.0, 2.0 * (cellBottom - r - ahead.y)};
        }
        if (!moving) {
            return {};
        }

        for (const CornerCase& corner : kCornerCases) {
            if ((corner.dx > 0) != right || (corner.dy > 0) != down) {
                continue;
            }
            if (wallMap.wallAt(cx + corner.dx, cy + corner.dy) == 0 || wallMap.wallAt(cx, cy + corner.dy) != 0 ||
                wallMap.wallAt(cx + corner.dx, cy) != 0) {
                continue;
            }
            const DoubleVec point{static_cast<double>(cx + corner.cornerDx) * cw,
                                  static_cast<double>(cy + corner.cornerDy) * ch};
            const double k = rayCircleEntry(agent.position, dir, point, r);
            if (k != kNoHit && k > 0.0 && k <= len) {
                const DoubleVec hit = agent.position + dir * k;
                const DoubleVec n = (hit - point) / r;
                return n * (2.0 * dot(hit - ahead, n));
            }
        }
        return {};
    }
};

}  // namespace

const WallsBehaviour& repelStaticBehaviour() {
    static const RepelStatic behaviour;
    return behaviour;
}

const WallsBehaviour& avoidWallsBehaviour() {
    static const AvoidWalls behaviour;
    return behaviour;
}

}  // namespace steering_walls
