#pragma once
// The steering program's pictures of the world: wall cells, the neighbour-grid overlay and
// the obstacles, drawn into the off-screen device context with the program's pens and
// brushes for the current view.
#include "platform/win.h"
#include "world/fixed_math.h"
#include "world/grid_map.h"
#include "world/neighbour_grid.h"

namespace steering {

class SteeringRun;

// Wall cells of the map that the view touches, as green rectangles.
void drawGridMap(SteeringRun& run, win::HDC dc, const GridMap& map, const WorldRect& viewRect);
// Grid lines in view and each occupied cell shaded by its number of occupants.
void drawNeighbourGrid(SteeringRun& run, win::HDC dc, const NeighbourGrid& grid, const WorldRect& viewRect);
// Every obstacle whose bounding square overlaps the view.
void drawObstacles(SteeringRun& run, win::HDC dc, const WorldRect& viewRect);

}  // namespace steering
