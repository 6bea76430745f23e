// The steering program's window procedure: scrolling, zooming and jumping the view,
// the overlay toggles, and adding, removing and directing agents.
#include "platform/win.h"
#include "programs/steering/map_editing.h"
#include "shell/window_messages.h"
#include "shell/program_entry.h"
#include "programs/steering/steering_program.h"
#include "programs/steering/steering_run.h"
#include "steering/agent.h"
#include "steering/agent_list.h"
#include "steering/navigation_mode.h"
#include "programs/steering/view_state.h"
#include "world/open_cells.h"

namespace steering {

namespace {

using namespace win;

double scrollStep(LPARAM lParam) {
    return static_cast<double>((static_cast<uint32_t>(lParam) & kRepeatCountMask) * kScrollUnitsPerRepeat);
}

double scrollTowardZero(double origin, double step) {
    const double result = origin - step;
    return result <= 0.0 ? 0.0 : result;
}

double scrollTowardEnd(double origin, double step) {
    const double result = origin + step;
    return result >= kScrollLimit ? kScrollLimit : result;
}

void zoom(SteeringRun& run, double factor) {
    // Zooming out ends once the whole map fits the window: further out shows only blank.
    const bool mapFits = shell::kClientWidth * run.view.viewScaleX >= kScrollLimit &&
                         shell::kClientHeight * run.view.viewScaleY >= kScrollLimit;
    if (factor > 1.0 && mapFits) return;
    run.view.viewScaleX *= factor;
    run.view.viewScaleY *= factor;
    run.view.viewInvScaleX = 1.0 / run.view.viewScaleX;
    run.view.viewInvScaleY = 1.0 / run.view.viewScaleY;
}

void setMouseWorld(SteeringRun& run, LPARAM lParam) {
    run.mouseWorld.x = run.view.pixelToWorldX(static_cast<double>(LOWORD(static_cast<uintptr_t>(lParam))));
    run.mouseWorld.y = run.view.pixelToWorldY(static_cast<double>(HIWORD(static_cast<uintptr_t>(lParam))));
}

void jumpView(SteeringRun& run, LPARAM lParam) {
    run.view.viewOriginX = LOWORD(static_cast<uintptr_t>(lParam)) * kJumpUnitsPerPixelX;
    run.view.viewOriginY = HIWORD(static_cast<uintptr_t>(lParam)) * kJumpUnitsPerPixelY;
}

FixedVec mouseWorldFixed(SteeringRun& run) { return {toFixed(run.mouseWorld.x), toFixed(run.mouseWorld.y)}; }

void insertAgents(SteeringRun& run) {
    // One template per key press: its random draws are shared by the five copies.
    Agent agentTemplate;
    makeAgentTemplate(agentTemplate, run.world->agentRandom, run.view.viewScaleX);
    // A point in a wall or off the map (the corner before any click, a click zoomed out past
    // the map's edge) would leave the agents where no path starts, or outside the map.
    const FixedVec place = placeInOpenCell(run.world->gridMap, run.mouseWorld.x, run.mouseWorld.y);
    for (int i = 0; i < kAgentsPerKeyPress; ++i) {
        agentTemplate.place(place, FixedVec{0, 0});
        run.world->agentList.add(agentTemplate);
    }
}

void removeAgents(SteeringRun& run) {
    for (int i = 0; i < kAgentsPerKeyPress; ++i) run.world->agentList.removeFirst();
}

// The check mark follows the flag's new value: checked when it turns on.
void toggle(HMENU menu, WORD command, bool& flag) {
    CheckMenuItem(menu, command, MF_BYCOMMAND | (flag ? MF_UNCHECKED : MF_CHECKED));
    flag = !flag;
}

void handleCommand(SteeringRun& run, HWND window, WORD command) {
    const HMENU menu = GetMenu(window);
    switch (command) {
        case kCommandExit: PostQuitMessage(0); break;
        case kCommandNeighbours: toggle(menu, command, run.debugFlags.showNeighbours); break;
        case kCommandGrid: toggle(menu, command, run.debugFlags.showGrid); break;
        case kCommandVectors: toggle(menu, command, run.debugFlags.showVectors); break;
        case kCommandPaths: toggle(menu, command, run.debugFlags.showPaths); break;
        case kCommandTriangles: toggle(menu, command, run.debugFlags.showTriangles); break;
        case kCommandNavigationClassic:
        case kCommandNavigationShortest: {
            // Radio items: the chosen one is checked, the other cleared.
            const bool shortest = command == kCommandNavigationShortest;
            CheckMenuItem(menu, kCommandNavigationClassic, MF_BYCOMMAND | (shortest ? MF_UNCHECKED : MF_CHECKED));
            CheckMenuItem(menu, kCommandNavigationShortest, MF_BYCOMMAND | (shortest ? MF_CHECKED : MF_UNCHECKED));
            setNavigationMode(*run.world, shortest ? NavigationMode::Shortest : NavigationMode::Classic);
            break;
        }
        default: break;
    }
}

void handleKeyDown(SteeringRun& run, WPARAM key, LPARAM lParam) {
    const double step = scrollStep(lParam);
    switch (key) {
        case VK_LEFT: run.view.viewOriginX = scrollTowardZero(run.view.viewOriginX, step); break;
        case VK_RIGHT: run.view.viewOriginX = scrollTowardEnd(run.view.viewOriginX, step); break;
        case VK_UP: run.view.viewOriginY = scrollTowardZero(run.view.viewOriginY, step); break;
        case VK_DOWN: run.view.viewOriginY = scrollTowardEnd(run.view.viewOriginY, step); break;
        default: break;
    }
}

void handleKeyUp(SteeringRun& run, HWND window, WPARAM key) {
    switch (key) {
        case VK_ESCAPE: DestroyWindow(window); break;
        case VK_INSERT: insertAgents(run); break;
        case VK_DELETE: removeAgents(run); break;
        case VK_NEXT: zoom(run, kZoomOutFactor); break;
        case VK_PRIOR: zoom(run, kZoomInFactor); break;
        default: break;
    }
}

}  // namespace

LRESULT SteeringRun::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SteeringRun& run = *this;
    if (handleMapEditing(run, window, message, wParam, lParam)) return 0;
    if (shell::handleCommonMessage(presentation, "steering", window, message, wParam,
                                   [&run](const std::string& line) { showStatus(run, line); })) {
        return 0;
    }
    switch (message) {
        case WM_KEYDOWN: handleKeyDown(run, wParam, lParam); return 0;
        case WM_KEYUP: handleKeyUp(run, window, wParam); return 0;
        case WM_COMMAND: handleCommand(run, window, LOWORD(wParam)); return 0;
        case WM_MOUSEMOVE:
            if ((wParam & MK_LBUTTON) != 0) {
                setMouseWorld(run, lParam);  // the Insert point only; the target stays
            } else if ((wParam & MK_RBUTTON) != 0) {
                jumpView(run, lParam);
            }
            return 0;
        case WM_LBUTTONDOWN:
            setMouseWorld(run, lParam);
            run.world->agentList.setTargetAll(mouseWorldFixed(run));
            return 0;
        case WM_RBUTTONDOWN: jumpView(run, lParam); return 0;
        default: return DefWindowProc(window, message, wParam, lParam);
    }
}

}  // namespace steering
