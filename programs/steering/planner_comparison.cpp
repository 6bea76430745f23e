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
#include "programs/steering/steering_run.h"

namespace steering {
namespace {

// Overlay text offset from the agent's centre, pixels.
constexpr int kComparisonLabelOffset = 24;
constexpr int kLabelBuffer = 64;
constexpr win::COLORREF kLabelBackground = win::RGB(255, 255, 255);
constexpr win::COLORREF kLabelText = win::RGB(0, 0, 0);

void drawPolyline(SteeringRun& run, win::HDC dc, const Agent& agent, const nav::PathResult& path) {
    const win::POINT start{run.view.fixedToPixelX(agent.position.x), run.view.fixedToPixelY(agent.position.y)};
    win::MoveToEx(dc, start.x, start.y, nullptr);
    for (int i = 0; i < path.waypointCount; ++i) {
        win::LineTo(dc, run.view.worldToPixelX(static_cast<double>(path.waypoints[i].x)),
                    run.view.worldToPixelY(static_cast<double>(path.waypoints[i].y)));
    }
}

}  // namespace

void drawPlannerComparison(SteeringRun& run, win::HDC dc) {
    if (run.world->agentList.empty()) return;
    const Agent& oldest = *run.world->agentList.begin();
    if (oldest.pathCount == 0 || oldest.pathDone) return;
    const int fromX = toWhole(oldest.position.x), fromY = toWhole(oldest.position.y);
    const int toX = toWhole(oldest.pathTarget.x), toY = toWhole(oldest.pathTarget.y);
    // Both modes through the agents' own planner entry, with the agent's clearance.
    planPath(*run.world, NavigationMode::Classic, run.comparisonPath, fromX, fromY, toX, toY, agentClearance(oldest));
    planPath(*run.world, NavigationMode::Shortest, run.otherPath, fromX, fromY, toX, toY, agentClearance(oldest));
    const double classicLength = nav::pathLengthOf(run.comparisonPath);
    const double shortestLength = nav::pathLengthOf(run.otherPath);
    const nav::PathResult& other = run.world->navigationMode == NavigationMode::Classic ? run.otherPath : run.comparisonPath;
    win::SelectObject(dc, asGdiObject(run.drawing.magentaPen));
    drawPolyline(run, dc, oldest, other);

    char text[kLabelBuffer];
    const int length = std::snprintf(text, sizeof text, "classic %d  shortest %d", static_cast<int>(classicLength),
                                     static_cast<int>(shortestLength));
    // Black on white boxes: readable over the agents and walls drawn before it.
    win::SetBkMode(dc, win::OPAQUE);
    win::SetBkColor(dc, kLabelBackground);
    win::SetTextColor(dc, kLabelText);
    win::TextOut(dc, run.view.fixedToPixelX(oldest.position.x) + kComparisonLabelOffset,
                 run.view.fixedToPixelY(oldest.position.y) - kComparisonLabelOffset, text, length);
    win::SetBkMode(dc, win::TRANSPARENT);
}

}  // namespace steering
