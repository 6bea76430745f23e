// One accepted tick of the steering program: one simulation step, one complete frame
// in the off-screen surface, the two timing bars, and a request to repaint.
#include "navigation/nav_log.h"
#include "platform/win.h"
#include "programs/steering/map_editing.h"
#include "programs/steering/scenario_view.h"
#include "shell/program_entry.h"
#include "shell/timed_frame.h"
#include "programs/steering/steering_program.h"
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

void updateStep() {
    agentList.updateAll();
    scenarioAfterStep();  // nothing without an open test case
}

void drawFrame(win::HDC dc) {
    const WorldRect rect = visibleWorldRect();
    if (debugFlags.showGrid) drawNeighbourGrid(dc, neighbourGrid, rect);
    drawGridMap(dc, gridMap, rect);
    drawObstacles(dc, rect);
    drawAgents(dc, agentList, rect);
    if (debugFlags.showPaths) drawPlannerComparison(dc);
    drawMapEditOverlay(dc);
}

}  // namespace

WorldRect visibleWorldRect() {
    WorldRect rect;
    rect.left = truncToInt(view.viewOriginX);
    rect.top = truncToInt(view.viewOriginY);
    rect.right = truncToInt(shell::kClientWidth * view.viewScaleX + view.viewOriginX);
    rect.bottom = truncToInt(shell::kClientHeight * view.viewScaleY + view.viewOriginY);
    return rect;
}

bool frameTick() {
    if (!shell::passFrameGate()) return false;
    nav::advanceNavFrame();  // the trace's "F=" numbers count accepted ticks
    // The blue drawing-bar pen stays selected: the map's wall cells inherit it as their outline.
    shell::runFrame({updateStep, drawFrame, drawingResources.magentaPen, drawingResources.bluePen});
    return true;
}

}  // namespace steering
