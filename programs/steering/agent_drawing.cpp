// One agent as the user sees it: a disc or heading triangle whose outline tells whether
// it follows a path, and the Vectors, Paths and Neighbours overlays.
#include <cstdio>

#include "programs/steering/agent_drawing.h"
#include "programs/steering/drawing_resources.h"
#include "programs/steering/view_state.h"

namespace steering {

namespace {

constexpr Fixed kVectorDisplayScale = 15 * kFixedOne;  // force and velocity lines, 15x their length
constexpr Fixed kNoseFactor = 78643;                   // 1.2: triangle nose ahead of the centre, in radii
constexpr Fixed kLookAheadSteps = 10 * kFixedOne;      // obstacle look-ahead: ten steps of velocity
constexpr Fixed kProbeSteps = 2 * kFixedOne;           // wall probe: two steps of velocity
constexpr double kLabelOffset = 10.0;                  // pixels up and left of the centre
constexpr win::COLORREF kDrawingBackground = win::RGB(0, 10, 0);
// "%d" of a percentage from 0 to 100 needs at most 4 characters with its terminator; the
// buffer also holds any 32-bit value.
constexpr int kLabelBuffer = 16;

win::POINT toScreen(FixedVec p) { return {fixedToPixelX(p.x), fixedToPixelY(p.y)}; }

// Centre plus a vector, both reduced to whole units before adding, as a screen point.
win::POINT centrePlus(FixedVec centre, FixedVec offset) {
    const double x = static_cast<double>(toWhole(centre.x)) + toWhole(offset.x);
    const double y = static_cast<double>(toWhole(centre.y)) + toWhole(offset.y);
    return {worldToPixelX(x), worldToPixelY(y)};
}

void line(win::HDC dc, win::POINT from, win::POINT to) {
    win::MoveToEx(dc, from.x, from.y, nullptr);
    win::LineTo(dc, to.x, to.y);
}

void drawBody(win::HDC dc, const Agent& agent) {
    const FixedVec p = agent.position;
    const Fixed r = agent.radius;
    if (debugFlags.showTriangles) {
        const FixedVec h = vecNormalise(agent.velocity);
        const FixedVec s = vecPerp(h);
        auto vertex = [&](Fixed ahead, Fixed sideways) { return toScreen(p + scaled(h, ahead) + scaled(s, sideways)); };
        const win::POINT triangle[3] = {vertex(fixMul(r, kNoseFactor), 0), vertex(wrapNeg(r), r),
                                        vertex(wrapNeg(r), wrapNeg(r))};
        win::Polygon(dc, triangle, 3);
    } else {
        const win::POINT topLeft = toScreen({wrapSub(p.x, r), wrapSub(p.y, r)});
        const win::POINT bottomRight = toScreen({wrapAdd(p.x, r), wrapAdd(p.y, r)});
        win::Ellipse(dc, topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
    }
}

void drawVectors(win::HDC dc, Agent& agent) {
    const win::POINT centre = toScreen(agent.position);
    win::SelectObject(dc, asGdiObject(drawingResources.magentaPen));
    line(dc, centre, centrePlus(agent.position, scaled(agent.velocity, kVectorDisplayScale)));

    // The weighted forces once more, without the final clip: what the step is steered by.
    FixedVec sum{0, 0};
    for (std::size_t i = 0; i < agent.behaviours.count; ++i) {
        const BehaviourEntry& entry = agent.behaviours.entries[i];
        if (entry.behaviour == nullptr) continue;
        const FixedVec force = vecLimit(entry.behaviour->computeForce(agent), agent.maxForce);
        sum += scaled(force, entry.weight);
    }
    win::SelectObject(dc, asGdiObject(drawingResources.bluePen));
    line(dc, centre, centrePlus(agent.position, scaled(sum, kVectorDisplayScale)));

    // The obstacle look-ahead box, open at the agent's end.
    const Fixed r = agent.radius;
    const Fixed length = wrapAdd(r, vecLength(agent.pointAhead(kLookAheadSteps) - agent.position));
    const win::POINT box[4] = {toScreen(agent.toWorld({0, r})), toScreen(agent.toWorld({length, r})),
                               toScreen(agent.toWorld({length, wrapNeg(r)})),
                               toScreen(agent.toWorld({0, wrapNeg(r)}))};
    win::MoveToEx(dc, box[0].x, box[0].y, nullptr);
    for (int i = 1; i < 4; ++i) win::LineTo(dc, box[i].x, box[i].y);

    win::SelectObject(dc, asGdiObject(drawingResources.secondBlackPen));
    line(dc, centre, toScreen(agent.pointAhead(kProbeSteps)));
}

void drawPath(win::HDC dc, const Agent& agent) {
    win::SelectObject(dc, asGdiObject(drawingResources.secondBlackPen));
    const win::POINT first = toScreen(agent.waypoints[0]);
    win::MoveToEx(dc, first.x, first.y, nullptr);
    const int stored = agent.storedCount < kStoredWaypoints ? agent.storedCount : kStoredWaypoints;
    for (int i = 0; i < stored; ++i) {
        const win::POINT p = toScreen(agent.waypoints[i]);
        win::LineTo(dc, p.x, p.y);
    }
    win::SelectObject(dc, asGdiObject(drawingResources.bluePen));
    // Only a stored waypoint can be pointed at; the index never leaves them while following.
    if (agent.waypointIndex != agent.pathCount && agent.waypointIndex >= 0 &&
        agent.waypointIndex < kStoredWaypoints) {
        line(dc, toScreen(agent.position), toScreen(agent.waypoints[agent.waypointIndex]));
    }
}

void drawStuckLabel(win::HDC dc, const Agent& agent) {
    const int percent = truncToInt(static_cast<double>(agent.stuckRatio()) * 100.0 / 65536.0);
    char text[kLabelBuffer];
    const int length = std::snprintf(text, sizeof text, "%d", percent);
    const int x = truncToInt((toWhole(agent.position.x) - view.viewOriginX) * view.viewInvScaleX - kLabelOffset);
    const int y = truncToInt((toWhole(agent.position.y) - view.viewOriginY) * view.viewInvScaleY - kLabelOffset);
    win::TextOut(dc, x, y, text, length);
}

}  // namespace

void drawAgent(win::HDC dc, Agent& agent) {
    win::SetBkColor(dc, kDrawingBackground);
    win::SetBkMode(dc, win::TRANSPARENT);
    const bool idle = agent.pathProgress() == kFixedOne;  // no path, or finished
    win::SelectObject(dc, asGdiObject(idle ? drawingResources.whitePen : drawingResources.blackPen));
    win::SelectObject(dc, asGdiObject(drawingResources.tealBrush));
    drawBody(dc, agent);
    if (debugFlags.showVectors) drawVectors(dc, agent);
    if (debugFlags.showPaths && !agent.pathDone) drawPath(dc, agent);  // an arrived agent has none to show
    if (debugFlags.showNeighbours) drawStuckLabel(dc, agent);
}

void drawAgents(win::HDC dc, AgentList& agents, const WorldRect& viewRect) {
    for (Agent& agent : agents) {
        const int32_t left = toWhole(wrapSub(agent.position.x, agent.radius));
        const int32_t right = toWhole(wrapAdd(agent.position.x, agent.radius));
        const int32_t top = toWhole(wrapSub(agent.position.y, agent.radius));
        const int32_t bottom = toWhole(wrapAdd(agent.position.y, agent.radius));
        if (left < viewRect.right && viewRect.left < right && top < viewRect.bottom && viewRect.top < bottom) {
            drawAgent(dc, agent);
        }
    }
}

}  // namespace steering
