// One accepted tick of the steering program: one simulation step, one complete frame
// in the off-screen surface, the two timing bars, and a request to repaint.
#include "navigation/nav_log.h"
#include "platform/win.h"
#include "programs/steering/map_editing.h"
#include "programs/steering/scenario_view.h"
#include "shell/program_entry.h"
#include "shell/timed_frame.h"
#include "programs/steering/steering_program.h"
#include "programs/steering/steering_run.h"
#include "steering/agent_list.h"
#include "steering/navigation_mode.h"
#include "programs/steering/agent_drawing.h"
#include "programs/steering/drawing_resources.h"
#include "programs/steering/world_drawing.h"
#include "world/grid_map.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"
#include "programs/steering/view_state.h"

namespace steering {
namespace {

void updateStep(void* context) {
    SteeringRun& run = *static_cast<SteeringRun*>(context);
    run.world->agentList.updateAll();
    scenarioAfterStep(run);  // nothing without an open test case
}

void drawFrame(void* context, win::HDC dc) {
    SteeringRun& run = *static_cast<SteeringRun*>(context);
    const WorldRect rect = visibleWorldRect(run);
    if (run.debugFlags.showGrid) drawNeighbourGrid(run, dc, run.world->neighbourGrid, rect);
    drawGridMap(run, dc, run.world->gridMap, rect);
    drawObstacles(run, dc, rect);
    drawAgents(run, dc, run.world->agentList, rect);
    if (run.debugFlags.showPaths) drawPlannerComparison(run, dc);
    drawMapEditOverlay(run, dc);
}

}  // namespace

WorldRect visibleWorldRect(const SteeringRun& run) {
    WorldRect rect;
    rect.left = truncToInt(run.view.viewOriginX);
    rect.top = truncToInt(run.view.viewOriginY);
    rect.right = truncToInt(shell::kClientWidth * run.view.viewScaleX + run.view.viewOriginX);
    rect.bottom = truncToInt(shell::kClientHeight * run.view.viewScaleY + run.view.viewOriginY);
    return rect;
}

bool SteeringRun::frameTick() {
    if (!shell::passFrameGate(lastTickTime)) return false;
    world->navLog.advanceFrame();  // the trace's "F=" numbers count accepted ticks
    // The blue drawing-bar pen stays selected: the map's wall cells inherit it as their outline.
    lastFrameTiming = shell::runFrame(presentation, window(), {this, updateStep, drawFrame, drawing.magentaPen, drawing.bluePen});
    return true;
}

}  // namespace steering
