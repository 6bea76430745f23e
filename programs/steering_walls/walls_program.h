#pragma once
// steering_walls as the shared entry and the headless driver see it, and the parts of
// its shell that are its own: the frame tick, the window procedure and the release of
// its drawing resources.
#include <memory>

#include "platform/program_resources.h"
#include "platform/win.h"
#include "programs/steering_walls/walls_drawing.h"
#include "programs/steering_walls/walls_world.h"
#include "shell/menu_commands.h"
#include "shell/program_entry.h"

namespace steering_walls {

// Menu command ids of resource 103, all shared with the other programs.
using shell::kCommandExit;
using shell::kCommandGrid;
using shell::kCommandNeighbours;
using shell::kCommandSavePicture;
using shell::kCommandVectors;

// One run of steering_walls: its world and its pens and brushes, reached from the window
// procedure through the window.
class WallsRun : public shell::ProgramRun {
public:
    WallsRun();
    ~WallsRun() override;
    WallsRun(const WallsRun&) = delete;
    WallsRun& operator=(const WallsRun&) = delete;

    win::LRESULT handleMessage(win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) override;
    // A fresh world with its 32 agents (and live pens and brushes).
    void setupWorld() override;
    // One step of every agent and one complete frame; false when the 10 ms gate refused it.
    bool frameTick() override;
    // Pens first, then brushes, then the presentation objects.
    void releaseDrawingResources() override;
    int agentCount() const override;
    int traceAgent(int index, char* buffer, int size) const override;

    std::unique_ptr<WallsWorld> world;  // made afresh by every setupWorld
    WallsDrawingResources drawing;
};

const shell::Program& program();
// Menu 103 and icons 104/106, handed to the platform by the entry.
const win::resources::ProgramResources& programResources();

}  // namespace steering_walls
