// The steering program's window procedure: scrolling, zooming and jumping the view,
// the overlay toggles, and adding, removing and directing agents.
#include "platform/win.h"
#include "programs/steering/map_editing.h"
#include "shell/picture.h"
#include "shell/program_entry.h"
#include "programs/steering/steering_program.h"
#include "steering/agent.h"
#include "steering/agent_list.h"
#include "steering/navigation_mode.h"
#include "programs/steering/view_state.h"
#include "world/open_cells.h"

namespace steering {

WorldPoint mouseWorld;

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

void zoom(double factor) {
    // Zooming out ends once the whole map fits the window: further out shows only blank.
    const bool mapFits = shell::kClientWidth * view.viewScaleX >= kScrollLimit &&
                         shell::kClientHeight * view.viewScaleY >= kScrollLimit;
    if (factor > 1.0 && mapFits) return;
    view.viewScaleX *= factor;
    view.viewScaleY *= factor;
    view.viewInvScaleX = 1.0 / view.viewScaleX;
    view.viewInvScaleY = 1.0 / view.viewScaleY;
}

void setMouseWorld(LPARAM lParam) {
    mouseWorld.x = pixelToWorldX(static_cast<double>(LOWORD(static_cast<uintptr_t>(lParam))));
    mouseWorld.y = pixelToWorldY(static_cast<double>(HIWORD(static_cast<uintptr_t>(lParam))));
}

void jumpView(LPARAM lParam) {
    view.viewOriginX = LOWORD(static_cast<uintptr_t>(lParam)) * kJumpUnitsPerPixelX;
    view.viewOriginY = HIWORD(static_cast<uintptr_t>(lParam)) * kJumpUnitsPerPixelY;
}

FixedVec mouseWorldFixed() { return {toFixed(mouseWorld.x), toFixed(mouseWorld.y)}; }

void insertAgents() {
    // One template per key press: its random draws are shared by the five copies.
    Agent agentTemplate;
    makeAgentTemplate(agentTemplate, view.viewScaleX);
    // A point in a wall or off the map (the corner before any click, a click zoomed out past
    // the map's edge) would leave the agents where no path starts, or outside the map.
    const FixedVec place = placeInOpenCell(mouseWorld.x, mouseWorld.y);
    for (int i = 0; i < kAgentsPerKeyPress; ++i) {
        agentTemplate.place(place, FixedVec{0, 0});
        agentList.add(agentTemplate);
    }
}

void removeAgents() {
    for (int i = 0; i < kAgentsPerKeyPress; ++i) agentList.removeFirst();
}

// The check mark follows the flag's new value: checked when it turns on.
void toggle(HMENU menu, WORD command, bool& flag) {
    CheckMenuItem(menu, command, MF_BYCOMMAND | (flag ? MF_UNCHECKED : MF_CHECKED));
    flag = !flag;
}

void handleCommand(HWND window, WORD command) {
    const HMENU menu = GetMenu(window);
    switch (command) {
        case kCommandExit: PostQuitMessage(0); break;
        case kCommandNeighbours: toggle(menu, command, debugFlags.showNeighbours); break;
        case kCommandGrid: toggle(menu, command, debugFlags.showGrid); break;
        case kCommandVectors: toggle(menu, command, debugFlags.showVectors); break;
        case kCommandPaths: toggle(menu, command, debugFlags.showPaths); break;
        case kCommandTriangles: toggle(menu, command, debugFlags.showTriangles); break;
        case kCommandNavigationClassic:
        case kCommandNavigationShortest: {
            // Radio items: the chosen one is checked, the other cleared.
            const bool shortest = command == kCommandNavigationShortest;
            CheckMenuItem(menu, kCommandNavigationClassic, MF_BYCOMMAND | (shortest ? MF_UNCHECKED : MF_CHECKED));
            CheckMenuItem(menu, kCommandNavigationShortest, MF_BYCOMMAND | (shortest ? MF_CHECKED : MF_UNCHECKED));
            setNavigationMode(shortest ? NavigationMode::Shortest : NavigationMode::Classic);
            break;
        }
        default: break;
    }
}

void handleKeyDown(WPARAM key, LPARAM lParam) {
    const double step = scrollStep(lParam);
    switch (key) {
        case VK_LEFT: view.viewOriginX = scrollTowardZero(view.viewOriginX, step); break;
        case VK_RIGHT: view.viewOriginX = scrollTowardEnd(view.viewOriginX, step); break;
        case VK_UP: view.viewOriginY = scrollTowardZero(view.viewOriginY, step); break;
        case VK_DOWN: view.viewOriginY = scrollTowardEnd(view.viewOriginY, step); break;
        default: break;
    }
}

void handleKeyUp(HWND window, WPARAM key) {
    switch (key) {
        case VK_ESCAPE: DestroyWindow(window); break;
        case VK_INSERT: insertAgents(); break;
        case VK_DELETE: removeAgents(); break;
        case VK_NEXT: zoom(kZoomOutFactor); break;
        case VK_PRIOR: zoom(kZoomInFactor); break;
        default: break;
    }
}

}  // namespace

LRESULT windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (handleMapEditing(window, message, wParam, lParam)) return 0;
    if (shell::handlePictureMessage("steering", message, wParam, showStatus)) return 0;
    switch (message) {
        case WM_DESTROY: PostQuitMessage(0); return 0;
        case WM_PAINT: shell::paintWindow(window); return 0;
        case WM_KEYDOWN: handleKeyDown(wParam, lParam); return 0;
        case WM_KEYUP: handleKeyUp(window, wParam); return 0;
        case WM_COMMAND: handleCommand(window, LOWORD(wParam)); return 0;
        case WM_MOUSEMOVE:
            if ((wParam & MK_LBUTTON) != 0) {
                setMouseWorld(lParam);  // the Insert point only; the target stays
            } else if ((wParam & MK_RBUTTON) != 0) {
                jumpView(lParam);
            }
            return 0;
        case WM_LBUTTONDOWN:
            setMouseWorld(lParam);
            agentList.setTargetAll(mouseWorldFixed());
            return 0;
        case WM_RBUTTONDOWN: jumpView(lParam); return 0;
        default: return DefWindowProc(window, message, wParam, lParam);
    }
}

}  // namespace steering
