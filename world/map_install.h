#pragma once
// Putting a prepared map into the running world: the grid map's cells, the obstacles (in their
// list and the neighbour grid) and the navigation built over the cells.
#include "world/map_file.h"
#include "world/terrain.h"

namespace steering {

// Turns every obstacle marker (type 14) of rows and columns 0..126 into a round obstacle
// of radius 140 at the cell's centre and rewrites the cell's byte to 1, on the grid map's
// own cells (rewriteObstacleMarkers, then ObstacleList::add).
void extractObstacles(Terrain& terrain);

// Makes a prepared map the world's: its cells into the grid map, its obstacles replace the
// old ones (in the list and the neighbour grid), and the navigation is rebuilt. Agents are
// not touched. The grid map and the neighbour grid must be initialised.
void installMap(Terrain& terrain, const PreparedMap& map);

}  // namespace steering
