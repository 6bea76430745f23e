#pragma once
// The pens and brushes of steering_walls, owned by the program's run, and the drawing of
// one agent with its overlays.
#include "platform/win.h"
#include "programs/steering_walls/walls_agent.h"

namespace steering_walls {

// Brushes for an agent-grid cell listing 1, 2, ... 7 and 8 or more agents.
inline constexpr int kOccupancyLevels = 8;

struct WallsDrawingResources {
    win::HPEN thickBlackPen;  // agent outlines, width 2
    win::HPEN magentaPen;     // velocity lines; update timing bar
    win::HPEN bluePen;        // force lines, look-ahead boxes, grid lines; drawing timing bar
    win::HPEN blackPen;       // wall-map lines and wall outlines; short velocity line
    win::HBRUSH tealBrush;    // agent fill
    win::HBRUSH greenBrush;   // wall cells
    win::HBRUSH occupancyBrushes[kOccupancyLevels];  // [n - 1] for a cell listing n agents (8 = black)
};

// Creates every pen and brush, in declaration order.
WallsDrawingResources createDrawingResources();
// Deletes every pen and brush, in declaration order (pens first, then brushes), and
// forgets them.
void deleteDrawingResources(WallsDrawingResources& resources);

// The brush for a grid cell listing `count` agents (count >= 1).
win::HBRUSH occupancyBrush(const WallsDrawingResources& resources, int count);

// The body, and the overlays that its world's vector and neighbour toggles switch on.
void drawAgent(const WallsAgent& agent, win::HDC dc, const WallsDrawingResources& resources);

}  // namespace steering_walls
