#include "programs/steering_walls/walls_program.h"

#include <cstdio>

#include "programs/steering_walls/walls_drawing.h"
#include "programs/steering_walls/walls_world.h"
#include "programs/small_kit/program_glue.h"
#include "shell/timed_frame.h"

namespace steering_walls {

namespace {

using namespace win;

// The check mark takes the flag's new value: checked when it turns on.
void toggle(HWND window, WORD command, bool& flag) {
    CheckMenuItem(GetMenu(window), command, flag ? MF_UNCHECKED : MF_CHECKED);
    flag = !flag;
}

void handleCommand(WallsWorld& world, HWND window, WORD command) {
    OverlayFlags& flags = world.overlayFlags;
    switch (command) {
        case kCommandExit: PostQuitMessage(0); break;
        case kCommandNeighbours: toggle(window, command, flags.showNeighbours); break;
        case kCommandGrid: toggle(window, command, flags.showGrid); break;
        case kCommandVectors: toggle(window, command, flags.showVectors); break;
        default: break;
    }
}

// Keys act on release.
void handleKeyUp(WallsWorld& world, HWND window, WPARAM key) {
    switch (key) {
        case VK_ESCAPE: DestroyWindow(window); break;
        case VK_UP: addArrivers(world); break;
        case VK_DOWN: removeNewestAgents(world); break;
        default: break;
    }
}

std::unique_ptr<shell::ProgramRun> makeRun() { return std::make_unique<WallsRun>(); }

}  // namespace

WallsRun::WallsRun() : world(std::make_unique<WallsWorld>()), drawing(createDrawingResources()) {}

WallsRun::~WallsRun() { deleteDrawingResources(drawing); }

int WallsRun::agentCount() const { return static_cast<int>(world->agentList.size()); }

int WallsRun::traceAgent(int index, char* buffer, int size) const {
    const AgentList& agentList = world->agentList;
    return small_kit::writeTraceRow(agentList.size(), index, buffer, size, [&](std::size_t i, char* row, std::size_t room) {
        const WallsAgent& a = *agentList[i];
        // %.17g prints every double so that it reads back bit-identical.
        return std::snprintf(row, room, "%.17g,%.17g,%.17g,%.17g,%.17g,%d", a.position.x, a.position.y, a.velocity.x,
                             a.velocity.y, a.radius, a.isStatic ? 1 : 0);
    });
}

bool WallsRun::frameTick() {
    if (!shell::passFrameGate(lastTickTime)) return false;
    const auto update = [](void* context) { updateAll(*static_cast<WallsRun*>(context)->world); };
    const auto draw = [](void* context, HDC dc) {
        const WallsRun& run = *static_cast<WallsRun*>(context);
        const WallsWorld& world = *run.world;
        if (world.overlayFlags.showGrid) world.agentGrid.draw(dc, run.drawing);
        world.wallMap.draw(dc, run.drawing);
        for (const std::unique_ptr<WallsAgent>& agent : world.agentList) drawAgent(*agent, dc, run.drawing);
    };
    lastFrameTiming = shell::runFrame(presentation, window(), {this, update, draw, drawing.magentaPen, drawing.bluePen});
    return true;
}

LRESULT WallsRun::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return small_kit::dispatchMessage(presentation, "steering_walls", *world, window, message, wParam, lParam,
                                      handleKeyUp, handleCommand);
}

void WallsRun::releaseDrawingResources() {
    deleteDrawingResources(drawing);
    shell::shutdownPresentation(presentation);
}

void WallsRun::setupWorld() {
    if (drawing.thickBlackPen == nullptr) drawing = createDrawingResources();
    world = std::make_unique<WallsWorld>();
    steering_walls::setupWorld(*world);
}

const shell::Program& program() {
    static const shell::Program record = {"steering_walls", programResources, makeRun, "radius,static"};
    return record;
}

}  // namespace steering_walls
