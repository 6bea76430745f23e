// The Paths overlay's comparison for the oldest agent: the other navigation mode's path
// beside the current one, and both lengths.
#include <cstdio>

#include "navigation/nav_mesh.h"
#include "navigation/route_planning.h"
#include "navigation/shortest_path.h"
#include "programs/steering/agent_drawing.h"
#include "programs/steering/drawing_resources.h"
#include "programs/steering/view_state.h"
#include "steering/agent_list.h"
#include "steering/navigation_mode.h"
#include "steering/path_following.h"
#include "world/world_navigation.h"

namespace steering {
namespace {

// Overlay text offset from the agent's centre, pixels.
constexpr int kComparisonLabelOffset = 24;
constexpr int kLabelBuffer = 64;
constexpr win::COLORREF kLabelBackground = win::RGB(255, 255, 255);
constexpr win::COLORREF kLabelText = win::RGB(0, 0, 0);

nav::PathResult comparisonPath;  // the overlay's answers, read right after each query
nav::PathResult otherPath;

void drawPolyline(win::HDC dc, const Agent& agent, const nav::PathResult& path) {
    const win::POINT start{fixedToPixelX(agent.position.x), fixedToPixelY(agent.position.y)};
    win::MoveToEx(dc, start.x, start.y, nullptr);
    for (int i = 0; i < path.waypointCount; ++i) {
        win::LineTo(dc, worldToPixelX(static_cast<double>(path.waypoints[i].x)),
                    worldToPixelY(static_cast<double>(path.waypoints[i].y)));
    }
}

}  // namespace

void drawPlannerComparison(win::HDC dc) {
    if (agentList.empty()) return;
    const Agent& oldest = *agentList.begin();
    if (oldest.pathCount == 0 || oldest.pathDone) return;
    const int fromX = toWhole(oldest.position.x), fromY = toWhole(oldest.position.y);
    const int toX = toWhole(oldest.pathTarget.x), toY = toWhole(oldest.pathTarget.y);
    nav::request_agent_path(steering::navMesh, steering::routeSearch, comparisonPath, fromX, fromY, toX, toY, kGateFraction);
    planShortest(otherPath, fromX, fromY, toX, toY, agentClearance(oldest));
    const double classicLength = nav::path_length(comparisonPath);
    const double shortestLength = nav::path_length(otherPath);
    const nav::PathResult& other = navigationMode == NavigationMode::Classic ? otherPath : comparisonPath;
    win::SelectObject(dc, asGdiObject(drawingResources.magentaPen));
    drawPolyline(dc, oldest, other);

    char text[kLabelBuffer];
    const int length = std::snprintf(text, sizeof text, "classic %d  shortest %d", static_cast<int>(classicLength),
                                     static_cast<int>(shortestLength));
    // Black on white boxes: readable over the agents and walls drawn before it.
    win::SetBkMode(dc, win::OPAQUE);
    win::SetBkColor(dc, kLabelBackground);
    win::SetTextColor(dc, kLabelText);
    win::TextOut(dc, fixedToPixelX(oldest.position.x) + kComparisonLabelOffset,
                 fixedToPixelY(oldest.position.y) - kComparisonLabelOffset, text, length);
    win::SetBkMode(dc, win::TRANSPARENT);
}

}  // namespace steering
