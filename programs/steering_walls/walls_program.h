#pragma once
// steering_walls as the shared entry and the headless driver see it, and the parts of
// its shell that are its own: the frame tick, the window procedure and the release of
// its drawing resources.
#include "platform/program_resources.h"
#include "platform/win.h"
#include "shell/menu_commands.h"
#include "shell/program_entry.h"

namespace steering_walls {

// Menu command ids of resource 103, all shared with the other programs.
using shell::kCommandExit;
using shell::kCommandGrid;
using shell::kCommandNeighbours;
using shell::kCommandSavePicture;
using shell::kCommandVectors;

// One step of every agent and one complete frame; false when the 10 ms gate refused it.
bool frameTick();
win::LRESULT windowProcedure(win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
// Pens first, then brushes, then the presentation objects.
void releaseDrawingResources();

const shell::Program& program();
// Menu 103 and icons 104/106, handed to the platform by the entry.
const win::resources::ProgramResources& programResources();

}  // namespace steering_walls
