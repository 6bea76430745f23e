#pragma once
#include <string>

#include "world/map_file.h"

namespace steering {

// The map file setupWorld reads: "maptest.raw" in the working directory unless the
// program was given another (steering --map FILE).
extern std::string mapFilePath;
// The running map as its file holds it and as prepared; an editor changes authored and
// re-installs it, a save writes authored back.
extern PreparedMap worldMap;

// Loads the map, builds the neighbour grid, the obstacles and the navigation, adds the
// first agent and gives the population its first target. Always returns true.
bool setupWorld();

// Makes a prepared map the world's: its cells into the grid map, its obstacles replace the
// old ones (in the list and the neighbour grid), and the navigation is rebuilt. Agents are
// not touched. The grid map and the neighbour grid must be initialised.
void installMap(const PreparedMap& map);

// Turns every obstacle marker (type 14) of rows and columns 0..126 into a round obstacle
// of radius 140 at the cell's centre and rewrites the cell's byte to 1, on the grid map's
// own cells (rewriteObstacleMarkers, then ObstacleList::add).
void extractObstacles();

}  // namespace steering
