#pragma once
// The pens and brushes of steering_walls, created once by static initialisation and
// deleted once at exit, and the drawing of one agent with its overlays.
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

// Creation order is the declaration order; deletion too (pens first, then brushes).
extern WallsDrawingResources drawingResources;

// Deletes every pen and brush and forgets them.
void deleteDrawingResources();
// Creates every pen and brush, in declaration order, unless they exist: a run that starts
// after an earlier run in the same process released them draws with live objects.
void ensureDrawingResources();

// The brush for a grid cell listing `count` agents (count >= 1).
win::HBRUSH occupancyBrush(int count);

// The body, and the overlays that the vector and neighbour toggles switch on.
void drawAgent(const WallsAgent& agent, win::HDC dc);

}  // namespace steering_walls
