// One agent as the user sees it: a disc or heading triangle whose outline tells whether
// it follows a path, and the Vectors, Paths and Neighbours overlays.
#include <cstdio>

#include "programs/steering/agent_drawing.h"
#include "programs/steering/drawing_resources.h"
#include "programs/steering/view_state.h"
#include "programs/steering/steering_run.h"

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

win::POINT toScreen(SteeringRun& run, FixedVec p) { return {run.view.fixedToPixelX(p.x), run.view.fixedToPixelY(p.y)}; }

// Centre plus a vector, both reduced to whole units before adding, as a screen point.
win::POINT centrePlus(SteeringRun& run, FixedVec centre, FixedVec offset) {
    const double x = static_cast<double>(toWhole(centre.x)) + toWhole(offset.x);
    const double y = static_cast<double>(toWhole(centre.y)) + toWhole(offset.y);
    return {run.view.worldToPixelX(x), run.view.worldToPixelY(y)};
}

void line(win::HDC dc, win::POINT from, win::POINT to) {
    win::MoveToEx(dc, from.x, from.y, nullptr);
    win::LineTo(dc, to.x, to.y);
}

void drawBody(SteeringRun& run, win::HDC dc, const Agent& agent) {
    const FixedVec p = agent.position;
    const Fixed r = agent.radius;
    if (run.debugFlags.showTriangles) {
        const FixedVec h = vecNormalise(agent.velocity);
        const FixedVec s = vecPerp(h);
        auto vertex = [&](Fixed ahead, Fixed sideways) { return toScreen(run, p + scaled(h, ahead) + scaled(s, sideways)); };
        const win::POINT triangle[3] = {vertex(fixMul(r, kNoseFactor), 0), vertex(wrapNeg(r), r),
                                        vertex(wrapNeg(r), wrapNeg(r))};
        win::Polygon(dc, triangle, 3);
    } else {
        const win::POINT topLeft = toScreen(run, {wrapSub(p.x, r), wrapSub(p.y, r)});
        const win::POINT bottomRight = toScreen(run, {wrapAdd(p.x, r), wrapAdd(p.y, r)});
        win::Ellipse(dc, topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
    }
}

void drawVectors(SteeringRun& run, win::HDC dc, Agent& agent) {
    const win::POINT centre = toScreen(run, agent.position);
    win::SelectObject(dc, asGdiObject(run.drawing.magentaPen));
    line(dc, centre, centrePlus(run, agent.position, scaled(agent.velocity, kVectorDisplayScale)));

    // The weighted forces once more, without the final clip: what the step is steered by.
    FixedVec sum{0, 0};
    for (std::size_t i = 0; i < agent.behaviours.count; ++i) {
        const BehaviourEntry& entry = agent.behaviours.entries[i];
        if (entry.behaviour == nullptr) continue;
        const FixedVec force = vecLimit(entry.behaviour->computeForce(agent), agent.maxForce);
        sum += scaled(force, entry.weight);
    }
    win::SelectObject(dc, asGdiObject(run.drawing.bluePen));
    line(dc, centre, centrePlus(run, agent.position, scaled(sum, kVectorDisplayScale)));

    // The obstacle look-ahead box, open at the agent's end.
    const Fixed r = agent.radius;
    const Fixed length = wrapAdd(r, vecLength(agent.pointAhead(kLookAheadSteps) - agent.position));
    const win::POINT box[4] = {toScreen(run, agent.toWorld({0, r})), toScreen(run, agent.toWorld({length, r})),
                               toScreen(run, agent.toWorld({length, wrapNeg(r)})),
                               toScreen(run, agent.toWorld({0, wrapNeg(r)}))};
    win::MoveToEx(dc, box[0].x, box[0].y, nullptr);
    for (int i = 1; i < 4; ++i) win::LineTo(dc, box[i].x, box[i].y);

    win::SelectObject(dc, asGdiObject(run.drawing.secondBlackPen));
    line(dc, centre, toScreen(run, agent.pointAhead(kProbeSteps)));
}

void drawPath(SteeringRun& run, win::HDC dc, const Agent& agent) {
    win::SelectObject(dc, asGdiObject(run.drawing.secondBlackPen));
    const win::POINT first = toScreen(run, agent.waypoints[0]);
    win::MoveToEx(dc, first.x, first.y, nullptr);
    const int stored = agent.storedCount < kStoredWaypoints ? agent.storedCount : kStoredWaypoints;
    for (int i = 0; i < stored; ++i) {
        const win::POINT p = toScreen(run, agent.waypoints[i]);
        win::LineTo(dc, p.x, p.y);
    }
    win::SelectObject(dc, asGdiObject(run.drawing.bluePen));
    // Only a stored waypoint can be pointed at; the index never leaves them while following.
    if (agent.waypointIndex != agent.pathCount && agent.waypointIndex >= 0 &&
        agent.waypointIndex < kStoredWaypoints) {
        line(dc, toScreen(run, agent.position), toScreen(run, agent.waypoints[agent.waypointIndex]));
    }
}

void drawStuckLabel(SteeringRun& run, win::HDC dc, const Agent& agent) {
    const int percent = truncToInt(static_cast<double>(agent.stuckRatio()) * 100.0 / 65536.0);
    char text[kLabelBuffer];
    const int length = std::snprintf(text, sizeof text, "%d", percent);
    const int x = truncToInt((toWhole(agent.position.x) - run.view.viewOriginX) * run.view.viewInvScaleX - kLabelOffset);
    const int y = truncToInt((toWhole(agent.position.y) - run.view.viewOriginY) * run.view.viewInvScaleY - kLabelOffset);
    win::TextOut(dc, x, y, text, length);
}

}  // namespace

void drawAgent(SteeringRun& run, win::HDC dc, Agent& agent) {
    win::SetBkColor(dc, kDrawingBackground);
    win::SetBkMode(dc, win::TRANSPARENT);
    const bool idle = agent.pathProgress() == kFixedOne;  // no path, or finished
    win::SelectObject(dc, asGdiObject(idle ? run.drawing.whitePen : run.drawing.blackPen));
    win::SelectObject(dc, asGdiObject(run.drawing.tealBrush));
    drawBody(run, dc, agent);
    if (run.debugFlags.showVectors) drawVectors(run, dc, agent);
    if (run.debugFlags.showPaths && !agent.pathDone) drawPath(run, dc, agent);  // an arrived agent has none to show
    if (run.debugFlags.showNeighbours) drawStuckLabel(run, dc, agent);
}

void drawAgents(SteeringRun& run, win::HDC dc, AgentList& agents, const WorldRect& viewRect) {
    for (Agent& agent : agents) {
        const int32_t left = toWhole(wrapSub(agent.position.x, agent.radius));
        const int32_t right = toWhole(wrapAdd(agent.position.x, agent.radius));
        const int32_t top = toWhole(wrapSub(agent.position.y, agent.radius));
        const int32_t bottom = toWhole(wrapAdd(agent.position.y, agent.radius));
        if (left < viewRect.right && viewRect.left < right && top < viewRect.bottom && viewRect.top < bottom) {
            drawAgent(run, dc, agent);
        }
    }
}

}  // namespace steering
