#pragma once
// The steering program: its frame tick, its window procedure, the release of its pens and
// brushes, the Insert point, its menus and icons, and the Program record that hands all of
// it to the shared entry and the headless driver.
#include <cstdint>

#include "platform/program_resources.h"
#include "platform/win.h"
#include "shell/menu_commands.h"
#include "shell/program_entry.h"
#include "world/fixed_math.h"

namespace steering {

// A point in whole world units.
struct WorldPoint {
    int32_t x = 0;
    int32_t y = 0;
};

// Scroll and zoom limits and factors of the view.
constexpr double kScrollLimit = 65536.0;         // whole world units: the map's far edge
constexpr double kZoomOutFactor = 1.5;
constexpr double kZoomInFactor = 0.6666666666666666;  // the double nearest to 2/3
constexpr uint32_t kScrollUnitsPerRepeat = 256;  // world units (one map cell) per key repeat
constexpr uint32_t kRepeatCountMask = 0x7F;      // only the low seven bits of the repeat count
constexpr double kJumpUnitsPerPixelX = 102.0;    // 640 pixels span 65,280 units
constexpr double kJumpUnitsPerPixelY = 136.0;    // 480 pixels span 65,280 units
constexpr int kAgentsPerKeyPress = 5;            // Insert adds, Delete removes, this many

// Menu command ids of menu resource 103: the shared ones, then the program's own.
using shell::kCommandExit;
using shell::kCommandGrid;
using shell::kCommandNeighbours;
using shell::kCommandSavePicture;
using shell::kCommandVectors;
constexpr win::WORD kCommandPaths = 40010;
constexpr win::WORD kCommandTriangles = 40012;
// Navigation menu: two radio items, Classic checked at start.
constexpr win::WORD kCommandNavigationClassic = 40020;
constexpr win::WORD kCommandNavigationShortest = 40021;

class SteeringRun;

// The visible part of the world for the run's view.
WorldRect visibleWorldRect(const SteeringRun& run);

extern const shell::Program steeringProgram;
// Menu 103 and icons 104/106, handed to the platform by the entry.
const win::resources::ProgramResources& programResources();

}  // namespace steering
