#include "programs/steering_basic/basic_program.h"

#include <cstdio>

#include "programs/steering_basic/basic_drawing.h"
#include "programs/steering_basic/basic_world.h"
#include "programs/small_kit/program_glue.h"
#include "shell/timed_frame.h"

namespace steering_basic {

namespace {

using namespace win;

void handleCommand(BasicWorld& world, HWND window, WORD command) {
    switch (command) {
        case kCommandDebug:
            // The mark takes the flag's new value; Space flips only the flag, so the two
            // can disagree until the next selection here.
            CheckMenuItem(GetMenu(window), kCommandDebug, world.debugOverlay ? MF_UNCHECKED : MF_CHECKED);
            world.debugOverlay = !world.debugOverlay;
            break;
        case kCommandExit: PostQuitMessage(0); break;
        default: break;
    }
}

// Keys act on release.
void handleKeyUp(BasicWorld& world, HWND window, WPARAM key) {
    if (key == VK_SPACE) world.debugOverlay = !world.debugOverlay;
    if (key == VK_ESCAPE) DestroyWindow(window);
}

std::unique_ptr<shell::ProgramRun> makeRun() { return std::make_unique<BasicRun>(); }

}  // namespace

BasicRun::BasicRun() : world(std::make_unique<BasicWorld>()), drawing(createDrawingResources()) {}

BasicRun::~BasicRun() { deleteDrawingResources(drawing); }

int BasicRun::agentCount() const { return static_cast<int>(world->agentArray.size()); }

int BasicRun::traceAgent(int index, char* buffer, int size) const {
    const AgentArray& agentArray = world->agentArray;
    return small_kit::writeTraceRow(agentArray.size(), index, buffer, size, [&](std::size_t i, char* row, std::size_t room) {
        const BasicAgent& a = agentArray[i];
        // %.17g prints every double so that it reads back bit-identical.
        return std::snprintf(row, room, "%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%d", a.position.x, a.position.y,
                             a.velocity.x, a.velocity.y, a.steeringForce.x, a.steeringForce.y, a.radius,
                             a.isStatic ? 1 : 0);
    });
}

bool BasicRun::frameTick() {
    if (!shell::passFrameGate(lastTickTime)) return false;
    const auto update = [](void* context) { updateAll(*static_cast<BasicRun*>(context)->world); };
    const auto draw = [](void* context, HDC dc) {
        const BasicRun& run = *static_cast<BasicRun*>(context);
        for (const auto& agent : run.world->agentArray) drawAgent(*agent, dc, run.drawing, run.world->debugOverlay);
    };
    lastFrameTiming = shell::runFrame(presentation, window(), {this, update, draw});  // no timing bars in this program
    return true;
}

LRESULT BasicRun::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return small_kit::dispatchMessage(presentation, "steering_basic", *world, window, message, wParam, lParam,
                                      handleKeyUp, handleCommand);
}

void BasicRun::releaseDrawingResources() {
    deleteDrawingResources(drawing);
    shell::shutdownPresentation(presentation);
}

void BasicRun::setupWorld() {
    if (drawing.tealBrush == nullptr) drawing = createDrawingResources();
    world = std::make_unique<BasicWorld>();
    steering_basic::setupWorld(*world);
}

const shell::Program& program() {
    static const shell::Program record = {"steering_basic", programResources, makeRun, "forceX,forceY,radius,static"};
    return record;
}

}  // namespace steering_basic
