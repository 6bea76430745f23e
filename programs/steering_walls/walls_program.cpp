#include "programs/steering_walls/walls_program.h"

#include <cstdio>

#include "programs/steering_walls/walls_drawing.h"
#include "programs/steering_walls/walls_world.h"
#include "programs/small_kit/mouse_targets.h"
#include "programs/small_kit/program_glue.h"
#include "shell/picture.h"
#include "shell/timed_frame.h"

namespace steering_walls {

namespace {

using namespace win;

// The check mark takes the flag's new value: checked when it turns on.
void toggle(HWND window, WORD command, bool& flag) {
    CheckMenuItem(GetMenu(window), command, flag ? MF_UNCHECKED : MF_CHECKED);
    flag = !flag;
}

void handleCommand(HWND window, WORD command) {
    switch (command) {
        case kCommandExit: PostQuitMessage(0); break;
        case kCommandNeighbours: toggle(window, command, overlayFlags.showNeighbours); break;
        case kCommandGrid: toggle(window, command, overlayFlags.showGrid); break;
        case kCommandVectors: toggle(window, command, overlayFlags.showVectors); break;
        default: break;
    }
}

// Keys act on release.
void handleKeyUp(HWND window, WPARAM key) {
    switch (key) {
        case VK_ESCAPE: DestroyWindow(window); break;
        case VK_UP: addArrivers(); break;
        case VK_DOWN: removeNewestAgents(); break;
        default: break;
    }
}

int countAgents() { return static_cast<int>(agentList.size()); }

int traceOneAgent(int index, char* buffer, int size) {
    if (index < 0 || static_cast<std::size_t>(index) >= agentList.size() || buffer == nullptr || size <= 0) {
        return -1;
    }
    const WallsAgent& a = *agentList[static_cast<std::size_t>(index)];
    // %.17g prints every double so that it reads back bit-identical.
    const int written = std::snprintf(buffer, static_cast<std::size_t>(size), "%.17g,%.17g,%.17g,%.17g,%.17g,%d",
                                      a.position.x, a.position.y, a.velocity.x, a.velocity.y, a.radius,
                                      a.isStatic ? 1 : 0);
    return written >= 0 && written < size ? written : -1;
}

void drawFrame(void* /*context*/, HDC dc) {
    if (overlayFlags.showGrid) agentGrid.draw(dc);
    wallMap.draw(dc);
    for (const std::unique_ptr<WallsAgent>& agent : agentList) {
        drawAgent(*agent, dc);
    }
}

}  // namespace

bool frameTick() {
    if (!shell::passFrameGate()) return false;
    shell::runFrame({nullptr, [](void*) { updateAll(); }, drawFrame, drawingResources.magentaPen, drawingResources.bluePen});
    return true;
}

LRESULT windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (shell::handlePictureMessage("steering_walls", message, wParam)) return 0;
    if (steering_walls::moveMouseTargets(message, wParam, lParam, leftButtonTarget.position, rightButtonTarget.position)) {
        return 0;
    }
    switch (message) {
        case WM_DESTROY: PostQuitMessage(0); return 0;
        case WM_PAINT: shell::paintWindow(window); return 0;
        case WM_KEYUP: handleKeyUp(window, wParam); return 0;
        case WM_COMMAND: handleCommand(window, LOWORD(wParam)); return 0;
        default: return DefWindowProc(window, message, wParam, lParam);
    }
}

void releaseDrawingResources() {
    deleteDrawingResources();
    shell::shutdownPresentation();
}

namespace {

// The start of a run: live pens and brushes, then the world from its reset state.
void startWorld() {
    ensureDrawingResources();
    setupWorld();
}

const small_kit::ProgramHooks kHooks = {windowProcedure, startWorld, frameTick, releaseDrawingResources, countAgents,
                                        traceOneAgent};

std::unique_ptr<shell::ProgramRun> makeRun() { return std::make_unique<small_kit::ProgramGlueRun>(kHooks); }

}  // namespace

const shell::Program& program() {
    static const shell::Program record = {"steering_walls", programResources, makeRun, "radius,static"};
    return record;
}

}  // namespace steering_walls
