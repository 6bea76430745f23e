#include "programs/steering_basic/basic_program.h"

#include <cstdio>

#include "programs/steering_basic/basic_drawing.h"
#include "programs/steering_basic/basic_world.h"
#include "programs/small_kit/mouse_targets.h"
#include "programs/small_kit/program_glue.h"
#include "shell/picture.h"
#include "shell/timed_frame.h"

namespace steering_basic {

namespace {

using namespace win;

void handleCommand(HWND window, WORD command) {
    switch (command) {
        case kCommandDebug:
            // The mark takes the flag's new value; Space flips only the flag, so the two
            // can disagree until the next selection here.
            CheckMenuItem(GetMenu(window), kCommandDebug, debugOverlay ? MF_UNCHECKED : MF_CHECKED);
            debugOverlay = !debugOverlay;
            break;
        case kCommandExit: PostQuitMessage(0); break;
        default: break;
    }
}

// Keys act on release.
void handleKeyUp(HWND window, WPARAM key) {
    if (key == VK_SPACE) debugOverlay = !debugOverlay;
    if (key == VK_ESCAPE) DestroyWindow(window);
}

int countAgents() { return static_cast<int>(agentArray.size()); }

int traceOneAgent(int index, char* buffer, int size) {
    if (index < 0 || static_cast<std::size_t>(index) >= agentArray.size() || buffer == nullptr || size <= 0) {
        return -1;
    }
    const BasicAgent& a = agentArray[static_cast<std::size_t>(index)];
    // %.17g prints every double so that it reads back bit-identical.
    const int written =
        std::snprintf(buffer, static_cast<std::size_t>(size), "%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%d",
                      a.position.x, a.position.y, a.velocity.x, a.velocity.y, a.steeringForce.x,
                      a.steeringForce.y, a.radius, a.isStatic ? 1 : 0);
    return written >= 0 && written < size ? written : -1;
}

void drawFrame(void* /*context*/, HDC dc) {
    for (const auto& agent : agentArray) {
        drawAgent(*agent, dc);
    }
}

}  // namespace

bool frameTick() {
    if (!shell::passFrameGate()) return false;
    shell::runFrame({nullptr, [](void*) { updateAll(); }, drawFrame});  // no timing bars in this program
    return true;
}

LRESULT windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (shell::handlePictureMessage("steering_basic", message, wParam)) return 0;
    if (small_kit::moveMouseTargets(message, wParam, lParam, leftButtonTarget.position, rightButtonTarget.position)) {
        return 0;
    }
    switch (message) {
        case WM_PAINT: shell::paintWindow(window); return 0;
        case WM_KEYUP: handleKeyUp(window, wParam); return 0;
        case WM_COMMAND: handleCommand(window, LOWORD(wParam)); return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
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
    static const shell::Program record = {"steering_basic", programResources, makeRun, "forceX,forceY,radius,static"};
    return record;
}

}  // namespace steering_basic
