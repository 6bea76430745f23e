// One accepted tick of the steering program: one simulation step, one complete frame
// in the off-screen surface, the two timing bars, and a request to repaint.
#include "navigation/nav_log.h"
#include "platform/win.h"
#include "programs/steering/map_editing.h"
#include "shell/program_entry.h"
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

constexpr int kCyclesShift = 14;   // one pixel of bar per 16,384 processor cycles
constexpr int kBarStartX = 10;     // pixels
constexpr int kUpdateBarY = 10;
constexpr int kDrawBarY = 20;

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
    shell::clearOffscreen();
    const shell::CpuInfo cpu = shell::buildCpuInfo();
    const WorldRect rect = visibleWorldRect();

    const uint64_t updateBegin = shell::monotonicNanoseconds();
    const uint32_t updateStart = cpu.hasTimeStampCounter ? shell::timeStampLow32() : 0;
    agentList.updateAll();
    const uint32_t updateCycles = cpu.hasTimeStampCounter ? shell::timeStampLow32() - updateStart : 0;
    const uint64_t drawBegin = shell::monotonicNanoseconds();

    const uint32_t drawStart = cpu.hasTimeStampCounter ? shell::timeStampLow32() : 0;
    // Without an off-screen device context the simulation still runs; nothing is drawn.
    win::HDC dc = shell::offscreenDC;
    if (dc != nullptr) {
        if (debugFlags.showGrid) drawNeighbourGrid(dc, neighbourGrid, rect);
        drawGridMap(dc, gridMap, rect);
        drawObstacles(dc, rect);
        drawAgents(dc, agentList, rect);
        if (debugFlags.showPaths) drawPlannerComparison(dc);
        drawMapEditOverlay(dc);
    }
    const uint32_t drawCycles = cpu.hasTimeStampCounter ? shell::timeStampLow32() - drawStart : 0;

    if (dc != nullptr) {
        win::SelectObject(dc, asGdiObject(drawingResources.magentaPen));
        win::MoveToEx(dc, kBarStartX, kUpdateBarY, nullptr);
        win::LineTo(dc, static_cast<int>(updateCycles >> kCyclesShift) + kBarStartX, kUpdateBarY);
        // The blue pen stays selected: the map's wall cells inherit it as their outline.
        win::SelectObject(dc, asGdiObject(drawingResources.bluePen));
        win::MoveToEx(dc, kBarStartX, kDrawBarY, nullptr);
        win::LineTo(dc, static_cast<int>(drawCycles >> kCyclesShift) + kBarStartX, kDrawBarY);
    }
    const uint64_t drawEnd = shell::monotonicNanoseconds();
    shell::lastFrameTiming.updateNanoseconds = drawBegin - updateBegin;
    shell::lastFrameTiming.drawNanoseconds = drawEnd - drawBegin;

    win::RECT client;
    win::GetClientRect(shell::mainWindow, &client);
    win::InvalidateRect(shell::mainWindow, &client, win::FALSE);
    return true;
}

}  // namespace steering
